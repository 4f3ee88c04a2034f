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
#include "tests/lv2/lv2_host.h"
#include "tests/platform/x_session.h"

namespace {

// What the UI tells its host: written values and gestures, port by port.
struct HostSide {
  std::vector<std::pair<std::uint32_t, float>> mWritten;
  std::vector<std::pair<std::uint32_t, bool>> mTouched;
  std::thread::id mHostThread = std::this_thread::get_id();
  bool mOtherThread = false;

  static void Write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size,
                    std::uint32_t protocol, const void* buffer) {
    auto* host = static_cast<HostSide*>(controller);
    host->mOtherThread |= std::this_thread::get_id() != host->mHostThread;
    if (protocol == 0 && size == sizeof(float))
      host->mWritten.emplace_back(port, *static_cast<const float*>(buffer));
  }
  static void Touch(LV2UI_Feature_Handle handle, std::uint32_t port, bool grabbed) {
    static_cast<HostSide*>(handle)->mTouched.emplace_back(port, grabbed);
  }
};

class Ui {
 public:
  Ui(const Lv2Library& library, Lv2Instance& instance, HostSide& host) : mLibrary(library) {
    mInstanceAccess = {LV2_INSTANCE_ACCESS_URI, instance.Handle()};
    mTouch = {&host, &HostSide::Touch};
    mTouchFeature = {LV2_UI__touch, &mTouch};
    const LV2_Feature* features[] = {&mInstanceAccess, &mTouchFeature, nullptr};
    mHandle =
        library.mUi->instantiate(library.mUi, "", "", &HostSide::Write, &host, &mWidget, features);
  }
  ~Ui() {
    if (mHandle) mLibrary.mUi->cleanup(mHandle);
  }
  bool Valid() const { return mHandle != nullptr; }
  std::string Window() const { return std::to_string(reinterpret_cast<std::uintptr_t>(mWidget)); }
  // The host's idle calls, about 30 a second, until `done` or a while.
  template <typename Done>
  bool IdleUntil(Done done) {
    const auto* idle = static_cast<const LV2UI_Idle_Interface*>(
        mLibrary.mUi->extension_data(LV2_UI__idleInterface));
    for (int i = 0; i < 150; ++i) {
      idle->idle(mHandle);
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(33));
    }
    return false;
  }

 private:
  const Lv2Library& mLibrary;
  LV2_Feature mInstanceAccess{};
  LV2UI_Touch mTouch{};
  LV2_Feature mTouchFeature{};
  LV2UI_Widget mWidget = nullptr;
  LV2UI_Handle mHandle = nullptr;
};

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
  HostSide host;
  Ui ui(library, instance, host);
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
  ASSERT_TRUE(ui.IdleUntil([&] {
    return host.mTouched.size() >= 4 && !host.mWritten.empty() &&
           host.mWritten.back().first == mute;
  }));
  EXPECT_FALSE(host.mOtherThread);
  EXPECT_EQ(host.mTouched.front(), std::make_pair(input, true));
  EXPECT_EQ(host.mTouched[1], std::make_pair(input, false));
  EXPECT_EQ(host.mWritten.front().first, input);
  EXPECT_GT(host.mWritten[host.mWritten.size() - 2].second, 3.f);  // dB, up from 0
  EXPECT_EQ(host.mWritten.back().second, 1.f);
}

TEST(Lv2Ui, TwentyOpensAndClosesLeaveNothingBehind) {
  REQUIRE_X_SESSION();
  const Lv2Library library{Lv2PluginDescriptor(Lv2DescriptionOf(QuorDescriptor())),
                           Lv2UiDescriptor(Lv2DescriptionOf(QuorDescriptor()))};
  Lv2Instance instance(library, 48000.);
  HostSide host;
  { Ui warmUp(library, instance, host); }
  const int windows = CountWindows();
  const int threads = CountEntries("/proc/self/task");
  const int files = CountEntries("/proc/self/fd");
  for (int i = 0; i < 20; ++i) {
    Ui ui(library, instance, host);
    ASSERT_TRUE(ui.Valid());
  }
  EXPECT_EQ(CountWindows(), windows);
  EXPECT_EQ(CountEntries("/proc/self/task"), threads);
  EXPECT_EQ(CountEntries("/proc/self/fd"), files);
}
