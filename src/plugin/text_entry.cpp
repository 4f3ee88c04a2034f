#include "plugin/text_entry.h"

#include "editor/igraphics.h"

TextEntry::TextEntry(IEffectBase* plug, IRECT rect, const IText& text, const char* str)
    : IControl(plug, rect) {
  mText = text;
  mStr.Set(str ? str : "");
  mPromptDisabled = true;
}

bool TextEntry::Draw(IGraphics* graphics) {
  const std::string str = mStr.Get();
  IRECT r = mRect;
  return graphics->DrawIText(&mText, str.c_str(), &r);
}

void TextEntry::OnMouseDblClick(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) {
  if (mGraphics) mGraphics->CreateTextEntry(this, mText, mRect, mStr.Get().c_str(), nullptr);
}

void TextEntry::TextFromTextEntry(const char* text) {
  mStr.Set(text ? text : "");
  SetDirty(false);
}
