// The console through its LV2 face: the adapter and its UI, linked in, in the
// LV2 test host. As LV2 hosts do, the host keeps the control ports' values
// itself and saves them beside the properties the plug-in stores; what the
// editor tells it reaches it through a UI, made when first idled.
#pragma once

#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lv2/lv2_descriptors.h"
#include "lv2/lv2_plugin.h"
#include "tests/hosts/lv2_test_host.h"
#ifdef QUOR_X_SESSION
#include "tests/platform/x_session.h"
#endif
#include "tests/plugin/console_host.h"

class Lv2ConsoleHost : public ConsoleHost {
 public:
  Lv2ConsoleHost() : mPending(Lv2DescriptionOf(QuorDescriptor()).mPorts.size()) {}

  void Start(double sampleRate, int maxBlock) override {
    mInstance = std::make_unique<Lv2Instance>(mLibrary, sampleRate, Lv2Features{true, maxBlock});
    const auto& ports = Lv2DescriptionOf(QuorDescriptor()).mPorts;
    for (std::size_t p = 0; p < ports.size(); ++p)
      mPending[p].store(mInstance->Control(static_cast<int>(p)));
  }
  // Normalised as the console keeps values, in the port's own units.
  void Set(int param, double normalized) override {
    const int port = PortOf(param);
    if (port < 0) return;
    const Lv2Port& p = Lv2DescriptionOf(QuorDescriptor()).mPorts[static_cast<std::size_t>(port)];
    mPending[static_cast<std::size_t>(port)].store(
        static_cast<float>(p.mMin + normalized * (p.mMax - p.mMin)));
  }
  double Get(int param) override {
    const int port = PortOf(param);
    if (port < 0) return 0.;
    const Lv2Port& p = Lv2DescriptionOf(QuorDescriptor()).mPorts[static_cast<std::size_t>(port)];
    const double value = static_cast<double>(mPending[static_cast<std::size_t>(port)].load());
    return (std::clamp(value, p.mMin, p.mMax) - p.mMin) / (p.mMax - p.mMin);
  }
  // The host writes its ports between runs, on the audio thread.
  void Process(float* const* inputs, float* const* outputs, int frames) override {
    for (std::size_t p = 0; p < mPending.size(); ++p)
      if (Lv2DescriptionOf(QuorDescriptor()).mPorts[p].mKind == Lv2Port::Kind::kControlIn)
        mInstance->Control(static_cast<int>(p)) = mPending[p].load();
    mInstance->Run(inputs, outputs, static_cast<std::uint32_t>(frames));
  }
  void Reset() override { mInstance->Restart(); }
  std::vector<std::uint8_t> Save() override {
    Lv2State state;
    if (mInstance->Save(&state) != LV2_STATE_SUCCESS) return {};
    std::vector<std::uint8_t> bytes;
    for (const auto& value : mPending)
      Put(bytes, value.load());
    for (const auto& [key, property] : state.mProperties) {
      PutText(bytes, mInstance->Map().Uri(key));
      PutText(bytes, mInstance->Map().Uri(property.mType));
      PutText(bytes, property.mBytes);
    }
    return bytes;
  }
  bool Restore(const std::vector<std::uint8_t>& bytes) override {
    std::size_t at = 0;
    std::vector<float> values(mPending.size());
    for (float& value : values)
      if (!Get(bytes, &at, &value)) return false;
    Lv2State state;
    while (at < bytes.size()) {
      std::string key, type, value;
      if (!GetText(bytes, &at, &key) || !GetText(bytes, &at, &type) || !GetText(bytes, &at, &value))
        return false;
      state.mProperties[mInstance->Map().Id(key)] = {mInstance->Map().Id(type), value};
    }
    for (std::size_t p = 0; p < values.size(); ++p)
      mPending[p].store(values[p]);
    return mInstance->Restore(&state) == LV2_STATE_SUCCESS;
  }
  std::vector<std::string> Names() override { return mInstance->SavedTexts(); }
  IEffectBase& Plug() override { return static_cast<Lv2Plugin*>(mInstance->Handle())->Plug(); }
  bool Idle() override {
    if (!mUi) {
#ifdef QUOR_X_SESSION
      if (!XSessionReady()) return false;
#else
      return false;
#endif
      mUi = std::make_unique<Lv2UiInstance>(mLibrary, *mInstance, mUiHost);
      if (!mUi->Valid()) return false;
    }
    mUi->Idle();
    // The host puts what the UI wrote into the ports it keeps.
    const std::vector<Lv2UiHostSide::Told> told = mUiHost.Log();
    for (; mWritesApplied < told.size(); ++mWritesApplied)
      if (told[mWritesApplied].mKind == Lv2UiHostSide::Told::Kind::kWrite &&
          told[mWritesApplied].mPort < mPending.size())
        mPending[told[mWritesApplied].mPort].store(told[mWritesApplied].mValue);
    return true;
  }
  std::vector<std::string> TakeEdits() override {
    std::vector<std::string> edits;
    const auto& ports = Lv2DescriptionOf(QuorDescriptor()).mPorts;
    for (const Lv2UiHostSide::Told& told : mUiHost.Log()) {
      if (told.mKind == Lv2UiHostSide::Told::Kind::kResize || told.mPort >= ports.size()) continue;
      const std::string param = std::to_string(ports[told.mPort].mIndex);
      if (told.mKind == Lv2UiHostSide::Told::Kind::kWrite) {
        edits.push_back("a" + param);
      } else {
        edits.push_back((told.mValue != 0.f ? "b" : "e") + param);
      }
    }
    mUiHost.Clear();
    mWritesApplied = 0;
    return edits;
  }
  std::vector<std::string> Violations() override {
    return mUiHost.Violations();
  }
  // The ports the bundle's Turtle and the adapter share: audio and controls.
  Publication Published() override {
    const Lv2Description& d = Lv2DescriptionOf(QuorDescriptor());
    Publication published{d.mName, 0, 0, {}};
    for (const Lv2Port& port : d.mPorts) {
      published.mInputs += port.mKind == Lv2Port::Kind::kAudioIn;
      published.mOutputs += port.mKind == Lv2Port::Kind::kAudioOut;
      if (port.mKind == Lv2Port::Kind::kControlIn)
        published.mParams.push_back({port.mIndex, port.mName, port.mMin, port.mMax, port.mDefault});
    }
    return published;
  }
  bool RestoreNames(const std::vector<std::string>& names) override {
    Lv2State state;
    const auto& keys = Lv2DescriptionOf(QuorDescriptor()).mTextKeys;
    for (std::size_t i = 0; i < keys.size() && i < names.size(); ++i)
      state.mProperties[mInstance->Map().Id(keys[i])] = {mInstance->Map().Id(LV2_ATOM__String),
                                                         names[i] + '\0'};
    return mInstance->Restore(&state) == LV2_STATE_SUCCESS;
  }

 private:
  static int PortOf(int param) {
    const auto& ports = Lv2DescriptionOf(QuorDescriptor()).mPorts;
    for (std::size_t p = 0; p < ports.size(); ++p)
      if (ports[p].mKind == Lv2Port::Kind::kControlIn && ports[p].mIndex == param)
        return static_cast<int>(p);
    return -1;
  }
  static void Put(std::vector<std::uint8_t>& bytes, float value) {
    const auto* b = reinterpret_cast<const std::uint8_t*>(&value);
    bytes.insert(bytes.end(), b, b + sizeof value);
  }
  static void PutText(std::vector<std::uint8_t>& bytes, const std::string& text) {
    const auto size = static_cast<std::uint32_t>(text.size());
    const auto* b = reinterpret_cast<const std::uint8_t*>(&size);
    bytes.insert(bytes.end(), b, b + sizeof size);
    bytes.insert(bytes.end(), text.begin(), text.end());
  }
  static bool Get(const std::vector<std::uint8_t>& bytes, std::size_t* at, float* value) {
    if (*at + sizeof *value > bytes.size()) return false;
    std::memcpy(value, bytes.data() + *at, sizeof *value);
    *at += sizeof *value;
    return true;
  }
  static bool GetText(const std::vector<std::uint8_t>& bytes, std::size_t* at, std::string* text) {
    std::uint32_t size = 0;
    if (*at + sizeof size > bytes.size()) return false;
    std::memcpy(&size, bytes.data() + *at, sizeof size);
    *at += sizeof size;
    if (*at + size > bytes.size()) return false;
    text->assign(reinterpret_cast<const char*>(bytes.data() + *at), size);
    *at += size;
    return true;
  }

  Lv2Library mLibrary{Lv2PluginDescriptor(Lv2DescriptionOf(QuorDescriptor())),
                      Lv2UiDescriptor(Lv2DescriptionOf(QuorDescriptor()))};
  std::unique_ptr<Lv2Instance> mInstance;
  Lv2UiHostSide mUiHost;
  std::unique_ptr<Lv2UiInstance> mUi;  // gone before the instance
  std::size_t mWritesApplied = 0;
  std::vector<std::atomic<float>> mPending;
};

inline std::unique_ptr<ConsoleHost> MakeLv2ConsoleHost() {
  return std::make_unique<Lv2ConsoleHost>();
}
