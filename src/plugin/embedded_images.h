// The editor's images, put into the plug-in when it is built, so that it is
// one file to install. The build lists them (src/plugin/CMakeLists.txt).
#pragma once

#include <cstdint>
#include <span>

struct EmbeddedImage {
  const char* mName;  // the file name without ".png": "BG" for resources/img/BG.png
  const std::uint8_t* mBegin;
  const std::uint8_t* mEnd;

  std::span<const std::uint8_t> Bytes() const { return {mBegin, mEnd}; }
};

std::span<const EmbeddedImage> EmbeddedImages();

// Hands every embedded image to the editor's resource table, once per
// process; any thread.
void RegisterEmbeddedImages();
