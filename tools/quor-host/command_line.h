// The options of every command, each described once: the parser, the help
// text and the manual page are all made from the table in command_line.cpp.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "quor-host/output_format.h"
#include "quor-host/parameter_settings.h"

enum class Precision { kSingle, kDouble };

// A stem placed on a track by --track N=FILE.
struct TrackFile {
  int track = 0;  // from 1
  std::string path;
};

struct Options {
  std::vector<std::string> positional;
  std::optional<std::string> output;       // -o
  int blockSize = 512;                     // --block
  std::optional<Precision> precision;      // --precision 32|64
  std::optional<int> outputs;              // --outputs
  std::vector<ParameterSetting> settings;  // --set, in order
  std::optional<std::string> stateFile;    // --state
  bool inPlace = false;                    // --in-place: outputs overwrite the inputs
  std::vector<TrackFile> tracks;           // --track
  std::optional<SampleFormat> bits;        // --bits
  bool allowClip = false;                  // --allow-clip
  std::optional<double> normalizeDbfs;     // --normalize[=DBFS]
  std::optional<double> normalizeLufs;     // --normalize-lufs
  std::optional<double> truePeakMaxDbtp;   // --true-peak-max
  bool split = false;                      // --split
  Dither dither = Dither::kTpdf;           // --dither
  std::optional<std::string> format;       // --format: an extension's name
  double timeoutSeconds = 60.0;            // --timeout; 0: none
  bool allowNonFinite = false;             // --allow-nonfinite
  std::optional<double> tailSeconds;       // --tail; none: until quiet
  bool compensate = true;                  // --no-compensate
  std::optional<int> sampleRate;           // --rate
  bool json = false;                       // --json
  std::optional<std::string> midiFile;     // --midi
  bool help = false;                       // --help
  bool play = false;                       // --play: the files after the plug-in play
  bool showEdits = false;                  // --show-edits
  std::optional<std::string> editorScale;  // --scale, as given
};

struct OptionEntry {
  std::string_view name;         // "--block"
  std::string_view alias;        // "-o", or empty
  std::string_view value;        // what the value is called; empty for a switch
  std::string_view defaultText;  // shown in the help; empty when there is none
  std::string_view help;
  void (*apply)(Options& options, const std::string& value);
  bool valueOptional = false;  // the value only comes attached: --name=VALUE
};

// The option of this name or alias; throws UsageError when there is none.
const OptionEntry& FindOption(std::string_view name);

// Parses the words after the command, accepting only the named options.
// Throws UsageError for unknown options, missing values and bad numbers.
Options ParseOptions(std::span<const std::string> words, std::span<const std::string_view> allowed);

constexpr double kDefaultNormalizeDbfs = -1.0;
constexpr double kDefaultTruePeakMaxDbtp = -1.0;
constexpr double kTailCapSeconds = 30.0;
constexpr double kTailQuietSeconds = 0.5;
constexpr double kTailQuietDbfs = -120.0;
