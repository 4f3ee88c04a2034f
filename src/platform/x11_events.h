// Small readings of X events shared by the editor window and its helpers.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <optional>

#include "platform/input_mapping.h"
#include "platform/x11_keyboard.h"

inline std::uint8_t EventType(const xcb_generic_event_t* event) {
  return event->response_type & 0x7F;
}

// Sent by another client (a host forwarding keys), not by the server.
inline bool IsSynthetic(const xcb_generic_event_t* event) {
  return (event->response_type & 0x80) != 0;
}

// The key a text field, menu or dialog takes for a press in this state.
inline std::optional<ViewKey> ViewKeyOf(const X11Keyboard::Key& key, std::uint16_t state) {
  return ViewKeyFor(key.keysym, key.text, (state & XCB_MOD_MASK_SHIFT) != 0,
                    (state & XCB_MOD_MASK_CONTROL) != 0);
}
