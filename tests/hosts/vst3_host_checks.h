// What the VST3 test host asserts of every call a plug-in makes into it: the
// thread it comes from (the host's UI thread, or the thread inside the
// host's process call), the thread role that thread has, and that it holds
// none of the plug-in's mutexes (seen when the plug-in is linked into the
// test; a loaded module's count is its own). Broken rules are collected, not
// fatal, so that a test names them all.
#pragma once

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vst3_test {

enum class HostThread {
  kUi,     // the thread that made the host, where its run loop runs
  kAudio,  // inside the host's process call
};

class HostChecks {
 public:
  // The constructing thread is the host's UI thread.
  HostChecks();

  // A call of the plug-in's into the host, named `call`, which the format
  // allows on `where` only.
  void Check(HostThread where, const char* call);
  bool OnUiThread() const { return std::this_thread::get_id() == mUiThread; }

  // A broken rule the host found by other means.
  void Report(std::string text);
  std::vector<std::string> Violations() const;
  void Clear();

  // Marks the calling thread as inside the host's process call.
  class AudioScope {
   public:
    AudioScope();
    ~AudioScope();
    AudioScope(const AudioScope&) = delete;
    AudioScope& operator=(const AudioScope&) = delete;

   private:
    bool mWasInside;
  };

 private:
  const std::thread::id mUiThread;
  mutable std::mutex mMutex;
  std::vector<std::string> mViolations;
};

}  // namespace vst3_test
