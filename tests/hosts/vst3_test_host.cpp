#include "tests/hosts/vst3_test_host.h"

#include <dlfcn.h>

#include <cstring>
#include <filesystem>

#include "framework/thread_role.h"
#include "vst3/string16.h"

namespace vst3_test {

using namespace vst3;

namespace {

template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

// A stream the plug-in was lent must come back with no reference held.
void ExpectReturned(HostChecks& checks, MemoryStream* stream, const char* call) {
  stream->addRef();
  if (stream->release() != 1) checks.Report(call);
}

}  // namespace

std::string ModuleBinary(const std::string& bundleOrBinary) {
  const std::filesystem::path path(bundleOrBinary);
  if (path.extension() != ".vst3" || !std::filesystem::is_directory(path)) return bundleOrBinary;
  return (path / "Contents" / "x86_64-linux" / path.stem()).string() + ".so";
}

std::string IidText(const char* bytes16) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (int i = 0; i < 16; ++i) {
    const auto byte = static_cast<unsigned char>(bytes16[i]);
    text += kHex[byte >> 4];
    text += kHex[byte & 15];
  }
  return text;
}

std::unique_ptr<Vst3Module> Vst3Module::Load(const std::string& path, std::string* error) {
  std::unique_ptr<Vst3Module> module(new Vst3Module);
  // Ardour's flags: nothing of the module is seen by other modules.
  module->mHandle = dlopen(ModuleBinary(path).c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (!module->mHandle) {
    *error = dlerror();
    return nullptr;
  }
  const auto factory = reinterpret_cast<GetFactoryProc>(dlsym(module->mHandle, "GetPluginFactory"));
  const auto entry = reinterpret_cast<ModuleEntryProc>(dlsym(module->mHandle, "ModuleEntry"));
  module->mExit = reinterpret_cast<ModuleExitProc>(dlsym(module->mHandle, "ModuleExit"));
  // Hosts refuse a Linux module without either of the two.
  if (!factory || !entry || !module->mExit) {
    *error = "the module lacks GetPluginFactory, ModuleEntry or ModuleExit";
    return nullptr;
  }
  if (!module->Start(factory, entry, error)) return nullptr;
  return module;
}

std::unique_ptr<Vst3Module> Vst3Module::Linked(GetFactoryProc factory, ModuleEntryProc entry,
                                               ModuleExitProc exit, std::string* error) {
  std::unique_ptr<Vst3Module> module(new Vst3Module);
  module->mExit = exit;
  if (!module->Start(factory, entry, error)) return nullptr;
  return module;
}

bool Vst3Module::Start(GetFactoryProc factory, ModuleEntryProc entry, std::string* error) {
  if (!entry(mHandle)) {
    *error = "ModuleEntry refused the load";
    return false;
  }
  mEntered = true;
  mFactory = RefPtr<IPluginFactory>::Adopt(factory());
  if (!mFactory) *error = "GetPluginFactory gave no factory";
  return static_cast<bool>(mFactory);
}

Vst3Module::~Vst3Module() {
  mFactory.Reset();
  if (mEntered && mExit) mExit();
  if (mHandle) dlclose(mHandle);
}

std::vector<Vst3Module::ClassInfo> Vst3Module::Classes() const {
  std::vector<ClassInfo> classes;
  const auto factory2 = RefPtr<IPluginFactory2>::Query(mFactory.Get());
  for (int32 i = 0; i < mFactory->countClasses(); ++i) {
    PClassInfo info{};
    if (mFactory->getClassInfo(i, &info) != kResultOk) continue;
    ClassInfo found;
    std::memcpy(found.mCid.mBytes.data(), info.cid, 16);
    found.mCardinality = info.cardinality;
    found.mCategory = FieldText(info.category);
    found.mName = FieldText(info.name);
    PClassInfo2 info2{};
    if (factory2 && factory2->getClassInfo2(i, &info2) == kResultOk) {
      found.mClassFlags = info2.classFlags;
      found.mSubCategories = FieldText(info2.subCategories);
      found.mVendor = FieldText(info2.vendor);
      found.mVersion = FieldText(info2.version);
      found.mSdkVersion = FieldText(info2.sdkVersion);
    }
    classes.push_back(found);
  }
  return classes;
}

std::optional<Iid> Vst3Module::AudioClass() const {
  for (const ClassInfo& info : Classes())
    if (info.mCategory == kAudioModuleClass) return info.mCid;
  return std::nullopt;
}

Vst3Host::Vst3Host()
    : mContext(RefPtr<HostApplication>::Adopt(new HostApplication(&mChecks))),
      mHandler(RefPtr<ComponentHandler>::Adopt(new ComponentHandler(&mChecks))) {}

Vst3Host::~Vst3Host() = default;

Vst3Instance::Vst3Instance(Vst3Host& host, const Vst3Module& module, const Iid& classId,
                           ControllerWay way)
    : mHost(host) {
  IPluginFactory* factory = module.Factory();
  void* made = nullptr;
  if (factory->createInstance(classId.Data(), IComponent::kIid.Data(), &made) != kResultOk ||
      !made) {
    mError = "createInstance gave no component";
    return;
  }
  mComponent = RefPtr<IComponent>::Adopt(static_cast<IComponent*>(made));
  if (mComponent->initialize(static_cast<IHostApplication*>(&host.Context())) != kResultOk) {
    mError = "the component's initialize failed";
    return;
  }
  mComponentInitialized = true;
  mProcessor = RefPtr<IAudioProcessor>::Query(mComponent.Get());
  if (!mProcessor) {
    mError = "the component is no audio processor";
    return;
  }

  mController = RefPtr<IEditController>::Query(mComponent.Get());
  mCombined = static_cast<bool>(mController);
  if (!mCombined) {
    char controllerId[16] = {};
    made = nullptr;
    if (mComponent->getControllerClassId(controllerId) != kResultOk ||
        factory->createInstance(controllerId, IEditController::kIid.Data(), &made) != kResultOk ||
        !made) {
      mError = "no controller";
      return;
    }
    mController = RefPtr<IEditController>::Adopt(static_cast<IEditController*>(made));
  }
  if (!mCombined || way == ControllerWay::kPerRole) {
    if (mController->initialize(static_cast<IHostApplication*>(&host.Context())) != kResultOk) {
      mError = "the controller's initialize failed";
      mController.Reset();
      return;
    }
    mControllerInitialized = true;
  }
  mController->setComponentHandler(&host.Handler());

  // Hosts hand the controller the component's state before anything else.
  const auto state = ComponentState();
  if (!state) {
    mError = "the component's getState failed";
    return;
  }
  auto stream = RefPtr<MemoryStream>::Adopt(new MemoryStream(&host.Checks(), *state));
  if (mController->setComponentState(stream.Get()) != kResultOk)
    mError = "the controller's setComponentState failed";
}

Vst3Instance::~Vst3Instance() {
  Stop();
  if (mController) {
    mController->setComponentHandler(nullptr);
    if (mControllerInitialized) mController->terminate();
  }
  if (mComponentInitialized) mComponent->terminate();
  mController.Reset();
  mProcessor.Reset();
  mComponent.Reset();
}

tresult Vst3Instance::Start(double sampleRate, int maxBlock, int32 sampleSize, int32 mode) {
  ProcessSetup setup{mode, sampleSize, maxBlock, sampleRate};
  if (const tresult r = mProcessor->setupProcessing(&setup); r != kResultOk) return r;
  std::vector<SpeakerArrangement> ins, outs;
  for (int32 dir : {kInput, kOutput}) {
    for (int32 bus = 0; bus < mComponent->getBusCount(kAudio, dir); ++bus) {
      mComponent->activateBus(kAudio, dir, bus, true);
      (dir == kInput ? ins : outs).push_back(kStereoArrangement);
    }
  }
  if (const tresult r = mProcessor->setBusArrangements(
          ins.data(), static_cast<int32>(ins.size()), outs.data(), static_cast<int32>(outs.size()));
      r != kResultOk)
    return r;
  if (const tresult r = mComponent->setActive(true); r != kResultOk) return r;
  mActive = true;
  return mProcessor->setProcessing(true);
}

void Vst3Instance::Stop() {
  if (!mActive) return;
  mProcessor->setProcessing(false);
  mComponent->setActive(false);
  mActive = false;
}

tresult Vst3Instance::Process(ProcessData& data) {
  const HostChecks::AudioScope inside;
  const ThreadRoleScope audio(ThreadRole::kAudio);
  return mProcessor->process(&data);
}

std::optional<std::vector<std::uint8_t>> Vst3Instance::ComponentState(
    int32 maxPerCall, const std::vector<std::uint8_t>& before) {
  auto stream = RefPtr<MemoryStream>::Adopt(new MemoryStream(&mHost.Checks(), before, maxPerCall));
  stream->SetPosition(static_cast<std::int64_t>(before.size()));
  const tresult result = mComponent->getState(stream.Get());
  ExpectReturned(mHost.Checks(), stream.Get(), "IComponent::getState kept the stream");
  if (result != kResultOk) return std::nullopt;
  const auto& bytes = stream->Bytes();
  return std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(before.size()),
                                   bytes.end());
}

tresult Vst3Instance::SetComponentState(const std::vector<std::uint8_t>& state, int32 maxPerCall,
                                        const std::vector<std::uint8_t>& before) {
  std::vector<std::uint8_t> bytes = before;
  bytes.insert(bytes.end(), state.begin(), state.end());
  tresult result = kResultOk;
  for (const bool component : {true, false}) {
    auto stream = RefPtr<MemoryStream>::Adopt(new MemoryStream(&mHost.Checks(), bytes, maxPerCall));
    stream->SetPosition(static_cast<std::int64_t>(before.size()));
    const tresult r = component ? mComponent->setState(stream.Get())
                                : mController->setComponentState(stream.Get());
    ExpectReturned(mHost.Checks(), stream.Get(), "setState kept the stream");
    if (result == kResultOk) result = r;
  }
  return result;
}

std::optional<std::vector<std::uint8_t>> Vst3Instance::ControllerState(int32 maxPerCall) {
  auto stream = RefPtr<MemoryStream>::Adopt(new MemoryStream(&mHost.Checks(), {}, maxPerCall));
  const tresult result = mController->getState(stream.Get());
  ExpectReturned(mHost.Checks(), stream.Get(), "IEditController::getState kept the stream");
  if (result != kResultOk) return std::nullopt;
  return stream->Bytes();
}

tresult Vst3Instance::SetControllerState(const std::vector<std::uint8_t>& state, int32 maxPerCall) {
  auto stream = RefPtr<MemoryStream>::Adopt(new MemoryStream(&mHost.Checks(), state, maxPerCall));
  const tresult result = mController->setState(stream.Get());
  ExpectReturned(mHost.Checks(), stream.Get(), "IEditController::setState kept the stream");
  return result;
}

std::vector<ParameterInfo> Vst3Instance::Parameters() const {
  std::vector<ParameterInfo> parameters;
  for (int32 i = 0; i < mController->getParameterCount(); ++i) {
    ParameterInfo info{};
    if (mController->getParameterInfo(i, &info) == kResultOk) parameters.push_back(info);
  }
  return parameters;
}

std::string Vst3Instance::ParamText(ParamID id, double normalized) const {
  String128 text{};
  if (mController->getParamStringByValue(id, normalized, text) != kResultOk) return {};
  return String16ToUtf8(text);
}

std::optional<double> Vst3Instance::ParamValue(ParamID id, const std::string& text) const {
  String128 text16{};
  CopyUtf8ToString16(text, text16);
  double value = 0.;
  if (mController->getParamValueByString(id, text16, &value) != kResultOk) return std::nullopt;
  return value;
}

}  // namespace vst3_test
