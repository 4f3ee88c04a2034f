// The mutex each plug-in serialises its entry points with: recursive, since
// the plug-in's hooks lock it again, and counted per thread, so that the
// plug-in (in checked builds) and the test hosts can tell that no call into
// a host is made while it is held.
#pragma once

#include <mutex>

#include "framework/thread_role.h"

class PlugMutex {
 public:
  void lock() {
    mMutex.lock();
    thread_role_detail::CountPlugLock(+1);
  }
  bool try_lock() {
    if (!mMutex.try_lock()) return false;
    thread_role_detail::CountPlugLock(+1);
    return true;
  }
  void unlock() {
    thread_role_detail::CountPlugLock(-1);
    mMutex.unlock();
  }

 private:
  std::recursive_mutex mMutex;
};
