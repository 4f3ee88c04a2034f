#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "raster/bitmap.h"
#include "raster/mem_bitmap.h"

namespace raster {

// Decode a PNG image into bmp (resized to the image's size) or, when bmp is null, into a
// new MemBitmap that the caller then owns. The bitmap, or null on any failure.
Bitmap* LoadPNG(const char* filename, Bitmap* bmp);
Bitmap* LoadPNGFromMemory(const void* data, int len, Bitmap* bmp);

// The same into a new bitmap, owned by the returned pointer; null on failure.
std::unique_ptr<MemBitmap> LoadPNG(const char* filename);
std::unique_ptr<MemBitmap> LoadPNGFromMemory(std::span<const std::uint8_t> data);

// The width and height a PNG's header gives, without decoding anything: false when the bytes
// do not begin with the signature and a header chunk, or give a size the decoders refuse.
bool ReadPNGSize(std::span<const std::uint8_t> data, int* width, int* height);

// 8-bit RGBA encoding of the bitmap. False / empty on failure.
bool WritePNG(const Bitmap& bmp, const char* filename);
std::vector<std::uint8_t> EncodePNG(const Bitmap& bmp);

// Images beyond these are refused before any pixel memory is taken.
inline constexpr int kMaxPNGSide = 32767;
inline constexpr long long kMaxPNGPixels = 1LL << 26;

}  // namespace raster
