#include "framework/utf8_text.h"

namespace {

// The length of the valid sequence at text[at], or 0.
std::size_t ValidSequence(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned lead = byte(at);
  if (lead < 0x80) return 1;
  // Lead bytes and the ranges their second byte may take, so that overlong
  // forms, surrogates and values past U+10FFFF are refused.
  std::size_t length = 0;
  unsigned low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() - at < length) return 0;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
  return length;
}

}  // namespace

std::string MendedUtf8(std::string_view text) {
  std::string mended;
  mended.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    if (const std::size_t length = ValidSequence(text, at)) {
      mended.append(text.substr(at, length));
      at += length;
    } else {
      mended.append("\xEF\xBF\xBD");
      ++at;
    }
  }
  return mended;
}

std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  std::size_t end = maxBytes;
  // Back over continuation bytes to the start of the character cut in two.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
    --end;
  return text.substr(0, end);
}

void CopyUtf8ToField(std::string_view text, char* out, std::size_t capacity) {
  if (capacity == 0) return;
  const std::string_view fitting = Utf8Prefix(text, capacity - 1);
  fitting.copy(out, fitting.size());
  out[fitting.size()] = '\0';
}
