// What an open editor costs: the CPU time of its thread, with nothing
// changing, with every meter moving, and hidden with the meters moving. Run
// as its own test (platform_cpu); the figures are printed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/x11_editor_window.h"
#include "tests/platform/editor_under_test.h"
#include "tests/platform/minimal_host.h"
#include "tests/platform/x_session.h"

namespace {

namespace fs = std::filesystem;

// Each figure over this long; the thread's time is counted in nanoseconds.
constexpr int kMilliseconds = 3000;
constexpr int kLooks = 8;

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

// The time a thread of this process has run, in seconds.
double ThreadSeconds(const std::string& tid) {
  std::ifstream schedstat("/proc/self/task/" + tid + "/schedstat");
  double nanoseconds = 0.;
  schedstat >> nanoseconds;
  return nanoseconds * 1e-9;
}

struct Cost {
  double percent;  // of one core, in the quietest window
  double medianPercent;
  // How many different pictures each meter showed along the way.
  std::vector<std::size_t> meterLooks;
};

// What the editor thread takes while the host idles it, looking at the
// meters now and then, in windows. On a shared machine other programs slow
// the thread down, some windows more than others, and the first windows
// after a change (hiding) still see the state before it: the quietest window
// is the editor's own cost, the median what this machine made of it.
Cost Measure(MinimalHost& host, const std::string& tid, const EditorUnderTest& editor) {
  std::vector<std::set<std::vector<std::uint32_t>>> looks(editor.meters.size());
  std::vector<double> percents;
  for (int look = 0; look < kLooks; ++look) {
    const double before = ThreadSeconds(tid);
    const auto start = std::chrono::steady_clock::now();
    host.Idle(kMilliseconds / kLooks);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    percents.push_back(100. * (ThreadSeconds(tid) - before) / wall);
    for (std::size_t m = 0; m < editor.meters.size(); ++m) {
      const IRECT& r = editor.meters[m];
      looks[m].insert(host.Grab(r.L, r.T, r.W(), r.H()));
    }
  }
  std::sort(percents.begin(), percents.end());
  Cost cost{percents.front(), (percents[kLooks / 2 - 1] + percents[kLooks / 2]) / 2., {}};
  for (const auto& seen : looks)
    cost.meterLooks.push_back(seen.size());
  return cost;
}

class Cpu : public ::testing::TestWithParam<EditorUnderTest> {};

TEST_P(Cpu, AnOpenEditorCostsLittle) {
  REQUIRE_X_SESSION();
  const EditorUnderTest& editor = GetParam();
  // The desktop's dpi opens it at its scale.
  if (editor.scale != 1.) SetDesktopDpi(static_cast<int>(std::lround(96. * editor.scale)));
  MinimalHost host(editor.plugin);
  ASSERT_TRUE(host.OpenEditor());
  host.Idle(500);
  const std::string tid = EditorThread();
  ASSERT_FALSE(tid.empty());
  const Cost idle = Measure(host, tid, editor);
  // Every input carries the sine, so every meter moves.
  host.StartAudio(editor.audioLevel);
  host.Idle(300);
  const Cost metering = Measure(host, tid, editor);
  host.Unmap();
  const Cost hidden = Measure(host, tid, editor);
  host.StopAudio();
  SetDesktopDpi(0);
  std::printf(
      "%s: editor thread, %% of a core, quietest (median) of %d windows over %.0f s: nothing "
      "changing %.2f (%.2f), meters moving %.2f (%.2f), hidden with meters moving %.2f (%.2f)\n",
      editor.label.c_str(), kLooks, kMilliseconds / 1000., idle.percent, idle.medianPercent,
      metering.percent, metering.medianPercent, hidden.percent, hidden.medianPercent);
  RecordProperty("idle_percent", std::to_string(idle.percent));
  RecordProperty("meters_percent", std::to_string(metering.percent));
  RecordProperty("hidden_percent", std::to_string(hidden.percent));
  for (std::size_t m = 0; m < editor.meters.size(); ++m) {
    EXPECT_EQ(idle.meterLooks[m], 1u) << "meter " << m << " changed with nothing playing";
    EXPECT_GE(metering.meterLooks[m], 3u) << "meter " << m << " hardly moved";
  }
  EXPECT_LT(idle.percent, 1.);
  EXPECT_LT(metering.percent, 3.);
  EXPECT_LT(hidden.percent, 1.);
}

// Another build of QUOR measured in the same run, to compare with on a
// shared machine: QUOR_CPU_BASELINE=path/to/QUOR.so.
std::vector<EditorUnderTest> CpuEditors() {
  std::vector<EditorUnderTest> editors{FixtureEditor(), QuorEditor(), QuorEditorAt(2.)};
  if (const char* baseline = std::getenv("QUOR_CPU_BASELINE"); baseline && *baseline) {
    EditorUnderTest before = QuorEditor();
    before.label = "quor_baseline";
    before.plugin = baseline;
    editors.push_back(before);
  }
  return editors;
}

INSTANTIATE_TEST_SUITE_P(Editors, Cpu, ::testing::ValuesIn(CpuEditors()), EditorName);

}  // namespace
