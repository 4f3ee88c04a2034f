// Keys as the editor sees them: the codes controls receive, and the keys the
// text field and the popup menu take. The platform binding translates its
// window system's keys into these.
#pragma once

#include <string>

#include "framework/key_codes.h"

// Keys of the text field and the popup menu.
enum class EViewKey {
  kText,  // typed text, in ViewKey::mText
  kLeft,
  kRight,
  kUp,
  kDown,
  kHome,
  kEnd,
  kBackspace,
  kDelete,
  kReturn,
  kEscape,
  kTab,
};

struct ViewKey {
  EViewKey mKey = EViewKey::kText;
  std::string mText;  // UTF-8, for kText; with mCtrl, the letter of a shortcut
  bool mShift = false;
  bool mCtrl = false;

  static ViewKey Text(std::string text) { return {EViewKey::kText, std::move(text), false, false}; }
  static ViewKey Shortcut(char letter) {
    return {EViewKey::kText, std::string(1, letter), false, true};
  }
  static ViewKey Key(EViewKey key, bool shift = false) { return {key, {}, shift, false}; }
};
