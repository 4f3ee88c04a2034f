// QUOR's editor, built once from its layout: the background, then every
// control of the table, one loop.
#include <memory>

#include "editor/controls/bitmap_controls.h"
#include "editor/controls/knob_controls.h"
#include "editor/controls/latch_lamp.h"
#include "editor/controls/text_controls.h"
#include "editor/igraphics.h"
#include "plugin/bypass_shade.h"
#include "plugin/editor_layout.h"
#include "plugin/embedded_images.h"
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
// centre by as much as the artwork tool prints it. Above a switch, whose
// face already shows its state: display only.
IRECT ReadoutAreaFor(const ControlPlace& c, const IBitmap& bitmap) {
  constexpr int kHeight = 16;
  const int w = bitmap.W, h = bitmap.H / std::max(bitmap.N, 1);
  const double centreX = c.mL + w / 2.;
  const auto box = [&](double width, double centreY) {
    return IRECT(static_cast<int>(centreX - width / 2.), static_cast<int>(centreY - kHeight / 2.),
                 static_cast<int>(centreX + width / 2.), static_cast<int>(centreY + kHeight / 2.));
  };
  if (c.mKind == ControlKind::kSwitch) {
    const double width = c.mImage.mId == kModeImage.mId ? 52. : 36.;
    return box(width, c.mT - 1. - kHeight / 2.);
  }
  double legendBelowCentre = 26.3;  // the equaliser's knobs
  if (c.mImage.mId == kInputImage.mId) legendBelowCentre = 35.5;
  if (c.mImage.mId == kOutputImage.mId) legendBelowCentre = 34.3;
  if (c.mImage.mId == kMasterOutputImage.mId) legendBelowCentre = 42.1;
  const double width = w < 90 ? 46. : 60.;
  return box(width, c.mT + h / 2. + legendBelowCentre);
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
  graphics->EnableValueReadouts();
  AttachGraphics(std::move(graphics));
}

void QUOR::AttachMeterLamps(IGraphics& graphics) {
  std::size_t meter = 0;
  for (const ControlPlace& c : kMeterLampControls) {
    const IBitmap bitmap = graphics.LoadIBitmap(c.mImage.mId, c.mImage.mPath, c.mImage.mFrames);
    mOverLampIdx[meter++] =
        graphics.AttachControl(std::make_unique<LatchLampControl>(this, c.mL, c.mT, bitmap));
  }
}
