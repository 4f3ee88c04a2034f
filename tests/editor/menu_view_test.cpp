// The popup menu view and session: sizes, hover, keys, submenus, the choice.
#include "editor/popup_menu_view.h"
#include "tests/editor/editor_fixture.h"

namespace {

ViewKey Key(EViewKey key) {
  return ViewKey::Key(key);
}

// The centre of an item of a level, in session coordinates.
std::pair<int, int> ItemCentre(const PopupMenuSession& session, int level, int index) {
  const IRECT row = session.GetView(level).ItemRect(index);
  return {session.ViewX(level) + (row.L + row.R) / 2, session.ViewY(level) + (row.T + row.B) / 2};
}

struct Menus {
  Menus() {
    root.AddItem("Title", -1, IPopupMenuItem::kTitle);
    root.AddItem("Disabled", -1, IPopupMenuItem::kDisabled);
    root.AddSeparator();
    root.AddItem("Plain");
    root.AddItem("More", &sub);
    sub.AddItem("Deep one");
    sub.AddItem("Deep two", -1, IPopupMenuItem::kChecked);
  }
  IPopupMenu root;
  IPopupMenu sub;
};

TEST(MenuView, SizesItselfFromItsItems) {
  Menus menus;
  PopupMenuView view(menus.root);
  IPopupMenu wide;
  wide.AddItem("Title");
  wide.AddItem("A much longer entry than any other");
  PopupMenuView wider(wide);
  EXPECT_GT(wider.Width(), view.Width());
  EXPECT_LT(view.ItemRect(2).H(), view.ItemRect(3).H());  // separators are thin
  EXPECT_EQ(view.ItemAt(5, view.ItemRect(3).T), 3);
  EXPECT_EQ(view.ItemAt(5, 0), -1);
  EXPECT_EQ(view.ItemAt(view.Width(), view.ItemRect(3).T), -1);
  const int plain = PopupMenuView(wide).Width();
  wide.SetPrefix(3);  // "002: " widens every entry
  EXPECT_GT(PopupMenuView(wide).Width(), plain);
}

TEST(MenuView, ArrowsSkipWhatCannotBeChosen) {
  Menus menus;
  PopupMenuSession session(menus.root, 0, 0);
  session.OnKey(Key(EViewKey::kDown));
  EXPECT_EQ(session.GetView(0).Hover(), 0);
  session.OnKey(Key(EViewKey::kDown));
  EXPECT_EQ(session.GetView(0).Hover(), 3);  // past the disabled item and the separator
  session.OnKey(Key(EViewKey::kUp));
  EXPECT_EQ(session.GetView(0).Hover(), 0);
  session.OnKey(Key(EViewKey::kUp));  // no wrapping
  EXPECT_EQ(session.GetView(0).Hover(), 0);
  session.OnKey(Key(EViewKey::kEnd));
  EXPECT_EQ(session.GetView(0).Hover(), 4);
}

TEST(MenuView, SubmenusOpenByKeyAndReportTheirOwnMenu) {
  Menus menus;
  menus.root.SetChosenItemIdx(3);  // left from an earlier time
  PopupMenuSession session(menus.root, 0, 0);
  EXPECT_EQ(menus.root.GetChosenItemIdx(), -1);
  session.OnKey(Key(EViewKey::kEnd));
  session.OnKey(Key(EViewKey::kRight));
  ASSERT_EQ(session.NLevels(), 2);
  EXPECT_EQ(session.GetView(1).Hover(), 0);
  EXPECT_GE(session.ViewX(1), session.GetView(0).Width() - 2);
  session.OnKey(Key(EViewKey::kLeft));
  EXPECT_EQ(session.NLevels(), 1);
  session.OnKey(Key(EViewKey::kReturn));  // on a submenu item, Return opens it
  session.OnKey(Key(EViewKey::kDown));
  session.OnKey(Key(EViewKey::kReturn));
  EXPECT_FALSE(session.IsOpen());
  EXPECT_EQ(session.Result(), &menus.sub);
  EXPECT_EQ(menus.sub.GetChosenItemIdx(), 1);
  EXPECT_EQ(menus.root.GetChosenItemIdx(), -1);
}

TEST(MenuView, TheMouseHoversOpensAndChooses) {
  Menus menus;
  PopupMenuSession session(menus.root, 100, 50);
  auto [mx, my] = ItemCentre(session, 0, 4);
  session.OnMouseMove(mx, my);
  ASSERT_EQ(session.NLevels(), 2);
  // Releasing over the disabled item, the separator or a submenu item chooses nothing.
  for (int index : {1, 2, 4}) {
    auto [x, y] = ItemCentre(session, 0, index);
    session.OnMouseUp(x, y);
  }
  EXPECT_TRUE(session.IsOpen());
  auto [px, py] = ItemCentre(session, 0, 3);
  session.OnMouseMove(px, py);  // another item closes the submenu
  EXPECT_EQ(session.NLevels(), 1);
  session.OnMouseMove(mx, my);
  auto [sx, sy] = ItemCentre(session, 1, 0);
  session.OnMouseMove(sx, sy);
  session.OnMouseUp(sx, sy);
  EXPECT_EQ(session.Result(), &menus.sub);
  EXPECT_EQ(menus.sub.GetChosenItemIdx(), 0);
  // A press outside every level dismisses.
  PopupMenuSession outside(menus.root, 100, 50);
  outside.OnMouseDown(99, 50);
  EXPECT_FALSE(outside.IsOpen());
  EXPECT_EQ(outside.Result(), nullptr);
}

TEST_F(EditorTest, MenusNeedAnOpenWindow) {
  Menus menus;
  int driven = 0;
  gui->SetMenuDriver([&](PopupMenuSession& session) {
    ++driven;
    session.OnKey(Key(EViewKey::kDown));
    session.OnKey(Key(EViewKey::kReturn));
  });
  EXPECT_EQ(gui->CreateIPopupMenu(&menus.root, IRECT(0, 0, 10, 10)), nullptr);
  EXPECT_EQ(driven, 0);
  AttachToPlug();
  EXPECT_EQ(gui->CreateIPopupMenu(&menus.root, IRECT(0, 0, 10, 10)), &menus.root);
  EXPECT_EQ(menus.root.GetChosenItemIdx(), 0);
}

}  // namespace
