// QUOR: an eight-track mixing console. Sixteen channels in, each stereo track
// saturated, equalised, gained, bypassed or muted, then summed to stereo
// (Mode 0) or passed through separately (Mode 1).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "plugin/track_chain_paths.h"
#include "plugin/track_lanes.h"
#include "vst2/ieffect_vst2.h"

class IGraphics;
class TextEntry;

class QUOR : public IEffectVST2 {
 public:
  // The chain's own counts: its state and block are sized by them.
  static constexpr int kNumTracks = TrackChainState::kTracks;
  static constexpr int kNumChannels = TrackChainState::kChannels;
  static constexpr int kNumParams = 94;
  static constexpr int kNumNames = kNumTracks + 1;  // the tracks, then the master section
  static constexpr int kNumMeters = TrackChainState::kMeters;
  // The names a new console starts with, saved and shown as any other.
  static constexpr const char* kDefaultTrackName = "Track Name";
  static constexpr const char* kDefaultMasterName = "Master";

  // Parameter indices: track t (0..7) owns 10t .. 10t + 4; the 35 indices
  // 10t + 5 .. 10t + 9 (t < 7) exist for the host but are never used.
  static constexpr int HighGainIdx(int t) { return 10 * t; }
  static constexpr int MidGainIdx(int t) { return 10 * t + 1; }
  static constexpr int LowGainIdx(int t) { return 10 * t + 2; }
  static constexpr int InputIdx(int t) { return 10 * t + 3; }
  static constexpr int OutputIdx(int t) { return 10 * t + 4; }
  static constexpr int BypassIdx(int t) { return 77 + t; }
  static constexpr int MuteIdx(int t) { return 85 + t; }
  static constexpr int kMasterOutputIdx = 75;
  static constexpr int kModeIdx = 76;
  static constexpr int kGlobalBypassIdx = 93;

  // Where the editor draws: on the window system's surface, as hosts see it;
  // on a headless one, drawn without a display; or nowhere, for measuring the
  // console without the editor's share.
  enum class Editor { kWindowed, kHeadless, kNone };

  explicit QUOR(IInstanceInfo instanceInfo, Editor editor = Editor::kWindowed);
  ~QUOR() override;

  void Reset() override;
  void OnParamChange(int paramIdx) override;
  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override;
  bool SerializeState(ByteChunk* chunk) override;
  int UnserializeState(const ByteChunk* chunk, int startPos) override;
  int StateEnd(const ByteChunk* chunk, int startPos) const override;

  // The whole state a chunk carries: the nine names, then every parameter value.
  struct State {
    std::array<std::string, kNumNames> mNames;
    std::array<double, kNumParams> mValues{};
  };

  // A track's name (8: the master's) as the user sees it, and a new one, as
  // if typed; any thread but the audio thread.
  std::string GetTrackName(int idx);
  void SetTrackName(int idx, const std::string& name);
  // The meters' editor controls; -1 until an editor has them.
  void SetMeterControls(const std::array<int, kNumMeters>& controlIndices) {
    mMeterIdx = controlIndices;
  }
  double GetMeterState(int meter) const { return mChain.meters[meter]; }

  // The instruction set the chain runs on: the widest the processor has,
  // chosen at construction. Tests and benchmarks force the others; false
  // (and no change) where the processor lacks it. Host thread, under the lock.
  bool SetChainPath(ChainPath path);

 private:
  void InitParameters();
  // Restoring reads the whole state first and applies it only when it is whole.
  int ReadState(const ByteChunk* chunk, int startPos, State* state) const;
  void ApplyState(State& state);
  // The background and the 80 controls, then the surface handed to the framework.
  void BuildEditor(std::unique_ptr<IGraphics> graphics);
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

  // The names as saved and restored, under mStateMutex. The user sees and
  // edits them in the name fields, the editor's controls; a save copies them
  // from there, a restore puts them there.
  std::array<std::string, kNumNames> mTrackNames;
  std::array<TextEntry*, kNumNames> mNameEntries{};  // none without an editor
};
