// A growable byte buffer with appending writes and bounds-checked positional
// reads. Values travel in the machine's own byte order, without alignment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

class ByteChunk {
 public:
  // Appends the value's bytes; returns the new size.
  template <typename T>
  int Put(const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    return PutBytes(&value, sizeof(T));
  }

  // Copies sizeof(T) bytes at `position` into `value`; returns the position
  // after them, or -1 (value untouched) when they are not all inside.
  template <typename T>
  int Get(T* value, int position) const {
    static_assert(std::is_trivially_copyable_v<T>);
    if (position < 0 || static_cast<std::size_t>(position) + sizeof(T) > mBytes.size()) return -1;
    std::memcpy(value, mBytes.data() + position, sizeof(T));
    return position + static_cast<int>(sizeof(T));
  }

  int PutBytes(const void* data, std::size_t size);
  int PutStr(const char* text);
  int PutStr(const std::string& text) { return PutStr(text.c_str()); }
  int GetStr(std::string* text, int position) const;
  int PutBool(bool flag);
  int GetBool(bool* flag, int position) const;
  int PutChunk(const ByteChunk& other) { return PutBytes(other.GetBytes(), other.mBytes.size()); }

  void Clear() { mBytes.clear(); }
  int Size() const { return static_cast<int>(mBytes.size()); }
  // Sets the size, filling growth with zeros; returns the new size.
  int Resize(int size);
  const std::uint8_t* GetBytes() const { return mBytes.empty() ? nullptr : mBytes.data(); }
  std::uint8_t* GetBytes() { return mBytes.empty() ? nullptr : mBytes.data(); }

  bool operator==(const ByteChunk& other) const { return mBytes == other.mBytes; }

 private:
  std::vector<std::uint8_t> mBytes;
};
