#include "vst3/stream_io.h"

#include <algorithm>

namespace vst3 {

namespace {
constexpr int32 kPiece = 64 * 1024;
}

bool ReadToEnd(IBStream* stream, std::int64_t limit, std::vector<std::uint8_t>* bytes) {
  bytes->clear();
  if (!stream) return false;
  for (;;) {
    // One byte beyond the limit tells a stream that is too long.
    const std::int64_t room = limit + 1 - static_cast<std::int64_t>(bytes->size());
    const int32 asked = static_cast<int32>(std::min<std::int64_t>(kPiece, room));
    const std::size_t at = bytes->size();
    bytes->resize(at + static_cast<std::size_t>(asked));
    int32 moved = 0;
    const tresult result = stream->read(bytes->data() + at, asked, &moved);
    // A stream that claims more than it was asked for is not believed.
    moved = std::clamp(moved, 0, asked);
    bytes->resize(at + static_cast<std::size_t>(moved));
    if (static_cast<std::int64_t>(bytes->size()) > limit) {
      bytes->clear();
      return false;
    }
    if (moved == 0 || result != kResultOk) return true;
  }
}

void UnreadAfter(IBStream* stream, std::int64_t used, std::int64_t read) {
  if (stream && used < read) stream->seek(used - read, IBStream::kSeekCur, nullptr);
}

bool WriteAll(IBStream* stream, std::span<const std::uint8_t> bytes) {
  if (!stream) return false;
  while (!bytes.empty()) {
    const int32 asked = static_cast<int32>(std::min<std::size_t>(bytes.size(), kPiece));
    int32 moved = 0;
    // The interface takes a non-const buffer it only reads.
    if (stream->write(const_cast<std::uint8_t*>(bytes.data()), asked, &moved) != kResultOk ||
        moved <= 0)
      return false;
    bytes = bytes.subspan(static_cast<std::size_t>(std::min(moved, asked)));
  }
  return true;
}

}  // namespace vst3
