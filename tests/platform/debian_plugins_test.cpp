// Plug-ins from Debian as partners for quor-host's windows: their editors
// are opened and drawn as ours are. Skipped for those not installed
// (scripts/install-deps --with-plugins installs them).
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/desktop.h"
#include "raster/png.h"
#include "tests/platform/x_session.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::vector<std::string> InstalledPlugins() {
  std::vector<std::string> found;
  for (const char* path :
       {"/usr/lib/vst/3BandEQ-vst.so", "/usr/lib/lxvst/DragonflyRoomReverb-vst.so",
        "/usr/lib/vst/MVerb-vst.so"})
    if (fs::exists(path)) found.emplace_back(path);
  return found;
}

// Colours in the image; a window nobody drew in has one.
std::size_t Colours(const std::string& png) {
  const std::unique_ptr<raster::MemBitmap> image = raster::LoadPNG(png.c_str());
  if (!image) return 0;
  std::set<raster::Pixel> colours;
  for (int y = 0; y < image->getHeight(); ++y)
    for (int x = 0; x < image->getWidth(); ++x)
      colours.insert(image->getBits()[y * image->getRowSpan() + x]);
  return colours.size();
}

}  // namespace

TEST(DebianPlugins, ScreenshotsWithoutADisplayShowTheirEditors) {
  REQUIRE_X_SESSION();
  const std::vector<std::string> plugins = InstalledPlugins();
  if (plugins.size() < 2) GTEST_SKIP() << "dpf-plugins-vst and dragonfly-reverb-vst are needed";
  // quor-host starts an X server of its own when there is none.
  const std::string display = std::getenv("DISPLAY");
  unsetenv("DISPLAY");
  const fs::path folder = fs::temp_directory_path() / ("debian-shots-" + std::to_string(getpid()));
  fs::create_directories(folder);
  for (const std::string& plugin : plugins) {
    const std::string png = (folder / (fs::path(plugin).stem().string() + ".png")).string();
    EXPECT_EQ(RunAndWait({QUOR_HOST, "screenshot", plugin, png}, nullptr, nullptr), 0) << plugin;
    EXPECT_GT(Colours(png), 16u) << plugin;
  }
  setenv("DISPLAY", display.c_str(), 1);
  if (!std::getenv("QUOR_KEEP_SCREENSHOTS")) fs::remove_all(folder);
}

TEST(DebianPlugins, OpenShowsTheirEditorsUntilInterrupted) {
  REQUIRE_X_SESSION();
  const std::vector<std::string> plugins = InstalledPlugins();
  if (plugins.size() < 2) GTEST_SKIP() << "dpf-plugins-vst and dragonfly-reverb-vst are needed";
  for (const std::string& plugin : plugins) {
    const int windows = CountWindows();
    std::vector<std::string> arguments = {QUOR_HOST, "open", plugin};
    std::vector<char*> argv;
    for (std::string& argument : arguments)
      argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, QUOR_HOST, nullptr, nullptr, argv.data(), environ), 0);
    std::string found;
    Xdo({"search", "--sync", "--limit", "1", "--name", "^quor-host: "}, &found);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // The host's window and at least the plug-in's inside it.
    EXPECT_GE(CountWindows(), windows + 2) << plugin;
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << plugin;
  }
}
