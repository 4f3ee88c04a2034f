// Moving a plug-in's state in and out: state files, and program or bank files
// built from the live plug-in.
#pragma once

#include <string>
#include <vector>

#include "quor-host/fx_file.h"
#include "quor-host/plugin.h"

// A raw chunk file or an fxp/fxb; throws HostError when the plug-in cannot
// take it.
void LoadStateFile(const Plugin& plugin, const std::string& path);

// The plug-in's current program or whole bank as a file record.
FxFile CaptureState(const Plugin& plugin, bool bank);

// Whether a state file to write is a bank (.fxb) rather than a program
// (.fxp); throws UsageError for a name with neither extension.
bool IsBankFileName(const std::string& path);
