// The popup menu model a control hands to the platform: items in display
// order, with flags, optional submenus and a numbering prefix. The platform
// shows it (CreateIPopupMenu) and reports the chosen entry back into it.
#pragma once

#include <memory>
#include <string>
#include <vector>

class IPopupMenu;

class IPopupMenuItem {
 public:
  enum Flags : int {
    kNoFlags = 0,
    kDisabled = 1,
    kTitle = 2,
    kChecked = 4,
    kSeparator = 8,
  };

  IPopupMenuItem(const char* text, int flags = kNoFlags, IPopupMenu* submenu = nullptr)
      : mText(text ? text : ""), mSubmenu(submenu), mFlags(flags) {}

  const std::string& GetText() const { return mText; }
  void SetText(const char* text) { mText = text ? text : ""; }
  IPopupMenu* GetSubmenu() const { return mSubmenu; }
  int GetFlags() const { return mFlags; }
  bool GetEnabled() const { return (mFlags & kDisabled) == 0; }
  bool GetChecked() const { return (mFlags & kChecked) != 0; }
  bool GetIsTitle() const { return (mFlags & kTitle) != 0; }
  bool GetIsSeparator() const { return (mFlags & kSeparator) != 0; }
  void SetChecked(bool checked) { SetFlag(kChecked, checked); }
  void SetEnabled(bool enabled) { SetFlag(kDisabled, !enabled); }
  void SetTitle(bool title) { SetFlag(kTitle, title); }

 private:
  void SetFlag(int flag, bool on) { mFlags = on ? (mFlags | flag) : (mFlags & ~flag); }

  std::string mText;
  IPopupMenu* mSubmenu;  // not owned
  int mFlags;
};

class IPopupMenu {
 public:
  IPopupMenu() = default;
  IPopupMenu(const IPopupMenu&) = delete;
  IPopupMenu& operator=(const IPopupMenu&) = delete;

  // Index -1 appends; any other is held to at least 0 and inserts there, an
  // index past the end appending. Each returns the item now in the menu.
  IPopupMenuItem* AddItem(std::unique_ptr<IPopupMenuItem> item, int index = -1);
  IPopupMenuItem* AddItem(const char* text, int index = -1, int itemFlags = 0);
  IPopupMenuItem* AddItem(const char* text, int index, IPopupMenu* submenu);
  IPopupMenuItem* AddItem(const char* text, IPopupMenu* submenu);
  IPopupMenuItem* AddSeparator(int index = -1);

  IPopupMenuItem* GetItem(int index);
  const IPopupMenuItem* GetItem(int index) const;
  const char* GetItemText(int index) const;
  int GetNItems() const { return static_cast<int>(mItems.size()); }

  // 0 none, 1 "1: ", 2 "01: ", 3 "001: "; other values are refused.
  void SetPrefix(int prefix);
  int GetPrefix() const { return mPrefix; }
  // The text the platform shows for the item at index: prefix and text.
  std::string GetDisplayText(int index) const;

  bool CheckItem(int index, bool checked);
  void CheckItemAlone(int index);
  bool IsItemChecked(int index) const;

  int GetChosenItemIdx() const { return mChosenItemIdx; }
  void SetChosenItemIdx(int index) { mChosenItemIdx = index; }

 private:
  int mPrefix = 0;
  int mChosenItemIdx = -1;
  std::vector<std::unique_ptr<IPopupMenuItem>> mItems;
};
