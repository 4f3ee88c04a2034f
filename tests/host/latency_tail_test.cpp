// Renders that last as long as the sound: a plug-in's latency removed to the
// sample, tails kept until they fall silent.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "tests/host/test_audio.h"

namespace {

constexpr int kRate = 48000;
constexpr std::size_t kFixtureDelay = 37;

class LatencyTailTest : public ::testing::Test {
 protected:
  void SetUp() override {
    input = {TestSignal(2000, 1), TestSignal(2000, 2)};
    WriteFloatWav(Path("in.wav"), input, kRate);
  }
  std::string Path(const std::string& name) const { return scratch.Path(name); }
  Channels Render(std::vector<std::string> extra, RunResult* run = nullptr) {
    std::vector<std::string> arguments = {"render", FIXTURE_DELAY, "-o", Path("out.wav"),
                                          Path("in.wav")};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    const RunResult result = RunHost(arguments);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    if (run != nullptr) *run = result;
    return ReadAudio(Path("out.wav"));
  }

  ScratchFolder scratch;
  Channels input;
};

TEST_F(LatencyTailTest, LatencyReportedOnStartIsRemovedToTheSample) {
  for (const char* block : {"1", "16", "512"}) {
    SCOPED_TRACE(block);
    RunResult run;
    EXPECT_EQ(Render({"--block", block}, &run), input);
    EXPECT_NE(run.out.find("latency: 37 samples, compensated"), std::string::npos) << run.out;
  }
  RunResult run;
  Render({"--json"}, &run);
  const auto report = nlohmann::json::parse(run.out);
  EXPECT_EQ(report["latency"]["samples"], 37);
  EXPECT_EQ(report["latency"]["compensated"], true);
}

TEST_F(LatencyTailTest, WithoutCompensationTheDelayStaysAndTheTailKeepsTheEnd) {
  const Channels delayed = Render({"--no-compensate"});
  ASSERT_EQ(delayed[0].size(), input[0].size() + kFixtureDelay);
  for (std::size_t i = 0; i < input[0].size(); ++i)
    ASSERT_EQ(delayed[1][i + kFixtureDelay], input[1][i]) << i;
  EXPECT_EQ(Render({"--no-compensate", "--tail", "0"})[0].size(), input[0].size());
}

TEST_F(LatencyTailTest, FixedTailsAndTheQuietEnd) {
  EXPECT_EQ(Render({"--tail", "0.01"})[0].size(), input[0].size() + 480);
  // A quiet end is not kept beyond the inputs; a loud one would be, up to the cap.
  WriteFloatWav(Path("in.wav"), {std::vector<double>(1000, 0.0), std::vector<double>(1000, 0.0)},
                kRate);
  RunResult run;
  EXPECT_EQ(Render({}, &run)[0].size(), 1000u);
  EXPECT_NE(run.out.find("tail: 0.000 s (until below -120 dBFS)"), std::string::npos) << run.out;
}

}  // namespace
