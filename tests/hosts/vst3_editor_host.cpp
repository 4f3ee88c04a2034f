#include "tests/hosts/vst3_editor_host.h"

#include <poll.h>

#include <algorithm>

namespace vst3_test {

using namespace vst3;

tresult RunLoop::registerEventHandler(IEventHandler* handler, int fd) {
  mChecks->Check(HostThread::kUi, "IRunLoop::registerEventHandler");
  if (!handler || fd < 0) return kInvalidArgument;
  for (const Watch& watch : mHandlers)
    if (watch.mFd == fd) return kResultFalse;
  mHandlers.push_back({handler, fd});
  return kResultOk;
}

tresult RunLoop::unregisterEventHandler(IEventHandler* handler) {
  mChecks->Check(HostThread::kUi, "IRunLoop::unregisterEventHandler");
  const auto gone = std::erase_if(mHandlers, [&](const Watch& w) { return w.mHandler == handler; });
  return gone > 0 ? kResultOk : kResultFalse;
}

tresult RunLoop::registerTimer(ITimerHandler* handler, uint64 milliseconds) {
  mChecks->Check(HostThread::kUi, "IRunLoop::registerTimer");
  if (!handler || milliseconds == 0) return kInvalidArgument;
  const auto interval = std::chrono::milliseconds(milliseconds);
  mTimers.push_back({handler, interval, Clock::now() + interval});
  return kResultOk;
}

tresult RunLoop::unregisterTimer(ITimerHandler* handler) {
  mChecks->Check(HostThread::kUi, "IRunLoop::unregisterTimer");
  const auto gone = std::erase_if(mTimers, [&](const Timer& t) { return t.mHandler == handler; });
  return gone > 0 ? kResultOk : kResultFalse;
}

void RunLoop::ServeOnce(Clock::time_point until) {
  Clock::time_point wake = until;
  for (const Timer& timer : mTimers)
    wake = std::min(wake, timer.mNext);
  std::vector<pollfd> fds;
  for (const Watch& watch : mHandlers)
    fds.push_back({watch.mFd, POLLIN, 0});
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(wake - Clock::now());
  poll(fds.data(), fds.size(), static_cast<int>(std::max<std::int64_t>(wait.count(), 0)));

  // A handler may unregister itself or others: look each one up again.
  for (const pollfd& ready : fds) {
    if (ready.revents == 0) continue;
    const auto watch = std::find_if(mHandlers.begin(), mHandlers.end(),
                                    [&](const Watch& w) { return w.mFd == ready.fd; });
    if (watch == mHandlers.end()) continue;
    IEventHandler* handler = watch->mHandler;
    handler->onFDIsSet(ready.fd);
    if (ready.revents & (POLLERR | POLLHUP | POLLNVAL))
      std::erase_if(mHandlers, [&](const Watch& w) { return w.mFd == ready.fd; });
  }
  const auto now = Clock::now();
  std::vector<ITimerHandler*> due;
  for (Timer& timer : mTimers) {
    if (timer.mNext > now) continue;
    due.push_back(timer.mHandler);
    timer.mNext = now + timer.mInterval;
  }
  for (ITimerHandler* handler : due) {
    if (std::none_of(mTimers.begin(), mTimers.end(),
                     [&](const Timer& t) { return t.mHandler == handler; }))
      continue;
    ++mTimerCalls;
    handler->onTimer();
  }
}

void RunLoop::RunFor(std::chrono::milliseconds duration) {
  RunUntil([] { return false; }, duration);
}

bool RunLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() >= end) return false;
    ServeOnce(std::min(end, Clock::now() + std::chrono::milliseconds(10)));
  }
  return true;
}

tresult PlugFrame::queryInterface(const char* iid, void** obj) {
  if (obj && SameIid(iid, IRunLoop::kIid)) {
    mLoop->addRef();
    *obj = static_cast<IRunLoop*>(mLoop);
    return kResultOk;
  }
  return RefCounted::queryInterface(iid, obj);
}

tresult PlugFrame::resizeView(IPlugView* view, ViewRect* newSize) {
  mChecks->Check(HostThread::kUi, "IPlugFrame::resizeView");
  if (!view || !newSize) return kInvalidArgument;
  const ViewRect size = *newSize;
  mRequests.push_back(size);
  if (mResizeWindow) mResizeWindow(size.Width(), size.Height());
  ViewRect told = size;
  return view->onSize(&told);
}

Vst3EditorSession::Vst3EditorSession(HostChecks& checks, IEditController* controller)
    : mChecks(checks),
      mController(controller),
      mLoop(RefPtr<RunLoop>::Adopt(new RunLoop(&checks))),
      mFrame(RefPtr<PlugFrame>::Adopt(new PlugFrame(&checks, mLoop.Get()))) {}

Vst3EditorSession::~Vst3EditorSession() {
  Close();
}

tresult Vst3EditorSession::Open(std::uintptr_t parent, float scale) {
  mView = RefPtr<IPlugView>::Adopt(mController->createView(kEditorViewType));
  if (!mView) return kResultFalse;
  if (mView->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID) != kResultTrue)
    return kResultFalse;
  if (const tresult r = mView->setFrame(mFrame.Get()); r != kResultOk) return r;
  if (scale > 0.f) {
    if (auto scaling = RefPtr<IPlugViewContentScaleSupport>::Query(mView.Get()))
      scaling->setContentScaleFactor(scale);
  }
  ViewRect size{};
  if (const tresult r = mView->getSize(&size); r != kResultOk) return r;
  if (mFrame->mResizeWindow) mFrame->mResizeWindow(size.Width(), size.Height());
  const tresult attached =
      mView->attached(reinterpret_cast<void*>(parent), kPlatformTypeX11EmbedWindowID);
  mAttached = attached == kResultOk;
  return attached;
}

bool Vst3EditorSession::Close() {
  if (!mView) return true;
  if (mAttached) mView->removed();
  mAttached = false;
  mView->setFrame(nullptr);
  const uint32 left = mView.Detach()->release();
  if (mLoop->Handlers() > 0 || mLoop->Timers() > 0)
    mChecks.Report("the removed view left handlers or timers in the run loop");
  for (FUnknown* lent :
       {static_cast<FUnknown*>(mLoop.Get()), static_cast<FUnknown*>(mFrame.Get())}) {
    lent->addRef();
    if (lent->release() != 1) mChecks.Report("the removed view kept the frame or the run loop");
  }
  return left == 0;
}

ViewRect Vst3EditorSession::Size() const {
  ViewRect size{};
  if (mView) mView->getSize(&size);
  return size;
}

}  // namespace vst3_test
