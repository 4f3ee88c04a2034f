// The project's own headless CLAP host: it loads a plug-in through its
// entry, plays the host's main thread (the caller's) and its audio thread (a
// thread of its own), offers the host extensions QUOR uses (or none, as a
// scanner does), and judges every call the plug-in makes into it: the thread
// it came on, the plug-in's locks held meanwhile, and the instance's state.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "clap/clap_abi.h"
#include "tests/hosts/clap_test_io.h"

// A plug-in library, initialised: a .clap file opened as hosts do, or an
// entry linked into the test.
class ClapLibrary {
 public:
  // Null, with the reason in `error`, when the file or its entry is unusable.
  static std::unique_ptr<ClapLibrary> Open(const std::string& path, std::string* error);
  ClapLibrary(const clap_plugin_entry_t* entry, const std::string& path);
  ~ClapLibrary();
  ClapLibrary(const ClapLibrary&) = delete;
  ClapLibrary& operator=(const ClapLibrary&) = delete;

  const clap_plugin_entry_t& Entry() const { return *mEntry; }
  bool Initialised() const { return mInitialised; }
  const clap_plugin_factory_t* Factory() const;

 private:
  void* mHandle = nullptr;
  const clap_plugin_entry_t* mEntry;
  bool mInitialised = false;
};

// One thread that runs the jobs handed to it, one at a time, marked as the
// audio thread for its whole life.
class ClapAudioThread {
 public:
  ClapAudioThread();
  ~ClapAudioThread();
  ClapAudioThread(const ClapAudioThread&) = delete;
  ClapAudioThread& operator=(const ClapAudioThread&) = delete;

  std::future<void> Post(std::function<void()> job);
  template <typename Job>
  auto Run(Job&& job) -> decltype(job()) {
    using Result = decltype(job());
    if constexpr (std::is_void_v<Result>) {
      Post(std::forward<Job>(job)).get();
    } else {
      std::optional<Result> result;
      Post([&] { result.emplace(job()); }).get();
      return std::move(*result);
    }
  }
  std::thread::id Id() const { return mThread.get_id(); }

 private:
  void Loop();

  std::mutex mMutex;
  std::condition_variable mWake;
  std::deque<std::packaged_task<void()>> mJobs;
  bool mStop = false;
  std::thread mThread;
};

// Which of the host's threads a call came on.
enum class ClapThread { kMain, kAudio, kOther };

struct ClapHostCall {
  std::string mName;  // e.g. "params.request_flush"
  ClapThread mThread;
};

class ClapTestHost {
 public:
  struct Options {
    // False: the plug-in gets no host extension at all, as from a scanner.
    bool mExtensions = true;
    // How many of the plug-in's own mutexes the calling thread holds: only a
    // test that links the plug-in in can know (null: not checked).
    int (*mPlugMutexesHeld)() = nullptr;
    // Answer the thread check as a host that reports whether it is
    // processing, not which thread asks.
    bool mThreadCheckByProcessing = false;
    // Calls the plug-in's gui adjust_size and set_size back from inside its
    // request_resize, as some hosts do.
    bool mResizeCallsBack = false;
    const char* mName = "quor-clap-test-host";
  };

  // The library must outlive the host.
  explicit ClapTestHost(const ClapLibrary& library, Options options);
  explicit ClapTestHost(const ClapLibrary& library) : ClapTestHost(library, Options{}) {}
  ~ClapTestHost();  // deactivates and destroys an instance left over
  ClapTestHost(const ClapTestHost&) = delete;
  ClapTestHost& operator=(const ClapTestHost&) = delete;

  const clap_host_t* Host() const { return &mHost; }
  ClapAudioThread& Audio() { return mAudio; }

  // The life cycle, each call on the thread CLAP names for it. Null id: the
  // factory's first plug-in.
  bool Create(const char* pluginId = nullptr);
  bool Init();
  bool Activate(double sampleRate, std::uint32_t minFrames, std::uint32_t maxFrames);
  void Deactivate();
  bool StartProcessing();
  void StopProcessing();
  void Reset();
  void Destroy();
  const clap_plugin_t* Plugin() const { return mPlugin; }
  bool Active() const { return mActive; }
  bool Processing() const { return mProcessing; }

  template <typename Table>
  const Table* Extension(const char* id) const {
    return mPlugin && mPlugin->get_extension
               ? static_cast<const Table*>(mPlugin->get_extension(mPlugin, id))
               : nullptr;
  }

  // One process call on the audio thread; steady time counts from the
  // activation. Events pushed out land in `out`, or in Pushed().
  template <typename Sample>
  std::int32_t Process(ClapAudioBuffers<Sample>& audio, const ClapInputEvents* in = nullptr,
                       ClapOutputEvents* out = nullptr,
                       const clap_event_transport_t* transport = nullptr, std::uint32_t frames = 0);
  // One process call as given, its steady time the host's.
  std::int32_t Process(clap_process_t process);
  // The parameter flush, on the audio thread while active, else on the main
  // thread; events out land in Pushed().
  void Flush(const ClapInputEvents* in = nullptr);
  // One round of the main loop: the callback asked for, every timer, and a
  // flush when one was requested and no process call will come.
  void Idle();

  // The state through streams of at most `maxPerCall` bytes a call.
  std::optional<std::vector<std::uint8_t>> SaveState(std::uint64_t maxPerCall);
  bool LoadState(const std::vector<std::uint8_t>& bytes, std::uint64_t maxPerCall);

  // Parameters, through the plug-in's table (main thread).
  std::vector<clap_param_info_t> ParamInfos();
  std::optional<double> Value(clap_id id);
  std::optional<std::string> Text(clap_id id, double value);
  std::optional<double> ValueOfText(clap_id id, const std::string& text);

  // What the plug-in did to the host.
  std::vector<ClapHostCall> Calls() const;
  int CallCount(std::string_view name) const;
  // Calls on a wrong thread, with the plug-in's mutex held, or out of turn.
  std::vector<std::string> Violations() const;
  std::vector<std::string> LogMessages() const;
  // Events the plug-in pushed in flushes and in process calls without a list of their own.
  ClapOutputEvents& Pushed() { return mPushed; }
  bool FlushRequested() const;
  std::vector<std::pair<clap_id, std::uint32_t>> Timers() const;  // id, period in ms
  std::vector<std::pair<int, std::uint32_t>> Fds() const;         // fd, flags
  std::optional<std::pair<std::uint32_t, std::uint32_t>> LastResizeRequest() const;
  void ClearRecords();

 private:
  // Records a call and judges it; `allowed` names the threads it may come on.
  void Record(const char* name, std::initializer_list<ClapThread> allowed);
  void Violation(std::string what);
  ClapThread CurrentThread() const;
  static ClapTestHost& Of(const clap_host_t* host);
  const void* HostExtension(const char* extensionId);

  const ClapLibrary& mLibrary;
  Options mOptions;
  clap_host_t mHost;
  std::thread::id mMainThread;
  ClapAudioThread mAudio;
  const clap_plugin_t* mPlugin = nullptr;

  // The instance's state as the host drove it; the plug-in's calls are
  // judged against it from any thread.
  std::atomic<bool> mInitStarted{false};
  std::atomic<bool> mActivating{false};
  std::atomic<bool> mActive{false};
  std::atomic<bool> mProcessing{false};
  std::int64_t mSteadyTime = 0;

  mutable std::mutex mRecordMutex;
  std::vector<ClapHostCall> mCalls;
  std::vector<std::string> mViolations;
  std::vector<std::string> mLog;
  bool mFlushRequested = false;
  bool mCallbackRequested = false;
  std::vector<std::pair<clap_id, std::uint32_t>> mTimers;
  clap_id mNextTimer = 0;
  std::vector<std::pair<int, std::uint32_t>> mFds;
  std::optional<std::pair<std::uint32_t, std::uint32_t>> mResizeRequest;
  ClapOutputEvents mPushed;
};
