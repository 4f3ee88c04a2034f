// The desktop services without a display: folders and started programs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/desktop.h"
#include "platform/editor_scale.h"

namespace {

namespace fs = std::filesystem;

class Desktop : public ::testing::Test {
 protected:
  void SetUp() override {
    home = fs::temp_directory_path() / ("desktop-test-" + std::to_string(getpid()));
    fs::create_directories(home / ".config");
    fs::create_directories(home / "bin");
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS", "PATH"})
      saved.emplace_back(name, std::getenv(name) ? std::getenv(name) : "");
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_DATA_DIRS");
  }
  void TearDown() override {
    for (const auto& [name, value] : saved)
      setenv(name.c_str(), value.c_str(), 1);
    fs::remove_all(home);
  }
  // A stand-in for a program that writes its arguments, one a line.
  void FakeProgram(const std::string& name, const fs::path& record) {
    const fs::path script = home / "bin" / name;
    std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > " << record
                          << "\n";
    fs::permissions(script, fs::perms::owner_all);
  }
  static std::string Slurp(const fs::path& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
  }

  fs::path home;
  std::vector<std::pair<std::string, std::string>> saved;
};

}  // namespace

TEST_F(Desktop, FoldersFollowTheUserDirsFile) {
  EXPECT_EQ(UserFolder("DESKTOP", "Desktop"), home.string() + "/Desktop");
  std::ofstream(home / ".config" / "user-dirs.dirs")
      << "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
      << "XDG_MUSIC_DIR=\"/srv/music\"\nXDG_VIDEOS_DIR=\"relative\"\n";
  EXPECT_EQ(UserFolder("DESKTOP", "Desktop"), home.string() + "/Schreibtisch");
  EXPECT_EQ(UserFolder("MUSIC", "Music"), "/srv/music");
  EXPECT_EQ(UserFolder("VIDEOS", "Videos"), home.string() + "/Videos");
  EXPECT_EQ(DataHomeFolder(), home.string() + "/.local/share");
  setenv("XDG_DATA_HOME", "/data", 1);
  EXPECT_EQ(DataHomeFolder(), "/data");
  EXPECT_EQ(SystemDataFolder(), "/usr/local/share");
  setenv("XDG_DATA_DIRS", "/opt/share:/usr/share", 1);
  EXPECT_EQ(SystemDataFolder(), "/opt/share");
}

TEST_F(Desktop, UrlsReachTheOpenerUntouchedByAnyShell) {
  const fs::path record = home / "opened";
  FakeProgram("xdg-open", record);
  setenv("PATH", (home / "bin").c_str(), 1);
  const std::string url = "https://example.org/a b?x=$(touch pwned)&y=`id`;";
  ASSERT_TRUE(SpawnDetached({"xdg-open", OpenerArgument(url)}));
  for (int i = 0; i < 100 && !fs::exists(record); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(Slurp(record), url + "\n");
  EXPECT_FALSE(fs::exists(home / "pwned"));
  // A file named like an option is still a file.
  EXPECT_EQ(OpenerArgument("--help"), "./--help");
  EXPECT_EQ(OpenerArgument("--manual-http"), "./--manual-http");
  EXPECT_EQ(OpenerArgument("https://example.org/-x"), "https://example.org/-x");
  EXPECT_EQ(OpenerArgument("/tmp/x.txt"), "/tmp/x.txt");
  setenv("PATH", "/nonexistent", 1);
  EXPECT_FALSE(SpawnDetached({"xdg-open", url}));
}

TEST_F(Desktop, HelpersRunAndCanBeCancelled) {
  std::string output;
  EXPECT_EQ(RunAndWait({"sh", "-c", "echo chosen; exit 3"}, &output, nullptr), 3);
  EXPECT_EQ(output, "chosen\n");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(RunAndWait({"sleep", "10"}, nullptr, [] { return true; }));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(RunAndWait({"no-such-program-here"}, nullptr, nullptr));
}

namespace {

// The scale an editor opens at: a script's, else the user's remembered
// choice, else the host's, else the desktop's; always one it offers, and,
// but for a script's, one that fits the monitor.
TEST_F(Desktop, TheEditorScaleIsChosenAsAUserExpects) {
  unsetenv("QUOR_EDITOR_SCALE");
  EXPECT_EQ(ParseEditorScale("150%"), 1.5);
  EXPECT_EQ(ParseEditorScale("2"), 2.);
  EXPECT_EQ(ParseEditorScale("1.2"), 1.25);  // the offered one nearest
  EXPECT_EQ(ParseEditorScale("big"), std::nullopt);
  EXPECT_EQ(ParseEditorScale("-1"), std::nullopt);

  const ScreenArea any;  // a screen not known: everything fits
  const auto choose = [&](double host, double desktop, const ScreenArea& area = {}) {
    return ChooseEditorScale(host, desktop, 1215, 692, area);
  };
  EXPECT_EQ(choose(0., 2.), 2.);    // the desktop's
  EXPECT_EQ(choose(1.5, 2.), 1.5);  // the host's over it
  ASSERT_TRUE(RememberEditorScale(1.25));
  EXPECT_EQ(RememberedEditorScale(), 1.25);
  EXPECT_EQ(choose(1.5, 2.), 1.25);  // the user's over both
  ASSERT_TRUE(RememberEditorScale(std::nullopt));
  EXPECT_EQ(RememberedEditorScale(), std::nullopt);
  EXPECT_EQ(choose(0., 2.), 2.);

  // On a 1600 x 1000 monitor 125% is the largest that leaves room for the
  // host's window around the editor: nothing larger is offered, and a
  // remembered 200% opens there.
  const ScreenArea laptop{1600, 1000};
  EXPECT_EQ(ScalesThatFit(1215, 692, laptop), (std::vector<double>{0.75, 1., 1.25}));
  EXPECT_EQ(ScalesThatFit(1215, 692, any).size(), 6u);
  EXPECT_EQ(ScalesThatFit(1215, 692, ScreenArea{800, 600}), (std::vector<double>{0.75}));
  ASSERT_TRUE(RememberEditorScale(2.));
  EXPECT_EQ(choose(0., 1., laptop), 1.25);
  EXPECT_EQ(choose(0., 1., ScreenArea{2560, 1440}), 1.75);
  ASSERT_TRUE(RememberEditorScale(std::nullopt));
  EXPECT_EQ(choose(0., 1.75, laptop), 1.25);  // the desktop's too

  setenv("QUOR_EDITOR_SCALE", "75%", 1);
  EXPECT_EQ(choose(1.5, 2.), 0.75);  // a script's over everything
  setenv("QUOR_EDITOR_SCALE", "200%", 1);
  EXPECT_EQ(choose(0., 1., laptop), 2.);  // and as it is
  unsetenv("QUOR_EDITOR_SCALE");
}

}  // namespace
