#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>

#include "framework/four_char_code.h"
#include "quor-host/fx_file.h"
#include "quor-host/text.h"
#include "tests/host/test_audio.h"

namespace {

constexpr int kRate = 48000;

double Decibels(double db) {
  return std::pow(10.0, db / 20.0);
}

// An error is one line on stderr, a non-zero exit and no crash.
void ExpectOneLineError(const RunResult& result, const std::string& fragment) {
  EXPECT_NE(result.exitCode, 0);
  EXPECT_NE(result.err.find(fragment), std::string::npos) << result.err;
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
}

void ExpectScaled(const Channels& output, const Channels& input, double factor) {
  ASSERT_EQ(output.size(), input.size());
  for (std::size_t c = 0; c < input.size(); ++c) {
    ASSERT_EQ(output[c].size(), input[c].size());
    for (std::size_t i = 0; i < input[c].size(); ++i) {
      // The output file holds 32-bit floats.
      ASSERT_EQ(output[c][i], static_cast<double>(static_cast<float>(input[c][i] * factor)))
          << "channel " << c << " frame " << i;
    }
  }
}

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    input = {TestSignal(1000, 0), TestSignal(1000, 1)};
    WriteFloatWav(Path("in.wav"), input, kRate);
  }
  std::string Path(const std::string& name) const { return scratch.Path(name); }
  Channels Render(std::vector<std::string> extra) {
    std::vector<std::string> arguments = {"render", FIXTURE_GAIN, "-o", Path("out.wav"),
                                          Path("in.wav")};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    const RunResult result = RunHost(arguments);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return ReadAudio(Path("out.wav"));
  }

  ScratchFolder scratch;
  Channels input;
};

TEST_F(HostTest, RenderMatchesTheGainInBothPrecisionsAndAnyBlockSize) {
  for (const char* precision : {"32", "64"}) {
    for (const char* block : {"1", "7", "333", "512", "4096"}) {
      SCOPED_TRACE(std::string(precision) + "-bit, block " + block);
      const Channels output =
          Render({"--precision", precision, "--block", block, "--set", "Gain=6"});
      // 32-bit processing rounds the product to float first; so does the file.
      ExpectScaled(output, input, Decibels(6.0));
    }
    // Hosts may hand the same buffers in and out.
    ExpectScaled(Render({"--precision", precision, "--in-place", "--set", "Gain=6"}), input,
                 Decibels(6.0));
  }
}

TEST_F(HostTest, SettingsByNameAndByIndex) {
  ExpectScaled(Render({"--set", "0=0.25", "--set", "1=1"}), input, -Decibels(-12.0));
  ExpectScaled(Render({"--set", "Invert=on", "--set", "Gain=-6"}), input, -Decibels(-6.0));
  const RunResult info = RunHost({"info", FIXTURE_GAIN, "--set", "Gain=3.5"});
  EXPECT_NE(info.out.find("Gain                  3.50              dB"), std::string::npos)
      << info.out;
}

TEST_F(HostTest, MonoFilesFeedBothChannelsOfTheirTrack) {
  WriteFloatWav(Path("mono.wav"), {TestSignal(300, 0)}, kRate);
  WriteFloatWav(Path("long.wav"), {TestSignal(700, 1), TestSignal(700, 2)}, kRate);
  const RunResult result =
      RunHost({"render", FIXTURE_GAIN, "-o", Path("out.wav"), Path("mono.wav"), "--tail", "0"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const Channels output = ReadAudio(Path("out.wav"));
  ASSERT_EQ(output[0].size(), 300u);
  EXPECT_EQ(output[0][299], static_cast<double>(static_cast<float>(TestSignal(300, 0)[299])));
  EXPECT_EQ(output[1], output[0]);
  EXPECT_NE(result.out.find("output  peak dBFS   RMS dBFS"), std::string::npos);
  EXPECT_NE(result.out.find("real-time factor"), std::string::npos);
  for (const char* placement : {"1=", "1:"}) {
    const RunResult placed = RunHost({"render", FIXTURE_GAIN, "-o", Path("placed.wav"), "--track",
                                      placement + Path("mono.wav"), "--tail", "0"});
    ASSERT_EQ(placed.exitCode, 0) << placed.err;
    EXPECT_EQ(ReadAudio(Path("placed.wav")), output);
  }
  // Two files on one track, and a file beyond the plug-in's inputs.
  ExpectOneLineError(RunHost({"render", FIXTURE_GAIN, "-o", Path("x.wav"), Path("mono.wav"),
                              "--track", "1=" + Path("long.wav")}),
                     "fed by both");
  ExpectOneLineError(
      RunHost({"render", FIXTURE_GAIN, "-o", Path("x.wav"), Path("mono.wav"), Path("long.wav")}),
      "on track 2");
}

TEST_F(HostTest, OutputsOptionAndLevels) {
  WriteFloatWav(Path("full.wav"), {std::vector<double>(100, 0.5), std::vector<double>(100, 0.0)},
                kRate);
  const RunResult result =
      RunHost({"render", FIXTURE_GAIN, "-o", Path("one.wav"), Path("full.wav"), "--outputs", "1"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(ReadAudio(Path("one.wav")).size(), 1u);
  EXPECT_NE(result.out.find("     1      -6.02      -6.02"), std::string::npos) << result.out;
  ExpectOneLineError(
      RunHost({"render", FIXTURE_GAIN, "-o", Path("x.wav"), Path("in.wav"), "--outputs", "3"}),
      "2 outputs");
}

TEST_F(HostTest, ProgramAndBankFilesRoundTrip) {
  for (const char* name : {"state.fxp", "state.fxb"}) {
    SCOPED_TRACE(name);
    const RunResult saved = RunHost(
        {"state", "save", FIXTURE_GAIN, Path(name), "--set", "Gain=-9", "--set", "Invert=on"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const RunResult shown = RunHost({"state", "show", Path(name), FIXTURE_GAIN});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    // The chunk's values, read back through the plug-in.
    EXPECT_NE(shown.out.find("Gain                  -9.00"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("Invert                on"), std::string::npos);
    EXPECT_NE(shown.out.find("plug-in id:     FxGn"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("version:        10203"), std::string::npos);
    EXPECT_NE(shown.out.find("chunk size:     24 bytes"), std::string::npos);
    EXPECT_NE(shown.out.find("framework:      0x00010000 (v1.0.0)"), std::string::npos);
    ExpectScaled(Render({"--state", Path(name)}), input, -Decibels(-9.0));
  }
  const RunResult program = RunHost({"state", "show", Path("state.fxp"), FIXTURE_GAIN});
  EXPECT_NE(program.out.find("program name:   Init"), std::string::npos) << program.out;
}

TEST_F(HostTest, RawChunkAndParameterFormFilesLoad) {
  const RunResult saved =
      RunHost({"state", "save", FIXTURE_GAIN, Path("s.fxp"), "--set", "0=0.75"});
  ASSERT_EQ(saved.exitCode, 0) << saved.err;
  FxFile file = FxFileFromBytes(ReadWholeFile(Path("s.fxp")));
  WriteWholeFile(Path("raw.chunk"), file.chunk);
  ExpectScaled(Render({"--state", Path("raw.chunk"), "--allow-clip"}), input, Decibels(12.0));

  file.kind = FxKind::kProgramParams;
  file.params = {0.25f, 0.0f};
  WriteWholeFile(Path("params.fxp"), FxFileToBytes(file));
  ExpectScaled(Render({"--state", Path("params.fxp")}), input, Decibels(-12.0));

  file.kind = FxKind::kBankParams;
  file.programs = {{"Low", {0.375f, 1.0f}}};
  WriteWholeFile(Path("params.fxb"), FxFileToBytes(file));
  ExpectScaled(Render({"--state", Path("params.fxb")}), input, -Decibels(-6.0));
}

TEST_F(HostTest, StateFilesThatDoNotFitAreRefused) {
  ASSERT_EQ(RunHost({"state", "save", FIXTURE_GAIN, Path("s.fxp")}).exitCode, 0);
  std::vector<std::uint8_t> bytes = ReadWholeFile(Path("s.fxp"));
  FxFile file = FxFileFromBytes(bytes);
  const auto renderWith = [&](const std::string& state) {
    return RunHost({"render", FIXTURE_GAIN, "-o", Path("x.wav"), Path("in.wav"), "--state", state});
  };

  WriteWholeFile(Path("short.fxp"), std::span(bytes).first(40));
  ExpectOneLineError(renderWith(Path("short.fxp")), "truncated");
  ExpectOneLineError(RunHost({"state", "show", Path("short.fxp")}), "truncated");

  bytes[59] = 200;  // chunkSize beyond the file
  WriteWholeFile(Path("lying.fxp"), bytes);
  ExpectOneLineError(renderWith(Path("lying.fxp")), "chunkSize says 200");
  bytes[59] = static_cast<std::uint8_t>(file.chunk.size());
  bytes[7] = 200;  // byteSize
  WriteWholeFile(Path("lying.fxp"), bytes);
  ExpectOneLineError(RunHost({"state", "show", Path("lying.fxp")}), "byteSize says 200");

  file.fxId = FourCharCode('Q', 'U', 'R', '1');
  WriteWholeFile(Path("other.fxp"), FxFileToBytes(file));
  ExpectOneLineError(renderWith(Path("other.fxp")), "made for the plug-in 'QUR1'");

  WriteWholeFile(Path("junk.chunk"), std::vector<std::uint8_t>(5, 7));
  ExpectOneLineError(renderWith(Path("junk.chunk")), "rejected the state");
  ExpectOneLineError(renderWith(Path("missing.fxp")), "cannot open");
  ExpectOneLineError(RunHost({"state", "save", FIXTURE_GAIN, Path("s.txt")}), ".fxp");
}

TEST_F(HostTest, BadPluginsAreReportedInOneLine) {
  std::ofstream(Path("text.so")) << "not a shared object\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {Path("text.so"), "cannot load as a plug-in"},
      {Path("absent.so"), "cannot load as a plug-in"},
      {FIXTURE_NO_ENTRY, "no VSTPluginMain or main entry point"},
      {FIXTURE_NULL_RECORD, "returned no effect"},
      {FIXTURE_BAD_MAGIC, "wrong magic"},
  };
  for (const auto& [plugin, message] : cases) {
    SCOPED_TRACE(plugin);
    ExpectOneLineError(RunHost({"info", plugin}), message);
    ExpectOneLineError(RunHost({"render", plugin, "-o", Path("x.wav"), Path("in.wav")}), message);
  }
}

TEST_F(HostTest, BadInputsAndSettingsAreReportedInOneLine) {
  WriteFloatWav(Path("three.wav"), {TestSignal(10, 0), TestSignal(10, 1), TestSignal(10, 2)},
                kRate);
  std::ofstream(Path("text.wav")) << "not audio\n";
  const auto render = [&](std::vector<std::string> extra) {
    std::vector<std::string> arguments = {"render", FIXTURE_GAIN, "-o", Path("x.wav")};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return RunHost(arguments);
  };
  ExpectOneLineError(render({Path("three.wav")}),
                     "holds 3 channels from input 1 on; the plug-in takes 2");
  ExpectOneLineError(render({Path("absent.wav")}), "cannot read audio");
  ExpectOneLineError(render({Path("text.wav")}), "cannot read audio");
  ExpectOneLineError(render({}), "an input file or --midi");
  ExpectOneLineError(render({Path("in.wav"), "--set", "Gian=3"}), "unknown parameter \"Gian\"");
  ExpectOneLineError(render({Path("in.wav"), "--set", "Invert=maybe"}), "does not take");
  ExpectOneLineError(render({Path("in.wav"), "--set", "2=0.5"}), "outside 0..1");
  ExpectOneLineError(render({Path("in.wav"), "--set", "0=1.5"}), "normalised value");
  ExpectOneLineError(render({Path("in.wav"), "--set", "Gain"}), "NAME=TEXT");
  ExpectOneLineError(render({Path("in.wav"), "--block", "0"}), "--block");
  ExpectOneLineError(render({Path("in.wav"), "--precision", "16"}), "--precision");
  ExpectOneLineError(RunHost({"render", FIXTURE_GAIN, Path("in.wav")}), "-o OUT");
  EXPECT_EQ(RunHost({"frobnicate"}).exitCode, 2);
  // Hexadecimal is no number of decibels; a choice lists the choices.
  ExpectOneLineError(render({Path("in.wav"), "--set", "Gain=0x10"}), "does not take \"0x10\"");
  ExpectOneLineError(render({Path("in.wav"), "--set", "Invert=2"}),
                     "it shows off, on, or their positions 0 to 1");
  // Mistyped words get what they most likely meant; the plug-in is no part of the command.
  ExpectOneLineError(RunHost({"rendr", FIXTURE_GAIN}),
                     "unknown command \"rendr\"; did you mean "
                     "\"render\"?");
  ExpectOneLineError(RunHost({"stems", FIXTURE_GAIN}),
                     "unknown command \"stems\"; the commands are info, render, state save");
  ExpectOneLineError(render({Path("in.wav"), "--tial", "3"}), "did you mean --tail?");
}

#ifdef QUOR_PLUGIN
TEST_F(HostTest, QuorShowsItsIdentityAndProcessesSixteenChannels) {
  const RunResult info = RunHost({"info", QUOR_PLUGIN});
  ASSERT_EQ(info.exitCode, 0) << info.err;
  EXPECT_NE(info.out.find("effect name:    QUOR"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("unique id:      QUR1"), std::string::npos);
  EXPECT_NE(info.out.find("channels:       16 in, 16 out"), std::string::npos);
  EXPECT_NE(info.out.find("parameters:     94"), std::string::npos);

  std::vector<std::string> arguments = {"render", QUOR_PLUGIN, "-o",          Path("mix.wav"),
                                        "--tail", "0",         "--allow-clip"};
  for (int stem = 0; stem < 8; ++stem) {
    const std::string name = Path("stem" + std::to_string(stem) + ".wav");
    WriteFloatWav(name, {TestSignal(4800, stem), TestSignal(4800, stem + 1)}, kRate);
    arguments.push_back(name);
  }
  const RunResult render = RunHost(arguments);
  ASSERT_EQ(render.exitCode, 0) << render.err;
  // A mix (Mode 0) to the first pair: the fourteen silent outputs stay out.
  const Channels output = ReadAudio(Path("mix.wav"));
  ASSERT_EQ(output.size(), 2u);
  ASSERT_EQ(output[0].size(), 4800u);
  EXPECT_NE(render.err.find("outputs 3 to 16 stayed digitally silent and were left out"),
            std::string::npos)
      << render.err;
  double energy = 0.0;
  for (const auto& channel : output) {
    for (const double sample : channel) {
      ASSERT_TRUE(std::isfinite(sample));
      energy += sample * sample;
    }
  }
  EXPECT_GT(energy, 0.0);
}
#endif

#ifdef QUOR_PLUGIN
// Eight stems as an engineer brings them: one mono, one at 44.1 kHz, one put
// on its track by number. QUOR's global bypass hands each input through, so
// every output must be its track's stem.
TEST_F(HostTest, EightStemsIncludingMonoAndAnotherRateReachTheirTracks) {
  constexpr std::size_t kFrames = 9600;
  const auto sine = [](double hertz, int rate, std::size_t frames, double phase) {
    std::vector<double> signal(frames);
    for (std::size_t i = 0; i < frames; ++i) {
      signal[i] = static_cast<double>(static_cast<float>(
          0.3 * std::sin(2.0 * M_PI * hertz * static_cast<double>(i) / rate + phase)));
    }
    return signal;
  };
  std::vector<std::string> arguments = {
      "render", QUOR_PLUGIN, "-o", Path("mix.wav"), "--set", "Global Bypass=1", "--set",
      "Mode=1", "--tail",    "0",  "--json"};
  Channels expected;
  for (int track = 1; track <= 8; ++track) {
    const double hertz = 100.0 * track;
    const std::string name = Path(Format("stem%d.wav", track));
    if (track == 3) {
      WriteFloatWav(name, {sine(hertz, kRate, kFrames, 0.0)}, kRate);  // mono
    } else if (track == 6) {
      WriteFloatWav(name, {sine(hertz, 44100, 8820, 0.0), sine(hertz, 44100, 8820, 1.0)}, 44100);
    } else {
      WriteFloatWav(name, {sine(hertz, kRate, kFrames, 0.0), sine(hertz, kRate, kFrames, 1.0)},
                    kRate);
    }
    expected.push_back(sine(hertz, kRate, kFrames, 0.0));
    expected.push_back(sine(hertz, kRate, kFrames, track == 3 ? 0.0 : 1.0));
    if (track == 8) {
      arguments.insert(arguments.end(), {"--track", "8:" + name});
    } else {
      arguments.push_back(name);
    }
  }
  const RunResult result = RunHost(arguments);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const Channels output = ReadAudio(Path("mix.wav"));
  ASSERT_EQ(output.size(), 16u);
  for (std::size_t c = 0; c < 16; ++c) {
    SCOPED_TRACE(c);
    ASSERT_EQ(output[c].size(), kFrames);
    double worst = 0.0;
    // The resampled stem's filter settles after its first milliseconds.
    for (std::size_t i = 480; i < kFrames - 480; ++i)
      worst = std::max(worst, std::abs(output[c][i] - expected[c][i]));
    EXPECT_LT(worst, c / 2 == 5 ? 1e-3 : 1e-7);
  }
  const auto report = nlohmann::json::parse(result.out);
  ASSERT_EQ(report["inputs"].size(), 8u);
  EXPECT_EQ(report["inputs"][2]["channels"], 1);
  EXPECT_EQ(report["inputs"][5]["resampled"], true);
  EXPECT_EQ(report["inputs"][7]["track"], 8);
  ASSERT_EQ(report["loudness"].size(), 8u);
  EXPECT_EQ(report["loudness"][7]["outputs"], nlohmann::json::array({15, 16}));
  // A sine of 0.3 peak: -13.5 dBFS RMS.
  EXPECT_NEAR(report["channels"][0]["rms_dbfs"].get<double>(), -13.47, 0.05);

  // One stem alone on track 5: every other track is silent, and those after
  // it are left out.
  const RunResult alone =
      RunHost({"render", QUOR_PLUGIN, "-o", Path("alone.wav"), "--set", "Global Bypass=1", "--set",
               "Mode=1", "--tail", "0", "--track", "5=" + Path("stem5.wav")});
  ASSERT_EQ(alone.exitCode, 0) << alone.err;
  const Channels single = ReadAudio(Path("alone.wav"));
  ASSERT_EQ(single.size(), 10u);
  for (std::size_t c = 0; c < 10; ++c) {
    const bool fed = c / 2 == 4;
    EXPECT_EQ(*std::max_element(single[c].begin(), single[c].end()) > 0.0, fed) << c;
  }
}
#endif

}  // namespace
