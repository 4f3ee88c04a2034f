#include "framework/base64.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int SextetOf(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::string EncodeBase64(std::span<const std::uint8_t> bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t left = bytes.size() - i;
    const std::uint32_t group = (std::uint32_t{bytes[i]} << 16) |
                                (left > 1 ? std::uint32_t{bytes[i + 1]} << 8 : 0) |
                                (left > 2 ? std::uint32_t{bytes[i + 2]} : 0);
    text += kAlphabet[(group >> 18) & 63];
    text += kAlphabet[(group >> 12) & 63];
    text += left > 1 ? kAlphabet[(group >> 6) & 63] : '=';
    text += left > 2 ? kAlphabet[group & 63] : '=';
  }
  return text;
}

std::size_t DecodeBase64(const char* text, std::span<std::uint8_t> out) {
  if (!text) return 0;
  std::size_t written = 0;
  std::uint32_t bits = 0;
  int nBits = 0;
  for (const char* cursor = text; written < out.size(); ++cursor) {
    const int sextet = SextetOf(*cursor);
    if (sextet < 0) break;
    bits = (bits << 6) | static_cast<std::uint32_t>(sextet);
    nBits += 6;
    if (nBits >= 8) {
      nBits -= 8;
      out[written++] = static_cast<std::uint8_t>((bits >> nBits) & 0xFF);
    }
  }
  return written;
}
