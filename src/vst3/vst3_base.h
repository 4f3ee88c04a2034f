// The VST3 binary interface on x86-64 Linux: scalar types, result
// codes, interface identifiers and the root interface every object answers.
//
// Interfaces are classes of pure virtual methods only, in the vtable order
// hosts and plug-ins agree on, with no data and no virtual destructor (it
// would take vtable slots). Their destructors are protected: an object is
// destroyed by its own release, never through an interface pointer. Each
// interface names its identifier (kIid) and the one interface it extends
// (Base), so that queryInterface can be answered from the class alone.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

namespace vst3 {

using int8 = std::int8_t;
using uint8 = std::uint8_t;
using int16 = std::int16_t;
using uint16 = std::uint16_t;
using int32 = std::int32_t;
using uint32 = std::uint32_t;
using int64 = std::int64_t;
using uint64 = std::uint64_t;

using tresult = int32;
using TBool = uint8;            // 0 false, anything else true
using char16 = char16_t;        // UTF-16 code unit, host byte order
using String128 = char16[128];  // zero-terminated; decays to char16* as a parameter
using FIDString = const char*;  // zero-terminated ASCII identifier ("editor", ...)
using ParamID = uint32;         // 0 ... 0x7FFFFFFF
using ParamValue = double;      // normalised 0 ... 1
using SampleRate = double;
using TSamples = int64;
using TQuarterNotes = double;
using SpeakerArrangement = uint64;  // one bit per speaker
using MediaType = int32;
using BusDirection = int32;
using BusType = int32;
using IoMode = int32;
using UnitID = int32;
using ProgramListID = int32;
using CtrlNumber = int16;

constexpr ParamID kNoParamId = 0xFFFFFFFFu;

// Result codes: Linux is not COM-compatible, so these are small integers and
// "yes" (kResultTrue) is 0. Compare with the names, never test with `if (r)`.
enum : tresult {
  kNoInterface = -1,
  kResultOk = 0,
  kResultTrue = 0,
  kResultFalse = 1,
  kInvalidArgument = 2,
  kNotImplemented = 3,
  kInternalError = 4,
  kNotInitialized = 5,
  kOutOfMemory = 6,
};

// A class or interface identifier: 16 bytes, passed as a pointer to them.
// On Linux the bytes are the four 32-bit words of its written form, each
// most significant byte first. Compared on all 16 bytes.
struct Iid {
  std::array<char, 16> mBytes;

  const char* Data() const { return mBytes.data(); }
};

constexpr Iid MakeIid(uint32 w0, uint32 w1, uint32 w2, uint32 w3) {
  Iid id{};
  const uint32 words[4] = {w0, w1, w2, w3};
  for (int w = 0; w < 4; ++w)
    for (int b = 0; b < 4; ++b)
      id.mBytes[static_cast<std::size_t>(w * 4 + b)] =
          static_cast<char>((words[w] >> (24 - 8 * b)) & 0xFFu);
  return id;
}

// Whether 16 bytes at `bytes` (may be null) are the identifier `id`.
inline bool SameIid(const char* bytes, const Iid& id) {
  return bytes && std::memcmp(bytes, id.mBytes.data(), id.mBytes.size()) == 0;
}

// The root of every interface.
class FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);

  // On success `*obj` holds the interface, with a reference the caller owns:
  // kResultOk. Otherwise null and kNoInterface.
  virtual tresult queryInterface(const char* iid, void** obj) = 0;  // any
  // Both return the new count; release destroys the object at 0.
  virtual uint32 addRef() = 0;   // any
  virtual uint32 release() = 0;  // any

 protected:
  ~FUnknown() = default;
};

// The base of the component and the controller.
class IPluginBase : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
  using Base = FUnknown;

  // `context` is the host's object (IHostApplication), borrowed. On failure
  // the host releases the object without terminate.
  virtual tresult initialize(FUnknown* context) = 0;  // host
  // Drops every host reference; undoes initialize.
  virtual tresult terminate() = 0;  // host

 protected:
  ~IPluginBase() = default;
};

}  // namespace vst3
