// The one-line text field a value prompt or a control's own text entry opens
// over a control. It draws itself into a bitmap of its own size and takes
// events in its own coordinates; the platform gives it a window, or draws it
// over the editor, and passes it the keys and the mouse.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "editor/keys.h"
#include "editor/prompts.h"
#include "editor/records.h"
#include "raster/bitmap.h"

class CachedFont;

class TextFieldView {
 public:
  enum class EState { kEditing, kCommitted, kCancelled };

  struct Clipboard {
    std::function<bool(std::string*)> mGet;
    std::function<void(const std::string&)> mSet;
  };

  // The style's face at 90 percent of its size, its alignment and its entry
  // colours; the text starts selected whole.
  TextFieldView(const IText& style, int width, int height, std::string text, TextEntryRules rules,
                Clipboard clipboard = {});

  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  const std::string& GetText() const { return mText; }
  // Byte offsets into the text, always on code-point boundaries.
  std::size_t Cursor() const { return mCursor; }
  std::size_t SelectionStart() const { return std::min(mAnchor, mCursor); }
  std::size_t SelectionEnd() const { return std::max(mAnchor, mCursor); }
  EState State() const { return mState; }

  // Keys: text and shortcuts (Ctrl with a, c, x, v), arrows and Home/End
  // (with Shift: extend the selection), Backspace, Delete, Return (commit),
  // Escape (cancel). False for keys the field does not take.
  bool OnKey(const ViewKey& key);
  // A press places the cursor (Shift extends the selection; two clicks select
  // all); a drag extends the selection.
  void OnMouseDown(int x, int y, bool shift, int clicks);
  void OnMouseDrag(int x, int y);

  // Draws the field into (0, 0) to (Width, Height) of the bitmap.
  void Draw(raster::Bitmap& into);

 private:
  bool Replace(std::size_t from, std::size_t to, std::string_view with);
  void MoveTo(std::size_t at, bool extend);
  std::size_t OffsetAt(int x);
  int TextX(int textWidth) const;
  int CaretX(std::size_t at);
  void KeepCursorVisible();
  std::string Selected() const;

  IText mStyle;
  int mWidth;
  int mHeight;
  std::string mText;
  std::size_t mCursor;
  std::size_t mAnchor = 0;
  TextEntryRules mRules;
  Clipboard mClipboard;
  EState mState = EState::kEditing;
  CachedFont* mFont;
  int mScroll = 0;  // pixels of text hidden at the left while the cursor is beyond the right
};
