-- Builds the test session: one stereo track with a noise generator feeding
-- QUOR, a few QUOR parameters changed through Ardour, a two-second range.
-- Environment: SESSION_DIR, SESSION_NAME, QUOR_SETTINGS ("index=value ...",
-- Ardour's indices and values for the format), QUOR_FORMAT (LXVST or LV2).
local function say(text) io.stderr:write(tostring(text) .. "\n") end
local function fail(text) say("FAIL: " .. text); os.exit(1) end

AudioEngine:set_backend("None (Dummy)", "", "")
local session = create_session(os.getenv("SESSION_DIR"), os.getenv("SESSION_NAME"), 48000)
if not session then fail("cannot create the session") end

local track = Session:new_audio_track(2, 2, nil, 1, "QT", ARDOUR.PresentationInfo.max_order,
                                      ARDOUR.TrackMode.Normal, true):front()
-- Keep the track stereo: QUOR's outputs 1 and 2 (the mix) feed it.
track:set_strict_io(true)
local noise = ARDOUR.LuaAPI.new_plugin(Session, "ACE Noise", ARDOUR.PluginType.Lua, "")
if noise:isnil() then fail("no ACE Noise generator") end
track:add_processor_by_index(noise, 0, nil, true)

-- Adding a nil plug-in would crash Ardour: check first.
local quor
if os.getenv("QUOR_FORMAT") == "LV2" then
  quor = ARDOUR.LuaAPI.new_plugin(Session, "urn:vandorhaus:quor", ARDOUR.PluginType.LV2, "")
else
  quor = ARDOUR.LuaAPI.new_plugin(Session, "QUOR", ARDOUR.PluginType.LXVST, "")
end
if quor:isnil() then fail("Ardour does not know QUOR (not scanned?)") end
track:add_processor_by_index(quor, 1, nil, true)

for index, value in string.gmatch(os.getenv("QUOR_SETTINGS"), "(%d+)=([%-%d.]+)") do
  if not ARDOUR.LuaAPI.set_processor_param(quor, tonumber(index), tonumber(value)) then
    fail("cannot set QUOR parameter " .. index)
  end
end

-- Lua cannot make the session range; the test turns this range into it.
Session:locations():add_range(Temporal.timepos_t(0), Temporal.timepos_t(96000)):set_name("session")
Session:save_state("", false, false, false, false, false)
say("created " .. os.getenv("SESSION_NAME") .. " with QUOR on track QT")
close_session()
