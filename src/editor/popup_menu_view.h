// The popup menu as the project draws it: one view per open level, each
// sizing itself from its items, drawing into a bitmap of its own size and
// hit-testing in its own coordinates, and a session that stacks the root and
// its open submenus, routes the mouse and keys and ends with the user's
// choice. The platform gives each view a window and runs the session modally.
#pragma once

#include <cmath>
#include <memory>
#include <vector>

#include "editor/keys.h"
#include "editor/popup_menu.h"
#include "editor/records.h"
#include "raster/bitmap.h"

class CachedFont;

class PopupMenuView {
 public:
  // Its sizes, text included, at the scale.
  explicit PopupMenuView(IPopupMenu& menu, double scale = 1.);

  IPopupMenu& Menu() const { return mMenu; }
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  // The row of the item, in the view's coordinates.
  IRECT ItemRect(int index) const;
  // The item under the point, -1 for none.
  int ItemAt(int x, int y) const;
  // Enabled and not a separator.
  bool IsSelectable(int index) const;
  int Hover() const { return mHover; }
  void SetHover(int index);  // -1 for none; items that cannot be chosen are not hovered

  // Draws the view into (0, 0) to (Width, Height) of the bitmap.
  void Draw(raster::Bitmap& into);

 private:
  int Px(int v) const { return static_cast<int>(std::lround(v * mScale)); }

  IPopupMenu& mMenu;
  double mScale;
  CachedFont* mFont;
  std::vector<int> mTops;  // one per item, and the bottom of the last
  int mWidth = 0;
  int mHeight = 0;
  int mHover = -1;
};

class PopupMenuSession {
 public:
  // The root menu with its top-left corner at (x, y), in the caller's
  // coordinates (the editor's); the menu's chosen index is reset.
  PopupMenuSession(IPopupMenu& menu, int x, int y, double scale = 1.);
  // The root menu opened for an area: at its left edge, just below it.
  PopupMenuSession(IPopupMenu& menu, const IRECT& area, double scale = 1.);

  // The open levels, root first; their positions in the caller's coordinates.
  int NLevels() const { return static_cast<int>(mLevels.size()); }
  PopupMenuView& GetView(int level) const {
    return *mLevels[static_cast<std::size_t>(level)].mView;
  }
  int ViewX(int level) const { return mLevels[static_cast<std::size_t>(level)].mX; }
  int ViewY(int level) const { return mLevels[static_cast<std::size_t>(level)].mY; }
  // A platform that had to move a level's window on screen reports it here.
  void MoveView(int level, int x, int y);

  // Hovering an item opens its submenu; a release over an item chooses it; a
  // press outside every level dismisses the menu.
  void OnMouseMove(int x, int y);
  void OnMouseDown(int x, int y);
  void OnMouseUp(int x, int y);
  // Up and Down move through the deepest level, Right or Return open a
  // submenu, Left closes it, Return chooses, Escape dismisses.
  void OnKey(const ViewKey& key);
  void Dismiss();

  bool IsOpen() const { return mOpen; }
  // The menu holding the chosen entry, its mChosenItemIdx set; null when the
  // menu was dismissed or is still open.
  IPopupMenu* Result() const { return mResult; }

 private:
  struct Level {
    std::unique_ptr<PopupMenuView> mView;
    int mX;
    int mY;
  };
  int LevelAt(int x, int y) const;
  void Hover(int level, int index);
  void Open(int level, int index);
  void Choose(int level, int index);
  void Step(int direction);
  int Px(int v) const { return static_cast<int>(std::lround(v * mScale)); }

  double mScale;
  std::vector<Level> mLevels;
  bool mOpen = true;
  IPopupMenu* mResult = nullptr;
};
