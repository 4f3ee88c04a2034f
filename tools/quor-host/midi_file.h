// Standard MIDI files, types 0 and 1, read with bounds checks throughout:
// variable-length numbers, running status, the tempo map (ticks per quarter
// or SMPTE time), meta and system exclusive events skipped.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct MidiMessage {
  double seconds = 0.0;
  std::array<std::uint8_t, 3> bytes{};  // channel messages only; unused bytes zero
};

struct MidiSequence {
  std::vector<MidiMessage> messages;  // in time order
  double endSeconds = 0.0;            // the latest end of track
  int skippedSysex = 0;
  int hangingNotes = 0;  // notes still on at the end: an All Notes Off follows
};

// Throws HostError naming what is wrong and where.
MidiSequence ParseMidiFile(std::span<const std::uint8_t> bytes);
