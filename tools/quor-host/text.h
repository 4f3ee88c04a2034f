// Small text helpers shared by the commands.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// printf-style formatting into a std::string.
[[gnu::format(printf, 1, 2)]] std::string Format(const char* format, ...);

// A level in dBFS with two decimals, "-inf" for silence.
std::string DecibelText(double amplitude);

// Strict whole-string number parsing: no trailing garbage, no overflow.
std::optional<long long> ParseInteger(std::string_view text);
std::optional<double> ParseNumber(std::string_view text);

// Edits (insertions, deletions, substitutions) from one word to the other.
std::size_t EditDistance(std::string_view a, std::string_view b);
// The candidate a mistyped word most likely meant, ignoring case; none when
// none is close.
std::optional<std::string> Nearest(std::string_view word, std::span<const std::string> candidates);

// The text with its ASCII letters in lower case.
std::string Lower(std::string_view text);

// The lower-case extension of a path without the dot, "" when there is none.
std::string Extension(std::string_view path);
