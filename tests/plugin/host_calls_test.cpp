// What QUOR asks of its host: automation, transport, identity.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>

#include "plugin/quor.h"
#include "tests/plugin/linked_console.h"
#include "tests/plugin/stub_editor.h"

namespace {

class ValueCheckingEditor : public StubEditor {
 public:
  explicit ValueCheckingEditor(const IEffectBase* plug) : mPlug(plug) {}
  void SetParameterFromPlug(int paramIdx, double value, bool) override {
    mSeenBefore = mPlug->GetParam(paramIdx)->Value();
    mPushed = value;
  }
  const IEffectBase* mPlug;
  double mSeenBefore = -1., mPushed = -1.;
};

}  // namespace

TEST(HostCalls, TransportQueries) {
  LinkedConsole linked(QUOR::Editor::kNone);
  QUOR& console = linked.Console();
  Vst2TestHost::Behaviour& log = linked.Answers();
  log.mAnswerTime = true;
  log.mTime = VstTimeInfo{};
  log.mTime.samplePos = 99.5;
  EXPECT_EQ(console.GetSamplePos(), 100);
  log.mTime.samplePos = -3.;
  EXPECT_EQ(console.GetSamplePos(), 0);

  ITimeInfo info;
  info.mTempo = 77.;
  log.mTime.flags = kVstTransportPlaying;
  console.GetTime(&info);
  EXPECT_FALSE(info.mTransportIsRunning);  // no validity flag: nothing changes
  log.mTime.flags = kVstTransportPlaying | kVstTempoValid | kVstTimeSigValid;
  log.mTime.tempo = 0.;
  log.mTime.timeSigNumerator = 3;
  log.mTime.timeSigDenominator = 8;
  console.GetTime(&info);
  EXPECT_EQ(info.mTempo, 77.);  // a tempo of 0 keeps the previous one
  EXPECT_TRUE(info.mTransportIsRunning);
  EXPECT_EQ(info.mNumerator, 3);
  log.mTime.tempo = 120.;
  EXPECT_EQ(console.GetTempo(), 120.);
  int numerator = 0, denominator = 0;
  console.GetTimeSig(&numerator, &denominator);
  EXPECT_EQ(denominator, 8);
  console.SetSampleRate(48000.);
  EXPECT_EQ(console.GetSamplesPerBeat(), 24000.);
  log.mAnswerTime = false;
  EXPECT_EQ(console.GetTempo(), 0.);
  console.GetTimeSig(&numerator, &denominator);
  EXPECT_EQ(numerator, 0);
}

TEST(HostCalls, IdentityIsAskedOnce) {
  Vst2HostBehaviour host;
  host.mProduct = "";
  const LinkedConsole silent(QUOR::Editor::kNone, host);
  EXPECT_EQ(silent->GetHost(), kHostUnknown);
  EXPECT_EQ(silent->GetHostVersion(false), 0);
  host.mProduct = "REAPER";
  const LinkedConsole reaper(QUOR::Editor::kNone, host);
  EXPECT_EQ(reaper->GetHost(), kHostReaper);
  EXPECT_EQ(reaper->GetHostVersionStr(), "v7.1.0");
  AEffect* const orphan =
      InstantiateVST2([] { return std::make_unique<QUOR>(QUOR::Editor::kNone); }, nullptr);
  EXPECT_EQ(IEffectVST2::PluginOf(orphan)->GetHost(), kHostUnknown);
  orphan->dispatcher(orphan, effClose, 0, 0, nullptr, 0.f);
  QUOR unconnected(QUOR::Editor::kNone);
  EXPECT_EQ(unconnected.GetHost(), kHostUnknown);
}

// A console whose editor sees what the plug-in pushes into it.
class CheckedConsole : public QUOR {
 public:
  CheckedConsole() : QUOR(QUOR::Editor::kNone) {
    auto editor = std::make_unique<ValueCheckingEditor>(this);
    mSeen = editor.get();
    AttachGraphics(std::move(editor));
  }
  ValueCheckingEditor* mSeen;
};

TEST(HostCalls, AutomationAndEditorOrder) {
  Vst2TestHost host([](audioMasterCallback callback) {
    return InstantiateVST2([] { return std::make_unique<CheckedConsole>(); }, callback);
  });
  AEffect* const effect = host.Effect();
  auto& console = *static_cast<CheckedConsole*>(IEffectVST2::PluginOf(effect));
  ValueCheckingEditor* seen = console.mSeen;
  EXPECT_EQ(effect->flags, 0x1031);
  console.SetParameterFromGUI(3, 0.75);
  host.EditIdle();
  const auto automated = host.Calls(audioMasterAutomate);
  ASSERT_EQ(automated.size(), 1u);
  EXPECT_EQ(automated[0].mOpt, 0.75f);
  EXPECT_TRUE(host.Violations().empty());
  // The host's set reaches the editor before the parameter changes.
  IEffectVST2::VSTSetParameter(effect, 0, 0.25f);
  EXPECT_EQ(seen->mSeenBefore, 0.5);
  EXPECT_EQ(seen->mPushed, 0.25);
  EXPECT_EQ(console.GetParam(0)->Value(), 0.25);
  ERect* rect = nullptr;
  EXPECT_EQ(IEffectVST2::VSTDispatcher(effect, effEditGetRect, 0, 0, &rect, 0.f), 1);
  EXPECT_EQ(rect->right, 1215);
  EXPECT_EQ(rect->bottom, 692);
}

TEST(HostCalls, BlockSizeIsBoundedToWhatHostsSend) {
  const LinkedConsole console(QUOR::Editor::kNone);
  console.Dispatch(effSetBlockSize, 0, VstIntPtr{1} << 20);
  EXPECT_EQ(console->GetBlockSize(), 65536);
}

TEST(HostCalls, SavesAndParameterReadsDoNotWaitForTheAudioLock) {
  const LinkedConsole console;
  AEffect* effect = console.Effect();
  std::unique_lock audio(console->mMutex);  // a block in progress on the audio thread
  auto host = std::async(std::launch::async, [effect] {
    char text[64];
    for (const VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay})
      IEffectVST2::VSTDispatcher(effect, opcode, 3, 0, text, 0.f);
    (void)IEffectVST2::VSTGetParameter(effect, 3);
    void* data = nullptr;
    return IEffectVST2::VSTDispatcher(effect, effGetChunk, 1, 0, &data, 0.f);
  });
  const bool done = host.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  audio.unlock();
  EXPECT_TRUE(done);
  EXPECT_EQ(host.get(), 8 + 874);
}
