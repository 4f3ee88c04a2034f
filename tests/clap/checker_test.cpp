// QUOR.clap as hosts load it, checked through the project's own CLAP host:
// entry, factory, descriptor, ports, parameters, processing, state, and the
// hostile calls a host may make. Every call the plug-in makes into the host
// is judged for its thread and its turn.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "framework/thread_role.h"
#include "tests/hosts/clap_test_host.h"

namespace {

constexpr int kChannels = 16;
constexpr int kUsedParams = 59;
constexpr clap_id kInput1 = 3;
constexpr clap_id kHighGain1 = 0;
constexpr clap_id kMute1 = 85;
constexpr clap_id kMasterOutput = 75;
constexpr clap_id kMode = 76;
constexpr clap_id kGlobalBypass = 93;

// The 35 indices no parameter uses: 5 to 9 of each ten below 70.
bool Unused(clap_id id) {
  return id < 70 && id % 10 >= 5;
}

const ClapLibrary& Library() {
  static const std::unique_ptr<ClapLibrary> library = [] {
    std::string error;
    auto opened = ClapLibrary::Open(QUOR_CLAP_PATH, &error);
    if (!opened) ADD_FAILURE() << error;
    return opened;
  }();
  return *library;
}

// The program chunk a VST2 host keeps in a program file saved by 1.1.0.
std::vector<std::uint8_t> ChunkSavedBy110() {
  std::ifstream file(QUOR_TEST_DATA "/saved-by-1.1.0.fxp", std::ios::binary);
  std::vector<std::uint8_t> fxp{std::istreambuf_iterator<char>(file), {}};
  if (fxp.size() < 60) return {};
  const std::uint32_t size = std::uint32_t{fxp[56]} << 24 | std::uint32_t{fxp[57]} << 16 |
                             std::uint32_t{fxp[58]} << 8 | fxp[59];
  return {fxp.begin() + 60, fxp.begin() + 60 + size};
}

float Sine(std::size_t channel, std::uint32_t frame) {
  return 0.5f * static_cast<float>(std::sin(0.05 * (channel + 1) * frame));
}

extern "C" const clap_plugin_entry_t clap_entry;

// The entry linked into the test: the same plug-in, whose locks the host can see.
const ClapLibrary& LinkedLibrary() {
  static const ClapLibrary library(&clap_entry, QUOR_CLAP_PATH);
  return library;
}

// QUOR.clap as hosts load it, and linked in with every call into the host
// checked for the plug-in's mutex.
struct CheckedBuild {
  const char* mName;
  const ClapLibrary& (*mLibrary)();
  bool mLinked;
};

ClapTestHost::Options CheckedOptions(const CheckedBuild& build) {
  ClapTestHost::Options options;
  if (build.mLinked) options.mPlugMutexesHeld = &PlugMutexesHeldByThisThread;
  return options;
}

class ClapChecker : public ::testing::TestWithParam<CheckedBuild> {
 protected:
  // Another instance from the same library, checked the same way.
  static std::unique_ptr<ClapTestHost> Another() {
    return std::make_unique<ClapTestHost>(GetParam().mLibrary(), CheckedOptions(GetParam()));
  }

  void SetUp() override {
    ASSERT_TRUE(host.Create());
    ASSERT_TRUE(host.Init());
  }
  void TearDown() override {
    for (const std::string& violation : host.Violations())
      ADD_FAILURE() << violation;
  }
  void Start(std::uint32_t maxFrames = 8192) {
    ASSERT_TRUE(host.Activate(48000., 1, maxFrames));
    ASSERT_TRUE(host.StartProcessing());
  }
  template <typename Sample>
  static bool Finite(ClapAudioBuffers<Sample>& audio, std::uint32_t frames) {
    for (int c = 0; c < kChannels; ++c)
      for (std::uint32_t f = 0; f < frames; ++f)
        if (!std::isfinite(audio.Out(0, static_cast<std::size_t>(c))[f])) return false;
    return true;
  }

  ClapTestHost host{GetParam().mLibrary(), CheckedOptions(GetParam())};
};

}  // namespace

TEST(ClapEntry, FactoryAndDescriptor) {
  const ClapLibrary& library = Library();
  ASSERT_TRUE(library.Initialised());
  EXPECT_TRUE(ClapVersionIsCompatible(library.Entry().clap_version));
  EXPECT_EQ(library.Entry().get_factory("clap.no-such-factory"), nullptr);
  // init and deinit in pairs, as hosts since 1.2 may: the last deinit only undoes.
  ASSERT_TRUE(library.Entry().init(QUOR_CLAP_PATH));
  library.Entry().deinit();
  const clap_plugin_factory_t* factory = library.Factory();
  ASSERT_NE(factory, nullptr);
  ASSERT_EQ(factory->get_plugin_count(factory), 1u);
  EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
  const clap_plugin_descriptor_t* desc = factory->get_plugin_descriptor(factory, 0);
  ASSERT_NE(desc, nullptr);
  EXPECT_TRUE(ClapVersionIsCompatible(desc->clap_version));
  EXPECT_STREQ(desc->id, "com.vandorhaus.quor");
  EXPECT_STREQ(desc->name, "QUOR");
  EXPECT_STREQ(desc->vendor, "Vandorhaus");
  EXPECT_STREQ(desc->version, "1.1.0");
  ASSERT_NE(desc->features, nullptr);
  std::set<std::string> features;
  for (const char* const* f = desc->features; *f; ++f)
    features.insert(*f);
  EXPECT_TRUE(features.count("audio-effect") && features.count("mixing")) << features.size();

  ClapTestHost host(library);
  EXPECT_FALSE(host.Create("com.vandorhaus.nothing"));
  EXPECT_EQ(factory->create_plugin(factory, nullptr, desc->id), nullptr);
}

// A scanner's throw-away instance: no host extension at all.
TEST(ClapEntry, ScannerWithoutHostExtensions) {
  ClapTestHost::Options options;
  options.mExtensions = false;
  ClapTestHost host(Library(), options);
  ASSERT_TRUE(host.Create());
  ASSERT_TRUE(host.Init());
  EXPECT_EQ(host.Plugin()->get_extension(host.Plugin(), "clap.no-such-extension"), nullptr);
  EXPECT_EQ(host.Plugin()->get_extension(host.Plugin(), nullptr), nullptr);
  EXPECT_EQ(host.ParamInfos().size(), static_cast<std::size_t>(kUsedParams));
  const auto* gui = host.Extension<clap_plugin_gui_t>(kClapExtGui);
  ASSERT_NE(gui, nullptr);
  EXPECT_TRUE(gui->is_api_supported(host.Plugin(), kClapWindowApiX11, false));
  EXPECT_FALSE(gui->is_api_supported(host.Plugin(), kClapWindowApiWayland, false));
  EXPECT_NE(host.Extension<clap_plugin_state_t>(kClapExtState), nullptr);
  ASSERT_TRUE(host.Activate(48000., 1, 512));
  ASSERT_TRUE(host.StartProcessing());
  ClapAudioBuffers<float> audio({kChannels}, {kChannels}, 512);
  audio.Fill([](std::size_t, std::size_t c, std::uint32_t f) { return Sine(c, f); });
  EXPECT_EQ(host.Process(audio), kClapProcessContinue);
  EXPECT_TRUE(host.Violations().empty());
}

// A host whose thread check answers whether it processes, not who asks:
// the plug-in stops asking it, says so once, and goes on.
TEST(ClapEntry, ThreadCheckThatAnswersSomethingElse) {
  ClapTestHost::Options options;
  options.mThreadCheckByProcessing = true;
  ClapTestHost host(Library(), options);
  ASSERT_TRUE(host.Create() && host.Init() && host.Activate(48000., 1, 64));
  ClapAudioBuffers<float> audio({kChannels}, {kChannels}, 64);
  audio.Fill([](std::size_t, std::size_t c, std::uint32_t f) { return Sine(c, f); });
  for (int i = 0; i < 3; ++i)  // processed as an export does: never "started"
    EXPECT_EQ(host.Process(audio), kClapProcessContinue);
  if (kThreadChecks) {
    EXPECT_EQ(host.LogMessages().size(), 1u);
  }
  EXPECT_TRUE(host.Violations().empty());
}

TEST_P(ClapChecker, Ports) {
  const auto* ports = host.Extension<clap_plugin_audio_ports_t>(kClapExtAudioPorts);
  ASSERT_NE(ports, nullptr);
  for (bool input : {true, false}) {
    ASSERT_EQ(ports->count(host.Plugin(), input), 1u);
    clap_audio_port_info_t info{};
    ASSERT_TRUE(ports->get(host.Plugin(), 0, input, &info));
    EXPECT_EQ(info.channel_count, static_cast<std::uint32_t>(kChannels));
    EXPECT_TRUE(info.flags & kClapAudioPortIsMain);
    EXPECT_TRUE(info.flags & kClapAudioPortSupports64Bits);
    EXPECT_EQ(info.in_place_pair, info.id);
    EXPECT_FALSE(ports->get(host.Plugin(), 1, input, &info));
  }
  const auto* notes = host.Extension<clap_plugin_note_ports_t>(kClapExtNotePorts);
  ASSERT_NE(notes, nullptr);
  for (bool input : {true, false}) {
    ASSERT_EQ(notes->count(host.Plugin(), input), 1u);
    clap_note_port_info_t info{};
    ASSERT_TRUE(notes->get(host.Plugin(), 0, input, &info));
    EXPECT_TRUE(info.supported_dialects & kClapNoteDialectMidi);
    EXPECT_FALSE(notes->get(host.Plugin(), 1, input, &info));
  }
  const auto* latency = host.Extension<clap_plugin_latency_t>(kClapExtLatency);
  ASSERT_TRUE(latency && host.Activate(48000., 32, 64));
  EXPECT_EQ(latency->get(host.Plugin()), 0u);
}

TEST_P(ClapChecker, ParametersAreTheUsedIndicesInTheirOwnUnits) {
  const std::vector<clap_param_info_t> infos = host.ParamInfos();
  ASSERT_EQ(infos.size(), static_cast<std::size_t>(kUsedParams));
  clap_id expected = 0;
  int bypasses = 0;
  for (const clap_param_info_t& info : infos) {
    while (Unused(expected))
      ++expected;
    EXPECT_EQ(info.id, expected++) << info.name;
    EXPECT_TRUE(std::isfinite(info.min_value) && std::isfinite(info.max_value));
    EXPECT_LT(info.min_value, info.max_value);
    EXPECT_GE(info.default_value, info.min_value);
    EXPECT_LE(info.default_value, info.max_value);
    EXPECT_TRUE(info.flags & kClapParamIsAutomatable);
    EXPECT_FALSE(info.flags & (kClapParamIsHidden | kClapParamIsReadonly));
    if (info.flags & kClapParamIsBypass) ++bypasses;
    EXPECT_EQ(host.Value(info.id), info.default_value) << info.name;
  }
  EXPECT_EQ(bypasses, 1);
  const auto param = [&](clap_id id) {
    return *std::find_if(infos.begin(), infos.end(), [id](const auto& i) { return i.id == id; });
  };
  EXPECT_STREQ(param(kInput1).name, "Input 1");
  EXPECT_EQ(param(kInput1).min_value, -24.);
  EXPECT_EQ(param(kInput1).max_value, 24.);
  EXPECT_EQ(param(kHighGain1).default_value, 0.5);
  EXPECT_TRUE(param(kMute1).flags & kClapParamIsStepped);
  EXPECT_TRUE(param(kMode).flags & kClapParamIsStepped);
  EXPECT_TRUE(param(kGlobalBypass).flags & kClapParamIsBypass);
  EXPECT_FALSE(host.Value(5));
  EXPECT_FALSE(host.Value(94));
  EXPECT_FALSE(host.Value(kClapInvalidId));
}

// What VST2 shows and reads, and every text shown read back as its value.
TEST_P(ClapChecker, TextsRoundTrip) {
  EXPECT_EQ(host.Text(kInput1, 6.), "6.00 dB");
  EXPECT_EQ(host.Text(kMode, 1.), "16 OUT");
  EXPECT_EQ(host.Text(kMute1, 0.), "Off");
  EXPECT_EQ(host.ValueOfText(kInput1, "+6 dB"), 6.);
  EXPECT_EQ(host.ValueOfText(kMode, "16 out"), 1.);
  EXPECT_EQ(host.ValueOfText(kMute1, "on"), 1.);
  EXPECT_FALSE(host.ValueOfText(kInput1, "loud"));
  EXPECT_FALSE(host.ValueOfText(5, "1"));
  for (const clap_param_info_t& info : host.ParamInfos()) {
    for (double t : {0., 0.25, 0.5, 1.}) {
      const double value = info.min_value + t * (info.max_value - info.min_value);
      const std::optional<std::string> text = host.Text(info.id, value);
      ASSERT_TRUE(text) << info.name;
      const std::optional<double> back = host.ValueOfText(info.id, *text);
      ASSERT_TRUE(back) << info.name << " " << *text;
      EXPECT_EQ(host.Text(info.id, *back), text) << info.name;
    }
  }
  // A small buffer gets a cut, terminated text; a capacity of 0 gets nothing.
  const auto* params = host.Extension<clap_plugin_params_t>(kClapExtParams);
  char small[4] = {'x', 'x', 'x', 'x'};
  if (params->value_to_text(host.Plugin(), kInput1, -12., small, sizeof small)) {
    EXPECT_EQ(std::strlen(small), 3u);
  }
  EXPECT_FALSE(params->value_to_text(host.Plugin(), kInput1, 0., small, 0));
  EXPECT_FALSE(params->value_to_text(host.Plugin(), kInput1, NAN, small, sizeof small));
}

// Every length from 1 to the maximum, 32- and 64-bit, the output over the input.
TEST_P(ClapChecker, ProcessesAnyLengthInPlace) {
  Start();
  for (std::uint32_t frames : {1u, 2u, 3u, 63u, 64u, 65u, 511u, 1000u, 4096u, 8192u}) {
    ClapAudioBuffers<float> audio({kChannels}, {kChannels}, frames, true);
    audio.Fill([](std::size_t, std::size_t c, std::uint32_t f) { return Sine(c, f); });
    EXPECT_EQ(host.Process(audio), kClapProcessContinue) << frames;
    EXPECT_TRUE(Finite(audio, frames)) << frames;
    ClapAudioBuffers<double> audio64({kChannels}, {kChannels}, frames, true);
    audio64.Fill([](std::size_t, std::size_t c, std::uint32_t f) { return double{Sine(c, f)}; });
    EXPECT_EQ(host.Process(audio64), kClapProcessContinue) << frames;
    EXPECT_TRUE(Finite(audio64, frames)) << frames;
  }
  host.Reset();
  host.StopProcessing();
  host.Deactivate();
  // Again after a round trip through inactive, and a deactivation without a stop.
  Start(512);
  ClapAudioBuffers<float> audio({kChannels}, {kChannels}, 512);
  audio.Fill([](std::size_t, std::size_t c, std::uint32_t f) { return Sine(c, f); });
  EXPECT_EQ(host.Process(audio), kClapProcessContinue);
  host.Deactivate();
}

// Output over the input gives the bits of separate buffers, 32- and 64-bit.
TEST_P(ClapChecker, InPlaceGivesTheBitsOfSeparateBuffers) {
  Start(512);
  const auto separateHost = Another();
  ClapTestHost& separate = *separateHost;
  ASSERT_TRUE(separate.Create() && separate.Init() && separate.Activate(48000., 1, 512) &&
              separate.StartProcessing());
  const auto input = [](std::size_t, std::size_t c, std::uint32_t f) { return Sine(c, f); };
  for (int round = 0; round < 3; ++round) {
    ClapAudioBuffers<float> in32({kChannels}, {kChannels}, 300, true),
        apart32({kChannels}, {kChannels}, 300);
    ClapAudioBuffers<double> in64({kChannels}, {kChannels}, 200, true),
        apart64({kChannels}, {kChannels}, 200);
    in32.Fill(input);
    apart32.Fill(input);
    in64.Fill(
        [&](std::size_t p, std::size_t c, std::uint32_t f) { return double{input(p, c, f)}; });
    apart64.Fill(
        [&](std::size_t p, std::size_t c, std::uint32_t f) { return double{input(p, c, f)}; });
    host.Process(in32);
    separate.Process(apart32);
    host.Process(in64);
    separate.Process(apart64);
    for (std::size_t c = 0; c < kChannels; ++c) {
      EXPECT_EQ(0, std::memcmp(in32.Out(0, c), apart32.Out(0, c), 300 * sizeof(float))) << c;
      EXPECT_EQ(0, std::memcmp(in64.Out(0, c), apart64.Out(0, c), 200 * sizeof(double))) << c;
    }
  }
}

// Eight stereo ports, for hosts that route pairs: the sound of the one
// 16-channel port, pair by pair; chosen only while inactive.
TEST_P(ClapChecker, EightStereoPortsCarryTheSameSound) {
  const auto* configs = host.Extension<clap_plugin_audio_ports_config_t>(kClapExtAudioPortsConfig);
  ASSERT_NE(configs, nullptr);
  ASSERT_EQ(configs->count(host.Plugin()), 2u);
  clap_audio_ports_config_t config{};
  ASSERT_TRUE(configs->get(host.Plugin(), 1, &config));
  EXPECT_EQ(config.input_port_count, 8u);
  EXPECT_EQ(config.main_input_channel_count, 2u);
  ASSERT_TRUE(configs->select(host.Plugin(), config.id));
  const auto* ports = host.Extension<clap_plugin_audio_ports_t>(kClapExtAudioPorts);
  ASSERT_EQ(ports->count(host.Plugin(), false), 8u);
  Start(256);
  EXPECT_FALSE(configs->select(host.Plugin(), 0));

  const auto wholeHost = Another();
  ClapTestHost& whole = *wholeHost;
  ASSERT_TRUE(whole.Create() && whole.Init() && whole.Activate(48000., 1, 256) &&
              whole.StartProcessing());
  const auto input = [](std::size_t channel, std::uint32_t f) { return Sine(channel, f); };
  ClapAudioBuffers<float> pairs(std::vector<std::uint32_t>(8, 2), std::vector<std::uint32_t>(8, 2),
                                256);
  pairs.Fill([&](std::size_t p, std::size_t c, std::uint32_t f) { return input(2 * p + c, f); });
  ClapAudioBuffers<float> one({kChannels}, {kChannels}, 256);
  one.Fill([&](std::size_t, std::size_t c, std::uint32_t f) { return input(c, f); });
  ClapInputEvents mode;
  mode.AddParamValue(0, kMode, 1.);
  host.Process(pairs, &mode);
  whole.Process(one, &mode);
  for (std::size_t c = 0; c < kChannels; ++c)
    EXPECT_EQ(0, std::memcmp(pairs.Out(c / 2, c % 2), one.Out(0, c), 256 * sizeof(float))) << c;
}

// A change at frame 100 sounds from frame 100: the same as a block cut there.
TEST_P(ClapChecker, EventsApplyAtTheirFrame) {
  Start(512);
  const auto cutHost = Another();
  ClapTestHost& cut = *cutHost;
  ASSERT_TRUE(cut.Create() && cut.Init() && cut.Activate(48000., 1, 512) && cut.StartProcessing());
  const auto input = [](std::size_t, std::size_t c, std::uint32_t f) { return Sine(c, f); };
  ClapAudioBuffers<float> whole({kChannels}, {kChannels}, 256);
  whole.Fill(input);
  ClapInputEvents events;
  events.AddParamValue(100, kInput1, 9.);
  events.AddParamValue(100, kMasterOutput, -6.);
  host.Process(whole, &events);

  ClapAudioBuffers<float> first({kChannels}, {kChannels}, 100);
  first.Fill(input);
  cut.Process(first);
  ClapAudioBuffers<float> second({kChannels}, {kChannels}, 156);
  second.Fill([&](std::size_t p, std::size_t c, std::uint32_t f) { return input(p, c, f + 100); });
  ClapInputEvents atStart;
  atStart.AddParamValue(0, kInput1, 9.);
  atStart.AddParamValue(0, kMasterOutput, -6.);
  cut.Process(second, &atStart);
  for (int c = 0; c < kChannels; ++c) {
    const auto channel = static_cast<std::size_t>(c);
    EXPECT_EQ(0, std::memcmp(whole.Out(0, channel), first.Out(0, channel), 100 * sizeof(float)));
    EXPECT_EQ(
        0, std::memcmp(whole.Out(0, channel) + 100, second.Out(0, channel), 156 * sizeof(float)));
  }
  EXPECT_EQ(host.Value(kInput1), 9.);
  EXPECT_TRUE(cut.Violations().empty());
}

// The state is the program chunk VST2 saves, through streams of 3 and 7 bytes.
TEST_P(ClapChecker, StateThroughSmallStreams) {
  const std::vector<std::uint8_t> chunk = ChunkSavedBy110();
  ASSERT_FALSE(chunk.empty());
  ASSERT_TRUE(host.LoadState(chunk, 3));
  EXPECT_EQ(host.SaveState(7), chunk);
  EXPECT_GE(host.CallCount("params.rescan"), 1);
  ClapInputEvents change;
  change.AddParamValue(0, kInput1, -7.5);
  host.Flush(&change);
  const std::optional<std::vector<std::uint8_t>> changed = host.SaveState(3);
  ASSERT_TRUE(changed);
  EXPECT_NE(*changed, chunk);

  const auto otherHost = Another();
  ClapTestHost& other = *otherHost;
  ASSERT_TRUE(other.Create() && other.Init() && other.Activate(48000., 1, 1024));
  ASSERT_TRUE(other.LoadState(*changed, 7));  // while active, as Qtractor does
  EXPECT_EQ(other.Value(kInput1), -7.5);
  EXPECT_EQ(other.SaveState(4096), changed);
}

// Damaged states fail and change nothing, whatever the stream does.
TEST_P(ClapChecker, DamagedStateChangesNothing) {
  const std::vector<std::uint8_t> chunk = ChunkSavedBy110();
  ASSERT_TRUE(host.LoadState(chunk, 4096));
  const auto* state = host.Extension<clap_plugin_state_t>(kClapExtState);
  std::vector<std::vector<std::uint8_t>> damaged = {{}, {1, 2, 3}};
  damaged.emplace_back(chunk.begin(), chunk.end() - 1);
  damaged.push_back(chunk);
  damaged.back()[0] ^= 0xFF;
  damaged.push_back(chunk);
  damaged.back()[8] = 0x7F;  // the first name's length far past the end
  for (const auto& bytes : damaged)
    EXPECT_FALSE(host.LoadState(bytes, 3)) << bytes.size();
  ClapReadStream failing(chunk, 7, chunk.size() / 2);
  EXPECT_FALSE(state->load(host.Plugin(), failing.Stream()));
  EXPECT_FALSE(state->load(host.Plugin(), nullptr));
  EXPECT_EQ(host.SaveState(4096), chunk);
  // A host that takes nothing, or fails half way, gets a failed save.
  ClapWriteStream full(7, 100);
  EXPECT_FALSE(state->save(host.Plugin(), full.Stream()));
  ClapWriteStream none(0);
  EXPECT_FALSE(state->save(host.Plugin(), none.Stream()));
}

// Calls out of turn and values no host should send: no crash, no NaN, clear failures.
TEST_P(ClapChecker, HostileCalls) {
  ClapAudioBuffers<float> audio({kChannels}, {kChannels}, 64);
  audio.Fill([](std::size_t, std::size_t c, std::uint32_t f) { return Sine(c, f); });
  EXPECT_EQ(host.Process(audio), kClapProcessError);  // before activate
  Start(64);
  ClapInputEvents nonsense;
  nonsense.AddParamValue(0, kInput1, NAN);
  nonsense.AddParamValue(1, kMode, INFINITY);
  nonsense.AddParamValue(2, 5, 1.);         // an unused index
  nonsense.AddParamValue(3, 4000, 1.);      // no parameter at all
  nonsense.AddParamValue(200, kMute1, 1.);  // past the block
  clap_event_header_t foreign{sizeof foreign, 4, 7, kClapEventParamValue, 0};
  nonsense.Add(foreign);
  EXPECT_EQ(host.Process(audio, &nonsense), kClapProcessContinue);
  EXPECT_TRUE(Finite(audio, 64));
  EXPECT_EQ(host.Value(kInput1), 0.);
  EXPECT_EQ(host.Value(kMode), 1.);
  host.Flush(&nonsense);

  // Fewer ports and channels than declared, null channel arrays.
  ClapAudioBuffers<float> stereo({2}, {2}, 64);
  stereo.Fill([](std::size_t, std::size_t c, std::uint32_t f) { return Sine(c, f); });
  EXPECT_EQ(host.Process(stereo), kClapProcessContinue);
  EXPECT_TRUE(std::isfinite(stereo.Out(0, 1)[63]));
  const std::int32_t status = host.Audio().Run([&] {
    clap_process_t process{};
    process.frames_count = 64;
    process.audio_inputs_count = 1;
    process.audio_outputs_count = 0;
    clap_audio_buffer_t nothing{};
    nothing.channel_count = kChannels;
    process.audio_inputs = &nothing;
    return host.Plugin()->process(host.Plugin(), &process);
  });
  EXPECT_NE(status, kClapProcessContinueIfNotQuiet);
  EXPECT_FALSE(host.Plugin()->activate(host.Plugin(), 48000., 1, 64));  // already active
  host.StopProcessing();
  host.Deactivate();
  EXPECT_FALSE(host.Plugin()->activate(host.Plugin(), NAN, 1, 64));
  EXPECT_FALSE(host.Plugin()->activate(host.Plugin(), 48000., 64, 0));
}

// A state loaded and saved on the main thread while the audio thread processes.
TEST_P(ClapChecker, StateBesideProcessing) {
  Start(256);
  const std::vector<std::uint8_t> chunk = ChunkSavedBy110();
  std::atomic<bool> stop{false};
  std::future<void> audioLoop = host.Audio().Post([&] {
    ClapAudioBuffers<float> audio({kChannels}, {kChannels}, 256);
    audio.Fill([](std::size_t, std::size_t c, std::uint32_t f) { return Sine(c, f); });
    clap_process_t process{};
    process.frames_count = 256;
    process.audio_inputs = audio.Inputs();
    process.audio_outputs = audio.Outputs();
    process.audio_inputs_count = process.audio_outputs_count = 1;
    ClapInputEvents none;
    ClapOutputEvents out;
    process.in_events = none.List();
    process.out_events = out.List();
    while (!stop)
      host.Plugin()->process(host.Plugin(), &process);
  });
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(host.LoadState(chunk, 7));
    ASSERT_EQ(host.SaveState(3), chunk);
  }
  stop = true;
  audioLoop.get();
}

INSTANTIATE_TEST_SUITE_P(Builds, ClapChecker,
                         ::testing::Values(CheckedBuild{"Loaded", &Library, false},
                                           CheckedBuild{"Linked", &LinkedLibrary, true}),
                         [](const auto& build) { return build.param.mName; });
