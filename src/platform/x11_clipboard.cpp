#include "platform/x11_clipboard.h"

#include <poll.h>

#include <chrono>

#include "platform/x11_events.h"

namespace {

constexpr auto kSelectionWait = std::chrono::seconds(1);

}  // namespace

void X11Clipboard::Write(const std::string& text) {
  mText = text;
  mOwned = true;
  xcb_set_selection_owner(mX.Get(), mWindow, mX.Atom("CLIPBOARD"), XCB_CURRENT_TIME);
  xcb_flush(mX.Get());
}

bool X11Clipboard::Read(std::string* text, std::deque<XcbPtr<xcb_generic_event_t>>& held,
                        const std::function<bool()>& stop) {
  text->clear();
  if (mOwned) {
    *text = mText;
    return !text->empty();
  }
  xcb_connection_t* c = mX.Get();
  const xcb_atom_t clipboard = mX.Atom("CLIPBOARD");
  const xcb_atom_t utf8 = mX.Atom("UTF8_STRING");
  const xcb_atom_t property = mX.Atom("EDITOR_SELECTION");
  xcb_convert_selection(c, mWindow, clipboard, utf8, property, XCB_CURRENT_TIME);
  xcb_flush(c);
  const auto deadline = std::chrono::steady_clock::now() + kSelectionWait;
  bool answered = false;
  bool converted = false;
  while (!answered && std::chrono::steady_clock::now() < deadline && mX.Alive() && !stop()) {
    XcbPtr<xcb_generic_event_t> event(xcb_poll_for_event(c));
    if (!event) {
      pollfd fd{mX.Fd(), POLLIN, 0};
      poll(&fd, 1, 20);
      continue;
    }
    if (EventType(event.get()) == XCB_SELECTION_NOTIFY) {
      const auto& notify = *reinterpret_cast<xcb_selection_notify_event_t*>(event.get());
      if (notify.requestor == mWindow && notify.selection == clipboard) {
        answered = true;
        converted = notify.property == property;
        continue;
      }
    }
    if (EventType(event.get()) == XCB_SELECTION_REQUEST) {
      Answer(*reinterpret_cast<xcb_selection_request_event_t*>(event.get()));
      continue;
    }
    // Everything else waits until the clipboard's answer is in.
    held.push_back(std::move(event));
  }
  if (!converted) return false;
  xcb_atom_t type = XCB_ATOM_NONE;
  *text = mX.ReadProperty(mWindow, property, &type);
  xcb_delete_property(c, mWindow, property);
  xcb_flush(c);
  // Large transfers come in pieces (INCR); a text field has no use for them.
  if (type != utf8 && type != XCB_ATOM_STRING && type != mX.Atom("TEXT")) text->clear();
  return !text->empty();
}

void X11Clipboard::Answer(const xcb_selection_request_event_t& request) {
  xcb_connection_t* c = mX.Get();
  xcb_selection_notify_event_t notify{};
  notify.response_type = XCB_SELECTION_NOTIFY;
  notify.time = request.time;
  notify.requestor = request.requestor;
  notify.selection = request.selection;
  notify.target = request.target;
  notify.property = XCB_NONE;
  const xcb_atom_t property = request.property != XCB_NONE ? request.property : request.target;
  const xcb_atom_t utf8 = mX.Atom("UTF8_STRING");
  const xcb_atom_t targets = mX.Atom("TARGETS");
  const std::uint32_t limit = xcb_get_maximum_request_length(c) * 4 - 64;
  if (mOwned && request.selection == mX.Atom("CLIPBOARD")) {
    if (request.target == targets) {
      const xcb_atom_t offered[] = {targets, utf8, XCB_ATOM_STRING, mX.Atom("TEXT")};
      xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM, 32,
                          4, offered);
      notify.property = property;
    } else if ((request.target == utf8 || request.target == XCB_ATOM_STRING ||
                request.target == mX.Atom("TEXT")) &&
               mText.size() < limit) {
      xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property,
                          request.target == XCB_ATOM_STRING ? xcb_atom_t{XCB_ATOM_STRING} : utf8, 8,
                          static_cast<std::uint32_t>(mText.size()), mText.data());
      notify.property = property;
    }
  }
  xcb_send_event(c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                 reinterpret_cast<const char*>(&notify));
  xcb_flush(c);
}
