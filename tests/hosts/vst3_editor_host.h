// The editor's side of the VST3 test host: a run loop of its own (poll on the
// registered descriptors, plus timers) served on the host's UI thread, the
// frame a view is embedded in, and a session that opens a controller's view
// in an X11 window the test made, as Ardour does, and removes it.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "tests/hosts/vst3_host_checks.h"
#include "vst3/ref_counted.h"
#include "vst3/ref_ptr.h"
#include "vst3/vst3_abi.h"

namespace vst3_test {

// Ardour's rules: one handler per descriptor, no timers of 0 ms; a
// descriptor that fails or hangs up is dropped after its handler ran.
class RunLoop final : public vst3::RefCounted<vst3::IRunLoop> {
 public:
  explicit RunLoop(HostChecks* checks) : mChecks(checks) {}

  vst3::tresult registerEventHandler(vst3::IEventHandler* handler, int fd) override;
  vst3::tresult unregisterEventHandler(vst3::IEventHandler* handler) override;
  vst3::tresult registerTimer(vst3::ITimerHandler* handler, vst3::uint64 milliseconds) override;
  vst3::tresult unregisterTimer(vst3::ITimerHandler* handler) override;

  // Serves descriptors and timers on the calling thread for `duration`.
  void RunFor(std::chrono::milliseconds duration);
  // Until `done` is true or `limit` has passed; whether it became true.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
  int Handlers() const { return static_cast<int>(mHandlers.size()); }
  int Timers() const { return static_cast<int>(mTimers.size()); }
  int TimerCalls() const { return mTimerCalls; }

 private:
  using Clock = std::chrono::steady_clock;
  struct Watch {
    vst3::IEventHandler* mHandler;
    int mFd;
  };
  struct Timer {
    vst3::ITimerHandler* mHandler;
    Clock::duration mInterval;
    Clock::time_point mNext;
  };
  void ServeOnce(Clock::time_point until);

  HostChecks* mChecks;
  std::vector<Watch> mHandlers;
  std::vector<Timer> mTimers;
  int mTimerCalls = 0;
};

// The host's window around a view. A resize the view asks for is carried out
// at once and reported back through onSize inside the call, as Ardour does.
class PlugFrame final : public vst3::RefCounted<vst3::IPlugFrame> {
 public:
  PlugFrame(HostChecks* checks, RunLoop* loop) : mChecks(checks), mLoop(loop) {}

  vst3::tresult queryInterface(const char* iid, void** obj) override;
  vst3::tresult resizeView(vst3::IPlugView* view, vst3::ViewRect* newSize) override;

  // Called with the new size before the view hears of it (the test's window).
  std::function<void(int width, int height)> mResizeWindow;
  const std::vector<vst3::ViewRect>& Requests() const { return mRequests; }

 private:
  HostChecks* mChecks;
  RunLoop* mLoop;
  std::vector<vst3::ViewRect> mRequests;
};

// A controller's editor in a window of the test's, from createView to the
// view's last release.
class Vst3EditorSession {
 public:
  Vst3EditorSession(HostChecks& checks, vst3::IEditController* controller);
  // Removes the view if it is still attached.
  ~Vst3EditorSession();
  Vst3EditorSession(const Vst3EditorSession&) = delete;
  Vst3EditorSession& operator=(const Vst3EditorSession&) = delete;

  // createView("editor"), setFrame, the content scale when `scale` > 0,
  // getSize, attached(parent). The first result that failed.
  vst3::tresult Open(std::uintptr_t parent, float scale = 0.f);
  // removed(), setFrame(null), and the view's last release: true when the
  // host's reference was the last one.
  bool Close();

  vst3::IPlugView* View() const { return mView.Get(); }
  vst3::ViewRect Size() const;
  RunLoop& Loop() { return *mLoop; }
  PlugFrame& Frame() { return *mFrame; }

 private:
  HostChecks& mChecks;
  vst3::IEditController* mController;
  vst3::RefPtr<RunLoop> mLoop;
  vst3::RefPtr<PlugFrame> mFrame;
  vst3::RefPtr<vst3::IPlugView> mView;
  bool mAttached = false;
};

}  // namespace vst3_test
