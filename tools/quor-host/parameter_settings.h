// Parameters set from the command line: by name (matched without regard to
// case) with the text the plug-in displays, a number in its displayed unit or
// "@VALUE" normalised; or by index with a normalised value.
#pragma once

#include <string>
#include <vector>

class Plugin;

struct ParameterSetting {
  std::string target;  // name or index
  std::string value;
};

ParameterSetting ParseSetting(const std::string& argument);  // throws UsageError

// Throws HostError for names, indices and values the plug-in does not take;
// returns a warning for each value it limited to its range.
std::vector<std::string> ApplySettings(const Plugin& plugin,
                                       const std::vector<ParameterSetting>& settings);
