// Finding the plug-in a state file was made for, by the unique id it
// reports. Each candidate is loaded in a child process of its own, as host
// scanners do, so that one that crashes or hangs harms nothing.
#pragma once

#include <optional>
#include <string>

#include "vst2/vst2_abi.h"

// The first shared object in the plug-in folders whose effect has the id.
std::optional<std::string> FindPluginById(VstInt32 uniqueId);
