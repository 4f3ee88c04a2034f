// The codes editor controls receive for keys: the host's forwarded keys and
// the window system's keys are both translated into these.
#pragma once

enum EKeyCode : int {
  KEY_SPACE = 0,
  KEY_UPARROW = 1,
  KEY_DOWNARROW = 2,
  KEY_LEFTARROW = 3,
  KEY_RIGHTARROW = 4,
  KEY_DIGIT_0 = 5,   // to KEY_DIGIT_0 + 9
  KEY_ALPHA_A = 15,  // to KEY_ALPHA_A + 25, either case
  KEY_RETURN = 41,   // Return or Enter
};

// The code of a typed character: the blank, a digit or a letter of either
// case; -1 for every other character.
constexpr int KeyCodeForCharacter(char32_t c) {
  if (c == U' ') return KEY_SPACE;
  if (c >= U'0' && c <= U'9') return KEY_DIGIT_0 + static_cast<int>(c - U'0');
  if (c >= U'a' && c <= U'z') return KEY_ALPHA_A + static_cast<int>(c - U'a');
  if (c >= U'A' && c <= U'Z') return KEY_ALPHA_A + static_cast<int>(c - U'A');
  return -1;
}
