-- export_session(folder, name): renders the session's first second through
-- the master bus into FOLDER/NAME.wav as 32-bit float (the preset the test
-- put in its HOME). Ardour is not safe with more than one export in a
-- process: one per process, and judge by the file.
function export_session(folder, name)
  local export = Session:simple_export()
  if not export:set_preset("5f2e9c1a-7d41-4c3e-9b6a-2a1f0c8e4d11") then
    io.stderr:write("FAIL: no float export preset\n")
    os.exit(1)
  end
  export:set_folder(folder)
  export:set_name(name)
  export:set_range(0, Session:nominal_sample_rate())
  if not export:run_export() then
    io.stderr:write("FAIL: the export failed\n")
    os.exit(1)
  end
end
