// Whole states through a host's IBStream, which may move fewer bytes per
// call than asked and may hold other data before and after the state.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "vst3/vst3_stream.h"

namespace vst3 {

// Everything from the stream's position to its end, however few bytes each
// read moves. False, with nothing kept, when the stream holds more than
// `limit` bytes or gives none back when asked.
bool ReadToEnd(IBStream* stream, std::int64_t limit, std::vector<std::uint8_t>* bytes);

// Puts the stream's position back to `used` bytes after where ReadToEnd
// began, `read` bytes ago: the next reader finds what followed the state.
void UnreadAfter(IBStream* stream, std::int64_t used, std::int64_t read);

// All of `bytes`, however few bytes each write takes; false when the stream
// stops taking them.
bool WriteAll(IBStream* stream, std::span<const std::uint8_t> bytes);

}  // namespace vst3
