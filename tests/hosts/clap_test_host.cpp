#include "tests/hosts/clap_test_host.h"

#include <dlfcn.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "framework/thread_role.h"

// ---------------------------------------------------------------------------
// The library.

std::unique_ptr<ClapLibrary> ClapLibrary::Open(const std::string& path, std::string* error) {
  // Hosts hand init the absolute path; dlopen needs one too, or it searches.
  char* resolved = realpath(path.c_str(), nullptr);
  if (!resolved) {
    *error = path + ": no such file";
    return nullptr;
  }
  const std::string absolute = resolved;
  std::free(resolved);
  void* handle = dlopen(absolute.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    *error = dlerror();
    return nullptr;
  }
  const auto* entry = static_cast<const clap_plugin_entry_t*>(dlsym(handle, "clap_entry"));
  if (!entry || !ClapVersionIsCompatible(entry->clap_version) || !entry->init || !entry->deinit ||
      !entry->get_factory) {
    *error = absolute + ": no usable clap_entry";
    dlclose(handle);
    return nullptr;
  }
  auto library = std::make_unique<ClapLibrary>(entry, absolute);
  library->mHandle = handle;
  return library;
}

ClapLibrary::ClapLibrary(const clap_plugin_entry_t* entry, const std::string& path)
    : mEntry(entry) {
  mInitialised = mEntry->init(path.c_str());
}

ClapLibrary::~ClapLibrary() {
  if (mInitialised) mEntry->deinit();
  if (mHandle) dlclose(mHandle);
}

const clap_plugin_factory_t* ClapLibrary::Factory() const {
  if (!mInitialised) return nullptr;
  return static_cast<const clap_plugin_factory_t*>(mEntry->get_factory(kClapPluginFactoryId));
}

// ---------------------------------------------------------------------------
// The audio thread.

ClapAudioThread::ClapAudioThread() : mThread([this] { Loop(); }) {}

ClapAudioThread::~ClapAudioThread() {
  {
    std::lock_guard lock(mMutex);
    mStop = true;
  }
  mWake.notify_one();
  mThread.join();
}

std::future<void> ClapAudioThread::Post(std::function<void()> job) {
  std::packaged_task<void()> task(std::move(job));
  std::future<void> done = task.get_future();
  {
    std::lock_guard lock(mMutex);
    mJobs.push_back(std::move(task));
  }
  mWake.notify_one();
  return done;
}

void ClapAudioThread::Loop() {
  const ThreadRoleScope audio(ThreadRole::kAudio);
  for (;;) {
    std::packaged_task<void()> job;
    {
      std::unique_lock lock(mMutex);
      mWake.wait(lock, [this] { return mStop || !mJobs.empty(); });
      if (mJobs.empty()) return;
      job = std::move(mJobs.front());
      mJobs.pop_front();
    }
    job();
  }
}

// ---------------------------------------------------------------------------
// The host's extensions: each records its call and the threads it may come on.

namespace {

constexpr std::initializer_list<ClapThread> kMainOnly = {ClapThread::kMain};
constexpr std::initializer_list<ClapThread> kHostThreads = {ClapThread::kMain, ClapThread::kAudio};

}  // namespace

ClapTestHost& ClapTestHost::Of(const clap_host_t* host) {
  return *static_cast<ClapTestHost*>(host->host_data);
}

const void* ClapTestHost::HostExtension(const char* extensionId) {
  static const clap_host_log_t log{[](const clap_host_t* h, std::int32_t severity, const char* m) {
    ClapTestHost& self = Of(h);
    self.Record("log.log", kHostThreads);
    std::lock_guard lock(self.mRecordMutex);
    self.mLog.push_back(std::to_string(severity) + ": " + (m ? m : "(null)"));
  }};
  static const clap_host_thread_check_t threadCheck{
      [](const clap_host_t* h) {
        ClapTestHost& self = Of(h);
        self.Record("thread_check.is_main_thread", kHostThreads);
        return self.mOptions.mThreadCheckByProcessing ? !self.mProcessing.load()
                                                      : self.CurrentThread() == ClapThread::kMain;
      },
      [](const clap_host_t* h) {
        ClapTestHost& self = Of(h);
        self.Record("thread_check.is_audio_thread", kHostThreads);
        return self.mOptions.mThreadCheckByProcessing ? self.mProcessing.load()
                                                      : self.CurrentThread() == ClapThread::kAudio;
      }};
  static const clap_host_params_t params{
      [](const clap_host_t* h, std::uint32_t flags) {
        ClapTestHost& self = Of(h);
        self.Record("params.rescan", kMainOnly);
        if ((flags & kClapParamRescanAll) && self.mActive)
          self.Violation("params.rescan(all) while active");
      },
      [](const clap_host_t* h, clap_id, std::uint32_t) { Of(h).Record("params.clear", kMainOnly); },
      [](const clap_host_t* h) {
        ClapTestHost& self = Of(h);
        self.Record("params.request_flush", kMainOnly);
        std::lock_guard lock(self.mRecordMutex);
        self.mFlushRequested = true;
      }};
  static const clap_host_state_t state{
      [](const clap_host_t* h) { Of(h).Record("state.mark_dirty", kMainOnly); }};
  static const clap_host_latency_t latency{[](const clap_host_t* h) {
    ClapTestHost& self = Of(h);
    self.Record("latency.changed", kMainOnly);
    if (!self.mActivating) self.Violation("latency.changed outside activate");
  }};
  static const clap_host_gui_t gui{
      [](const clap_host_t* h) { Of(h).Record("gui.resize_hints_changed", kHostThreads); },
      [](const clap_host_t* h, std::uint32_t width, std::uint32_t height) {
        ClapTestHost& self = Of(h);
        self.Record("gui.request_resize", kHostThreads);
        {
          std::lock_guard lock(self.mRecordMutex);
          self.mResizeRequest = std::make_pair(width, height);
        }
        if (self.mOptions.mResizeCallsBack) {
          // Back into the editor before answering: a plug-in holding a lock
          // across this call deadlocks here.
          if (const auto* g = self.Extension<clap_plugin_gui_t>(kClapExtGui)) {
            g->adjust_size(self.mPlugin, &width, &height);
            g->set_size(self.mPlugin, width, height);
          }
        }
        return true;
      },
      [](const clap_host_t* h) {
        Of(h).Record("gui.request_show", kHostThreads);
        return true;
      },
      [](const clap_host_t* h) {
        Of(h).Record("gui.request_hide", kHostThreads);
        return true;
      },
      [](const clap_host_t* h, bool) { Of(h).Record("gui.closed", kHostThreads); }};
  static const clap_host_timer_support_t timers{
      [](const clap_host_t* h, std::uint32_t period, clap_id* id) {
        ClapTestHost& self = Of(h);
        self.Record("timer_support.register_timer", kMainOnly);
        if (!id) return false;
        std::lock_guard lock(self.mRecordMutex);
        // Ids from 0, periods of at least one 30 ms tick, as the host
        // Linux users have does it.
        *id = self.mNextTimer++;
        self.mTimers.emplace_back(*id, std::max<std::uint32_t>(period, 30));
        return true;
      },
      [](const clap_host_t* h, clap_id id) {
        ClapTestHost& self = Of(h);
        self.Record("timer_support.unregister_timer", kMainOnly);
        std::lock_guard lock(self.mRecordMutex);
        const auto it = std::find_if(self.mTimers.begin(), self.mTimers.end(),
                                     [id](const auto& timer) { return timer.first == id; });
        if (it == self.mTimers.end()) return false;
        self.mTimers.erase(it);
        return true;
      }};
  static const clap_host_posix_fd_support_t fds{
      [](const clap_host_t* h, int fd, std::uint32_t flags) {
        ClapTestHost& self = Of(h);
        self.Record("posix_fd_support.register_fd", kMainOnly);
        std::lock_guard lock(self.mRecordMutex);
        self.mFds.emplace_back(fd, flags);
        return true;
      },
      [](const clap_host_t* h, int fd, std::uint32_t flags) {
        ClapTestHost& self = Of(h);
        self.Record("posix_fd_support.modify_fd", kMainOnly);
        std::lock_guard lock(self.mRecordMutex);
        for (auto& entry : self.mFds)
          if (entry.first == fd) {
            entry.second = flags;
            return true;
          }
        return false;
      },
      [](const clap_host_t* h, int fd) {
        ClapTestHost& self = Of(h);
        self.Record("posix_fd_support.unregister_fd", kMainOnly);
        std::lock_guard lock(self.mRecordMutex);
        return std::erase_if(self.mFds, [fd](const auto& entry) { return entry.first == fd; }) > 0;
      }};
  static const clap_host_audio_ports_t audioPorts{
      [](const clap_host_t* h, std::uint32_t) {
        Of(h).Record("audio_ports.is_rescan_flag_supported", kMainOnly);
        return true;
      },
      [](const clap_host_t* h, std::uint32_t flags) {
        ClapTestHost& self = Of(h);
        self.Record("audio_ports.rescan", kMainOnly);
        if ((flags & ~std::uint32_t{kClapAudioPortsRescanNames}) && self.mActive)
          self.Violation("audio_ports.rescan of more than names while active");
      }};
  static const clap_host_note_ports_t notePorts{
      [](const clap_host_t* h) {
        Of(h).Record("note_ports.supported_dialects", kMainOnly);
        return std::uint32_t{kClapNoteDialectClap | kClapNoteDialectMidi};
      },
      [](const clap_host_t* h, std::uint32_t flags) {
        ClapTestHost& self = Of(h);
        self.Record("note_ports.rescan", kMainOnly);
        if ((flags & kClapNotePortsRescanAll) && self.mActive)
          self.Violation("note_ports.rescan(all) while active");
      }};

  if (!mOptions.mExtensions || !extensionId) return nullptr;
  const std::string_view name = extensionId;
  if (name == kClapExtLog) return &log;
  if (name == kClapExtThreadCheck) return &threadCheck;
  if (name == kClapExtParams) return &params;
  if (name == kClapExtState) return &state;
  if (name == kClapExtLatency) return &latency;
  if (name == kClapExtGui) return &gui;
  if (name == kClapExtTimerSupport) return &timers;
  if (name == kClapExtPosixFdSupport) return &fds;
  if (name == kClapExtAudioPorts) return &audioPorts;
  if (name == kClapExtNotePorts) return &notePorts;
  return nullptr;
}

ClapTestHost::ClapTestHost(const ClapLibrary& library, Options options)
    : mLibrary(library), mOptions(options), mMainThread(std::this_thread::get_id()) {
  mHost = {};
  mHost.clap_version = kClapVersion;
  mHost.host_data = this;
  mHost.name = mOptions.mName;
  mHost.vendor = "QUOR";
  mHost.url = "";
  mHost.version = "1.0";
  mHost.get_extension = [](const clap_host_t* h, const char* id) {
    ClapTestHost& self = Of(h);
    self.Record("get_extension", kHostThreads);
    return self.HostExtension(id);
  };
  mHost.request_restart = [](const clap_host_t* h) {
    Of(h).Record("request_restart", kHostThreads);
  };
  mHost.request_process = [](const clap_host_t* h) {
    Of(h).Record("request_process", kHostThreads);
  };
  mHost.request_callback = [](const clap_host_t* h) {
    ClapTestHost& self = Of(h);
    self.Record("request_callback", kHostThreads);
    std::lock_guard lock(self.mRecordMutex);
    self.mCallbackRequested = true;
  };
}

ClapTestHost::~ClapTestHost() {
  if (!mPlugin) return;
  if (mProcessing) StopProcessing();
  if (mActive) Deactivate();
  Destroy();
}

ClapThread ClapTestHost::CurrentThread() const {
  const std::thread::id self = std::this_thread::get_id();
  if (self == mMainThread) return ClapThread::kMain;
  if (self == mAudio.Id()) return ClapThread::kAudio;
  return ClapThread::kOther;
}

void ClapTestHost::Record(const char* name, std::initializer_list<ClapThread> allowed) {
  const ClapThread thread = CurrentThread();
  {
    std::lock_guard lock(mRecordMutex);
    mCalls.push_back({name, thread});
  }
  if (!mInitStarted) Violation(std::string(name) + " called before the plug-in's init");
  if (std::find(allowed.begin(), allowed.end(), thread) == allowed.end())
    Violation(std::string(name) + " called on the " +
              (thread == ClapThread::kMain    ? "main"
               : thread == ClapThread::kAudio ? "audio"
                                              : "plug-in's own") +
              " thread");
  if (mOptions.mPlugMutexesHeld && mOptions.mPlugMutexesHeld() > 0)
    Violation(std::string(name) + " called with the plug-in's mutex held");
}

void ClapTestHost::Violation(std::string what) {
  std::lock_guard lock(mRecordMutex);
  mViolations.push_back(std::move(what));
}

// ---------------------------------------------------------------------------
// Driving the instance.

bool ClapTestHost::Create(const char* pluginId) {
  const clap_plugin_factory_t* factory = mLibrary.Factory();
  if (!factory || mPlugin) return false;
  const ThreadRoleScope main(ThreadRole::kHost);
  if (!pluginId) {
    if (factory->get_plugin_count(factory) == 0) return false;
    const clap_plugin_descriptor_t* desc = factory->get_plugin_descriptor(factory, 0);
    if (!desc || !desc->id) return false;
    pluginId = desc->id;
  }
  mPlugin = factory->create_plugin(factory, &mHost, pluginId);
  return mPlugin != nullptr;
}

bool ClapTestHost::Init() {
  const ThreadRoleScope main(ThreadRole::kHost);
  mInitStarted = true;
  return mPlugin->init(mPlugin);
}

bool ClapTestHost::Activate(double sampleRate, std::uint32_t minFrames, std::uint32_t maxFrames) {
  const ThreadRoleScope main(ThreadRole::kHost);
  mActivating = true;
  const bool ok = mPlugin->activate(mPlugin, sampleRate, minFrames, maxFrames);
  mActivating = false;
  if (ok) {
    mActive = true;
    mSteadyTime = 0;
  }
  return ok;
}

void ClapTestHost::Deactivate() {
  const ThreadRoleScope main(ThreadRole::kHost);
  mPlugin->deactivate(mPlugin);
  mActive = false;
  mProcessing = false;
}

bool ClapTestHost::StartProcessing() {
  const bool ok = mAudio.Run([this] { return mPlugin->start_processing(mPlugin); });
  mProcessing = ok;
  return ok;
}

void ClapTestHost::StopProcessing() {
  mAudio.Run([this] { mPlugin->stop_processing(mPlugin); });
  mProcessing = false;
}

void ClapTestHost::Reset() {
  mAudio.Run([this] { mPlugin->reset(mPlugin); });
}

void ClapTestHost::Destroy() {
  if (!mPlugin) return;
  const ThreadRoleScope main(ThreadRole::kHost);
  mPlugin->destroy(mPlugin);
  mPlugin = nullptr;
  mInitStarted = false;
}

template <typename Sample>
std::int32_t ClapTestHost::Process(ClapAudioBuffers<Sample>& audio, const ClapInputEvents* in,
                                   ClapOutputEvents* out, const clap_event_transport_t* transport,
                                   std::uint32_t frames) {
  static const ClapInputEvents kNoEvents;
  ClapOutputEvents& pushed = out ? *out : mPushed;
  clap_process_t process{};
  process.frames_count = frames ? frames : audio.Frames();
  process.transport = transport;
  process.audio_inputs = audio.Inputs();
  process.audio_outputs = audio.Outputs();
  process.audio_inputs_count = audio.InputCount();
  process.audio_outputs_count = audio.OutputCount();
  process.in_events = (in ? in : &kNoEvents)->List();
  process.out_events = pushed.List();
  pushed.SetBlockFrames(process.frames_count);
  const std::int32_t status = Process(process);
  pushed.SetBlockFrames(0);
  return status;
}

std::int32_t ClapTestHost::Process(clap_process_t process) {
  static const ClapInputEvents kNoEvents;
  process.steady_time = mSteadyTime;
  if (!process.in_events) process.in_events = kNoEvents.List();
  if (!process.out_events) process.out_events = mPushed.List();
  const std::int32_t status =
      mAudio.Run([this, &process] { return mPlugin->process(mPlugin, &process); });
  mSteadyTime += process.frames_count;
  return status;
}

template std::int32_t ClapTestHost::Process(ClapAudioBuffers<float>&, const ClapInputEvents*,
                                            ClapOutputEvents*, const clap_event_transport_t*,
                                            std::uint32_t);
template std::int32_t ClapTestHost::Process(ClapAudioBuffers<double>&, const ClapInputEvents*,
                                            ClapOutputEvents*, const clap_event_transport_t*,
                                            std::uint32_t);

void ClapTestHost::Flush(const ClapInputEvents* in) {
  static const ClapInputEvents kNoEvents;
  const auto* params = Extension<clap_plugin_params_t>(kClapExtParams);
  if (!params) return;
  {
    std::lock_guard lock(mRecordMutex);
    mFlushRequested = false;
  }
  const clap_input_events_t* inList = (in ? in : &kNoEvents)->List();
  if (mActive) {
    mAudio.Run([&] { params->flush(mPlugin, inList, mPushed.List()); });
  } else {
    const ThreadRoleScope main(ThreadRole::kHost);
    params->flush(mPlugin, inList, mPushed.List());
  }
}

void ClapTestHost::Idle() {
  const ThreadRoleScope main(ThreadRole::kHost);
  bool callback = false;
  std::vector<std::pair<clap_id, std::uint32_t>> timers;
  {
    std::lock_guard lock(mRecordMutex);
    std::swap(callback, mCallbackRequested);
    timers = mTimers;
  }
  if (callback && mPlugin->on_main_thread) mPlugin->on_main_thread(mPlugin);
  if (const auto* t = Extension<clap_plugin_timer_support_t>(kClapExtTimerSupport))
    for (const auto& timer : timers)
      t->on_timer(mPlugin, timer.first);
  if (FlushRequested() && !mProcessing) Flush();
}

std::optional<std::vector<std::uint8_t>> ClapTestHost::SaveState(std::uint64_t maxPerCall) {
  const auto* state = Extension<clap_plugin_state_t>(kClapExtState);
  if (!state) return std::nullopt;
  const ThreadRoleScope main(ThreadRole::kHost);
  ClapWriteStream stream(maxPerCall);
  if (!state->save(mPlugin, stream.Stream())) return std::nullopt;
  return stream.Bytes();
}

bool ClapTestHost::LoadState(const std::vector<std::uint8_t>& bytes, std::uint64_t maxPerCall) {
  const auto* state = Extension<clap_plugin_state_t>(kClapExtState);
  if (!state) return false;
  const ThreadRoleScope main(ThreadRole::kHost);
  ClapReadStream stream(bytes, maxPerCall);
  return state->load(mPlugin, stream.Stream());
}

std::vector<clap_param_info_t> ClapTestHost::ParamInfos() {
  std::vector<clap_param_info_t> infos;
  const auto* params = Extension<clap_plugin_params_t>(kClapExtParams);
  if (!params) return infos;
  const ThreadRoleScope main(ThreadRole::kHost);
  const std::uint32_t count = params->count(mPlugin);
  for (std::uint32_t i = 0; i < count; ++i) {
    clap_param_info_t info{};
    if (params->get_info(mPlugin, i, &info)) infos.push_back(info);
  }
  return infos;
}

std::optional<double> ClapTestHost::Value(clap_id id) {
  const auto* params = Extension<clap_plugin_params_t>(kClapExtParams);
  const ThreadRoleScope main(ThreadRole::kHost);
  double value = 0.;
  if (!params || !params->get_value(mPlugin, id, &value)) return std::nullopt;
  return value;
}

std::optional<std::string> ClapTestHost::Text(clap_id id, double value) {
  const auto* params = Extension<clap_plugin_params_t>(kClapExtParams);
  const ThreadRoleScope main(ThreadRole::kHost);
  char text[kClapNameSize];
  // A stray byte past the terminator must not read as text.
  std::fill(std::begin(text), std::end(text), 'x');
  if (!params || !params->value_to_text(mPlugin, id, value, text, sizeof text)) return std::nullopt;
  if (std::find(std::begin(text), std::end(text), '\0') == std::end(text)) return std::nullopt;
  return std::string(text);
}

std::optional<double> ClapTestHost::ValueOfText(clap_id id, const std::string& text) {
  const auto* params = Extension<clap_plugin_params_t>(kClapExtParams);
  const ThreadRoleScope main(ThreadRole::kHost);
  double value = 0.;
  if (!params || !params->text_to_value(mPlugin, id, text.c_str(), &value)) return std::nullopt;
  return value;
}

// ---------------------------------------------------------------------------
// The records.

std::vector<ClapHostCall> ClapTestHost::Calls() const {
  std::lock_guard lock(mRecordMutex);
  return mCalls;
}

int ClapTestHost::CallCount(std::string_view name) const {
  std::lock_guard lock(mRecordMutex);
  return static_cast<int>(std::count_if(mCalls.begin(), mCalls.end(),
                                        [name](const ClapHostCall& c) { return c.mName == name; }));
}

std::vector<std::string> ClapTestHost::Violations() const {
  std::lock_guard lock(mRecordMutex);
  std::vector<std::string> all = mViolations;
  for (const std::string& fault : mPushed.Faults())
    all.push_back("pushed " + fault);
  return all;
}

std::vector<std::string> ClapTestHost::LogMessages() const {
  std::lock_guard lock(mRecordMutex);
  return mLog;
}

bool ClapTestHost::FlushRequested() const {
  std::lock_guard lock(mRecordMutex);
  return mFlushRequested;
}

std::vector<std::pair<clap_id, std::uint32_t>> ClapTestHost::Timers() const {
  std::lock_guard lock(mRecordMutex);
  return mTimers;
}

std::vector<std::pair<int, std::uint32_t>> ClapTestHost::Fds() const {
  std::lock_guard lock(mRecordMutex);
  return mFds;
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> ClapTestHost::LastResizeRequest() const {
  std::lock_guard lock(mRecordMutex);
  return mResizeRequest;
}

void ClapTestHost::ClearRecords() {
  std::lock_guard lock(mRecordMutex);
  mCalls.clear();
  mViolations.clear();
  mLog.clear();
  mPushed.Clear();
}
