#include "clap/clap_streams.h"

#include <algorithm>

bool WriteWhole(const clap_ostream_t* stream, std::span<const std::uint8_t> bytes) {
  if (!stream || !stream->write) return false;
  while (!bytes.empty()) {
    const std::int64_t written = stream->write(stream, bytes.data(), bytes.size());
    // Zero would loop for ever; more than offered is a host's fault.
    if (written <= 0 || static_cast<std::uint64_t>(written) > bytes.size()) return false;
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return true;
}

std::optional<std::vector<std::uint8_t>> ReadWhole(const clap_istream_t* stream,
                                                   std::uint64_t limit) {
  if (!stream || !stream->read) return std::nullopt;
  constexpr std::uint64_t kPiece = 4096;
  std::vector<std::uint8_t> bytes;
  for (;;) {
    // One byte beyond the limit tells a stream that is too long from one that
    // ends exactly there.
    const std::uint64_t wanted = std::min(kPiece, limit + 1 - bytes.size());
    const std::size_t at = bytes.size();
    bytes.resize(at + wanted);
    const std::int64_t got = stream->read(stream, bytes.data() + at, wanted);
    if (got < 0 || static_cast<std::uint64_t>(got) > wanted) return std::nullopt;
    bytes.resize(at + static_cast<std::size_t>(got));
    if (got == 0) return bytes;
    if (bytes.size() > limit) return std::nullopt;
  }
}
