// Standard MIDI files into a synthesizer: every event on its frame through
// tempo changes and running status; broken files refused in one line.
#include <gtest/gtest.h>

#include <fstream>

#include "quor-host/host_error.h"
#include "quor-host/midi_file.h"
#include "tests/host/test_audio.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Chunk(const char* type, const Bytes& body) {
  Bytes chunk(type, type + 4);
  const auto size = static_cast<std::uint32_t>(body.size());
  for (int shift = 24; shift >= 0; shift -= 8)
    chunk.push_back(static_cast<std::uint8_t>(size >> shift));
  chunk.insert(chunk.end(), body.begin(), body.end());
  return chunk;
}

Bytes Header(int format, int tracks, int division) {
  return Chunk("MThd",
               {0, static_cast<std::uint8_t>(format), 0, static_cast<std::uint8_t>(tracks),
                static_cast<std::uint8_t>(division >> 8), static_cast<std::uint8_t>(division)});
}

// Type 1, 480 ticks per quarter: the tempo track plays 120 bpm, then 60 bpm
// from beat 2; the note track uses running status and delta times of two
// bytes, and has an unknown chunk beside it.
Bytes Song() {
  Bytes file = Header(1, 2, 480);
  const Bytes tempo = Chunk("MTrk", {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,        // 120 bpm
                                     0x87, 0x40, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,  // 960: 60 bpm
                                     0x00, 0xFF, 0x2F, 0x00});
  const Bytes notes = Chunk("MTrk", {0x83, 0x60, 0x90, 60,   100,   // 480: on, 0.5 s
                                     0x87, 0x40, 60,   0,           // 1440: off by velocity 0, 2 s
                                     0x00, 0xF0, 0x02, 0x7E, 0xF7,  // a system exclusive message
                                     0x83, 0x60, 0x90, 62,   127,   // 1920: 3 s
                                     0x81, 0x70, 0x80, 62,   0,     // 2160: 3.5 s
                                     0x00, 0xFF, 0x2F, 0x00});
  const Bytes other = Chunk("XFIH", {1, 2, 3});
  for (const Bytes* part : {&tempo, &other, &notes})
    file.insert(file.end(), part->begin(), part->end());
  return file;
}

void Write(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

TEST(Midi, EventsLandOnTheirFramesThroughTheTempoMap) {
  ScratchFolder scratch;
  Write(scratch.Path("song.mid"), Song());
  const RunResult result = RunHost({"render", FIXTURE_SYNTH, "--midi", scratch.Path("song.mid"),
                                    "-o", scratch.Path("out.wav"), "--block", "100"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.err.find("1 system exclusive"), std::string::npos) << result.err;
  int rate = 0;
  const Channels output = ReadAudio(scratch.Path("out.wav"), &rate);
  ASSERT_EQ(rate, 48000);                // no audio input: the default rate
  ASSERT_EQ(output[0].size(), 168000u);  // the end of the last track: 3.5 s
  const auto level = [](int velocity) {
    return static_cast<double>(static_cast<float>(velocity / 127.0));
  };
  EXPECT_EQ(output[0][23999], 0.0);
  EXPECT_EQ(output[0][24000], level(100));
  EXPECT_EQ(output[1][95999], level(100));
  EXPECT_EQ(output[0][96000], 0.0);
  EXPECT_EQ(output[0][143999], 0.0);
  EXPECT_EQ(output[0][144000], level(127));
  EXPECT_EQ(output[0][167999], level(127));
}

TEST(Midi, HangingNotesEndWithTheFile) {
  ScratchFolder scratch;
  Bytes file = Header(0, 1, 96);
  const Bytes track = Chunk("MTrk", {0x00, 0x91, 64, 90, 0x60, 0xFF, 0x2F, 0x00});  // 0.5 s
  file.insert(file.end(), track.begin(), track.end());
  Write(scratch.Path("hanging.mid"), file);
  const RunResult result = RunHost({"render", FIXTURE_SYNTH, "--midi", scratch.Path("hanging.mid"),
                                    "-o", scratch.Path("out.wav")});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.err.find("1 notes still sound"), std::string::npos) << result.err;
  EXPECT_EQ(ReadAudio(scratch.Path("out.wav"))[0].size(), 24000u);
}

TEST(Midi, BrokenFilesAreRefused) {
  const Bytes song = Song();
  const std::vector<std::pair<Bytes, std::string>> cases = {
      {Bytes(song.begin(), song.begin() + 30), "truncated"},
      {Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96}, "no MThd"},
      {[] {
         Bytes file = Header(2, 1, 96);
         const Bytes track = Chunk("MTrk", {0x00, 0xFF, 0x2F, 0x00});
         file.insert(file.end(), track.begin(), track.end());
         return file;
       }(),
       "type 2"},
      {[] {
         Bytes file = Header(0, 1, 96);
         const Bytes track = Chunk("MTrk", {0x00, 60, 100});
         file.insert(file.end(), track.begin(), track.end());
         return file;
       }(),
       "a data byte without a status"},
      {[] {
         Bytes file = Header(0, 1, 96);
         const Bytes track = Chunk("MTrk", {0x80, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 100});
         file.insert(file.end(), track.begin(), track.end());
         return file;
       }(),
       "longer than four bytes"},
      {[] {
         Bytes file = Header(0, 1, 0);
         const Bytes track = Chunk("MTrk", {0x00, 0xFF, 0x2F, 0x00});
         file.insert(file.end(), track.begin(), track.end());
         return file;
       }(),
       "zero ticks per quarter"},
  };
  for (const auto& [bytes, message] : cases) {
    SCOPED_TRACE(message);
    std::string error = "accepted";
    try {
      ParseMidiFile(bytes);
    } catch (const HostError& thrown) {
      error = thrown.what();
    }
    EXPECT_NE(error.find(message), std::string::npos) << error;
  }
}

}  // namespace
