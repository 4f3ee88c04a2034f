// The objects a VST3 host lends a plug-in, as the test host implements them:
// its context, its component handler (recording every edit and its thread),
// byte streams that move at most N bytes per call, and the parameter changes
// and event lists of a block. Each checks the thread of every call the
// plug-in makes into it (vst3_host_checks.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/hosts/vst3_host_checks.h"
#include "vst3/ref_counted.h"
#include "vst3/vst3_abi.h"

namespace vst3_test {

// An object that lives as long as its owner in the host, whatever the
// plug-in's references say; the count is kept to see what the plug-in holds.
template <typename... Interfaces>
class HostOwned : public Interfaces... {
 public:
  virtual ~HostOwned() = default;
  vst3::tresult queryInterface(const char* iid, void** obj) override {
    if (!obj) return vst3::kInvalidArgument;
    *obj = vst3::FindInterface<Interfaces...>(this, iid);
    if (!*obj) return vst3::kNoInterface;
    addRef();
    return vst3::kResultOk;
  }
  vst3::uint32 addRef() override { return ++mRefs; }
  vst3::uint32 release() override { return --mRefs; }
  // References the plug-in took and did not give back.
  int HeldByPlugin() const { return static_cast<int>(mRefs.load()) - 1; }

 private:
  std::atomic<vst3::uint32> mRefs{1};
};

// The context given to initialize: the host's name and which interfaces it
// has. It makes no messages (the plug-in under test needs none).
class HostApplication final
    : public vst3::RefCounted<vst3::IHostApplication, vst3::IPlugInterfaceSupport> {
 public:
  explicit HostApplication(HostChecks* checks) : mChecks(checks) {}
  vst3::tresult getName(vst3::char16* name) override;
  vst3::tresult createInstance(const char* classId, const char* interfaceId, void** obj) override;
  vst3::tresult isPlugInterfaceSupported(const char* iid) override;

 private:
  HostChecks* mChecks;
};

struct EditCall {
  enum class Kind { kBegin, kPerform, kEnd, kRestart };
  Kind mKind;
  vst3::ParamID mId = 0;
  double mValue = 0.;      // performEdit's value
  vst3::int32 mFlags = 0;  // restartComponent's flags
  bool mOnUiThread = false;
};

class ComponentHandler final : public vst3::RefCounted<vst3::IComponentHandler> {
 public:
  explicit ComponentHandler(HostChecks* checks) : mChecks(checks) {}
  vst3::tresult beginEdit(vst3::ParamID id) override;
  vst3::tresult performEdit(vst3::ParamID id, vst3::ParamValue value) override;
  vst3::tresult endEdit(vst3::ParamID id) override;
  vst3::tresult restartComponent(vst3::int32 flags) override;

  std::vector<EditCall> Calls() const;
  void Clear();

 private:
  void Record(EditCall call, const char* name);

  HostChecks* mChecks;
  mutable std::mutex mMutex;
  std::vector<EditCall> mCalls;
};

// A stream in memory that moves at most `maxPerCall` bytes per read or write,
// as hosts' streams may.
class MemoryStream final : public vst3::RefCounted<vst3::IBStream, vst3::ISizeableStream> {
 public:
  static constexpr vst3::int32 kUnlimited = std::numeric_limits<vst3::int32>::max();
  MemoryStream(HostChecks* checks, std::vector<std::uint8_t> bytes = {},
               vst3::int32 maxPerCall = kUnlimited)
      : mChecks(checks), mBytes(std::move(bytes)), mMaxPerCall(maxPerCall) {}

  vst3::tresult read(void* buffer, vst3::int32 numBytes, vst3::int32* numBytesRead) override;
  vst3::tresult write(void* buffer, vst3::int32 numBytes, vst3::int32* numBytesWritten) override;
  vst3::tresult seek(vst3::int64 pos, vst3::int32 mode, vst3::int64* result) override;
  vst3::tresult tell(vst3::int64* pos) override;
  vst3::tresult getStreamSize(vst3::int64* size) override;
  vst3::tresult setStreamSize(vst3::int64 size) override;

  const std::vector<std::uint8_t>& Bytes() const { return mBytes; }
  std::int64_t Position() const { return mPosition; }
  void SetPosition(std::int64_t position) { mPosition = position; }
  int Calls() const { return mCalls; }

 private:
  HostChecks* mChecks;
  std::vector<std::uint8_t> mBytes;
  std::int64_t mPosition = 0;
  vst3::int32 mMaxPerCall;
  int mCalls = 0;
};

// One parameter's points in a block, with room allocated up front.
class ParamValueQueue final : public HostOwned<vst3::IParamValueQueue> {
 public:
  ParamValueQueue(HostChecks* checks, int capacity);
  void Reset(vst3::ParamID id);
  bool Add(vst3::int32 offset, double value);
  struct Point {
    vst3::int32 mOffset;
    double mValue;
  };
  const std::vector<Point>& Points() const { return mPoints; }
  vst3::ParamID Id() const { return mId; }

  vst3::ParamID getParameterId() override;
  vst3::int32 getPointCount() override;
  vst3::tresult getPoint(vst3::int32 index, vst3::int32* sampleOffset,
                         vst3::ParamValue* value) override;
  vst3::tresult addPoint(vst3::int32 sampleOffset, vst3::ParamValue value,
                         vst3::int32* index) override;

 private:
  HostChecks* mChecks;
  vst3::ParamID mId = vst3::kNoParamId;
  std::vector<Point> mPoints;
  std::size_t mCapacity;
};

// The changed parameters of a block: filled by the test for the input side,
// by the plug-in for the output side.
class ParameterChanges final : public HostOwned<vst3::IParameterChanges> {
 public:
  explicit ParameterChanges(HostChecks* checks, int maxQueues = 128, int maxPoints = 64);
  void Clear();
  // A point for `id`, in the queue of that id.
  bool Add(vst3::ParamID id, vst3::int32 offset, double value);
  // The queue of `id`, or null.
  const ParamValueQueue* Find(vst3::ParamID id) const;
  int Count() const { return mUsed; }

  vst3::int32 getParameterCount() override;
  vst3::IParamValueQueue* getParameterData(vst3::int32 index) override;
  vst3::IParamValueQueue* addParameterData(const vst3::ParamID* id, vst3::int32* index) override;

 private:
  ParamValueQueue* QueueOf(vst3::ParamID id, vst3::int32* index);

  HostChecks* mChecks;
  std::vector<std::unique_ptr<ParamValueQueue>> mQueues;
  int mUsed = 0;
};

class EventList final : public HostOwned<vst3::IEventList> {
 public:
  explicit EventList(HostChecks* checks, int capacity = 512);
  void Clear() { mEvents.clear(); }
  bool Add(const vst3::Event& event);
  const std::vector<vst3::Event>& Events() const { return mEvents; }

  vst3::int32 getEventCount() override;
  vst3::tresult getEvent(vst3::int32 index, vst3::Event* e) override;
  vst3::tresult addEvent(vst3::Event* e) override;

 private:
  HostChecks* mChecks;
  std::vector<vst3::Event> mEvents;
  std::size_t mCapacity;
};

}  // namespace vst3_test
