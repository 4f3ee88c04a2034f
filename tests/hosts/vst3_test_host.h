// The project's headless VST3 host for tests, benchmarks and fuzzers: loads a
// module as hosts do (dlopen of a bundle's shared object, or a factory
// linked into the test), creates a plug-in's component and controller the
// way Ardour does (a combined object initialised once per role) or the
// reference loader's way (once), and drives it through the format's calls:
// set-up, activation, process as the host's audio thread, state through
// streams that move a few bytes per call, teardown in the format's order.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/hosts/vst3_host_checks.h"
#include "tests/hosts/vst3_host_objects.h"
#include "vst3/ref_ptr.h"
#include "vst3/vst3_abi.h"

namespace vst3_test {

// The shared object of a bundle (BUNDLE.vst3/Contents/x86_64-linux/BUNDLE.so);
// any other path is taken as the shared object itself.
std::string ModuleBinary(const std::string& bundleOrBinary);

// The 32 upper-case hex digits hosts write a class id as.
std::string IidText(const char* bytes16);

class Vst3Module {
 public:
  struct ClassInfo {
    vst3::Iid mCid{};
    vst3::int32 mCardinality = 0;
    std::string mCategory;
    std::string mName;
    vst3::uint32 mClassFlags = 0;  // from here on from getClassInfo2, where it answers
    std::string mSubCategories;
    std::string mVendor;
    std::string mVersion;
    std::string mSdkVersion;
  };

  // dlopen, ModuleEntry with dlopen's handle, GetPluginFactory. Null, and
  // `error` says why, when any of them fails or is missing.
  static std::unique_ptr<Vst3Module> Load(const std::string& path, std::string* error);
  // The same with a module linked into the test program.
  static std::unique_ptr<Vst3Module> Linked(vst3::GetFactoryProc factory,
                                            vst3::ModuleEntryProc entry, vst3::ModuleExitProc exit,
                                            std::string* error);
  // Releases the factory, calls ModuleExit, dlcloses.
  ~Vst3Module();
  Vst3Module(const Vst3Module&) = delete;
  Vst3Module& operator=(const Vst3Module&) = delete;

  vst3::IPluginFactory* Factory() const { return mFactory.Get(); }
  std::vector<ClassInfo> Classes() const;
  // The first class of the audio module category.
  std::optional<vst3::Iid> AudioClass() const;

 private:
  Vst3Module() = default;
  bool Start(vst3::GetFactoryProc factory, vst3::ModuleEntryProc entry, std::string* error);

  void* mHandle = nullptr;
  vst3::ModuleExitProc mExit = nullptr;
  bool mEntered = false;
  vst3::RefPtr<vst3::IPluginFactory> mFactory;
};

// The host's side that outlives its instances: the checks, the context
// object and the component handler.
class Vst3Host {
 public:
  Vst3Host();
  ~Vst3Host();
  Vst3Host(const Vst3Host&) = delete;
  Vst3Host& operator=(const Vst3Host&) = delete;

  HostChecks& Checks() { return mChecks; }
  HostApplication& Context() { return *mContext; }
  ComponentHandler& Handler() { return *mHandler; }

 private:
  HostChecks mChecks;
  vst3::RefPtr<HostApplication> mContext;
  vst3::RefPtr<ComponentHandler> mHandler;
};

enum class ControllerWay {
  kPerRole,  // Ardour: a combined object initialised again (and terminated
             // again) as the controller
  kOnce,     // a combined object initialised once
};

class Vst3Instance {
 public:
  Vst3Instance(Vst3Host& host, const Vst3Module& module, const vst3::Iid& classId,
               ControllerWay way = ControllerWay::kPerRole);
  // In the format's order: processing and activation off, the handler
  // dropped, controller and component terminated, every reference released.
  ~Vst3Instance();
  Vst3Instance(const Vst3Instance&) = delete;
  Vst3Instance& operator=(const Vst3Instance&) = delete;

  // Empty when the instance came up with its component, processor and
  // controller; what failed otherwise.
  const std::string& Error() const { return mError; }

  vst3::IComponent* Component() const { return mComponent.Get(); }
  vst3::IAudioProcessor* Processor() const { return mProcessor.Get(); }
  vst3::IEditController* Controller() const { return mController.Get(); }
  template <typename Interface>
  vst3::RefPtr<Interface> Query() const {
    return vst3::RefPtr<Interface>::Query(mComponent.Get());
  }

  // As hosts start processing: setupProcessing, every audio bus active and
  // stereo, setActive, setProcessing. The first result that failed.
  vst3::tresult Start(double sampleRate, int maxBlock, vst3::int32 sampleSize = vst3::kSample32,
                      vst3::int32 mode = vst3::kRealtime);
  // setProcessing(false), setActive(false).
  void Stop();
  // One call as the host's audio thread makes it.
  vst3::tresult Process(vst3::ProcessData& data);

  // The component's state, written into a stream that moves at most
  // `maxPerCall` bytes per call and already holds `before` (as Ardour writes
  // several states into one stream); empty when getState failed.
  std::optional<std::vector<std::uint8_t>> ComponentState(
      vst3::int32 maxPerCall = MemoryStream::kUnlimited,
      const std::vector<std::uint8_t>& before = {});
  // As a host loads a state: the component's setState, then the
  // controller's setComponentState with the same bytes (read from a stream
  // positioned after `before`). The first result that failed.
  vst3::tresult SetComponentState(const std::vector<std::uint8_t>& state,
                                  vst3::int32 maxPerCall = MemoryStream::kUnlimited,
                                  const std::vector<std::uint8_t>& before = {});
  std::optional<std::vector<std::uint8_t>> ControllerState(
      vst3::int32 maxPerCall = MemoryStream::kUnlimited);
  vst3::tresult SetControllerState(const std::vector<std::uint8_t>& state,
                                   vst3::int32 maxPerCall = MemoryStream::kUnlimited);

  // The controller's parameters, in its order.
  std::vector<vst3::ParameterInfo> Parameters() const;
  // The controller's text for a value, UTF-8; empty when it refuses.
  std::string ParamText(vst3::ParamID id, double normalized) const;
  // The controller's value for a text, or nothing when it refuses the text.
  std::optional<double> ParamValue(vst3::ParamID id, const std::string& text) const;

 private:
  Vst3Host& mHost;
  std::string mError;
  vst3::RefPtr<vst3::IComponent> mComponent;
  vst3::RefPtr<vst3::IAudioProcessor> mProcessor;
  vst3::RefPtr<vst3::IEditController> mController;
  bool mCombined = false;
  bool mComponentInitialized = false;
  bool mControllerInitialized = false;
  bool mActive = false;
};

}  // namespace vst3_test
