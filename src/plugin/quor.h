// QUOR: an eight-track mixing console. Sixteen channels in, each stereo track
// saturated, equalised, gained, bypassed or muted, then summed to stereo
// (Mode 0) or passed through separately (Mode 1).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "framework/ieffect_base.h"
#include "plugin/quor_params.h"
#include "plugin/track_chain_paths.h"
#include "plugin/track_lanes.h"

class IGraphics;
class TextEntry;

class QUOR : public IEffectBase {
 public:
  // The chain's own counts: its state and block are sized by them.
  static constexpr int kNumTracks = TrackChainState::kTracks;
  static_assert(kNumTracks == kParamTracks);
  static constexpr int kNumChannels = TrackChainState::kChannels;
  static constexpr int kNumParams = ::kNumParams;
  static constexpr int kNumNames = kNumTracks + 1;  // the tracks, then the master section
  static constexpr int kNumMeters = TrackChainState::kMeters;
  // The names a new console starts with, saved and shown as any other.
  static constexpr const char* kDefaultTrackName = "Track Name";
  static constexpr const char* kDefaultMasterName = "Master";

  // Parameter indices, from the table (plugin/quor_params.h): track t (0..7)
  // owns 10t .. 10t + 4; the 35 indices 10t + 5 .. 10t + 9 (t < 7) exist for
  // the host but are never used.
  static constexpr int HighGainIdx(int t) { return ParamIndex(ParamRole::kHighGain, t); }
  static constexpr int MidGainIdx(int t) { return ParamIndex(ParamRole::kMidGain, t); }
  static constexpr int LowGainIdx(int t) { return ParamIndex(ParamRole::kLowGain, t); }
  static constexpr int InputIdx(int t) { return ParamIndex(ParamRole::kInput, t); }
  static constexpr int OutputIdx(int t) { return ParamIndex(ParamRole::kOutput, t); }
  static constexpr int BypassIdx(int t) { return ParamIndex(ParamRole::kBypass, t); }
  static constexpr int MuteIdx(int t) { return ParamIndex(ParamRole::kMute, t); }
  static constexpr int kMasterOutputIdx = ParamIndex(ParamRole::kMasterOutput);
  static constexpr int kModeIdx = ParamIndex(ParamRole::kMode);
  static constexpr int kGlobalBypassIdx = ParamIndex(ParamRole::kGlobalBypass);

  // Where the editor draws: on the window system's surface, as hosts see it;
  // on a headless one, drawn without a display; or nowhere, for measuring the
  // console without the editor's share.
  enum class Editor { kWindowed, kHeadless, kNone };

  explicit QUOR(Editor editor = Editor::kWindowed);
  ~QUOR() override;

  void Reset() override;                                                                 // host
  void OnParamChange(int paramIdx) override;                                             // any
  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override;  // audio
  bool SerializeState(ByteChunk* chunk) override;                                        // host
  int UnserializeState(const ByteChunk* chunk, int startPos) override;                   // host
  int StateEnd(const ByteChunk* chunk, int startPos) const override;                     // host
  // The meters, and the nine names as texts of the state.
  double GetOutputValue(int idx) const override;            // any
  std::string GetText(int idx) override;                    // host
  void SetText(int idx, const std::string& text) override;  // host
  // Channels by the track they carry, the mix's pair in MIX mode by the master.
  std::string ChannelLabel(bool input, int idx) override;  // host

  // The whole state a chunk carries: the nine names, then every parameter value.
  struct State {
    std::array<std::string, kNumNames> mNames;
    std::array<double, kNumParams> mValues{};
  };
  // A state as a chunk carries it, and read back (the position after it, or
  // -1): the bytes SerializeState writes and UnserializeState reads, for
  // whoever keeps a state apart from the plug-in, as the editor's presets do.
  static void WriteState(const State& state, ByteChunk* chunk);              // any
  static int ReadState(const ByteChunk* chunk, int startPos, State* state);  // any

  // A track's name (8: the master's) as the user sees it, and a new one, as
  // if typed.
  std::string GetTrackName(int idx);                    // host
  void SetTrackName(int idx, const std::string& name);  // host
  // The meters' editor controls; -1 until an editor has them.
  void SetMeterControls(const std::array<int, kNumMeters>& controlIndices) {
    mMeterIdx = controlIndices;
  }
  double GetMeterState(int meter) const { return mChain.meters[meter]; }
  // The meters' over lamps' editor controls; -1 until an editor has them. A
  // lamp is lit by a block in which any sample its meter reads from exceeds
  // full scale (a magnitude above 1), and stays lit until clicked.
  void SetOverLampControls(const std::array<int, kNumMeters>& controlIndices) {
    mOverLampIdx = controlIndices;
  }

  // The instruction set the chain runs on: the widest the processor has,
  // chosen at construction. Tests and benchmarks force the others; false
  // (and no change) where the processor lacks it.
  bool SetChainPath(ChainPath path);  // host

 private:
  // Restoring reads the whole state first and applies it only when it is whole.
  void ApplyState(State& state);
  // The background, the table's 80 controls, the meters' lamps and the
  // bypass shade, then the surface handed to the framework.
  void BuildEditor(std::unique_ptr<IGraphics> graphics);
  // After the other controls: one over lamp and one peak reading per meter,
  // on its face.
  void AttachMeterLamps(IGraphics& graphics);
  // The presets, A and B, undo and redo, under the master knob.
  void AttachSettingsPanel(IGraphics& graphics);
  // Between the stored names and the name fields, under mStateMutex; without
  // an editor the stored names are all there is.
  void CopyNamesFromFields();
  void ShowNamesInFields();
  void SilenceOutputsOutsideTheMix(int mode, double** outputs, int nFrames);

  // Cached from the parameters by OnParamChange, constant within a block.
  std::array<double, kNumTracks> mHigh{};
  std::array<double, kNumTracks> mMid{};
  std::array<double, kNumTracks> mLow{};
  std::array<double, kNumTracks> mInAmp{};
  std::array<double, kNumTracks> mOutAmp{};
  double mMasterAmp = 0.;

  // Filter coefficients, drives and output gains per channel follow the
  // cached gains and the sample rate, recomputed only when either changed.
  void UpdateChainGains(double sampleRate);

  TrackChainState mChain;
  TrackChainRunner mRunChain;
  bool mGainsChanged = true;
  // The rate the filter and meter coefficients were worked out for, compared
  // bit by bit.
  std::uint64_t mChainRate = ~std::uint64_t{0};
  double mMeterCoefficient = 0.;
  std::array<int, kNumMeters> mMeterIdx;
  int mBypassShadeIdx = -1;  // the editor's shade over the strips
  int mModeShadeIdx = -1;    // and over the master section, in 16 OUT
  std::array<int, kNumMeters> mOverLampIdx;
  std::array<int, kNumMeters> mPeakIdx;

  // The names as saved and restored, under mStateMutex. The user sees and
  // edits them in the name fields, the editor's controls; a save copies them
  // from there, a restore puts them there.
  std::array<std::string, kNumNames> mTrackNames;
  std::array<TextEntry*, kNumNames> mNameEntries{};  // none without an editor
};
