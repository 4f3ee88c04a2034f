// --set as users type it: names in any case, display texts the plug-in must
// really take, numbers in the displayed unit, normalised values.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/host/test_audio.h"

namespace {

// The value a parameter displays after the settings, from info's table.
std::string Shown(const std::string& plugin, const std::vector<std::string>& settings,
                  const std::string& name, RunResult* run = nullptr) {
  std::vector<std::string> arguments = {"info", plugin};
  for (const std::string& setting : settings) {
    arguments.push_back("--set");
    arguments.push_back(setting);
  }
  const RunResult result = RunHost(arguments);
  if (run != nullptr) *run = result;
  const auto row = result.out.find("  " + name + " ");
  if (result.exitCode != 0 || row == std::string::npos) return "error: " + result.err;
  const std::string rest = result.out.substr(row + 2 + 22);
  return rest.substr(0, rest.find(' '));
}

TEST(Settings, NamesMatchWhateverTheirCaseAndTyposGetASuggestion) {
  EXPECT_EQ(Shown(FIXTURE_GAIN, {"gain=6"}, "Gain"), "6.00");
  EXPECT_EQ(Shown(FIXTURE_GAIN, {"INVERT=on"}, "Invert"), "on");
  RunResult run;
  Shown(FIXTURE_GAIN, {"Gian=3"}, "Gain", &run);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("unknown parameter \"Gian\"; did you mean \"Gain\"?"), std::string::npos)
      << run.err;
}

TEST(Settings, TextsThePluginDoesNotTakeAreRefusedAndRangesReported) {
  RunResult run;
  EXPECT_EQ(Shown(FIXTURE_GAIN, {"Invert=maybe"}, "Invert", &run).substr(0, 6), "error:");
  EXPECT_NE(run.err.find("does not take \"maybe\"; it shows off, on"), std::string::npos)
      << run.err;
  EXPECT_EQ(Shown(FIXTURE_GAIN, {"Gain=100"}, "Gain", &run), "24.00");
  EXPECT_NE(run.err.find("warning: parameter \"Gain\": 100 is beyond its range, limited to 24.00 "
                         "dB"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(Shown(FIXTURE_GAIN, {"Gain=-3 dB"}, "Gain"), "-3.00");
  EXPECT_EQ(Shown(FIXTURE_GAIN, {"Gain=@0.25"}, "Gain"), "-12.00");
  EXPECT_EQ(Shown(FIXTURE_GAIN, {"Gain=@1.5"}, "Gain").substr(0, 6), "error:");
}

TEST(Settings, PluginsWithoutTextParsingTakeDisplayedNumbersAndWords) {
  EXPECT_EQ(Shown(FIXTURE_DELAY, {"Level=-6"}, "Level"), "-6.0");
  EXPECT_EQ(Shown(FIXTURE_DELAY, {"level=-12.5dB"}, "Level"), "-12.5");
  EXPECT_EQ(Shown(FIXTURE_DELAY, {"Level=@0.5"}, "Level"), "-30.0");
  RunResult run;
  EXPECT_EQ(Shown(FIXTURE_DELAY, {"Level=-80"}, "Level", &run), "-60.0");
  EXPECT_NE(run.err.find("limited to -60.0 dB"), std::string::npos) << run.err;
  EXPECT_EQ(Shown(FIXTURE_DELAY, {"Shape=hard"}, "Shape"), "Hard");
  EXPECT_EQ(Shown(FIXTURE_DELAY, {"Shape=Medium"}, "Shape"), "Medium");
  Shown(FIXTURE_DELAY, {"Shape=round"}, "Shape", &run);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("it shows Soft, Medium, Hard"), std::string::npos) << run.err;
}

TEST(Settings, AWholeNumberNamesAWordOfAParameterThatShowsWords) {
  EXPECT_EQ(Shown(FIXTURE_GAIN, {"Invert=1"}, "Invert"), "on");  // its parser takes words only
  EXPECT_EQ(Shown(FIXTURE_DELAY, {"Shape=2"}, "Shape"), "Hard");
  EXPECT_EQ(Shown(FIXTURE_DELAY, {"Shape=0"}, "Shape"), "Soft");
  for (const char* beyond : {"Shape=3", "Shape=1.5", "Shape=-1"}) {
    RunResult run;
    Shown(FIXTURE_DELAY, {beyond}, "Shape", &run);
    EXPECT_EQ(run.exitCode, 1) << beyond;
  }
}

#ifdef QUOR_PLUGIN
TEST(Settings, QuorRefusesWordsItCannotParse) {
  RunResult run;
  Shown(QUOR_PLUGIN, {"Bypass 3=maybe"}, "Bypass 3", &run);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("parameter \"Bypass 3\" does not take \"maybe\"; it shows Off, On"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(Shown(QUOR_PLUGIN, {"Bypass 3=on"}, "Bypass 3"), "On");
  EXPECT_EQ(Shown(QUOR_PLUGIN, {"bypass 3=1"}, "Bypass 3"), "On");
  EXPECT_EQ(Shown(QUOR_PLUGIN, {"Input 3=100"}, "Input 3", &run), "24.00");
  EXPECT_NE(run.err.find("limited to 24.00"), std::string::npos) << run.err;
}

TEST(Settings, QuorTakesItsGainsAndItsEqualiserInDecibels) {
  EXPECT_EQ(Shown(QUOR_PLUGIN, {"Input 1=6"}, "Input 1"), "6.00");
  EXPECT_EQ(Shown(QUOR_PLUGIN, {"High Gain 2=+3"}, "High Gain 2"), "+3.0");
  EXPECT_EQ(Shown(QUOR_PLUGIN, {"low gain 4=-7.3 dB"}, "Low Gain 4"), "-7.3");
  RunResult run;
  EXPECT_EQ(Shown(QUOR_PLUGIN, {"Mid Gain 1=+40"}, "Mid Gain 1", &run), "+19.4");
  EXPECT_NE(run.err.find("40 is beyond its range, limited to +19.4 dB"), std::string::npos)
      << run.err;
}
#endif

}  // namespace
