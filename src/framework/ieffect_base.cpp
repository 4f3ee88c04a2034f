#include "framework/ieffect_base.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Reads one "%d" the way sscanf would; an unreadable number counts as 0.
int ReadInt(const char*& cursor) {
  char* end = nullptr;
  const long value = std::strtol(cursor, &end, 10);
  if (end == cursor) return 0;
  cursor = end;
  return static_cast<int>(std::clamp<long>(value, 0, 1 << 16));
}

}  // namespace

IEffectBase::IEffectBase(int nParams, const char* channelIOStr, int nPresets,
                         const char* effectName, const char* productName, const char* mfrName,
                         int vendorVersion, int uniqueID, int mfrID, int latency, bool plugDoesMidi,
                         bool plugDoesChunks, bool plugIsInst)
    : mEffectName(effectName ? effectName : ""),
      mProductName(productName ? productName : ""),
      mMfrName(mfrName ? mfrName : ""),
      mUniqueID(uniqueID),
      mMfrID(mfrID),
      mVersion(vendorVersion),
      mStateChunks(plugDoesChunks),
      mIsInst(plugIsInst),
      mDoesMIDI(plugDoesMidi),
      mLatency(latency),
      mEdits(nParams) {
  for (int i = 0; i < nParams; ++i)
    mParams.push_back(std::make_unique<IParam>());
  for (int i = 0; i < nPresets; ++i)
    mPresets.push_back(std::make_unique<IPreset>());

  int nInputs = 0, nOutputs = 0;
  for (const char* cursor = channelIOStr ? channelIOStr : ""; cursor;) {
    ChannelIO io;
    io.mIn = ReadInt(cursor);
    if (*cursor == '-') ++cursor;
    io.mOut = ReadInt(cursor);
    mChannelIO.push_back(io);
    nInputs = std::max(nInputs, io.mIn);
    nOutputs = std::max(nOutputs, io.mOut);
    cursor = std::strchr(cursor, ' ');
    if (cursor) ++cursor;
  }
  mInData.assign(static_cast<std::size_t>(nInputs), nullptr);
  mOutData.assign(static_cast<std::size_t>(nOutputs), nullptr);
  mInChannels.resize(static_cast<std::size_t>(nInputs));
  mOutChannels.resize(static_cast<std::size_t>(nOutputs));
  mFloatPieces.mIn.resize(static_cast<std::size_t>(nInputs));
  mFloatPieces.mOut.resize(static_cast<std::size_t>(nOutputs));
  mDoublePieces.mIn.resize(static_cast<std::size_t>(nInputs));
  mDoublePieces.mOut.resize(static_cast<std::size_t>(nOutputs));
}

namespace {

std::string ChannelIOText(const PlugDescriptor& d) {
  return std::to_string(d.NInChannels()) + "-" + std::to_string(d.NOutChannels());
}

void InitParam(IParam& param, const ParamDescriptor& d) {
  if (d.mType == kTypeDouble) {
    param.InitDouble(d.mName.c_str(), d.mDefault, d.mMin, d.mMax, d.mStep, d.mLabel.c_str(), "",
                     1.);
    param.SetShape(1.);
  } else {
    param.InitInt(d.mName.c_str(), static_cast<int>(d.mDefault), static_cast<int>(d.mMin),
                  static_cast<int>(d.mMax), d.mLabel.c_str(), "");
  }
  // Only the texts: values, ranges and what sessions store stay as they are.
  for (std::size_t value = 0; value < d.mChoices.size(); ++value)
    param.SetDisplayText(static_cast<int>(value), d.mChoices[value].c_str());
  if (d.mCurve) {
    param.SetDisplayCurve(d.mCurve, d.mCurveDecimals);
    param.ShowSign();
  }
}

}  // namespace

IEffectBase::IEffectBase(const PlugDescriptor& descriptor)
    : IEffectBase(static_cast<int>(descriptor.mParams.size()), ChannelIOText(descriptor).c_str(),
                  std::max(static_cast<int>(descriptor.mPresets.size()), 1),
                  descriptor.mIdentity.mName.c_str(), "", descriptor.mIdentity.mVendor.c_str(),
                  descriptor.mIdentity.mVersion, descriptor.mIdentity.mVst2Id,
                  descriptor.mIdentity.mVst2VendorId, 0, false, true, false) {
  mDescriptor = &descriptor;
  // The unused indices keep a fresh parameter's state.
  for (const ParamDescriptor& param : descriptor.mParams)
    if (!param.mUnused) InitParam(*GetParam(param.mId), param);
  // One slot per factory preset, each standing for its preset.
  for (std::size_t i = 0; i < descriptor.mPresets.size(); ++i)
    ResetToFactory(*mPresets[i], descriptor.mPresets[i]);
}

IEffectBase::~IEffectBase() {
  // The editor may still refer to parameters while it shuts down.
  mGraphics.reset();
}

void IEffectBase::Reset() {
  std::lock_guard lock(mMutex);
}

void IEffectBase::OnParamChange(int /*paramIdx*/) {
  std::lock_guard lock(mMutex);
}

void IEffectBase::OnActivate(bool /*active*/) {
  ExpectThread(ThreadRole::kHost);
  std::lock_guard lock(mMutex);
}

void IEffectBase::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) {
  ExpectThread(ThreadRole::kAudio);
  const int n = std::max(nFrames, 0);
  const int nIn = NInChannels();
  for (int i = 0; i < NOutChannels(); ++i) {
    double* out = outputs[i];
    if (i < nIn) {
      if (out != inputs[i]) std::memmove(out, inputs[i], sizeof(double) * static_cast<size_t>(n));
    } else {
      std::fill(out, out + n, 0.);
    }
  }
}

void IEffectBase::ProcessMidiMsg(IMidiMsg* msg) {
  SendMidiMsg(msg);
}

bool IEffectBase::MidiNoteName(int /*noteNumber*/, char* name, int nameSize) {
  ExpectThread(ThreadRole::kHost);
  if (name && nameSize > 0) name[0] = '\0';
  return false;
}

bool IEffectBase::CompareState(const std::uint8_t* incomingState, int startPos,
                               int incomingSize) const {
  ExpectThread(ThreadRole::kHost);
  if (!incomingState || startPos < 0) return NParams() == 0;
  for (int i = 0; i < NParams(); ++i) {
    const std::int64_t offset = (static_cast<std::int64_t>(startPos) + i) * 8;
    if (offset + 8 > incomingSize) return false;
    double incoming = 0.;
    std::memcpy(&incoming, incomingState + offset, sizeof incoming);
    const auto ours = static_cast<float>(GetParam(i)->Value());
    if (!(std::fabs(ours - static_cast<float>(incoming)) < 0.00001f)) return false;
  }
  return true;
}

void IEffectBase::SetParameterFromGUI(int paramIdx, double normalizedValue) {
  ExpectThread(ThreadRole::kEditor);
  if (!IsValidParamIdx(paramIdx)) return;
  {
    // The sound follows the knob at once; the host hears of it later.
    std::lock_guard lock(mMutex);
    GetParam(paramIdx)->SetNormalized(normalizedValue);
    OnParamChange(paramIdx);
  }
  InformHostOfParamChange(paramIdx, normalizedValue);
}

void IEffectBase::SetParameterValueFromGUI(int paramIdx, double value) {
  ExpectThread(ThreadRole::kEditor);
  if (!IsValidParamIdx(paramIdx)) return;
  double normalized = 0.;
  {
    std::lock_guard lock(mMutex);
    IParam* param = GetParam(paramIdx);
    param->Set(value);
    OnParamChange(paramIdx);
    normalized = param->GetNormalized();
  }
  InformHostOfParamChange(paramIdx, normalized);
}

void IEffectBase::AttachGraphics(std::unique_ptr<IEditorSurface> graphics) {
  ExpectThread(ThreadRole::kHost);
  if (!graphics) return;
  std::lock_guard lock(mMutex);
  for (int i = 0; i < NParams(); ++i)
    graphics->SetParameterFromPlug(i, GetParam(i)->GetNormalized(), true);
  graphics->PrepDraw();
  mGraphics = std::move(graphics);
}

void IEffectBase::RedrawParamControls() {
  ExpectThread(ThreadRole::kHost);
  if (!mGraphics) return;
  for (int i = 0; i < NParams(); ++i)
    mGraphics->SetParameterFromPlug(i, GetParam(i)->Value(), false);
}

void IEffectBase::SetBlockSize(int blockSize) {
  ExpectThread(ThreadRole::kHost);
  blockSize = std::clamp(blockSize, 0, kMaxBlockSize);
  if (blockSize == mBlockSize) return;
  const auto size = static_cast<std::size_t>(blockSize);
  for (InChannel& channel : mInChannels)
    channel.mScratchBuf.assign(size, 0.);
  for (OutChannel& channel : mOutChannels)
    channel.mScratchBuf.assign(size, 0.);
  mBlockSize = blockSize;
  // Every binding may point into a buffer that just moved: until the next
  // attachment each channel reads and writes its own scratch buffer.
  for (std::size_t i = 0; i < mInChannels.size(); ++i)
    mInData[i] = mInChannels[i].mScratchBuf.data();
  for (std::size_t i = 0; i < mOutChannels.size(); ++i) {
    mOutData[i] = mOutChannels[i].mScratchBuf.data();
    mOutChannels[i].mFDest = nullptr;
  }
}

void IEffectBase::SetSampleRate(double sampleRate) {
  ExpectThread(ThreadRole::kHost);
  if (IsUsableSampleRate(sampleRate)) mSampleRate = sampleRate;
}

int IEffectBase::GetEffectVersion(bool decimal) const {
  return decimal ? GetDecimalVersion(mVersion) : mVersion;
}

std::string IEffectBase::GetAPIString() const {
  switch (mAPI) {
    case kAPIVST2:
      return "VST2";
    case kAPIVST3:
      return "VST3";
    case kAPIAU:
      return "AU";
    case kAPIRTAS:
      return "RTAS";
    case kAPIAAX:
      return "AAX";
    case kAPISA:
      return "Standalone";
    case kAPILV2:
      return "LV2";
    case kAPICLAP:
      return "CLAP";
  }
  return "";
}

void IEffectBase::SetHost(const char* productName, int packedVersion) {
  mHost = LookUpHost(productName);
  mHostVersion = packedVersion;
}

int IEffectBase::GetHostVersion(bool decimal) {
  GetHost();
  return decimal ? GetDecimalVersion(mHostVersion) : mHostVersion;
}

std::string IEffectBase::GetHostVersionStr() {
  GetHost();
  return GetVersionStr(mHostVersion);
}

double IEffectBase::GetSamplesPerBeat() {
  const double tempo = GetTempo();
  return tempo > 0. ? mSampleRate * 60. / tempo : 0.;
}

void IEffectBase::OnParamReset() {
  for (int i = 0; i < NParams(); ++i)
    OnParamChange(i);
}

void IEffectBase::DirtyParameters() {
  for (int i = 0; i < NParams(); ++i)
    InformHostOfParamChange(i, GetParam(i)->GetNormalized());
}

bool IEffectBase::IsInChannelConnected(int chIdx) const {
  return chIdx >= 0 && chIdx < NInChannels() && mInChannels[static_cast<size_t>(chIdx)].mConnected;
}

bool IEffectBase::IsOutChannelConnected(int chIdx) const {
  return chIdx >= 0 && chIdx < NOutChannels() &&
         mOutChannels[static_cast<size_t>(chIdx)].mConnected;
}

void IEffectBase::SetInputChannelConnections(int idx, int n, bool connected) {
  const int end = std::min(idx + std::max(n, 0), NInChannels());
  for (int i = std::max(idx, 0); i < end; ++i) {
    InChannel& channel = mInChannels[static_cast<size_t>(i)];
    channel.mConnected = connected;
    if (!connected) {
      // Silence from now on, not the last block converted into it.
      std::fill(channel.mScratchBuf.begin(), channel.mScratchBuf.end(), 0.);
      mInData[static_cast<size_t>(i)] = channel.mScratchBuf.data();
    }
  }
}

void IEffectBase::SetOutputChannelConnections(int idx, int n, bool connected) {
  const int end = std::min(idx + std::max(n, 0), NOutChannels());
  for (int i = std::max(idx, 0); i < end; ++i) {
    OutChannel& channel = mOutChannels[static_cast<size_t>(i)];
    channel.mConnected = connected;
    if (!connected) mOutData[static_cast<size_t>(i)] = channel.mScratchBuf.data();
  }
}

bool IEffectBase::LegalIO(int nIn, int nOut) const {
  return std::any_of(mChannelIO.begin(), mChannelIO.end(), [&](const ChannelIO& io) {
    return (nIn < 0 || nIn == io.mIn) && (nOut < 0 || nOut == io.mOut);
  });
}

void IEffectBase::LimitToStereoIO() {
  SetInputChannelConnections(2, NInChannels() - 2, false);
  // Only the flag: these outputs keep writing wherever they pointed.
  for (int i = 2; i < NOutChannels(); ++i)
    mOutChannels[static_cast<size_t>(i)].mConnected = true;
}

void IEffectBase::SetInputLabel(int idx, const char* label) {
  if (idx >= 0 && idx < NInChannels())
    mInChannels[static_cast<size_t>(idx)].mLabel = label ? label : "";
}

void IEffectBase::SetOutputLabel(int idx, const char* label) {
  if (idx >= 0 && idx < NOutChannels())
    mOutChannels[static_cast<size_t>(idx)].mLabel = label ? label : "";
}

const std::string& IEffectBase::GetInputLabel(int idx) const {
  return mInChannels[static_cast<size_t>(idx)].mLabel;
}

const std::string& IEffectBase::GetOutputLabel(int idx) const {
  return mOutChannels[static_cast<size_t>(idx)].mLabel;
}

int IEffectBase::NConnectedInChannels() const {
  return static_cast<int>(std::count_if(mInChannels.begin(), mInChannels.end(),
                                        [](const InChannel& c) { return c.mConnected; }));
}

int IEffectBase::NConnectedOutChannels() const {
  return static_cast<int>(std::count_if(mOutChannels.begin(), mOutChannels.end(),
                                        [](const OutChannel& c) { return c.mConnected; }));
}

double* IEffectBase::SilentInput(InChannel& channel, int nFrames) {
  const int frames = std::clamp(nFrames, 0, static_cast<int>(channel.mScratchBuf.size()));
  std::fill_n(channel.mScratchBuf.begin(), frames, 0.);
  return channel.mScratchBuf.data();
}

void IEffectBase::AttachInputBuffers(int idx, int n, double** buffers, int nFrames) {
  const int end = std::min(idx + std::max(n, 0), NInChannels());
  for (int i = std::max(idx, 0), next = 0; i < end; ++i) {
    InChannel& channel = mInChannels[static_cast<size_t>(i)];
    if (!channel.mConnected) continue;
    double* source = buffers ? buffers[next++] : nullptr;
    mInData[static_cast<size_t>(i)] = source ? source : SilentInput(channel, nFrames);
  }
}

void IEffectBase::AttachInputBuffers(int idx, int n, float** buffers, int nFrames) {
  const int end = std::min(idx + std::max(n, 0), NInChannels());
  for (int i = std::max(idx, 0), next = 0; i < end; ++i) {
    InChannel& channel = mInChannels[static_cast<size_t>(i)];
    if (!channel.mConnected) continue;
    const float* source = buffers ? buffers[next++] : nullptr;
    double* scratch = source ? channel.mScratchBuf.data() : SilentInput(channel, nFrames);
    const int frames = std::min(nFrames, static_cast<int>(channel.mScratchBuf.size()));
    for (int f = 0; source && f < frames; ++f)
      scratch[f] = static_cast<double>(source[f]);
    mInData[static_cast<size_t>(i)] = scratch;
  }
}

void IEffectBase::AttachOutputBuffers(int idx, int n, double** buffers) {
  const int end = std::min(idx + std::max(n, 0), NOutChannels());
  for (int i = std::max(idx, 0), next = 0; i < end; ++i) {
    OutChannel& channel = mOutChannels[static_cast<size_t>(i)];
    if (!channel.mConnected) continue;
    double* destination = buffers ? buffers[next++] : nullptr;
    mOutData[static_cast<size_t>(i)] = destination ? destination : channel.mScratchBuf.data();
    channel.mFDest = nullptr;
  }
}

void IEffectBase::AttachOutputBuffers(int idx, int n, float** buffers) {
  const int end = std::min(idx + std::max(n, 0), NOutChannels());
  for (int i = std::max(idx, 0), next = 0; i < end; ++i) {
    OutChannel& channel = mOutChannels[static_cast<size_t>(i)];
    if (!channel.mConnected) continue;
    mOutData[static_cast<size_t>(i)] = channel.mScratchBuf.data();
    channel.mFDest = buffers ? buffers[next++] : nullptr;
  }
}

template <typename ConvertOut>
void IEffectBase::ConvertOutputs(int nFrames, ConvertOut convert) {
  for (OutChannel& channel : mOutChannels) {
    if (!channel.mConnected || !channel.mFDest) continue;
    const int frames = std::min(nFrames, static_cast<int>(channel.mScratchBuf.size()));
    const double* source = channel.mScratchBuf.data();
    for (int f = 0; f < frames; ++f)
      convert(channel.mFDest[f], source[f]);
  }
}

void IEffectBase::ProcessBuffers(double, int nFrames) {
  ProcessDoubleReplacing(mInData.data(), mOutData.data(), nFrames);
}

void IEffectBase::ClearOutputScratch(int nFrames) {
  // An output the plug-in leaves alone is silent, not its last block again.
  for (OutChannel& channel : mOutChannels)
    if (channel.mConnected && channel.mFDest)
      std::fill_n(channel.mScratchBuf.begin(),
                  std::clamp(nFrames, 0, static_cast<int>(channel.mScratchBuf.size())), 0.);
}

void IEffectBase::ProcessBuffers(float, int nFrames) {
  ClearOutputScratch(nFrames);
  ProcessDoubleReplacing(mInData.data(), mOutData.data(), nFrames);
  ConvertOutputs(nFrames, [](float& out, double in) { out = static_cast<float>(in); });
}

void IEffectBase::ProcessBuffersAccumulating(float, int nFrames) {
  ClearOutputScratch(nFrames);
  ProcessDoubleReplacing(mInData.data(), mOutData.data(), nFrames);
  ConvertOutputs(nFrames, [](float& out, double in) { out += static_cast<float>(in); });
}

void IEffectBase::PassThroughBuffers(double, int nFrames) {
  IEffectBase::ProcessDoubleReplacing(mInData.data(), mOutData.data(), nFrames);
}

void IEffectBase::PassThroughBuffers(float, int nFrames) {
  IEffectBase::ProcessDoubleReplacing(mInData.data(), mOutData.data(), nFrames);
  ConvertOutputs(nFrames, [](float& out, double in) { out = static_cast<float>(in); });
}

template <typename Sample, typename Process>
void IEffectBase::ProcessInPieces(Sample** inputs, Sample** outputs, int nFrames, bool replacing,
                                  Pieces<Sample>& pieces, Process process) {
  ExpectThread(ThreadRole::kAudio);
  // The host passes one pointer per connected channel, and no more.
  const int nIn = NConnectedInChannels();
  const int nOut = NConnectedOutChannels();
  const auto run = [&](int offset, int frames) {
    for (int i = 0; i < nIn; ++i)
      pieces.mIn[static_cast<std::size_t>(i)] = inputs && inputs[i] ? inputs[i] + offset : nullptr;
    for (int i = 0; i < nOut; ++i)
      pieces.mOut[static_cast<std::size_t>(i)] =
          outputs && outputs[i] ? outputs[i] + offset : nullptr;
    AttachInputBuffers(0, NInChannels(), pieces.mIn.data(), frames);
    AttachOutputBuffers(0, NOutChannels(), pieces.mOut.data());
    process(frames);
  };
  if (nFrames <= 0) {
    run(0, nFrames);
    return;
  }
  if (mBlockSize <= 0) {
    // No scratch space to work in: answer silence rather than stale data.
    for (int i = 0; replacing && outputs && i < nOut; ++i)
      if (outputs[i]) std::fill_n(outputs[i], nFrames, Sample{0});
    return;
  }
  // Disconnected channels and 32-bit conversion work in scratch buffers of
  // one announced block: longer calls run in pieces.
  for (int done = 0; done < nFrames;) {
    const int frames = std::min(mBlockSize, nFrames - done);
    run(done, frames);
    done += frames;
  }
}

void IEffectBase::ProcessBlock(double** inputs, double** outputs, int nFrames) {
  ProcessInPieces(inputs, outputs, nFrames, true, mDoublePieces,
                  [this](int frames) { ProcessBuffers(0., frames); });
}

void IEffectBase::ProcessBlock(float** inputs, float** outputs, int nFrames, bool accumulating) {
  ProcessInPieces(inputs, outputs, nFrames, !accumulating, mFloatPieces, [&](int frames) {
    if (accumulating)
      ProcessBuffersAccumulating(0.f, frames);
    else
      ProcessBuffers(0.f, frames);
  });
}

void IEffectBase::InitChunkWithFrameworkVer(ByteChunk* chunk) {
  chunk->Clear();
  chunk->Put(kFrameworkMagic);
  chunk->Put(static_cast<std::int32_t>(kFrameworkVersion));
}

int IEffectBase::GetFrameworkVerFromChunk(const ByteChunk* chunk, int* position) {
  std::uint32_t magic = 0;
  if (*position < 0 || chunk->Get(&magic, *position) < 0 || magic != kFrameworkMagic) return 0;
  std::int32_t version = 0;
  const int next = chunk->Get(&version, *position + 4);
  if (next < 0) {
    *position = -1;
    return 0;
  }
  *position = next;
  return version;
}

bool IEffectBase::SerializeParams(ByteChunk* chunk) {
  std::lock_guard lock(mStateMutex);
  for (int i = 0; i < NParams(); ++i)
    if (chunk->Put(GetParam(i)->Value()) <= 0) return false;
  return true;
}

int IEffectBase::ReadParamValues(const ByteChunk* chunk, int startPos,
                                 std::span<double> values) const {
  int position = startPos;
  for (std::size_t i = 0; i < values.size() && position >= 0; ++i)
    position = chunk->Get(&values[i], position);
  return position;
}

void IEffectBase::ApplyParamValues(std::span<const double> values) {
  std::lock_guard lock(mMutex);
  {
    std::lock_guard state(mStateMutex);
    for (int i = 0; i < NParams() && i < static_cast<int>(values.size()); ++i)
      GetParam(i)->Set(values[static_cast<std::size_t>(i)]);
  }
  OnParamReset();
}

int IEffectBase::StateEnd(const ByteChunk* chunk, int startPos) const {
  ExpectThread(ThreadRole::kHost);
  std::vector<double> values(static_cast<std::size_t>(NParams()));
  return ReadParamValues(chunk, startPos, values);
}

int IEffectBase::UnserializeParams(const ByteChunk* chunk, int startPos) {
  std::vector<double> values(static_cast<std::size_t>(NParams()));
  const int position = ReadParamValues(chunk, startPos, values);
  if (position >= 0) ApplyParamValues(values);
  return position;
}
