// The format's UTF-16 texts and the project's UTF-8 ones. Texts from the
// other side are untrusted: read up to a bound, malformed sequences become
// U+FFFD, nothing is written past the buffer.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "framework/utf8_text.h"
#include "vst3/vst3_base.h"

namespace vst3 {

namespace string16_detail {

constexpr char32_t kReplacement = 0xFFFD;

// The code point at `text[*at]`, moving `*at` past it.
inline char32_t DecodeUtf8(std::string_view text, std::size_t* at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(*at);
  ++*at;
  if (lead < 0x80) return lead;
  int more = 0;
  char32_t point = 0;
  char32_t least = 0;
  if ((lead & 0xE0) == 0xC0) {
    more = 1, point = lead & 0x1Fu, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    more = 2, point = lead & 0x0Fu, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    more = 3, point = lead & 0x07u, least = 0x10000;
  } else {
    return kReplacement;
  }
  for (int i = 0; i < more; ++i) {
    if (*at >= text.size() || (byte(*at) & 0xC0) != 0x80) return kReplacement;
    point = (point << 6) | (byte(*at) & 0x3Fu);
    ++*at;
  }
  const bool surrogate = point >= 0xD800 && point <= 0xDFFF;
  return point < least || point > 0x10FFFF || surrogate ? kReplacement : point;
}

inline void EncodeUtf8(char32_t point, std::string* out) {
  if (point < 0x80) {
    out->push_back(static_cast<char>(point));
  } else if (point < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (point >> 6)));
    out->push_back(static_cast<char>(0x80 | (point & 0x3F)));
  } else if (point < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (point >> 12)));
    out->push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (point & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (point >> 18)));
    out->push_back(static_cast<char>(0x80 | ((point >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (point & 0x3F)));
  }
}

}  // namespace string16_detail

// `text` into `out`, zero-terminated, cut to fit `capacity` units (never
// inside a surrogate pair). A capacity of 0 writes nothing.
inline void CopyUtf8ToString16(std::string_view text, char16* out, std::size_t capacity) {
  if (capacity == 0) return;
  std::size_t written = 0;
  for (std::size_t at = 0; at < text.size();) {
    const char32_t point = string16_detail::DecodeUtf8(text, &at);
    const std::size_t units = point >= 0x10000 ? 2 : 1;
    if (written + units > capacity - 1) break;
    if (units == 2) {
      out[written++] = static_cast<char16>(0xD800 + ((point - 0x10000) >> 10));
      out[written++] = static_cast<char16>(0xDC00 + ((point - 0x10000) & 0x3FF));
    } else {
      out[written++] = static_cast<char16>(point);
    }
  }
  out[written] = u'\0';
}

template <std::size_t N>
void CopyUtf8ToString16(std::string_view text, char16 (&out)[N]) {
  CopyUtf8ToString16(text, out, N);
}

// The text at `text` up to its terminator or `maxUnits` units, as UTF-8.
inline std::string String16ToUtf8(const char16* text, std::size_t maxUnits) {
  std::string out;
  if (!text) return out;
  for (std::size_t i = 0; i < maxUnits && text[i] != u'\0'; ++i) {
    char32_t point = text[i];
    if (point >= 0xD800 && point <= 0xDBFF && i + 1 < maxUnits && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      point = 0x10000 + ((point - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
      ++i;
    } else if (point >= 0xD800 && point <= 0xDFFF) {
      point = string16_detail::kReplacement;
    }
    string16_detail::EncodeUtf8(point, &out);
  }
  return out;
}

template <std::size_t N>
std::string String16ToUtf8(const char16 (&text)[N]) {
  return String16ToUtf8(text, N);
}

// ASCII or UTF-8 into a fixed char field, zero-terminated, cut at a whole
// character.
template <std::size_t N>
void CopyToCharField(std::string_view text, char (&out)[N]) {
  CopyUtf8ToField(text, out, N);
}

}  // namespace vst3
