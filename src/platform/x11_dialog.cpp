// A dialog drawn by the toolkit (DialogView) in a window of its own over the
// middle of the editor, with the keyboard focus while it is up.
#include "platform/dialog_view.h"
#include "platform/x11_events.h"
#include "platform/x11_modal.h"
#include "raster/mem_bitmap.h"

namespace {

constexpr std::uint32_t kDialogEvents = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_KEY_PRESS |
                                        XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_MOTION |
                                        XCB_EVENT_MASK_STRUCTURE_NOTIFY;

// A top-level window for the window manager: titled, transient for the
// host's window, closable.
xcb_window_t CreateDialogWindow(X11ModalHost& host, const std::string& title, int w, int h,
                                xcb_atom_t deleteWindow) {
  X11Connection& x = host.Connection();
  xcb_connection_t* c = x.Get();
  const auto [ox, oy] = host.RootOrigin();
  const auto [left, top] =
      x.OnScreen(ox + (host.Width() - w) / 2, oy + (host.Height() - h) / 2, w, h);
  const xcb_window_t window = x.CreateWindow(x.Root(), left, top, w, h, kDialogEvents);
  const auto length = static_cast<std::uint32_t>(title.size());
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                      length, title.data());
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, x.Atom("_NET_WM_NAME"),
                      x.Atom("UTF8_STRING"), 8, length, title.data());
  const xcb_window_t parent = host.HostWindow();
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW,
                      32, 1, &parent);
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, x.Atom("WM_PROTOCOLS"), XCB_ATOM_ATOM, 32,
                      1, &deleteWindow);
  return window;
}

// The dialog's share of the events while it runs; false for those it leaves
// to the editor. True with `redraw` when the view changed.
bool DialogTakes(xcb_generic_event_t* event, X11ModalHost& host, DialogView& view,
                 xcb_window_t window, xcb_atom_t deleteWindow, bool* redraw) {
  *redraw = true;
  switch (EventType(event)) {
    case XCB_EXPOSE:
      return reinterpret_cast<xcb_expose_event_t*>(event)->window == window;
    case XCB_KEY_PRESS: {
      const auto& e = *reinterpret_cast<xcb_key_press_event_t*>(event);
      if (const auto viewKey = ViewKeyOf(host.Keyboard().Press(e.detail, e.state), e.state))
        view.OnKey(*viewKey);
      return true;
    }
    case XCB_BUTTON_PRESS: {
      const auto& e = *reinterpret_cast<xcb_button_press_event_t*>(event);
      if (e.event == window && e.detail == kButtonLeft)
        view.OnMouseDown(e.event_x, e.event_y,
                         host.Clicks().Press(e.detail, e.root_x, e.root_y, e.time));
      return true;
    }
    case XCB_MOTION_NOTIFY: {
      const auto& e = *reinterpret_cast<xcb_motion_notify_event_t*>(event);
      if (e.event == window) view.OnMouseDrag(e.event_x, e.event_y);
      return true;
    }
    case XCB_CLIENT_MESSAGE: {
      const auto& e = *reinterpret_cast<xcb_client_message_event_t*>(event);
      if (e.window != window) return false;
      if (e.data.data32[0] == deleteWindow) view.Cancel();
      return true;
    }
    case XCB_BUTTON_RELEASE:
    case XCB_KEY_RELEASE:
      // The editor's own input waits while the dialog is up.
      *redraw = false;
      return true;
    default:
      return false;
  }
}

}  // namespace

int RunX11Dialog(X11ModalHost& host, const std::string& title, const std::string& message,
                 const std::vector<std::string>& buttons, std::string* field) {
  X11Connection& x = host.Connection();
  xcb_connection_t* c = x.Get();
  DialogView view(message, buttons, field != nullptr, field ? *field : std::string(),
                  {[&host](std::string* text) { return host.ReadClipboard(text); },
                   [&host](const std::string& text) { host.WriteClipboard(text); }},
                  host.Scale());
  const xcb_window_t focusBack = host.FocusToGiveBack();
  const xcb_atom_t deleteWindow = x.Atom("WM_DELETE_WINDOW");
  const xcb_window_t window =
      CreateDialogWindow(host, title, view.Width(), view.Height(), deleteWindow);
  xcb_map_window(c, window);
  x.Sync();
  xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
  const auto draw = [&] {
    raster::MemBitmap pixels(view.Width(), view.Height());
    view.Draw(pixels);
    x.PutImage(window, pixels);
    xcb_flush(c);
  };
  draw();
  host.RunModal([&] { return view.Chosen() >= 0; },
                [&](xcb_generic_event_t* event) {
                  bool redraw = false;
                  if (!DialogTakes(event, host, view, window, deleteWindow, &redraw)) return false;
                  if (redraw) draw();
                  return true;
                });
  if (view.Chosen() < 0) view.Cancel();
  if (x.Alive()) {
    xcb_destroy_window(c, window);
    if (!host.Destroyed())
      xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, focusBack, XCB_CURRENT_TIME);
    xcb_flush(c);
  }
  if (field) *field = view.FieldText();
  return view.Chosen();
}
