// QUOR's editor, built once from its layout: the background, then every
// control of the table, one loop.
#include <memory>

#include "editor/controls/bitmap_controls.h"
#include "editor/controls/knob_controls.h"
#include "editor/controls/latch_lamp.h"
#include "editor/controls/text_controls.h"
#include "editor/igraphics.h"
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
      case ControlKind::kKnob:
        graphics->AttachControl(std::make_unique<IKnobMultiControl>(
            this, c.mL, c.mT, c.mParam, bitmap, kVertical, kDefaultGearing));
        break;
      case ControlKind::kSwitch:
        graphics->AttachControl(
            std::make_unique<ISwitchControl>(this, c.mL, c.mT, c.mParam, bitmap, kBlendNone));
        break;
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
  AttachMeterLamps(*graphics);
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
