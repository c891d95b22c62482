-- The player-state query of zone 0, as a remote panel polls it.
wrk.method = "POST"
wrk.path = "/control"
wrk.headers["Content-Type"] = "text/xml"
wrk.body = '<?xml version="1.0" encoding="iso-8859-1"?><actionList><action><actionName>QryStreamState</actionName>' ..
  '<transID>1</transID><actionID>1</actionID><subDevice>0</subDevice>' ..
  '<argument><name>StreamState</name><direction>out</direction></argument>' ..
  '<argument><name>CurVolume</name><direction>out</direction></argument>' ..
  '<argument><name>SongNumber</name><direction>out</direction></argument>' ..
  '<argument><name>CurTRT</name><direction>out</direction></argument>' ..
  '</action></actionList>'
