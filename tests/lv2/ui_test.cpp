// The LV2 UI on a private X server, as suil embeds it: the editor's window
// exists when instantiation returns, xdotool's drag and click reach the host
// through the write function on the host's thread, inside touch gestures,
// and opening and closing it leaves nothing behind.
#include <gtest/gtest.h>

#include <dirent.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "lv2/lv2_descriptors.h"
#include "tests/hosts/lv2_test_host.h"
#include "tests/platform/x_session.h"

namespace {

int CountEntries(const char* folder) {
  int n = 0;
  if (DIR* dir = opendir(folder)) {
    while (readdir(dir))
      ++n;
    closedir(dir);
  }
  return n;
}

}  // namespace

TEST(Lv2Ui, GesturesReachTheHostOnItsThreadInsideTouches) {
  REQUIRE_X_SESSION();
  const Lv2Library library{Lv2PluginDescriptor(Lv2DescriptionOf(QuorDescriptor())),
                           Lv2UiDescriptor(Lv2DescriptionOf(QuorDescriptor()))};
  Lv2Instance instance(library, 48000.);
  Lv2UiHostSide host;
  Lv2UiInstance ui(library, instance, host);
  ASSERT_TRUE(ui.Valid());
  // Strip 5's Input knob, dragged up; Mute 1, clicked.
  MoveTo(ui.Window(), 607, 530);
  Xdo({"mousedown", "1"});
  MoveTo(ui.Window(), 607, 500);
  MoveTo(ui.Window(), 607, 480);
  Xdo({"mouseup", "1"});
  ClickAt(ui.Window(), 67, 680);
  const std::uint32_t input = Lv2Instance::Port("input_5");
  const std::uint32_t mute = Lv2Instance::Port("mute_1");
  using Kind = Lv2UiHostSide::Told::Kind;
  const auto told = [&](Kind kind) {
    std::vector<std::pair<std::uint32_t, float>> of;
    for (const Lv2UiHostSide::Told& t : host.Log())
      if (t.mKind == kind) of.emplace_back(t.mPort, t.mValue);
    return of;
  };
  ASSERT_TRUE(ui.IdleUntil([&] {
    const auto written = told(Kind::kWrite);
    return told(Kind::kTouch).size() >= 4 && !written.empty() && written.back().first == mute;
  }));
  EXPECT_EQ(host.Violations(), std::vector<std::string>{});
  const auto touched = told(Kind::kTouch);
  const auto written = told(Kind::kWrite);
  EXPECT_EQ(touched.front(), std::make_pair(input, 1.f));
  EXPECT_EQ(touched[1], std::make_pair(input, 0.f));
  EXPECT_EQ(written.front().first, input);
  EXPECT_GT(written[written.size() - 2].second, 3.f);  // dB, up from 0
  EXPECT_EQ(written.back().second, 1.f);
}

TEST(Lv2Ui, TwentyOpensAndClosesLeaveNothingBehind) {
  REQUIRE_X_SESSION();
  const Lv2Library library{Lv2PluginDescriptor(Lv2DescriptionOf(QuorDescriptor())),
                           Lv2UiDescriptor(Lv2DescriptionOf(QuorDescriptor()))};
  Lv2Instance instance(library, 48000.);
  Lv2UiHostSide host;
  { Lv2UiInstance warmUp(library, instance, host); }
  const int windows = CountWindows();
  const int threads = CountEntries("/proc/self/task");
  const int files = CountEntries("/proc/self/fd");
  for (int i = 0; i < 20; ++i) {
    Lv2UiInstance ui(library, instance, host);
    ASSERT_TRUE(ui.Valid());
  }
  EXPECT_EQ(CountWindows(), windows);
  EXPECT_EQ(CountEntries("/proc/self/task"), threads);
  EXPECT_EQ(CountEntries("/proc/self/fd"), files);
}

// The host is asked for the size the window opened at, in pixels: twice the
// editor's at the host's scale of 2.
TEST(Lv2Ui, AsksTheHostForTheSizeItIsDrawnAt) {
  REQUIRE_X_SESSION();
  const Lv2Library library{Lv2PluginDescriptor(Lv2DescriptionOf(QuorDescriptor())),
                           Lv2UiDescriptor(Lv2DescriptionOf(QuorDescriptor()))};
  Lv2Instance instance(library, 48000.);
  Lv2UiHostSide host;
  Lv2UiInstance ui(library, instance, host, nullptr, 2.f);
  ASSERT_TRUE(ui.Valid());
  const std::vector<Lv2UiHostSide::Told> told = host.Log();
  ASSERT_FALSE(told.empty());
  EXPECT_EQ(told.front().mKind, Lv2UiHostSide::Told::Kind::kResize);
  EXPECT_EQ(told.front().mPort, 2430u);
  EXPECT_EQ(told.front().mValue, 1384.f);
}

// A host may clean the instance up before its UI: the UI then idles and
// goes without touching what is gone.
TEST(Lv2Ui, OutlivesItsInstance) {
  REQUIRE_X_SESSION();
  const Lv2Library library{Lv2PluginDescriptor(Lv2DescriptionOf(QuorDescriptor())),
                           Lv2UiDescriptor(Lv2DescriptionOf(QuorDescriptor()))};
  auto instance = std::make_unique<Lv2Instance>(library, 48000.);
  Lv2UiHostSide host;
  Lv2UiInstance ui(library, *instance, host);
  ASSERT_TRUE(ui.Valid());
  instance.reset();
  ui.Idle();
  const float value = 0.5f;
  library.mUi->port_event(nullptr, 0, sizeof value, 0, &value);
}
