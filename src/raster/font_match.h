#pragma once

#include <optional>
#include <string>

namespace raster {

// A font file chosen by fontconfig, through a configuration of the library's
// own: nothing is left in the process's when the library is unloaded.
struct FaceFile {
  std::string path;
  int index = 0;
  std::string family;
};

// The face for the family; when fontconfig has no such family, the fallbacks in order
// ("League Spartan", then any sans). None only when no font at all can be found.
std::optional<FaceFile> FindFace(const std::string& family, int weight, bool italic);

// A scalable face other than `chosen` that has the code point, taken from the
// faces fontconfig ranks after the family, best first. The ranking is made once
// per family, weight and slant and kept until the library is unloaded; any
// thread.
std::optional<FaceFile> FindFaceFor(char32_t c, const FaceFile& chosen, int weight, bool italic);

}  // namespace raster
