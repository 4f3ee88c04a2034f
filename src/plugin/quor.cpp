#include "plugin/quor.h"

#include <algorithm>
#include <mutex>
#include <string>

#include "editor/igraphics_headless.h"
#include "engine/gain.h"
#include "plugin/editor_layout.h"
#include "plugin/make_graphics.h"
#include "plugin/text_entry.h"

namespace {

constexpr int kVendorVersion = 0x00010100;  // v1.1.0
constexpr int kDefaultMeterControl = -1;

}  // namespace

QUOR::QUOR(IInstanceInfo instanceInfo, Editor editor)
    : IEffectVST2(instanceInfo, kNumParams, "16-16", 1, "QUOR", "", "Vandorhaus", kVendorVersion,
                  FourCC('Q', 'U', 'R', '1'), FourCC('V', 'd', 'h', 's'), 0, false, true, false, 0),
      mRunChain(ChainRunner(FastestChainPath())) {
  // Every meter starts at full scale and falls from there.
  for (int m = 0; m < kNumMeters; ++m)
    mChain.meters[m] = 1.;
  mMeterIdx.fill(kDefaultMeterControl);
  for (int t = 0; t < kNumTracks; ++t)
    mTrackNames[static_cast<std::size_t>(t)] = kDefaultTrackName;
  mTrackNames[kNumTracks] = kDefaultMasterName;

  InitParameters();
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
  MakeDefaultPreset("-", 1);
}

QUOR::~QUOR() = default;

void QUOR::InitParameters() {
  const auto initGain = [this](int idx, const std::string& name, double defaultValue,
                               double minValue, double maxValue) {
    IParam* param = GetParam(idx);
    param->InitDouble(name.c_str(), defaultValue, minValue, maxValue, 0.01, "%", "", 1.);
    param->SetShape(1.);
  };
  const auto initSwitch = [this](int idx, const std::string& name) {
    GetParam(idx)->InitInt(name.c_str(), 0, 0, 1, "", "");
  };

  initSwitch(kModeIdx, "Mode");
  initGain(kMasterOutputIdx, "Master Output", 0., -24., 24.);
  for (int t = 0; t < kNumTracks; ++t) {
    const std::string n = std::to_string(t + 1);
    initGain(HighGainIdx(t), "High Gain " + n, 0.5, 0., 1.);
    initGain(MidGainIdx(t), "Mid Gain " + n, 0.5, 0., 1.);
    initGain(LowGainIdx(t), "Low Gain " + n, 0.5, 0., 1.);
    initGain(InputIdx(t), "Input " + n, 0., -24., 24.);
    initGain(OutputIdx(t), "Output " + n, 0., -24., 24.);
    initSwitch(BypassIdx(t), "Bypass " + n);
    initSwitch(MuteIdx(t), "Mute " + n);
  }
  initSwitch(kGlobalBypassIdx, "Global Bypass");
}

void QUOR::Reset() {
  std::lock_guard lock(mMutex);
}

void QUOR::OnParamChange(int paramIdx) {
  std::lock_guard lock(mMutex);
  if (!IsValidParamIdx(paramIdx)) return;
  const double value = GetParam(paramIdx)->Value();
  if (paramIdx == kMasterOutputIdx) {
    mMasterAmp = DbToGain(value);
    return;
  }
  // The switches and the unused indices are read where they act, or nowhere.
  const int t = paramIdx / 10;
  if (t >= kNumTracks) return;
  const auto track = static_cast<std::size_t>(t);
  if (paramIdx == HighGainIdx(t))
    mHigh[track] = value;
  else if (paramIdx == MidGainIdx(t))
    mMid[track] = value;
  else if (paramIdx == LowGainIdx(t))
    mLow[track] = value;
  else if (paramIdx == InputIdx(t))
    mInAmp[track] = DbToGain(value);
  else if (paramIdx == OutputIdx(t))
    mOutAmp[track] = DbToGain(value);
  else
    return;
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
  std::lock_guard lock(mStateMutex);
  CopyNamesFromFields();
  for (const std::string& name : mTrackNames)
    chunk->PutStr(name);
  return SerializeParams(chunk);
}

int QUOR::ReadState(const ByteChunk* chunk, int startPos, State* state) const {
  int position = startPos;
  for (std::string& name : state->mNames)
    position = chunk->GetStr(&name, position);
  return ReadParamValues(chunk, position, state->mValues);
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
  State state;
  const int position = ReadState(chunk, startPos, &state);
  if (position >= 0) ApplyState(state);
  return position;
}

int QUOR::StateEnd(const ByteChunk* chunk, int startPos) const {
  State state;
  return ReadState(chunk, startPos, &state);
}
