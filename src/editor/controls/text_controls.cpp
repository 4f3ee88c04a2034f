#include "editor/controls/text_controls.h"

#include "editor/igraphics.h"

ITextControl::ITextControl(IEffectBase* plug, IRECT rect, const IText& text, const char* str)
    : IControl(plug, rect) {
  mText = text;
  mStr.Set(str ? str : "");
}

bool ITextControl::Draw(IGraphics* graphics) {
  const std::string str = mStr.Get();
  if (str.empty()) return true;
  IRECT r = mRect;
  return graphics->DrawIText(&mText, str.c_str(), &r);
}

void ITextControl::SetTextFromPlug(const char* str) {
  if (mStr.Set(str ? str : "")) SetDirty(false);
}

ICaptionControl::ICaptionControl(IEffectBase* plug, IRECT rect, int paramIdx, const IText& text,
                                 bool showParamLabel)
    : ITextControl(plug, rect, text), mShowParamLabel(showParamLabel) {
  mParamIdx = paramIdx;
}

void ICaptionControl::OnMouseDown(int /*x*/, int /*y*/, const IMouseMod& mod) {
  if (mod.Left || mod.Right) PromptUserInput();
}

void ICaptionControl::OnMouseDblClick(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) {
  PromptUserInput();
}

bool ICaptionControl::Draw(IGraphics* graphics) {
  if (GetParam()) {
    const ParamText text = ReadParamText();
    mStr.Set(mShowParamLabel ? text.mDisplay + " " + text.mLabel : text.mDisplay);
  }
  return ITextControl::Draw(graphics);
}

IBitmapTextControl::IBitmapTextControl(IEffectBase* plug, IRECT rect, const IBitmap& bitmap,
                                       const char* str, const IText& text, int charWidth,
                                       int charHeight, int charOffset, bool multiLine, bool vCentre)
    : IControl(plug, rect),
      mCharWidth(charWidth),
      mCharHeight(charHeight),
      mCharOffset(charOffset),
      mTextBitmap(bitmap),
      mMultiLine(multiLine),
      mVCentre(vCentre) {
  mText = text;
  mStr.Set(str ? str : "");
}

bool IBitmapTextControl::Draw(IGraphics* graphics) {
  const std::string str = mStr.Get();
  if (str.empty()) return true;
  return graphics->DrawBitmapedText(mTextBitmap, mRect, mText, &mBlend, str.c_str(), mVCentre,
                                    mMultiLine, mCharWidth, mCharHeight, mCharOffset);
}

void IBitmapTextControl::SetTextFromPlug(const char* str) {
  if (mStr.Set(str ? str : "")) SetDirty(false);
}
