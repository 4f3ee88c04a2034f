// The options shared by the commands, parsed from the words after the command.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "quor-host/plugin_state.h"

enum class Precision { kSingle, kDouble };

struct Options {
  std::vector<std::string> positional;
  std::optional<std::string> output;       // -o
  int blockSize = 512;                     // --block
  std::optional<Precision> precision;      // --precision 32|64
  std::optional<int> outputs;              // --outputs
  std::vector<ParameterSetting> settings;  // --set, in order
  std::optional<std::string> stateFile;    // --state
  bool inPlace = false;                    // --in-place: outputs overwrite the inputs
};

// Throws HostError for unknown options, missing values and bad numbers.
Options ParseOptions(std::span<const std::string> words);
