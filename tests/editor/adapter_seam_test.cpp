// A real editor behind the VST2 adapter, driven through the effect record as
// a host drives it: host automation reaches the control before the change
// handler runs, and a drag reaches the host as begin, automation, end.
#include <vector>

#include "editor/controls/knob_controls.h"
#include "tests/editor/editor_fixture.h"
#include "vst2/entry_point.h"
#include "vst2/ieffect_vst2.h"

namespace {

std::vector<std::pair<VstInt32, float>> gHostCalls;  // opcode, option

VstIntPtr RecordingHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float opt) {
  if (opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit ||
      opcode == audioMasterAutomate)
    gHostCalls.emplace_back(opcode, opt);
  return 0;
}

class EditorPlug : public IEffectBase {
 public:
  EditorPlug()
      : IEffectBase(1, "2-2", 1, "Seam", "Seam", "Test", 0x00010000, 0x5365616D, 0x54657374, 0,
                    false, false, false) {
    GetParam(0)->InitDouble("Drive", 0., 0., 10., 0.01);
    auto graphics = std::make_unique<IGraphicsHeadless>(this, 320, 180);
    gui = graphics.get();
    knob = gui->AttachControl(
        std::make_unique<IKnobMultiControl>(this, 10, 10, 0, FrameStrip(40, 40, 11)));
    AttachGraphics(std::move(graphics));
  }
  void ProcessDoubleReplacing(double**, double**, int) override {}
  void OnParamChange(int) override { seenByControl.push_back(gui->GetControl(knob)->GetValue()); }

  IGraphicsHeadless* gui;
  int knob;
  std::vector<double> seenByControl;
};

TEST(AdapterSeam, AHostDrivesTheEditorThroughTheEffectRecord) {
  AEffect* effect = InstantiateVST2<EditorPlug>(RecordingHost);
  ASSERT_NE(effect, nullptr);
  auto& plug = *static_cast<EditorPlug*>(IEffectVST2::PluginOf(effect));
  EXPECT_NE(effect->flags & effFlagsHasEditor, 0);
  EXPECT_EQ(effect->dispatcher(effect, effEditOpen, 0, 0, nullptr, 0.f), 1);
  EXPECT_TRUE(plug.gui->WindowIsOpen());

  effect->setParameter(effect, 0, 0.7f);
  ASSERT_EQ(plug.seenByControl.size(), 1u);
  EXPECT_NEAR(plug.seenByControl[0], 0.7, 1e-6);

  const IMouseMod left{true, false, false, false, false};
  plug.gui->OnMouseDown(20, 20, left);
  plug.gui->OnMouseDrag(20, 12, left);  // 8 pixels of a 40-pixel knob at gearing 4
  plug.gui->OnMouseUp(20, 12, left);
  EXPECT_TRUE(gHostCalls.empty());  // told in the host's idle call, on its thread
  effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.f);
  ASSERT_EQ(gHostCalls.size(), 3u);
  EXPECT_EQ(gHostCalls[0].first, audioMasterBeginEdit);
  EXPECT_EQ(gHostCalls[1].first, audioMasterAutomate);
  EXPECT_NEAR(gHostCalls[1].second, 0.75f, 1e-6f);
  EXPECT_EQ(gHostCalls[2].first, audioMasterEndEdit);

  EXPECT_EQ(effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.f), 1);
  EXPECT_FALSE(plug.gui->WindowIsOpen());
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.f);
}

}  // namespace
