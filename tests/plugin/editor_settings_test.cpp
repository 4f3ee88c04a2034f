// What QUOR's editor remembers of its settings and loads into them: undo and
// redo, A and B, the factory presets and the user's own, each change an edit
// the host hears; and the peak readings the meters hold.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "editor/controls/action_button.h"
#include "editor/controls/latch_lamp.h"
#include "editor/controls/peak_readout.h"
#include "editor/igraphics_headless.h"
#include "editor/popup_menu_view.h"
#include "plugin/editor_layout.h"
#include "plugin/quor.h"
#include "plugin/text_entry.h"

namespace {

namespace fs = std::filesystem;

constexpr IMouseMod kLeft{true, false, false, false, false};

// What the host hears, in order: "b43" begin, "a43" value, "e43" end.
class RecordingHost : public IPlugHost {
 public:
  void BeginEdit(int p) override { mCalls += "b" + std::to_string(p) + " "; }
  void Automate(int p, double) override { mCalls += "a" + std::to_string(p) + " "; }
  void EndEdit(int p) override { mCalls += "e" + std::to_string(p) + " "; }
  void ProgramChanged() override {}
  bool IsRenderingOffline() override { return false; }
  bool GetTransport(std::uint32_t, HostTransport*) override { return false; }
  HostProduct Identify() override { return {}; }
  void EditorResized(int, int) override {}
  void LatencyChanged(int) override {}
  void TextsChanged() override { mCalls += "texts "; }
  bool SendMidi(const IMidiMsg&) override { return false; }
  bool SendSysEx(const ISysEx&) override { return false; }

  std::string Take() { return std::exchange(mCalls, {}); }
  std::string mCalls;
};

std::vector<std::uint8_t> Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class EditorSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_CONFIG_HOME", mConfig.c_str(), 1);
    console.ConnectHost(&host, kAPIVST2);
    gui->OpenWindow(nullptr);
    gui->Tick();
  }
  void TearDown() override {
    console.ConnectHost(nullptr, kAPIVST2);
    fs::remove_all(mConfig);
  }
  double Value(int param) { return console.GetParam(param)->Value(); }
  std::string Heard() {
    console.DeliverEdits();
    return host.Take();
  }
  // Strip 5's Input knob dragged up by `pixels`.
  void DragInput5(int pixels) {
    gui->OnMouseDown(607, 530, kLeft);
    gui->OnMouseDrag(607, 530 - pixels, kLeft);
    gui->OnMouseUp(607, 530 - pixels, kLeft);
    gui->Tick();
  }
  void Press(const PanelPlace& place) {
    gui->OnMouseDown((place.mL + place.mR) / 2, (place.mT + place.mB) / 2, kLeft);
    gui->OnMouseUp((place.mL + place.mR) / 2, (place.mT + place.mB) / 2, kLeft);
    gui->Tick();
  }
  // Opens the presets' menu and chooses the entry with this text.
  void Choose(const std::string& entry) {
    bool found = false;
    gui->SetMenuDriver([&](PopupMenuSession& session) {
      const IPopupMenu& menu = session.GetView(0).Menu();
      for (int i = 0; i < menu.GetNItems(); ++i) {
        if (menu.GetItemText(i) != entry) continue;
        const IRECT row = session.GetView(0).ItemRect(i);
        const int x = session.ViewX(0) + row.MW(), y = session.ViewY(0) + row.MH();
        session.OnMouseMove(x, y);
        session.OnMouseDown(x, y);
        session.OnMouseUp(x, y);
        found = true;
      }
    });
    Press(kPresetDisplay);
    EXPECT_TRUE(found) << entry;
  }
  std::string DisplayedPreset() {
    return dynamic_cast<ActionButton&>(*gui->GetControl(gui->GetMouseControlIdx(
                                           kPresetDisplay.mL + 5, kPresetDisplay.mT + 5)))
        .CurrentLook()
        .mLegend;
  }

  fs::path mConfig = fs::temp_directory_path() / ("quor-settings-" + std::to_string(getpid()));
  RecordingHost host;
  QUOR console{QUOR::Editor::kHeadless};
  IGraphicsHeadless* gui = dynamic_cast<IGraphicsHeadless*>(console.GetGUI());
};

TEST_F(EditorSettings, UndoAndRedoOfTheEditorsAndTheHostsEditsReachTheHostAsEdits) {
  const int input5 = QUOR::InputIdx(4);
  DragInput5(40);
  const double raised = Value(input5);
  ASSERT_GT(raised, 4.);
  Heard();
  // Ctrl+Z: back to 0 dB, as a gesture of its own the host hears.
  EXPECT_TRUE(gui->OnShortcut('z', false));
  EXPECT_EQ(Value(input5), 0.);
  EXPECT_EQ(Heard(), "b43 a43 e43 ");
  EXPECT_TRUE(gui->OnShortcut('z', true));  // Ctrl+Shift+Z
  EXPECT_EQ(Value(input5), raised);
  EXPECT_EQ(Heard(), "b43 a43 e43 ");

  // The host's change and a rename are steps once they rest for a tick.
  console.SetParameterFromHost(QUOR::kMasterOutputIdx, 0.25);
  gui->Tick();
  gui->Tick();
  console.SetTrackName(1, "Snare");
  gui->Tick();
  gui->Tick();
  EXPECT_TRUE(gui->OnShortcut('z', false));
  EXPECT_EQ(console.GetTrackName(1), "Track Name");
  EXPECT_EQ(Heard(), "texts ");
  EXPECT_TRUE(gui->OnShortcut('z', false));
  EXPECT_EQ(Value(QUOR::kMasterOutputIdx), 0.);
  EXPECT_TRUE(gui->OnShortcut('z', false));
  EXPECT_EQ(Value(input5), 0.);
  EXPECT_TRUE(gui->OnShortcut('z', false));  // nothing before: nothing changes
  Heard();
  // A new edit drops what was undone.
  DragInput5(10);
  EXPECT_FALSE(gui->GetSettingsMemory()->CanRedo());
  EXPECT_TRUE(gui->OnShortcut('y', false));
  EXPECT_GT(Value(input5), 0.);
}

TEST_F(EditorSettings, AAndBAreTwoWholeSettingsSwitchedAndCopied) {
  console.SetTrackName(0, "Kick");
  DragInput5(40);
  const double onA = Value(QUOR::InputIdx(4));
  Press(kSlotB);  // B starts as A
  EXPECT_EQ(Value(QUOR::InputIdx(4)), onA);
  gui->OnMouseDblClick(607, 530, kLeft);  // reset on B
  gui->OnMouseUp(607, 530, kLeft);
  console.SetTrackName(0, "Kick In");
  Heard();
  Press(kSlotA);
  EXPECT_EQ(Value(QUOR::InputIdx(4)), onA);
  EXPECT_EQ(console.GetTrackName(0), "Kick");
  EXPECT_EQ(Heard(), "b43 a43 e43 texts ");
  Press(kSlotB);
  EXPECT_EQ(Value(QUOR::InputIdx(4)), 0.);
  EXPECT_EQ(console.GetTrackName(0), "Kick In");
  // B copied onto A: A is B now.
  Press(kCopySlot);
  Press(kSlotA);
  EXPECT_EQ(Value(QUOR::InputIdx(4)), 0.);
  EXPECT_EQ(console.GetTrackName(0), "Kick In");
  EXPECT_EQ(gui->GetSettingsMemory()->Active(), SettingsMemory::Slot::kA);
}

TEST_F(EditorSettings, FactoryPresetsSetTheValuesAndKeepTheNames) {
  console.SetTrackName(3, "Lead Vox");
  EXPECT_EQ(DisplayedPreset(), "Console Defaults");
  Choose("Vocal Presence");
  EXPECT_EQ(Value(QUOR::InputIdx(3)), 2.);
  EXPECT_GT(Value(QUOR::MidGainIdx(3)), 0.5);
  EXPECT_EQ(console.GetTrackName(3), "Lead Vox");
  const std::string heard = Heard();
  EXPECT_NE(heard.find("b33 a33 e33 "), std::string::npos) << heard;
  EXPECT_EQ(DisplayedPreset(), "Vocal Presence");
  DragInput5(10);
  EXPECT_EQ(DisplayedPreset(), "Vocal Presence *");
  gui->OnShortcut('z', false);
  gui->Tick();
  EXPECT_EQ(DisplayedPreset(), "Vocal Presence");
  gui->OnShortcut('z', false);  // the preset itself undone
  EXPECT_EQ(Value(QUOR::InputIdx(3)), 0.);
}

TEST_F(EditorSettings, AUserPresetIsSavedWholeAndReloadsByteForByte) {
  const fs::path folder = mConfig / "QUOR" / "presets";
  const fs::path file = folder / "Drum Bus.fxp";
  console.SetTrackName(0, "Kick");
  DragInput5(37);
  gui->SetFileToChoose(file.string());
  Choose("Save Preset...");
  const std::vector<std::uint8_t> saved = Bytes(file);
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(std::string(saved.begin() + 28, saved.begin() + 36), "Drum Bus");
  EXPECT_EQ(DisplayedPreset(), "Drum Bus");

  Choose("Clean Unity");
  console.SetTrackName(0, "Other");
  Choose("Drum Bus");  // listed from the folder
  EXPECT_EQ(console.GetTrackName(0), "Kick");
  Choose("Save Preset...");
  EXPECT_EQ(Bytes(file), saved);

  // What is not a preset of ours is refused and changes nothing.
  std::ofstream(folder / "Broken.fxp") << "CcnK and nothing more";
  const double before = Value(QUOR::InputIdx(4));
  Choose("Broken");
  EXPECT_EQ(Value(QUOR::InputIdx(4)), before);
  EXPECT_EQ(DisplayedPreset(), "Drum Bus");
}

TEST_F(EditorSettings, APeakReadingHoldsTheLargestUntilClickedWithItsLamp) {
  console.SetParameterFromHost(QUOR::BypassIdx(0), 1.);  // the meter reads the input itself
  console.SetSampleRate(48000.);
  std::vector<std::vector<double>> in(16, std::vector<double>(480)), out = in;
  std::vector<double*> inputs, outputs;
  for (std::size_t c = 0; c < 16; ++c) {
    inputs.push_back(in[c].data());
    outputs.push_back(out[c].data());
  }
  const auto play = [&](double db) {
    for (int i = 0; i < 480; ++i)
      in[0][static_cast<std::size_t>(i)] = std::pow(10., db / 20.) * std::sin(i * 0.13);
    const ThreadRoleScope audio(ThreadRole::kAudio);
    console.ProcessDoubleReplacing(inputs.data(), outputs.data(), 480);
  };
  auto& reading = dynamic_cast<PeakReadout&>(*gui->GetControl(kFirstPeakReadoutControl));
  auto& lamp = dynamic_cast<LatchLampControl&>(*gui->GetControl(kFirstMeterLampControl));
  play(-6.);
  play(-20.);
  EXPECT_EQ(PeakReadout::Text(reading.Held()), "-6.0");
  play(2.);
  EXPECT_EQ(PeakReadout::Text(reading.Held()), "+2.0");
  EXPECT_TRUE(lamp.IsLit());
  // A click on the reading puts out the lamp too; one on the lamp, the reading.
  gui->OnMouseDown(kPeakReadoutX + 10, kPeakReadoutY + 5, kLeft);
  gui->OnMouseUp(kPeakReadoutX + 10, kPeakReadoutY + 5, kLeft);
  EXPECT_EQ(PeakReadout::Text(reading.Held()), "-inf");
  EXPECT_FALSE(lamp.IsLit());
  play(-12.);
  EXPECT_EQ(PeakReadout::Text(reading.Held()), "-12.0");
  const ControlPlace& place = kMeterLampControls[0];
  gui->OnMouseDown(place.mL + 5, place.mT + 5, kLeft);
  EXPECT_EQ(PeakReadout::Text(reading.Held()), "-inf");
}

}  // namespace
