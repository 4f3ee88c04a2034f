// The stock controls: switches, buttons, knobs, the fader and text.
#include "editor/controls/bitmap_controls.h"
#include "editor/controls/buttons.h"
#include "editor/controls/fader_control.h"
#include "editor/controls/knob_controls.h"
#include "editor/controls/text_controls.h"
#include "tests/editor/editor_fixture.h"

namespace {

const IMouseMod kLeft{true, false, false, false, false};
const IMouseMod kShift{true, false, true, false, false};
const IMouseMod kCtrl{true, false, false, true, false};

// The knob base draws nothing of its own.
class Knob : public IKnobControl {
 public:
  using IKnobControl::IKnobControl;
  bool Draw(IGraphics*) override { return true; }
};

TEST_F(EditorTest, SwitchesStepThroughTheirFramesAndWrap) {
  auto* two = Add<ISwitchControl>(0, 0, kOn, FrameStrip(10, 10, 2));
  auto* three = Add<ISwitchControl>(20, 0, kPlain, FrameStrip(10, 10, 3));
  auto* one = Add<ISwitchControl>(40, 0, -1, FrameStrip(10, 10, 1));
  const auto steps = [](IControl* control, int n) {
    std::vector<double> seen;
    for (int i = 0; i < n; ++i) {
      control->OnMouseDown(0, 0, {});
      seen.push_back(control->GetValue());
    }
    return seen;
  };
  EXPECT_EQ(steps(two, 3), (std::vector<double>{1.0, 0.0, 1.0}));
  EXPECT_EQ(steps(three, 3), (std::vector<double>{0.5, 1.0, 0.0}));
  EXPECT_EQ(steps(one, 2), (std::vector<double>{1.0, 0.0}));
  two->OnMouseDblClick(0, 0, {});  // a fast second click steps again
  EXPECT_DOUBLE_EQ(two->GetValue(), 0.0);
}

TEST_F(EditorTest, BitmapControlsShowTheNearestFrame) {
  auto* picture = Add<IBitmapControl>(0, 0, -1, FrameStrip(10, 10, 3));
  auto* knob = Add<IKnobMultiControl>(20, 0, kGain, FrameStrip(10, 10, 61));
  AttachToPlug();
  picture->SetValue(0.49);
  EXPECT_EQ(DrawnAt(5, 5), FrameColor(1));
  picture->SetValue(-3.);
  EXPECT_EQ(DrawnAt(5, 5), FrameColor(0));
  picture->SetValue(7.);
  EXPECT_EQ(DrawnAt(5, 5), FrameColor(2));
  knob->SetValue(0.5);
  EXPECT_EQ(DrawnAt(25, 5), FrameColor(30));
}

TEST_F(EditorTest, ContactInvisibleAndPopUpSwitches) {
  auto* contact = Add<IContactControl>(0, 0, kOn, FrameStrip(10, 10, 2));
  auto* invisible = Add<IInvisibleSwitchControl>(IRECT(20, 0, 30, 10), kOn);
  auto* popUp = Add<ISwitchPopUpControl>(40, 0, kShape, FrameStrip(10, 10, 3));
  AttachToPlug();
  gui->OnMouseDown(5, 5, kLeft);
  EXPECT_DOUBLE_EQ(contact->GetValue(), 1.0);
  gui->OnMouseUp(5, 5, kLeft);
  EXPECT_DOUBLE_EQ(contact->GetValue(), 0.0);
  invisible->SetValue(0.5);
  invisible->OnMouseDown(25, 5, kLeft);
  EXPECT_DOUBLE_EQ(invisible->GetValue(), 0.0);
  invisible->OnMouseDown(25, 5, kLeft);
  EXPECT_DOUBLE_EQ(invisible->GetValue(), 1.0);
  gui->SetMenuDriver([](PopupMenuSession& menu) {
    menu.OnKey(ViewKey::Key(EViewKey::kEnd));
    menu.OnKey(ViewKey::Key(EViewKey::kReturn));
  });
  popUp->OnMouseDown(45, 5, kLeft);
  EXPECT_DOUBLE_EQ(popUp->GetValue(), 1.0);
  EXPECT_DOUBLE_EQ(plug.GetParam(kShape)->Value(), 2.);
}

TEST_F(EditorTest, OverlaysAreHitOnlyInTheirTargetWhileOff) {
  auto* overlay = Add<IBitmapOverlayControl>(0, 0, kOn, FrameStrip(40, 40, 2), IRECT(0, 0, 10, 10));
  AttachToPlug();
  overlay->SetValue(0.);
  DrawnAt(0, 0);
  EXPECT_TRUE(overlay->IsHit(5, 5));
  EXPECT_FALSE(overlay->IsHit(30, 30));
  overlay->SetValue(1.);
  EXPECT_EQ(DrawnAt(30, 30), FrameColor(1));
  EXPECT_TRUE(overlay->IsHit(30, 30));
}

TEST_F(EditorTest, FrameSwitchesPickTheFrameUnderThePress) {
  auto* column = Add<ISwitchFramesControl>(0, 0, kShape, FrameStrip(10, 10, 3));
  auto* row = Add<ISwitchFramesControl>(100, 0, kShape, FrameStrip(10, 30, 3, true), true);
  auto* single = Add<ISwitchFramesControl>(200, 0, kOn, FrameStrip(10, 10, 1));
  EXPECT_EQ(column->GetFrameRects()[1], IRECT(0, 3, 10, 6));
  EXPECT_EQ(row->GetFrameRects()[2], IRECT(106, 0, 109, 30));
  column->OnMouseDown(5, 7, {});
  EXPECT_DOUBLE_EQ(column->GetValue(), 1.0);
  column->OnMouseDown(5, 4, {});
  EXPECT_DOUBLE_EQ(column->GetValue(), 0.5);
  row->OnMouseDown(101, 5, {});
  EXPECT_DOUBLE_EQ(row->GetValue(), 0.0);
  single->SetValue(1.);
  single->OnMouseDown(205, 5, {});  // one frame: its only value, not a division by zero
  EXPECT_DOUBLE_EQ(single->GetValue(), 0.0);
}

TEST_F(EditorTest, RadioButtonsLayOutAndPick) {
  const IBitmap button = FrameStrip(10, 8, 2);
  auto* vertical = Add<IRadioButtonsControl>(IRECT(0, 0, 10, 60), kShape, 3, button);
  auto* reversed =
      Add<IRadioButtonsControl>(IRECT(20, 0, 80, 8), kShape, 3, button, kHorizontal, true);
  auto* single = Add<IRadioButtonsControl>(IRECT(100, 0, 110, 60), kOn, 1, button);
  EXPECT_EQ(vertical->GetButtonRects()[1], IRECT(0, 26, 10, 34));  // gap (60 - 24) / 2
  EXPECT_EQ(reversed->GetButtonRects()[0], IRECT(70, 0, 80, 8));
  EXPECT_EQ(reversed->GetButtonRects()[2], IRECT(20, 0, 30, 8));
  EXPECT_EQ(single->GetButtonRects()[0], IRECT(100, 0, 110, 8));
  AttachToPlug();
  vertical->OnMouseDown(5, 55, kLeft);
  EXPECT_DOUBLE_EQ(vertical->GetValue(), 1.0);
  EXPECT_EQ(DrawnAt(5, 55), FrameColor(1));
  EXPECT_EQ(DrawnAt(5, 2), FrameColor(0));
  const std::size_t reports = plug.Automated().size();
  vertical->OnMouseDown(5, 15, kLeft);  // in a gap: the value stays, still reported
  EXPECT_DOUBLE_EQ(vertical->GetValue(), 1.0);
  EXPECT_EQ(plug.Automated().size(), reports + 1);
  single->OnMouseDown(105, 4, kLeft);
  EXPECT_DOUBLE_EQ(single->GetValue(), 0.0);
}

TEST_F(EditorTest, KnobsFollowDragsByTheirGearing) {
  auto* knob = Add<Knob>(IRECT(0, 0, 50, 50), kGain);
  auto* across = Add<Knob>(IRECT(0, 0, 100, 20), kGain, kHorizontal, 1.0);
  knob->SetValue(0.5);
  knob->OnMouseDrag(0, 0, 0, -20, kLeft);
  EXPECT_NEAR(knob->GetValue(), 0.6, 1e-12);
  knob->OnMouseDrag(0, 0, 0, -20, kShift);
  EXPECT_NEAR(knob->GetValue(), 0.61, 1e-12);
  knob->OnMouseDrag(0, 0, 0, 20, kCtrl);
  EXPECT_NEAR(knob->GetValue(), 0.6, 1e-12);
  knob->OnMouseWheel(0, 0, {}, -1);
  EXPECT_NEAR(knob->GetValue(), 0.59, 1e-12);
  knob->OnMouseWheel(0, 0, kCtrl, -1);
  EXPECT_NEAR(knob->GetValue(), 0.589, 1e-12);
  across->SetValue(0.5);
  across->OnMouseDrag(0, 0, 25, 40, kLeft);
  EXPECT_NEAR(across->GetValue(), 0.75, 1e-12);
  // At the top it stays there, and still tells the plug-in.
  knob->SetValue(1.0);
  const std::size_t reports = plug.Automated().size();
  knob->OnMouseDrag(0, 0, 0, -30, kLeft);
  EXPECT_DOUBLE_EQ(knob->GetValue(), 1.0);
  EXPECT_EQ(plug.Automated().size(), reports + 1);
  // A knob of no height has no travel to divide by.
  auto* flat = Add<Knob>(IRECT(0, 0, 50, 0), kGain);
  flat->SetValue(0.5);
  flat->OnMouseDrag(0, 0, 0, -10, kLeft);
  EXPECT_DOUBLE_EQ(flat->GetValue(), 0.5);
}

TEST_F(EditorTest, FadersSnapToTheMouse) {
  const IBitmap handle = FrameStrip(10, 20, 1);
  auto* fader = Add<IFaderControl>(10, 10, 200, kGain, handle);
  auto* across = Add<IFaderControl>(50, 0, 100, kGain, handle, kHorizontal, true);
  EXPECT_EQ(fader->GetRECT(), IRECT(10, 10, 20, 210));
  fader->OnMouseDown(15, 20, kLeft);
  EXPECT_DOUBLE_EQ(fader->GetValue(), 1.0);
  fader->OnMouseDrag(15, 200, 0, 0, kLeft);
  EXPECT_DOUBLE_EQ(fader->GetValue(), 0.0);
  fader->OnMouseDrag(15, 500, 0, 0, kLeft);
  EXPECT_DOUBLE_EQ(fader->GetValue(), 0.0);
  fader->OnMouseDrag(15, 110, 0, 0, kLeft);
  EXPECT_DOUBLE_EQ(fader->GetValue(), 0.5);
  EXPECT_EQ(fader->GetHandleRECT(), IRECT(10, 100, 20, 120));
  fader->OnMouseWheel(0, 0, {}, 2);
  EXPECT_NEAR(fader->GetValue(), 0.52, 1e-12);
  // Horizontal, hit only on its handle.
  across->SetValue(0.);
  EXPECT_EQ(across->GetHandleRECT(), IRECT(50, 0, 60, 20));
  EXPECT_TRUE(across->IsHit(55, 5));
  EXPECT_FALSE(across->IsHit(100, 5));
  across->OnMouseDown(145, 5, kLeft);
  EXPECT_DOUBLE_EQ(across->GetValue(), 1.0);
  // A track no longer than its handle stays put.
  auto* stuck = Add<IFaderControl>(0, 0, 20, kGain, handle);
  stuck->SetValue(0.3);
  stuck->OnMouseDown(5, 5, kLeft);
  EXPECT_DOUBLE_EQ(stuck->GetValue(), 0.3);
}

TEST_F(EditorTest, TextControlsDrawOnlyWhatTheyHold) {
  auto* empty = Add<ITextControl>(IRECT(0, 0, 100, 20), IText(14, COLOR_RED), "");
  auto* caption = Add<ICaptionControl>(IRECT(0, 30, 100, 50), kGain, IText(14, COLOR_RED));
  AttachToPlug();
  gui->Draw(IRECT(0, 0, 300, 200));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 100; ++x)
      ASSERT_EQ(gui->GetPoint(x, y), IColor()) << x << "," << y;
  EXPECT_EQ(caption->GetTextForPlug(), "0.0 dB");
  empty->SetClean();
  empty->SetTextFromPlug("");
  EXPECT_FALSE(empty->IsDirty());
  empty->SetTextFromPlug("level");
  EXPECT_TRUE(empty->IsDirty());
}

}  // namespace
