#include "clap/clap_plugin.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "clap/clap_streams.h"
#include "framework/utf8_text.h"

namespace {

// Every parameter change the host sends is taken; the editor's edits and
// MIDI passed on wait in bounded room.
constexpr std::size_t kHeldEvents = 1024;
// The editor's timer: edits waiting while the host processes nothing are
// fetched with a flush (hosts tick in multiples of about 30 ms).
constexpr std::uint32_t kTimerMs = 30;

// The editor's scale steps, as its window offers them.
constexpr double kMinScale = 0.75;
constexpr double kMaxScale = 2.;
double NearestScaleStep(double scale) {
  return std::clamp(std::round(scale * 4.) / 4., kMinScale, kMaxScale);
}

// A port's channel k from `from` on in the call's sample size: the host's
// own array, else the other size converted into `room`, as a host would;
// null for none.
template <typename Sample>
Sample* InputChannel(const clap_audio_buffer_t& port, std::size_t k, std::uint32_t from,
                     std::uint32_t frames, Sample* room) {
  const auto pick = [&](auto* const* same, auto* const* other) -> Sample* {
    if (same) return same[k] ? same[k] + from : nullptr;
    if (!other || !other[k]) return nullptr;
    for (std::uint32_t f = 0; f < frames; ++f)
      room[f] = static_cast<Sample>(other[k][from + f]);
    return room;
  };
  if constexpr (std::is_same_v<Sample, float>)
    return pick(port.data32, port.data64);
  else
    return pick(port.data64, port.data32);
}

clap_event_header_t OutHeader(std::uint32_t size, std::uint16_t type) {
  return {size, 0, kClapCoreEventSpace, type, 0};
}

// Where the edits being delivered on this thread go: a host call's list
// (null: the host gave none), or the ring the main thread fills.
struct Delivery {
  bool mInHostCall = false;
  const clap_output_events_t* mOut = nullptr;
};
thread_local Delivery tDelivery;

}  // namespace

ClapPlugin* ClapPlugin::Create(const PlugDescriptor& descriptor, const clap_host_t* host) {
  if (!host || !ClapVersionIsCompatible(host->clap_version) || !host->get_extension) return nullptr;
  std::unique_ptr<IEffectBase> plug = MakePlug(descriptor.mMake);
  if (!plug) return nullptr;
  return new ClapPlugin(descriptor, std::move(plug), host);
}

ClapPlugin::ClapPlugin(const PlugDescriptor& descriptor, std::unique_ptr<IEffectBase> plug,
                       const clap_host_t* host)
    : PlugInstance(std::move(plug)),
      mDescriptor(descriptor),
      mParams(descriptor.UsedParams()),
      mChannels(static_cast<std::uint32_t>(std::max(descriptor.NInChannels(), 0))),
      mHost(host),
      mHeld(kHeldEvents) {
  mObject = {};
  mObject.plugin_data = this;
  Connect(this, kAPICLAP);
}

ClapPlugin::~ClapPlugin() {
  // The editor's thread may still hand this adapter an edit.
  DestroyPlug();
}

ClapPlugin* ClapPlugin::Of(const clap_plugin_t* plugin) {
  return plugin ? static_cast<ClapPlugin*>(plugin->plugin_data) : nullptr;
}

template <typename Table>
const Table* ClapPlugin::HostExtension(const char* id) const {
  return static_cast<const Table*>(mHost->get_extension(mHost, id));
}

void ClapPlugin::Log(std::int32_t severity, const char* message) const {
  ExpectUnlocked();
  if (mHostLog && mHostLog->log) mHostLog->log(mHost, severity, message);
}

// ---------------------------------------------------------------------------
// Life cycle.

bool ClapPlugin::Init() {
  ExpectThread(ThreadRole::kHost);
  if (mInitialised) return true;
  mInitialised = true;
  // Any of them may be missing: a scanner offers none.
  mHostLog = HostExtension<clap_host_log_t>(kClapExtLog);
  mHostThreadCheck = HostExtension<clap_host_thread_check_t>(kClapExtThreadCheck);
  mHostParams = HostExtension<clap_host_params_t>(kClapExtParams);
  mHostGui = HostExtension<clap_host_gui_t>(kClapExtGui);
  mHostTimers = HostExtension<clap_host_timer_support_t>(kClapExtTimerSupport);
  mHostState = HostExtension<clap_host_state_t>(kClapExtState);
  if (mHostState && !mHostState->mark_dirty) mHostState = nullptr;
  if (mHostLog && !mHostLog->log) mHostLog = nullptr;
  if (mHostThreadCheck && (!mHostThreadCheck->is_main_thread || !mHostThreadCheck->is_audio_thread))
    mHostThreadCheck = nullptr;
  if (mHostParams && (!mHostParams->rescan || !mHostParams->request_flush)) mHostParams = nullptr;
  if (mHostGui && !mHostGui->request_resize) mHostGui = nullptr;
  if (mHostTimers && (!mHostTimers->register_timer || !mHostTimers->unregister_timer))
    mHostTimers = nullptr;
  // A check that names the main thread here may name threads; one that
  // names the audio thread here reports something else.
  if constexpr (kThreadChecks) {
    mThreadCheckSensible = mHostThreadCheck && mHostThreadCheck->is_main_thread(mHost) &&
                           !mHostThreadCheck->is_audio_thread(mHost);
  }
  Guarded([this] { Open(); });
  return true;
}

bool ClapPlugin::Activate(double sampleRate, std::uint32_t minFrames, std::uint32_t maxFrames) {
  ExpectThread(ThreadRole::kHost);
  if (mActive || !std::isfinite(sampleRate) || sampleRate <= 0. || maxFrames == 0 ||
      minFrames > maxFrames)
    return false;
  const int block =
      static_cast<int>(std::min<std::uint32_t>(maxFrames, IEffectBase::kMaxBlockSize));
  bool ok = false;
  Guarded([&] {
    SetSampleRate(sampleRate);
    SetMaxBlockSize(block);
    // Room for a block's input in the other sample size.
    const std::size_t samples = std::size_t{mChannels} * static_cast<std::size_t>(block);
    mConvert32.assign(samples, 0.f);
    mConvert64.assign(samples, 0.);
    SetActive(true);
    ok = true;
  });
  if (!ok) return false;
  mMaxFrames = maxFrames;
  mActive = true;
  return true;
}

void ClapPlugin::Deactivate() {
  ExpectThread(ThreadRole::kHost);
  if (!mActive) return;
  // Hosts may skip stop_processing.
  mProcessing = false;
  mActive = false;
  Guarded([this] { SetActive(false); });
}

bool ClapPlugin::StartProcessing() {
  const ThreadRoleScope audio(ThreadRole::kAudio);
  if (!mActive) return false;
  mProcessing = true;
  return true;
}

void ClapPlugin::StopProcessing() {
  const ThreadRoleScope audio(ThreadRole::kAudio);
  mProcessing = false;
}

void ClapPlugin::ResetConsole() {
  if (!mActive) return;
  Guarded([this] { Plug().Reset(); });
}

// ---------------------------------------------------------------------------
// Processing.

void ClapPlugin::CheckAudioThread() {
  if constexpr (kThreadChecks) {
    if (!mThreadCheckSensible.load(std::memory_order_relaxed)) return;
    if (!mHostThreadCheck->is_audio_thread(mHost)) {
      // It answers something else than which thread asks: no use.
      mThreadCheckSensible = false;
      Log(kClapLogWarning, "QUOR: the host's thread check does not name its audio thread");
    }
  }
}

const ParamDescriptor* ClapPlugin::Listed(clap_id id) const {
  // The list is in index order: found by halving.
  const auto it = std::lower_bound(mParams.begin(), mParams.end(), id,
                                   [](const ParamDescriptor* p, clap_id wanted) {
                                     return static_cast<clap_id>(p->mId) < wanted;
                                   });
  if (it == mParams.end() || static_cast<clap_id>((*it)->mId) != id) return nullptr;
  return *it;
}

bool ClapPlugin::ApplyParamEvent(const clap_event_header_t* event) {
  if (event->space_id != kClapCoreEventSpace || event->type != kClapEventParamValue ||
      event->size < sizeof(clap_event_param_value_t))
    return false;
  clap_event_param_value_t change;
  std::memcpy(&change, event, sizeof change);
  // The address fields say nothing for a parameter that is not per note.
  if (!Listed(change.param_id) || std::isnan(change.value)) return true;
  Plug().SetParameterValueFromHost(static_cast<int>(change.param_id), change.value);
  return true;
}

void ClapPlugin::Push(const ClapEdit& edit) {
  if (!tDelivery.mInHostCall) {
    mToldOnMain.Push(edit);
    return;
  }
  const clap_output_events_t* out = tDelivery.mOut;
  if (!out || !out->try_push) return;
  if (edit.mKind == ClapEdit::Kind::kValue) {
    clap_event_param_value_t event{};
    event.header = OutHeader(sizeof event, kClapEventParamValue);
    event.param_id = static_cast<clap_id>(edit.mParam);
    event.note_id = -1;
    event.port_index = event.channel = event.key = -1;
    event.value = edit.mValue;
    out->try_push(out, &event.header);
  } else {
    clap_event_param_gesture_t event{};
    event.header =
        OutHeader(sizeof event, edit.mKind == ClapEdit::Kind::kBegin ? kClapEventParamGestureBegin
                                                                     : kClapEventParamGestureEnd);
    event.param_id = static_cast<clap_id>(edit.mParam);
    out->try_push(out, &event.header);
  }
}

void ClapPlugin::DeliverEdits(const clap_output_events_t* out) {
  ExpectUnlocked();
  tDelivery = {true, out};
  ClapEdit edit;
  while (mToldOnMain.Pop(&edit))
    Push(edit);
  Plug().DeliverEdits();
  tDelivery = {};
}

void ClapPlugin::PushHeldEvents(const clap_output_events_t* out) {
  for (std::size_t i = 0; i < mHeldCount; ++i)
    if (out && out->try_push)
      out->try_push(out, reinterpret_cast<const clap_event_header_t*>(mHeld[i].mBytes.data()));
  mHeldCount = 0;
}

template <typename Sample>
void ClapPlugin::ProcessAudio(const clap_process_t* process, std::uint32_t from, std::uint32_t to) {
  // In pieces the size of the conversion's room.
  const auto piece = static_cast<std::uint32_t>(std::max(Plug().GetBlockSize(), 1));
  while (to - from > piece) {
    ProcessAudio<Sample>(process, from, from + piece);
    from += piece;
  }
  if (to <= from) return;
  constexpr std::size_t kMaxChannels = 64;
  const std::size_t channels = std::min<std::size_t>(mChannels, kMaxChannels);
  std::array<Sample*, kMaxChannels> in{};
  std::array<Sample*, kMaxChannels> out{};
  // Each port's channels in turn; a missing port, channel or array is silence.
  const std::uint32_t perPort = PortChannels();
  const std::size_t blockSize = static_cast<std::size_t>(Plug().GetBlockSize());
  const std::uint32_t inPorts = process->audio_inputs ? process->audio_inputs_count : 0;
  for (std::uint32_t p = 0; p < std::min(inPorts, AudioPortCount(true)); ++p) {
    const clap_audio_buffer_t& port = process->audio_inputs[p];
    const std::size_t base = std::size_t{p} * perPort;
    const std::size_t n = std::min<std::size_t>({port.channel_count, perPort, channels - base});
    for (std::size_t k = 0; k < n; ++k) {
      const std::size_t c = base + k;
      Sample* room;
      if constexpr (std::is_same_v<Sample, float>)
        room = mConvert32.data() + c * blockSize;
      else
        room = mConvert64.data() + c * blockSize;
      in[c] = InputChannel(port, k, from, to - from, room);
    }
  }
  const std::uint32_t outPorts = process->audio_outputs ? process->audio_outputs_count : 0;
  for (std::uint32_t p = 0; p < std::min(outPorts, AudioPortCount(false)); ++p) {
    const clap_audio_buffer_t& port = process->audio_outputs[p];
    const std::size_t base = std::size_t{p} * perPort;
    const std::size_t n = std::min<std::size_t>({port.channel_count, perPort, channels - base});
    // A port of the other sample size than the call's gets nothing.
    Sample* const* data;
    if constexpr (std::is_same_v<Sample, float>)
      data = port.data32;
    else
      data = port.data64;
    for (std::size_t k = 0; data && k < n; ++k)
      if (data[k]) out[base + k] = data[k] + from;
  }
  mBlockOffset = from;
  if constexpr (std::is_same_v<Sample, float>)
    Plug().ProcessBlock(in.data(), out.data(), static_cast<int>(to - from), false);
  else
    Plug().ProcessBlock(in.data(), out.data(), static_cast<int>(to - from));
}

std::int32_t ClapPlugin::Process(const clap_process_t* process) {
  const ThreadRoleScope audio(ThreadRole::kAudio);
  if (!process || !mActive) return kClapProcessError;
  CheckAudioThread();
  mProcessCalls.fetch_add(1, std::memory_order_relaxed);
  // The editor's edits first, at frame 0: before the host's own events.
  DeliverEdits(process->out_events);
  const std::uint32_t frames = process->frames_count;
  const clap_input_events_t* in = process->in_events;
  const std::uint32_t nEvents = in && in->size && in->get ? in->size(in) : 0;
  // The output's sample size decides the call's; a port with neither is silent.
  bool use64 = false;
  if (process->audio_outputs_count > 0 && process->audio_outputs)
    use64 = !process->audio_outputs[0].data32 && process->audio_outputs[0].data64;
  Guarded([&] {
    mTransport = process->transport;
    mSteadyTime = process->steady_time;
    std::uint32_t done = 0;
    std::uint32_t lastTime = 0;
    for (std::uint32_t i = 0; i < nEvents; ++i) {
      const clap_event_header_t* event = in->get(in, i);
      if (!event || event->size < sizeof(clap_event_header_t)) continue;
      // Out of order or past the block: as late as the order allows.
      const std::uint32_t at = std::clamp(event->time, done, frames);
      if (event->space_id == kClapCoreEventSpace && event->type == kClapEventParamValue) {
        // The block up to the change, then the change.
        if (use64)
          ProcessAudio<double>(process, done, at);
        else
          ProcessAudio<float>(process, done, at);
        done = at;
        ApplyParamEvent(event);
        continue;
      }
      if (event->space_id != kClapCoreEventSpace) continue;
      lastTime = std::max(lastTime, at);
      if (event->type == kClapEventMidi && event->size >= sizeof(clap_event_midi_t)) {
        clap_event_midi_t midi;
        std::memcpy(&midi, event, sizeof midi);
        IMidiMsg msg;
        msg.mOffset = static_cast<std::int32_t>(lastTime);
        msg.mStatus = midi.data[0];
        msg.mData1 = midi.data[1];
        msg.mData2 = midi.data[2];
        Plug().ProcessMidiMsg(&msg);
      } else if (event->type <= kClapEventNoteEnd && event->size == sizeof(clap_event_note_t) &&
                 mHeldCount < mHeld.size()) {
        // Notes go on as they came.
        std::memcpy(mHeld[mHeldCount].mBytes.data(), event, sizeof(clap_event_note_t));
        reinterpret_cast<clap_event_header_t*>(mHeld[mHeldCount].mBytes.data())->time = lastTime;
        ++mHeldCount;
      }
    }
    if (use64)
      ProcessAudio<double>(process, done, frames);
    else
      ProcessAudio<float>(process, done, frames);
    mTransport = nullptr;
    if (process->audio_outputs_count > 0 && process->audio_outputs)
      process->audio_outputs[0].constant_mask = 0;
  });
  ExpectUnlocked();
  PushHeldEvents(process->out_events);
  return kClapProcessContinue;
}

bool ClapPlugin::SendMidi(const IMidiMsg& msg) {
  ExpectThread(ThreadRole::kAudio);
  // Only while a block is processed, under the mutex: sent once it is let go.
  if (mHeldCount >= mHeld.size() || CurrentThreadRole() != ThreadRole::kAudio) return false;
  clap_event_midi_t event{};
  event.header = OutHeader(sizeof event, kClapEventMidi);
  event.header.time = static_cast<std::uint32_t>(std::max(msg.mOffset, 0));
  event.data[0] = msg.mStatus;
  event.data[1] = msg.mData1;
  event.data[2] = msg.mData2;
  std::memcpy(mHeld[mHeldCount++].mBytes.data(), &event, sizeof event);
  return true;
}

bool ClapPlugin::GetTransport(std::uint32_t, HostTransport* transport) {
  // Known only inside a block, to the thread processing it.
  if (CurrentThreadRole() != ThreadRole::kAudio) return false;
  if (!mTransport) {
    if (mSteadyTime < 0) return false;
    transport->mSamplePos = static_cast<double>(mSteadyTime + mBlockOffset);
    return true;
  }
  const clap_event_transport_t& t = *mTransport;
  *transport = {};
  transport->mSamplePos =
      (t.flags & kClapTransportHasSecondsTimeline)
          ? static_cast<double>(t.song_pos_seconds) / kClapFixedPointFactor * Plug().GetSampleRate()
          : static_cast<double>(std::max<std::int64_t>(mSteadyTime, 0));
  transport->mSamplePos += mBlockOffset;
  if (t.flags & kClapTransportHasTempo) {
    transport->mTempo = t.tempo;
    transport->mValid |= HostTransport::kTempo;
  }
  if (t.flags & kClapTransportHasTimeSignature) {
    transport->mNumerator = t.tsig_num;
    transport->mDenominator = t.tsig_denom;
    transport->mValid |= HostTransport::kTimeSignature;
  }
  if (t.flags & kClapTransportHasBeatsTimeline) {
    transport->mPPQPos = static_cast<double>(t.song_pos_beats) / kClapFixedPointFactor;
    transport->mBarStart = static_cast<double>(t.bar_start) / kClapFixedPointFactor;
    transport->mValid |= HostTransport::kMusicalPosition | HostTransport::kBarStart;
    if (t.flags & kClapTransportIsLoopActive) {
      transport->mCycleStart = static_cast<double>(t.loop_start_beats) / kClapFixedPointFactor;
      transport->mCycleEnd = static_cast<double>(t.loop_end_beats) / kClapFixedPointFactor;
      transport->mValid |= HostTransport::kCycle;
    }
  }
  transport->mPlaying = t.flags & kClapTransportIsPlaying;
  transport->mLooping = t.flags & kClapTransportIsLoopActive;
  return true;
}

// ---------------------------------------------------------------------------
// Parameters.

std::uint32_t ClapPlugin::ParamCount() const {
  return static_cast<std::uint32_t>(mParams.size());
}

bool ClapPlugin::ParamInfo(std::uint32_t position, clap_param_info_t* info) const {
  if (!info || position >= mParams.size()) return false;
  const ParamDescriptor& d = *mParams[position];
  *info = {};
  info->id = static_cast<clap_id>(d.mId);
  info->flags = kClapParamIsAutomatable;
  if (d.mType != kTypeDouble) info->flags |= kClapParamIsStepped;
  if (d.mStyle != ParamStyle::kContinuous) info->flags |= kClapParamIsStepped | kClapParamIsEnum;
  if (d.mHostBypass) info->flags |= kClapParamIsStepped | kClapParamIsBypass;
  CopyUtf8ToField(d.mName, info->name, sizeof info->name);
  CopyUtf8ToField(d.mTrack < 0 ? std::string("Master") : "Track " + std::to_string(d.mTrack + 1),
                  info->module, sizeof info->module);
  info->min_value = d.mMin;
  info->max_value = d.mMax;
  info->default_value = d.mDefault;
  return true;
}

bool ClapPlugin::ParamValue(clap_id id, double* value) const {
  if (!value || !Listed(id)) return false;
  *value = Plug().GetParam(static_cast<int>(id))->Value();
  return true;
}

bool ClapPlugin::ParamText(clap_id id, double value, char* text, std::uint32_t capacity) const {
  if (!text || capacity == 0 || !Listed(id) || !std::isfinite(value)) return false;
  const IParam* param = Plug().GetParam(static_cast<int>(id));
  std::string shown =
      param->GetDisplayForHost(std::clamp(value, param->GetMin(), param->GetMax()), false);
  const char* label = param->GetLabelForHost();
  if (label && *label) shown += std::string(" ") + label;
  CopyUtf8ToField(shown, text, capacity);
  return true;
}

bool ClapPlugin::ParamValueOfText(clap_id id, const char* text, double* value) const {
  if (!text || !value || !Listed(id)) return false;
  return Plug().GetParam(static_cast<int>(id))->ValueForText(text, value);
}

void ClapPlugin::Flush(const clap_input_events_t* in, const clap_output_events_t* out) {
  const bool active = mActive;
  const ThreadRoleScope role(active ? ThreadRole::kAudio : ThreadRole::kHost);
  DeliverEdits(out);
  const std::uint32_t n = in && in->size && in->get ? in->size(in) : 0;
  if (n == 0) return;
  Guarded([&] {
    for (std::uint32_t i = 0; i < n; ++i)
      if (const clap_event_header_t* event = in->get(in, i)) ApplyParamEvent(event);
  });
}

// ---------------------------------------------------------------------------
// State.

bool ClapPlugin::SaveState(const clap_ostream_t* stream) {
  ExpectThread(ThreadRole::kHost);
  ByteChunk chunk;
  bool saved = false;
  try {
    saved = Plug().SaveState(&chunk, false);
  } catch (...) {
    saved = false;
  }
  // Written once the plug-in's locks are let go: the host's stream is the host's.
  return saved && WriteWhole(stream, {chunk.GetBytes(), static_cast<std::size_t>(chunk.Size())});
}

bool ClapPlugin::LoadState(const clap_istream_t* stream) {
  ExpectThread(ThreadRole::kHost);
  const auto bytes = ReadWhole(stream, IEffectBase::kMaxStateSize);
  if (!bytes) return false;
  bool restored = false;
  try {
    restored = Plug().RestoreState(*bytes, true);
  } catch (...) {
    restored = false;
  }
  ExpectUnlocked();
  if (restored && mHostParams) mHostParams->rescan(mHost, kClapParamRescanValues);
  return restored;
}

// ---------------------------------------------------------------------------
// The editor.

bool ClapPlugin::GuiIsApiSupported(const char* api, bool isFloating) const {
  return api && std::string_view(api) == kClapWindowApiX11 && !isFloating && Plug().GetGUI();
}

bool ClapPlugin::GuiCreate(const char* api, bool isFloating) {
  ExpectThread(ThreadRole::kHost);
  if (mGuiCreated || !GuiIsApiSupported(api, isFloating)) return false;
  mGuiCreated = true;
  // Edits made while the host processes nothing are fetched from here.
  if (mHostTimers && !mHostTimers->register_timer(mHost, kTimerMs, &mTimer))
    mTimer = kClapInvalidId;
  return true;
}

void ClapPlugin::GuiDestroy() {
  ExpectThread(ThreadRole::kHost);
  if (!mGuiCreated) return;
  GuiHide();
  if (mHostTimers && mTimer != kClapInvalidId) mHostTimers->unregister_timer(mHost, mTimer);
  mTimer = kClapInvalidId;
  mGuiCreated = false;
  mParentWindow = 0;
}

bool ClapPlugin::GuiSetScale(double scale) {
  ExpectThread(ThreadRole::kHost);
  IEditorSurface* editor = Plug().GetGUI();
  if (!editor || !std::isfinite(scale) || scale <= 0.) return false;
  editor->SetHostScale(scale);
  return true;
}

bool ClapPlugin::GuiGetSize(std::uint32_t* width, std::uint32_t* height) {
  IEditorSurface* editor = Plug().GetGUI();
  if (!editor || !width || !height) return false;
  int w = 0, h = 0;
  editor->WindowSize(&w, &h);
  *width = static_cast<std::uint32_t>(std::max(w, 1));
  *height = static_cast<std::uint32_t>(std::max(h, 1));
  return true;
}

bool ClapPlugin::GuiAdjustSize(std::uint32_t* width, std::uint32_t* height) const {
  const IEditorSurface* editor = Plug().GetGUI();
  if (!editor || !width || !height) return false;
  const double w = editor->Width(), h = editor->Height();
  const double scale = NearestScaleStep(std::min(*width / w, *height / h));
  *width = static_cast<std::uint32_t>(std::lround(w * scale));
  *height = static_cast<std::uint32_t>(std::lround(h * scale));
  return true;
}

bool ClapPlugin::GuiSetSize(std::uint32_t width, std::uint32_t height) {
  ExpectThread(ThreadRole::kHost);
  std::uint32_t w = 0, h = 0;
  if (!GuiGetSize(&w, &h)) return false;
  if (w == width && h == height) return true;
  std::uint32_t adjusted[2] = {width, height};
  if (!GuiAdjustSize(&adjusted[0], &adjusted[1]) || adjusted[0] != width || adjusted[1] != height)
    return false;
  // A size of another step: the editor opens anew at that scale.
  IEditorSurface* editor = Plug().GetGUI();
  editor->SetHostScale(width / static_cast<double>(editor->Width()));
  if (mShown) {
    GuiHide();
    return GuiShow();
  }
  return true;
}

bool ClapPlugin::GuiSetParent(const clap_window_t* window) {
  ExpectThread(ThreadRole::kHost);
  if (!mGuiCreated || !window || !window->api ||
      std::string_view(window->api) != kClapWindowApiX11 || window->x11 == 0)
    return false;
  if (mShown) GuiHide();
  mParentWindow = window->x11;
  return GuiShow();
}

bool ClapPlugin::GuiShow() {
  ExpectThread(ThreadRole::kHost);
  if (!mGuiCreated || mParentWindow == 0) return false;
  if (mShown) return true;
  void* parent = reinterpret_cast<void*>(static_cast<std::uintptr_t>(mParentWindow));
  mShown = Plug().OpenEditor(parent) != nullptr;
  return mShown;
}

bool ClapPlugin::GuiHide() {
  ExpectThread(ThreadRole::kHost);
  if (!mShown) return mGuiCreated;
  // Joins the editor's thread, outside the mutex it may wait for.
  Plug().CloseEditor();
  mShown = false;
  return true;
}

void ClapPlugin::OnTimer(clap_id timer) {
  ExpectThread(ThreadRole::kHost);
  if (timer != mTimer) return;
  const std::uint64_t calls = mProcessCalls.load(std::memory_order_relaxed);
  const bool processed = calls != mProcessCallsAtLastTick;
  mProcessCallsAtLastTick = calls;
  // While blocks come, the next one takes the edits; else they are told
  // here and fetched by a flush the host is asked for.
  if (!processed) Plug().DeliverEdits();
  ExpectUnlocked();
  if (const std::uint64_t size = mResizeRequest.exchange(0); size && mHostGui)
    mHostGui->request_resize(mHost, static_cast<std::uint32_t>(size >> 32),
                             static_cast<std::uint32_t>(size & 0xFFFFFFFFu));
  if (mRescanValues.exchange(false) && mHostParams)
    mHostParams->rescan(mHost, kClapParamRescanValues);
  if (mTextsChanged.exchange(false) && mHostState) mHostState->mark_dirty(mHost);
  if (!mToldOnMain.Empty() && mHostParams) mHostParams->request_flush(mHost);
}

// ---------------------------------------------------------------------------
// What the plug-in tells the host as its edits are delivered: gestures and
// values into the host's list, notices for the main thread's timer.

void ClapPlugin::BeginEdit(int paramIdx) {
  if (Listed(static_cast<clap_id>(paramIdx))) Push({ClapEdit::Kind::kBegin, paramIdx, 0.});
}

void ClapPlugin::Automate(int paramIdx, double normalizedValue) {
  if (!Listed(static_cast<clap_id>(paramIdx))) return;
  // The host keeps values in the parameter's own units.
  const double value = Plug().GetParam(paramIdx)->ValueForNormalized(normalizedValue);
  Push({ClapEdit::Kind::kValue, paramIdx, value});
}

void ClapPlugin::EndEdit(int paramIdx) {
  if (Listed(static_cast<clap_id>(paramIdx))) Push({ClapEdit::Kind::kEnd, paramIdx, 0.});
}

void ClapPlugin::EditorResized(int width, int height) {
  if (width <= 0 || height <= 0) return;
  mResizeRequest =
      std::uint64_t{static_cast<std::uint32_t>(width)} << 32 | static_cast<std::uint32_t>(height);
}

void ClapPlugin::LatencyChanged(int) {
  // Only a new activation may report another latency.
  if (mHost->request_restart) mHost->request_restart(mHost);
}

void ClapPlugin::TextsChanged() {
  mTextsChanged = true;
}

void ClapPlugin::ProgramChanged() {
  mRescanValues = true;
}

HostProduct ClapPlugin::Identify() {
  return {mHost->name ? mHost->name : "", 0};
}

std::uint32_t ClapPlugin::Latency() const {
  return static_cast<std::uint32_t>(std::max(Plug().GetLatency(), 0));
}

bool ClapPlugin::SetRenderMode(std::int32_t mode) {
  if (mode != kClapRenderRealtime && mode != kClapRenderOffline) return false;
  mOffline = mode == kClapRenderOffline;
  return true;
}

// ---------------------------------------------------------------------------
// Ports.

std::uint32_t ClapPlugin::PortChannels() const {
  return mStereoPorts ? 2 : mChannels;
}

std::uint32_t ClapPlugin::AudioPortCount(bool) const {
  return mChannels / PortChannels();
}

bool ClapPlugin::AudioPortInfo(std::uint32_t index, bool isInput,
                               clap_audio_port_info_t* info) const {
  return ConfigPortInfo(mStereoPorts ? kConfigStereoPorts : kConfigOnePort, index, isInput, info);
}

bool ClapPlugin::ConfigPortInfo(clap_id config, std::uint32_t index, bool isInput,
                                clap_audio_port_info_t* info) const {
  if (!info || config > kConfigStereoPorts) return false;
  const bool stereo = config == kConfigStereoPorts;
  const std::uint32_t perPort = stereo ? 2 : mChannels;
  if (index >= mChannels / perPort) return false;
  *info = {};
  info->id = index;
  if (stereo)
    CopyUtf8ToField((isInput ? "Track " : "Out ") + std::to_string(index + 1), info->name,
                    sizeof info->name);
  else
    CopyUtf8ToField(isInput ? "Inputs" : "Outputs", info->name, sizeof info->name);
  info->flags = kClapAudioPortSupports64Bits | kClapAudioPortRequiresCommonSampleSize |
                (index == 0 ? kClapAudioPortIsMain : 0u);
  info->channel_count = perPort;
  info->port_type = perPort == 2 ? kClapPortStereo : nullptr;
  // Each input sample is read before its output is written.
  info->in_place_pair = index;
  return true;
}

std::uint32_t ClapPlugin::ConfigCount() const {
  return mChannels % 2 == 0 && mChannels > 2 ? 2 : 1;
}

bool ClapPlugin::ConfigInfo(std::uint32_t index, clap_audio_ports_config_t* config) const {
  if (!config || index >= ConfigCount()) return false;
  clap_audio_port_info_t main{};
  ConfigPortInfo(index, 0, true, &main);
  *config = {};
  config->id = index;
  CopyUtf8ToField(index == kConfigStereoPorts ? std::to_string(mChannels / 2) + " stereo ports"
                                              : std::to_string(mChannels) + " channels on one port",
                  config->name, sizeof config->name);
  config->input_port_count = config->output_port_count = mChannels / main.channel_count;
  config->has_main_input = config->has_main_output = true;
  config->main_input_channel_count = config->main_output_channel_count = main.channel_count;
  config->main_input_port_type = config->main_output_port_type = main.port_type;
  return true;
}

bool ClapPlugin::SelectConfig(clap_id config) {
  ExpectThread(ThreadRole::kHost);
  if (mActive || config >= ConfigCount()) return false;
  mStereoPorts = config == kConfigStereoPorts;
  return true;
}

clap_id ClapPlugin::CurrentConfig() const {
  return mStereoPorts ? kConfigStereoPorts : kConfigOnePort;
}

std::uint32_t ClapPlugin::NotePortCount(bool) const {
  return 1;
}

bool ClapPlugin::NotePortInfo(std::uint32_t index, bool isInput,
                              clap_note_port_info_t* info) const {
  if (index != 0 || !info) return false;
  *info = {};
  info->id = 0;
  info->supported_dialects = kClapNoteDialectClap | kClapNoteDialectMidi;
  info->preferred_dialect = kClapNoteDialectMidi;
  CopyUtf8ToField(isInput ? "MIDI in" : "MIDI out", info->name, sizeof info->name);
  return true;
}
