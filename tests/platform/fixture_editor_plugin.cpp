// A small plug-in whose editor uses what a real one needs of the platform:
// a panel, a knob with a tooltip, a switch, a switch that opens a menu, a
// meter fed by the audio, and a text that opens the text field on a double
// click. Its state chunk carries the parameters and the text. The layout is
// in fixture_editor_layout.h, shared with the tests that play it.
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "editor/controls/bitmap_controls.h"
#include "editor/controls/knob_controls.h"
#include "editor/controls/text_controls.h"
#include "platform/igraphics_x11.h"
#include "raster/canvas.h"
#include "raster/mem_bitmap.h"
#include "tests/platform/fixture_editor_layout.h"
#include "vst2/entry_point.h"

namespace {

using namespace fixture_editor;

// A vertical bar as high as the value.
class MeterControl : public IControl {
 public:
  MeterControl(IEffectBase* plug, IRECT rect) : IControl(plug, rect) {}
  bool Draw(IGraphics* graphics) override {
    const IRECT& r = GetRECT();
    graphics->FillIRect(IColor(255, 10, 10, 10), r);
    const int top = r.B - static_cast<int>(std::lround(GetValue() * r.H()));
    return graphics->FillIRect(IColor(255, 60, 220, 90), IRECT(r.L, top, r.R, r.B));
  }
};

// A text the user renames with a double click.
class NameControl : public ITextControl {
 public:
  NameControl(IEffectBase* plug, IRECT rect, const IText& text)
      : ITextControl(plug, rect, text, kInitialName) {}
  void OnMouseDblClick(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) override {
    const std::string current = GetTextForPlug();
    GetGUI()->CreateTextEntry(this, mText, GetRECT(), current.c_str(), nullptr);
  }
  void TextFromTextEntry(const char* text) override { SetTextFromPlug(text); }
};

// Takes the up and down arrows wherever the pointer is: the knob moves by a
// step; and M, which asks whether to mute. Every other key goes back to the
// host.
class ArrowKeys : public IControl {
 public:
  ArrowKeys(IEffectBase* plug, int knobIdx) : IControl(plug, IRECT()), mKnobIdx(knobIdx) {}
  bool Draw(IGraphics* /*graphics*/) override { return true; }
  bool OnKeyDown(int /*x*/, int /*y*/, int key) override {
    if (key == kAskKey) {
      const int answer = GetGUI()->ShowMessageBox("Mute the signal?", "Fixture", 4);
      GetGUI()->SetParameterFromGUI(kMute, answer == IGraphicsX11::kResultYes ? 1. : 0.);
      return true;
    }
    if (key != KEY_UPARROW && key != KEY_DOWNARROW) return false;
    const double step = key == KEY_UPARROW ? kArrowStep : -kArrowStep;
    const double value = GetGUI()->GetControl(mKnobIdx)->GetValue() + step;
    GetGUI()->SetParameterFromGUI(kGain, std::clamp(value, 0., 1.));
    return true;
  }

 private:
  int mKnobIdx;
};

// A strip of frames of one size, one colour each.
IBitmap Frames(int w, int h, std::initializer_list<raster::Pixel> colors) {
  const int n = static_cast<int>(colors.size());
  auto pixels = std::make_unique<raster::MemBitmap>(w, h * n);
  raster::Canvas canvas(*pixels);
  int i = 0;
  for (const raster::Pixel color : colors)
    canvas.fillRect(0, h * i++, w, h, {color, 1.0f, raster::kModeCopy});
  return IGraphics::RetainBitmap(std::move(pixels), n);
}

class FixtureEditorPlugin : public IEffectBase {
 public:
  FixtureEditorPlugin()
      : IEffectBase(kNumParams, "2-2", 1, "FixtureEditor", "FixtureEditor", "QUOR tests",
                    0x00010000, FourCharCode('Q', 'F', 'x', 'E'), FourCharCode('Q', 'T', 's', 't'),
                    0, false, true, false) {
    GetParam(kGain)->InitDouble("Gain", 50., 0., 100., 0.01, "%");
    GetParam(kMute)->InitBool("Mute", false);
    GetParam(kShape)->InitEnum("Shape", 0, 3);
    GetParam(kShape)->SetDisplayText(0, "sine");
    GetParam(kShape)->SetDisplayText(1, "square");
    GetParam(kShape)->SetDisplayText(2, "saw");

    auto graphics = std::make_unique<IGraphicsX11>(this, kWidth, kHeight);
    graphics->AttachPanelBackground(IColor(255, 40, 44, 52));
    auto knob = std::make_unique<IKnobLineControl>(this, kKnobRect, kGain,
                                                   IColor(255, 240, 200, 80), 0., 38.);
    knob->SetTooltip("Gain");
    const int knobIdx = graphics->AttachControl(std::move(knob));
    graphics->AttachKeyCatcher(std::make_unique<ArrowKeys>(this, knobIdx));
    graphics->AttachControl(std::make_unique<ISwitchControl>(
        this, kSwitchRect.L, kSwitchRect.T, kMute,
        Frames(kSwitchRect.W(), kSwitchRect.H(), {0xFF505050u, 0xFFE04040u})));
    graphics->AttachControl(std::make_unique<ISwitchPopUpControl>(
        this, kMenuRect.L, kMenuRect.T, kShape,
        Frames(kMenuRect.W(), kMenuRect.H(), {0xFF3050A0u, 0xFF30A050u, 0xFFA05030u})));
    mMeterIdx = graphics->AttachControl(std::make_unique<MeterControl>(this, kMeterRect));
    auto name = std::make_unique<NameControl>(this, kNameRect,
                                              IText(18, IColor(255, 230, 230, 230), "DejaVu Sans",
                                                    IText::kTextNormal, IText::kAlignLeft));
    mName = name.get();
    graphics->AttachControl(std::move(name));
    graphics->EnableTooltips(true);
    AttachGraphics(std::move(graphics));
    MakeDefaultPreset();
  }

  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override {
    double peak = 0.;
    for (int channel = 0; channel < 2; ++channel) {
      for (int i = 0; i < nFrames; ++i) {
        outputs[channel][i] = inputs[channel][i];
        peak = std::max(peak, std::abs(inputs[channel][i]));
      }
    }
    if (IEditorSurface* gui = GetGUI()) gui->SetControlFromPlug(mMeterIdx, std::min(peak, 1.));
  }

  bool SerializeState(ByteChunk* chunk) override {
    return SerializeParams(chunk) && chunk->PutStr(mName->GetTextForPlug()) > 0;
  }
  int UnserializeState(const ByteChunk* chunk, int startPos) override {
    int position = UnserializeParams(chunk, startPos);
    std::string text;
    position = chunk->GetStr(&text, position);
    if (position >= 0) mName->SetTextFromPlug(text.c_str());
    return position;
  }

 private:
  int mMeterIdx = -1;
  NameControl* mName = nullptr;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(
    audioMasterCallback hostCallback) {
  return InstantiateVST2<FixtureEditorPlugin>(hostCallback);
}
