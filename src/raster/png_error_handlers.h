// How both PNG directions hear from libpng: errors unwind to the caller's
// recovery point, warnings are not wanted.
#pragma once

#include <png.h>

namespace raster::png_handlers {

[[noreturn]] inline void OnError(png_structp png, png_const_charp /*message*/) {
  png_longjmp(png, 1);
}
inline void OnWarning(png_structp /*png*/, png_const_charp /*message*/) {}

}  // namespace raster::png_handlers
