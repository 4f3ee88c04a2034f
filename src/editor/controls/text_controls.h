// Controls that show text: a static string, a parameter's value as text, and
// a string drawn from a bitmap of characters.
#pragma once

#include <string>

#include "editor/icontrol.h"

class ITextControl : public IControl {
 public:
  ITextControl(IEffectBase* plug, IRECT rect, const IText& text, const char* str = "");

  bool Draw(IGraphics* graphics) override;  // editor
  // Marks the control dirty when the text changes.
  void SetTextFromPlug(const char* str);                     // any
  std::string GetTextForPlug() const { return mStr.Get(); }  // any

 protected:
  SharedText mStr;
};

// The bound parameter's display text, with its label when asked.
class ICaptionControl : public ITextControl {
 public:
  ICaptionControl(IEffectBase* plug, IRECT rect, int paramIdx, const IText& text,
                  bool showParamLabel = true);

  void OnMouseDown(int x, int y, const IMouseMod& mod) override;
  void OnMouseDblClick(int x, int y, const IMouseMod& mod) override;
  bool Draw(IGraphics* graphics) override;

 protected:
  bool mShowParamLabel;
};

// Characters from a bitmap holding one frame per character from the blank on.
class IBitmapTextControl : public IControl {
 public:
  IBitmapTextControl(IEffectBase* plug, IRECT rect, const IBitmap& bitmap, const char* str = "",
                     const IText& text = IText(), int charWidth = 6, int charHeight = 12,
                     int charOffset = 0, bool multiLine = false, bool vCentre = true);

  bool Draw(IGraphics* graphics) override;                   // editor
  void SetTextFromPlug(const char* str);                     // any
  std::string GetTextForPlug() const { return mStr.Get(); }  // any

 protected:
  SharedText mStr;
  int mCharWidth, mCharHeight, mCharOffset;
  IBitmap mTextBitmap;
  bool mMultiLine;
  bool mVCentre;
};
