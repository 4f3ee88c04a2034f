// QUOR's CLAP entry linked into the test: the editor's edits on their way to
// the host, and the editor's sizes as the host asks for them.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "clap/clap_plugin.h"
#include "tests/hosts/clap_test_host.h"

extern "C" const clap_plugin_entry_t clap_entry;

namespace {

constexpr clap_id kInput1 = 3;

class ClapLinked : public ::testing::Test {
 protected:
  void SetUp() override {
    // No remembered editor scale of the machine's user counts here.
    setenv("XDG_CONFIG_HOME", std::filesystem::temp_directory_path().c_str(), 1);
    unsetenv("QUOR_EDITOR_SCALE");
    ASSERT_TRUE(host.Create() && host.Init());
  }
  void TearDown() override {
    for (const std::string& violation : host.Violations())
      ADD_FAILURE() << violation;
  }
  // A drag on track 1's Input knob, as the editor's thread reports it.
  void Drag(double normalized) {
    IEffectBase& plug = ClapPlugin::Of(host.Plugin())->Plug();
    std::thread editor([&] {
      const ThreadRoleScope role(ThreadRole::kEditor);
      plug.BeginInformHostOfParamChange(static_cast<int>(kInput1));
      plug.SetParameterFromGUI(static_cast<int>(kInput1), normalized);
      plug.EndInformHostOfParamChange(static_cast<int>(kInput1));
    });
    editor.join();
  }
  static void ExpectGesture(const ClapOutputEvents& events, double value) {
    ASSERT_EQ(events.Events().size(), 3u);
    EXPECT_EQ(events.Header(0).type, kClapEventParamGestureBegin);
    EXPECT_EQ(events.Header(1).type, kClapEventParamValue);
    EXPECT_EQ(events.Header(2).type, kClapEventParamGestureEnd);
    const auto change = events.As<clap_event_param_value_t>(1);
    EXPECT_EQ(change.param_id, kInput1);
    EXPECT_EQ(change.value, value);  // in dB, as the host lists it
  }

  ClapLibrary library{&clap_entry, "linked"};
  ClapTestHost host{library, [] {
                      ClapTestHost::Options options;
                      options.mPlugMutexesHeld = &PlugMutexesHeldByThisThread;
                      return options;
                    }()};
};

}  // namespace

// While the host processes nothing, a timer asks for a flush; while it
// processes, the next block carries the edits.
TEST_F(ClapLinked, EditsReachTheHostAsGestures) {
  const auto* gui = host.Extension<clap_plugin_gui_t>(kClapExtGui);
  ASSERT_TRUE(gui && gui->create(host.Plugin(), kClapWindowApiX11, false));
  ASSERT_EQ(host.Timers().size(), 1u);
  ASSERT_TRUE(host.Activate(48000., 1, 256));
  Drag(0.75);
  EXPECT_EQ(host.Value(kInput1), 12.);  // the sound has it at once
  host.Idle();                          // nothing processed since the last tick
  EXPECT_EQ(host.CallCount("params.request_flush"), 1);
  ExpectGesture(host.Pushed(), 12.);
  host.ClearRecords();

  ASSERT_TRUE(host.StartProcessing());
  ClapAudioBuffers<float> audio({16}, {16}, 256);
  audio.Fill([](std::size_t, std::size_t, std::uint32_t) { return 0.f; });
  host.Process(audio);
  host.Idle();
  Drag(0.25);
  ClapOutputEvents out;
  host.Process(audio, nullptr, &out);
  ExpectGesture(out, -12.);
  host.Idle();  // blocks came: nothing to ask for
  EXPECT_EQ(host.CallCount("params.request_flush"), 0);
  gui->destroy(host.Plugin());
  EXPECT_TRUE(host.Timers().empty());
}

// Sizes in physical pixels: the host's scale where it gives one, rounded to
// the editor's steps, its proportions kept.
TEST_F(ClapLinked, EditorSizes) {
  const auto* gui = host.Extension<clap_plugin_gui_t>(kClapExtGui);
  ASSERT_TRUE(gui);
  EXPECT_FALSE(gui->create(host.Plugin(), kClapWindowApiX11, true));  // floating: no
  ASSERT_TRUE(gui->create(host.Plugin(), kClapWindowApiX11, false));
  std::uint32_t w = 0, h = 0;
  ASSERT_TRUE(gui->get_size(host.Plugin(), &w, &h));
  EXPECT_EQ(w * 692, h * 1215);
  EXPECT_TRUE(gui->set_scale(host.Plugin(), 2.));
  ASSERT_TRUE(gui->get_size(host.Plugin(), &w, &h));
  EXPECT_EQ(w, 2430u);
  EXPECT_EQ(h, 1384u);
  EXPECT_FALSE(gui->set_scale(host.Plugin(), NAN));
  EXPECT_TRUE(gui->can_resize(host.Plugin()));
  clap_gui_resize_hints_t hints{};
  ASSERT_TRUE(gui->get_resize_hints(host.Plugin(), &hints));
  EXPECT_TRUE(hints.preserve_aspect_ratio);
  for (auto [proposedW, proposedH, wantW, wantH] :
       {std::array<std::uint32_t, 4>{700, 500, 911, 519},
        {1300, 1300, 1215, 692},
        {1900, 1100, 1823, 1038},
        {9000, 9000, 2430, 1384},
        {0, 0, 911, 519}}) {
    w = proposedW;
    h = proposedH;
    ASSERT_TRUE(gui->adjust_size(host.Plugin(), &w, &h));
    EXPECT_EQ(w, wantW) << proposedW << "x" << proposedH;
    EXPECT_EQ(h, wantH) << proposedW << "x" << proposedH;
  }
  EXPECT_TRUE(gui->set_size(host.Plugin(), 1519, 865));  // 125 %
  ASSERT_TRUE(gui->get_size(host.Plugin(), &w, &h));
  EXPECT_EQ(w, 1519u);
  EXPECT_FALSE(gui->set_size(host.Plugin(), 1000, 1000));  // no step has it
  clap_window_t nowhere{kClapWindowApiX11, {}};
  EXPECT_FALSE(gui->set_parent(host.Plugin(), &nowhere));
  gui->destroy(host.Plugin());
}
