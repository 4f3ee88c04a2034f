// ModuleEntry and ModuleExit as hosts call them: possibly more than once, in
// pairs. The first entry sets the module up, the last exit tears it down;
// an exit without an entry changes nothing. Main thread, by the format's
// rules; guarded anyway.
#pragma once

#include <mutex>

class ModuleUsers {
 public:
  // `start(handle)` on the first entry; false refuses the load, and the
  // entry does not count.
  template <typename Start>
  bool Enter(void* handle, Start start) {
    std::lock_guard lock(mMutex);
    if (mUsers == 0 && !start(handle)) return false;
    ++mUsers;
    return true;
  }
  // `stop()` on the exit that pairs with the first entry.
  template <typename Stop>
  bool Exit(Stop stop) {
    std::lock_guard lock(mMutex);
    if (mUsers == 0) return false;
    if (--mUsers == 0) stop();
    return true;
  }
  int Users() const {
    std::lock_guard lock(mMutex);
    return mUsers;
  }

 private:
  mutable std::mutex mMutex;
  int mUsers = 0;
};
