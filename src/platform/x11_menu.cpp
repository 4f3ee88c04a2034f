// A popup menu in windows of its own, one per open level, kept on the screen;
// the pointer and the keys belong to it until it closes.
#include <algorithm>

#include "editor/popup_menu_view.h"
#include "platform/x11_events.h"
#include "platform/x11_modal.h"
#include "raster/mem_bitmap.h"

namespace {

constexpr std::uint32_t kPopupEvents = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                                       XCB_EVENT_MASK_BUTTON_RELEASE |
                                       XCB_EVENT_MASK_POINTER_MOTION;

class MenuWindows {
 public:
  MenuWindows(X11Connection& connection, PopupMenuSession& session, std::pair<int, int> origin)
      : mX(connection), mSession(session), mOrigin(origin) {}
  ~MenuWindows() {
    if (!mX.Alive()) return;
    for (const xcb_window_t window : mWindows)
      xcb_destroy_window(mX.Get(), window);
    xcb_flush(mX.Get());
  }
  MenuWindows(const MenuWindows&) = delete;
  MenuWindows& operator=(const MenuWindows&) = delete;

  bool Owns(xcb_window_t window) const {
    return std::find(mWindows.begin(), mWindows.end(), window) != mWindows.end();
  }

  // One window per open level, where its view is, each drawing its view.
  void Sync() {
    xcb_connection_t* c = mX.Get();
    while (static_cast<int>(mWindows.size()) > mSession.NLevels()) {
      xcb_destroy_window(c, mWindows.back());
      mWindows.pop_back();
    }
    const auto [ox, oy] = mOrigin;
    for (int level = 0; level < mSession.NLevels(); ++level) {
      PopupMenuView& view = mSession.GetView(level);
      const int wantX = ox + mSession.ViewX(level);
      const int wantY = oy + mSession.ViewY(level);
      const auto [x, y] = mX.OnScreen(wantX, wantY, view.Width(), view.Height());
      if (x != wantX || y != wantY) mSession.MoveView(level, x - ox, y - oy);
      const auto at = static_cast<std::size_t>(level);
      if (at >= mWindows.size()) {
        mWindows.push_back(
            mX.CreateWindow(mX.Root(), x, y, view.Width(), view.Height(), kPopupEvents, true));
        xcb_map_window(c, mWindows.back());
      } else {
        const std::uint32_t geometry[] = {
            static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y),
            static_cast<std::uint32_t>(view.Width()), static_cast<std::uint32_t>(view.Height())};
        xcb_configure_window(c, mWindows[at],
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                 XCB_CONFIG_WINDOW_HEIGHT,
                             geometry);
      }
      raster::MemBitmap pixels(view.Width(), view.Height());
      view.Draw(pixels);
      mX.PutImage(mWindows[at], pixels);
    }
    xcb_flush(c);
  }

 private:
  X11Connection& mX;
  PopupMenuSession& mSession;
  std::pair<int, int> mOrigin;
  std::vector<xcb_window_t> mWindows;
};

// The pointer and the keyboard held for the menu's windows while it runs.
class Grabs {
 public:
  Grabs(X11Connection& connection, xcb_window_t window) : mX(connection) {
    xcb_connection_t* c = mX.Get();
    const XcbPtr<xcb_grab_pointer_reply_t> pointer(xcb_grab_pointer_reply(
        c,
        xcb_grab_pointer(c, 0, window,
                         XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                             XCB_EVENT_MASK_POINTER_MOTION,
                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE,
                         XCB_CURRENT_TIME),
        nullptr));
    const XcbPtr<xcb_grab_keyboard_reply_t> keyboard(xcb_grab_keyboard_reply(
        c,
        xcb_grab_keyboard(c, 0, window, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr));
    mPointer = pointer && pointer->status == XCB_GRAB_STATUS_SUCCESS;
    mKeyboard = keyboard && keyboard->status == XCB_GRAB_STATUS_SUCCESS;
  }
  ~Grabs() {
    if (!mX.Alive()) return;
    if (mPointer) xcb_ungrab_pointer(mX.Get(), XCB_CURRENT_TIME);
    if (mKeyboard) xcb_ungrab_keyboard(mX.Get(), XCB_CURRENT_TIME);
  }
  Grabs(const Grabs&) = delete;
  Grabs& operator=(const Grabs&) = delete;

 private:
  X11Connection& mX;
  bool mPointer = false;
  bool mKeyboard = false;
};

// The menu's share of the events while it runs; false for those it leaves
// to the editor.
bool MenuTakes(xcb_generic_event_t* event, PopupMenuSession& session, const MenuWindows& windows,
               X11Keyboard& keyboard, std::pair<int, int> origin) {
  const std::uint8_t type = EventType(event);
  switch (type) {
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE:
    case XCB_MOTION_NOTIFY: {
      // Every pointer event carries the root position.
      const auto& e = *reinterpret_cast<xcb_button_press_event_t*>(event);
      const int x = e.root_x - origin.first;
      const int y = e.root_y - origin.second;
      if (type == XCB_MOTION_NOTIFY) {
        session.OnMouseMove(x, y);
      } else if (e.detail == kButtonLeft || e.detail == kButtonRight) {
        if (type == XCB_BUTTON_PRESS) {
          session.OnMouseDown(x, y);
        } else {
          session.OnMouseUp(x, y);
        }
      } else if (type == XCB_BUTTON_PRESS && WheelDelta(e.detail) == 0) {
        session.OnMouseDown(x, y);
      }
      return true;
    }
    case XCB_KEY_PRESS: {
      const auto& e = *reinterpret_cast<xcb_key_press_event_t*>(event);
      if (const auto viewKey = ViewKeyOf(keyboard.Press(e.detail, e.state), e.state))
        session.OnKey(*viewKey);
      return true;
    }
    case XCB_KEY_RELEASE:
      return true;
    case XCB_EXPOSE:
      return windows.Owns(reinterpret_cast<xcb_expose_event_t*>(event)->window);
    default:
      return false;
  }
}

}  // namespace

IPopupMenu* RunX11Menu(X11ModalHost& host, IPopupMenu& menu, const IRECT& area) {
  X11Connection& x = host.Connection();
  const std::pair<int, int> origin = host.RootOrigin();
  PopupMenuSession session(menu, area, host.Scale());
  {
    MenuWindows windows(x, session, origin);
    windows.Sync();
    // A press outside the menu dismisses it.
    const Grabs grabs(x, host.EditorWindow());
    host.RunModal([&] { return !session.IsOpen(); },
                  [&](xcb_generic_event_t* event) {
                    if (!MenuTakes(event, session, windows, host.Keyboard(), origin)) return false;
                    if (session.IsOpen()) windows.Sync();
                    return true;
                  });
    if (session.IsOpen()) session.Dismiss();
  }
  return session.Result();
}
