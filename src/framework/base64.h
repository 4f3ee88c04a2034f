// Standard-alphabet base64 for the developer preset dumps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// With "=" padding.
std::string EncodeBase64(std::span<const std::uint8_t> bytes);
// Stops at the first character outside the alphabet and never writes past
// `out`; returns the number of bytes decoded.
std::size_t DecodeBase64(const char* text, std::span<std::uint8_t> out);
