// A plug-in's editor in a top-level window of the host's own, as a desktop
// host shows it: sized from effEditGetRect, opened with the window's XID,
// given effEditIdle about 30 times a second, closed with the window.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "quor-host/plugin.h"

// An image of a window, 0xAARRGGBB words, row after row.
struct WindowImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  bool operator==(const WindowImage&) const = default;
};

class EditorWindow {
 public:
  // Throws HostError when there is no display, or the plug-in has no editor
  // or will not open it.
  EditorWindow(const Plugin& plugin, const std::string& title);
  ~EditorWindow();
  EditorWindow(const EditorWindow&) = delete;
  EditorWindow& operator=(const EditorWindow&) = delete;

  // Handles the window's events and idles the plug-in for about the given
  // time; false once the window was closed.
  bool Pump(int milliseconds);
  // The window's pixels, the plug-in's window within them.
  WindowImage Grab();
  // The size the plug-in asks for (audioMasterSizeWindow).
  void Resize(int width, int height);

 private:
  const Plugin& mPlugin;
  xcb_connection_t* mConnection = nullptr;
  xcb_window_t mWindow = 0;
  xcb_atom_t mDeleteWindow = 0;
  int mWidth = 0;
  int mHeight = 0;
  bool mOpen = false;
  bool mClosed = false;
};

// When there is no $DISPLAY, a private X server for the screenshot: started
// with Xvfb when it is installed (the message says so), stopped on
// destruction; $DISPLAY names it meanwhile and is then as it was before.
// Throws HostError when there is neither. Extra arguments go to Xvfb
// ("-extension", "MIT-SHM").
class PrivateDisplay {
 public:
  explicit PrivateDisplay(std::ostream& notes, const std::vector<std::string>& extra = {});
  ~PrivateDisplay();
  PrivateDisplay(const PrivateDisplay&) = delete;
  PrivateDisplay& operator=(const PrivateDisplay&) = delete;

 private:
  void Stop();

  int mPid = -1;
  std::optional<std::string> mPreviousDisplay;
};
