// The inputs of the dispatcher fuzzer: scripts of what a host does to a
// plug-in. The fuzzer reads them; the seed writer writes the scripts of
// ordinary sessions, around real states, for the fuzzer to start from.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>
#include <vector>

#include "vst2/vst2_abi.h"

// The first byte of a script: who the host says it is and how it behaves.
// Any other value is an ordinary host.
enum HostProfile : std::uint8_t {
  kOrdinaryHost = 0,
  kStereoHost = 0x5A,   // a product name that makes the plug-in take two inputs
  kClosingHost = 0xA5,  // effClose from inside the callback effOpen makes
};

enum class HostAction : std::uint8_t {
  kDispatch,      // opcode u8, index i32, value i64, opt f32, flags u8, blob
  kSetParameter,  // index i32, value f32
  kGetParameter,  // index i32
  kProcess,       // kind u8, frames u16, flags u8, null channels u32, noise seed u8
  kCount
};

// Flags of a dispatch: which pointers the host leaves null, whether a chunk
// it hands over is a damaged copy of a real one, whether a block size is
// taken as it stands rather than as one a host would send.
enum DispatchFlags : std::uint8_t {
  kNullPtr = 1,
  kNullValuePtr = 2,
  kRealChunk = 4,
  kBankChunk = 8,
  kRawValue = 16,
};

enum class ProcessKind : std::uint8_t { kReplacing, kAccumulating, kDouble, kCount };

enum ProcessFlags : std::uint8_t {
  kInPlace = 1,
  kNullInputArray = 2,
  kNullOutputArray = 4,
  kNegativeFrames = 8,
};

class ScriptReader {
 public:
  explicit ScriptReader(std::span<const std::uint8_t> bytes) : mBytes(bytes) {}
  bool AtEnd() const { return mPosition >= mBytes.size(); }
  // Reads past the end give zero bytes.
  template <typename T>
  T Take() {
    static_assert(std::is_trivially_copyable_v<T>);
    T value{};
    const std::size_t n = std::min(sizeof(T), mBytes.size() - mPosition);
    if (n > 0) std::memcpy(&value, mBytes.data() + mPosition, n);
    mPosition += n;
    return value;
  }
  std::span<const std::uint8_t> TakeBlob() {
    const std::size_t n = std::min<std::size_t>(Take<std::uint16_t>(), mBytes.size() - mPosition);
    const auto blob = mBytes.subspan(mPosition, n);
    mPosition += n;
    return blob;
  }

 private:
  std::span<const std::uint8_t> mBytes;
  std::size_t mPosition = 0;
};

class ScriptWriter {
 public:
  template <typename T>
  ScriptWriter& Put(T value) {
    static_assert(std::is_trivially_copyable_v<T>);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
    mBytes.insert(mBytes.end(), bytes, bytes + sizeof(T));
    return *this;
  }
  ScriptWriter& PutBlob(std::span<const std::uint8_t> blob) {
    Put(static_cast<std::uint16_t>(std::min<std::size_t>(blob.size(), 0xFFFF)));
    mBytes.insert(mBytes.end(), blob.begin(),
                  blob.begin() + std::min<std::size_t>(blob.size(), 0xFFFF));
    return *this;
  }
  ScriptWriter& Dispatch(std::int32_t opcode, std::int32_t index = 0, std::int64_t value = 0,
                         float opt = 0.f, std::uint8_t flags = 0,
                         std::span<const std::uint8_t> blob = {}) {
    Put(HostAction::kDispatch).Put(static_cast<std::uint8_t>(opcode)).Put(index).Put(value);
    return Put(opt).Put(flags).PutBlob(blob);
  }
  ScriptWriter& SetParameter(std::int32_t index, float value) {
    return Put(HostAction::kSetParameter).Put(index).Put(value);
  }
  ScriptWriter& Process(ProcessKind kind, std::uint16_t frames, std::uint8_t flags = 0,
                        std::uint32_t nullChannels = 0) {
    Put(HostAction::kProcess).Put(kind).Put(frames).Put(flags).Put(nullChannels);
    return Put(std::uint8_t{7});
  }
  const std::vector<std::uint8_t>& Bytes() const { return mBytes; }

 private:
  std::vector<std::uint8_t> mBytes;
};
