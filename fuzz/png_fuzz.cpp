// Any bytes offered as a PNG image.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/damage.h"
#include "raster/mem_bitmap.h"
#include "raster/png.h"

namespace {

std::vector<std::uint8_t> ValidImage() {
  raster::MemBitmap bitmap(7, 5, 4);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x)
      bitmap.getBits()[y * bitmap.getRowSpan() + x] =
          0x80402010u * static_cast<unsigned>(x + 3 * y);
  return raster::EncodePNG(bitmap);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<std::uint8_t> valid = ValidImage();
  const std::vector<std::uint8_t> file = Damage(valid, {data, size});
  raster::LoadPNGFromMemory(std::span<const std::uint8_t>(file));
  return 0;
}
