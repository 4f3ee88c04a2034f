// The CLAP adapter: one plug-in instance behind a clap_plugin_t. It owns the
// plug-in through PlugInstance, answers the host's calls on the threads CLAP
// names (main: ThreadRole::kHost; audio: kAudio), turns parameter events
// into changes at their frame, and hands the editor's edits to the host as
// output events of the next process or of a flush it asks for.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "clap/clap_abi.h"
#include "clap/clap_edit_queue.h"
#include "framework/plug_descriptor.h"
#include "framework/plug_instance.h"

class ClapPlugin final : public PlugInstance, public IPlugHost {
 public:
  // Null for a host object that is unusable; nothing of the host is called.
  static ClapPlugin* Create(const PlugDescriptor& descriptor, const clap_host_t* host);  // any
  ~ClapPlugin() override;
  const clap_plugin_t* Object() const { return &mObject; }
  static ClapPlugin* Of(const clap_plugin_t* plugin);

  // The plug-in object's calls.
  bool Init();                                                                         // host
  bool Activate(double sampleRate, std::uint32_t minFrames, std::uint32_t maxFrames);  // host
  void Deactivate();                                                                   // host
  bool StartProcessing();                                                              // audio
  void StopProcessing();                                                               // audio
  void ResetConsole();                                                                 // audio
  std::int32_t Process(const clap_process_t* process);                                 // audio
  const void* Extension(const char* id) const;                                         // any
  void OnMainThread() {}                                                               // host

  // Audio ports: every channel on one main port each way (the ports some
  // hosts feed only), or a stereo port for each pair (for hosts that route
  // pairs), chosen while inactive. Note ports: one each way.
  static constexpr clap_id kConfigOnePort = 0;
  static constexpr clap_id kConfigStereoPorts = 1;
  std::uint32_t AudioPortCount(bool isInput) const;  // host
  bool AudioPortInfo(std::uint32_t index, bool isInput, clap_audio_port_info_t* info) const;
  bool ConfigPortInfo(clap_id config, std::uint32_t index, bool isInput,
                      clap_audio_port_info_t* info) const;                        // host
  std::uint32_t ConfigCount() const;                                              // host
  bool ConfigInfo(std::uint32_t index, clap_audio_ports_config_t* config) const;  // host
  bool SelectConfig(clap_id config);                                              // host
  clap_id CurrentConfig() const;                                                  // host
  std::uint32_t NotePortCount(bool isInput) const;                                // host
  bool NotePortInfo(std::uint32_t index, bool isInput, clap_note_port_info_t* info) const;

  // Parameters, by their index as id, in their own units.
  std::uint32_t ParamCount() const;                                                    // host
  bool ParamInfo(std::uint32_t position, clap_param_info_t* info) const;               // host
  bool ParamValue(clap_id id, double* value) const;                                    // host
  bool ParamText(clap_id id, double value, char* text, std::uint32_t capacity) const;  // host
  bool ParamValueOfText(clap_id id, const char* text, double* value) const;            // host
  void Flush(const clap_input_events_t* in,
             const clap_output_events_t* out);  // active ? audio : host

  // The state: the program chunk the other formats save.
  bool SaveState(const clap_ostream_t* stream);  // host
  bool LoadState(const clap_istream_t* stream);  // host

  // The editor, embedded in an X11 window of the host's.
  bool GuiIsApiSupported(const char* api, bool isFloating) const;         // host
  bool GuiCreate(const char* api, bool isFloating);                       // host
  void GuiDestroy();                                                      // host
  bool GuiSetScale(double scale);                                         // host
  bool GuiGetSize(std::uint32_t* width, std::uint32_t* height);           // host
  bool GuiAdjustSize(std::uint32_t* width, std::uint32_t* height) const;  // host
  bool GuiSetSize(std::uint32_t width, std::uint32_t height);             // host
  bool GuiSetParent(const clap_window_t* window);                         // host
  bool GuiShow();                                                         // host
  bool GuiHide();                                                         // host
  void OnTimer(clap_id timer);                                            // host

  std::uint32_t Latency() const;          // host
  bool SetRenderMode(std::int32_t mode);  // host

  // What the plug-in tells its host, as its edits are delivered.
  void BeginEdit(int paramIdx) override;
  void Automate(int paramIdx, double normalizedValue) override;
  void EndEdit(int paramIdx) override;
  void EditorResized(int width, int height) override;
  void LatencyChanged(int samples) override;
  void TextsChanged() override;
  void ProgramChanged() override;
  // What it asks.
  bool IsRenderingOffline() override { return mOffline.load(std::memory_order_relaxed); }
  bool GetTransport(std::uint32_t wanted, HostTransport* transport) override;
  HostProduct Identify() override;
  bool SendMidi(const IMidiMsg& msg) override;
  bool SendSysEx(const ISysEx&) override { return false; }

 private:
  ClapPlugin(const PlugDescriptor& descriptor, std::unique_ptr<IEffectBase> plug,
             const clap_host_t* host);
  template <typename Request>
  void Guarded(Request request) {
    [[maybe_unused]] const bool closeDue = Enter(request);
  }
  template <typename Table>
  const Table* HostExtension(const char* id) const;
  // The description of a parameter id hosts list, or null.
  const ParamDescriptor* Listed(clap_id id) const;
  // Applies one event from the host; false for events that are not changes.
  bool ApplyParamEvent(const clap_event_header_t* event);
  // The editor's waiting edits into a host's list, in order, at frame 0:
  // those told on the main thread first, then the plug-in's queue.
  void DeliverEdits(const clap_output_events_t* out);
  void Push(const ClapEdit& edit);
  // Events the plug-in sends on, held until the plug-in's mutex is let go.
  void PushHeldEvents(const clap_output_events_t* out);
  template <typename Sample>
  void ProcessAudio(const clap_process_t* process, std::uint32_t from, std::uint32_t to);
  std::uint32_t PortChannels() const;
  void Log(std::int32_t severity, const char* message) const;
  // In checked builds, whether the host's thread check agrees that this is
  // its audio thread, for hosts whose answers mean that.
  void CheckAudioThread();

  const PlugDescriptor& mDescriptor;
  std::vector<const ParamDescriptor*> mParams;  // those hosts list, in index order
  std::uint32_t mChannels;                      // each way
  const clap_host_t* mHost;
  clap_plugin_t mObject;

  // The host's extensions, from init on; any may be null.
  const clap_host_log_t* mHostLog = nullptr;
  const clap_host_thread_check_t* mHostThreadCheck = nullptr;
  const clap_host_params_t* mHostParams = nullptr;
  const clap_host_gui_t* mHostGui = nullptr;
  const clap_host_timer_support_t* mHostTimers = nullptr;
  const clap_host_state_t* mHostState = nullptr;
  std::atomic<bool> mThreadCheckSensible{false};

  bool mInitialised = false;
  bool mStereoPorts = false;  // changed only while inactive
  std::atomic<bool> mActive{false};
  std::atomic<bool> mProcessing{false};
  std::uint32_t mMaxFrames = 0;
  std::atomic<bool> mOffline{false};
  // Counts process calls, so that the main thread sees whether any came.
  std::atomic<std::uint64_t> mProcessCalls{0};
  std::uint64_t mProcessCallsAtLastTick = 0;

  // The block being processed: its transport, and its sample position.
  const clap_event_transport_t* mTransport = nullptr;
  std::int64_t mSteadyTime = -1;
  std::uint32_t mBlockOffset = 0;
  // Events to send on, collected under the mutex (no room is made on the
  // audio thread: what does not fit is dropped).
  struct HeldEvent {
    std::array<std::uint64_t, 6> mBytes;  // room for a note event
  };
  std::vector<HeldEvent> mHeld;
  std::size_t mHeldCount = 0;
  // 64-bit input in a 32-bit call or the reverse, converted here.
  std::vector<float> mConvert32;
  std::vector<double> mConvert64;

  // Where the plug-in's edits go while they are delivered: the list of the
  // host's call being served, or (from the timer) the ring below.
  const clap_output_events_t* mDeliverTo = nullptr;
  ClapEditQueue mToldOnMain;
  // Notices for the main thread, from wherever the edits were delivered.
  std::atomic<std::uint64_t> mResizeRequest{0};  // width << 32 | height, 0 for none
  std::atomic<bool> mRescanValues{false};
  std::atomic<bool> mTextsChanged{false};

  // The editor as the host made it.
  bool mGuiCreated = false;
  unsigned long mParentWindow = 0;
  bool mShown = false;
  clap_id mTimer = kClapInvalidId;
};
