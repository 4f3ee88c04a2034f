// The VST3 binary interface: audio processing. The processor
// interface, the records a host passes to process, the transport, and the
// parameter changes and events that travel with each block.
#pragma once

#include <cstddef>

#include "vst3/vst3_base.h"

namespace vst3 {

// Speaker masks: a bus's channels as bits; channel count = bits set.
enum Speakers : SpeakerArrangement {
  kSpeakerL = 1u << 0,
  kSpeakerR = 1u << 1,
  kSpeakerM = 1u << 19,
  kEmptyArrangement = 0,
  kStereoArrangement = kSpeakerL | kSpeakerR,
  kMonoArrangement = kSpeakerM,
};

enum ProcessModes : int32 { kRealtime = 0, kPrefetch = 1, kOffline = 2 };
enum SymbolicSampleSizes : int32 { kSample32 = 0, kSample64 = 1 };

struct ProcessSetup {
  int32 processMode;         // ProcessModes
  int32 symbolicSampleSize;  // SymbolicSampleSizes
  int32 maxSamplesPerBlock;
  SampleRate sampleRate;
};
static_assert(sizeof(ProcessSetup) == 24 && alignof(ProcessSetup) == 8);
static_assert(offsetof(ProcessSetup, maxSamplesPerBlock) == 8 &&
              offsetof(ProcessSetup, sampleRate) == 16);

// One bus's channels for one block, 32- or 64-bit as ProcessData says.
// Inputs and outputs may be the same buffers, and channels may share one.
struct AudioBusBuffers {
  int32 numChannels;
  uint64 silenceFlags;  // bit n: channel n is all zeros
  union {
    float** channelBuffers32;
    double** channelBuffers64;
  };
};
static_assert(sizeof(AudioBusBuffers) == 24 && alignof(AudioBusBuffers) == 8);
static_assert(offsetof(AudioBusBuffers, silenceFlags) == 8 &&
              offsetof(AudioBusBuffers, channelBuffers32) == 16);

struct Chord {
  uint8 keyNote;
  uint8 rootNote;
  int16 chordMask;
};

struct FrameRate {
  enum Flags : uint32 { kPullDownRate = 1, kDropRate = 2 };
  uint32 framesPerSecond;
  uint32 flags;
};

// The transport at the block's first sample; fields count where `state`
// says they are valid.
struct ProcessContext {
  enum StatesAndFlags : uint32 {
    kPlaying = 1u << 1,
    kCycleActive = 1u << 2,
    kRecording = 1u << 3,
    kSystemTimeValid = 1u << 8,
    kProjectTimeMusicValid = 1u << 9,
    kTempoValid = 1u << 10,
    kBarPositionValid = 1u << 11,
    kCycleValid = 1u << 12,
    kTimeSigValid = 1u << 13,
    kSmpteValid = 1u << 14,
    kClockValid = 1u << 15,
    kContTimeValid = 1u << 17,
    kChordValid = 1u << 18,
  };
  uint32 state;
  SampleRate sampleRate;
  TSamples projectTimeSamples;
  int64 systemTime;  // nanoseconds (some hosts: microseconds)
  TSamples continuousTimeSamples;
  TQuarterNotes projectTimeMusic;
  TQuarterNotes barPositionMusic;
  TQuarterNotes cycleStartMusic;
  TQuarterNotes cycleEndMusic;
  double tempo;  // beats per minute
  int32 timeSigNumerator;
  int32 timeSigDenominator;
  Chord chord;
  int32 smpteOffsetSubframes;
  FrameRate frameRate;
  int32 samplesToNextClock;
};
static_assert(sizeof(ProcessContext) == 112 && alignof(ProcessContext) == 8);
static_assert(offsetof(ProcessContext, sampleRate) == 8 &&
              offsetof(ProcessContext, systemTime) == 24 &&
              offsetof(ProcessContext, projectTimeMusic) == 40 &&
              offsetof(ProcessContext, tempo) == 72 &&
              offsetof(ProcessContext, timeSigNumerator) == 80 &&
              offsetof(ProcessContext, chord) == 88 &&
              offsetof(ProcessContext, smpteOffsetSubframes) == 92 &&
              offsetof(ProcessContext, frameRate) == 96 &&
              offsetof(ProcessContext, samplesToNextClock) == 104);

// One parameter's points within a block: (offset, normalised value) joined
// by straight lines from the last value the plug-in had.
class IParamValueQueue : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
  using Base = FUnknown;

  virtual ParamID getParameterId() = 0;                                               // audio
  virtual int32 getPointCount() = 0;                                                  // audio
  virtual tresult getPoint(int32 index, int32* sampleOffset, ParamValue* value) = 0;  // audio
  virtual tresult addPoint(int32 sampleOffset, ParamValue value, int32* index) = 0;   // audio

 protected:
  ~IParamValueQueue() = default;
};

// The parameters changed within a block, one queue each.
class IParameterChanges : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
  using Base = FUnknown;

  virtual int32 getParameterCount() = 0;                        // audio
  virtual IParamValueQueue* getParameterData(int32 index) = 0;  // audio; borrowed
  // The queue of `id`, added if new (output changes).
  virtual IParamValueQueue* addParameterData(const ParamID* id, int32* index) = 0;  // audio

 protected:
  ~IParameterChanges() = default;
};

// Events of a block (notes, data); MIDI controllers come as parameters.
struct NoteOnEvent {
  int16 channel;
  int16 pitch;
  float tuning;    // cents
  float velocity;  // 0 ... 1
  int32 length;    // samples
  int32 noteId;    // -1: none
};
struct NoteOffEvent {
  int16 channel;
  int16 pitch;
  float velocity;
  int32 noteId;
  float tuning;
};
struct DataEvent {
  enum DataTypes : uint32 { kMidiSysEx = 0 };
  uint32 size;
  uint32 type;
  const uint8* bytes;
};
struct PolyPressureEvent {
  int16 channel;
  int16 pitch;
  float pressure;
  int32 noteId;
};
struct NoteExpressionValueEvent {
  uint32 typeId;
  int32 noteId;
  double value;
};
struct NoteExpressionTextEvent {
  uint32 typeId;
  int32 noteId;
  uint32 textLen;
  const char16* text;
};
struct ChordEvent {
  int16 root;
  int16 bassNote;
  int16 mask;
  uint16 textLen;
  const char16* text;
};
struct ScaleEvent {
  int16 root;
  int16 mask;
  uint16 textLen;
  const char16* text;
};
struct LegacyMidiCcOutEvent {
  uint8 controlNumber;
  int8 channel;
  int8 value;
  int8 value2;
};
static_assert(sizeof(NoteOnEvent) == 20 && sizeof(NoteOffEvent) == 16 && sizeof(DataEvent) == 16 &&
              sizeof(PolyPressureEvent) == 12 && sizeof(NoteExpressionValueEvent) == 16 &&
              sizeof(NoteExpressionTextEvent) == 24 && sizeof(ChordEvent) == 16 &&
              sizeof(ScaleEvent) == 16 && sizeof(LegacyMidiCcOutEvent) == 4);

struct Event {
  enum EventFlags : uint16 { kIsLive = 1 };
  enum EventTypes : uint16 {
    kNoteOnEvent = 0,
    kNoteOffEvent = 1,
    kDataEvent = 2,
    kPolyPressureEvent = 3,
    kNoteExpressionValueEvent = 4,
    kNoteExpressionTextEvent = 5,
    kChordEvent = 6,
    kScaleEvent = 7,
    kLegacyMidiCcOutEvent = 65535,
  };
  int32 busIndex;
  int32 sampleOffset;
  TQuarterNotes ppqPosition;
  uint16 flags;
  uint16 type;
  union {
    NoteOnEvent noteOn;
    NoteOffEvent noteOff;
    DataEvent data;
    PolyPressureEvent polyPressure;
    NoteExpressionValueEvent noteExpressionValue;
    NoteExpressionTextEvent noteExpressionText;
    ChordEvent chord;
    ScaleEvent scale;
    LegacyMidiCcOutEvent midiCcOut;
  };
};
static_assert(sizeof(Event) == 48 && alignof(Event) == 8);
static_assert(offsetof(Event, ppqPosition) == 8 && offsetof(Event, flags) == 16 &&
              offsetof(Event, type) == 18 && offsetof(Event, noteOn) == 24);

class IEventList : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44);
  using Base = FUnknown;

  virtual int32 getEventCount() = 0;                    // audio
  virtual tresult getEvent(int32 index, Event* e) = 0;  // audio
  virtual tresult addEvent(Event* e) = 0;               // audio

 protected:
  ~IEventList() = default;
};

// Everything one process call works on.
struct ProcessData {
  int32 processMode;         // ProcessModes
  int32 symbolicSampleSize;  // SymbolicSampleSizes
  int32 numSamples;          // 0: only parameter changes
  int32 numInputs;           // audio input buses
  int32 numOutputs;          // audio output buses
  AudioBusBuffers* inputs;   // one per bus, inactive ones included
  AudioBusBuffers* outputs;
  IParameterChanges* inputParameterChanges;
  IParameterChanges* outputParameterChanges;  // may be null
  IEventList* inputEvents;                    // may be null
  IEventList* outputEvents;                   // may be null
  ProcessContext* processContext;             // may be null
};
static_assert(sizeof(ProcessData) == 80 && alignof(ProcessData) == 8);
static_assert(offsetof(ProcessData, numOutputs) == 16 && offsetof(ProcessData, inputs) == 24 &&
              offsetof(ProcessData, outputs) == 32 &&
              offsetof(ProcessData, inputParameterChanges) == 40 &&
              offsetof(ProcessData, outputParameterChanges) == 48 &&
              offsetof(ProcessData, inputEvents) == 56 &&
              offsetof(ProcessData, outputEvents) == 64 &&
              offsetof(ProcessData, processContext) == 72);

// The processor; not derived from IComponent, answered by the same object.
class IAudioProcessor : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
  using Base = FUnknown;

  // One mask per bus. kResultTrue: adopted; kResultFalse: the host reads
  // what the plug-in kept through getBusArrangement.
  virtual tresult setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                     SpeakerArrangement* outputs,
                                     int32 numOuts) = 0;  // host, audio
  virtual tresult getBusArrangement(BusDirection dir, int32 index,
                                    SpeakerArrangement* arrangement) = 0;  // host, audio
  virtual tresult canProcessSampleSize(int32 symbolicSampleSize) = 0;      // host
  virtual uint32 getLatencySamples() = 0;                                  // host, audio
  virtual tresult setupProcessing(ProcessSetup* setup) = 0;                // host, inactive
  virtual tresult setProcessing(TBool state) = 0;                          // host, audio
  virtual tresult process(ProcessData* data) = 0;                          // audio
  virtual uint32 getTailSamples() = 0;                                     // host

 protected:
  ~IAudioProcessor() = default;
};

constexpr uint32 kNoTail = 0;
constexpr uint32 kInfiniteTail = 0xFFFFFFFFu;

// Optional: what of the ProcessContext the plug-in needs (a mask).
class IProcessContextRequirements : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);
  using Base = FUnknown;

  virtual uint32 getProcessContextRequirements() = 0;  // host

 protected:
  ~IProcessContextRequirements() = default;
};

}  // namespace vst3
