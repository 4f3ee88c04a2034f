#include "platform/x11_keyboard.h"

// The extension's header names a field "explicit", a word C++ keeps for itself.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wkeyword-macro"
#endif
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#if defined(__clang__)
#pragma clang diagnostic pop
#endif
#include <xkbcommon/xkbcommon-x11.h>

#include <cstdlib>

namespace {

// The locale whose compose sequences apply, as the C library would choose it.
const char* ComposeLocale() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return "C";
}

}  // namespace

X11Keyboard::X11Keyboard(xcb_connection_t* connection) : mConnection(connection) {
  mContext = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  if (!mContext) return;
  if (!xkb_x11_setup_xkb_extension(
          connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
          XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr))
    return;
  mDevice = xkb_x11_get_core_keyboard_device_id(connection);
  Reload();
  mComposeTable =
      xkb_compose_table_new_from_locale(mContext, ComposeLocale(), XKB_COMPOSE_COMPILE_NO_FLAGS);
  // The plain C locale has no sequences worth the name; its UTF-8 twin does.
  if (!mComposeTable)
    mComposeTable =
        xkb_compose_table_new_from_locale(mContext, "C.UTF-8", XKB_COMPOSE_COMPILE_NO_FLAGS);
  if (mComposeTable) mCompose = xkb_compose_state_new(mComposeTable, XKB_COMPOSE_STATE_NO_FLAGS);
}

X11Keyboard::~X11Keyboard() {
  xkb_compose_state_unref(mCompose);
  xkb_compose_table_unref(mComposeTable);
  xkb_state_unref(mState);
  xkb_keymap_unref(mKeymap);
  xkb_context_unref(mContext);
}

void X11Keyboard::Reload() {
  if (mDevice < 0) return;
  xkb_keymap* keymap =
      xkb_x11_keymap_new_from_device(mContext, mConnection, mDevice, XKB_KEYMAP_COMPILE_NO_FLAGS);
  if (!keymap) return;
  xkb_state* state = xkb_state_new(keymap);
  if (!state) {
    xkb_keymap_unref(keymap);
    return;
  }
  xkb_state_unref(mState);
  xkb_keymap_unref(mKeymap);
  mKeymap = keymap;
  mState = state;
}

bool X11Keyboard::HandleEvent(const xcb_generic_event_t* event) {
  if (mDevice < 0 || (event->response_type & 0x7F) != mBaseEvent) return false;
  // The extension's own event code is in the second byte.
  const std::uint8_t kind = reinterpret_cast<const std::uint8_t*>(event)[1];
  if (kind == XCB_XKB_NEW_KEYBOARD_NOTIFY || kind == XCB_XKB_MAP_NOTIFY) Reload();
  return true;
}

// Whether the server binds the key to something else than the keymap says.
// Tools that type by binding a spare key change the map just before the key
// comes, and not every server tells its keyboard clients in time; one small
// request per key press settles it.
bool X11Keyboard::Stale(xcb_keycode_t keycode) {
  const xcb_get_keyboard_mapping_cookie_t cookie =
      xcb_get_keyboard_mapping(mConnection, keycode, 1);
  xcb_get_keyboard_mapping_reply_t* reply =
      xcb_get_keyboard_mapping_reply(mConnection, cookie, nullptr);
  if (!reply) return false;
  const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
  const xcb_keysym_t server =
      xcb_get_keyboard_mapping_keysyms_length(reply) > 0 ? syms[0] : XKB_KEY_NoSymbol;
  std::free(reply);
  const xkb_keysym_t* ours = nullptr;
  const int n = xkb_keymap_key_get_syms_by_level(mKeymap, keycode, 0, 0, &ours);
  return server != (n > 0 ? ours[0] : XKB_KEY_NoSymbol);
}

void X11Keyboard::UpdateState(std::uint16_t state) {
  // The eight real modifiers come first in every keymap, in the core order;
  // the group travels in bits 13 and 14 of the core state.
  const xkb_mod_mask_t mods = state & 0xFFu;
  const xkb_layout_index_t group = (state >> 13) & 3u;
  xkb_state_update_mask(mState, mods, 0, 0, 0, 0, group);
}

X11Keyboard::Key X11Keyboard::Press(xcb_keycode_t keycode, std::uint16_t state) {
  Key key;
  if (!mState) return key;
  UpdateState(state);
  if (Stale(keycode)) {
    Reload();
    UpdateState(state);
  }
  const xkb_keysym_t keysym = xkb_state_key_get_one_sym(mState, keycode);
  if (mCompose && xkb_compose_state_feed(mCompose, keysym) == XKB_COMPOSE_FEED_ACCEPTED) {
    switch (xkb_compose_state_get_status(mCompose)) {
      case XKB_COMPOSE_COMPOSING:
        return key;
      case XKB_COMPOSE_CANCELLED:
        xkb_compose_state_reset(mCompose);
        return key;
      case XKB_COMPOSE_COMPOSED: {
        char text[64];
        const int n = xkb_compose_state_get_utf8(mCompose, text, sizeof text);
        key.keysym = xkb_compose_state_get_one_sym(mCompose);
        if (n > 0)
          key.text.assign(text, static_cast<std::size_t>(std::min<int>(n, sizeof text - 1)));
        xkb_compose_state_reset(mCompose);
        return key;
      }
      case XKB_COMPOSE_NOTHING:
        break;
    }
  }
  key.keysym = keysym;
  char text[64];
  const int n = xkb_state_key_get_utf8(mState, keycode, text, sizeof text);
  if (n > 0) key.text.assign(text, static_cast<std::size_t>(std::min<int>(n, sizeof text - 1)));
  return key;
}
