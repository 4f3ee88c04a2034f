// Turns fuzzer bytes into a damaged copy of a valid file, so that the
// fuzzers reach past the first checks, or hands them over as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

inline std::vector<std::uint8_t> Damage(std::span<const std::uint8_t> valid,
                                        std::span<const std::uint8_t> data) {
  if (data.size() < 3 || (data[0] & 0x80)) return {data.begin(), data.end()};
  // Bytes 1 and 2 say where the copy is cut; the rest is XORed over it.
  std::vector<std::uint8_t> damaged(valid.begin(), valid.end());
  const std::size_t cut = (std::size_t{data[1]} << 8 | data[2]) % (valid.size() + 1);
  damaged.resize(cut);
  for (std::size_t i = 3; i < data.size() && i - 3 < damaged.size(); ++i)
    damaged[i - 3] ^= data[i];
  return damaged;
}
