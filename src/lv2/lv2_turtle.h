// The Turtle files of a plug-in's LV2 bundle, written from its description:
// the manifest that hosts read first, the plug-in with its ports, the UI,
// the factory presets.
#pragma once

#include <string>

#include "lv2/lv2_description.h"

std::string ManifestTurtle(const Lv2Description& description);
std::string PluginTurtle(const Lv2Description& description);
std::string UiTurtle(const Lv2Description& description);
std::string PresetsTurtle(const Lv2Description& description);
