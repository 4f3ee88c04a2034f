#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "raster/png.h"
#include "raster/png_error_handlers.h"
#include "raster/rows.h"

namespace raster {
namespace {

struct MemorySource {
  const png_byte* data;
  std::size_t size;
  std::size_t position;
};

// A read that cannot be filled is an error: a truncated file must fail, not decode stale bytes.
void ReadFromMemory(png_structp png, png_bytep out, png_size_t wanted) {
  auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
  const std::size_t given = std::min<std::size_t>(wanted, source->size - source->position);
  if (given > 0) std::memcpy(out, source->data + source->position, given);
  source->position += given;
  if (given < wanted) png_error(png, "truncated");
}

using png_handlers::OnError;
using png_handlers::OnWarning;

class ReadStruct {
 public:
  ReadStruct() {
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (png != nullptr) info = png_create_info_struct(png);
  }
  ~ReadStruct() {
    if (png != nullptr) png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
  }
  ReadStruct(const ReadStruct&) = delete;
  ReadStruct& operator=(const ReadStruct&) = delete;

  png_structp png = nullptr;
  png_infop info = nullptr;
};

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// Stored bytes A, R, G, B become the pixel word with bytes B, G, R, A.
constexpr Pixel FromARGBBytes(Pixel stored) {
  return (stored >> 24) | ((stored >> 8) & 0xFF00u) | ((stored << 8) & 0xFF0000u) | (stored << 24);
}

// Runs below the setjmp of Decode; a library error unwinds through here, so no local may
// need destroying.
Bitmap* DecodeSteps(png_structp png, png_infop info, Bitmap* given,
                    std::unique_ptr<MemBitmap>& made) {
  png_set_user_limits(png, kMaxPNGSide, kMaxPNGSide);
  png_read_info(png, info);
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int depth = 0;
  int colorType = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &colorType, nullptr, nullptr, nullptr);
  if (static_cast<long long>(width) * height > kMaxPNGPixels) return nullptr;

  const bool grey = colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA;
  bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS) != 0) {
    png_set_tRNS_to_alpha(png);
    hasAlpha = true;
  }
  if (depth == 16) png_set_strip_16(png);
  if (depth < 8) png_set_packing(png);
  if (grey) png_set_gray_to_rgb(png);
  if (hasAlpha) {
    png_set_swap_alpha(png);
  } else {
    png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
  }
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  // Rows are decoded straight into the bitmap: anything but four bytes a pixel would overrun.
  if (png_get_rowbytes(png, info) != static_cast<png_size_t>(width) * 4) return nullptr;

  const int w = static_cast<int>(width);
  const int h = static_cast<int>(height);
  Bitmap* target = given;
  if (target != nullptr) {
    target->resize(w, h);
  } else {
    made.reset(new (std::nothrow) MemBitmap(w, h, 4));
    target = made.get();
  }
  if (target == nullptr || target->getWidth() != w || target->getHeight() != h) return nullptr;
  const Rows rows(*target);
  if (rows.empty()) return nullptr;

  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 0; y < h; ++y)
      png_read_row(png, reinterpret_cast<png_bytep>(rows.row(y).data()), nullptr);
  }
  for (int y = 0; y < h; ++y) {
    for (Pixel& p : rows.row(y))
      p = FromARGBBytes(p);
  }
  return target;
}

Bitmap* Decode(png_structp png, png_infop info, Bitmap* given, std::unique_ptr<MemBitmap>& made) {
  if (setjmp(png_jmpbuf(png))) return nullptr;
  return DecodeSteps(png, info, given, made);
}

// Decodes with the reader set up by prepare (which binds the input); owns what it makes.
template <typename Prepare>
Bitmap* LoadWith(Bitmap* given, std::unique_ptr<MemBitmap>& made, Prepare prepare) {
  ReadStruct reader;
  if (reader.png == nullptr || reader.info == nullptr) return nullptr;
  prepare(reader.png);
  Bitmap* const result = Decode(reader.png, reader.info, given, made);
  if (result == nullptr) made.reset();
  return result;
}

Bitmap* LoadFile(const char* filename, Bitmap* given, std::unique_ptr<MemBitmap>& made) {
  if (filename == nullptr) return nullptr;
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(filename, "rb"));
  if (!file) return nullptr;
  return LoadWith(given, made, [&file](png_structp png) { png_init_io(png, file.get()); });
}

Bitmap* LoadMemory(const void* data, int len, Bitmap* given, std::unique_ptr<MemBitmap>& made) {
  constexpr int kSignatureBytes = 8;
  if (data == nullptr || len < kSignatureBytes) return nullptr;
  MemorySource source{static_cast<const png_byte*>(data), static_cast<std::size_t>(len), 0};
  if (png_sig_cmp(source.data, 0, kSignatureBytes) != 0) return nullptr;
  return LoadWith(given, made,
                  [&source](png_structp png) { png_set_read_fn(png, &source, ReadFromMemory); });
}

}  // namespace

Bitmap* LoadPNG(const char* filename, Bitmap* bmp) {
  std::unique_ptr<MemBitmap> made;
  Bitmap* const result = LoadFile(filename, bmp, made);
  return made ? made.release() : result;
}

Bitmap* LoadPNGFromMemory(const void* data, int len, Bitmap* bmp) {
  std::unique_ptr<MemBitmap> made;
  Bitmap* const result = LoadMemory(data, len, bmp, made);
  return made ? made.release() : result;
}

std::unique_ptr<MemBitmap> LoadPNG(const char* filename) {
  std::unique_ptr<MemBitmap> made;
  LoadFile(filename, nullptr, made);
  return made;
}

std::unique_ptr<MemBitmap> LoadPNGFromMemory(std::span<const std::uint8_t> data) {
  std::unique_ptr<MemBitmap> made;
  if (data.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return made;
  LoadMemory(data.data(), static_cast<int>(data.size()), nullptr, made);
  return made;
}

}  // namespace raster
