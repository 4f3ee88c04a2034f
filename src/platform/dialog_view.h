// A small modal dialog drawn with the toolkit, for desktops without a
// dialog helper: a message, a row of buttons and, for file prompts, a text
// field holding the path. It lays itself out, draws into a bitmap of its own
// size and takes events in its own coordinates; the platform gives it a
// window and runs it.
#pragma once

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "editor/keys.h"
#include "editor/records.h"
#include "editor/text_field_view.h"
#include "raster/bitmap.h"

class CachedFont;

class DialogView {
 public:
  // The first button is the default (Return), the last the cancelling one
  // (Escape). With a field, it starts holding fieldText.
  DialogView(std::string message, std::vector<std::string> buttons, bool withField,
             const std::string& fieldText, TextFieldView::Clipboard clipboard = {},
             double scale = 1.);

  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  // The chosen button, -1 while none is.
  int Chosen() const { return mChosen; }
  std::string FieldText() const { return mField ? mField->GetText() : std::string(); }

  void OnKey(const ViewKey& key);
  void OnMouseDown(int x, int y, int clicks);
  void OnMouseDrag(int x, int y);
  void Cancel() { mChosen = static_cast<int>(mButtons.size()) - 1; }

  void Draw(raster::Bitmap& into);

 private:
  IRECT ButtonRect(int index) const;
  IRECT FieldRect() const;
  int Px(int v) const { return static_cast<int>(std::lround(v * mScale)); }

  double mScale;
  std::vector<std::string> mLines;
  std::vector<std::string> mButtons;
  std::unique_ptr<TextFieldView> mField;
  CachedFont* mFont;
  int mLineHeight;
  int mWidth;
  int mHeight;
  int mChosen = -1;
};
