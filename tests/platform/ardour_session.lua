-- A session with one stereo track carrying the plug-in. Environment:
-- SESSION_DIR, PLUGIN_NAME (the name the scanner found, or an LV2 URI),
-- PLUGIN_TYPE (LXVST, LV2 or VST3).
AudioEngine:set_backend("None (Dummy)", "", "")
local session = create_session(os.getenv("SESSION_DIR"), "editor", 44100)
if not session then io.stderr:write("cannot create the session\n"); os.exit(1) end
local track = Session:new_audio_track(2, 2, nil, 1, "T", ARDOUR.PresentationInfo.max_order,
                                      ARDOUR.TrackMode.Normal, true):front()
local kinds = {LV2 = ARDOUR.PluginType.LV2, VST3 = ARDOUR.PluginType.VST3}
local kind = kinds[os.getenv("PLUGIN_TYPE")] or ARDOUR.PluginType.LXVST
local plugin = ARDOUR.LuaAPI.new_plugin(Session, os.getenv("PLUGIN_NAME"), kind, "")
if plugin:isnil() then io.stderr:write("Ardour does not know the plug-in\n"); os.exit(1) end
track:add_processor_by_index(plugin, 0, nil, true)
Session:save_state("", false, false, false, false, false)
close_session()
