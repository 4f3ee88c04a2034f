// The control base and its records: values from the plug-in and the user,
// clamping, graying, prompts, and the value hand-over between threads.
#include <atomic>
#include <thread>

#include "editor/controls/text_controls.h"
#include "tests/editor/editor_fixture.h"

namespace {

class Plain : public IControl {
 public:
  using IControl::IControl;
  bool Draw(IGraphics*) override { return true; }
};

TEST(Records, RectanglesAndColours) {
  EXPECT_FALSE(IRECT(0, 0, 0, 0).Contains(0, 0));
  EXPECT_FALSE(IRECT(0, 0, 0, 5).Empty());
  EXPECT_FALSE(IRECT(0, 0, 0, 5).Contains(0, 1));
  EXPECT_FALSE(IRECT().Intersects(IRECT(0, 0, 10, 10)));
  EXPECT_EQ(IRECT(0, 0, 10, 10).Union(IRECT()), IRECT(0, 0, 10, 10));
  EXPECT_EQ(IRECT().Union(IRECT(1, 2, 3, 4)), IRECT(1, 2, 3, 4));
  EXPECT_EQ(IRECT(0, 0, 10, 10).Intersect(IRECT(5, -5, 20, 8)), IRECT(5, 0, 10, 8));
  EXPECT_TRUE(IRECT(0, 0, 10, 10).Intersect(IRECT(20, 20, 30, 30)).Empty());
  EXPECT_FLOAT_EQ(IRECT(1, 2, 4, 7).MW(), 2.5f);
  const IBitmap strip(nullptr, 30, 600, 5, false);
  EXPECT_EQ(IRECT(10, 20, strip), IRECT(10, 20, 40, 140));
  const IBitmap row(nullptr, 300, 60, 5, true);
  EXPECT_EQ(IRECT(0, 0, row), IRECT(0, 0, 60, 60));
  EXPECT_EQ(IBitmap(nullptr, 10, 10, 0).N, 1);  // no frame count divides by zero
  EXPECT_EQ(COLOR_ORANGE.ToPixel(), 0xFFFF7F00u);
  EXPECT_EQ(IColor::FromPixel(0x80102030u), IColor(0x80, 0x10, 0x20, 0x30));
}

TEST(HandOver, CleaningKeepsThePendingPassAndTakesOneStep) {
  ControlState state;
  EXPECT_TRUE(state.IsDirty());  // new controls draw first
  state.Clean();
  EXPECT_FALSE(state.IsDirty());
  state.MarkRedrawPending();
  state.MarkDirty();
  state.Clean();
  EXPECT_TRUE(state.IsDirty());
  EXPECT_FALSE(state.IsRedrawPending());
  state.Clean();
  EXPECT_FALSE(state.IsDirty());
  state.SetClamp(0.2, 0.8);
  state.SetValue(0.9);
  state.ClampValue();
  EXPECT_DOUBLE_EQ(state.Value(), 0.8);
  state.SetValue(std::numeric_limits<double>::quiet_NaN());
  state.ClampValue();
  EXPECT_DOUBLE_EQ(state.Value(), 0.2);
}

// A value stored on one thread while another draws and cleans is always drawn
// in the end: no mark is lost between a draw and its clean.
TEST(HandOver, NoValueIsLostBetweenThreads) {
  ControlState state;
  std::atomic<bool> done{false};
  constexpr int kValues = 200000;
  std::thread plug([&] {
    for (int i = 1; i <= kValues; ++i) {
      state.SetValue(i);
      state.MarkRedrawPending();
      state.MarkDirty();
    }
    done.store(true);
  });
  double drawn = 0.;
  const auto pass = [&] {
    if (!state.IsDirty()) return;
    drawn = state.Value();
    state.Clean();
  };
  while (!done.load())
    pass();
  pass();
  pass();
  plug.join();
  EXPECT_EQ(drawn, kValues);
  EXPECT_FALSE(state.IsDirty());
}

TEST_F(EditorTest, TheFirstValueFromThePlugInIsTheDefault) {
  Plain* control = Add<Plain>(IRECT(0, 0, 10, 10), kGain);
  control->SetClean();
  control->SetValueFromPlug(0.3);
  EXPECT_DOUBLE_EQ(control->GetValue(), 0.3);
  EXPECT_DOUBLE_EQ(control->GetDefaultValue(), 0.3);
  // Already drawn at its old value, it is drawn again: a meter's first value
  // once waited for its second.
  EXPECT_TRUE(control->IsDirty());
  control->SetClean();
  control->SetValueFromPlug(0.6);
  EXPECT_TRUE(control->IsDirty());
  EXPECT_TRUE(plug.Automated().empty());  // from the plug-in: no report back
  control->OnMouseDblClick(0, 0, {});
  EXPECT_DOUBLE_EQ(control->GetValue(), 0.3);
  ASSERT_EQ(plug.Automated().size(), 1u);
  EXPECT_DOUBLE_EQ(plug.Automated()[0].second, 0.3);
}

TEST_F(EditorTest, UserInputReachesThePlugInClampedAndOnlyWhenChanged) {
  Plain* control = Add<Plain>(IRECT(0, 0, 10, 10), kSteps);
  AttachToPlug();
  control->SetValueFromUserInput(control->GetValue());
  EXPECT_TRUE(plug.Automated().empty());
  control->Clamp(0.2, 0.8);
  control->SetValueFromUserInput(0.9);
  ASSERT_EQ(plug.Automated().size(), 1u);
  EXPECT_DOUBLE_EQ(plug.Automated()[0].second, 0.8);
  EXPECT_DOUBLE_EQ(plug.GetParam(kSteps)->Value(), 8.);
  EXPECT_EQ(plug.mChanged.back(), kSteps);
  // Unbound controls never call the plug-in.
  Plain* unbound = Add<Plain>(IRECT(0, 0, 10, 10));
  unbound->SetValueFromUserInput(0.4);
  unbound->SetDirty(true);
  EXPECT_EQ(plug.Automated().size(), 1u);
}

TEST_F(EditorTest, RightClicksPromptOnlyWhenEnabledAndBound) {
  Plain* unbound = Add<Plain>(IRECT(0, 0, 10, 10));
  Plain* disabled = Add<Plain>(IRECT(20, 0, 30, 10), kShape);
  Plain* enabled = Add<Plain>(IRECT(40, 0, 80, 20), kShape);
  enabled->DisablePrompt(false);
  unbound->DisablePrompt(false);
  AttachToPlug();
  int menus = 0;
  gui->SetMenuDriver([&](PopupMenuSession&) { ++menus; });
  const IMouseMod right{false, true, false, false, false};
  unbound->OnMouseDown(5, 5, right);
  disabled->OnMouseDown(25, 5, right);
  EXPECT_EQ(menus, 0);
  enabled->OnMouseDown(45, 5, {});
  EXPECT_EQ(menus, 0);
  enabled->OnMouseDown(45, 5, right);
  EXPECT_EQ(menus, 1);
}

TEST_F(EditorTest, TextPromptsSitCentredOverTheControl) {
  Plain* knob = Add<Plain>(IRECT(100, 50, 151, 91), kGain);
  knob->DisablePrompt(false);
  AttachToPlug();
  knob->PromptUserInput();
  ASSERT_NE(gui->GetTextField(), nullptr);
  EXPECT_EQ(gui->GetTextFieldRect(), IRECT(105, 62, 145, 78));
  EXPECT_EQ(gui->GetTextField()->GetText(), "0.0");
}

}  // namespace
