#include "platform/dialog_view.h"

#include <algorithm>
#include <sstream>

#include "editor/caches.h"
#include "editor/igraphics.h"
#include "editor/view_style.h"
#include "raster/blit.h"
#include "raster/canvas.h"
#include "raster/mem_bitmap.h"

namespace {

constexpr int kMargin = 16;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 28;
constexpr int kGap = 10;
constexpr int kFieldHeight = 26;
constexpr int kMinWidth = 360;
constexpr int kMaxWidth = 640;

constexpr raster::Pixel kBackground = 0xFFEFEFEFu;
constexpr raster::Pixel kButton = 0xFFFAFAFAu;

raster::Paint Solid(raster::Pixel color) {
  return {color, 1.0f, raster::kModeCopy};
}

}  // namespace

DialogView::DialogView(std::string message, std::vector<std::string> buttons, bool withField,
                       const std::string& fieldText, TextFieldView::Clipboard clipboard,
                       double scale)
    : mScale(scale), mButtons(std::move(buttons)) {
  if (mButtons.empty()) mButtons.emplace_back("OK");
  IText style = ViewTextStyle(Px(15));
  mFont = IGraphics::CacheFont(&style);
  mLineHeight = mFont ? mFont->LineHeight() : 16;
  std::istringstream lines(message);
  int widest = 0;
  for (std::string line; std::getline(lines, line);) {
    if (mFont) widest = std::max(widest, mFont->TextWidth(line));
    mLines.push_back(line);
  }
  const int buttonsWidth =
      static_cast<int>(mButtons.size()) * (Px(kButtonWidth) + Px(kGap)) - Px(kGap);
  mWidth =
      std::clamp(std::max(widest, buttonsWidth) + 2 * Px(kMargin), Px(kMinWidth), Px(kMaxWidth));
  mHeight = Px(kMargin) + static_cast<int>(mLines.size()) * mLineHeight + Px(kMargin) +
            (withField ? Px(kFieldHeight) + Px(kMargin) : 0) + Px(kButtonHeight) + Px(kMargin);
  if (withField) {
    const IRECT r = FieldRect();
    // The field draws at nine tenths of the style's size, black on white
    // (a style's entry colours unless set otherwise).
    mField = std::make_unique<TextFieldView>(ViewTextStyle(Px(16)), r.W(), r.H(), fieldText,
                                             TextEntryRules::None(), std::move(clipboard));
  }
}

IRECT DialogView::ButtonRect(int index) const {
  const int n = static_cast<int>(mButtons.size());
  const int right = mWidth - Px(kMargin) - (n - 1 - index) * (Px(kButtonWidth) + Px(kGap));
  const int bottom = mHeight - Px(kMargin);
  return {right - Px(kButtonWidth), bottom - Px(kButtonHeight), right, bottom};
}

IRECT DialogView::FieldRect() const {
  const int top = Px(kMargin) + static_cast<int>(mLines.size()) * mLineHeight + Px(kMargin);
  return {Px(kMargin), top, mWidth - Px(kMargin), top + Px(kFieldHeight)};
}

void DialogView::OnKey(const ViewKey& key) {
  if (key.mKey == EViewKey::kReturn) {
    mChosen = 0;
  } else if (key.mKey == EViewKey::kEscape) {
    Cancel();
  } else if (mField) {
    mField->OnKey(key);
  }
}

void DialogView::OnMouseDown(int x, int y, int clicks) {
  for (int i = 0; i < static_cast<int>(mButtons.size()); ++i)
    if (ButtonRect(i).Contains(x, y)) mChosen = i;
  const IRECT field = FieldRect();
  if (mField && field.Contains(x, y)) mField->OnMouseDown(x - field.L, y - field.T, false, clicks);
}

void DialogView::OnMouseDrag(int x, int y) {
  const IRECT field = FieldRect();
  if (mField) mField->OnMouseDrag(x - field.L, y - field.T);
}

void DialogView::Draw(raster::Bitmap& into) {
  raster::Canvas canvas(into);
  canvas.fillRect(0, 0, mWidth, mHeight, Solid(kBackground));
  const auto text = [&](const std::string& line, raster::RECT area, unsigned align) {
    if (mFont) mFont->DrawText(&into, line, &area, align | raster::kTextNoClip, kViewText);
  };
  int y = Px(kMargin);
  for (const std::string& line : mLines) {
    text(line, {Px(kMargin), y, mWidth - Px(kMargin), y + mLineHeight}, raster::kTextLeft);
    y += mLineHeight;
  }
  if (mField) {
    const IRECT r = FieldRect();
    canvas.fillRect(r.L - 1, r.T - 1, r.W() + 2, r.H() + 2, Solid(kViewFrame));
    raster::MemBitmap field(r.W(), r.H());
    mField->Draw(field);
    raster::Blit(&into, &field, r.L, r.T, nullptr, 1.0f, raster::kModeCopy);
  }
  for (int i = 0; i < static_cast<int>(mButtons.size()); ++i) {
    const IRECT r = ButtonRect(i);
    canvas.fillRect(r.L, r.T, r.W(), r.H(), Solid(i == 0 ? kViewHighlight : kViewFrame));
    canvas.fillRect(r.L + (i == 0 ? 2 : 1), r.T + (i == 0 ? 2 : 1), r.W() - (i == 0 ? 4 : 2),
                    r.H() - (i == 0 ? 4 : 2), Solid(kButton));
    text(mButtons[static_cast<std::size_t>(i)], {r.L, r.T + (r.H() - mLineHeight) / 2, r.R, r.B},
         raster::kTextCenter);
  }
}
