// The modal helpers an editor window runs on its own thread: a popup menu and
// a dialog, each in windows of its own on the screen over the editor, while
// the editor keeps drawing. They reach the editor window through X11ModalHost.
#pragma once

#include <xcb/xcb.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "editor/popup_menu.h"
#include "editor/records.h"
#include "platform/input_mapping.h"
#include "platform/x11_connection.h"
#include "platform/x11_keyboard.h"

class X11ModalHost {
 public:
  virtual X11Connection& Connection() = 0;
  virtual X11Keyboard& Keyboard() = 0;
  virtual ClickCounter& Clicks() = 0;
  virtual xcb_window_t EditorWindow() const = 0;
  virtual xcb_window_t HostWindow() const = 0;
  // The editor window's top-left corner on the root window, and its size.
  virtual std::pair<int, int> RootOrigin() = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // The editor's scale, which its helpers are drawn at.
  virtual double Scale() const = 0;
  // Where the keyboard focus goes back to when a helper lets it go.
  virtual xcb_window_t FocusToGiveBack() = 0;
  // The host destroyed its window, and the editor's with it.
  virtual bool Destroyed() const = 0;
  virtual bool ReadClipboard(std::string* text) = 0;
  virtual void WriteClipboard(const std::string& text) = 0;
  // The editor's loop until `done`: events `take` refuses are handled as
  // usual, and the redraw timer keeps running.
  virtual void RunModal(const std::function<bool()>& done,
                        const std::function<bool(xcb_generic_event_t*)>& take) = 0;

 protected:
  ~X11ModalHost() = default;
};

// Runs the menu, opened for an area of the editor's window (in its pixels),
// until it closes; the menu holding the chosen entry, or null.
IPopupMenu* RunX11Menu(X11ModalHost& host, IPopupMenu& menu, const IRECT& area);
// Runs a dialog over the editor (see DialogView); the button chosen, the last
// one when the dialog was closed. With a field, its text comes in and goes
// out through `field`.
int RunX11Dialog(X11ModalHost& host, const std::string& title, const std::string& message,
                 const std::vector<std::string>& buttons, std::string* field);
