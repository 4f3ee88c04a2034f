// A host that does anything in any order: dispatcher requests of every
// opcode with honest buffers, valid or null, parameter sets and gets, and
// audio calls of any length in both precisions with valid or null channel
// pointers, sometimes in place. Each input gets a new instance, so that a
// finding replays from its input alone.
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/damage.h"
#include "fuzz/host_script.h"
#include "fuzz/saved_state.h"
#include "plugin/quor.h"
#include "tests/hosts/vst2_test_host.h"
#include "vst2/effect_record.h"
#include "vst2/entry_point.h"
#include "vst2/ieffect_vst2.h"

namespace {

constexpr int kChannels = QUOR::kNumChannels;
constexpr int kMaxActions = 256;
constexpr int kMaxFramesPerInput = 4096;
constexpr int kMaxFramesPerCall = 512;

// Text buffers as large as the texts the adapter writes into them.
constexpr std::size_t kProgramNameBuffer = 25;
constexpr std::size_t kParamTextBuffer = 32;
constexpr std::size_t kEffectNameBuffer = 32;
constexpr std::size_t kVendorTextBuffer = 64;

// A violated promise of the plug-in: a crash for the fuzzer.
void Require(bool condition) {
  if (!condition) std::abort();
}

// The channels the host believes connected, by the rules the plug-in
// documents: an arrangement of n connects the first n; a host that limits
// plug-ins to stereo leaves two inputs and flags every output connected.
struct Connections {
  std::array<bool, kChannels> mIn{}, mOut{};
  Connections() {
    mIn.fill(true);
    mOut.fill(true);
  }
  static void Arrange(std::array<bool, kChannels>& channels, int n) {
    for (int c = 0; c < kChannels; ++c)
      channels[static_cast<std::size_t>(c)] = c < n;
  }
  void LimitToStereo() {
    for (int c = 2; c < kChannels; ++c) {
      mIn[static_cast<std::size_t>(c)] = false;
      mOut[static_cast<std::size_t>(c)] = true;
    }
  }
  static int Count(const std::array<bool, kChannels>& channels) {
    return static_cast<int>(std::count(channels.begin(), channels.end(), true));
  }
};

struct HostState {
  bool mLimitsToStereo = false;
  bool mClosesWhileOpening = false;
} gHost;

// The test host, strict: a call the plug-in makes off the rules (news with
// its mutex held, events outside audio) stops the fuzzer. It records
// nothing, and answers as an ordinary host or one that limits plug-ins to
// stereo, or closes the plug-in while it asks who hosts it.
Vst2HostBehaviour FuzzHost() {
  Vst2HostBehaviour host;
  host.mStrict = true;
  host.mRecord = false;
  host.mVendorVersion = 70300;
  host.mAnswer = [](AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float,
                    VstIntPtr* answer) {
    if (opcode != audioMasterGetProductString) return false;
    std::strcpy(static_cast<char*>(ptr), gHost.mLimitsToStereo ? "Adobe Audition" : "Ardour");
    if (gHost.mClosesWhileOpening) {
      gHost.mClosesWhileOpening = false;
      effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.f);
    }
    *answer = 1;
    return true;
  };
  return host;
}

std::string TextOf(std::span<const std::uint8_t> blob) {
  std::string text(blob.begin(), blob.end());
  return text.substr(0, text.find('\0'));
}

// Events as a host lays them out: the list, then what its entries point at.
struct EventList {
  explicit EventList(std::span<const std::uint8_t> blob) {
    const std::size_t n = blob.empty() ? 0 : blob[0] % 9;
    mMidi.resize(n);
    mSysEx.resize(n);
    const std::size_t size =
        std::max(sizeof(VstEvents), offsetof(VstEvents, events) + n * sizeof(VstEvent*));
    mStorage = std::make_unique<std::byte[]>(size);
    mEvents = new (mStorage.get()) VstEvents{};
    mEvents->numEvents = static_cast<VstInt32>(n);
    VstEvent** entries = mEvents->events;  // as many as numEvents says
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint8_t kind = i + 1 < blob.size() ? blob[i + 1] : 0;
      VstEvent* event = nullptr;
      if (kind % 3 == 1) {
        mMidi[i].type = kVstMidiType;
        mMidi[i].byteSize = sizeof(VstMidiEvent);
        mMidi[i].deltaFrames = kind;
        mMidi[i].midiData[0] = static_cast<char>(0x80 | kind);
        event = reinterpret_cast<VstEvent*>(&mMidi[i]);
      } else if (kind % 3 == 2) {
        mSysEx[i].type = kVstSysExType;
        mSysEx[i].byteSize = sizeof(VstMidiSysexEvent);
        mSysEx[i].dumpBytes = static_cast<VstInt32>(blob.size());
        mSysEx[i].sysexDump = const_cast<char*>(reinterpret_cast<const char*>(blob.data()));
        event = reinterpret_cast<VstEvent*>(&mSysEx[i]);
      }
      entries[i] = event;
    }
  }
  std::unique_ptr<std::byte[]> mStorage;
  VstEvents* mEvents = nullptr;
  std::vector<VstMidiEvent> mMidi;
  std::vector<VstMidiSysexEvent> mSysEx;
};

class Session {
 public:
  Session(AEffect* effect, bool& opened) : mEffect(effect), mOpened(opened) {}

  void Dispatch(ScriptReader& script) {
    const auto opcodeByte = script.Take<std::uint8_t>();
    int opcode = opcodeByte % 80;
    // A close ends the instance's use for the input, and a new one costs more
    // than most inputs: one byte value closes, not four.
    if (opcode == effClose && opcodeByte != effClose) opcode = effIdle;
    const auto index = script.Take<std::int32_t>();
    const auto value = script.Take<std::int64_t>();
    const auto opt = script.Take<float>();
    const auto flags = script.Take<std::uint8_t>();
    const auto blob = script.TakeBlob();
    const bool nullPtr = flags & kNullPtr;
    const auto call = [&](VstIntPtr v, void* p) {
      return mEffect->dispatcher(mEffect, opcode, index, v, p, opt);
    };
    const auto textOut = [&](std::size_t size) {
      std::vector<char> text(size, 'x');
      call(static_cast<VstIntPtr>(value), nullPtr ? nullptr : text.data());
    };
    switch (opcode) {
      case effOpen:
        if (Alive() && !mOpened && gHost.mLimitsToStereo) mConnections.LimitToStereo();
        mOpened = true;
        call(static_cast<VstIntPtr>(value), nullptr);
        return;
      case effClose:
        call(0, nullptr);
        Require(!Alive());
        return;
      case effEditOpen:
        return;  // opens a window on a display: not for a fuzzer
      case effSetBlockSize:
        // Mostly sizes a host would send; raw ones reach the bound.
        call(flags & kRawValue ? static_cast<VstIntPtr>(value) : value % 4097, nullptr);
        return;
      case effGetProgramName:
      case effGetProgramNameIndexed:
        return textOut(kProgramNameBuffer);
      case effGetParamLabel:
      case effGetParamDisplay:
      case effGetParamName:
      case effVendorSpecific:
        return textOut(kParamTextBuffer);
      case effGetEffectName:
        return textOut(kEffectNameBuffer);
      case effGetVendorString:
      case effGetProductString:
        return textOut(kVendorTextBuffer);
      case effSetProgramName:
      case effString2Parameter:
      case effCanDo: {
        std::string text = TextOf(blob);
        call(static_cast<VstIntPtr>(value), nullPtr ? nullptr : text.data());
        return;
      }
      case effEditGetRect: {
        ERect* rect = nullptr;
        if (call(0, nullPtr ? nullptr : &rect) && rect) Touch(rect, sizeof *rect);
        return;
      }
      case effGetChunk: {
        void* data = nullptr;
        const VstIntPtr size = call(static_cast<VstIntPtr>(value), nullPtr ? nullptr : &data);
        if (size > 0 && data) Touch(data, static_cast<std::size_t>(size));
        return;
      }
      case effSetChunk: {
        std::vector<std::uint8_t> chunk(blob.begin(), blob.end());
        if (flags & kRealChunk)
          chunk = Damage(flags & kBankChunk ? SavedState().mBank : SavedState().mProgram, blob);
        call(static_cast<VstIntPtr>(chunk.size()), nullPtr ? nullptr : chunk.data());
        return;
      }
      case effProcessEvents: {
        EventList events(blob);
        call(static_cast<VstIntPtr>(value), nullPtr ? nullptr : events.mEvents);
        return;
      }
      case effGetInputProperties:
      case effGetOutputProperties: {
        VstPinProperties pin{};
        call(static_cast<VstIntPtr>(value), nullPtr ? nullptr : &pin);
        return;
      }
      case effGetMidiKeyName: {
        MidiKeyName key{};
        key.thisKeyNumber = index;
        call(static_cast<VstIntPtr>(value), nullPtr ? nullptr : &key);
        return;
      }
      case effSetSpeakerArrangement: {
        // Counts from the index's two low bytes, negative ones included.
        VstSpeakerArrangement in{}, out{};
        in.numChannels = static_cast<std::int8_t>(index & 0xFF);
        out.numChannels = static_cast<std::int8_t>((index >> 8) & 0xFF);
        const bool withIn = !(flags & kNullValuePtr), withOut = !nullPtr;
        if (Alive()) {
          if (withIn) Connections::Arrange(mConnections.mIn, in.numChannels);
          if (withOut) Connections::Arrange(mConnections.mOut, out.numChannels);
        }
        call(withIn ? reinterpret_cast<VstIntPtr>(&in) : 0, withOut ? &out : nullptr);
        return;
      }
      case effGetSpeakerArrangement: {
        VstSpeakerArrangement* in = nullptr;
        VstSpeakerArrangement* out = nullptr;
        call(flags & kNullValuePtr ? 0 : reinterpret_cast<VstIntPtr>(&in),
             nullPtr ? nullptr : &out);
        if (in) Touch(in, sizeof *in);
        if (out) Touch(out, sizeof *out);
        return;
      }
      default: {
        // Opcodes that take no pointer, or none QUOR reads.
        std::array<std::uint8_t, 256> zeros{};
        call(static_cast<VstIntPtr>(value), nullPtr ? nullptr : zeros.data());
        return;
      }
    }
  }

  void SetParameter(ScriptReader& script) {
    const auto index = script.Take<std::int32_t>();
    mEffect->setParameter(mEffect, index, script.Take<float>());
  }

  void GetParameter(ScriptReader& script) {
    const auto index = script.Take<std::int32_t>();
    const float value = mEffect->getParameter(mEffect, index);
    Require(value >= 0.f && value <= 1.f);
  }

  void Process(ScriptReader& script) {
    const auto kind = static_cast<ProcessKind>(script.Take<std::uint8_t>() %
                                               static_cast<int>(ProcessKind::kCount));
    int frames = std::min(script.Take<std::uint16_t>() % (kMaxFramesPerCall + 1), mFramesLeft);
    const auto flags = script.Take<std::uint8_t>();
    const auto nullChannels = script.Take<std::uint32_t>();
    const auto seed = script.Take<std::uint8_t>();
    mFramesLeft -= frames;
    if (flags & kNegativeFrames) frames = -frames;
    if (kind == ProcessKind::kDouble)
      Run<double>(kind, frames, flags, nullChannels, seed);
    else
      Run<float>(kind, frames, flags, nullChannels, seed);
  }

 private:
  bool Alive() const { return mEffect->object != nullptr; }

  // Reads every byte the plug-in handed out, for the sanitizers to check.
  void Touch(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const volatile std::uint8_t*>(data);
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < size; ++i)
      sum = static_cast<std::uint8_t>(sum + bytes[i]);
    mTouched = static_cast<std::uint8_t>(mTouched + sum);
  }

  template <typename Sample>
  void Run(ProcessKind kind, int frames, std::uint8_t flags, std::uint32_t nullChannels,
           std::uint8_t seed) {
    // One pointer per connected channel, in arrays of exactly that length.
    const int nIn = Connections::Count(mConnections.mIn);
    const int nOut = Connections::Count(mConnections.mOut);
    const auto length = static_cast<std::size_t>(std::max(frames, 0));
    std::vector<std::vector<Sample>> in(static_cast<std::size_t>(nIn), std::vector<Sample>(length));
    std::vector<std::vector<Sample>> out(static_cast<std::size_t>(nOut),
                                         std::vector<Sample>(length));
    std::uint32_t noise = seed * 2654435761u + 1;
    for (auto& channel : in)
      for (Sample& sample : channel) {
        noise = noise * 1664525u + 1013904223u;
        sample = static_cast<Sample>(static_cast<double>(noise) / 2147483648. - 1.);
      }
    std::vector<Sample*> inputs(static_cast<std::size_t>(nIn));
    std::vector<Sample*> outputs(static_cast<std::size_t>(nOut));
    for (int c = 0; c < nIn; ++c)
      inputs[static_cast<std::size_t>(c)] =
          (nullChannels >> c) & 1 ? nullptr : in[static_cast<std::size_t>(c)].data();
    for (int c = 0; c < nOut; ++c) {
      auto& buffer = (flags & kInPlace) && c < nIn ? in : out;
      outputs[static_cast<std::size_t>(c)] =
          (nullChannels >> (16 + c)) & 1 ? nullptr : buffer[static_cast<std::size_t>(c)].data();
    }
    Sample** inArray = flags & kNullInputArray ? nullptr : inputs.data();
    Sample** outArray = flags & kNullOutputArray ? nullptr : outputs.data();
    if constexpr (std::is_same_v<Sample, double>) {
      mEffect->processDoubleReplacing(mEffect, inArray, outArray, frames);
    } else if (kind == ProcessKind::kAccumulating) {
      mEffect->process(mEffect, inArray, outArray, frames);
    } else {
      mEffect->processReplacing(mEffect, inArray, outArray, frames);
    }
    // Bounded input and parameters in range: the output stays finite.
    for (const Sample* channel : outputs)
      for (std::size_t i = 0; channel && i < length; ++i)
        Require(std::isfinite(channel[i]));
  }

  AEffect* mEffect;
  Connections mConnections;
  bool& mOpened;  // the instance's first effOpen identifies the host
  int mFramesLeft = kMaxFramesPerInput;
  std::uint8_t mTouched = 0;
};

// Making an instance takes longer than running most inputs, so one lives on
// from input to input, brought back to its first state before each. A new
// one is made when the host closed the last, or behaves otherwise.
struct Instance {
  std::unique_ptr<Vst2TestHost> mHost;
  AEffect* mEffect = nullptr;
  std::uint8_t mProfile = 0;
  bool mOpened = false;
};

Instance& Prepare(std::uint8_t profile) {
  // The plug-in keeps closed records in a static of its own; made before the
  // instance here, it outlives it when the fuzzer exits and the host closes.
  static const bool retiredRecordsFirst = [] {
    RetireEffectRecord(std::make_unique<AEffect>());
    return true;
  }();
  (void)retiredRecordsFirst;
  static Instance instance;
  static const std::vector<std::uint8_t> first = [] {
    QUOR console;
    return SavedState(console, true);
  }();
  if (profile != kStereoHost && profile != kClosingHost) profile = kOrdinaryHost;
  const bool fresh = !instance.mEffect || !instance.mEffect->object ||
                     profile != instance.mProfile || profile == kClosingHost;
  if (fresh) {
    instance.mHost.reset();  // closes what the host has not closed yet
    gHost.mLimitsToStereo = profile == kStereoHost;
    gHost.mClosesWhileOpening = profile == kClosingHost;
    auto host = std::make_unique<Vst2TestHost>(
        [](audioMasterCallback callback) { return InstantiateVST2<QUOR>(callback); }, FuzzHost());
    AEffect* effect = host->Effect();
    instance = {std::move(host), effect, profile, false};
    return instance;
  }
  AEffect* effect = instance.mEffect;
  const auto call = [effect](VstInt32 opcode, VstIntPtr value, void* ptr, float opt = 0.f) {
    return effect->dispatcher(effect, opcode, 1, value, ptr, opt);
  };
  VstSpeakerArrangement all{};
  all.numChannels = kChannels;
  call(effSetSpeakerArrangement, reinterpret_cast<VstIntPtr>(&all), &all);
  call(effSetBlockSize, 1024, nullptr);
  call(effSetSampleRate, 0, nullptr, 44100.f);
  std::vector<std::uint8_t> state = first;
  call(effSetChunk, static_cast<VstIntPtr>(state.size()), state.data());
  call(effSetProgramName, 0, const_cast<char*>("-"));
  return instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ScriptReader script({data, size});
  Instance& instance = Prepare(script.Take<std::uint8_t>());
  if (!instance.mEffect) return 0;
  Session session(instance.mEffect, instance.mOpened);
  for (int n = 0; n < kMaxActions && !script.AtEnd(); ++n) {
    switch (static_cast<HostAction>(script.Take<std::uint8_t>() %
                                    static_cast<int>(HostAction::kCount))) {
      case HostAction::kDispatch:
        session.Dispatch(script);
        break;
      case HostAction::kSetParameter:
        session.SetParameter(script);
        break;
      case HostAction::kGetParameter:
        session.GetParameter(script);
        break;
      default:
        session.Process(script);
        break;
    }
  }
  return 0;
}
