// The threads a plug-in is called on, in one vocabulary for every layer:
//   audio   the host's processing callbacks, while one runs;
//   host    every other thread of the host: its main or user-interface
//           thread, and whatever thread it makes requests, saves or restores on;
//   editor  the editor's own thread, and wherever the editor is built or run
//           without one (the plug-in's constructor, a headless surface);
//   any     no restriction.
// Each hook's declaration is tagged with one of them. In checked builds the
// hooks say so at their entry with ExpectThread, which stops the process on
// the first call from a wrong role: that is a fault of the plug-in's tags or
// of its own calls, since the roles are those real hosts use.
#pragma once

#include <cstdio>
#include <cstdlib>

enum class ThreadRole { kAudio, kHost, kEditor, kAny };

#ifdef QUOR_THREAD_CHECKS
inline constexpr bool kThreadChecks = true;
#else
inline constexpr bool kThreadChecks = false;
#endif

namespace thread_role_detail {
// What the calling thread is doing now: host unless marked otherwise. In the
// static TLS block: a plug-in is dlopened and dlclosed, and a dynamic block
// of a closed library leaves a dangling entry that leak checkers trip over.
// Read and written by value, never bound to a reference: the undefined
// behaviour checker takes a reference to initial-exec storage in a dlopened
// library for a null one.
[[gnu::tls_model("initial-exec")]] inline thread_local ThreadRole tRole = ThreadRole::kHost;
// How many times the calling thread has locked a plug-in's mutex and not yet
// unlocked it (framework/plug_mutex.h).
[[gnu::tls_model("initial-exec")]] inline thread_local int tPlugLocksHeld = 0;

inline void SetRole(ThreadRole role) {
  tRole = role;
}
inline void CountPlugLock(int change) {
  tPlugLocksHeld += change;
}
}  // namespace thread_role_detail

inline ThreadRole CurrentThreadRole() {
  return thread_role_detail::tRole;
}

// Whether the calling thread holds a plug-in's mutex: a plug-in never calls
// its host while it does, so that a host waiting for the plug-in on another
// thread cannot deadlock with it. Test hosts that link the plug-in ask this
// in every call the plug-in makes into them.
inline int PlugMutexesHeldByThisThread() {
  return thread_role_detail::tPlugLocksHeld;
}

// Whether a thread in role `current` may call a hook tagged `tag`. Editor
// work also runs on host threads (building, headless drawing), never inside
// an audio callback.
constexpr bool RoleAllows(ThreadRole tag, ThreadRole current) {
  switch (tag) {
    case ThreadRole::kAny:
      return true;
    case ThreadRole::kAudio:
      return current == ThreadRole::kAudio;
    case ThreadRole::kHost:
      return current == ThreadRole::kHost;
    case ThreadRole::kEditor:
      return current != ThreadRole::kAudio;
  }
  return false;
}

// Marks the calling thread as `role` for the scope's life, then restores what
// it was: an adapter around each audio callback, the editor's thread for its
// whole run.
class ThreadRoleScope {
 public:
  explicit ThreadRoleScope(ThreadRole role) : mPrevious(CurrentThreadRole()) {
    thread_role_detail::SetRole(role);
  }
  ~ThreadRoleScope() { thread_role_detail::SetRole(mPrevious); }
  ThreadRoleScope(const ThreadRoleScope&) = delete;
  ThreadRoleScope& operator=(const ThreadRoleScope&) = delete;

 private:
  ThreadRole mPrevious;
};

inline const char* ThreadRoleName(ThreadRole role) {
  switch (role) {
    case ThreadRole::kAudio:
      return "audio";
    case ThreadRole::kHost:
      return "host";
    case ThreadRole::kEditor:
      return "editor";
    case ThreadRole::kAny:
      return "any";
  }
  return "?";
}

// The caller's place through the builtins rather than <source_location>,
// which the older clang of the fuzzing build lacks with this standard library.
inline void ExpectThread(ThreadRole tag, const char* file = __builtin_FILE(),
                         unsigned line = __builtin_LINE(),
                         const char* function = __builtin_FUNCTION()) {
  if constexpr (kThreadChecks) {
    const ThreadRole current = CurrentThreadRole();
    if (RoleAllows(tag, current)) return;
    std::fprintf(stderr, "%s:%u: %s: a %s hook called on the %s thread\n", file, line, function,
                 ThreadRoleName(tag), ThreadRoleName(current));
    std::abort();
  } else {
    (void)tag;
    (void)file;
    (void)line;
    (void)function;
  }
}

// Before a call into the host: in checked builds, stops the process when the
// caller holds a plug-in's mutex.
inline void ExpectUnlocked(const char* file = __builtin_FILE(), unsigned line = __builtin_LINE(),
                           const char* function = __builtin_FUNCTION()) {
  if constexpr (kThreadChecks) {
    if (PlugMutexesHeldByThisThread() == 0) return;
    std::fprintf(stderr, "%s:%u: %s: a call into the host with the plug-in's mutex held\n", file,
                 line, function);
    std::abort();
  } else {
    (void)file;
    (void)line;
    (void)function;
  }
}
