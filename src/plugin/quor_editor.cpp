// QUOR's editor, built once from its layout: the background, then every
// control of the table, one loop.
#include <memory>
#include <utility>

#include "editor/controls/action_button.h"
#include "editor/controls/bitmap_controls.h"
#include "editor/controls/knob_controls.h"
#include "editor/controls/latch_lamp.h"
#include "editor/controls/peak_readout.h"
#include "editor/controls/text_controls.h"
#include "editor/igraphics.h"
#include "plugin/bypass_shade.h"
#include "plugin/editor_layout.h"
#include "plugin/embedded_images.h"
#include "plugin/preset_menu.h"
#include "plugin/quor.h"
#include "plugin/text_entry.h"

namespace {

IText NameFieldStyle() {
  return IText(18, COLOR_BLACK, "Futura", IText::kTextNormal, IText::kAlignCenter, 0,
               IText::kQualityAntiAliased, DEFAULT_TEXT_ENTRY_BGCOLOR, DEFAULT_TEXT_ENTRY_FGCOLOR);
}

IText MeterLabelStyle() {
  return IText(15, IColor(150, 0, 0, 0), "Futura", IText::kTextNormal, IText::kAlignCenter, 0,
               IText::kQualityAntiAliased, DEFAULT_TEXT_ENTRY_BGCOLOR, DEFAULT_TEXT_ENTRY_FGCOLOR);
}

// Where a control's value shows while the pointer is over it or drags it.
// On a knob, over its printed legend, which the value replaces meanwhile (a
// double click there types one); the legend's centre lies below the knob's
// centre by as much as the artwork tool prints it. Above a BYPASS switch,
// whose lamp already shows its state: display only. The other switches say
// their state on their faces and have no room beside them that is their
// own: none.
IRECT ReadoutAreaFor(const ControlPlace& c, const IBitmap& bitmap) {
  constexpr int kHeight = 22;
  const int w = bitmap.W, h = bitmap.H / std::max(bitmap.N, 1);
  const double centreX = c.mL + w / 2.;
  const auto box = [&](double width, double centreY) {
    return IRECT(static_cast<int>(centreX - width / 2.), static_cast<int>(centreY - kHeight / 2.),
                 static_cast<int>(centreX + width / 2.), static_cast<int>(centreY + kHeight / 2.));
  };
  if (c.mKind == ControlKind::kSwitch) {
    if (c.mImage.mId != kBypassImage.mId) return IRECT();
    return box(56., c.mT - 1. - kHeight / 2.);
  }
  double legendBelowCentre = 26.3;  // the equaliser's knobs
  if (c.mImage.mId == kInputImage.mId) legendBelowCentre = 35.5;
  if (c.mImage.mId == kOutputImage.mId) legendBelowCentre = 34.3;
  if (c.mImage.mId == kMasterOutputImage.mId) legendBelowCentre = 42.1;
  const double width = w < 90 ? 72. : 84.;
  return box(width, c.mT + h / 2. + legendBelowCentre);
}

IRECT RectOf(const PanelPlace& p) {
  return IRECT(p.mL, p.mT, p.mR, p.mB);
}

}  // namespace

void QUOR::BuildEditor(std::unique_ptr<IGraphics> graphics) {
  RegisterEmbeddedImages();
  graphics->AttachBackground(kBackgroundImage.mId, kBackgroundImage.mPath);
  const IBitmap background =
      graphics->LoadIBitmap(kBackgroundImage.mId, kBackgroundImage.mPath, kBackgroundImage.mFrames);
  const IText nameStyle = NameFieldStyle();
  const IText labelStyle = MeterLabelStyle();
  std::size_t meter = 0, name = 0;
  for (const ControlPlace& c : kEditorControls) {
    const IBitmap bitmap =
        c.mImage.mPath ? graphics->LoadIBitmap(c.mImage.mId, c.mImage.mPath, c.mImage.mFrames)
                       : IBitmap();
    const IRECT area(c.mL, c.mT, c.mR, c.mB);
    switch (c.mKind) {
      case ControlKind::kKnob: {
        auto knob = std::make_unique<IKnobMultiControl>(this, c.mL, c.mT, c.mParam, bitmap,
                                                        kVertical, kDefaultGearing);
        knob->SetReadoutArea(ReadoutAreaFor(c, bitmap));
        graphics->AttachControl(std::move(knob));
        break;
      }
      case ControlKind::kSwitch: {
        auto toggle =
            std::make_unique<ISwitchControl>(this, c.mL, c.mT, c.mParam, bitmap, kBlendNone);
        toggle->SetReadoutArea(ReadoutAreaFor(c, bitmap));
        graphics->AttachControl(std::move(toggle));
        break;
      }
      case ControlKind::kMeter: {
        // Its frames move all the time: each is composed over the background once.
        auto meterControl =
            std::make_unique<IBitmapControl>(this, c.mL, c.mT, -1, bitmap, kBlendNone);
        meterControl->ComposeOver(background);
        mMeterIdx[meter++] = graphics->AttachControl(std::move(meterControl));
        break;
      }
      case ControlKind::kNameField: {
        auto field = std::make_unique<TextEntry>(this, area, nameStyle, c.mText);
        field->SetTargetRECT(IRECT(c.mL, c.mT, c.mR, editor_layout::kNameFaceBottom));
        mNameEntries[name++] = field.get();
        graphics->AttachControl(std::move(field));
        break;
      }
      case ControlKind::kLabel:
        graphics->AttachControl(std::make_unique<ITextControl>(this, area, labelStyle, c.mText));
        break;
      case ControlKind::kLamp:
        break;  // not in this table
    }
  }
  // After the table's controls, whose indices hosts and tests know.
  AttachMeterLamps(*graphics);
  auto shade = std::make_unique<BypassShade>(
      this,
      IRECT(0, editor_layout::kBypassShadeTop, editor_layout::kMasterX, editor_layout::kNameTop));
  shade->SetValueFromPlug(GetParam(kGlobalBypassIdx)->GetNormalized());
  mBypassShadeIdx = graphics->AttachControl(std::move(shade));
  auto modeShade = std::make_unique<BypassShade>(
      this, IRECT(editor_layout::kMasterX, 0, kEditorWidth, kMasterShadeBottom));
  modeShade->SetValueFromPlug(GetParam(kModeIdx)->GetNormalized());
  mModeShadeIdx = graphics->AttachControl(std::move(modeShade));
  graphics->EnableValueReadouts();
  graphics->EnableSettingsMemory();
  AttachSettingsPanel(*graphics);
  AttachGraphics(std::move(graphics));
}

void QUOR::AttachSettingsPanel(IGraphics& graphics) {
  using Look = ActionButton::Look;
  using Kind = ActionButton::Kind;
  const IColor amber(255, 245, 166, 35), blue(255, 66, 194, 238), pale(255, 236, 232, 223);
  IGraphics* g = &graphics;
  const auto memory = [g] { return g->GetSettingsMemory(); };
  const auto on = [memory](SettingsMemory::Slot slot) { return memory()->Active() == slot; };

  auto presets = std::make_shared<PresetMenu>(*this, graphics);
  const IRECT display = RectOf(kPresetDisplay);
  graphics.AttachControl(std::make_unique<ActionButton>(
      this, display, Kind::kDisplay, pale, [presets] { return presets->Look(); },
      [presets, display] { presets->Open(IRECT(display.L, display.B, display.R, display.B)); }));
  for (const auto slot : {SettingsMemory::Slot::kA, SettingsMemory::Slot::kB}) {
    const bool a = slot == SettingsMemory::Slot::kA;
    graphics.AttachControl(std::make_unique<ActionButton>(
        this, RectOf(a ? kSlotA : kSlotB), Kind::kButton, amber,
        [on, slot, a] {
          return Look{a ? "A" : "B", on(slot), true};
        },
        [on, memory, slot] {
          if (!on(slot)) memory()->SwitchSlot();
        }));
  }
  graphics.AttachControl(std::make_unique<ActionButton>(
      this, RectOf(kCopySlot), Kind::kButton, amber,
      [on] {
        return Look{on(SettingsMemory::Slot::kA) ? "A\u2192B" : "B\u2192A", false, true};
      },
      [memory] { memory()->CopyToOther(); }));
  graphics.AttachControl(std::make_unique<ActionButton>(
      this, RectOf(kUndo), Kind::kButton, blue,
      [memory] {
        return Look{"UNDO", false, memory()->CanUndo()};
      },
      [memory] { memory()->Undo(); }));
  graphics.AttachControl(std::make_unique<ActionButton>(
      this, RectOf(kRedo), Kind::kButton, blue,
      [memory] {
        return Look{"REDO", false, memory()->CanRedo()};
      },
      [memory] { memory()->Redo(); }));
}

void QUOR::AttachMeterLamps(IGraphics& graphics) {
  std::array<LatchLampControl*, kNumMeters> lamps{};
  std::size_t meter = 0;
  for (const ControlPlace& c : kMeterLampControls) {
    const IBitmap bitmap = graphics.LoadIBitmap(c.mImage.mId, c.mImage.mPath, c.mImage.mFrames);
    auto lamp = std::make_unique<LatchLampControl>(this, c.mL, c.mT, bitmap);
    lamps[meter] = lamp.get();
    mOverLampIdx[meter++] = graphics.AttachControl(std::move(lamp));
  }
  // Then the peak readings; a lamp and the reading on its face are put out
  // together.
  meter = 0;
  for (const ControlPlace& c : kMeterLampControls) {
    const int meterLeft = c.mL - editor_layout::kOverLampX;
    const int meterTop = c.mT - editor_layout::kOverLampY;
    auto peak = std::make_unique<PeakReadout>(
        this,
        IRECT(meterLeft + kPeakReadoutX, meterTop + kPeakReadoutY,
              meterLeft + kPeakReadoutX + kPeakReadoutW, meterTop + kPeakReadoutY + kPeakReadoutH));
    LatchLampControl* lamp = lamps[meter];
    PeakReadout* reading = peak.get();
    lamp->SetOnPutOut([reading] { reading->Reset(); });
    peak->SetOnReset([lamp] { lamp->PutOut(); });
    mPeakIdx[meter++] = graphics.AttachControl(std::move(peak));
  }
}
