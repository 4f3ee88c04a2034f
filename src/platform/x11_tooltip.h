// A tooltip: a small window of its own on the screen, beside the pointer,
// holding one line of text.
#pragma once

#include <xcb/xcb.h>

#include <memory>
#include <string>

#include "platform/x11_connection.h"
#include "raster/mem_bitmap.h"

class X11Tooltip {
 public:
  explicit X11Tooltip(X11Connection& connection) : mX(connection) {}
  ~X11Tooltip() { Hide(); }
  X11Tooltip(const X11Tooltip&) = delete;
  X11Tooltip& operator=(const X11Tooltip&) = delete;

  // Shows `text` below and right of the pointer at (rootX, rootY), at the
  // editor's scale; false when no font could be had.
  bool Show(const std::string& text, int rootX, int rootY, double scale);
  void Hide();
  bool Shown() const { return mWindow != 0; }
  // Redraws it after an exposure; false for an exposure of another window.
  bool Expose(xcb_window_t window);

 private:
  X11Connection& mX;
  xcb_window_t mWindow = 0;
  std::unique_ptr<raster::MemBitmap> mPixels;
};
