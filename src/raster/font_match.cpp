#include "raster/font_match.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <tuple>

namespace raster {
namespace {

struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;
struct FontSetDeleter {
  void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};
using FontSet = std::unique_ptr<FcFontSet, FontSetDeleter>;

struct ConfigDeleter {
  void operator()(FcConfig* config) const { FcConfigDestroy(config); }
};
using Config = std::unique_ptr<FcConfig, ConfigDeleter>;

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

// The family at the weight and slant, with the configuration's substitutions.
Pattern Request(FcConfig* config, const std::string& family, int weight, bool italic) {
  Pattern pattern(FcPatternCreate());
  if (!pattern) return nullptr;
  FcPatternAddString(pattern.get(), FC_FAMILY, AsFc(family));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, FcWeightFromOpenType(weight));
  FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  if (FcConfigSubstitute(config, pattern.get(), FcMatchPattern) == FcFalse) return nullptr;
  FcDefaultSubstitute(pattern.get());
  return pattern;
}

std::optional<FaceFile> FileOf(FcPattern* font) {
  FcChar8* file = nullptr;
  if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) return std::nullopt;
  FaceFile face;
  face.path = reinterpret_cast<const char*>(file);
  FcPatternGetInteger(font, FC_INDEX, 0, &face.index);
  FcChar8* name = nullptr;
  if (FcPatternGetString(font, FC_FAMILY, 0, &name) == FcResultMatch) {
    face.family = reinterpret_cast<const char*>(name);
  }
  return face;
}

std::optional<FaceFile> Match(FcConfig* config, const std::string& family, int weight, bool italic,
                              bool acceptAny) {
  const Pattern pattern = Request(config, family, weight, italic);
  if (!pattern) return std::nullopt;
  FcResult result = FcResultNoMatch;
  const Pattern match(FcFontMatch(config, pattern.get(), &result));
  if (!match || result != FcResultMatch) return std::nullopt;
  if (!acceptAny && !HasFamily(match.get(), family)) return std::nullopt;
  return FileOf(match.get());
}

// The faces ranked for a family, weight and slant, each made once: fontconfig
// reads every face's coverage to rank them, too slow to repeat per glyph.
class Rankings {
 public:
  std::optional<FaceFile> FirstWith(FcConfig* config, char32_t c, const FaceFile& chosen,
                                    int weight, bool italic) {
    std::lock_guard lock(mMutex);
    auto [at, made] = mSets.try_emplace(std::tuple(chosen.family, weight, italic));
    if (made) {
      if (const Pattern pattern = Request(config, chosen.family, weight, italic)) {
        FcResult result = FcResultNoMatch;
        at->second.reset(FcFontSort(config, pattern.get(), FcTrue, nullptr, &result));
      }
    }
    const FcFontSet* set = at->second.get();
    for (int i = 0; set != nullptr && i < set->nfont; ++i) {
      FcPattern* font = set->fonts[i];
      FcCharSet* coverage = nullptr;
      FcBool scalable = FcFalse;
      if (FcPatternGetCharSet(font, FC_CHARSET, 0, &coverage) != FcResultMatch ||
          FcCharSetHasChar(coverage, c) == FcFalse)
        continue;
      if (FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) != FcResultMatch || !scalable) continue;
      std::optional<FaceFile> face = FileOf(font);
      if (face && (face->path != chosen.path || face->index != chosen.index)) return face;
    }
    return std::nullopt;
  }

 private:
  std::mutex mMutex;
  std::map<std::tuple<std::string, int, bool>, FontSet> mSets;
};

// fontconfig's configuration and the rankings made from it, this library's
// own: loaded on first use and destroyed when the library is unloaded. The
// process's default configuration would outlive every unload, and only
// FcFini, the host's to call, releases it.
struct Fonts {
  Config mConfig{FcInitLoadConfigAndFonts()};  // null when it cannot be loaded
  Rankings mRankings;                          // destroyed first: made from mConfig
};

Fonts& LibraryFonts() {
  static Fonts fonts;
  return fonts;
}

}  // namespace

std::optional<FaceFile> FindFace(const std::string& family, int weight, bool italic) {
  FcConfig* config = LibraryFonts().mConfig.get();
  if (!config) return std::nullopt;
  if (auto face = Match(config, family, weight, italic, IsGeneric(family))) return face;
  if (auto face = Match(config, kFallbackFamily, weight, italic, false)) return face;
  return Match(config, kAnySans, weight, italic, true);
}

std::optional<FaceFile> FindFaceFor(char32_t c, const FaceFile& chosen, int weight, bool italic) {
  Fonts& fonts = LibraryFonts();
  if (!fonts.mConfig) return std::nullopt;
  return fonts.mRankings.FirstWith(fonts.mConfig.get(), c, chosen, weight, italic);
}

}  // namespace raster
