// The nine names in a program chunk, as every format saves it: the
// framework's header, then each name as a length and its bytes, then the
// values.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

inline constexpr std::size_t kProgramChunkHeaderSize = 8;  // the framework's magic and version

// The names after the header; where the values begin.
inline std::size_t ReadProgramChunkNames(const std::vector<std::uint8_t>& chunk,
                                         std::vector<std::string>* names) {
  std::size_t at = kProgramChunkHeaderSize;
  for (int i = 0; i < 9 && at + 4 <= chunk.size(); ++i) {
    std::int32_t length = 0;
    std::memcpy(&length, chunk.data() + at, sizeof length);
    at += sizeof length;
    names->emplace_back(reinterpret_cast<const char*>(chunk.data() + at),
                        static_cast<std::size_t>(length));
    at += static_cast<std::size_t>(length);
  }
  return at;
}

// The chunk with its names replaced.
inline std::vector<std::uint8_t> WithProgramChunkNames(const std::vector<std::uint8_t>& chunk,
                                                       const std::vector<std::string>& names) {
  std::vector<std::string> old;
  const std::size_t valuesAt = ReadProgramChunkNames(chunk, &old);
  std::vector<std::uint8_t> renamed(chunk.begin(), chunk.begin() + kProgramChunkHeaderSize);
  for (const std::string& name : names) {
    const auto length = static_cast<std::int32_t>(name.size());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&length);
    renamed.insert(renamed.end(), bytes, bytes + sizeof length);
    renamed.insert(renamed.end(), name.begin(), name.end());
  }
  renamed.insert(renamed.end(), chunk.begin() + static_cast<std::ptrdiff_t>(valuesAt), chunk.end());
  return renamed;
}
