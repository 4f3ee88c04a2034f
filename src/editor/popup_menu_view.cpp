#include "editor/popup_menu_view.h"

#include <algorithm>
#include <cmath>

#include "editor/caches.h"
#include "editor/igraphics.h"
#include "editor/view_style.h"
#include "raster/canvas.h"

namespace {

// Geometry and colours of a menu level.
constexpr int kBorder = 1;
constexpr int kPadding = 4;     // above the first and below the last row
constexpr int kRowPadding = 3;  // above and below the text of a row
constexpr int kSeparatorHeight = 9;
constexpr int kCheckGutter = 22;  // left of the text, holds the check mark
constexpr int kTitleIndent = 12;
constexpr int kArrowGutter = 24;  // right of the text, holds a submenu's arrow
constexpr int kMinWidth = 80;
constexpr int kSubmenuOverlap = 2;
constexpr int kGapBelowArea = 4;  // between a menu and the area it opened for

constexpr raster::Pixel kBackground = 0xFFF4F4F4u;
constexpr raster::Pixel kDisabledText = 0xFF9C9C9Cu;
constexpr raster::Pixel kHoverText = 0xFFFFFFFFu;
constexpr raster::Pixel kSeparator = 0xFFCFCFCFu;

raster::Paint Solid(raster::Pixel color) {
  return {color, 1.0f, raster::kModeSourceAlpha};
}

}  // namespace

PopupMenuView::PopupMenuView(IPopupMenu& menu, double scale) : mMenu(menu), mScale(scale) {
  IText style = ViewTextStyle(Px(15));
  mFont = IGraphics::CacheFont(&style);
  const int lineHeight = mFont ? mFont->LineHeight() : 12;
  int widest = 0;
  int y = Px(kBorder) + Px(kPadding);
  for (int i = 0; i < menu.GetNItems(); ++i) {
    const IPopupMenuItem* item = menu.GetItem(i);
    mTops.push_back(y);
    if (item->GetIsSeparator() && !item->GetSubmenu()) {
      y += Px(kSeparatorHeight);
      continue;
    }
    y += lineHeight + 2 * Px(kRowPadding);
    const int indent = item->GetIsTitle() ? Px(kTitleIndent) : 0;
    if (mFont) widest = std::max(widest, indent + mFont->TextWidth(menu.GetDisplayText(i)));
  }
  mTops.push_back(y);
  mHeight = y + Px(kPadding) + Px(kBorder);
  mWidth = std::max(Px(kMinWidth), 2 * Px(kBorder) + Px(kCheckGutter) + widest + Px(kArrowGutter));
}

IRECT PopupMenuView::ItemRect(int index) const {
  if (index < 0 || index >= mMenu.GetNItems()) return {};
  const auto i = static_cast<std::size_t>(index);
  return {Px(kBorder), mTops[i], mWidth - Px(kBorder), mTops[i + 1]};
}

int PopupMenuView::ItemAt(int x, int y) const {
  if (x < Px(kBorder) || x >= mWidth - Px(kBorder)) return -1;
  for (int i = 0; i < mMenu.GetNItems(); ++i) {
    const auto at = static_cast<std::size_t>(i);
    if (y >= mTops[at] && y < mTops[at + 1]) return i;
  }
  return -1;
}

bool PopupMenuView::IsSelectable(int index) const {
  const IPopupMenuItem* item = mMenu.GetItem(index);
  if (!item || !item->GetEnabled()) return false;
  return item->GetSubmenu() || !item->GetIsSeparator();
}

void PopupMenuView::SetHover(int index) {
  mHover = IsSelectable(index) ? index : -1;
}

void PopupMenuView::Draw(raster::Bitmap& into) {
  const raster::RECT clip{0, 0, std::min(mWidth, into.getWidth()),
                          std::min(mHeight, into.getHeight())};
  raster::Canvas canvas(into, &clip);
  canvas.fillRect(0, 0, mWidth, mHeight, {kViewFrame, 1.0f, raster::kModeCopy});
  canvas.fillRect(Px(kBorder), Px(kBorder), mWidth - 2 * Px(kBorder), mHeight - 2 * Px(kBorder),
                  {kBackground, 1.0f, raster::kModeCopy});
  for (int i = 0; i < mMenu.GetNItems(); ++i) {
    const IPopupMenuItem* item = mMenu.GetItem(i);
    const IRECT row = ItemRect(i);
    if (item->GetIsSeparator() && !item->GetSubmenu()) {
      const int y = row.T + Px(kSeparatorHeight) / 2;
      canvas.fillRect(row.L + Px(6), y, row.W() - Px(12), Px(1), Solid(kSeparator));
      continue;
    }
    const bool hovered = i == mHover;
    if (hovered) canvas.fillRect(row.L, row.T, row.W(), row.H(), Solid(kViewHighlight));
    const raster::Pixel ink = hovered ? kHoverText : item->GetEnabled() ? kViewText : kDisabledText;
    const float midY = static_cast<float>(row.T + row.B - 1) * 0.5f;
    if (item->GetChecked()) {
      // A tick, two pixels thick.
      const float x0 = static_cast<float>(row.L + Px(6));
      const auto f = static_cast<float>(mScale);
      for (int t = 0; t < Px(2); ++t) {
        const auto d = static_cast<float>(t);
        canvas.line(x0, midY + d, x0 + 3.5f * f, midY + 3.5f * f + d, Solid(ink), true);
        canvas.line(x0 + 3.5f * f, midY + 3.5f * f + d, x0 + 10.f * f, midY - 4.f * f + d,
                    Solid(ink), true);
      }
    }
    if (item->GetSubmenu()) {
      const int x = row.R - Px(14);
      const int y = static_cast<int>(midY);
      canvas.fillTriangle(x, y - Px(4), x, y + Px(5), x + Px(5), y, Solid(ink));
    }
    if (!mFont) continue;
    const int left = row.L + Px(kCheckGutter) + (item->GetIsTitle() ? Px(kTitleIndent) : 0);
    raster::RECT area{left, row.T + Px(kRowPadding), row.R - Px(kArrowGutter), row.B};
    mFont->DrawText(&into, mMenu.GetDisplayText(i), &area, raster::kTextLeft | raster::kTextNoClip,
                    ink, &clip);
  }
}

PopupMenuSession::PopupMenuSession(IPopupMenu& menu, int x, int y, double scale) : mScale(scale) {
  menu.SetChosenItemIdx(-1);
  mLevels.push_back({std::make_unique<PopupMenuView>(menu, scale), x, y});
}

PopupMenuSession::PopupMenuSession(IPopupMenu& menu, const IRECT& area, double scale)
    : PopupMenuSession(menu, area.L, area.B + static_cast<int>(std::lround(kGapBelowArea * scale)),
                       scale) {}

void PopupMenuSession::MoveView(int level, int x, int y) {
  if (level < 0 || level >= NLevels()) return;
  mLevels[static_cast<std::size_t>(level)].mX = x;
  mLevels[static_cast<std::size_t>(level)].mY = y;
}

int PopupMenuSession::LevelAt(int x, int y) const {
  for (int level = NLevels() - 1; level >= 0; --level) {
    const PopupMenuView& view = GetView(level);
    const int vx = x - ViewX(level);
    const int vy = y - ViewY(level);
    if (vx >= 0 && vy >= 0 && vx < view.Width() && vy < view.Height()) return level;
  }
  return -1;
}

void PopupMenuSession::Hover(int level, int index) {
  PopupMenuView& view = GetView(level);
  const int before = view.Hover();
  view.SetHover(index);
  if (view.Hover() == before && NLevels() > level + 1) return;
  // Deeper levels belonged to the item hovered before.
  mLevels.resize(static_cast<std::size_t>(level) + 1);
  Open(level, view.Hover());
}

void PopupMenuSession::Open(int level, int index) {
  const PopupMenuView& view = GetView(level);
  const IPopupMenuItem* item = view.Menu().GetItem(index);
  if (!item || !item->GetSubmenu() || !view.IsSelectable(index)) return;
  const IRECT row = view.ItemRect(index);
  mLevels.resize(static_cast<std::size_t>(level) + 1);
  mLevels.push_back({std::make_unique<PopupMenuView>(*item->GetSubmenu(), mScale),
                     ViewX(level) + view.Width() - Px(kSubmenuOverlap),
                     ViewY(level) + row.T - Px(kBorder) - Px(kPadding)});
}

void PopupMenuSession::Choose(int level, int index) {
  PopupMenuView& view = GetView(level);
  if (!view.IsSelectable(index)) return;
  if (view.Menu().GetItem(index)->GetSubmenu()) {
    view.SetHover(index);
    if (NLevels() == level + 1) Open(level, index);
    return;
  }
  view.Menu().SetChosenItemIdx(index);
  mResult = &view.Menu();
  mOpen = false;
}

void PopupMenuSession::OnMouseMove(int x, int y) {
  if (!mOpen) return;
  const int level = LevelAt(x, y);
  if (level < 0) return;
  const int index = GetView(level).ItemAt(x - ViewX(level), y - ViewY(level));
  if (index >= 0) Hover(level, index);
}

void PopupMenuSession::OnMouseDown(int x, int y) {
  if (!mOpen) return;
  if (LevelAt(x, y) < 0) Dismiss();
}

void PopupMenuSession::OnMouseUp(int x, int y) {
  if (!mOpen) return;
  const int level = LevelAt(x, y);
  if (level < 0) return;
  const int index = GetView(level).ItemAt(x - ViewX(level), y - ViewY(level));
  if (index >= 0) Choose(level, index);
}

void PopupMenuSession::Step(int direction) {
  PopupMenuView& view = GetView(NLevels() - 1);
  const int n = view.Menu().GetNItems();
  int index = view.Hover();
  if (index < 0) index = direction > 0 ? -1 : n;
  for (int i = index + direction; i >= 0 && i < n; i += direction) {
    if (view.IsSelectable(i)) {
      view.SetHover(i);
      return;
    }
  }
}

void PopupMenuSession::OnKey(const ViewKey& key) {
  if (!mOpen) return;
  const int deepest = NLevels() - 1;
  PopupMenuView& view = GetView(deepest);
  switch (key.mKey) {
    case EViewKey::kDown:
      Step(1);
      break;
    case EViewKey::kUp:
      Step(-1);
      break;
    case EViewKey::kHome:
      view.SetHover(-1);
      Step(1);
      break;
    case EViewKey::kEnd:
      view.SetHover(-1);
      Step(-1);
      break;
    case EViewKey::kRight:
    case EViewKey::kReturn: {
      const int hover = view.Hover();
      const IPopupMenuItem* item = view.Menu().GetItem(hover);
      if (item && item->GetSubmenu()) {
        Open(deepest, hover);
        Step(1);
      } else if (key.mKey == EViewKey::kReturn && hover >= 0) {
        Choose(deepest, hover);
      }
      break;
    }
    case EViewKey::kLeft:
      if (deepest > 0) mLevels.pop_back();
      break;
    case EViewKey::kEscape:
      Dismiss();
      break;
    default:
      break;
  }
}

void PopupMenuSession::Dismiss() {
  mOpen = false;
  mResult = nullptr;
}
