#include "editor/controls/action_button.h"

#include <utility>

namespace {

const IColor kBezel(255, 16, 17, 19);
const IColor kFace(255, 42, 44, 49);
const IColor kGlass(255, 18, 19, 22);
const IColor kGlassEdge(255, 70, 73, 80);
const IColor kInk(255, 228, 224, 214);
const IColor kGreyInk(255, 108, 109, 112);
constexpr int kLegendSize = 16;  // line height at 100%: capitals of about 7 px

IColor Mixed(const IColor& a, const IColor& b, double t) {
  const auto channel = [t](int x, int y) { return static_cast<int>(x + (y - x) * t + 0.5); };
  return IColor(255, channel(a.R, b.R), channel(a.G, b.G), channel(a.B, b.B));
}

IRECT Inset(IRECT r, int by) {
  return IRECT(r.L + by, r.T + by, r.R - by, r.B - by);
}

}  // namespace

ActionButton::ActionButton(IEffectBase* plug, IRECT rect, Kind kind, IColor lit,
                           std::function<Look()> look, std::function<void()> act)
    : IControl(plug, rect),
      mKind(kind),
      mLitColour(lit),
      mGetLook(std::move(look)),
      mAct(std::move(act)),
      mStyle(kLegendSize, kInk, "Futura", IText::kTextBold,
             kind == Kind::kDisplay ? IText::kAlignLeft : IText::kAlignCenter) {
  mStyle.mEndEllipsis = true;
  if (mGetLook) mLook = mGetLook();
}

void ActionButton::OnMouseDown(int /*x*/, int /*y*/, const IMouseMod& mod) {
  if (mod.Right || !mLook.mEnabled || !mAct) return;
  mAct();
  OnGUIIdle();
}

void ActionButton::OnMouseDblClick(int x, int y, const IMouseMod& mod) {
  // A second press soon after is a press of its own.
  OnMouseDown(x, y, mod);
}

void ActionButton::OnGUIIdle() {
  if (!mGetLook) return;
  Look now = mGetLook();
  if (now == mLook) return;
  mLook = std::move(now);
  SetDirty(false);
}

bool ActionButton::Draw(IGraphics* graphics) {
  graphics->FillRoundRect(kBezel, mRect, nullptr, 4, true);
  IRECT face = Inset(mRect, 1);
  IText style = mStyle;
  style.mCachedFont = nullptr;
  if (mKind == Kind::kDisplay) {
    graphics->FillRoundRect(kGlassEdge, face, nullptr, 3, true);
    graphics->FillRoundRect(kGlass, Inset(face, 1), nullptr, 2, true);
    style.mColor = mLook.mEnabled ? kInk : kGreyInk;
    // The arrow of a menu at the right end.
    const int cx = face.R - 9, cy = (face.T + face.B) / 2;
    graphics->FillTriangle(style.mColor, cx - 4, cy - 2, cx + 4, cy - 2, cx, cy + 3);
    IRECT line(face.L + 6, face.T + (face.H() - kLegendSize) / 2, face.R - 18,
               face.T + (face.H() - kLegendSize) / 2 + kLegendSize);
    return graphics->DrawIText(&style, mLook.mLegend.c_str(), &line);
  }
  graphics->FillRoundRect(kFace, face, nullptr, 3, true);
  const IRECT lens = Inset(face, 2);
  const IColor dark(255, 20, 21, 24);
  graphics->FillRoundRect(mLook.mLit ? mLitColour : Mixed(mLitColour, dark, 0.78), lens, nullptr, 2,
                          true);
  if (!mLook.mEnabled)
    style.mColor = kGreyInk;
  else
    style.mColor = mLook.mLit ? Mixed(mLitColour, dark, 0.85) : kInk;
  IRECT line(lens.L, lens.T + (lens.H() - kLegendSize) / 2, lens.R,
             lens.T + (lens.H() - kLegendSize) / 2 + kLegendSize);
  return graphics->DrawIText(&style, mLook.mLegend.c_str(), &line);
}
