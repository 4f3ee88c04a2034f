// Texts that leave the plug-in for a format that requires UTF-8 (a host's
// Turtle, say): what is valid stays byte for byte, what is not is mended.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The text with every byte that starts no valid UTF-8 sequence (a stray
// continuation, an overlong form, a surrogate, a value past U+10FFFF, a
// sequence cut short) replaced by U+FFFD.
std::string MendedUtf8(std::string_view text);

// The longest prefix of at most maxBytes that ends between characters.
std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes);

// The text into a fixed field of `capacity` bytes, zero-terminated, cut
// between characters where it does not fit.
void CopyUtf8ToField(std::string_view text, char* out, std::size_t capacity);
