#include "plugin/quor.h"

#include <algorithm>
#include <mutex>
#include <string>

#include "editor/igraphics_headless.h"
#include "engine/gain.h"
#include "plugin/band_gain_curves.h"
#include "plugin/editor_layout.h"
#include "plugin/make_graphics.h"
#include "plugin/quor_descriptor.h"
#include "plugin/text_entry.h"

namespace {

constexpr int kDefaultMeterControl = -1;

}  // namespace

QUOR::QUOR(Editor editor)
    : IEffectBase(QuorDescriptor()), mRunChain(ChainRunner(FastestChainPath())) {
  // Every meter starts at full scale and falls from there.
  for (int m = 0; m < kNumMeters; ++m)
    mChain.meters[m] = 1.;
  mMeterIdx.fill(kDefaultMeterControl);
  mOverLampIdx.fill(kDefaultMeterControl);
  mPeakIdx.fill(kDefaultMeterControl);
  for (int t = 0; t < kNumTracks; ++t)
    mTrackNames[static_cast<std::size_t>(t)] = kDefaultTrackName;
  mTrackNames[kNumTracks] = kDefaultMasterName;

  switch (editor) {
    case Editor::kWindowed:
      BuildEditor(MakeGraphics(this, kEditorWidth, kEditorHeight, kEditorFPS));
      break;
    case Editor::kHeadless:
      BuildEditor(
          std::make_unique<IGraphicsHeadless>(this, kEditorWidth, kEditorHeight, kEditorFPS));
      break;
    case Editor::kNone:
      break;
  }
}

QUOR::~QUOR() = default;

void QUOR::Reset() {
  std::lock_guard lock(mMutex);
  // The host goes on from elsewhere or starts an export: nothing that played
  // before may sound or show. The meters rest and their lamps go out.
  mChain.ForgetSignal();
  if (IEditorSurface* editor = GetGUI())
    for (std::size_t m = 0; m < kNumMeters; ++m) {
      editor->SetControlFromPlug(mMeterIdx[m], 0.);
      editor->SetControlFromPlug(mOverLampIdx[m], 0.);
    }
}

void QUOR::OnParamChange(int paramIdx) {
  std::lock_guard lock(mMutex);
  const QuorParam* param = FindParam(paramIdx);
  // The unused indices act on nothing.
  if (!param) return;
  const double value = GetParam(paramIdx)->Value();
  const auto track = static_cast<std::size_t>(param->mTrack);
  switch (param->mRow->mRole) {
    case ParamRole::kMasterOutput:
      mMasterAmp = DbToGain(value);
      return;
    case ParamRole::kHighGain:
      mHigh[track] = value;
      break;
    case ParamRole::kMidGain:
      mMid[track] = value;
      break;
    case ParamRole::kLowGain:
      mLow[track] = value;
      break;
    case ParamRole::kInput:
      mInAmp[track] = DbToGain(value);
      break;
    case ParamRole::kOutput:
      mOutAmp[track] = DbToGain(value);
      break;
    case ParamRole::kGlobalBypass:
      if (IEditorSurface* editor = GetGUI(); editor && mBypassShadeIdx >= 0)
        editor->SetControlFromPlug(mBypassShadeIdx, value);
      return;
    case ParamRole::kMode:
      if (IEditorSurface* editor = GetGUI(); editor && mModeShadeIdx >= 0)
        editor->SetControlFromPlug(mModeShadeIdx, value);
      return;
    case ParamRole::kBypass:
    case ParamRole::kMute:
      // Read where they act, at every block.
      return;
  }
  mGainsChanged = true;
}

bool QUOR::SetChainPath(ChainPath path) {
  std::lock_guard lock(mMutex);
  if (!ChainPathSupported(path)) return false;
  mRunChain = ChainRunner(path);
  return true;
}

void QUOR::SilenceOutputsOutsideTheMix(int mode, double** outputs, int nFrames) {
  // Mode 0 mixes to outputs 1 and 2; the others carry silence, not what the
  // host's buffers or an earlier Mode 1 block left there. This runs after the
  // chain, which may have read them: a host may pass the inputs as outputs.
  if (mode != 0) return;
  for (int c = 2; c < kNumChannels; ++c)
    std::fill_n(outputs[c], nFrames, 0.);
}

double QUOR::GetOutputValue(int idx) const {
  return idx >= 0 && idx < kNumMeters ? GetMeterState(idx) : 0.;
}

std::string QUOR::GetText(int idx) {
  return idx >= 0 && idx < kNumNames ? GetTrackName(idx) : std::string();
}

void QUOR::SetText(int idx, const std::string& text) {
  if (idx >= 0 && idx < kNumNames) SetTrackName(idx, text);
}

std::string QUOR::ChannelLabel(bool input, int idx) {
  const int channels = input ? NInChannels() : NOutChannels();
  if (idx < 0 || idx >= channels) return {};
  const int track = idx / 2;
  const bool mixOut = !input && track == 0 && GetParam(kModeIdx)->Int() == 0;
  std::string name = GetTrackName(mixOut ? kNumTracks : track);
  // An unnamed track is still a track of its own: its files must not collide.
  if (name.empty() || name == kDefaultTrackName)
    name = mixOut ? kDefaultMasterName : "Track " + std::to_string(track + 1);
  return name + (idx % 2 == 0 ? " L" : " R");
}

std::string QUOR::GetTrackName(int idx) {
  std::lock_guard lock(mStateMutex);
  const auto i = static_cast<std::size_t>(idx);
  return mNameEntries[i] ? mNameEntries[i]->GetTextForPlug() : mTrackNames[i];
}

void QUOR::SetTrackName(int idx, const std::string& name) {
  std::lock_guard lock(mStateMutex);
  mTrackNames[static_cast<std::size_t>(idx)] = name;
  if (TextEntry* field = mNameEntries[static_cast<std::size_t>(idx)])
    field->TextFromTextEntry(name.c_str());
}

void QUOR::CopyNamesFromFields() {
  for (std::size_t i = 0; i < mNameEntries.size(); ++i)
    if (const TextEntry* field = mNameEntries[i]) mTrackNames[i] = field->GetTextForPlug();
}

void QUOR::ShowNamesInFields() {
  for (std::size_t i = 0; i < mNameEntries.size(); ++i)
    if (TextEntry* field = mNameEntries[i]) field->TextFromTextEntry(mTrackNames[i].c_str());
}

bool QUOR::SerializeState(ByteChunk* chunk) {
  ExpectThread(ThreadRole::kHost);
  std::lock_guard lock(mStateMutex);
  CopyNamesFromFields();
  for (const std::string& name : mTrackNames)
    chunk->PutStr(name);
  return SerializeParams(chunk);
}

void QUOR::WriteState(const State& state, ByteChunk* chunk) {
  for (const std::string& name : state.mNames)
    chunk->PutStr(name);
  for (const double value : state.mValues)
    chunk->Put(value);
}

int QUOR::ReadState(const ByteChunk* chunk, int startPos, State* state) {
  int position = startPos;
  for (std::string& name : state->mNames)
    position = chunk->GetStr(&name, position);
  for (double& value : state->mValues)
    position = chunk->Get(&value, position);
  return position;
}

void QUOR::ApplyState(State& state) {
  std::lock_guard lock(mMutex);
  std::lock_guard names(mStateMutex);  // names and values change as one
  for (std::size_t i = 0; i < mTrackNames.size(); ++i)
    mTrackNames[i].swap(state.mNames[i]);
  ShowNamesInFields();
  ApplyParamValues(state.mValues);
}

int QUOR::UnserializeState(const ByteChunk* chunk, int startPos) {
  ExpectThread(ThreadRole::kHost);
  State state;
  const int position = ReadState(chunk, startPos, &state);
  if (position >= 0) ApplyState(state);
  return position;
}

int QUOR::StateEnd(const ByteChunk* chunk, int startPos) const {
  State state;
  return ReadState(chunk, startPos, &state);
}
