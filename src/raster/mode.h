#pragma once

namespace raster {

// The mode word of blits and drawing: the low byte picks the operation, 0x100 asks for
// bilinear filtering, 0x10000 for weighting by the source pixel's alpha. A low byte with
// high nibble 0xF copies one channel: source channel (mode & 3) into (mode >> 2) & 3.
inline constexpr int kModeCopy = 0;
inline constexpr int kModeAdd = 1;
inline constexpr int kModeColorDodge = 2;
inline constexpr int kModeMultiply = 3;
inline constexpr int kModeOverlay = 4;
inline constexpr int kModeAdjustHSV = 5;
inline constexpr int kModeBilinear = 0x100;
inline constexpr int kModeSourceAlpha = 0x10000;
inline constexpr int kModeOperatorMask = 0x100FF;
inline constexpr int kModeChannelCopyMask = 0xF0;

constexpr bool IsChannelCopy(int mode) {
  return (mode & kModeChannelCopyMask) == kModeChannelCopyMask;
}

constexpr int ChannelCopyMode(int srcChannel, int dstChannel) {
  return kModeChannelCopyMask | (srcChannel & 3) | ((dstChannel & 3) << 2);
}

}  // namespace raster
