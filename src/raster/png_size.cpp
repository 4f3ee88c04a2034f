#include <cstring>

#include "raster/png.h"

namespace raster {
namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t BigEndian(const std::uint8_t* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
         (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

}  // namespace

bool ReadPNGSize(std::span<const std::uint8_t> data, int* width, int* height) {
  // The signature, then the header chunk: its length (13), "IHDR", width, height.
  if (data.size() < 24 || std::memcmp(data.data(), kSignature, sizeof kSignature) != 0 ||
      BigEndian(data.data() + 8) != 13 || std::memcmp(data.data() + 12, "IHDR", 4) != 0)
    return false;
  const std::uint32_t w = BigEndian(data.data() + 16);
  const std::uint32_t h = BigEndian(data.data() + 20);
  if (w == 0 || h == 0 || w > kMaxPNGSide || h > kMaxPNGSide ||
      static_cast<long long>(w) * h > kMaxPNGPixels)
    return false;
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

}  // namespace raster
