#include "plugin/text_entry.h"

#include "editor/igraphics.h"

namespace {
constexpr int kNameInset = 3;
}  // namespace

TextEntry::TextEntry(IEffectBase* plug, IRECT rect, const IText& text, const char* str)
    : IControl(plug, rect) {
  mText = text;
  mText.mEndEllipsis = true;  // a long name stays inside its field
  mStr.Set(str ? str : "");
  mPromptDisabled = true;
}

bool TextEntry::Draw(IGraphics* graphics) {
  const std::string str = mStr.Get();
  // A little room at the ends, so that a long name does not touch the edges.
  IRECT r = mRect;
  r.L += kNameInset;
  r.R -= kNameInset;
  return graphics->DrawIText(&mText, str.c_str(), &r);
}

void TextEntry::OnMouseDblClick(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) {
  // Over the face the name is printed on, no taller.
  if (mGraphics) mGraphics->CreateTextEntry(this, mText, mTargetRect, mStr.Get().c_str(), nullptr);
}

void TextEntry::TextFromTextEntry(const char* text) {
  mStr.Set(text ? text : "");
  SetDirty(false);
}
