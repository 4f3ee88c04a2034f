#include "raster/font_match.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>
#include <string_view>

namespace raster {
namespace {

struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

constexpr const char* kFallbackFamily = "League Spartan";
constexpr const char* kAnySans = "sans-serif";

const FcChar8* AsFc(const std::string& s) {
  return reinterpret_cast<const FcChar8*>(s.c_str());
}

bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// Generic names stand for whatever fontconfig picks for them.
bool IsGeneric(std::string_view family) {
  constexpr std::array<std::string_view, 6> kGeneric = {"sans-serif", "sans", "serif",
                                                        "monospace",  "mono", "system-ui"};
  return std::any_of(kGeneric.begin(), kGeneric.end(),
                     [&](std::string_view g) { return SameName(g, family); });
}

bool HasFamily(FcPattern* match, std::string_view family) {
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    if (SameName(reinterpret_cast<const char*>(name), family)) return true;
  }
  return false;
}

std::optional<FaceFile> Match(const std::string& family, int weight, bool italic, bool acceptAny) {
  const Pattern pattern(FcPatternCreate());
  if (!pattern) return std::nullopt;
  FcPatternAddString(pattern.get(), FC_FAMILY, AsFc(family));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, FcWeightFromOpenType(weight));
  FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  if (FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern) == FcFalse) return std::nullopt;
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  const Pattern match(FcFontMatch(nullptr, pattern.get(), &result));
  if (!match || result != FcResultMatch) return std::nullopt;
  if (!acceptAny && !HasFamily(match.get(), family)) return std::nullopt;

  FcChar8* file = nullptr;
  if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch) return std::nullopt;
  FaceFile face;
  face.path = reinterpret_cast<const char*>(file);
  FcPatternGetInteger(match.get(), FC_INDEX, 0, &face.index);
  FcChar8* name = nullptr;
  if (FcPatternGetString(match.get(), FC_FAMILY, 0, &name) == FcResultMatch) {
    face.family = reinterpret_cast<const char*>(name);
  }
  return face;
}

}  // namespace

std::optional<FaceFile> FindFace(const std::string& family, int weight, bool italic) {
  if (auto face = Match(family, weight, italic, IsGeneric(family))) return face;
  if (auto face = Match(kFallbackFamily, weight, italic, false)) return face;
  return Match(kAnySans, weight, italic, true);
}

}  // namespace raster
