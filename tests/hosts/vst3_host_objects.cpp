#include "tests/hosts/vst3_host_objects.h"

#include <algorithm>
#include <cstring>

#include "vst3/string16.h"

namespace vst3_test {

using namespace vst3;

tresult HostApplication::getName(char16* name) {
  mChecks->Check(HostThread::kUi, "IHostApplication::getName");
  if (!name) return kInvalidArgument;
  CopyUtf8ToString16("QUOR Test Host", name, 128);
  return kResultOk;
}

tresult HostApplication::createInstance(const char*, const char*, void** obj) {
  mChecks->Check(HostThread::kUi, "IHostApplication::createInstance");
  if (obj) *obj = nullptr;
  return kNoInterface;
}

tresult HostApplication::isPlugInterfaceSupported(const char* iid) {
  mChecks->Check(HostThread::kUi, "IPlugInterfaceSupport::isPlugInterfaceSupported");
  for (const Iid& known :
       {IComponent::kIid, IAudioProcessor::kIid, IEditController::kIid, IPlugView::kIid,
        IPlugViewContentScaleSupport::kIid, IUnitInfo::kIid, IEditController2::kIid})
    if (SameIid(iid, known)) return kResultTrue;
  return kResultFalse;
}

tresult ComponentHandler::beginEdit(ParamID id) {
  Record({EditCall::Kind::kBegin, id}, "IComponentHandler::beginEdit");
  return kResultOk;
}

tresult ComponentHandler::performEdit(ParamID id, ParamValue value) {
  Record({EditCall::Kind::kPerform, id, value}, "IComponentHandler::performEdit");
  return kResultOk;
}

tresult ComponentHandler::endEdit(ParamID id) {
  Record({EditCall::Kind::kEnd, id}, "IComponentHandler::endEdit");
  return kResultOk;
}

tresult ComponentHandler::restartComponent(int32 flags) {
  Record({EditCall::Kind::kRestart, 0, 0., flags}, "IComponentHandler::restartComponent");
  return kResultOk;
}

void ComponentHandler::Record(EditCall call, const char* name) {
  mChecks->Check(HostThread::kUi, name);
  call.mOnUiThread = mChecks->OnUiThread();
  std::lock_guard lock(mMutex);
  mCalls.push_back(call);
}

std::vector<EditCall> ComponentHandler::Calls() const {
  std::lock_guard lock(mMutex);
  return mCalls;
}

void ComponentHandler::Clear() {
  std::lock_guard lock(mMutex);
  mCalls.clear();
}

tresult MemoryStream::read(void* buffer, int32 numBytes, int32* numBytesRead) {
  mChecks->Check(HostThread::kUi, "IBStream::read");
  ++mCalls;
  if (numBytesRead) *numBytesRead = 0;
  if (numBytes < 0 || (numBytes > 0 && !buffer)) return kInvalidArgument;
  const auto size = static_cast<std::int64_t>(mBytes.size());
  const std::int64_t n = std::clamp<std::int64_t>(
      std::min<std::int64_t>({numBytes, mMaxPerCall, size - mPosition}), 0, numBytes);
  if (n > 0) std::memcpy(buffer, mBytes.data() + mPosition, static_cast<std::size_t>(n));
  mPosition += n;
  if (numBytesRead) *numBytesRead = static_cast<int32>(n);
  return kResultOk;
}

tresult MemoryStream::write(void* buffer, int32 numBytes, int32* numBytesWritten) {
  mChecks->Check(HostThread::kUi, "IBStream::write");
  ++mCalls;
  if (numBytesWritten) *numBytesWritten = 0;
  if (numBytes < 0 || (numBytes > 0 && !buffer)) return kInvalidArgument;
  const int32 n = std::min(numBytes, mMaxPerCall);
  const auto end = static_cast<std::size_t>(mPosition + n);
  if (end > mBytes.size()) mBytes.resize(end);
  if (n > 0) std::memcpy(mBytes.data() + mPosition, buffer, static_cast<std::size_t>(n));
  mPosition += n;
  if (numBytesWritten) *numBytesWritten = n;
  return kResultOk;
}

tresult MemoryStream::seek(int64 pos, int32 mode, int64* result) {
  mChecks->Check(HostThread::kUi, "IBStream::seek");
  const std::int64_t base = mode == kSeekSet   ? 0
                            : mode == kSeekCur ? mPosition
                            : mode == kSeekEnd ? static_cast<std::int64_t>(mBytes.size())
                                               : -1;
  if (base < 0 || base + pos < 0) return kInvalidArgument;
  mPosition = base + pos;
  if (result) *result = mPosition;
  return kResultOk;
}

tresult MemoryStream::tell(int64* pos) {
  mChecks->Check(HostThread::kUi, "IBStream::tell");
  if (!pos) return kInvalidArgument;
  *pos = mPosition;
  return kResultOk;
}

tresult MemoryStream::getStreamSize(int64* size) {
  mChecks->Check(HostThread::kUi, "ISizeableStream::getStreamSize");
  if (!size) return kInvalidArgument;
  *size = static_cast<int64>(mBytes.size());
  return kResultOk;
}

tresult MemoryStream::setStreamSize(int64 size) {
  mChecks->Check(HostThread::kUi, "ISizeableStream::setStreamSize");
  if (size < 0) return kInvalidArgument;
  mBytes.resize(static_cast<std::size_t>(size));
  return kResultOk;
}

ParamValueQueue::ParamValueQueue(HostChecks* checks, int capacity)
    : mChecks(checks), mCapacity(static_cast<std::size_t>(capacity)) {
  mPoints.reserve(mCapacity);
}

void ParamValueQueue::Reset(ParamID id) {
  mId = id;
  mPoints.clear();
}

bool ParamValueQueue::Add(int32 offset, double value) {
  if (mPoints.size() == mCapacity) return false;
  mPoints.push_back({offset, value});
  return true;
}

ParamID ParamValueQueue::getParameterId() {
  mChecks->Check(HostThread::kAudio, "IParamValueQueue::getParameterId");
  return mId;
}

int32 ParamValueQueue::getPointCount() {
  mChecks->Check(HostThread::kAudio, "IParamValueQueue::getPointCount");
  return static_cast<int32>(mPoints.size());
}

tresult ParamValueQueue::getPoint(int32 index, int32* sampleOffset, ParamValue* value) {
  mChecks->Check(HostThread::kAudio, "IParamValueQueue::getPoint");
  if (index < 0 || static_cast<std::size_t>(index) >= mPoints.size() || !sampleOffset || !value)
    return kInvalidArgument;
  *sampleOffset = mPoints[static_cast<std::size_t>(index)].mOffset;
  *value = mPoints[static_cast<std::size_t>(index)].mValue;
  return kResultOk;
}

tresult ParamValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32* index) {
  mChecks->Check(HostThread::kAudio, "IParamValueQueue::addPoint");
  if (index) *index = static_cast<int32>(mPoints.size());
  return Add(sampleOffset, value) ? kResultOk : kResultFalse;
}

ParameterChanges::ParameterChanges(HostChecks* checks, int maxQueues, int maxPoints)
    : mChecks(checks) {
  for (int q = 0; q < maxQueues; ++q)
    mQueues.push_back(std::make_unique<ParamValueQueue>(checks, maxPoints));
}

void ParameterChanges::Clear() {
  mUsed = 0;
}

ParamValueQueue* ParameterChanges::QueueOf(ParamID id, int32* index) {
  for (int q = 0; q < mUsed; ++q) {
    if (mQueues[static_cast<std::size_t>(q)]->Id() != id) continue;
    if (index) *index = q;
    return mQueues[static_cast<std::size_t>(q)].get();
  }
  if (static_cast<std::size_t>(mUsed) == mQueues.size()) return nullptr;
  if (index) *index = mUsed;
  ParamValueQueue* queue = mQueues[static_cast<std::size_t>(mUsed++)].get();
  queue->Reset(id);
  return queue;
}

bool ParameterChanges::Add(ParamID id, int32 offset, double value) {
  ParamValueQueue* queue = QueueOf(id, nullptr);
  return queue && queue->Add(offset, value);
}

const ParamValueQueue* ParameterChanges::Find(ParamID id) const {
  for (int q = 0; q < mUsed; ++q)
    if (mQueues[static_cast<std::size_t>(q)]->Id() == id)
      return mQueues[static_cast<std::size_t>(q)].get();
  return nullptr;
}

int32 ParameterChanges::getParameterCount() {
  mChecks->Check(HostThread::kAudio, "IParameterChanges::getParameterCount");
  return mUsed;
}

IParamValueQueue* ParameterChanges::getParameterData(int32 index) {
  mChecks->Check(HostThread::kAudio, "IParameterChanges::getParameterData");
  if (index < 0 || index >= mUsed) return nullptr;
  return mQueues[static_cast<std::size_t>(index)].get();
}

IParamValueQueue* ParameterChanges::addParameterData(const ParamID* id, int32* index) {
  mChecks->Check(HostThread::kAudio, "IParameterChanges::addParameterData");
  if (!id) return nullptr;
  return QueueOf(*id, index);
}

EventList::EventList(HostChecks* checks, int capacity)
    : mChecks(checks), mCapacity(static_cast<std::size_t>(capacity)) {
  mEvents.reserve(mCapacity);
}

bool EventList::Add(const Event& event) {
  if (mEvents.size() == mCapacity) return false;
  mEvents.push_back(event);
  return true;
}

int32 EventList::getEventCount() {
  mChecks->Check(HostThread::kAudio, "IEventList::getEventCount");
  return static_cast<int32>(mEvents.size());
}

tresult EventList::getEvent(int32 index, Event* e) {
  mChecks->Check(HostThread::kAudio, "IEventList::getEvent");
  if (index < 0 || static_cast<std::size_t>(index) >= mEvents.size() || !e) return kInvalidArgument;
  *e = mEvents[static_cast<std::size_t>(index)];
  return kResultOk;
}

tresult EventList::addEvent(Event* e) {
  mChecks->Check(HostThread::kAudio, "IEventList::addEvent");
  if (!e) return kInvalidArgument;
  return Add(*e) ? kResultOk : kResultFalse;
}

}  // namespace vst3_test
