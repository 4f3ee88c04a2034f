// The VST3 binary interface: the component, the processing side of a
// plug-in as the host sees it: its buses, activation and processing state.
#pragma once

#include <cstddef>

#include "vst3/vst3_base.h"
#include "vst3/vst3_stream.h"

namespace vst3 {

enum MediaTypes : MediaType { kAudio = 0, kEvent = 1 };
enum BusDirections : BusDirection { kInput = 0, kOutput = 1 };
enum BusTypes : BusType { kMain = 0, kAux = 1 };
enum IoModes : IoMode { kSimple = 0, kAdvanced = 1, kOfflineProcessing = 2 };

struct BusInfo {
  enum BusFlags : uint32 {
    kDefaultActive = 1,  // please activate it by default
    kIsControlVoltage = 2,
  };
  MediaType mediaType;
  BusDirection direction;
  int32 channelCount;
  String128 name;
  BusType busType;  // main buses come before aux buses
  uint32 flags;
};
static_assert(sizeof(BusInfo) == 276 && alignof(BusInfo) == 4);
static_assert(offsetof(BusInfo, channelCount) == 8 && offsetof(BusInfo, name) == 12 &&
              offsetof(BusInfo, busType) == 268 && offsetof(BusInfo, flags) == 272);

struct RoutingInfo {
  MediaType mediaType;
  int32 busIndex;
  int32 channel;  // -1: all
};
static_assert(sizeof(RoutingInfo) == 12);

class IComponent : public IPluginBase {
 public:
  static constexpr Iid kIid = MakeIid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
  using Base = IPluginBase;

  // The separate controller's class; a combined object may say kResultFalse.
  virtual tresult getControllerClassId(char* classId /* 16 bytes */) = 0;  // host
  virtual tresult setIoMode(IoMode mode) = 0;                              // host
  virtual int32 getBusCount(MediaType type, BusDirection dir) = 0;         // host, audio
  virtual tresult getBusInfo(MediaType type, BusDirection dir, int32 index,
                             BusInfo* bus) = 0;                           // host, audio
  virtual tresult getRoutingInfo(RoutingInfo* in, RoutingInfo* out) = 0;  // host
  // Buses start inactive; the host activates those it uses.
  virtual tresult activateBus(MediaType type, BusDirection dir, int32 index,
                              TBool state) = 0;  // host, audio
  virtual tresult setActive(TBool state) = 0;    // host, audio
  // The whole processing state.
  virtual tresult setState(IBStream* state) = 0;  // host
  virtual tresult getState(IBStream* state) = 0;  // host

 protected:
  ~IComponent() = default;
};

}  // namespace vst3
