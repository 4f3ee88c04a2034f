// Puts the editor's surface on its window: through a shared-memory segment
// the server reads from when it offers one, by plain image requests when it
// does not (a remote display).
#pragma once

#include <xcb/shm.h>

#include <cstdint>

#include "platform/x11_connection.h"

class X11Presenter {
 public:
  X11Presenter(X11Connection& connection, xcb_window_t window, int width, int height);
  ~X11Presenter();
  X11Presenter(const X11Presenter&) = delete;
  X11Presenter& operator=(const X11Presenter&) = delete;

  // The area of the surface to the same place on the window.
  void Present(raster::Bitmap& surface, const IRECT& area);
  // The shared image's pixels where the editor may draw straight into them
  // (the server reads this process's pixel layout as it is), else null.
  raster::Pixel* DirectPixels() const;
  // Returns once the server has read what was last presented: memory it
  // reads must not change before.
  void WaitForServer();

 private:
  bool AttachSharedMemory();

  X11Connection& mX;
  xcb_window_t mWindow;
  xcb_gcontext_t mGC;
  int mWidth;
  int mHeight;
  xcb_shm_seg_t mSegment = 0;
  std::uint32_t* mShm = nullptr;
  bool mPending = false;  // the server may still be reading the segment
};
