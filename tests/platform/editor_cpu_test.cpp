// What an open editor costs: the CPU time of its thread over ten seconds,
// with nothing changing, with the meters moving, and hidden with the meters
// moving. Run as its own test (platform_cpu); the figures are printed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/x11_editor_window.h"
#include "tests/platform/editor_under_test.h"
#include "tests/platform/minimal_host.h"
#include "tests/platform/x_session.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSeconds = 10;

// The editor thread's id, found by its name.
std::string EditorThread() {
  for (const auto& task : fs::directory_iterator("/proc/self/task")) {
    std::ifstream comm(task.path() / "comm");
    std::string name;
    std::getline(comm, name);
    if (name == X11EditorWindow::kThreadName) return task.path().filename().string();
  }
  return {};
}

// User and system time of a thread of this process, in seconds.
double ThreadSeconds(const std::string& tid) {
  std::ifstream stat("/proc/self/task/" + tid + "/stat");
  std::string text;
  std::getline(stat, text);
  // Fields after the name, which is in parentheses: state is the third.
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  long ticks = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i)
    if (i == 14 || i == 15) ticks += std::stol(field);
  return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Percent of one core the editor thread takes while the host idles it.
double Cost(MinimalHost& host, const std::string& tid) {
  const double before = ThreadSeconds(tid);
  const auto start = std::chrono::steady_clock::now();
  host.Idle(kSeconds * 1000);
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return 100. * (ThreadSeconds(tid) - before) / wall;
}

}  // namespace

TEST(Cpu, AnOpenEditorCostsLittle) {
  REQUIRE_X_SESSION();
  const EditorUnderTest editor = FixtureEditor();
  MinimalHost host(editor.plugin);
  ASSERT_TRUE(host.OpenEditor());
  host.Idle(500);
  const std::string tid = EditorThread();
  ASSERT_FALSE(tid.empty());
  const double idle = Cost(host, tid);
  host.StartAudio(0.8);
  const double metering = Cost(host, tid);
  host.Unmap();
  const double hidden = Cost(host, tid);
  host.StopAudio();
  std::printf(
      "editor thread, %% of a core over %d s: nothing changing %.2f, meters moving %.2f, "
      "hidden with meters moving %.2f\n",
      kSeconds, idle, metering, hidden);
  RecordProperty("idle_percent", std::to_string(idle));
  RecordProperty("meters_percent", std::to_string(metering));
  RecordProperty("hidden_percent", std::to_string(hidden));
  EXPECT_LT(idle, 1.);
  EXPECT_LT(metering, 3.);
  EXPECT_LT(hidden, 1.);
}
