// The plug-in's images, held in memory by name ("BG" for "resources/img/BG.png")
// for the platform's image loading. A plug-in registers its embedded images
// once, before it loads any.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "raster/mem_bitmap.h"

// Any thread. The bytes are copied; a name registered again is replaced.
void RegisterImageResource(const std::string& name, std::span<const std::uint8_t> png);

// The image for a resource path: only a path ending in "png" (any case) is
// looked up, by its last component without the extension, and decoded. Null
// when there is no such resource or it does not decode.
std::unique_ptr<raster::MemBitmap> LoadImageResource(const char* path);
