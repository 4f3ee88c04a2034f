#include "quor-host/render_inputs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "quor-host/fx_file.h"
#include "quor-host/host_error.h"

namespace {

constexpr int kRateWithoutInputs = 48000;

bool Identify(const std::string& path, struct stat& status) {
  return path == "-" ? fstat(STDIN_FILENO, &status) == 0 : stat(path.c_str(), &status) == 0;
}

}  // namespace

RenderInputs OpenInputs(const Options& options) {
  RenderInputs inputs;
  inputs.stems =
      ListStems({options.positional.begin() + 1, options.positional.end()}, options.tracks);
  if (inputs.stems.empty() && !options.midiFile) {
    throw UsageError("render needs an input file or --midi");
  }
  if (std::count_if(inputs.stems.begin(), inputs.stems.end(),
                    [](const Stem& stem) { return stem.path == "-"; }) > 1) {
    throw UsageError("standard input (-) can feed one track only");
  }
  for (const Stem& stem : inputs.stems) {
    if (stem.path == "-" && isatty(STDIN_FILENO) != 0) {
      throw UsageError("- reads standard input, which is a terminal: pipe a file into it");
    }
  }
  std::vector<AudioReader> readers;
  for (const Stem& stem : inputs.stems)
    readers.emplace_back(stem.path, options.timeoutSeconds);
  inputs.sampleRate = options.sampleRate.value_or(readers.empty() ? kRateWithoutInputs
                                                                  : readers.front().SampleRate());
  for (AudioReader& reader : readers)
    inputs.sources.emplace_back(std::move(reader), inputs.sampleRate);
  if (options.midiFile) {
    try {
      inputs.midi = ParseMidiFile(ReadWholeFile(*options.midiFile));
    } catch (const HostError& error) {
      const std::string message = error.what();
      throw HostError(message.starts_with(*options.midiFile) ? message
                                                             : *options.midiFile + ": " + message);
    }
  }
  return inputs;
}

void RefuseOverwritingInputs(const std::vector<std::string>& outputs,
                             const std::vector<std::string>& inputs) {
  for (const std::string& output : outputs) {
    struct stat written {};
    if (output == "-" || stat(output.c_str(), &written) != 0) continue;
    for (const std::string& input : inputs) {
      struct stat read {};
      if (Identify(input, read) && read.st_dev == written.st_dev && read.st_ino == written.st_ino) {
        throw UsageError("-o " + output + " is also an input (" + input +
                         "); nothing was written: name another output");
      }
    }
  }
}
