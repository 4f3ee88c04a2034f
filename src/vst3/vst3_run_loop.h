// The VST3 binary interface: the host's run loop on Linux, lent to
// the plug-in so that its descriptors and timers are served on the host's
// UI thread. Queried from the view's IPlugFrame (or the factory's context).
#pragma once

#include "vst3/vst3_base.h"

namespace vst3 {

// The plug-in's: a registered descriptor became readable (or failed).
class IEventHandler : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
  using Base = FUnknown;

  virtual void onFDIsSet(int fd) = 0;  // host UI

 protected:
  ~IEventHandler() = default;
};

// The plug-in's: called every interval until unregistered.
class ITimerHandler : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);
  using Base = FUnknown;

  virtual void onTimer() = 0;  // host UI

 protected:
  ~ITimerHandler() = default;
};

class IRunLoop : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
  using Base = FUnknown;

  virtual tresult registerEventHandler(IEventHandler* handler, int fd) = 0;        // host UI
  virtual tresult unregisterEventHandler(IEventHandler* handler) = 0;              // host UI
  virtual tresult registerTimer(ITimerHandler* handler, uint64 milliseconds) = 0;  // host UI
  virtual tresult unregisterTimer(ITimerHandler* handler) = 0;                     // host UI

 protected:
  ~IRunLoop() = default;
};

}  // namespace vst3
