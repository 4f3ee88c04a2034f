-- Opens a snapshot of the session and exports its first second.
-- Environment: SESSION_DIR, SESSION_NAME (the snapshot), QUOR_EXPORT (the
-- folder; the file is named after the snapshot).
local here = debug.getinfo(1, "S").source:match("^@(.*/)") or "./"
dofile(here .. "export.lua")
AudioEngine:set_backend("None (Dummy)", "", "")
if not load_session(os.getenv("SESSION_DIR"), os.getenv("SESSION_NAME")) then
  io.stderr:write("FAIL: cannot open the snapshot\n")
  os.exit(1)
end
ARDOUR.LuaAPI.wait_for_process_callback(50, 10000)
export_session(os.getenv("QUOR_EXPORT"), os.getenv("SESSION_NAME"))
close_session()
