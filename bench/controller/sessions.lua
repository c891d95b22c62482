-- Each wrk thread is a browser of its own: it sends the session cookie given for its number.
local counter = 0
local threads = {}

function setup(thread)
  counter = counter + 1
  thread:set("index", counter)
  table.insert(threads, thread)
end

function init(args)
  local cookie = args[index] or args[1]
  wrk.headers["Cookie"] = "TLWSESSIONID=" .. cookie
end
