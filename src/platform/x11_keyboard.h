// The keyboard of one connection through xkbcommon: the server's keymap
// (reloaded when it changes), the group and modifiers of each event, and
// compose sequences of the user's locale, so that layouts and dead keys type
// what they show.
#pragma once

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <string>

class X11Keyboard {
 public:
  explicit X11Keyboard(xcb_connection_t* connection);
  ~X11Keyboard();
  X11Keyboard(const X11Keyboard&) = delete;
  X11Keyboard& operator=(const X11Keyboard&) = delete;

  // After the server said its mapping changed.
  void Reload();
  // Takes the keyboard extension's events (a new layout, a changed map);
  // false for every other event.
  bool HandleEvent(const xcb_generic_event_t* event);

  struct Key {
    xkb_keysym_t keysym = XKB_KEY_NoSymbol;  // NoSymbol inside a compose sequence
    std::string text;                        // UTF-8 typed by the key or the sequence
  };
  // A key press with the event's modifier and group state.
  Key Press(xcb_keycode_t keycode, std::uint16_t state);

 private:
  void UpdateState(std::uint16_t state);
  bool Stale(xcb_keycode_t keycode);

  xcb_connection_t* mConnection;
  xkb_context* mContext = nullptr;
  xkb_keymap* mKeymap = nullptr;
  xkb_state* mState = nullptr;
  xkb_compose_table* mComposeTable = nullptr;
  xkb_compose_state* mCompose = nullptr;
  std::int32_t mDevice = -1;
  std::uint8_t mBaseEvent = 0;
};
