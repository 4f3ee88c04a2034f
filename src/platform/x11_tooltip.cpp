#include "platform/x11_tooltip.h"

#include <cmath>

#include "editor/caches.h"
#include "editor/igraphics.h"
#include "editor/view_style.h"
#include "raster/canvas.h"

bool X11Tooltip::Show(const std::string& text, int rootX, int rootY, double scale) {
  Hide();
  const auto px = [scale](int v) { return static_cast<int>(std::lround(v * scale)); };
  IText style = ViewTextStyle(px(13));
  CachedFont* font = IGraphics::CacheFont(&style);
  if (!font) return false;
  const int w = font->TextWidth(text) + px(10);
  const int h = font->LineHeight() + px(6);
  const auto [x, y] = mX.OnScreen(rootX + px(12), rootY + px(20), w, h);
  mWindow = mX.CreateWindow(mX.Root(), x, y, w, h, XCB_EVENT_MASK_EXPOSURE, true);
  xcb_map_window(mX.Get(), mWindow);
  mPixels = std::make_unique<raster::MemBitmap>(w, h);
  raster::Canvas canvas(*mPixels);
  canvas.fillRect(0, 0, w, h, {0xFF808080u, 1.0f, raster::kModeCopy});
  canvas.fillRect(1, 1, w - 2, h - 2, {0xFFFFFFE1u, 1.0f, raster::kModeCopy});
  raster::RECT box{px(5), px(3), w - px(5), h - px(3)};
  font->DrawText(mPixels.get(), text, &box, raster::kTextLeft | raster::kTextNoClip, 0xFF000000u);
  mX.PutImage(mWindow, *mPixels);
  xcb_flush(mX.Get());
  return true;
}

void X11Tooltip::Hide() {
  if (mWindow && mX.Alive()) {
    xcb_destroy_window(mX.Get(), mWindow);
    xcb_flush(mX.Get());
  }
  mWindow = 0;
  mPixels.reset();
}

bool X11Tooltip::Expose(xcb_window_t window) {
  if (!mWindow || window != mWindow) return false;
  mX.PutImage(mWindow, *mPixels);
  return true;
}
