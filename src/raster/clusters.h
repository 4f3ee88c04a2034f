#pragma once

#include <cstddef>
#include <string_view>

#include "raster/utf8.h"

namespace raster {

// Whether the code point belongs to the character before it: combining marks,
// joiners, variation selectors, emoji modifiers and the vowel and final jamo
// of a Hangul syllable. Text is never cut in front of one.
constexpr bool ExtendsCluster(char32_t c) {
  return (c >= 0x0300 && c <= 0x036F) || (c >= 0x0483 && c <= 0x0489) ||
         (c >= 0x0591 && c <= 0x05BD) || (c >= 0x0610 && c <= 0x061A) ||
         (c >= 0x064B && c <= 0x065F) || (c >= 0x0E31 && c <= 0x0E3A && c != 0x0E32) ||
         (c >= 0x0E47 && c <= 0x0E4E) || (c >= 0x1160 && c <= 0x11FF) ||
         (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) || c == 0x200C ||
         c == 0x200D || (c >= 0x20D0 && c <= 0x20FF) || (c >= 0x3099 && c <= 0x309A) ||
         (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xFE20 && c <= 0xFE2F) ||
         (c >= 0x1F3FB && c <= 0x1F3FF) || (c >= 0xE0020 && c <= 0xE007F) ||
         (c >= 0xE0100 && c <= 0xE01EF);
}

// The offset past the character that starts at `at`: one code point and all
// that extend it; what follows a zero-width joiner joins the character too.
inline std::size_t NextCluster(std::string_view text, std::size_t at) {
  if (at >= text.size()) return text.size();
  char32_t last = NextCodePoint(text, at);
  while (at < text.size()) {
    std::size_t next = at;
    const char32_t c = NextCodePoint(text, next);
    if (!ExtendsCluster(c) && last != 0x200D) break;
    last = c;
    at = next;
  }
  return at;
}

}  // namespace raster
