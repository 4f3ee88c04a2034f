// One connection to the X server for one editor window, used by one thread
// only. X errors arrive as events on it and go to its owner alone, never to
// a handler shared with the host.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "editor/records.h"
#include "raster/bitmap.h"

// An event or reply from the server, freed with free().
struct FreeDeleter {
  void operator()(void* p) const;
};
template <typename T>
using XcbPtr = std::unique_ptr<T, FreeDeleter>;

class X11Connection {
 public:
  // Connects to $DISPLAY; Valid() is false when there is no server or no
  // visual the editor can draw on.
  X11Connection();
  ~X11Connection();
  X11Connection(const X11Connection&) = delete;
  X11Connection& operator=(const X11Connection&) = delete;

  bool Valid() const { return mConnection && mVisual != 0; }
  // False once the connection broke: the server went away.
  bool Alive() const { return mConnection && !xcb_connection_has_error(mConnection); }
  xcb_connection_t* Get() const { return mConnection; }
  int Fd() const { return xcb_get_file_descriptor(mConnection); }
  xcb_window_t Root() const { return mScreen->root; }
  int ScreenWidth() const { return mScreen->width_in_pixels; }
  int ScreenHeight() const { return mScreen->height_in_pixels; }
  // Where a window of w by h at (x, y) on the root goes so that it stays on
  // the screen, as far as it fits.
  std::pair<int, int> OnScreen(int x, int y, int w, int h) const;

  xcb_atom_t Atom(const std::string& name);
  // Every request sent before has been carried out when this returns.
  void Sync();

  // An InputOutput window of the editor's visual; override-redirect windows
  // are kept out of the window manager's hands (menus, tooltips).
  xcb_window_t CreateWindow(xcb_window_t parent, int x, int y, int w, int h, std::uint32_t events,
                            bool overrideRedirect = false);
  xcb_gcontext_t CreateGC(xcb_window_t window);

  // Plain image requests: the area of the bitmap to (dstX, dstY) of the
  // window, in as many requests as the server's limit needs.
  void PutImage(xcb_drawable_t window, xcb_gcontext_t gc, raster::Bitmap& bitmap, const IRECT& area,
                int dstX, int dstY);
  // The whole bitmap to the window's top-left corner, through a GC made for
  // it: for the small windows drawn now and then (field, menus, dialogs).
  void PutImage(xcb_drawable_t window, raster::Bitmap& bitmap);
  // Copies the area's rows into an image buffer of the given row length in
  // the server's byte order (alpha dropped).
  void CopyRows(raster::Bitmap& bitmap, const IRECT& area, std::uint32_t* out,
                int outRowPixels) const;
  std::uint8_t Depth() const { return mDepth; }
  bool SwapsBytes() const { return mSwapBytes; }

  // A property's bytes (at most maxBytes); empty when it is missing.
  std::string ReadProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t* type = nullptr,
                           std::uint32_t maxBytes = 1 << 20);

 private:
  bool ChooseVisual();

  xcb_connection_t* mConnection = nullptr;
  const xcb_screen_t* mScreen = nullptr;
  xcb_visualid_t mVisual = 0;
  std::uint8_t mDepth = 0;
  xcb_colormap_t mColormap = 0;
  bool mSwapBytes = false;  // the server wants pixels most significant byte first
  std::map<std::string, xcb_atom_t> mAtoms;
};
