// QUOR.vst3 as hosts see it: loaded from its bundle by the project's VST3
// host, or linked into the test (where the host sees the plug-in's mutexes
// and thread roles in every call into it), next to the VST2 plug-in it must
// match. Its class and buses, its
// parameters and their texts, its state through streams that move a few
// bytes per call, its sound at every block size and in both precisions, and
// calls a careful host would not make.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "plugin/quor_descriptor.h"
#include "tests/hosts/vst3_audio_block.h"
#include "tests/hosts/vst3_test_host.h"
#include "tests/vst3/vst2_reference.h"
#include "vst3/string16.h"

// The module's exports, linked in.
extern "C" vst3::IPluginFactory* GetPluginFactory();
extern "C" bool ModuleEntry(void* sharedLibraryHandle);
extern "C" bool ModuleExit();

namespace {

using namespace vst3;
using namespace vst3_test;

constexpr Iid kQuorClass = MakeIid(0xD0FF3248, 0x8DF7434B, 0xAA0B34D0, 0xFEA9DFB6);
constexpr int kChannels = 16;
constexpr ParamID kOutput1 = 4, kMode = 76, kGlobalBypass = 93;

enum class Loaded { kFromBundle, kLinked };

class Vst3Quor : public ::testing::TestWithParam<Loaded> {
 protected:
  void SetUp() override {
    std::string error;
    module = GetParam() == Loaded::kLinked
                 ? Vst3Module::Linked(&GetPluginFactory, &ModuleEntry, &ModuleExit, &error)
                 : Vst3Module::Load(QUOR_VST3_BUNDLE, &error);
    ASSERT_TRUE(module) << error;
    plugin = std::make_unique<Vst3Instance>(host, *module, kQuorClass);
    ASSERT_EQ(plugin->Error(), "");
  }
  void TearDown() override {
    plugin.reset();
    for (const std::string& violation : host.Checks().Violations())
      ADD_FAILURE() << violation;
  }
  IComponent* Component() const { return plugin->Component(); }
  IAudioProcessor* Processor() const { return plugin->Processor(); }
  IEditController* Controller() const { return plugin->Controller(); }

  // The VST2 plug-in's state after the same edits, as a program chunk.
  std::vector<std::uint8_t> Vst2Chunk() {
    Vst2Reference reference;
    reference.Set(kOutput1, 0.3f);
    reference.Set(kMode, 1.f);
    reference.Set(21, 0.8f);
    return reference.ProgramChunk();
  }

  Vst3Host host;
  std::unique_ptr<Vst3Module> module;
  std::unique_ptr<Vst3Instance> plugin;
};

// Deterministic noise on every channel, at a level that drives the saturation.
std::vector<std::vector<float>> Noise(int frames) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> sample(-0.9f, 0.9f);
  std::vector<std::vector<float>> noise(kChannels, std::vector<float>(frames));
  for (auto& channel : noise)
    for (float& s : channel)
      s = sample(random);
  return noise;
}

TEST_P(Vst3Quor, DescribesOneAudioClassWithEightStereoBusesEachWay) {
  PFactoryInfo factory{};
  ASSERT_EQ(module->Factory()->getFactoryInfo(&factory), kResultOk);
  EXPECT_STREQ(factory.vendor, "Vandorhaus");
  EXPECT_TRUE(factory.flags & PFactoryInfo::kUnicode);
  const auto classes = module->Classes();
  ASSERT_EQ(classes.size(), 1u);
  EXPECT_EQ(classes[0].mCid.mBytes, kQuorClass.mBytes);
  EXPECT_EQ(classes[0].mCategory, kAudioModuleClass);
  EXPECT_EQ(classes[0].mName, "QUOR");
  EXPECT_EQ(classes[0].mSubCategories, "Fx|Tools");
  EXPECT_EQ(classes[0].mVersion, "1.1.0");
  EXPECT_EQ(classes[0].mClassFlags, 0u);
  auto factory3 = RefPtr<IPluginFactory3>::Query(module->Factory());
  PClassInfoW wide{};
  ASSERT_TRUE(factory3 && factory3->getClassInfoUnicode(0, &wide) == kResultOk);
  EXPECT_EQ(String16ToUtf8(wide.name), "QUOR");
  PClassInfo none{};
  EXPECT_EQ(module->Factory()->getClassInfo(1, &none), kInvalidArgument);
  void* made = &none;
  EXPECT_NE(
      module->Factory()->createInstance(IComponent::kIid.Data(), IComponent::kIid.Data(), &made),
      kResultOk);
  EXPECT_EQ(made, nullptr);

  // The controller is the component; the buses are eight stereo main ones.
  char controllerClass[16];
  EXPECT_EQ(Component()->getControllerClassId(controllerClass), kResultFalse);
  EXPECT_EQ(Component()->getBusCount(kEvent, kInput), 0);
  for (const BusDirection dir : {kInput, kOutput}) {
    ASSERT_EQ(Component()->getBusCount(kAudio, dir), 8);
    for (int32 bus = 0; bus < 8; ++bus) {
      BusInfo info{};
      ASSERT_EQ(Component()->getBusInfo(kAudio, dir, bus, &info), kResultOk);
      EXPECT_EQ(info.channelCount, 2);
      EXPECT_EQ(info.busType, kMain);
      EXPECT_EQ(info.flags, BusInfo::kDefaultActive);
      const auto& pairs = dir == kInput ? QuorDescriptor().mInputs : QuorDescriptor().mOutputs;
      EXPECT_EQ(String16ToUtf8(info.name), pairs[static_cast<std::size_t>(bus)].mName);
    }
    BusInfo info{};
    EXPECT_EQ(Component()->getBusInfo(kAudio, dir, 8, &info), kInvalidArgument);
  }

  // Stereo buses only: anything else is refused and the buses stay stereo.
  std::vector<SpeakerArrangement> stereo(8, kStereoArrangement), mono = stereo;
  mono[3] = kMonoArrangement;
  EXPECT_EQ(Processor()->setBusArrangements(stereo.data(), 8, stereo.data(), 8), kResultTrue);
  EXPECT_EQ(Processor()->setBusArrangements(stereo.data(), 8, mono.data(), 8), kResultFalse);
  EXPECT_EQ(Processor()->setBusArrangements(stereo.data(), 7, stereo.data(), 8), kResultFalse);
  EXPECT_EQ(Processor()->setBusArrangements(nullptr, 8, stereo.data(), 8), kResultFalse);
  SpeakerArrangement kept = 0;
  ASSERT_EQ(Processor()->getBusArrangement(kOutput, 3, &kept), kResultOk);
  EXPECT_EQ(kept, kStereoArrangement);
  EXPECT_EQ(Processor()->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(Processor()->canProcessSampleSize(kSample64), kResultTrue);
}

TEST_P(Vst3Quor, PublishesTheUsedParametersWithVst2sIdsTextsAndNormalisation) {
  Vst2Reference reference;
  const auto parameters = plugin->Parameters();
  ASSERT_EQ(parameters.size(), 59u);
  int bypasses = 0;
  for (const ParameterInfo& info : parameters) {
    const auto id = static_cast<int>(info.id);
    SCOPED_TRACE(reference.Name(id));
    EXPECT_FALSE(reference.Name(id).empty());  // no unused index
    EXPECT_EQ(String16ToUtf8(info.title), reference.Name(id));
    EXPECT_EQ(String16ToUtf8(info.units), reference.Label(id));
    EXPECT_DOUBLE_EQ(info.defaultNormalizedValue, reference.Get(id));
    EXPECT_TRUE(info.flags & ParameterInfo::kCanAutomate);
    const bool stepped =
        QuorDescriptor().mParams[static_cast<std::size_t>(id)].mStyle != ParamStyle::kContinuous;
    EXPECT_EQ(info.stepCount, stepped ? 1 : 0);
    EXPECT_EQ((info.flags & ParameterInfo::kIsList) != 0, stepped);
    bypasses += (info.flags & ParameterInfo::kIsBypass) != 0;
    if (info.flags & ParameterInfo::kIsBypass) {
      EXPECT_EQ(info.id, kGlobalBypass);
    }

    // Each text as VST2 shows it, and read back as VST2 reads typed text.
    for (const double value : {0., 0.1234, 0.5, 0.77, 1.}) {
      reference.Set(id, static_cast<float>(value));
      const std::string text = plugin->ParamText(info.id, static_cast<double>(reference.Get(id)));
      EXPECT_EQ(text, reference.Display(id));
      const auto typed = plugin->ParamValue(info.id, text);
      ASSERT_TRUE(typed) << text;
      reference.SetText(id, text);
      EXPECT_EQ(plugin->ParamText(info.id, *typed), text);
      EXPECT_EQ(static_cast<float>(*typed), reference.Get(id)) << text;
      const double plain = Controller()->normalizedParamToPlain(info.id, *typed);
      EXPECT_NEAR(Controller()->plainParamToNormalized(info.id, plain), *typed, 1e-12);
    }
  }
  EXPECT_EQ(bypasses, 1);

  // Ids nobody publishes, and texts that name nothing.
  String128 text{};
  for (const ParamID unused : {5u, 69u, 94u, kNoParamId})
    EXPECT_EQ(Controller()->getParamStringByValue(unused, 0.5, text), kInvalidArgument);
  EXPECT_FALSE(plugin->ParamValue(kOutput1, "loud"));
  EXPECT_FALSE(plugin->ParamValue(kMode, "17 OUT"));
  ParameterInfo info{};
  EXPECT_EQ(Controller()->getParameterInfo(59, &info), kInvalidArgument);
  EXPECT_EQ(Controller()->getParameterInfo(-1, &info), kInvalidArgument);
}

TEST_P(Vst3Quor, ItsStateIsVst2sProgramChunkThroughStreamsOfAFewBytes) {
  const std::vector<std::uint8_t> chunk = Vst2Chunk();
  // A host's stream that holds something before the state and after it.
  const std::vector<std::uint8_t> before = {1, 2, 3, 4, 5};
  std::vector<std::uint8_t> bytes = before;
  bytes.insert(bytes.end(), chunk.begin(), chunk.end());
  bytes.insert(bytes.end(), {9, 9, 9});
  auto stream = RefPtr<MemoryStream>::Adopt(new MemoryStream(&host.Checks(), bytes, 7));
  stream->SetPosition(5);
  ASSERT_EQ(Component()->setState(stream.Get()), kResultOk);
  EXPECT_EQ(stream->Position(), static_cast<std::int64_t>(before.size() + chunk.size()));
  EXPECT_GT(stream->Calls(), static_cast<int>(chunk.size() / 7));
  EXPECT_EQ(plugin->ComponentState(3), chunk);
  EXPECT_EQ(plugin->ComponentState(MemoryStream::kUnlimited, before), chunk);
  EXPECT_FLOAT_EQ(static_cast<float>(Controller()->getParamNormalized(kOutput1)), 0.3f);
  EXPECT_EQ(Controller()->getParamNormalized(kMode), 1.);
  // The controller's own state is empty, and takes what it wrote.
  const auto controllerState = plugin->ControllerState(3);
  ASSERT_TRUE(controllerState);
  EXPECT_EQ(plugin->SetControllerState(*controllerState, 7), kResultOk);

  // Damaged states fail and change nothing.
  std::vector<std::vector<std::uint8_t>> damaged = {
      {}, {0x74, 0x66}, std::vector<std::uint8_t>(chunk.begin(), chunk.end() - 1)};
  damaged.push_back(chunk);
  damaged.back()[8] = 0xFF;  // the first name's length, far beyond the chunk
  damaged.back()[11] = 0x7F;
  std::mt19937 random(3);
  damaged.emplace_back(900);
  for (auto& byte : damaged.back())
    byte = static_cast<std::uint8_t>(random());
  for (const auto& state : damaged) {
    EXPECT_NE(plugin->SetComponentState(state, 7), kResultOk);
    EXPECT_EQ(plugin->ComponentState(), chunk);
  }
}

// Runs noise through a new VST2 and a new VST3 instance in blocks of `block`
// and compares every output sample.
template <typename Sample>
void ExpectVst2Output(Vst3Host& host, const Vst3Module& module, int block, BufferLayout layout,
                      int mode) {
  Vst3Instance plugin(host, module, kQuorClass);
  HostChecks& checks = host.Checks();
  constexpr int kFrames = 9000;
  const auto noise = Noise(kFrames);
  Vst2Reference reference;
  reference.Start(48000., 8192);
  reference.Set(kMode, static_cast<float>(mode));
  reference.Set(kOutput1, 0.7f);
  ASSERT_EQ(plugin.Start(48000., 8192, std::is_same_v<Sample, float> ? kSample32 : kSample64),
            kResultOk);
  ParameterChanges changes(&checks);
  changes.Add(kMode, 0, mode);
  changes.Add(kOutput1, 0, static_cast<double>(0.7f));
  Vst3AudioBlock<Sample> buffers(8, 8, 2, block, layout);
  std::vector<std::vector<Sample>> in(kChannels, std::vector<Sample>(block));
  std::vector<std::vector<Sample>> out(kChannels, std::vector<Sample>(block));
  for (int at = 0; at < kFrames; at += block) {
    const int n = std::min(block, kFrames - at);
    for (int c = 0; c < kChannels; ++c)
      for (int i = 0; i < n; ++i) {
        in[c][i] = static_cast<Sample>(noise[c][at + i]);
        buffers.In(c)[i] = in[c][i];
      }
    reference.Process(in, out, n);
    ASSERT_EQ(plugin.Process(buffers.Data(n, &changes)), kResultOk);
    changes.Clear();
    for (int c = 0; c < kChannels; ++c)
      for (int i = 0; i < n; ++i)
        ASSERT_EQ(buffers.Out(c)[i], out[c][i])
            << "block " << block << ", channel " << c << ", frame " << at + i;
  }
}

TEST_P(Vst3Quor, SoundsAsVst2AtEveryBlockSizeInBothPrecisionsAndModes) {
  for (const int mode : {0, 1})
    for (const int block : {1, 7, 64, 511, 4096, 8192}) {
      ExpectVst2Output<float>(host, *module, block, BufferLayout::kSeparate, mode);
      ExpectVst2Output<double>(host, *module, block, BufferLayout::kSeparate, mode);
    }
  // In place, as Ardour passes its buffers.
  ExpectVst2Output<float>(host, *module, 512, BufferLayout::kInPlace, 1);
}

TEST_P(Vst3Quor, AppliesParameterChangesWhereTheyFallInABlock) {
  const auto noise = Noise(512);
  Vst2Reference reference;
  reference.Start(48000., 512);
  std::vector<std::vector<float>> out(kChannels, std::vector<float>(512));
  reference.Process(noise, out, 200);
  reference.Set(kOutput1, 0.2f);
  reference.Set(kMode, 1.f);
  std::vector<std::vector<float>> rest(kChannels), restOut(kChannels, std::vector<float>(312));
  for (int c = 0; c < kChannels; ++c)
    rest[c].assign(noise[c].begin() + 200, noise[c].end());
  reference.Process(rest, restOut, 312);

  ASSERT_EQ(plugin->Start(48000., 512), kResultOk);
  ParameterChanges changes(&host.Checks());
  changes.Add(kMode, 200, 1.);
  changes.Add(kOutput1, 200, static_cast<double>(0.2f));
  changes.Add(12345, 100, 0.5);  // no such parameter: ignored
  Vst3AudioBlock<float> buffers(8, 8, 2, 512);
  for (int c = 0; c < kChannels; ++c)
    std::copy(noise[c].begin(), noise[c].end(), buffers.In(c));
  ASSERT_EQ(plugin->Process(buffers.Data(512, &changes)), kResultOk);
  for (int c = 0; c < kChannels; ++c)
    for (int i = 0; i < 512; ++i)
      ASSERT_EQ(buffers.Out(c)[i], i < 200 ? out[c][i] : restOut[c][i - 200])
          << "channel " << c << ", frame " << i;
}

TEST_P(Vst3Quor, SharedBuffersSilenceFlagsAndUnconnectedBusesAsArdourHasThem) {
  // Buses 1 and 2 connected, in place; the others on one silent buffer and
  // one scratch buffer.
  ASSERT_EQ(plugin->Start(48000., 256), kResultOk);
  for (int32 bus = 2; bus < 8; ++bus) {
    Component()->activateBus(kAudio, kInput, bus, false);
    Component()->activateBus(kAudio, kOutput, bus, false);
  }
  Vst3AudioBlock<float> buffers(8, 8, 2, 256, BufferLayout::kShared, 0b11);
  const auto noise = Noise(256);
  for (int c = 0; c < 4; ++c)
    std::copy(noise[c].begin(), noise[c].end(), buffers.In(c));
  // Silence flagged on track 2's input, with something else in its buffer.
  buffers.InBus(1).silenceFlags = 3;
  ProcessData& data = buffers.Data(256);
  ASSERT_EQ(plugin->Process(data), kResultOk);

  Vst2Reference reference;
  reference.Start(48000., 256);
  auto in = noise;
  for (int c = 2; c < kChannels; ++c)
    std::fill(in[c].begin(), in[c].end(), 0.f);
  std::vector<std::vector<float>> out(kChannels, std::vector<float>(256));
  reference.Process(in, out, 256);
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < 256; ++i)
      ASSERT_EQ(buffers.Out(c)[i], out[c][i]);
  // Mode 0 leaves outputs 3 to 16 silent, and says so.
  EXPECT_EQ(buffers.OutBus(0).silenceFlags, 0u);
  for (int bus = 1; bus < 8; ++bus)
    EXPECT_EQ(buffers.OutBus(bus).silenceFlags, 3u) << "bus " << bus;
}

TEST_P(Vst3Quor, RefusesWhatACarefulHostWouldNotAskWithoutHarm) {
  Vst3AudioBlock<float> buffers(8, 8, 2, 64);
  for (int c = 0; c < kChannels; ++c)
    std::fill(buffers.Out(c), buffers.Out(c) + 64, 1.f);
  // Before set-up and activation: silence, and a clear no.
  EXPECT_EQ(plugin->Process(buffers.Data(64)), kNotInitialized);
  EXPECT_EQ(buffers.Out(5)[10], 0.f);
  // The scanner's teardown without an activation.
  EXPECT_EQ(Processor()->setProcessing(false), kResultOk);
  EXPECT_EQ(Component()->setActive(false), kResultOk);

  ProcessSetup bad{kRealtime, kSample32, 512, std::nan("")};
  EXPECT_EQ(Processor()->setupProcessing(&bad), kInvalidArgument);
  bad = {kRealtime, 9, 512, 48000.};
  EXPECT_EQ(Processor()->setupProcessing(&bad), kInvalidArgument);
  EXPECT_EQ(Processor()->setupProcessing(nullptr), kInvalidArgument);
  ASSERT_EQ(plugin->Start(48000., 64), kResultOk);
  ProcessSetup again{kRealtime, kSample32, 128, 44100.};
  EXPECT_EQ(Processor()->setupProcessing(&again), kResultFalse);  // while active

  // Records with parts missing, lengths beyond the block, wrong sizes.
  ProcessData& data = buffers.Data(64);
  data.inputs = nullptr;
  EXPECT_EQ(plugin->Process(data), kResultOk);
  data = buffers.Data(64);
  buffers.InBus(0).channelBuffers32 = nullptr;
  buffers.OutBus(7).channelBuffers32 = nullptr;
  EXPECT_EQ(plugin->Process(data), kResultOk);
  data.outputs = nullptr;
  data.numOutputs = 0;
  EXPECT_EQ(plugin->Process(data), kResultOk);
  Vst3AudioBlock<float> longer(8, 8, 2, 1000);
  EXPECT_EQ(plugin->Process(longer.Data(1000)), kResultOk);
  data = longer.Data(10);
  data.numSamples = -1;
  EXPECT_EQ(plugin->Process(data), kInvalidArgument);
  data.numSamples = 10;
  data.symbolicSampleSize = 7;
  EXPECT_EQ(plugin->Process(data), kInvalidArgument);
  data.symbolicSampleSize = kSample32;
  data.numSamples = 0;  // parameter changes only
  EXPECT_EQ(plugin->Process(data), kResultOk);
  EXPECT_EQ(Processor()->process(nullptr), kInvalidArgument);

  BusInfo bus{};
  EXPECT_EQ(Component()->getBusInfo(kEvent, kInput, 0, &bus), kInvalidArgument);
  EXPECT_EQ(Component()->activateBus(kAudio, kOutput, 8, true), kInvalidArgument);
  EXPECT_EQ(Controller()->createView("other"), nullptr);
  EXPECT_EQ(Controller()->createView(nullptr), nullptr);
  EXPECT_EQ(Component()->setState(nullptr), kResultFalse);
  EXPECT_EQ(Controller()->setComponentState(nullptr), kResultFalse);
}

TEST_P(Vst3Quor, GivesBackEveryReferenceItWasLent) {
  ASSERT_EQ(plugin->Start(48000., 64), kResultOk);
  IPlugView* view = Controller()->createView(kEditorViewType);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->release(), 0u);
  plugin.reset();
  for (FUnknown* lent :
       {static_cast<FUnknown*>(static_cast<IHostApplication*>(&host.Context())),
        static_cast<FUnknown*>(&host.Handler()), static_cast<FUnknown*>(module->Factory())}) {
    lent->addRef();
    EXPECT_EQ(lent->release(), 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(Vst3, Vst3Quor, ::testing::Values(Loaded::kFromBundle, Loaded::kLinked),
                         [](const auto& loaded) {
                           return loaded.param == Loaded::kLinked ? "Linked" : "FromBundle";
                         });

}  // namespace
