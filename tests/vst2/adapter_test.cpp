// What only the adapter decides, seen through the effect record as a host
// sees it: programs, mono capability, switch and choice parameters, editor calls.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "vst2/entry_point.h"
#include "vst2/ieffect_vst2.h"

namespace {

enum ProbeParam { kOnOff, kShape, kDepth, kNumProbeParams };

// Counts what the adapter asks of an attached editor.
struct EditorCalls {
  int opened = 0;
  int closed = 0;
  void* parent = nullptr;
};

class ProbeEditor : public IEditorSurface {
 public:
  explicit ProbeEditor(EditorCalls* calls) : mCalls(calls) {}
  void SetParameterFromPlug(int, double, bool) override {}
  void SetControlFromPlug(int, double) override {}
  void PrepDraw() override {}
  int Width() const override { return 320; }
  int Height() const override { return 200; }
  void* OpenWindow(void* parent) override {
    ++mCalls->opened;
    mCalls->parent = parent;
    return this;
  }
  void CloseWindow() override { ++mCalls->closed; }

 private:
  EditorCalls* mCalls;
};

EditorCalls gEditorCalls;
const char* gChannelIO = "2-2";
int gPresets = 0;
bool gWithEditor = false;

int gLiveProbes = 0;

class Probe : public IEffectBase {
 public:
  Probe()
      : IEffectBase(kNumProbeParams, gChannelIO, gPresets, "Probe", "Probe Product", "Probe Vendor",
                    0x00020304, FourCharCode('P', 'r', 'b', '1'), FourCharCode('P', 'r', 'b', 'V'),
                    0, false, false, false) {
    ++gLiveProbes;
    GetParam(kOnOff)->InitBool("On", false);
    GetParam(kOnOff)->SetDisplayText(0, "off");
    GetParam(kOnOff)->SetDisplayText(1, "on");
    GetParam(kShape)->InitEnum("Shape", 0, 3);
    GetParam(kShape)->SetDisplayText(0, "sine");
    GetParam(kShape)->SetDisplayText(1, "square");
    GetParam(kShape)->SetDisplayText(2, "saw");
    GetParam(kDepth)->InitDouble("Depth", 0.5, 0., 1., 0.01, "%");
    if (gWithEditor) AttachGraphics(std::make_unique<ProbeEditor>(&gEditorCalls));
  }
  ~Probe() override { --gLiveProbes; }
  void ProcessDoubleReplacing(double**, double**, int) override {}
  void OnGUIOpen() override { ++mGUIOpened; }
  void OnGUIClose() override { ++mGUIClosed; }

  int mGUIOpened = 0;
  int mGUIClosed = 0;
};

VstIntPtr SilentHost(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) {
  return 0;
}

// A host that closes the plug-in while it asks who the host is, inside effOpen.
VstIntPtr ClosingHost(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  if (opcode == audioMasterGetProductString)
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.f);
  return 0;
}

// One probe instance made through the entry point, closed as a host closes it.
struct Instance {
  Instance(const char* channelIO, int presets, bool withEditor) {
    gChannelIO = channelIO;
    gPresets = presets;
    gWithEditor = withEditor;
    gEditorCalls = {};
    effect = InstantiateVST2<Probe>(SilentHost);
  }
  ~Instance() {
    if (effect) Call(effClose);
  }
  VstIntPtr Call(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                 float opt = 0.f) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
  }
  std::string Text(VstInt32 opcode, VstInt32 index) {
    char text[64] = {};
    Call(opcode, index, 0, text);
    return text;
  }
  Probe& Plug() { return *static_cast<Probe*>(IEffectVST2::PluginOf(effect)); }

  AEffect* effect = nullptr;
};

}  // namespace

TEST(Adapter, ProgramsAndChannelCapabilities) {
  Instance none("2-2", 0, false);
  ASSERT_NE(none.effect, nullptr);
  EXPECT_EQ(none.effect->numPrograms, 1);  // zero presets still give the host one program
  EXPECT_EQ(none.effect->flags & effFlagsCanMono, 0);
  EXPECT_EQ(none.effect->version, 20304);

  Instance mono("1-1 2-2", 4, false);
  EXPECT_EQ(mono.effect->numPrograms, 4);
  EXPECT_NE(mono.effect->flags & effFlagsCanMono, 0);  // a pair with one input
  EXPECT_EQ(mono.effect->numInputs, 2);                // the widest pair's channel records
}

TEST(Adapter, SwitchAndChoiceParametersTravelAsTheirTexts) {
  Instance probe("2-2", 1, false);
  AEffect* effect = probe.effect;

  effect->setParameter(effect, kOnOff, 0.7f);  // a switch rounds to a whole value
  EXPECT_EQ(effect->getParameter(effect, kOnOff), 1.f);
  EXPECT_EQ(probe.Text(effGetParamDisplay, kOnOff), "on");
  effect->setParameter(effect, kShape, 0.5f);
  EXPECT_EQ(probe.Text(effGetParamDisplay, kShape), "square");

  // Texts from the host map through the display texts; an unknown one is refused.
  char saw[] = "saw";
  EXPECT_EQ(probe.Call(effString2Parameter, kShape, 0, saw), 1);
  EXPECT_EQ(effect->getParameter(effect, kShape), 1.f);
  char wobble[] = "wobble";
  EXPECT_EQ(probe.Call(effString2Parameter, kShape, 0, wobble), 0);
  EXPECT_EQ(effect->getParameter(effect, kShape), 1.f);
  char off[] = "off";
  EXPECT_EQ(probe.Call(effString2Parameter, kOnOff, 0, off), 1);
  EXPECT_EQ(effect->getParameter(effect, kOnOff), 0.f);

  // The vendor-specific queries: the text at any value, and which are continuous.
  char text[64] = {};
  EXPECT_EQ(probe.Call(effVendorSpecific, 7, kShape, text, 0.f), 0xBEEF);
  EXPECT_STREQ(text, "sine");
  EXPECT_EQ(probe.Call(effVendorSpecific, 8, kDepth), 0xBEEF);
  EXPECT_EQ(probe.Call(effVendorSpecific, 8, kShape), 0);
  EXPECT_EQ(probe.Call(effVendorSpecific, 8, kNumProbeParams), 0);
}

TEST(Adapter, EditorCallsWithoutAnEditor) {
  Instance probe("2-2", 1, false);
  EXPECT_EQ(probe.effect->flags & effFlagsHasEditor, 0);
  ERect* rect = nullptr;
  EXPECT_EQ(probe.Call(effEditGetRect, 0, 0, &rect), 0);
  EXPECT_EQ(rect, nullptr);
  int parent = 0;
  EXPECT_EQ(probe.Call(effEditOpen, 0, 0, &parent), 0);
  EXPECT_EQ(probe.Call(effEditClose), 0);
  EXPECT_EQ(probe.Plug().mGUIOpened, 0);
}

TEST(Adapter, EditorCallsReachAnAttachedEditor) {
  Instance probe("2-2", 1, true);
  EXPECT_NE(probe.effect->flags & effFlagsHasEditor, 0);
  ERect* rect = nullptr;
  ASSERT_EQ(probe.Call(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->right, 320);
  EXPECT_EQ(rect->bottom, 200);

  int parent = 0;
  EXPECT_EQ(probe.Call(effEditOpen, 0, 0, &parent), 1);
  EXPECT_EQ(gEditorCalls.parent, &parent);
  EXPECT_EQ(probe.Plug().mGUIOpened, 1);
  EXPECT_EQ(probe.Call(effEditClose), 1);
  EXPECT_EQ(gEditorCalls.closed, 1);
  EXPECT_EQ(probe.Plug().mGUIClosed, 1);
}

TEST(Adapter, ClosingTwiceOrFromInsideACallbackIsHarmless) {
  gChannelIO = "2-2";
  AEffect* effect = InstantiateVST2<Probe>(SilentHost);
  ASSERT_NE(effect, nullptr);
  EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.f), 0);
  EXPECT_EQ(gLiveProbes, 0);
  // The record outlives its plug-in: later calls find no plug-in and do nothing.
  EXPECT_EQ(effect->object, nullptr);
  EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.f), 0);
  EXPECT_EQ(effect->getParameter(effect, 0), 0.f);
  effect->processReplacing(effect, nullptr, nullptr, 16);

  AEffect* reentrant = InstantiateVST2<Probe>(ClosingHost);
  ASSERT_NE(reentrant, nullptr);
  EXPECT_EQ(reentrant->dispatcher(reentrant, effOpen, 0, 0, nullptr, 0.f), 0);
  EXPECT_EQ(reentrant->object, nullptr);
  EXPECT_EQ(gLiveProbes, 0);  // deleted once the open request had returned
  EXPECT_EQ(reentrant->dispatcher(reentrant, effClose, 0, 0, nullptr, 0.f), 0);
}
