// What a render reads: the audio files on their tracks, each opened and read
// once (so "-", pipes and process substitutions work), the MIDI file, and
// the sample rate they set.
#pragma once

#include <string>
#include <vector>

#include "quor-host/audio_source.h"
#include "quor-host/command_line.h"
#include "quor-host/input_routing.h"
#include "quor-host/midi_file.h"

struct RenderInputs {
  std::vector<Stem> stems;
  std::vector<AudioSource> sources;
  MidiSequence midi;
  int sampleRate = 0;
};

// Throws UsageError without inputs, HostError for files that do not read.
RenderInputs OpenInputs(const Options& options);

// Throws UsageError when an output would replace a file the render reads
// ("-" is standard input); outputs that do not exist yet clash with nothing.
void RefuseOverwritingInputs(const std::vector<std::string>& outputs,
                             const std::vector<std::string>& inputs);
