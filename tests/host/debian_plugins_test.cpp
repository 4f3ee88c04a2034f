// quor-host with plug-ins and tools from Debian: a reverb's tail, a
// look-ahead limiter's latency, a synthesizer playing a MIDI file, and the
// loudness report against ffmpeg's measurement. Each test skips when its
// package is missing (scripts/install-deps --with-plugins installs them).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "tests/host/test_audio.h"

namespace {

constexpr int kRate = 48000;
constexpr const char* kReverb = "/usr/lib/lxvst/DragonflyRoomReverb-vst.so";
constexpr const char* kLimiter = "/usr/lib/vst/lsp-plugins/limiter-stereo.so";
constexpr const char* kSynth = "/usr/lib/vst/Kars-vst.so";

#define REQUIRE_FILE(path) \
  if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is not installed"

std::vector<double> Burst(std::size_t frames, std::size_t length, double amplitude) {
  std::vector<double> signal(frames, 0.0);
  for (std::size_t i = 0; i < length; ++i)
    signal[i] = static_cast<double>(
        static_cast<float>(amplitude * std::sin(0.05 * static_cast<double>(i))));
  return signal;
}

double Energy(const std::vector<double>& signal, std::size_t from, std::size_t to) {
  double sum = 0.0;
  for (std::size_t i = from; i < std::min(to, signal.size()); ++i)
    sum += signal[i] * signal[i];
  return sum;
}

std::size_t LoudestFrame(const std::vector<double>& signal) {
  std::size_t loudest = 0;
  for (std::size_t i = 0; i < signal.size(); ++i)
    if (std::abs(signal[i]) > std::abs(signal[loudest])) loudest = i;
  return loudest;
}

std::string Output(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    while (const std::size_t read = fread(buffer, 1, sizeof buffer, pipe))
      text.append(buffer, read);
    pclose(pipe);
  }
  return text;
}

TEST(DebianPlugins, AReverbTailIsKept) {
  REQUIRE_FILE(kReverb);
  ScratchFolder scratch;
  const std::vector<double> burst = Burst(kRate / 2, kRate / 20, 0.5);
  WriteFloatWav(scratch.Path("dry.wav"), {burst, burst}, kRate);
  // Found by its bare name in /usr/lib/lxvst; its parameters take no text,
  // so the decay is set as the number it displays.
  const RunResult wet =
      RunHost({"render", "DragonflyRoomReverb-vst", "-o", scratch.Path("wet.wav"),
               scratch.Path("dry.wav"), "--set", "decay=2", "--set", "Dry Level=0"});
  ASSERT_EQ(wet.exitCode, 0) << wet.err;
  const Channels output = ReadAudio(scratch.Path("wet.wav"));
  EXPECT_GT(output[0].size(), burst.size() + kRate) << wet.out;  // over a second of tail
  EXPECT_GT(Energy(output[0], burst.size(), output[0].size()), 1e-3);
  EXPECT_NE(wet.out.find("(until below -120 dBFS)"), std::string::npos) << wet.out;
  std::printf("reverb tail: %.2f s\n",
              static_cast<double>(output[0].size() - burst.size()) / kRate);
  const RunResult cut = RunHost(
      {"render", kReverb, "-o", scratch.Path("cut.wav"), scratch.Path("dry.wav"), "--tail", "0"});
  ASSERT_EQ(cut.exitCode, 0) << cut.err;
  EXPECT_EQ(ReadAudio(scratch.Path("cut.wav"))[0].size(), burst.size());
}

TEST(DebianPlugins, ALimitersLatencyIsRemovedToTheSample) {
  REQUIRE_FILE(kLimiter);
  ScratchFolder scratch;
  std::vector<double> click(kRate / 2, 0.0);
  click[12000] = 0.1;  // well below the threshold: the limiter only delays it
  WriteFloatWav(scratch.Path("click.wav"), {click, click}, kRate);
  const RunResult aligned = RunHost({"render", kLimiter, "-o", scratch.Path("aligned.wav"),
                                     scratch.Path("click.wav"), "--json", "--tail", "0"});
  ASSERT_EQ(aligned.exitCode, 0) << aligned.err;
  const auto report = nlohmann::json::parse(aligned.out);
  const int latency = report["latency"]["samples"];
  EXPECT_GT(latency, 0);
  std::printf("limiter latency: %d samples\n", latency);
  const Channels output = ReadAudio(scratch.Path("aligned.wav"));
  ASSERT_EQ(output[0].size(), click.size());
  EXPECT_EQ(LoudestFrame(output[0]), 12000u);
  EXPECT_NEAR(output[0][12000], 0.1, 1e-3);

  const RunResult late = RunHost({"render", kLimiter, "-o", scratch.Path("late.wav"),
                                  scratch.Path("click.wav"), "--no-compensate"});
  ASSERT_EQ(late.exitCode, 0) << late.err;
  EXPECT_EQ(LoudestFrame(ReadAudio(scratch.Path("late.wav"))[0]),
            12000u + static_cast<std::size_t>(latency));
}

TEST(DebianPlugins, ASynthesizerPlaysAMidiFile) {
  REQUIRE_FILE(kSynth);
  ScratchFolder scratch;
  // Type 0, 96 ticks per quarter at 120 bpm: a note at 0.25 s for half a second.
  const unsigned char song[] = {'M', 'T', 'h',  'd',  0,   0,   0,    6,    0,    0,   0,    1,
                                0,   96,  'M',  'T',  'r', 'k', 0,    0,    0,    12,  0x30, 0x90,
                                57,  110, 0x60, 0x80, 57,  0,   0x00, 0xFF, 0x2F, 0x00};
  std::ofstream(scratch.Path("note.mid"), std::ios::binary)
      .write(reinterpret_cast<const char*>(song), sizeof song);
  const RunResult result = RunHost({"render", "Kars-vst.so", "--midi", scratch.Path("note.mid"),
                                    "-o", scratch.Path("note.flac"), "--rate", "44100"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  int rate = 0;
  const Channels output = ReadAudio(scratch.Path("note.flac"), &rate);
  EXPECT_EQ(rate, 44100);
  ASSERT_EQ(output.size(), 1u);
  ASSERT_GE(output[0].size(), 33075u);          // at least to the end of the file: 0.75 s
  EXPECT_EQ(Energy(output[0], 0, 11025), 0.0);  // silent before the note
  EXPECT_GT(Energy(output[0], 11025, 33075), 1.0);
}

TEST(DebianPlugins, LoudnessMatchesFfmpeg) {
  if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ffmpeg";
  ScratchFolder scratch;
  // Two levels a few seconds each, so that the loudness range is not zero.
  std::vector<double> left, right;
  for (std::size_t i = 0; i < static_cast<std::size_t>(kRate) * 8; ++i) {
    const double level = i < static_cast<std::size_t>(kRate) * 4 ? 0.05 : 0.3;
    const double t = static_cast<double>(i) / kRate;
    left.push_back(
        static_cast<double>(static_cast<float>(level * std::sin(2.0 * M_PI * 997.0 * t))));
    right.push_back(
        static_cast<double>(static_cast<float>(level * 0.5 * std::sin(2.0 * M_PI * 3001.0 * t))));
  }
  WriteFloatWav(scratch.Path("program.wav"), {left, right}, kRate);
  const RunResult result = RunHost({"render", FIXTURE_GAIN, "-o", scratch.Path("measured.wav"),
                                    scratch.Path("program.wav"), "--json", "--tail", "0"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const auto report = nlohmann::json::parse(result.out);
  const double integrated = report["loudness"][0]["integrated_lufs"];
  const double range = report["loudness"][0]["range_lu"];

  const std::string log = scratch.Path("r128.txt");
  Output("ffmpeg -nostats -hide_banner -i '" + scratch.Path("measured.wav") +
         "' -af ebur128=metadata=1,ametadata=print:file='" + log + "' -f null - 2>&1");
  std::ifstream lines(log);
  std::string line;
  double theirIntegrated = 0.0;
  double theirRange = 0.0;
  while (std::getline(lines, line)) {
    if (line.starts_with("lavfi.r128.I=")) theirIntegrated = std::stod(line.substr(13));
    if (line.starts_with("lavfi.r128.LRA=")) theirRange = std::stod(line.substr(15));
  }
  ASSERT_NE(theirIntegrated, 0.0) << "ffmpeg gave no measurement";
  EXPECT_NEAR(integrated, theirIntegrated, 0.1);
  EXPECT_NEAR(range, theirRange, 0.5);
  std::printf("integrated loudness: quor-host %.3f LUFS, ffmpeg %.3f LUFS; range %.2f / %.2f LU\n",
              integrated, theirIntegrated, range, theirRange);
}

}  // namespace
