#include "quor-host/command_line.h"

#include <algorithm>
#include <cstdlib>

#include "quor-host/host_error.h"
#include "quor-host/text.h"

namespace {

constexpr long long kMaxBlockSize = 1 << 20;
constexpr long long kMaxChannels = 1024;
constexpr long long kMaxTracks = 512;
constexpr long long kMinRate = 1000;
constexpr long long kMaxRate = 768000;

int WholeNumber(std::string_view option, const std::string& text, long long low, long long high) {
  const auto value = ParseInteger(text);
  if (!value || *value < low || *value > high) {
    throw UsageError(std::string(option) +
                     Format(" takes a whole number from %lld to %lld, not \"", low, high) + text +
                     "\"");
  }
  return static_cast<int>(*value);
}

// "N=FILE" or "N:FILE": the track number runs up to the first non-digit.
TrackFile ParseTrack(const std::string& text) {
  const auto separator = text.find_first_not_of("0123456789");
  if (separator == 0 || separator == std::string::npos ||
      (text[separator] != '=' && text[separator] != ':') || separator + 1 == text.size()) {
    throw UsageError("--track takes N=FILE or N:FILE, not \"" + text + "\"");
  }
  return {WholeNumber("--track", text.substr(0, separator), 1, kMaxTracks),
          text.substr(separator + 1)};
}

double Level(std::string_view option, const std::string& text, double low, const char* unit) {
  const auto value = ParseNumber(text);
  if (!value || *value > 0.0 || *value < low) {
    throw UsageError(std::string(option) +
                     Format(" takes a level from %g to 0 %s, not \"", low, unit) + text + "\"");
  }
  return *value;
}

double Seconds(std::string_view option, const std::string& text) {
  const auto value = ParseNumber(text);
  if (!value || *value < 0.0 || *value > 3600.0) {
    throw UsageError(std::string(option) + " takes seconds from 0 to 3600, not \"" + text + "\"");
  }
  return *value;
}

constexpr OptionEntry kOptions[] = {
    {"--output", "-o", "FILE", "",
     "the file to write; its extension chooses the format (required); - writes it to standard "
     "output, and the report to standard error",
     [](Options& o, const std::string& v) { o.output = v; }},
    {"--track", "", "N=FILE", "",
     "put FILE on track N (N:FILE works too); files named without --track take the tracks in "
     "order from track 1; unfed tracks get silence",
     [](Options& o, const std::string& v) { o.tracks.push_back(ParseTrack(v)); }},
    {"--midi", "", "FILE.mid", "", "play a standard MIDI file (type 0 or 1) into the plug-in",
     [](Options& o, const std::string& v) { o.midiFile = v; }},
    {"--rate", "", "HZ", "the first input's rate, 48000 without inputs",
     "the sample rate to render at; inputs at other rates are resampled",
     [](Options& o, const std::string& v) {
       o.sampleRate = WholeNumber("--rate", v, kMinRate, kMaxRate);
     }},
    {"--bits", "", "16|24|32|32f", "32f, 24 for FLAC",
     "the output's samples: 16-, 24- or 32-bit integers (see --dither) or 32-bit float",
     [](Options& o, const std::string& v) {
       o.bits = ParseSampleFormat(v);
       if (!o.bits) throw UsageError("--bits takes 16, 24, 32 or 32f, not \"" + v + "\"");
     }},
    {"--outputs", "", "N",
     "the plug-in's outputs up to the last that was not digitally silent throughout, the first "
     "two at least",
     "write the first N outputs, silent or not",
     [](Options& o, const std::string& v) {
       o.outputs = WholeNumber("--outputs", v, 1, kMaxChannels);
     }},
    {"--tail", "", "SECONDS",
     "until every sample of the output stays below -120 dBFS for 0.5 s, at most 30 s",
     "how long to render on after the inputs end",
     [](Options& o, const std::string& v) { o.tailSeconds = Seconds("--tail", v); }},
    {"--no-compensate", "", "", "compensated",
     "keep the plug-in's latency in the output instead of removing it",
     [](Options& o, const std::string&) { o.compensate = false; }},
    {"--allow-clip", "", "", "a failure",
     "write the file even when samples lie beyond full scale: clipped in integer and encoded "
     "formats, kept as they are in float ones (which whatever plays them clips)",
     [](Options& o, const std::string&) { o.allowClip = true; }},
    {"--normalize", "", "DBFS", "-1",
     "scale the whole output so that its sample peak sits at DBFS (give it as --normalize=DBFS); "
     "an output below -120 dBFS is silence and stays as it is",
     [](Options& o, const std::string& v) {
       o.normalizeDbfs =
           v.empty() ? kDefaultNormalizeDbfs : Level("--normalize", v, -100.0, "dBFS");
     },
     true},
    {"--normalize-lufs", "", "LUFS", "",
     "scale the whole output so that the integrated loudness (EBU R 128) of its loudest pair of "
     "outputs sits at LUFS, as far as --true-peak-max allows; one gain for all outputs",
     [](Options& o, const std::string& v) {
       o.normalizeLufs = Level("--normalize-lufs", v, -70.0, "LUFS");
     }},
    {"--true-peak-max", "", "DBTP", "-1",
     "the highest true peak that --normalize-lufs may raise the output to",
     [](Options& o, const std::string& v) {
       o.truePeakMaxDbtp = Level("--true-peak-max", v, -100.0, "dBTP");
     }},
    {"--split", "", "", "",
     "write each pair of outputs to a file of its own, named as OUT with the pair's name before "
     "its extension where the plug-in's output labels name every pair apart (OUT-Drums.wav for "
     "\"Drums L\" and \"Drums R\"), else with -1, -2, ... (outputs 1-2, 3-4, ...)",
     [](Options& o, const std::string&) { o.split = true; }},
    {"--dither", "", "none|tpdf", "tpdf",
     "what fills the rounding error of integer samples: triangular dither of one step peak, "
     "given only to samples the file cannot hold exactly, or none",
     [](Options& o, const std::string& v) {
       if (v != "none" && v != "tpdf")
         throw UsageError("--dither takes none or tpdf, not \"" + v + "\"");
       o.dither = v == "none" ? Dither::kNone : Dither::kTpdf;
     }},
    {"--format", "", "EXT", "the output's extension; wav for standard output",
     "the output's format by its extension's name (wav, flac, ...), for -o - and for names "
     "without that extension",
     [](Options& o, const std::string& v) { o.format = Lower(v); }},
    {"--timeout", "", "SECONDS", "60",
     "how long the plug-in may take to answer (to load, for one block, to close) before it "
     "counts as hung and the render fails, and how long an input that is a pipe or FIFO may "
     "take to start; 0 waits for ever",
     [](Options& o, const std::string& v) { o.timeoutSeconds = Seconds("--timeout", v); }},
    {"--allow-nonfinite", "", "", "a failure",
     "write the file even when the plug-in puts out NaN or infinite samples: as they are in float "
     "files, as silence or full scale in the others",
     [](Options& o, const std::string&) { o.allowNonFinite = true; }},
    {"--play", "", "", "",
     "play the audio files named after the plug-in through it, in a loop and in real time, "
     "while its editor is open",
     [](Options& o, const std::string&) { o.play = true; }},
    {"--show-edits", "", "", "",
     "print each gesture and parameter change the editor reports to the host (begin-edit, "
     "automate, end-edit)",
     [](Options& o, const std::string&) { o.showEdits = true; }},
    {"--scale", "", "S", "the desktop's",
     "the editor's scale, from 0.75 to 2 (1.5 or 150%), as QUOR_EDITOR_SCALE tells the plug-in: "
     "QUOR's editor and any that read it follow it",
     [](Options& o, const std::string& v) {
       char* end = nullptr;
       const double scale = std::strtod(v.c_str(), &end);
       if (end == v.c_str() || !(*end == '\0' || (*end == '%' && end[1] == '\0')) || !(scale > 0.))
         throw UsageError("--scale takes a number or a percentage, not \"" + v + "\"");
       o.editorScale = v;
     }},
    {"--json", "", "", "", "print the report as JSON",
     [](Options& o, const std::string&) { o.json = true; }},
    {"--block", "", "N", "512", "frames per process call",
     [](Options& o, const std::string& v) {
       o.blockSize = WholeNumber("--block", v, 1, kMaxBlockSize);
     }},
    {"--precision", "", "32|64", "64 where the plug-in can", "the processing precision in bits",
     [](Options& o, const std::string& v) {
       if (v == "32") {
         o.precision = Precision::kSingle;
       } else if (v == "64") {
         o.precision = Precision::kDouble;
       } else {
         throw UsageError("--precision takes 32 or 64, not \"" + v + "\"");
       }
     }},
    {"--in-place", "", "", "", "hand the plug-in the same buffers for its inputs and outputs",
     [](Options& o, const std::string&) { o.inPlace = true; }},
    {"--state", "", "FILE", "",
     "load a program (.fxp), bank (.fxb) or raw chunk file into the plug-in first",
     [](Options& o, const std::string& v) { o.stateFile = v; }},
    {"--set", "", "NAME=VALUE", "",
     "set a parameter, after --state: NAME=TEXT as the plug-in displays it, NAME=NUMBER in its "
     "displayed unit (for one that shows words, 0 for its first, 1 for its second), "
     "NAME=@0.25 normalised, INDEX=0.25 normalised; names match whatever their case; repeatable",
     [](Options& o, const std::string& v) { o.settings.push_back(ParseSetting(v)); }},
    {"--help", "-h", "", "", "show this help",
     [](Options& o, const std::string&) { o.help = true; }},
};

}  // namespace

const OptionEntry& FindOption(std::string_view name) {
  for (const OptionEntry& option : kOptions) {
    if (option.name == name || (!option.alias.empty() && option.alias == name)) return option;
  }
  throw UsageError("unknown option " + std::string(name));
}

Options ParseOptions(std::span<const std::string> words,
                     std::span<const std::string_view> allowed) {
  Options options;
  for (std::size_t i = 0; i < words.size(); ++i) {
    std::string word = words[i];
    std::optional<std::string> attached;
    if (word.starts_with("--") && word.find('=') != std::string::npos) {
      attached = word.substr(word.find('=') + 1);
      word = word.substr(0, word.find('='));
    }
    const bool isOption = word.size() > 1 && word.front() == '-';
    if (!isOption) {
      options.positional.push_back(word);
      continue;
    }
    const OptionEntry* found = nullptr;
    for (const OptionEntry& option : kOptions)
      if (option.name == word || (!option.alias.empty() && option.alias == word)) found = &option;
    const bool known = found != nullptr &&
                       (found->name == "--help" ||
                        std::find(allowed.begin(), allowed.end(), found->name) != allowed.end());
    if (!known) {
      std::vector<std::string> names = {"--help"};
      for (const std::string_view name : allowed)
        names.emplace_back(name);
      const auto nearest = Nearest(word, names);
      throw UsageError((found ? "this command takes no " : "unknown option ") + word +
                       (nearest ? "; did you mean " + *nearest + "?" : "") +
                       " (--help lists its options)");
    }
    const OptionEntry& option = *found;
    std::string value;
    if (option.value.empty()) {
      if (attached) throw UsageError(word + " takes no value");
    } else if (attached || option.valueOptional) {
      value = attached.value_or("");
    } else {
      if (i + 1 >= words.size()) throw UsageError(word + " needs a value");
      value = words[++i];
    }
    option.apply(options, value);
  }
  return options;
}
