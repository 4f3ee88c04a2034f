// A real editor behind the VST2 adapter, seen through the effect record as a
// host sees it: the editor flag and rectangle, opening and closing, host
// automation reaching the controls, and a drag reaching the host.
#include <vector>

#include "editor/controls/knob_controls.h"
#include "editor/igraphics_headless.h"
#include "tests/editor/editor_fixture.h"
#include "vst2/entry_point.h"

namespace {

struct HostCall {
  VstInt32 opcode;
  VstInt32 index;
  float opt;
};
std::vector<HostCall> gHostCalls;

VstIntPtr RecordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt) {
  if (opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit ||
      opcode == audioMasterAutomate)
    gHostCalls.push_back({opcode, index, opt});
  return 0;
}

class EditorPlug : public IEffectVST2 {
 public:
  explicit EditorPlug(IInstanceInfo info)
      : IEffectVST2(info, 2, "2-2", 1, "Seam", "Seam", "Test", 0x00010000, 0x5365616D, 0x54657374,
                    0, false, false, false, 0) {
    GetParam(0)->InitDouble("Drive", 0., 0., 10., 0.01);
    GetParam(1)->InitBool("Boost", false);
    auto graphics = std::make_unique<IGraphicsHeadless>(this, 320, 180);
    gui = graphics.get();
    gui->AttachPanelBackground(COLOR_BLACK);
    knob = gui->AttachControl(
        std::make_unique<IKnobMultiControl>(this, 10, 10, 0, FrameStrip(40, 40, 11)));
    AttachGraphics(std::move(graphics));
  }
  void ProcessDoubleReplacing(double**, double**, int) override {}
  void OnParamChange(int paramIdx) override {
    seenByControl.push_back(gui->GetControl(knob)->GetValue());
    IEffectVST2::OnParamChange(paramIdx);
  }

  IGraphicsHeadless* gui;
  int knob;
  std::vector<double> seenByControl;
};

TEST(AdapterSeam, AHostDrivesTheEditorThroughTheEffectRecord) {
  gHostCalls.clear();
  AEffect* effect = InstantiateVST2<EditorPlug>(RecordingHost);
  ASSERT_NE(effect, nullptr);
  auto& plug = *static_cast<EditorPlug*>(effect->object);
  EXPECT_NE(effect->flags & effFlagsHasEditor, 0);
  ERect* rect = nullptr;
  EXPECT_EQ(effect->dispatcher(effect, effEditGetRect, 0, 0, &rect, 0.f), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->right, 320);
  EXPECT_EQ(rect->bottom, 180);

  EXPECT_EQ(effect->dispatcher(effect, effEditOpen, 0, 0, nullptr, 0.f), 1);
  EXPECT_TRUE(plug.gui->WindowIsOpen());

  // Automation reaches the control before the change handler runs.
  effect->setParameter(effect, 0, 0.7f);
  ASSERT_EQ(plug.seenByControl.size(), 1u);
  EXPECT_NEAR(plug.seenByControl[0], 0.7, 1e-6);
  EXPECT_TRUE(plug.gui->GetControl(plug.knob)->IsDirty());

  // A drag on the knob: begin, automation, end, in that order.
  const IMouseMod left{true, false, false, false, false};
  plug.gui->OnMouseDown(20, 20, left);
  plug.gui->OnMouseDrag(20, 12, left);
  plug.gui->OnMouseUp(20, 12, left);
  ASSERT_EQ(gHostCalls.size(), 3u);
  EXPECT_EQ(gHostCalls[0].opcode, audioMasterBeginEdit);
  EXPECT_EQ(gHostCalls[1].opcode, audioMasterAutomate);
  EXPECT_NEAR(gHostCalls[1].opt, 0.75f, 1e-6f);  // 8 pixels of a 40-pixel knob at gearing 4
  EXPECT_EQ(gHostCalls[2].opcode, audioMasterEndEdit);
  EXPECT_NEAR(effect->getParameter(effect, 0), 0.75f, 1e-6f);

  EXPECT_EQ(effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.f), 1);
  EXPECT_FALSE(plug.gui->WindowIsOpen());
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.f);
}

}  // namespace
