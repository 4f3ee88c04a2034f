#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <new>

#include "raster/png.h"
#include "raster/png_error_handlers.h"
#include "raster/rows.h"

namespace raster {
namespace {

using png_handlers::OnError;
using png_handlers::OnWarning;

class WriteStruct {
 public:
  WriteStruct() {
    png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (png != nullptr) info = png_create_info_struct(png);
  }
  ~WriteStruct() {
    if (png != nullptr) png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
  }
  WriteStruct(const WriteStruct&) = delete;
  WriteStruct& operator=(const WriteStruct&) = delete;

  png_structp png = nullptr;
  png_infop info = nullptr;
};

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  try {
    out->insert(out->end(), data, data + length);
  } catch (const std::bad_alloc&) {
    png_error(png, "out of memory");
  }
}

void FlushNothing(png_structp /*png*/) {}

// Runs below the setjmp of Encode: no local may need destroying.
void EncodeSteps(png_structp png, png_infop info, const Rows& rows) {
  png_set_IHDR(png, info, static_cast<png_uint_32>(rows.width()),
               static_cast<png_uint_32>(rows.height()), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  // Pixels are B, G, R, A in memory.
  png_set_bgr(png);
  for (int y = 0; y < rows.height(); ++y) {
    png_write_row(png, reinterpret_cast<png_const_bytep>(rows.row(y).data()));
  }
  png_write_end(png, nullptr);
}

bool Encode(png_structp png, png_infop info, const Rows& rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  EncodeSteps(png, info, rows);
  return true;
}

template <typename Prepare>
bool EncodeWith(const Bitmap& bmp, Prepare prepare) {
  // Only read through these rows.
  const Rows rows(const_cast<Bitmap&>(bmp));
  if (rows.empty()) return false;
  WriteStruct writer;
  if (writer.png == nullptr || writer.info == nullptr) return false;
  prepare(writer.png);
  return Encode(writer.png, writer.info, rows);
}

}  // namespace

bool WritePNG(const Bitmap& bmp, const char* filename) {
  if (filename == nullptr) return false;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(filename, "wb"));
  if (!file) return false;
  const bool written = EncodeWith(bmp, [&file](png_structp png) { png_init_io(png, file.get()); });
  return std::fclose(file.release()) == 0 && written;
}

std::vector<std::uint8_t> EncodePNG(const Bitmap& bmp) {
  std::vector<std::uint8_t> out;
  if (!EncodeWith(bmp, [&out](png_structp png) {
        png_set_write_fn(png, &out, AppendToVector, FlushNothing);
      })) {
    out.clear();
  }
  return out;
}

}  // namespace raster
