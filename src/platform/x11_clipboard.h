// The desktop's clipboard (the CLIPBOARD selection) for one editor window:
// offering a text to other clients and asking the owner for one.
#pragma once

#include <xcb/xcb.h>

#include <deque>
#include <functional>
#include <string>

#include "platform/x11_connection.h"

class X11Clipboard {
 public:
  X11Clipboard(X11Connection& connection, xcb_window_t window) : mX(connection), mWindow(window) {}

  // Takes the selection, holding `text` for whoever asks.
  void Write(const std::string& text);
  // The owner's text, waiting a moment for its answer. Events that arrive
  // meanwhile are appended to `held`, in order; `stop` ends the wait early.
  bool Read(std::string* text, std::deque<XcbPtr<xcb_generic_event_t>>& held,
            const std::function<bool()>& stop);
  // Another client asks for our text.
  void Answer(const xcb_selection_request_event_t& request);
  // Another client took the selection.
  void Lost() {
    mOwned = false;
    mText.clear();
  }

 private:
  X11Connection& mX;
  xcb_window_t mWindow;
  std::string mText;
  bool mOwned = false;
};
