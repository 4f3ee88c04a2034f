// quor-host against QUOR's own classes: a render equals the engine's output
// for the same blocks, and program and bank files cross between the host's
// writer and the framework's.
#include <gtest/gtest.h>

#include <cmath>

#include "plugin/quor.h"
#include "tests/host/test_audio.h"

namespace {

constexpr int kRate = 48000;
constexpr int kBlock = 512;
constexpr int kChannels = 16;

}  // namespace

TEST(QuorCross, RenderEqualsTheEngineBlockForBlock) {
  ScratchFolder scratch;
  Channels input;
  for (int c = 0; c < kChannels; ++c) {
    std::vector<double> channel(3000);
    for (std::size_t i = 0; i < channel.size(); ++i)
      channel[i] = static_cast<double>(
          static_cast<float>(0.4 * std::sin(0.001 * static_cast<double>((c + 1) * i))));
    input.push_back(channel);
  }
  WriteFloatWav(scratch.Path("in.wav"), input, kRate);
  const RunResult render = RunHost({"render", QUOR_PLUGIN, "-o", scratch.Path("out.wav"), "--block",
                                    "512", "--set", "Input 2=9", "--set", "Mode=1", "--set",
                                    "Mid Gain 5=+12.2", scratch.Path("in.wav")});
  ASSERT_EQ(render.exitCode, 0) << render.err;
  const Channels rendered = ReadAudio(scratch.Path("out.wav"));

  QUOR console;
  console.SetSampleRate(kRate);
  console.OnParamReset();
  console.GetParam(QUOR::InputIdx(1))->Set(9.);
  console.GetParam(QUOR::kModeIdx)->Set(1.);
  console.GetParam(QUOR::MidGainIdx(4))->Set(0.9);  // what +12.2 dB names
  console.OnParamReset();
  Channels expected(kChannels, std::vector<double>(input[0].size()));
  for (std::size_t start = 0; start < input[0].size(); start += kBlock) {
    const int frames = static_cast<int>(std::min<std::size_t>(kBlock, input[0].size() - start));
    std::vector<double*> in, out;
    for (int c = 0; c < kChannels; ++c) {
      in.push_back(input[static_cast<std::size_t>(c)].data() + start);
      out.push_back(expected[static_cast<std::size_t>(c)].data() + start);
    }
    const ThreadRoleScope audio(ThreadRole::kAudio);
    console.ProcessDoubleReplacing(in.data(), out.data(), frames);
  }
  ASSERT_EQ(rendered.size(), static_cast<std::size_t>(kChannels));
  for (std::size_t c = 0; c < kChannels; ++c)
    for (std::size_t i = 0; i < expected[c].size(); ++i)
      ASSERT_EQ(rendered[c][i], static_cast<double>(static_cast<float>(expected[c][i])))
          << "channel " << c << " frame " << i;
}

TEST(QuorCross, ProgramAndBankFilesCrossBothWays) {
  ScratchFolder scratch;
  for (const char* name : {"framework.fxp", "framework.fxb"}) {
    SCOPED_TRACE(name);
    QUOR writer;
    writer.GetParam(QUOR::OutputIdx(2))->Set(-7.5);
    const bool bank = std::string(name).ends_with(".fxb");
    // A bank holds the presets: store the current state into the current one.
    if (bank) writer.ModifyCurrentPreset();
    ASSERT_TRUE(bank ? writer.SaveBankAsFXB(scratch.Path(name))
                     : writer.SaveProgramAsFXP(scratch.Path(name)));
    const RunResult shown = RunHost({"info", QUOR_PLUGIN, "--state", scratch.Path(name)});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_NE(shown.out.find("-7.50"), std::string::npos) << shown.out;
  }
  for (const char* name : {"host.fxp", "host.fxb"}) {
    SCOPED_TRACE(name);
    const RunResult saved =
        RunHost({"state", "save", QUOR_PLUGIN, scratch.Path(name), "--set", "Low Gain 8=-5.7"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    QUOR reader;
    const bool bank = std::string(name).ends_with(".fxb");
    ASSERT_TRUE(bank ? reader.LoadBankFromFXB(scratch.Path(name))
                     : reader.LoadProgramFromFXP(scratch.Path(name)));
    EXPECT_EQ(reader.GetParam(QUOR::LowGainIdx(7))->Value(), 0.3);  // what -5.7 dB names
  }
}
