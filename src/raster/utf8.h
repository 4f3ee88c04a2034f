#pragma once

#include <cstddef>
#include <string_view>

namespace raster {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the code point at text[at] and moves at past it. A malformed sequence (stray or
// missing continuation bytes, overlong forms, surrogates, values past U+10FFFF) yields
// U+FFFD and consumes one byte; nothing past the end is ever read.
inline char32_t NextCodePoint(std::string_view text, std::size_t& at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned lead = byte(at);
  if (lead < 0x80) {
    ++at;
    return lead;
  }
  int length = 0;
  char32_t value = 0;
  char32_t smallest = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    value = lead & 0x1F;
    smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    value = lead & 0x0F;
    smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    value = lead & 0x07;
    smallest = 0x10000;
  } else {
    ++at;
    return kReplacementCharacter;
  }
  if (text.size() - at < static_cast<std::size_t>(length)) {
    ++at;
    return kReplacementCharacter;
  }
  for (int i = 1; i < length; ++i) {
    const unsigned next = byte(at + static_cast<std::size_t>(i));
    if ((next & 0xC0) != 0x80) {
      ++at;
      return kReplacementCharacter;
    }
    value = (value << 6) | (next & 0x3F);
  }
  if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    ++at;
    return kReplacementCharacter;
  }
  at += static_cast<std::size_t>(length);
  return value;
}

}  // namespace raster
