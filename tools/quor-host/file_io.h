// File descriptors where libsndfile is not involved: their ownership,
// temporary files without a name, whose data is gone when the program ends
// however it ends, and whole writes and copies.
#pragma once

#include <string>
#include <utility>

// A file descriptor closed with its owner.
class Descriptor {
 public:
  explicit Descriptor(int descriptor = -1) : mDescriptor(descriptor) {}
  ~Descriptor();
  Descriptor(Descriptor&& other) noexcept : mDescriptor(other.Release()) {}
  Descriptor& operator=(Descriptor&& other) noexcept;
  int Get() const { return mDescriptor; }
  int Release() { return std::exchange(mDescriptor, -1); }

 private:
  int mDescriptor;
};

// An unnamed file open for reading and writing in `folder`; throws HostError.
int CreateUnnamedFile(const std::string& folder);
// $TMPDIR, else /tmp.
std::string TemporaryFolder();

// Writes all the bytes, through interruptions of the call; false on failure.
bool WriteAll(int descriptor, const void* bytes, std::size_t size);
// Reads until `size` bytes or the end, through interruptions of the call;
// returns the bytes read, or -1 on failure.
long ReadUpTo(int descriptor, void* bytes, std::size_t size);
// Copies what `from` holds from its offset on to `to`; false on failure.
bool CopyAll(int from, int to);
