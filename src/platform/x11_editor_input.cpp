// The editor window's input: the X events of its windows, the mouse, the
// keys it reads itself and those the host forwards, each turned into the
// editor's calls on its own thread.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/x11_editor_window.h"
#include "platform/x11_events.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long a host waits for the editor's answer to a forwarded key.
constexpr auto kHostKeyWait = std::chrono::milliseconds(250);
// A key the host forwarded both ways (the request, then an X event) counts once.
constexpr auto kHostKeyEcho = std::chrono::milliseconds(150);

}  // namespace

bool X11EditorWindow::HostKey(int keyCode, bool down) {
  if (!mThread.joinable() || StopRequested()) return false;
  auto request = std::make_shared<KeyRequest>();
  request->code = keyCode;
  request->down = down;
  std::unique_lock lock(mKeyMutex);
  mKeyRequests.push_back(request);
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(mWakeFd, &one, sizeof one);
  if (!mKeyAnswered.wait_for(lock, kHostKeyWait, [&] { return request->done; })) {
    std::erase(mKeyRequests, request);
    return false;
  }
  return request->taken;
}

void X11EditorWindow::AnswerHostKeys(bool editorTakesKeys) {
  for (;;) {
    std::shared_ptr<KeyRequest> request;
    {
      std::lock_guard lock(mKeyMutex);
      if (mKeyRequests.empty()) return;
      request = mKeyRequests.front();
      mKeyRequests.pop_front();
    }
    bool taken = false;
    if (editorTakesKeys && !mDestroyed && !mGraphics.GetTextField()) {
      if (request->down) {
        taken = mGraphics.OnKeyDown(mPrev.x, mPrev.y, request->code);
        if (taken) {
          mHostKeysTaken.insert(request->code);
          mLastHostKey = request->code;
          mLastHostKeyTime = Clock::now();
        }
      } else {
        taken = mHostKeysTaken.erase(request->code) > 0;
      }
    }
    std::lock_guard lock(mKeyMutex);
    request->done = true;
    request->taken = taken;
    mKeyAnswered.notify_all();
  }
}

void X11EditorWindow::HandleEvent(xcb_generic_event_t* event) {
  if (mKeyboard->HandleEvent(event)) return;
  switch (EventType(event)) {
    case 0:
      // An error of ours, e.g. BadWindow once the host destroyed its window:
      // the request simply had no effect.
      break;
    case XCB_EXPOSE: {
      const auto& expose = *reinterpret_cast<xcb_expose_event_t*>(event);
      if (expose.window == mWindow) {
        mViewable = true;
        Present(IRECT(expose.x, expose.y, expose.x + expose.width, expose.y + expose.height));
      } else if (expose.window == mFieldWindow) {
        DrawTextField();
      } else {
        mTooltip->Expose(expose.window);
      }
      break;
    }
    case XCB_VISIBILITY_NOTIFY: {
      const auto& visibility = *reinterpret_cast<xcb_visibility_notify_event_t*>(event);
      if (visibility.window == mWindow)
        mViewable = visibility.state != XCB_VISIBILITY_FULLY_OBSCURED;
      break;
    }
    case XCB_MAP_NOTIFY:
      if (reinterpret_cast<xcb_map_notify_event_t*>(event)->window == mWindow) CheckViewable();
      break;
    case XCB_UNMAP_NOTIFY:
      if (reinterpret_cast<xcb_unmap_notify_event_t*>(event)->window == mWindow) mViewable = false;
      break;
    case XCB_DESTROY_NOTIFY:
      if (reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window == mWindow) {
        // The host destroyed its window, and ours with it.
        mDestroyed = true;
        mViewable = false;
        mGraphics.EndTextField(false);
        mFieldWindow = 0;
        HideTooltip();
      }
      break;
    case XCB_BUTTON_PRESS:
      HandleButton(*reinterpret_cast<xcb_button_press_event_t*>(event), true);
      break;
    case XCB_BUTTON_RELEASE:
      HandleButton(*reinterpret_cast<xcb_button_press_event_t*>(event), false);
      break;
    case XCB_MOTION_NOTIFY:
      HandleMotion(*reinterpret_cast<xcb_motion_notify_event_t*>(event));
      break;
    case XCB_LEAVE_NOTIFY: {
      const auto& leave = *reinterpret_cast<xcb_leave_notify_event_t*>(event);
      if (leave.event == mWindow && leave.detail != XCB_NOTIFY_DETAIL_INFERIOR) {
        mPointerInside = false;
        HideTooltip();
        mGraphics.OnMouseOut();
      }
      break;
    }
    case XCB_KEY_PRESS:
      HandleKey(*reinterpret_cast<xcb_key_press_event_t*>(event), true);
      break;
    case XCB_KEY_RELEASE:
      HandleKey(*reinterpret_cast<xcb_key_press_event_t*>(event), false);
      break;
    case XCB_FOCUS_OUT: {
      const auto& focus = *reinterpret_cast<xcb_focus_out_event_t*>(event);
      // Focus leaving the field ends editing and keeps the text.
      if (focus.event == mFieldWindow && focus.mode == XCB_NOTIFY_MODE_NORMAL &&
          focus.detail != XCB_NOTIFY_DETAIL_INFERIOR && focus.detail != XCB_NOTIFY_DETAIL_POINTER)
        EndTextField(true);
      break;
    }
    case XCB_MAPPING_NOTIFY:
      if (reinterpret_cast<xcb_mapping_notify_event_t*>(event)->request != XCB_MAPPING_POINTER)
        mKeyboard->Reload();
      break;
    case XCB_SELECTION_REQUEST:
      mClipboard->Answer(*reinterpret_cast<xcb_selection_request_event_t*>(event));
      break;
    case XCB_SELECTION_CLEAR:
      mClipboard->Lost();
      break;
    default:
      break;
  }
}

void X11EditorWindow::HandleButton(const xcb_button_press_event_t& event, bool press) {
  HideTooltip();
  const int button = event.detail;
  if (event.event == mFieldWindow) {
    if (press && button == kButtonLeft) {
      const int clicks = mClicks.Press(button, event.root_x, event.root_y, event.time);
      mGraphics.TextFieldMouseDown(event.event_x, event.event_y,
                                   (event.state & XCB_MOD_MASK_SHIFT) != 0, clicks);
      DrawTextField();
    }
    return;
  }
  if (event.event != mWindow) return;
  const EditorPoint at = EditorPointAt(event.event_x, event.event_y);
  mPrev = at;
  const IMouseMod mod = MouseModFor(button, event.state);
  if (const int delta = WheelDelta(button); delta != 0) {
    // The wheel closes an open field and drops its text first.
    if (press) {
      EndTextField(false);
      mGraphics.OnMouseWheel(at.x, at.y, mod, delta);
    }
    return;
  }
  if (button != kButtonLeft && button != kButtonRight) return;
  if (!press) {
    mGraphics.OnMouseUp(at.x, at.y, mod);
    return;
  }
  // A press elsewhere takes the focus from an open field, which keeps its text.
  EndTextField(true);
  const int clicks = mClicks.Press(button, event.root_x, event.root_y, event.time);
  if (button == kButtonLeft && clicks >= 2) {
    mGraphics.OnMouseDblClick(at.x, at.y, mod);
  } else {
    mGraphics.OnMouseDown(at.x, at.y, mod);
  }
}

void X11EditorWindow::HandleMotion(const xcb_motion_notify_event_t& first) {
  // Only the latest of the motions already queued matters.
  xcb_motion_notify_event_t event = first;
  while (mDeferred.empty()) {
    XcbPtr<xcb_generic_event_t> next(xcb_poll_for_queued_event(mX->Get()));
    if (!next) break;
    if (EventType(next.get()) == XCB_MOTION_NOTIFY &&
        reinterpret_cast<xcb_motion_notify_event_t*>(next.get())->event == first.event) {
      event = *reinterpret_cast<xcb_motion_notify_event_t*>(next.get());
      continue;
    }
    mDeferred.push_back(std::move(next));
    break;
  }
  const bool dragging = (event.state & (XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_3)) != 0;
  if (event.event == mFieldWindow) {
    if (dragging) {
      mGraphics.TextFieldMouseDrag(event.event_x, event.event_y);
      DrawTextField();
    }
    return;
  }
  if (event.event != mWindow) return;
  const EditorPoint at = EditorPointAt(event.event_x, event.event_y);
  mPrev = at;
  if (dragging) {
    // Drags are dropped while a text field is open.
    if (!mGraphics.GetTextField()) mGraphics.OnMouseDrag(at.x, at.y, MouseModFor(0, event.state));
    return;
  }
  if (mPointerInside && at.x == mPointer.x && at.y == mPointer.y) return;
  mPointerInside = true;
  mPointer = at;
  mPointerRootX = event.root_x;
  mPointerRootY = event.root_y;
  mPointerRestSince = Clock::now();
  HideTooltip();
  mGraphics.OnMouseOver(at.x, at.y, MouseModFor(0, event.state));
}

void X11EditorWindow::HandleKey(xcb_key_press_event_t& event, bool press) {
  if (!press) {
    // Releases follow their presses to the host.
    if (mForwardedKeys.erase(event.detail) > 0) ForwardKey(event);
    return;
  }
  HideTooltip();
  const X11Keyboard::Key key = mKeyboard->Press(event.detail, event.state);
  if (mGraphics.GetTextField()) {
    if (key.keysym == XKB_KEY_NoSymbol) return;  // inside a compose sequence
    if (const auto viewKey = ViewKeyOf(key, event.state)) mGraphics.TextFieldKey(*viewKey);
    if (mGraphics.GetTextField()) {
      DrawTextField();
    } else {
      HideTextField();
    }
    return;
  }
  if (event.event != mWindow) return;
  // Ctrl and a letter: the editor's shortcuts (undo, redo) before the host's.
  if (const auto shortcut = ViewKeyOf(key, event.state);
      shortcut && shortcut->mCtrl &&
      mGraphics.OnShortcut(shortcut->mText[0], (event.state & XCB_MOD_MASK_SHIFT) != 0))
    return;
  const int code = key.keysym == XKB_KEY_NoSymbol ? -1 : KeyCodeForKeysym(key.keysym);
  // The host that forwarded this key as a request already had it taken.
  if (IsSynthetic(reinterpret_cast<xcb_generic_event_t*>(&event)) && code >= 0 &&
      code == mLastHostKey && Clock::now() - mLastHostKeyTime < kHostKeyEcho)
    return;
  if (code >= 0 && mGraphics.OnKeyDown(mPrev.x, mPrev.y, code)) return;
  // Keys the host sent us itself do not go back to it.
  if (IsSynthetic(reinterpret_cast<xcb_generic_event_t*>(&event)) || key.keysym == XKB_KEY_NoSymbol)
    return;
  mForwardedKeys.insert(event.detail);
  ForwardKey(event);
}

void X11EditorWindow::ForwardKey(const xcb_key_press_event_t& event) {
  if (mParent == mX->Root() || mDestroyed) return;
  xcb_key_press_event_t forwarded = event;
  forwarded.event = mParent;
  forwarded.child = XCB_NONE;
  const std::uint32_t mask =
      EventType(reinterpret_cast<const xcb_generic_event_t*>(&event)) == XCB_KEY_PRESS
          ? XCB_EVENT_MASK_KEY_PRESS
          : XCB_EVENT_MASK_KEY_RELEASE;
  char bytes[32] = {};
  std::memcpy(bytes, &forwarded, std::min(sizeof forwarded, sizeof bytes));
  xcb_send_event(mX->Get(), 1, mParent, mask, bytes);
  xcb_flush(mX->Get());
}
