-- A small action request, as a remote control sends it.
wrk.method = "POST"
wrk.path = "/control"
wrk.headers["Content-Type"] = "text/xml"
wrk.body = '<?xml version="1.0" encoding="iso-8859-1"?><actionList><action><actionName>SvcQryVersion</actionName></action></actionList>'
