// QUOR.vst3's editor in a window of the test host's, on a private X server,
// as Ardour embeds it: it opens at the scale the host gives, before or after
// it is attached; a drag reaches the component handler only from the host's
// run loop, on the host's UI thread; removing the view stops all it started.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <string>

#include "tests/hosts/vst3_editor_host.h"
#include "tests/hosts/vst3_test_host.h"
#include "tests/platform/x_session.h"

namespace {

using namespace vst3;
using namespace vst3_test;
using namespace std::chrono_literals;

constexpr Iid kQuorClass = MakeIid(0xD0FF3248, 0x8DF7434B, 0xAA0B34D0, 0xFEA9DFB6);
constexpr ParamID kInput5 = 43;

// A top-level window of the host's, sized as the frame asks.
class HostWindow {
 public:
  HostWindow() : mConnection(xcb_connect(nullptr, nullptr)) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(mConnection)).data;
    mWindow = xcb_generate_id(mConnection);
    xcb_create_window(mConnection, XCB_COPY_FROM_PARENT, mWindow, screen->root, 0, 0, 100, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_map_window(mConnection, mWindow);
    xcb_flush(mConnection);
  }
  ~HostWindow() {
    xcb_destroy_window(mConnection, mWindow);
    xcb_disconnect(mConnection);
  }
  void Resize(int width, int height) {
    const std::uint32_t size[] = {static_cast<std::uint32_t>(width),
                                  static_cast<std::uint32_t>(height)};
    xcb_configure_window(mConnection, mWindow, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         size);
    xcb_flush(mConnection);
  }
  // The editor's window: the host window's child.
  std::string Child() {
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(mConnection, xcb_query_tree(mConnection, mWindow), nullptr);
    std::string child;
    if (tree && xcb_query_tree_children_length(tree) > 0)
      child = std::to_string(xcb_query_tree_children(tree)[0]);
    std::free(tree);
    return child;
  }
  std::uintptr_t Id() const { return mWindow; }

 private:
  xcb_connection_t* mConnection;
  xcb_window_t mWindow;
};

TEST(Vst3Editor, OpensAtTheHostsScaleAndHandsEditsOverOnTheUiThread) {
  REQUIRE_X_SESSION();
  std::string error;
  const auto module = Vst3Module::Load(QUOR_VST3_BUNDLE, &error);
  ASSERT_TRUE(module) << error;
  Vst3Host host;
  {
    Vst3Instance plugin(host, *module, kQuorClass);
    ASSERT_EQ(plugin.Error(), "");
    for (const float scale : {1.f, 2.f}) {
      HostWindow window;
      Vst3EditorSession editor(host.Checks(), plugin.Controller());
      editor.Frame().mResizeWindow = [&](int w, int h) { window.Resize(w, h); };
      ASSERT_EQ(editor.Open(window.Id(), scale), kResultOk);
      EXPECT_EQ(editor.Size().Width(), std::lround(1215 * scale));
      EXPECT_EQ(editor.Size().Height(), std::lround(692 * scale));
      editor.Loop().RunFor(300ms);

      // Input 5's knob dragged up, as a user does.
      host.Handler().Clear();
      SetEditorScale(static_cast<double>(scale));
      const std::string child = window.Child();
      ASSERT_FALSE(child.empty());
      MoveTo(child, 607, 530);
      const std::string step = std::to_string(std::lround(-8 * scale));
      Xdo({"mousedown", "1", "mousemove_relative", "--", "0", step, "mousemove_relative", "--", "0",
           step, "mouseup", "1"});
      const auto ended = [&] {
        for (const EditCall& call : host.Handler().Calls())
          if (call.mKind == EditCall::Kind::kEnd && call.mId == kInput5) return true;
        return false;
      };
      ASSERT_TRUE(editor.Loop().RunUntil(ended, 5s)) << "no end of the gesture";
      const auto calls = host.Handler().Calls();
      EXPECT_EQ(calls.front().mKind, EditCall::Kind::kBegin);
      int values = 0;
      for (const EditCall& call : calls) {
        EXPECT_TRUE(call.mOnUiThread);
        EXPECT_EQ(call.mId, kInput5);
        values += call.mKind == EditCall::Kind::kPerform;
      }
      EXPECT_GT(values, 0);
      EXPECT_GT(plugin.Controller()->getParamNormalized(kInput5), 0.5);
      EXPECT_TRUE(editor.Close());
      EXPECT_EQ(editor.Loop().Timers(), 0);
    }

    // A scale the host gives once the editor is open: it opens again at
    // that size and tells the frame.
    HostWindow window;
    Vst3EditorSession editor(host.Checks(), plugin.Controller());
    ASSERT_EQ(editor.Open(window.Id(), 1.f), kResultOk);
    auto scaling = RefPtr<IPlugViewContentScaleSupport>::Query(editor.View());
    ASSERT_TRUE(scaling);
    EXPECT_EQ(scaling->setContentScaleFactor(1.5f), kResultTrue);
    ASSERT_FALSE(editor.Frame().Requests().empty());
    EXPECT_EQ(editor.Frame().Requests().back().Width(), std::lround(1215 * 1.5));
    EXPECT_EQ(scaling->setContentScaleFactor(std::nanf("")), kInvalidArgument);
    scaling.Reset();
    EXPECT_TRUE(editor.Close());
  }
  for (const std::string& violation : host.Checks().Violations())
    ADD_FAILURE() << violation;
}

}  // namespace
