// The LV2 host that tests drive QUOR.lv2 through: it loads the bundle's
// binary as hosts do (dlopen, lv2_descriptor) or takes the descriptors linked
// into the test, maps URIs, offers the features a test asks for, keeps the
// control ports' values and a state in memory, and hosts the UI: what the UI
// tells it (written values, touches, a new size) is recorded and checked to
// come on the thread that calls the UI's idle function, with no plug-in
// mutex held (seen only of a plug-in linked into the test).
#pragma once

#include <dlfcn.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "framework/thread_role.h"

#include "lv2/lv2_description.h"
#include "plugin/quor_descriptor.h"

// The plug-in's and the UI's descriptors: from the built binary, or from the
// adapter linked into the test.
class Lv2Library {
 public:
  Lv2Library(const LV2_Descriptor* plugin, const LV2UI_Descriptor* ui) : mPlugin(plugin), mUi(ui) {}
#ifdef QUOR_LV2_BINARY
  Lv2Library() {
    mHandle = dlopen(QUOR_LV2_BINARY, RTLD_NOW | RTLD_LOCAL);
    if (!mHandle) throw std::runtime_error(dlerror());
    auto plugin = reinterpret_cast<LV2_Descriptor_Function>(dlsym(mHandle, "lv2_descriptor"));
    auto ui = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(mHandle, "lv2ui_descriptor"));
    if (!plugin || !ui) throw std::runtime_error("no descriptor functions");
    mPlugin = plugin(0);
    mUi = ui(0);
  }
#endif
  ~Lv2Library() {
    if (mHandle) dlclose(mHandle);
  }
  Lv2Library(const Lv2Library&) = delete;
  Lv2Library& operator=(const Lv2Library&) = delete;

  const LV2_Descriptor* mPlugin = nullptr;
  const LV2UI_Descriptor* mUi = nullptr;

 private:
  void* mHandle = nullptr;
};

// URIs to numbers, as hosts map them; any thread.
class UridMap {
 public:
  UridMap() : mMap{this, &Map} {}
  LV2_URID Id(const std::string& uri) {
    std::lock_guard lock(mMutex);
    auto [at, added] = mIds.emplace(uri, static_cast<LV2_URID>(mIds.size() + 1));
    return at->second;
  }
  std::string Uri(LV2_URID id) {
    std::lock_guard lock(mMutex);
    for (const auto& [uri, known] : mIds)
      if (known == id) return uri;
    return {};
  }
  LV2_URID_Map* Feature() { return &mMap; }

 private:
  static LV2_URID Map(LV2_URID_Map_Handle handle, const char* uri) {
    return uri ? static_cast<UridMap*>(handle)->Id(uri) : 0;
  }
  std::mutex mMutex;
  std::map<std::string, LV2_URID> mIds;
  LV2_URID_Map mMap;
};

// One map for the whole test program, as one host has one: states carry
// the same numbers from one instance to another.
inline UridMap& TheUridMap() {
  static UridMap map;
  return map;
}

// Properties a plug-in stored, as a host keeps them between save and restore.
struct Lv2State {
  struct Property {
    LV2_URID mType = 0;
    std::string mBytes;
  };
  std::map<LV2_URID, Property> mProperties;

  static LV2_State_Status Store(LV2_State_Handle handle, std::uint32_t key, const void* value,
                                std::size_t size, std::uint32_t type, std::uint32_t) {
    static_cast<Lv2State*>(handle)->mProperties[key] = {
        type, std::string(static_cast<const char*>(value), size)};
    return LV2_STATE_SUCCESS;
  }
  static const void* Retrieve(LV2_State_Handle handle, std::uint32_t key, std::size_t* size,
                              std::uint32_t* type, std::uint32_t* flags) {
    auto& properties = static_cast<Lv2State*>(handle)->mProperties;
    const auto at = properties.find(key);
    if (at == properties.end()) return nullptr;
    *size = at->second.mBytes.size();
    *type = at->second.mType;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    return at->second.mBytes.data();
  }
};

// What a test's host offers an instance.
struct Lv2Features {
  bool mMap = true;
  int mMaxBlock = 0;  // 0: no options
};

// One instance and its control ports' values; audio is connected per run.
class Lv2Instance {
 public:
  Lv2Instance(const Lv2Library& library, double rate, Lv2Features features = {})
      : mLibrary(library), mControls(Lv2DescriptionOf(QuorDescriptor()).mPorts.size(), 0.f) {
    const Lv2Description& d = Lv2DescriptionOf(QuorDescriptor());
    for (std::size_t p = 0; p < d.mPorts.size(); ++p)
      mControls[p] = static_cast<float>(d.mPorts[p].mDefault);
    mBlock = features.mMaxBlock;
    mOptions[0] = {
        LV2_OPTIONS_INSTANCE,   0,      mMap.Id(LV2_BUF_SIZE__maxBlockLength), sizeof(std::int32_t),
        mMap.Id(LV2_ATOM__Int), &mBlock};
    mOptions[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    if (features.mMap) mFeatureList.push_back(&mMapFeature);
    if (features.mMaxBlock > 0) mFeatureList.push_back(&mOptionsFeature);
    mFeatureList.push_back(nullptr);
    mHandle = library.mPlugin->instantiate(library.mPlugin, rate, "", mFeatureList.data());
    if (!mHandle) return;
    for (std::size_t p = 0; p < d.mPorts.size(); ++p)
      if (d.mPorts[p].mKind != Lv2Port::Kind::kAudioIn &&
          d.mPorts[p].mKind != Lv2Port::Kind::kAudioOut)
        library.mPlugin->connect_port(mHandle, static_cast<std::uint32_t>(p), &mControls[p]);
    library.mPlugin->activate(mHandle);
  }
  ~Lv2Instance() {
    if (!mHandle) return;
    mLibrary.mPlugin->deactivate(mHandle);
    mLibrary.mPlugin->cleanup(mHandle);
  }
  Lv2Instance(const Lv2Instance&) = delete;
  Lv2Instance& operator=(const Lv2Instance&) = delete;

  bool Valid() const { return mHandle != nullptr; }
  LV2_Handle Handle() const { return mHandle; }
  const LV2_Descriptor& Descriptor() const { return *mLibrary.mPlugin; }
  UridMap& Map() { return TheUridMap(); }

  static int Port(const std::string& symbol) {
    const auto& ports = Lv2DescriptionOf(QuorDescriptor()).mPorts;
    for (std::size_t p = 0; p < ports.size(); ++p)
      if (ports[p].mSymbol == symbol) return static_cast<int>(p);
    throw std::runtime_error("no port " + symbol);
  }
  float& Control(int port) { return mControls[static_cast<std::size_t>(port)]; }
  float& Control(const std::string& symbol) { return Control(Port(symbol)); }

  // Deactivated and activated again, as hosts reset an instance.
  void Restart() {
    Descriptor().deactivate(mHandle);
    Descriptor().activate(mHandle);
  }

  // Sixteen channels each way, any of them null.
  void Run(float* const* inputs, float* const* outputs, std::uint32_t frames) {
    const auto& ports = Lv2DescriptionOf(QuorDescriptor()).mPorts;
    for (std::size_t p = 0; p < ports.size(); ++p) {
      const auto index = static_cast<std::size_t>(ports[p].mIndex);
      if (ports[p].mKind == Lv2Port::Kind::kAudioIn)
        Descriptor().connect_port(mHandle, static_cast<std::uint32_t>(p),
                                  inputs ? inputs[index] : nullptr);
      if (ports[p].mKind == Lv2Port::Kind::kAudioOut)
        Descriptor().connect_port(mHandle, static_cast<std::uint32_t>(p),
                                  outputs ? outputs[index] : nullptr);
    }
    Descriptor().run(mHandle, frames);
  }

  const LV2_State_Interface* StateInterface() const {
    return static_cast<const LV2_State_Interface*>(
        Descriptor().extension_data(LV2_STATE__interface));
  }
  LV2_State_Status Save(Lv2State* state) {
    return StateInterface()->save(mHandle, &Lv2State::Store, state, 0, nullptr);
  }
  LV2_State_Status Restore(Lv2State* state) {
    return StateInterface()->restore(mHandle, &Lv2State::Retrieve, state, 0, nullptr);
  }
  // The texts a save stores, in the description's order; "?" for a missing one.
  std::vector<std::string> SavedTexts() {
    Lv2State state;
    Save(&state);
    std::vector<std::string> texts;
    for (const std::string& key : Lv2DescriptionOf(QuorDescriptor()).mTextKeys) {
      const auto at = state.mProperties.find(mMap.Id(key));
      texts.push_back(at == state.mProperties.end() ? "?" : std::string(at->second.mBytes.c_str()));
    }
    return texts;
  }

 private:
  const Lv2Library& mLibrary;
  UridMap& mMap = TheUridMap();
  std::int32_t mBlock = 0;
  LV2_Options_Option mOptions[2]{};
  LV2_Feature mMapFeature{LV2_URID__map, mMap.Feature()};
  LV2_Feature mOptionsFeature{LV2_OPTIONS__options, mOptions};
  std::vector<const LV2_Feature*> mFeatureList;
  std::vector<float> mControls;
  LV2_Handle mHandle = nullptr;
};

// What a UI tells its host, recorded with the rules it keeps.
class Lv2UiHostSide {
 public:
  struct Told {
    enum class Kind { kWrite, kTouch, kResize } mKind;
    std::uint32_t mPort = 0;  // a size's width
    float mValue = 0.f;       // a value; 1 or 0 for a touch; a size's height
  };

  std::vector<Told> Log() {
    std::lock_guard lock(mMutex);
    return mLog;
  }
  void Clear() {
    std::lock_guard lock(mMutex);
    mLog.clear();
  }
  std::vector<std::string> Violations() {
    std::lock_guard lock(mMutex);
    return mViolations;
  }
  // The thread the host idles the UI on; the UI's news are expected there.
  void SetUiThread() { mUiThread = std::this_thread::get_id(); }

  static void Write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size,
                    std::uint32_t protocol, const void* buffer) {
    if (protocol == 0 && size == sizeof(float) && buffer)
      static_cast<Lv2UiHostSide*>(controller)
          ->Tell({Told::Kind::kWrite, port, *static_cast<const float*>(buffer)});
  }
  static void Touch(LV2UI_Feature_Handle handle, std::uint32_t port, bool grabbed) {
    static_cast<Lv2UiHostSide*>(handle)->Tell({Told::Kind::kTouch, port, grabbed ? 1.f : 0.f});
  }
  static int Resize(LV2UI_Feature_Handle handle, int width, int height) {
    static_cast<Lv2UiHostSide*>(handle)->Tell(
        {Told::Kind::kResize, static_cast<std::uint32_t>(width), static_cast<float>(height)});
    return 0;
  }

 private:
  void Tell(const Told& told) {
    std::lock_guard lock(mMutex);
    mLog.push_back(told);
    if (PlugMutexesHeldByThisThread() > 0)
      mViolations.push_back("told with the plug-in's mutex held");
    if (mUiThread != std::thread::id() && std::this_thread::get_id() != mUiThread)
      mViolations.push_back("told off the thread that idles the UI");
  }

  std::mutex mMutex;
  std::vector<Told> mLog;
  std::vector<std::string> mViolations;
  std::thread::id mUiThread = std::this_thread::get_id();
};

// One UI of an instance, embedded nowhere (its own top-level window) or in
// a parent window, at the host's scale if it gives one; the host side
// outlives it.
class Lv2UiInstance {
 public:
  Lv2UiInstance(const Lv2Library& library, Lv2Instance& instance, Lv2UiHostSide& host,
                void* parent = nullptr, float scale = 0.f)
      : mLibrary(library), mScale(scale) {
    mInstanceAccess = {LV2_INSTANCE_ACCESS_URI, instance.Handle()};
    mTouch = {&host, &Lv2UiHostSide::Touch};
    mTouchFeature = {LV2_UI__touch, &mTouch};
    mResize = {&host, &Lv2UiHostSide::Resize};
    mResizeFeature = {LV2_UI__resize, &mResize};
    mParentFeature = {LV2_UI__parent, parent};
    std::vector<const LV2_Feature*> features{&mInstanceAccess, &mTouchFeature, &mResizeFeature};
    if (parent) features.push_back(&mParentFeature);
    UridMap& map = TheUridMap();
    mMapFeature = {LV2_URID__map, map.Feature()};
    mOptions[0] = {LV2_OPTIONS_INSTANCE,    0,      map.Id(LV2_UI__scaleFactor), sizeof(float),
                   map.Id(LV2_ATOM__Float), &mScale};
    mOptionsFeature = {LV2_OPTIONS__options, mOptions};
    if (scale > 0.f) {
      features.push_back(&mMapFeature);
      features.push_back(&mOptionsFeature);
    }
    features.push_back(nullptr);
    mHandle = library.mUi->instantiate(library.mUi, "", "", &Lv2UiHostSide::Write, &host, &mWidget,
                                       features.data());
  }
  ~Lv2UiInstance() {
    if (mHandle) mLibrary.mUi->cleanup(mHandle);
  }
  Lv2UiInstance(const Lv2UiInstance&) = delete;
  Lv2UiInstance& operator=(const Lv2UiInstance&) = delete;

  bool Valid() const { return mHandle != nullptr; }
  std::string Window() const { return std::to_string(reinterpret_cast<std::uintptr_t>(mWidget)); }
  // One idle call, as hosts make about 30 a second.
  void Idle() {
    const auto* idle = static_cast<const LV2UI_Idle_Interface*>(
        mLibrary.mUi->extension_data(LV2_UI__idleInterface));
    idle->idle(mHandle);
  }
  // Idle calls about 30 a second until `done` or five seconds.
  template <typename Done>
  bool IdleUntil(Done done) {
    for (int i = 0; i < 150; ++i) {
      Idle();
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(33));
    }
    return false;
  }

 private:
  const Lv2Library& mLibrary;
  LV2_Feature mInstanceAccess{};
  LV2UI_Touch mTouch{};
  LV2_Feature mTouchFeature{};
  LV2UI_Resize mResize{};
  LV2_Feature mResizeFeature{};
  LV2_Feature mParentFeature{};
  float mScale;
  LV2_Options_Option mOptions[2]{};
  LV2_Feature mMapFeature{};
  LV2_Feature mOptionsFeature{};
  LV2UI_Widget mWidget = nullptr;
  LV2UI_Handle mHandle = nullptr;
};
