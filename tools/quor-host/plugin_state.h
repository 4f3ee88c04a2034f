// Moving a plug-in's state in and out: state files, parameter settings from
// the command line, and program or bank files built from the live plug-in.
#pragma once

#include <string>
#include <vector>

#include "quor-host/fx_file.h"
#include "quor-host/plugin.h"

// "NAME=TEXT" (display text through effString2Parameter) or
// "INDEX=VALUE" (normalised value through setParameter).
struct ParameterSetting {
  std::string target;
  std::string value;
};

ParameterSetting ParseSetting(const std::string& argument);  // throws HostError
void ApplySettings(const Plugin& plugin, const std::vector<ParameterSetting>& settings);

// A raw chunk file or an fxp/fxb; throws HostError when the plug-in cannot
// take it.
void LoadStateFile(const Plugin& plugin, const std::string& path);

// The plug-in's current program or whole bank as a file record.
FxFile CaptureState(const Plugin& plugin, bool bank);
