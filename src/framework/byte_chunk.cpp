#include "framework/byte_chunk.h"

#include <algorithm>
#include <cstdint>
#include <limits>

int ByteChunk::PutBytes(const void* data, std::size_t size) {
  // Sizes are reported as int: refuse growth past that range rather than wrap.
  if (size > static_cast<std::size_t>(std::numeric_limits<int>::max()) - mBytes.size())
    return Size();
  if (size > 0) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    mBytes.insert(mBytes.end(), bytes, bytes + size);
  }
  return Size();
}

int ByteChunk::PutStr(const char* text) {
  const std::size_t length = text ? std::strlen(text) : 0;
  const auto length32 = static_cast<std::int32_t>(
      std::min<std::size_t>(length, static_cast<std::size_t>(std::numeric_limits<int>::max())));
  Put(length32);
  return PutBytes(text, static_cast<std::size_t>(length32));
}

int ByteChunk::GetStr(std::string* text, int position) const {
  std::int32_t length = 0;
  const int start = Get(&length, position);
  if (start < 0) return -1;
  // Computed in 64 bits: a length past the end must not wrap to a valid position.
  const std::int64_t end = static_cast<std::int64_t>(start) + length;
  if (end > static_cast<std::int64_t>(mBytes.size())) {
    return end > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                 : static_cast<int>(end);
  }
  if (length <= 0) {
    text->clear();
  } else {
    const char* first = reinterpret_cast<const char*>(mBytes.data()) + start;
    text->assign(first, strnlen(first, static_cast<std::size_t>(length)));
  }
  return static_cast<int>(end);
}

int ByteChunk::PutBool(bool flag) {
  const std::uint8_t byte = flag ? 1 : 0;
  return PutBytes(&byte, 1);
}

int ByteChunk::GetBool(bool* flag, int position) const {
  if (position < 0 || static_cast<std::size_t>(position) >= mBytes.size()) return -1;
  *flag = mBytes[static_cast<std::size_t>(position)] != 0;
  return position + 1;
}

int ByteChunk::Resize(int size) {
  mBytes.resize(static_cast<std::size_t>(std::max(size, 0)), 0);
  return Size();
}
