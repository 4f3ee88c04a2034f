#include "platform/x11_presenter.h"

#include <sys/ipc.h>
#include <sys/shm.h>

X11Presenter::X11Presenter(X11Connection& connection, xcb_window_t window, int width, int height)
    : mX(connection),
      mWindow(window),
      mGC(connection.CreateGC(window)),
      mWidth(width),
      mHeight(height) {
  AttachSharedMemory();
}

X11Presenter::~X11Presenter() {
  xcb_connection_t* c = mX.Get();
  if (mShm) {
    if (mX.Alive()) {
      xcb_shm_detach(c, mSegment);
      // The server lets go of the segment before we do.
      mX.Sync();
    }
    shmdt(mShm);
  }
  if (mX.Alive()) xcb_free_gc(c, mGC);
}

bool X11Presenter::AttachSharedMemory() {
  xcb_connection_t* c = mX.Get();
  if (mWidth <= 0 || mHeight <= 0) return false;
  // A request of an extension the server lacks would close the connection.
  const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_shm_id);
  if (!extension || !extension->present) return false;
  XcbPtr<xcb_shm_query_version_reply_t> version(
      xcb_shm_query_version_reply(c, xcb_shm_query_version(c), nullptr));
  if (!version) return false;
  const std::size_t bytes =
      static_cast<std::size_t>(mWidth) * static_cast<std::size_t>(mHeight) * 4;
  const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (id < 0) return false;
  void* memory = shmat(id, nullptr, 0);
  if (memory == reinterpret_cast<void*>(-1)) {
    shmctl(id, IPC_RMID, nullptr);
    return false;
  }
  mSegment = xcb_generate_id(c);
  XcbPtr<xcb_generic_error_t> error(
      xcb_request_check(c, xcb_shm_attach_checked(c, mSegment, static_cast<std::uint32_t>(id), 1)));
  // Marked for removal at once: the segment goes when the last of us detaches,
  // however this process ends.
  shmctl(id, IPC_RMID, nullptr);
  if (error) {
    shmdt(memory);
    return false;
  }
  mShm = static_cast<std::uint32_t*>(memory);
  return true;
}

void X11Presenter::Present(raster::Bitmap& surface, const IRECT& area) {
  const IRECT r = area.Intersect(
      IRECT(0, 0, std::min(mWidth, surface.getWidth()), std::min(mHeight, surface.getHeight())));
  if (r.W() <= 0 || r.H() <= 0 || !surface.getBits()) return;
  if (!mShm) {
    mX.PutImage(mWindow, mGC, surface, r, r.L, r.T);
    return;
  }
  // The previous picture must be read before its memory is written again.
  if (DirectPixels() && surface.getBits() == DirectPixels()) {
    mPending = false;  // drawn there already, after WaitForServer
  } else {
    WaitForServer();
    mX.CopyRows(surface, r, mShm + static_cast<std::ptrdiff_t>(r.T) * mWidth + r.L, mWidth);
  }
  xcb_shm_put_image(mX.Get(), mWindow, mGC, static_cast<std::uint16_t>(mWidth),
                    static_cast<std::uint16_t>(mHeight), static_cast<std::uint16_t>(r.L),
                    static_cast<std::uint16_t>(r.T), static_cast<std::uint16_t>(r.W()),
                    static_cast<std::uint16_t>(r.H()), static_cast<std::int16_t>(r.L),
                    static_cast<std::int16_t>(r.T), mX.Depth(), XCB_IMAGE_FORMAT_Z_PIXMAP, 0,
                    mSegment, 0);
  mPending = true;
}

raster::Pixel* X11Presenter::DirectPixels() const {
  // A 24-bit visual ignores the byte that holds the alpha.
  return mShm && mX.Depth() == 24 && !mX.SwapsBytes() ? mShm : nullptr;
}

void X11Presenter::WaitForServer() {
  if (!mPending) return;
  mX.Sync();
  mPending = false;
}
