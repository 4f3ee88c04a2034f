#include "tests/hosts/vst3_host_checks.h"

#include "framework/thread_role.h"

namespace vst3_test {

namespace {
thread_local bool insideProcess = false;
}

HostChecks::HostChecks() : mUiThread(std::this_thread::get_id()) {}

HostChecks::AudioScope::AudioScope() : mWasInside(insideProcess) {
  insideProcess = true;
}

HostChecks::AudioScope::~AudioScope() {
  insideProcess = mWasInside;
}

void HostChecks::Check(HostThread where, const char* call) {
  const ThreadRole role = CurrentThreadRole();
  if (where == HostThread::kUi) {
    if (!OnUiThread()) Report(std::string(call) + ": not on the host's UI thread");
    if (insideProcess) Report(std::string(call) + ": from inside process");
    if (role != ThreadRole::kHost)
      Report(std::string(call) + ": on a thread in the " + ThreadRoleName(role) + " role");
  } else {
    if (!insideProcess) Report(std::string(call) + ": outside process");
    if (role != ThreadRole::kAudio)
      Report(std::string(call) + ": on a thread in the " + ThreadRoleName(role) + " role");
  }
  if (PlugMutexesHeldByThisThread() != 0)
    Report(std::string(call) + ": with the plug-in's mutex held");
}

void HostChecks::Report(std::string text) {
  std::lock_guard lock(mMutex);
  mViolations.push_back(std::move(text));
}

std::vector<std::string> HostChecks::Violations() const {
  std::lock_guard lock(mMutex);
  return mViolations;
}

void HostChecks::Clear() {
  std::lock_guard lock(mMutex);
  mViolations.clear();
}

}  // namespace vst3_test
