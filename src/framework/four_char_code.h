// Four-character codes: plug-in and vendor ids, record magics, file tags.
#pragma once

#include <cstdint>
#include <string>

// Four characters packed with the first one in the most significant byte.
constexpr std::int32_t FourCharCode(char a, char b, char c, char d) {
  return static_cast<std::int32_t>(
      (static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
      (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
      (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
      static_cast<std::uint32_t>(static_cast<unsigned char>(d)));
}

// The code as text, first character first; bytes that do not print become '?'.
inline std::string FourCharCodeText(std::int32_t code) {
  const auto bits = static_cast<std::uint32_t>(code);
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const auto byte = static_cast<unsigned char>((bits >> shift) & 0xFFu);
    text += (byte >= 0x20 && byte < 0x7F) ? static_cast<char>(byte) : '?';
  }
  return text;
}
