// Plug-ins named as users name them: a bare name found in the folders Linux
// hosts search, and a state file's plug-in found by its id.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>

#include "tests/host/test_audio.h"

namespace {

// Sets an environment variable for the scope of a test.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : mName(name) {
    if (const char* old = getenv(name)) mOld = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedVariable() {
    if (mOld) {
      setenv(mName, mOld->c_str(), 1);
    } else {
      unsetenv(mName);
    }
  }

 private:
  const char* mName;
  std::optional<std::string> mOld;
};

TEST(PluginSearch, BareNamesAreFoundInTheFoldersHostsSearch) {
  ScratchFolder scratch;
  const auto fixtures = std::filesystem::path(FIXTURE_GAIN).parent_path();
  std::filesystem::create_directories(scratch.Path("home/.vst/sub"));
  std::filesystem::copy_file(FIXTURE_DELAY, scratch.Path("home/.vst/sub/Delay Fixture.so"));
  const ScopedVariable home("HOME", scratch.Path("home"));
  {
    const ScopedVariable path("VST_PATH", "/nonexistent:" + fixtures.string());
    for (const char* name : {"fixture_gain", "FIXTURE_GAIN.so"}) {
      const RunResult info = RunHost({"info", name});
      ASSERT_EQ(info.exitCode, 0) << info.err;
      EXPECT_NE(info.out.find("plug-in:        " + (fixtures / "fixture_gain.so").string()),
                std::string::npos)
          << info.out;
    }
  }
  const ScopedVariable path("VST_PATH", "");
  EXPECT_EQ(RunHost({"info", "delay fixture"}).exitCode, 0);
  const RunResult missing = RunHost({"info", "NoSuchPlugin"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("no plug-in \"NoSuchPlugin\" in the current folder or in $VST_PATH, "
                             "$LXVST_PATH, ~/.vst, ~/.lxvst"),
            std::string::npos)
      << missing.err;
}

TEST(PluginSearch, StateShowFindsTheChunksPluginByItsId) {
  ScratchFolder scratch;
  const ScopedVariable path("VST_PATH", std::filesystem::path(FIXTURE_GAIN).parent_path().string());
  ASSERT_EQ(
      RunHost({"state", "save", FIXTURE_GAIN, scratch.Path("s.fxp"), "--set", "Gain=4.5"}).exitCode,
      0);
  const RunResult shown = RunHost({"state", "show", scratch.Path("s.fxp")});
  ASSERT_EQ(shown.exitCode, 0) << shown.err;
  EXPECT_NE(shown.out.find("Gain                  4.50"), std::string::npos) << shown.out;
}

}  // namespace
