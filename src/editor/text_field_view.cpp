#include "editor/text_field_view.h"

#include <cstdlib>

#include "editor/caches.h"
#include "editor/igraphics.h"
#include "raster/canvas.h"
#include "raster/utf8.h"

namespace {

constexpr int kPadding = 2;  // between the field's edges and its text
constexpr raster::Pixel kSelectionColor = 0xFFB3D7FFu;

std::size_t NextBoundary(std::string_view text, std::size_t at) {
  if (at >= text.size()) return text.size();
  raster::NextCodePoint(text, at);
  return at;
}

std::size_t PreviousBoundary(std::string_view text, std::size_t at) {
  std::size_t previous = 0;
  for (std::size_t i = 0; i < at && i < text.size();) {
    previous = i;
    raster::NextCodePoint(text, i);
  }
  return previous;
}

int CodePoints(std::string_view text) {
  int n = 0;
  for (std::size_t i = 0; i < text.size(); ++n)
    raster::NextCodePoint(text, i);
  return n;
}

// Typed or pasted text without line breaks, tabs or other control characters.
std::string Printable(std::string_view text) {
  std::string kept;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t start = i;
    const char32_t c = raster::NextCodePoint(text, i);
    if (c >= 0x20 && c != 0x7F) kept.append(text.substr(start, i - start));
  }
  return kept;
}

// Pasted lines joined into one: each line break (CR LF, LF or CR) and each
// tab becomes one space, so that words do not run together.
std::string OnOneLine(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    line.push_back(c == '\r' || c == '\n' || c == '\t' ? ' ' : c);
  }
  return line;
}

IText FieldStyle(const IText& style) {
  IText field = style;
  field.mSize = static_cast<int>(static_cast<float>(style.mSize) * 0.9f);
  field.mCachedFont = nullptr;
  return field;
}

}  // namespace

TextFieldView::TextFieldView(const IText& style, int width, int height, std::string text,
                             TextEntryRules rules, Clipboard clipboard)
    : mStyle(FieldStyle(style)),
      mWidth(std::max(width, 0)),
      mHeight(std::max(height, 0)),
      mText(std::move(text)),
      mCursor(mText.size()),
      mRules(std::move(rules)),
      mClipboard(std::move(clipboard)),
      mFont(IGraphics::CacheFont(&mStyle)) {
  KeepCursorVisible();
}

std::string TextFieldView::Selected() const {
  return mText.substr(SelectionStart(), SelectionEnd() - SelectionStart());
}

bool TextFieldView::Replace(std::size_t from, std::size_t to, std::string_view with) {
  const std::string inserted = Printable(with);
  const int before = CodePoints(mText);
  const int after =
      before - CodePoints(std::string_view(mText).substr(from, to - from)) + CodePoints(inserted);
  if (!mRules.AcceptsEdit(inserted, before, after)) return false;
  mText.replace(from, to - from, inserted);
  mCursor = mAnchor = from + inserted.size();
  KeepCursorVisible();
  return true;
}

void TextFieldView::MoveTo(std::size_t at, bool extend) {
  mCursor = std::min(at, mText.size());
  if (!extend) mAnchor = mCursor;
  KeepCursorVisible();
}

bool TextFieldView::OnKey(const ViewKey& key) {
  if (mState != EState::kEditing) return false;
  const bool selection = SelectionStart() != SelectionEnd();
  switch (key.mKey) {
    case EViewKey::kText:
      if (key.mCtrl) {
        if (key.mText == "a" || key.mText == "A") {
          mAnchor = 0;
          MoveTo(mText.size(), true);
        } else if ((key.mText == "c" || key.mText == "C" || key.mText == "x" || key.mText == "X") &&
                   selection) {
          if (mClipboard.mSet) mClipboard.mSet(Selected());
          if (key.mText == "x" || key.mText == "X") Replace(SelectionStart(), SelectionEnd(), "");
        } else if (key.mText == "v" || key.mText == "V") {
          std::string pasted;
          if (mClipboard.mGet && mClipboard.mGet(&pasted))
            Replace(SelectionStart(), SelectionEnd(), OnOneLine(pasted));
        } else {
          return false;
        }
        return true;
      }
      Replace(SelectionStart(), SelectionEnd(), key.mText);
      return true;
    case EViewKey::kLeft:
      if (selection && !key.mShift) {
        MoveTo(SelectionStart(), false);
      } else {
        MoveTo(PreviousBoundary(mText, mCursor), key.mShift);
      }
      return true;
    case EViewKey::kRight:
      if (selection && !key.mShift) {
        MoveTo(SelectionEnd(), false);
      } else {
        MoveTo(NextBoundary(mText, mCursor), key.mShift);
      }
      return true;
    case EViewKey::kHome:
    case EViewKey::kUp:
      MoveTo(0, key.mShift);
      return true;
    case EViewKey::kEnd:
    case EViewKey::kDown:
      MoveTo(mText.size(), key.mShift);
      return true;
    case EViewKey::kBackspace:
      if (selection) {
        Replace(SelectionStart(), SelectionEnd(), "");
      } else if (mCursor > 0) {
        Replace(PreviousBoundary(mText, mCursor), mCursor, "");
      }
      return true;
    case EViewKey::kDelete:
      if (selection) {
        Replace(SelectionStart(), SelectionEnd(), "");
      } else if (mCursor < mText.size()) {
        Replace(mCursor, NextBoundary(mText, mCursor), "");
      }
      return true;
    case EViewKey::kReturn:
      mState = EState::kCommitted;
      return true;
    case EViewKey::kEscape:
      mState = EState::kCancelled;
      return true;
    case EViewKey::kTab:
      return false;
  }
  return false;
}

void TextFieldView::OnMouseDown(int x, int /*y*/, bool shift, int clicks) {
  if (mState != EState::kEditing) return;
  if (clicks >= 2) {
    mAnchor = 0;
    MoveTo(mText.size(), true);
    return;
  }
  MoveTo(OffsetAt(x), shift);
}

void TextFieldView::OnMouseDrag(int x, int /*y*/) {
  if (mState == EState::kEditing) MoveTo(OffsetAt(x), true);
}

int TextFieldView::TextX(int textWidth) const {
  const int room = mWidth - 2 * kPadding;
  if (textWidth > room) return kPadding - mScroll;
  switch (mStyle.mAlign) {
    case IText::kAlignLeft:
      return kPadding;
    case IText::kAlignRight:
      return mWidth - kPadding - textWidth;
    case IText::kAlignCenter:
      break;
  }
  return kPadding + (room - textWidth) / 2;
}

int TextFieldView::CaretX(std::size_t at) {
  if (!mFont) return kPadding;
  const int width = mFont->TextWidth(mText);
  return TextX(width) + mFont->TextWidth(std::string_view(mText).substr(0, at));
}

std::size_t TextFieldView::OffsetAt(int x) {
  std::size_t best = 0;
  int bestDistance = std::abs(CaretX(0) - x);
  for (std::size_t at = NextBoundary(mText, 0); at <= mText.size() && at > 0;) {
    const int distance = std::abs(CaretX(at) - x);
    if (distance < bestDistance) {
      best = at;
      bestDistance = distance;
    }
    if (at == mText.size()) break;
    at = NextBoundary(mText, at);
  }
  return best;
}

void TextFieldView::KeepCursorVisible() {
  if (!mFont) return;
  const int room = mWidth - 2 * kPadding;
  const int width = mFont->TextWidth(mText);
  if (width <= room) {
    mScroll = 0;
    return;
  }
  const int caret = mFont->TextWidth(std::string_view(mText).substr(0, mCursor));
  if (caret - mScroll > room) mScroll = caret - room;
  if (caret - mScroll < 0) mScroll = caret;
  mScroll = std::clamp(mScroll, 0, width - room);
}

void TextFieldView::Draw(raster::Bitmap& into) {
  const raster::RECT clip{0, 0, std::min(mWidth, into.getWidth()),
                          std::min(mHeight, into.getHeight())};
  raster::Canvas canvas(into, &clip);
  canvas.fillRect(0, 0, mWidth, mHeight, {mStyle.mEntryBgColor.ToPixel(), 1.0f, raster::kModeCopy});
  if (!mFont) return;
  const int lineHeight = mFont->LineHeight();
  const int top = (mHeight - lineHeight) / 2;
  // One pixel more on the right for the cursor after the last character.
  const raster::RECT inside{kPadding, 0, mWidth - kPadding + 1, mHeight};
  const raster::RECT textClip{std::max(clip.left, inside.left), clip.top,
                              std::min(clip.right, inside.right), clip.bottom};
  raster::Canvas textCanvas(into, &textClip);
  if (SelectionStart() != SelectionEnd()) {
    const int from = CaretX(SelectionStart());
    const int to = CaretX(SelectionEnd());
    textCanvas.fillRect(from, top, to - from, lineHeight,
                        {kSelectionColor, 1.0f, raster::kModeCopy});
  }
  const IColor& fg = mStyle.mEntryFgColor;
  const int width = mFont->TextWidth(mText);
  const int x = TextX(width);
  raster::RECT area{x, top, x + width, top + lineHeight};
  const unsigned flags =
      raster::kTextLeft | raster::kTextNoClip | (fg.A < 255 ? raster::kTextColorAlpha : 0u);
  mFont->DrawText(&into, mText, &area, flags, fg.ToPixel(), &textClip);
  if (SelectionStart() == SelectionEnd() && mState == EState::kEditing)
    textCanvas.fillRect(CaretX(mCursor), top, 1, lineHeight,
                        {fg.ToPixel(), 1.0f, raster::kModeSourceAlpha});
}
