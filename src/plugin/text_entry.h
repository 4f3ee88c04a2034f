// A name field: a line of text the user renames with a double click, which
// opens the platform's text field over it. It changes no parameter; the
// plug-in saves and restores its text with the state.
#pragma once

#include <string>

#include "editor/hand_over.h"
#include "editor/icontrol.h"

class TextEntry : public IControl {
 public:
  // Keeps its own copy of the style; a null text is the empty one.
  TextEntry(IEffectBase* plug, IRECT rect, const IText& text, const char* str);

  // Draws the text in the style, from the top of the rectangle, inside it: a
  // name too long for it ends in an ellipsis.
  bool Draw(IGraphics* graphics) override;  // editor
  // Opens the text field, holding the current text, with no parameter's
  // rules: any length, any character.
  void OnMouseDblClick(int x, int y, const IMouseMod& mod) override;  // editor
  // Takes the text and redraws; a null text is the empty one. The host's
  // thread restoring a state calls it too.
  void TextFromTextEntry(const char* text) override;  // any

  std::string GetTextForPlug() const { return mStr.Get(); }  // any

 private:
  // A host thread may replace it while the editor thread draws it.
  SharedText mStr;
};
