#include "platform/x11_connection.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <vector>

void FreeDeleter::operator()(void* p) const {
  std::free(p);
}

X11Connection::X11Connection() {
  int screenIndex = 0;
  mConnection = xcb_connect(nullptr, &screenIndex);
  if (xcb_connection_has_error(mConnection)) return;
  const xcb_setup_t* setup = xcb_get_setup(mConnection);
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
  for (int i = 0; i < screenIndex && it.rem > 0; ++i)
    xcb_screen_next(&it);
  if (it.rem == 0) return;
  mScreen = it.data;
  // Pixels go out as they are drawn; a server of the other byte order gets
  // them swapped.
  mSwapBytes = (setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST) ==
               (std::endian::native == std::endian::little);
  if (!ChooseVisual()) mVisual = 0;
}

X11Connection::~X11Connection() {
  if (mConnection) {
    if (mColormap && Alive()) xcb_free_colormap(mConnection, mColormap);
    xcb_disconnect(mConnection);
  }
}

// A true-colour visual of 24 or 32 bits whose pixels are 32-bit words with
// red, green and blue where the surface keeps them.
bool X11Connection::ChooseVisual() {
  const xcb_setup_t* setup = xcb_get_setup(mConnection);
  const auto wordPixels = [&](std::uint8_t depth) {
    xcb_format_iterator_t f = xcb_setup_pixmap_formats_iterator(setup);
    for (; f.rem > 0; xcb_format_next(&f))
      if (f.data->depth == depth) return f.data->bits_per_pixel == 32;
    return false;
  };
  const auto fits = [](const xcb_visualtype_t& v) {
    return v._class == XCB_VISUAL_CLASS_TRUE_COLOR && v.red_mask == 0xFF0000u &&
           v.green_mask == 0xFF00u && v.blue_mask == 0xFFu;
  };
  xcb_visualid_t candidate = 0;
  std::uint8_t candidateDepth = 0;
  for (xcb_depth_iterator_t d = xcb_screen_allowed_depths_iterator(mScreen); d.rem > 0;
       xcb_depth_next(&d)) {
    const std::uint8_t depth = d.data->depth;
    if ((depth != 24 && depth != 32) || !wordPixels(depth)) continue;
    for (xcb_visualtype_iterator_t v = xcb_depth_visuals_iterator(d.data); v.rem > 0;
         xcb_visualtype_next(&v)) {
      if (!fits(*v.data)) continue;
      if (v.data->visual_id == mScreen->root_visual) {
        mVisual = v.data->visual_id;
        mDepth = depth;
        return true;
      }
      // Prefer depth 24: a 32-bit window would blend with what lies beneath.
      if (!candidate || (depth == 24 && candidateDepth != 24)) {
        candidate = v.data->visual_id;
        candidateDepth = depth;
      }
    }
  }
  if (!candidate) return false;
  mVisual = candidate;
  mDepth = candidateDepth;
  mColormap = xcb_generate_id(mConnection);
  xcb_create_colormap(mConnection, XCB_COLORMAP_ALLOC_NONE, mColormap, mScreen->root, mVisual);
  return true;
}

std::pair<int, int> X11Connection::OnScreen(int x, int y, int w, int h) const {
  return {std::clamp(x, 0, std::max(0, ScreenWidth() - w)),
          std::clamp(y, 0, std::max(0, ScreenHeight() - h))};
}

xcb_atom_t X11Connection::Atom(const std::string& name) {
  if (const auto found = mAtoms.find(name); found != mAtoms.end()) return found->second;
  const xcb_intern_atom_cookie_t cookie =
      xcb_intern_atom(mConnection, 0, static_cast<std::uint16_t>(name.size()), name.c_str());
  XcbPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(mConnection, cookie, nullptr));
  const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  if (atom != XCB_ATOM_NONE) mAtoms[name] = atom;
  return atom;
}

void X11Connection::Sync() {
  XcbPtr<xcb_get_input_focus_reply_t> reply(
      xcb_get_input_focus_reply(mConnection, xcb_get_input_focus(mConnection), nullptr));
}

xcb_window_t X11Connection::CreateWindow(xcb_window_t parent, int x, int y, int w, int h,
                                         std::uint32_t events, bool overrideRedirect) {
  const xcb_window_t window = xcb_generate_id(mConnection);
  // The window's contents are ours alone: no background to clear to first.
  const std::uint32_t mask = XCB_CW_BACK_PIXMAP | XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT |
                             XCB_CW_EVENT_MASK | XCB_CW_COLORMAP;
  const std::uint32_t values[] = {XCB_BACK_PIXMAP_NONE, 0, overrideRedirect ? 1u : 0u, events,
                                  mColormap ? mColormap : mScreen->default_colormap};
  xcb_create_window(mConnection, mDepth, window, parent, static_cast<std::int16_t>(x),
                    static_cast<std::int16_t>(y), static_cast<std::uint16_t>(std::max(w, 1)),
                    static_cast<std::uint16_t>(std::max(h, 1)), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    mVisual, mask, values);
  return window;
}

xcb_gcontext_t X11Connection::CreateGC(xcb_window_t window) {
  const xcb_gcontext_t gc = xcb_generate_id(mConnection);
  const std::uint32_t values[] = {0};
  xcb_create_gc(mConnection, gc, window, XCB_GC_GRAPHICS_EXPOSURES, values);
  return gc;
}

void X11Connection::CopyRows(raster::Bitmap& bitmap, const IRECT& area, std::uint32_t* out,
                             int outRowPixels) const {
  const raster::Pixel* bits = bitmap.getBits();
  const int span = bitmap.getRowSpan();
  for (int y = area.T; y < area.B; ++y) {
    const raster::Pixel* row = bits + static_cast<std::ptrdiff_t>(y) * span + area.L;
    std::uint32_t* to = out + static_cast<std::ptrdiff_t>(y - area.T) * outRowPixels;
    if (mSwapBytes) {
      for (int x = 0; x < area.W(); ++x)
        to[x] = __builtin_bswap32(row[x] & 0x00FFFFFFu);
    } else {
      for (int x = 0; x < area.W(); ++x)
        to[x] = row[x] & 0x00FFFFFFu;
    }
  }
}

void X11Connection::PutImage(xcb_drawable_t window, xcb_gcontext_t gc, raster::Bitmap& bitmap,
                             const IRECT& area, int dstX, int dstY) {
  const IRECT clipped = area.Intersect(IRECT(0, 0, bitmap.getWidth(), bitmap.getHeight()));
  if (clipped.W() <= 0 || clipped.H() <= 0 || !bitmap.getBits()) return;
  const int dx = dstX + clipped.L - area.L;
  const int dy = dstY + clipped.T - area.T;
  // The request's header takes 24 bytes of the server's limit.
  const std::uint64_t maxBytes = std::uint64_t{xcb_get_maximum_request_length(mConnection)} * 4;
  const std::uint64_t rowBytes = static_cast<std::uint64_t>(clipped.W()) * 4;
  const int band = static_cast<int>(std::clamp<std::uint64_t>(
      (maxBytes - 64) / rowBytes, 1, static_cast<std::uint64_t>(clipped.H())));
  std::vector<std::uint32_t> buffer(static_cast<std::size_t>(clipped.W()) *
                                    static_cast<std::size_t>(band));
  for (int top = clipped.T; top < clipped.B; top += band) {
    const IRECT rows(clipped.L, top, clipped.R, std::min(top + band, clipped.B));
    CopyRows(bitmap, rows, buffer.data(), clipped.W());
    xcb_put_image(mConnection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc,
                  static_cast<std::uint16_t>(rows.W()), static_cast<std::uint16_t>(rows.H()),
                  static_cast<std::int16_t>(dx), static_cast<std::int16_t>(dy + top - clipped.T), 0,
                  mDepth,
                  static_cast<std::uint32_t>(rowBytes * static_cast<std::uint64_t>(rows.H())),
                  reinterpret_cast<const std::uint8_t*>(buffer.data()));
  }
}

void X11Connection::PutImage(xcb_drawable_t window, raster::Bitmap& bitmap) {
  const xcb_gcontext_t gc = CreateGC(window);
  PutImage(window, gc, bitmap, IRECT(0, 0, bitmap.getWidth(), bitmap.getHeight()), 0, 0);
  xcb_free_gc(mConnection, gc);
}

std::string X11Connection::ReadProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t* type,
                                        std::uint32_t maxBytes) {
  const xcb_get_property_cookie_t cookie = xcb_get_property(
      mConnection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, maxBytes / 4);
  XcbPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(mConnection, cookie, nullptr));
  if (type) *type = reply ? reply->type : xcb_atom_t{XCB_ATOM_NONE};
  if (!reply || reply->format == 0) return {};
  const int length = xcb_get_property_value_length(reply.get());
  if (length <= 0) return {};
  return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                     static_cast<std::size_t>(length));
}
