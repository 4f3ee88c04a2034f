// The plug-in's images, held in memory by name ("BG" for "resources/img/BG.png")
// for the platform's image loading. A plug-in registers its embedded images
// once, before it loads any.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "raster/bitmap.h"

// Any thread. The bytes are copied; a name registered again is replaced.
void RegisterImageResource(const std::string& name, std::span<const std::uint8_t> png);
// The same for bytes that stay where they are as long as the table does,
// such as those built into the library: they are neither copied nor read
// until an image is made from them.
void RegisterLastingImageResource(const std::string& name, std::span<const std::uint8_t> png);

// The image for a resource path: only a path ending in "png" (any case) is
// looked up, by its last component without the extension. Its size is read
// from its header at once; its pixels are decoded when first drawn. Null when
// there is no such resource or it does not begin as a PNG.
std::unique_ptr<raster::Bitmap> LoadImageResource(const char* path);
