#include "vst3/vst3_plugin.h"

#include <algorithm>
#include <cstring>

#include "vst3/editor_view.h"
#include "vst3/host_transport.h"
#include "vst3/stream_io.h"
#include "vst3/string16.h"

using namespace vst3;

namespace {

// Where the whole state at the start of `bytes` ends, or -1.
int StateLength(const IEffectBase& plug, const std::vector<std::uint8_t>& bytes) {
  if (bytes.empty() || bytes.size() > static_cast<std::size_t>(IEffectBase::kMaxStateSize))
    return -1;
  ByteChunk chunk;
  chunk.Resize(static_cast<int>(bytes.size()));
  std::memcpy(chunk.GetBytes(), bytes.data(), bytes.size());
  int position = 0;
  IEffectBase::GetFrameworkVerFromChunk(&chunk, &position);
  if (position < 0) return -1;
  return plug.StateEnd(&chunk, position);
}

}  // namespace

FUnknown* Vst3Plugin::Create(const PlugDescriptor& descriptor) {
  try {
    std::unique_ptr<IEffectBase> plug = MakePlug(descriptor.mMake);
    if (!plug) return nullptr;
    return static_cast<IComponent*>(new Vst3Plugin(descriptor, std::move(plug)));
  } catch (...) {
    return nullptr;  // nothing may unwind into the host
  }
}

Vst3Plugin::Vst3Plugin(const PlugDescriptor& descriptor, std::unique_ptr<IEffectBase> plug)
    : PlugInstance(std::move(plug)),
      mDescriptor(descriptor),
      mParams(descriptor, Plug()),
      mBusActive(std::make_unique<std::atomic<bool>[]>(descriptor.mInputs.size() +
                                                       descriptor.mOutputs.size())) {
  const auto ins = static_cast<std::size_t>(Plug().NInChannels());
  const auto outs = static_cast<std::size_t>(Plug().NOutChannels());
  for (auto* pointers : {&mIn32, &mPieceIn32})
    pointers->resize(ins);
  for (auto* pointers : {&mOut32, &mPieceOut32})
    pointers->resize(outs);
  for (auto* pointers : {&mIn64, &mPieceIn64})
    pointers->resize(ins);
  for (auto* pointers : {&mOut64, &mPieceOut64})
    pointers->resize(outs);
  mLatency = Plug().GetLatency();
  Connect(this, kAPIVST3);
}

Vst3Plugin::~Vst3Plugin() {
  // The editor's thread goes before anything it could reach.
  DestroyPlug();
}

tresult Vst3Plugin::initialize(FUnknown* context) {
  // Once per role: the second initialisation of a combined object is no
  // new beginning.
  if (mRoles++ > 0) return kResultOk;
  if (auto application = RefPtr<IHostApplication>::Query(context)) {
    String128 name{};
    if (application->getName(name) == kResultOk) mHostName = String16ToUtf8(name);
  }
  (void)Enter([&] { Open(); });
  return kResultOk;
}

tresult Vst3Plugin::terminate() {
  if (mRoles > 0 && --mRoles == 0) {
    mHandler2.Reset();
    mHandler.Reset();
  }
  return kResultOk;
}

tresult Vst3Plugin::getControllerClassId(char*) {
  // The controller is this object: hosts find it on the component.
  return kResultFalse;
}

tresult Vst3Plugin::setIoMode(IoMode) {
  return kResultOk;
}

int32 Vst3Plugin::BusCount(MediaType type, BusDirection dir) const {
  // Audio pairs only: the console takes no events.
  if (type != kAudio) return 0;
  if (dir == kInput) return static_cast<int32>(mDescriptor.mInputs.size());
  if (dir == kOutput) return static_cast<int32>(mDescriptor.mOutputs.size());
  return 0;
}

int32 Vst3Plugin::getBusCount(MediaType type, BusDirection dir) {
  return BusCount(type, dir);
}

bool Vst3Plugin::BusExists(MediaType type, BusDirection dir, int32 index) const {
  return index >= 0 && index < BusCount(type, dir);
}

tresult Vst3Plugin::getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo* bus) {
  if (!bus || !BusExists(type, dir, index)) return kInvalidArgument;
  const auto& pairs = dir == kInput ? mDescriptor.mInputs : mDescriptor.mOutputs;
  *bus = {};
  bus->mediaType = type;
  bus->direction = dir;
  bus->channelCount = 2;
  CopyUtf8ToString16(pairs[static_cast<std::size_t>(index)].mName, bus->name);
  // Every pair a main bus: hosts add main buses' channels up, and take aux
  // buses for side chains.
  bus->busType = kMain;
  bus->flags = BusInfo::kDefaultActive;
  return kResultOk;
}

tresult Vst3Plugin::getRoutingInfo(RoutingInfo*, RoutingInfo*) {
  return kNotImplemented;
}

tresult Vst3Plugin::activateBus(MediaType type, BusDirection dir, int32 index, TBool state) {
  if (!BusExists(type, dir, index)) return kInvalidArgument;
  const std::size_t at =
      (dir == kInput ? 0 : mDescriptor.mInputs.size()) + static_cast<std::size_t>(index);
  mBusActive[at].store(state != 0, std::memory_order_release);
  return kResultOk;
}

tresult Vst3Plugin::setActive(TBool state) {
  // Ardour switches on its audio thread: the plug-in's own mutex, nothing
  // more. Switched off, the console is cleared.
  (void)Enter([&] { SetActive(state != 0); });
  mActive.store(state != 0, std::memory_order_release);
  return kResultOk;
}

bool Vst3Plugin::RestoreFrom(IBStream* stream, bool unlessSame) {
  ExpectUnlocked();  // the stream is the host's
  std::vector<std::uint8_t> bytes;
  if (!ReadToEnd(stream, IEffectBase::kMaxStateSize, &bytes)) return false;
  const auto read = static_cast<std::int64_t>(bytes.size());
  // The host's stream may go on after the state: only the state is ours.
  const int end = StateLength(Plug(), bytes);
  const std::span state(bytes.data(), static_cast<std::size_t>(std::max(end, 0)));
  ByteChunk current;
  const bool same = unlessSame && end > 0 && Plug().SaveState(&current, false) &&
                    std::ranges::equal(state, std::span(current.GetBytes(),
                                                        static_cast<std::size_t>(current.Size())));
  if (end <= 0 || (!same && !Plug().RestoreState(state, true))) {
    UnreadAfter(stream, 0, read);
    return false;
  }
  UnreadAfter(stream, end, read);
  return true;
}

tresult Vst3Plugin::SetComponentState(IBStream* state) {
  return NoThrow([&] { return RestoreFrom(state, false) ? kResultOk : kResultFalse; });
}

tresult Vst3Plugin::GetComponentState(IBStream* state) {
  return NoThrow([&] {
    // Saved without the mutex, written without it: the stream is the host's.
    ExpectUnlocked();
    ByteChunk chunk;
    if (!Plug().SaveState(&chunk, false)) return kInternalError;
    const std::span bytes(chunk.GetBytes(), static_cast<std::size_t>(chunk.Size()));
    return WriteAll(state, bytes) ? kResultOk : kResultFalse;
  });
}

tresult Vst3Plugin::SetControllerState(IBStream* state) {
  // The controller writes nothing of its own; whatever a host hands back is
  // left unread.
  return state ? kResultOk : kInvalidArgument;
}

tresult Vst3Plugin::GetControllerState(IBStream* state) {
  return state ? kResultOk : kInvalidArgument;
}

// What the plug-in tells its host: on the UI thread, from the view's timer.

IComponentHandler* Vst3Plugin::Handler() {
  ExpectUnlocked();
  return mHandler.Get();
}

void Vst3Plugin::BeginEdit(int paramIdx) {
  if (IComponentHandler* handler = Handler(); handler && mParams.Publishes(paramIdx))
    handler->beginEdit(static_cast<ParamID>(paramIdx));
}

void Vst3Plugin::Automate(int paramIdx, double normalizedValue) {
  if (IComponentHandler* handler = Handler(); handler && mParams.Publishes(paramIdx))
    handler->performEdit(static_cast<ParamID>(paramIdx), normalizedValue);
}

void Vst3Plugin::EndEdit(int paramIdx) {
  if (IComponentHandler* handler = Handler(); handler && mParams.Publishes(paramIdx))
    handler->endEdit(static_cast<ParamID>(paramIdx));
}

void Vst3Plugin::EditorResized(int width, int height) {
  if (mView) mView->Resized(width, height);
}

void Vst3Plugin::LatencyChanged(int samples) {
  mLatency.store(samples, std::memory_order_relaxed);
  if (IComponentHandler* handler = Handler()) handler->restartComponent(kLatencyChanged);
}

void Vst3Plugin::TextsChanged() {
  // Names live in the state alone: the host learns that it has changed.
  if (Handler() && mHandler2) mHandler2->setDirty(true);
}

void Vst3Plugin::ProgramChanged() {
  if (IComponentHandler* handler = Handler()) handler->restartComponent(kParamValuesChanged);
}

bool Vst3Plugin::IsRenderingOffline() {
  return mOffline.load(std::memory_order_relaxed);
}

bool Vst3Plugin::GetTransport(std::uint32_t, HostTransport* transport) {
  // The context lives as long as the process call on this thread.
  if (CurrentThreadRole() != ThreadRole::kAudio) return false;
  return TransportFromContext(mContext, mPieceStart, transport);
}

HostProduct Vst3Plugin::Identify() {
  return {mHostName, 0};
}

bool Vst3Plugin::SendMidi(const IMidiMsg&) {
  return false;  // no event bus
}

bool Vst3Plugin::SendSysEx(const ISysEx&) {
  return false;
}
