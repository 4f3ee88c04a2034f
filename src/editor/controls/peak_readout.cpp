#include "editor/controls/peak_readout.h"

#include <cmath>
#include <cstdio>

#include "editor/igraphics.h"

namespace {

const IColor kGlass(255, 27, 26, 24);
const IColor kInk(255, 238, 222, 178);
const IColor kOverInk(255, 255, 92, 72);
constexpr int kTextSize = 15;  // line height at 100%: about 10 px figures
constexpr long kNothing = -1000000;

// What the reading shows, in tenths of a dB; the audio thread asks, so it
// neither formats nor allocates.
long Tenths(double magnitude) {
  if (!(magnitude >= 1e-5)) return kNothing;
  return std::lround(200. * std::log10(magnitude));
}

}  // namespace

PeakReadout::PeakReadout(IEffectBase* plug, IRECT rect)
    : IControl(plug, rect), mStyle(kTextSize, kInk, "Futura", IText::kTextBold) {}

std::string PeakReadout::Text(double magnitude) {
  const long tenths = Tenths(magnitude);
  if (tenths == kNothing) return "-inf";
  char text[24];
  std::snprintf(text, sizeof text, "%+.1f", static_cast<double>(tenths) / 10.);
  return text;
}

void PeakReadout::SetValueFromPlug(double magnitude) {
  if (!(magnitude > mHeld.Get())) return;
  const bool shows = Tenths(magnitude) != Tenths(mHeld.Get());
  mHeld.Set(magnitude);
  if (!shows) return;
  mState.MarkRedrawPending();
  mState.MarkDirty();
}

void PeakReadout::Reset() {
  mHeld.Set(0.);
  SetDirty(false);
}

void PeakReadout::OnMouseDown(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) {
  Reset();
  if (mOnReset) mOnReset();
}

void PeakReadout::OnMouseDblClick(int x, int y, const IMouseMod& mod) {
  OnMouseDown(x, y, mod);
}

bool PeakReadout::Draw(IGraphics* graphics) {
  graphics->FillRoundRect(kGlass, mRect, nullptr, 2, true);
  const double held = mHeld.Get();
  IText style = mStyle;
  style.mCachedFont = nullptr;
  style.mColor = held > 1. ? kOverInk : kInk;
  IRECT line(mRect.L, mRect.T + (mRect.H() - kTextSize) / 2, mRect.R,
             mRect.T + (mRect.H() - kTextSize) / 2 + kTextSize);
  return graphics->DrawIText(&style, Text(held).c_str(), &line);
}
