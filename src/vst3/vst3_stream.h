// The VST3 binary interface: the host's byte stream that states are
// read from and written to. A stream may already hold other data: start at
// its current position; a read or write may move fewer bytes than asked.
#pragma once

#include "vst3/vst3_base.h"

namespace vst3 {

class IBStream : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
  using Base = FUnknown;

  enum SeekMode : int32 { kSeekSet = 0, kSeekCur = 1, kSeekEnd = 2 };

  // The counts' pointers may be null.
  virtual tresult read(void* buffer, int32 numBytes, int32* numBytesRead) = 0;      // host
  virtual tresult write(void* buffer, int32 numBytes, int32* numBytesWritten) = 0;  // host
  virtual tresult seek(int64 pos, int32 mode, int64* result) = 0;                   // host
  virtual tresult tell(int64* pos) = 0;                                             // host

 protected:
  ~IBStream() = default;
};

// Optional, queried from a stream.
class ISizeableStream : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x04F9549E, 0xE02F4E6E, 0x87E86A87, 0x47F4E17F);
  using Base = FUnknown;

  virtual tresult getStreamSize(int64* size) = 0;  // host
  virtual tresult setStreamSize(int64 size) = 0;   // host

 protected:
  ~ISizeableStream() = default;
};

}  // namespace vst3
