#include "editor/value_readout.h"

#include <cctype>
#include <cstdlib>

#include "editor/icontrol.h"
#include "editor/igraphics.h"
#include "framework/iparam.h"

namespace {

const IColor kReadoutFill(255, 18, 19, 22);
const IColor kReadoutEdge(255, 92, 96, 104);
const IColor kReadoutInk(255, 240, 232, 214);
// Line height at 100%: capitals of about 11 px, which read at 75% too.
constexpr int kReadoutTextSize = 17;

}  // namespace

std::string ReadoutText(const IParam& param, double normalized) {
  std::string text = param.GetDisplayForHost(normalized, true);
  if (param.GetNDisplayTexts() > 0) {
    for (char& c : text)
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
  }
  // A gain about a centre says which side it lies on, as its legend does.
  const bool signedScale = param.GetDisplayForHost(0., true).starts_with('-');
  if (signedScale && !text.empty() && std::isdigit(static_cast<unsigned char>(text[0])) &&
      std::strtod(text.c_str(), nullptr) != 0.)
    text = "+" + text;
  const std::string label = param.GetLabelForHost();
  return label.empty() ? text : text + " " + label;
}

IText ValueFieldStyle() {
  // The field draws at 90% of the style's size.
  return IText(kReadoutTextSize * 10 / 9 + 1, kReadoutFill, "Futura", IText::kTextBold,
               IText::kAlignCenter, 0, IText::kQualityAntiAliased, kReadoutInk, kReadoutFill);
}

void ValueReadout::Show(IControl* control) {
  if (control && (control->ReadoutArea().Empty() || !control->GetParam())) control = nullptr;
  if (control == mControl) return;
  Changed(mArea);
  mControl = control;
  mArea = control ? control->ReadoutArea() : IRECT();
  mText.clear();
  Refresh();
  Changed(mArea);
}

void ValueReadout::Refresh() {
  if (!mControl) return;
  const IParam* param = mControl->GetParam();
  std::string text = param ? ReadoutText(*param, mControl->GetValue()) : std::string();
  if (text == mText) return;
  mText = std::move(text);
  Changed(mArea);
}

void ValueReadout::DrawnOver(const IRECT& area) {
  if (area.Intersect(mChanged) == mChanged) mChanged = IRECT();
}

bool ValueReadout::TakesEntryAt(int x, int y) const {
  return mControl && mArea.Contains(x, y) && mControl->GetRECT().Intersect(mArea) == mArea;
}

void ValueReadout::Draw(IGraphics& graphics) const {
  if (!mControl || mText.empty()) return;
  // The edge as a fill beneath the face's: strokes blend twice at the corners.
  graphics.FillRoundRect(kReadoutEdge, mArea, nullptr, 3, true);
  IRECT face = mArea;
  face.L += 1;
  face.T += 1;
  face.R -= 1;
  face.B -= 1;
  graphics.FillRoundRect(kReadoutFill, face, nullptr, 2, true);
  IText style(kReadoutTextSize, kReadoutInk, "Futura", IText::kTextBold);
  IRECT line = mArea;
  line.T += (mArea.H() - kReadoutTextSize) / 2;
  graphics.DrawIText(&style, mText.c_str(), &line);
}
