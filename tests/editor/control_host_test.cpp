// The control host: hit testing, capture, gestures, key routing, dirty
// collection and the two drawing modes.
#include <chrono>
#include <vector>

#include "editor/controls/bitmap_controls.h"
#include "editor/controls/knob_controls.h"
#include "tests/editor/editor_fixture.h"

namespace {

// Records what reaches it and how often it is drawn.
class Probe : public IControl {
 public:
  Probe(IEffectBase* plug, IRECT rect, int paramIdx = -1) : IControl(plug, rect, paramIdx) {}
  void OnMouseDown(int x, int y, const IMouseMod&) override { events.push_back({'d', x, y}); }
  void OnMouseUp(int x, int y, const IMouseMod&) override { events.push_back({'u', x, y}); }
  void OnMouseDrag(int, int, int dX, int dY, const IMouseMod&) override {
    events.push_back({'g', dX, dY});
  }
  void OnMouseDblClick(int x, int y, const IMouseMod&) override { events.push_back({'c', x, y}); }
  void OnMouseWheel(int, int, const IMouseMod&, int d) override { events.push_back({'w', d, 0}); }
  bool OnKeyDown(int, int, int key) override {
    events.push_back({'k', key, 0});
    return true;
  }
  bool Draw(IGraphics*) override {
    ++draws;
    return true;
  }
  struct Event {
    char kind;
    int a, b;
    bool operator==(const Event&) const = default;
  };
  std::vector<Event> events;
  int draws = 0;
};

const IMouseMod kLeft{true, false, false, false, false};

TEST_F(EditorTest, LaterControlsLieOnTopUntilHidden) {
  Probe* below = Add<Probe>(IRECT(0, 0, 100, 100));
  Probe* above = Add<Probe>(IRECT(50, 50, 150, 150));
  AttachToPlug();
  EXPECT_EQ(gui->GetMouseControlIdx(60, 60), 1);
  EXPECT_EQ(gui->GetMouseControlIdx(10, 10), 0);
  EXPECT_EQ(gui->GetMouseControlIdx(100, 10), -1);  // right edges lie outside
  above->Hide(true);
  gui->OnMouseDown(60, 60, kLeft);
  EXPECT_EQ(below->events.size(), 1u);
  EXPECT_TRUE(above->events.empty());
}

TEST_F(EditorTest, GrayedControlsPassPressesWheelAndKeysOn) {
  Probe* background = Add<Probe>(IRECT(0, 0, 300, 200));
  Probe* middle = Add<Probe>(IRECT(0, 0, 100, 100));
  Probe* top = Add<Probe>(IRECT(0, 0, 50, 50));
  auto catcher = std::make_unique<Probe>(&plug, IRECT());
  Probe* keys = catcher.get();
  gui->AttachKeyCatcher(std::move(catcher));
  AttachToPlug();
  top->GrayOut(true);
  EXPECT_FLOAT_EQ(top->GetBlend().mWeight, 0.25f);
  gui->OnMouseDown(10, 10, kLeft);
  gui->OnMouseUp(10, 10, kLeft);
  gui->OnMouseWheel(10, 10, {}, -2);
  EXPECT_TRUE(gui->OnKeyDown(10, 10, KEY_SPACE));
  EXPECT_TRUE(top->events.empty());
  EXPECT_EQ(middle->events, (std::vector<Probe::Event>{
                                {'d', 10, 10}, {'u', 10, 10}, {'w', -2, 0}, {'k', KEY_SPACE, 0}}));
  // Over the background a key goes to the key catcher.
  EXPECT_TRUE(gui->OnKeyDown(200, 150, KEY_UPARROW));
  EXPECT_EQ(keys->events.back(), (Probe::Event{'k', KEY_UPARROW, 0}));
  EXPECT_TRUE(background->events.empty());
  // Mouse-over may reach a grayed control when it asks to.
  top->SetMOWhenGrayed(true);
  EXPECT_EQ(gui->GetMouseControlIdx(10, 10, true), 2);
  EXPECT_EQ(gui->GetMouseControlIdx(10, 10, false), 1);
  top->GrayOut(false);
  EXPECT_FLOAT_EQ(top->GetBlend().mWeight, 1.0f);
}

TEST_F(EditorTest, CaptureKeepsTheDragOnOneControlWithDeltas) {
  Probe* knob = Add<Probe>(IRECT(10, 10, 40, 40), kGain);
  Add<Probe>(IRECT(100, 0, 200, 200));
  AttachToPlug();
  gui->OnMouseDown(20, 20, kLeft);
  gui->OnMouseDrag(20, 20, kLeft);   // no movement: no drag
  gui->OnMouseDrag(150, 15, kLeft);  // over the other control, still captured
  gui->OnMouseDrag(148, 18, kLeft);
  gui->OnMouseUp(148, 18, kLeft);
  EXPECT_EQ(knob->events, (std::vector<Probe::Event>{
                              {'d', 20, 20}, {'g', 130, -5}, {'g', -2, 3}, {'u', 148, 18}}));
  gui->OnMouseDrag(10, 10, kLeft);  // no capture after the release
  EXPECT_EQ(knob->events.size(), 4u);
}

TEST_F(EditorTest, GesturesAreReportedInBalancedPairs) {
  Add<IKnobMultiControl>(10, 10, kGain, FrameStrip(20, 20, 5));
  AttachToPlug();
  gui->OnMouseDown(15, 15, kLeft);
  gui->OnMouseDrag(15, 5, kLeft);
  gui->OnMouseUp(15, 5, kLeft);
  // A click, then the double click's reset in a gesture of its own.
  gui->OnMouseDown(15, 15, kLeft);
  gui->OnMouseUp(15, 15, kLeft);
  gui->OnMouseDblClick(15, 15, kLeft);
  gui->OnMouseUp(15, 15, kLeft);
  // A press whose release never comes ends before the next begins.
  gui->OnMouseDown(15, 15, kLeft);
  gui->OnMouseDown(15, 15, kLeft);
  gui->OnMouseUp(15, 15, kLeft);
  std::vector<std::pair<int, bool>> expected;
  for (int i = 0; i < 5; ++i) {
    expected.emplace_back(kGain, true);
    expected.emplace_back(kGain, false);
  }
  EXPECT_EQ(plug.Gestures(), expected);
  // The drag's change and the reset each lie inside their gesture.
  EXPECT_EQ(plug.HostCalls(), "baebebaebebe");
}

TEST_F(EditorTest, EveryChangeFromTheEditorLiesInsideAGesture) {
  Add<IKnobMultiControl>(10, 10, kGain, FrameStrip(20, 20, 5));
  ISwitchControl* toggle = Add<ISwitchControl>(50, 10, kOn, FrameStrip(20, 20, 2));
  toggle->SetMouseDblAsSingleClick(true);
  AttachToPlug();
  // Quick clicks on a switch: the second arrives as a double click.
  gui->OnMouseDown(55, 15, kLeft);
  gui->OnMouseUp(55, 15, kLeft);
  gui->OnMouseDblClick(55, 15, kLeft);
  gui->OnMouseUp(55, 15, kLeft);
  EXPECT_EQ(plug.HostCalls(), "baebae");
  // A burst of wheel steps is one gesture, ended by a pause or a press.
  plug.HostCalls().clear();
  for (int step = 0; step < 3; ++step)
    gui->OnMouseWheel(15, 15, kLeft, 1);
  gui->OnTimer(std::chrono::steady_clock::now());
  EXPECT_EQ(plug.HostCalls(), "baaa");
  gui->OnTimer(std::chrono::steady_clock::now() + IGraphics::kWheelGesturePause);
  EXPECT_EQ(plug.HostCalls(), "baaae");
  gui->OnMouseWheel(15, 15, kLeft, -1);
  gui->OnMouseDown(55, 15, kLeft);
  gui->OnMouseUp(55, 15, kLeft);
  EXPECT_EQ(plug.HostCalls(), "baaaebaebae");
  // Closing the window ends a burst still going on.
  gui->OnMouseWheel(15, 15, kLeft, 1);
  gui->CloseWindow();
  EXPECT_EQ(plug.HostCalls(), "baaaebaebaebae");
}

TEST_F(EditorTest, DirtyCollectionIsTheUnionOfDirtyControls) {
  Probe* a = Add<Probe>(IRECT(10, 10, 20, 20));
  Probe* b = Add<Probe>(IRECT(50, 60, 70, 80));
  Add<Probe>(IRECT(100, 100, 120, 120));
  AttachToPlug();
  gui->Tick();
  IRECT area;
  EXPECT_FALSE(gui->IsDirty(&area));
  EXPECT_TRUE(area.Empty());
  a->SetDirty(false);
  b->SetDirty(false);
  EXPECT_TRUE(gui->IsDirty(&area));
  EXPECT_EQ(area, IRECT(10, 10, 70, 80));
}

TEST_F(EditorTest, StrictDrawingDrawsWhatMeetsTheAreaAndCleansAll) {
  Probe* inside = Add<Probe>(IRECT(0, 0, 20, 20));
  Probe* touching = Add<Probe>(IRECT(40, 0, 50, 20));
  Probe* outside = Add<Probe>(IRECT(100, 100, 120, 120));
  Probe* hidden = Add<Probe>(IRECT(0, 0, 20, 20));
  AttachToPlug();
  hidden->Hide(true);
  gui->Draw(IRECT(5, 5, 19, 19));
  EXPECT_EQ(inside->draws, 1);
  EXPECT_EQ(touching->draws, 0);
  EXPECT_EQ(hidden->draws, 0);
  // Every control was cleaned, drawn or not; hiding keeps one pass more.
  EXPECT_FALSE(outside->IsDirty());
  EXPECT_TRUE(hidden->IsDirty());
  // A control's right edge counts as touching an area that starts there.
  gui->Draw(IRECT(50, 5, 60, 19));
  EXPECT_EQ(touching->draws, 1);
  EXPECT_EQ(outside->draws, 0);
  EXPECT_FALSE(hidden->IsDirty());
}

TEST_F(EditorTest, NonStrictDrawingRedrawsAroundEachDirtyControl) {
  Probe* background = Add<Probe>(IRECT(0, 0, 300, 200));
  Probe* a = Add<Probe>(IRECT(10, 10, 30, 30));
  Probe* overlapping = Add<Probe>(IRECT(25, 25, 40, 40));
  Probe* apart = Add<Probe>(IRECT(100, 100, 120, 120));
  AttachToPlug();
  gui->SetStrictDrawing(false);
  gui->Tick();  // the background is dirty: everything is drawn
  EXPECT_EQ(background->draws, 1);
  EXPECT_EQ(apart->draws, 1);
  a->SetDirty(false);
  gui->Tick();
  EXPECT_EQ(background->draws, 2);
  EXPECT_EQ(a->draws, 2);
  EXPECT_EQ(overlapping->draws, 2);
  EXPECT_EQ(apart->draws, 1);
  EXPECT_FALSE(a->IsDirty());
}

TEST_F(EditorTest, OneMeterRedrawsOnlyItsArea) {
  gui->AttachPanelBackground(COLOR_BLACK);
  Add<IBitmapControl>(10, 10, -1, FrameStrip(8, 30, 11));
  const int meter = gui->AttachControl(
      std::make_unique<IBitmapControl>(&plug, 40, 10, -1, FrameStrip(8, 30, 11)));
  AttachToPlug();
  gui->SetControlFromPlug(meter, 0.0);  // the first value is the meter's rest
  gui->Tick();
  gui->SetControlFromPlug(meter, 0.5);
  EXPECT_EQ(gui->Tick(), IRECT(40, 10, 48, 40));
  EXPECT_EQ(gui->GetPoint(41, 11), FrameColor(5));
  // The pending flag draws it once more, then it rests.
  EXPECT_EQ(gui->Tick(), IRECT(40, 10, 48, 40));
  EXPECT_TRUE(gui->Tick().Empty());
  gui->SetControlFromPlug(-1, 0.3);
  gui->SetControlFromPlug(gui->NControls(), 0.3);
  EXPECT_TRUE(gui->Tick().Empty());
}

TEST_F(EditorTest, ParameterValuesReachBoundAndAuxiliaryControls) {
  Probe* gain = Add<Probe>(IRECT(0, 0, 10, 10), kGain);
  Probe* both = Add<Probe>(IRECT(0, 0, 10, 10), kSteps);
  both->AddAuxParam(kGain);
  AttachToPlug();
  EXPECT_DOUBLE_EQ(gain->GetValue(), 0.5);  // primed by AttachGraphics
  EXPECT_DOUBLE_EQ(both->GetValue(), 0.3);
  gui->SetParameterFromPlug(kGain, 6., false);
  EXPECT_DOUBLE_EQ(gain->GetValue(), 0.75);
  EXPECT_DOUBLE_EQ(both->GetAuxParam(0)->mValue.Get(), 0.75);
  gui->SetParameterFromPlug(kGain, 0.25, true);
  EXPECT_DOUBLE_EQ(gain->GetValue(), 0.25);
  // Out of range: nothing happens.
  gui->SetParameterFromPlug(kNumTestParams, 5., false);
  gui->ClampControl(kGain, -6., 6., false);
  gain->SetValueFromUserInput(1.0);
  EXPECT_DOUBLE_EQ(gain->GetValue(), 0.75);
}

// Rebuilds its controls, as a plug-in's resize hook would.
class ResizingPlug : public EditorTestPlug {
 public:
  void OnWindowResize() override {
    static_cast<IGraphics*>(GetGUI())->AttachPanelBackground(COLOR_GRAY);
  }
};

TEST(ControlHost, ResizeRebuildsTheControls) {
  ResizingPlug plug;
  auto graphics = std::make_unique<IGraphicsHeadless>(&plug, 100, 80);
  IGraphicsHeadless* gui = graphics.get();
  gui->AttachPanelBackground(COLOR_BLACK);
  gui->AttachPanelBackground(COLOR_BLACK);
  plug.AttachGraphics(std::move(graphics));
  gui->Resize(120, 90);
  EXPECT_EQ(gui->NControls(), 1);
  EXPECT_EQ(gui->GetControl(0)->GetRECT(), IRECT(0, 0, 120, 90));
  EXPECT_EQ(gui->GetSurface()->getWidth(), 120);
}

}  // namespace
