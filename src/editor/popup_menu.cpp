#include "editor/popup_menu.h"

#include <algorithm>
#include <cstdio>

IPopupMenuItem* IPopupMenu::AddItem(std::unique_ptr<IPopupMenuItem> item, int index) {
  IPopupMenuItem* added = item.get();
  if (index == -1 || index >= GetNItems()) {
    mItems.push_back(std::move(item));
  } else {
    mItems.insert(mItems.begin() + std::max(index, 0), std::move(item));
  }
  return added;
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, int index, int itemFlags) {
  return AddItem(std::make_unique<IPopupMenuItem>(text, itemFlags), index);
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, int index, IPopupMenu* submenu) {
  return AddItem(std::make_unique<IPopupMenuItem>(text, IPopupMenuItem::kNoFlags, submenu), index);
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, IPopupMenu* submenu) {
  return AddItem(text, -1, submenu);
}

IPopupMenuItem* IPopupMenu::AddSeparator(int index) {
  return AddItem("", index, IPopupMenuItem::kSeparator);
}

IPopupMenuItem* IPopupMenu::GetItem(int index) {
  if (index < 0 || index >= GetNItems()) return nullptr;
  return mItems[static_cast<std::size_t>(index)].get();
}

const IPopupMenuItem* IPopupMenu::GetItem(int index) const {
  return const_cast<IPopupMenu*>(this)->GetItem(index);
}

const char* IPopupMenu::GetItemText(int index) const {
  const IPopupMenuItem* item = GetItem(index);
  return item ? item->GetText().c_str() : "";
}

void IPopupMenu::SetPrefix(int prefix) {
  if (prefix >= 0 && prefix <= 3) mPrefix = prefix;
}

std::string IPopupMenu::GetDisplayText(int index) const {
  const IPopupMenuItem* item = GetItem(index);
  if (!item) return {};
  if (mPrefix == 0) return item->GetText();
  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "%0*d: ", mPrefix, index + 1);
  return prefix + item->GetText();
}

bool IPopupMenu::CheckItem(int index, bool checked) {
  IPopupMenuItem* item = GetItem(index);
  if (!item) return false;
  item->SetChecked(checked);
  return true;
}

void IPopupMenu::CheckItemAlone(int index) {
  for (int i = 0; i < GetNItems(); ++i)
    GetItem(i)->SetChecked(i == index);
}

bool IPopupMenu::IsItemChecked(int index) const {
  const IPopupMenuItem* item = GetItem(index);
  return item && item->GetChecked();
}
