-- Reopens the saved session in a fresh process, prints QUOR's parameters as
-- Ardour sees them, saves again (so the chunk is fetched anew from QUOR) and
-- saves a snapshot "reference" in which QUOR is switched off; on a track of
-- more than two channels only its first two outputs feed the master there,
-- so that the reference is what QUOR's first two inputs received.
-- Environment: SESSION_DIR, SESSION_NAME, QUOR_SETTINGS; optional:
-- QUOR_EXPORT (a folder the first second is exported to, as reopened.wav).
local function say(text) io.stderr:write(tostring(text) .. "\n") end
local here = debug.getinfo(1, "S").source:match("^@(.*/)") or "./"
local function fail(text) say("FAIL: " .. text); os.exit(1) end

AudioEngine:set_backend("None (Dummy)", "", "")
if not load_session(os.getenv("SESSION_DIR"), os.getenv("SESSION_NAME")) then
  fail("cannot reopen the session")
end
local track = Session:route_by_name("QT")
if track:isnil() then fail("track QT is gone") end
local quor = track:nth_plugin(1)
if quor:isnil() or quor:name() ~= "QUOR" then fail("QUOR is not the track's second plug-in") end

for index in string.gmatch(os.getenv("QUOR_SETTINGS"), "(%d+)=") do
  local value = ARDOUR.LuaAPI.get_processor_param(quor, tonumber(index), true)
  io.stdout:write(string.format("param %s %.6f\n", index, value))
end
io.stdout:write(string.format("param 10 %.6f\n", ARDOUR.LuaAPI.get_processor_param(quor, 10, true)))
io.stdout:flush()

if os.getenv("QUOR_EXPORT") then
  ARDOUR.LuaAPI.wait_for_process_callback(50, 10000)
  dofile(here .. "export.lua")
  export_session(os.getenv("QUOR_EXPORT"), "reopened")
end

Session:save_state("", false, false, false, false, false)
quor:deactivate()
for output = 2, track:n_outputs():n_audio() - 1 do
  track:output():audio(output):disconnect_all()
end
Session:save_state("reference", false, false, false, false, false)
close_session()
