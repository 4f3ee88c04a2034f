-- Builds the test session: one track with a generator feeding QUOR, a few
-- QUOR parameters changed through Ardour, a two-second range.
-- Environment: SESSION_DIR, SESSION_NAME, QUOR_SETTINGS ("index=value ...",
-- Ardour's indices and values for the format), QUOR_FORMAT (LXVST, LV2 or
-- VST3); optional: QUOR_CHANNELS (the track's inputs and outputs, 2),
-- QUOR_GENERATOR (a Lua generator's name, "ACE Noise"), QUOR_EXPORT (a
-- folder the first second is exported to, as created.wav).
local function say(text) io.stderr:write(tostring(text) .. "\n") end
local here = debug.getinfo(1, "S").source:match("^@(.*/)") or "./"
local function fail(text) say("FAIL: " .. text); os.exit(1) end

AudioEngine:set_backend("None (Dummy)", "", "")
local session = create_session(os.getenv("SESSION_DIR"), os.getenv("SESSION_NAME"), 48000)
if not session then fail("cannot create the session") end

local channels = tonumber(os.getenv("QUOR_CHANNELS") or "2")
local track = Session:new_audio_track(channels, channels, nil, 1, "QT",
                                      ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal,
                                      true):front()
if channels == 2 then
  -- Keep the track stereo: QUOR's outputs 1 and 2 (the mix) feed it.
  track:set_strict_io(true)
else
  -- A wider track's panner spreads each channel over the outputs: QUOR's
  -- outputs go out as they are.
  track:panner_shell():set_bypassed(true)
end
local generator_name = os.getenv("QUOR_GENERATOR") or "ACE Noise"
local generator = ARDOUR.LuaAPI.new_plugin(Session, generator_name, ARDOUR.PluginType.Lua, "")
if generator:isnil() then fail("no generator " .. generator_name) end
track:add_processor_by_index(generator, 0, nil, true)

-- Adding a nil plug-in would crash Ardour: check first.
local quor
if os.getenv("QUOR_FORMAT") == "LV2" then
  quor = ARDOUR.LuaAPI.new_plugin(Session, "urn:vandorhaus:quor", ARDOUR.PluginType.LV2, "")
elseif os.getenv("QUOR_FORMAT") == "VST3" then
  quor = ARDOUR.LuaAPI.new_plugin(Session, "QUOR", ARDOUR.PluginType.VST3, "")
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

local plugin = quor:to_insert():plugin(0)
say(string.format("QUOR: %d parameters, %d inputs, %d outputs", plugin:parameter_count(),
                  quor:to_insert():natural_input_streams():n_audio(),
                  quor:to_insert():natural_output_streams():n_audio()))
if os.getenv("QUOR_EXPORT") then
  -- The generator's level settles in the first cycles.
  ARDOUR.LuaAPI.wait_for_process_callback(50, 10000)
  dofile(here .. "export.lua")
  export_session(os.getenv("QUOR_EXPORT"), "created")
end

-- Lua cannot make the session range; the test turns this range into it.
Session:locations():add_range(Temporal.timepos_t(0), Temporal.timepos_t(96000)):set_name("session")
Session:save_state("", false, false, false, false, false)
say("created " .. os.getenv("SESSION_NAME") .. " with QUOR on track QT")
close_session()
