// The user's own presets: program files (.fxp, chunk form) in
// $XDG_CONFIG_HOME/QUOR/presets (~/.config/QUOR/presets), each a whole state,
// names included, under the file's name. Read and written by the editor on
// its own thread, apart from the plug-in instance.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "framework/program_file.h"
#include "plugin/quor.h"

struct UserPreset {
  std::string mName;  // the file's name without ".fxp"
  std::string mPath;
};

std::string UserPresetFolder();

// The presets in a folder, by name; none when it does not exist.
std::vector<UserPreset> ListUserPresets(const std::string& folder);

// Writes the file whole or not at all (a new file put in place of the old);
// the preset takes the file's name. False, with the reason, when it could
// not be written.
bool SaveUserPreset(const std::string& path, const ProgramFileIdentity& identity,
                    const QUOR::State& state, std::string* error);

// The state a program file of QUOR holds; none for anything else.
std::optional<QUOR::State> LoadUserPreset(const std::string& path);

// "Vocal take 2" for ".../Vocal take 2.fxp".
std::string PresetNameOf(const std::string& path);
