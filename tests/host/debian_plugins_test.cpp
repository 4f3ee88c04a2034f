// quor-host with plug-ins and tools from Debian: a reverb's tail, a
// look-ahead limiter's latency, a synthesizer playing a MIDI file, and the
// loudness report against ffmpeg's measurement. Each test skips when its
// package is missing (scripts/install-deps --with-plugins installs them).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>

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

struct Loudness {
  double integrated = 0.0;  // LUFS
  double range = 0.0;       // LU
  double truePeak = 0.0;    // dBTP, the larger of two channels
};

// ffmpeg's measurement, the last of the values its ebur128 filter prints.
Loudness MeasuredByFfmpeg(const std::string& path) {
  const std::string log = path + ".r128";
  Output("ffmpeg -nostats -hide_banner -i '" + path +
         "' -af ebur128=peak=true:metadata=1,ametadata=print:file='" + log + "' -f null - 2>&1");
  std::ifstream lines(log);
  Loudness loudness;
  double peaks[2] = {};
  for (std::string line; std::getline(lines, line);) {
    const auto value = [&](const char* key) {
      return line.starts_with(key) ? std::optional(std::stod(line.substr(std::strlen(key))))
                                   : std::nullopt;
    };
    if (auto v = value("lavfi.r128.I=")) loudness.integrated = *v;
    if (auto v = value("lavfi.r128.LRA=")) loudness.range = *v;
    if (auto v = value("lavfi.r128.true_peaks_ch0=")) peaks[0] = *v;
    if (auto v = value("lavfi.r128.true_peaks_ch1=")) peaks[1] = *v;
  }
  loudness.truePeak = 20.0 * std::log10(std::max(peaks[0], peaks[1]));
  return loudness;
}

Loudness Reported(const RunResult& result) {
  const auto report = nlohmann::json::parse(result.out);
  return {report["loudness"][0]["integrated_lufs"], report["loudness"][0]["range_lu"],
          report["loudness"][0]["true_peak_dbtp"]};
}

// Two levels a few seconds each, so that the loudness range is not zero.
void WriteTwoLevels(const std::string& path) {
  std::vector<double> left, right;
  for (std::size_t i = 0; i < static_cast<std::size_t>(kRate) * 8; ++i) {
    const double level = i < static_cast<std::size_t>(kRate) * 4 ? 0.05 : 0.3;
    const double t = static_cast<double>(i) / kRate;
    left.push_back(
        static_cast<double>(static_cast<float>(level * std::sin(2.0 * M_PI * 997.0 * t))));
    right.push_back(
        static_cast<double>(static_cast<float>(level * 0.5 * std::sin(2.0 * M_PI * 3001.0 * t))));
  }
  WriteFloatWav(path, {left, right}, kRate);
}

// Pink noise under a slow tremolo, whose loudness range a once-a-second
// short-term loudness misses.
void WriteModulatedNoise(const std::string& path) {
  Output(
      "ffmpeg -v error -y -f lavfi -i 'anoisesrc=color=pink:duration=20:sample_rate=48000:"
      "amplitude=0.3:seed=1,tremolo=f=0.5:d=0.8,aformat=channel_layouts=stereo' "
      "-c:a pcm_f32le '" +
      path + "' 2>&1");
}

#define REQUIRE_FFMPEG() \
  if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ffmpeg"

TEST(DebianPlugins, LoudnessMatchesFfmpeg) {
  REQUIRE_FFMPEG();
  ScratchFolder scratch;
  WriteTwoLevels(scratch.Path("levels.wav"));
  WriteModulatedNoise(scratch.Path("noise.wav"));
  std::vector<std::pair<std::string, std::vector<std::string>>> renders = {
      {"levels", {FIXTURE_GAIN, scratch.Path("levels.wav")}},
      {"modulated noise", {FIXTURE_GAIN, scratch.Path("noise.wav")}}};
#if defined(QUOR_PLUGIN) && defined(MAKE_STEMS)
  // Programme material: the demo's stems mixed through QUOR.
  ASSERT_EQ(
      std::system(
          (std::string(MAKE_STEMS) + " '" + scratch.Path("stems") + "' 10 >/dev/null").c_str()),
      0);
  std::vector<std::string> mix = {QUOR_PLUGIN, "--outputs", "2", "--set", "Master Output=-12"};
  for (const auto& stem : std::filesystem::directory_iterator(scratch.Path("stems")))
    mix.push_back(stem.path().string());
  renders.push_back({"programme", mix});
#endif
  for (const auto& [name, arguments] : renders) {
    const std::string output = scratch.Path("measured " + name + ".wav");
    std::vector<std::string> command = {"render", "-o", output, "--json", "--tail", "0"};
    command.insert(command.begin() + 1, arguments.front());
    command.insert(command.end(), arguments.begin() + 1, arguments.end());
    const RunResult result = RunHost(command);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Loudness ours = Reported(result);
    const Loudness theirs = MeasuredByFfmpeg(output);
    ASSERT_NE(theirs.integrated, 0.0) << "ffmpeg gave no measurement";
    EXPECT_NEAR(ours.integrated, theirs.integrated, 0.1) << name;
    EXPECT_NEAR(ours.range, theirs.range, 0.3) << name;
    std::printf(
        "%s: integrated loudness quor-host %.3f LUFS, ffmpeg %.3f LUFS; range %.2f / "
        "%.2f LU\n",
        name.c_str(), ours.integrated, theirs.integrated, ours.range, theirs.range);
  }
}

TEST(DebianPlugins, NormalisingToALoudnessLandsUnderTheTruePeakCeiling) {
  REQUIRE_FFMPEG();
  ScratchFolder scratch;
  WriteTwoLevels(scratch.Path("levels.wav"));
  WriteModulatedNoise(scratch.Path("noise.wav"));
  // The levels reach -14 LUFS; the noise's peaks stop it short of that.
  for (const char* input : {"levels", "noise"}) {
    for (const char* bits : {"32f", "16"}) {
      const std::string output = scratch.Path(std::string(input) + bits + ".wav");
      const RunResult result =
          RunHost({"render", FIXTURE_GAIN, "-o", output, scratch.Path(std::string(input) + ".wav"),
                   "--bits", bits, "--normalize-lufs", "-14", "--json", "--tail", "0"});
      ASSERT_EQ(result.exitCode, 0) << result.err;
      const Loudness theirs = MeasuredByFfmpeg(output);
      if (std::string(input) == "levels") {
        EXPECT_NEAR(theirs.integrated, -14.0, 0.2) << output;
      }
      EXPECT_LT(theirs.truePeak, -1.0) << output;
      EXPECT_LT(Reported(result).truePeak, -1.0) << output;
      std::printf("--normalize-lufs -14, %s, %s bits: ffmpeg measures %.3f LUFS, %.3f dBTP\n",
                  input, bits, theirs.integrated, theirs.truePeak);
    }
  }
}

}  // namespace
