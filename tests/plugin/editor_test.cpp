// QUOR's editor drawn and driven through the headless surface: what its
// controls reach, the name fields, the names in the saved state, and golden
// images of the whole editor (docs/editor-*.png, shown in the README;
// QUOR_UPDATE_GOLDEN=1 writes them anew).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "editor/controls/action_button.h"
#include "editor/controls/control_math.h"
#include "editor/controls/latch_lamp.h"
#include "editor/controls/text_controls.h"
#include "editor/igraphics_headless.h"
#include "plugin/bypass_shade.h"
#include "plugin/editor_layout.h"
#include "plugin/meter_scale.h"
#include "plugin/quor.h"
#include "plugin/text_entry.h"
#include "tests/editor/golden.h"
#include "tests/plugin/editor_text_areas.h"

namespace {

constexpr IMouseMod kLeft{true, false, false, false, false};
constexpr IMouseMod kRight{false, true, false, false, false};
constexpr int kFirstMeter = 60;

const std::vector<std::string> kNames{"Kick", "Snare", "",           "Bässe",  "Rhythm Gtr",
                                      "Keys", "Lead",  "Café Choir", "Mix Bus"};

IGraphicsHeadless* Headless(QUOR& console) {
  return dynamic_cast<IGraphicsHeadless*>(console.GetGUI());
}

TextEntry* NameField(QUOR& console, int i) {
  return dynamic_cast<TextEntry*>(Headless(console)->GetControl(70 + i));
}

// What the editor tells the host, in order: 'b'egin, 'a'utomate, 'e'nd.
class RecordingHost : public IPlugHost {
 public:
  void BeginEdit(int) override { mCalls += 'b'; }
  void Automate(int, double) override { mCalls += 'a'; }
  void EndEdit(int) override { mCalls += 'e'; }
  void ProgramChanged() override {}
  bool IsRenderingOffline() override { return false; }
  bool GetTransport(std::uint32_t, HostTransport*) override { return false; }
  HostProduct Identify() override { return {}; }
  void EditorResized(int, int) override {}
  void LatencyChanged(int) override {}
  void TextsChanged() override {}
  bool SendMidi(const IMidiMsg&) override { return false; }
  bool SendSysEx(const ISysEx&) override { return false; }

  std::string mCalls;
};

class QuorEditor : public ::testing::Test {
 protected:
  void Click(int x, int y, const IMouseMod& mod = kLeft) {
    gui->OnMouseDown(x, y, mod);
    gui->OnMouseUp(x, y, mod);
  }
  double Value(int param) { return console.GetParam(param)->Value(); }
  void ExpectEditorGolden(const char* name) {
    gui->Tick();
    std::vector<IRECT> text;
    for (const IRECT& area : kQuorEditorTextAreas)
      text.push_back(gui->ToSurface(area));
    ExpectGolden(*gui->Snapshot(), std::string(QUOR_DOCS_DIR) + "/" + name, text);
  }

  void MakeBusy() {
    const auto set = [&](int param, double value) {
      console.SetParameterFromHost(param, static_cast<double>(static_cast<float>(value)));
    };
    for (int t = 0; t < QUOR::kNumTracks; ++t) {
      const double x = t / 7.;
      set(QUOR::HighGainIdx(t), x);
      set(QUOR::MidGainIdx(t), 1. - x);
      set(QUOR::LowGainIdx(t), 0.3 + 0.55 * x);
      set(QUOR::InputIdx(t), 0.25 + 0.5 * x);
      set(QUOR::OutputIdx(t), 1. - 0.7 * x);
      set(QUOR::BypassIdx(t), t == 2 || t == 5);
      set(QUOR::MuteIdx(t), t == 3 || t == 5 || t == 7);
      gui->SetControlFromPlug(kFirstMeter + t, x);
      // Peaks from -30 to +1.5 dBFS.
      gui->SetControlFromPlug(kFirstPeakReadoutControl + t, std::pow(10., (4.5 * t - 30.) / 20.));
    }
    gui->SetControlFromPlug(kFirstPeakReadoutControl + 8, 1.047);
    gui->SetControlFromPlug(kFirstPeakReadoutControl + 9, 0.5);
    set(QUOR::kModeIdx, 1.);
    set(QUOR::kGlobalBypassIdx, 1.);
    set(QUOR::kMasterOutputIdx, 0.62);
    gui->SetControlFromPlug(68, 0.708);
    gui->SetControlFromPlug(69, 0.5);  // frame 61, the needle upright
    for (const int lamp : {7, 8})
      gui->SetControlFromPlug(kFirstMeterLampControl + lamp, 1.);
    for (int i = 0; i < QUOR::kNumNames; ++i)
      NameField(console, i)->TextFromTextEntry(kNames[static_cast<std::size_t>(i)].c_str());
  }

  RecordingHost host;  // outlives the console, which may be connected to it
  // A steady sine of `db` dBFS into both channels of track 1 for `seconds`,
  // in blocks of 256 frames at the marks' rate; the mean over the last
  // quarter second of each meter's value as its control shows it. Bypassed,
  // the track's meter and the master's read that sine itself.
  std::vector<double> PlaySine(double db, double seconds, bool bypassed = true) {
    console.SetParameterFromHost(QUOR::BypassIdx(0), bypassed ? 1. : 0.);
    constexpr int kBlock = 256;
    const double rate = kMeterToneRate;
    console.SetSampleRate(rate);
    console.OnParamReset();
    std::vector<std::vector<double>> in(16, std::vector<double>(kBlock, 0.)), out = in;
    std::vector<double*> inputs, outputs;
    for (std::size_t c = 0; c < 16; ++c) {
      inputs.push_back(in[c].data());
      outputs.push_back(out[c].data());
    }
    const double amplitude = std::pow(10., db / 20.), w = 2. * M_PI * kMeterToneHz / rate;
    const auto blocks = static_cast<long>(seconds * rate / kBlock);
    const long averaged = static_cast<long>(0.25 * rate / kBlock);
    std::vector<double> mean(QUOR::kNumMeters, 0.);
    const ThreadRoleScope audio(ThreadRole::kAudio);
    for (long b = 0; b < blocks; ++b) {
      for (int f = 0; f < kBlock; ++f)
        in[0][static_cast<std::size_t>(f)] = in[1][static_cast<std::size_t>(f)] =
            amplitude * std::sin(w * static_cast<double>(b * kBlock + f));
      console.ProcessDoubleReplacing(inputs.data(), outputs.data(), kBlock);
      if (b >= blocks - averaged)
        for (int m = 0; m < QUOR::kNumMeters; ++m)
          mean[static_cast<std::size_t>(m)] +=
              gui->GetControl(kFirstMeter + m)->GetValue() / static_cast<double>(averaged);
    }
    return mean;
  }
  LatchLampControl& Lamp(int meter) {
    return dynamic_cast<LatchLampControl&>(*gui->GetControl(kFirstMeterLampControl + meter));
  }

  QUOR console{QUOR::Editor::kHeadless};
  IGraphicsHeadless* gui = Headless(console);
};

TEST_F(QuorEditor, ControlsReachTheirParametersAndMeters) {
  // The 81 first, the ten meters' lamps and peak readings, the two shades,
  // the settings panel's six.
  ASSERT_EQ(gui->NControls(), 109);
  EXPECT_EQ(gui->GetControl(1)->ParamIdx(), QUOR::kModeIdx);
  EXPECT_EQ(dynamic_cast<ITextControl&>(*gui->GetControl(80)).GetTextForPlug(), "R");

  // The Input knob of strip 5, at (556, 479), turned up.
  gui->OnMouseDown(556 + 51, 479 + 51, kLeft);
  gui->OnMouseDrag(556 + 51, 479 + 11, kLeft);
  gui->OnMouseUp(556 + 51, 479 + 11, kLeft);
  EXPECT_GT(Value(QUOR::InputIdx(4)), 4.);

  // In Mode 0, track 3's left input alone: its meter (control 62) and the
  // master left (68) rise, every other meter falls from full scale.
  console.SetSampleRate(44100.);
  console.OnParamReset();
  std::vector<std::vector<double>> in(16, std::vector<double>(44100)), out = in;
  in[4].assign(44100, 0.5);
  std::vector<double*> inputs, outputs;
  for (std::size_t c = 0; c < 16; ++c) {
    inputs.push_back(in[c].data());
    outputs.push_back(out[c].data());
  }
  {
    const ThreadRoleScope audio(ThreadRole::kAudio);
    console.ProcessDoubleReplacing(inputs.data(), outputs.data(), 44100);
  }
  for (int m = 0; m < QUOR::kNumMeters; ++m) {
    const double shown = gui->GetControl(kFirstMeter + m)->GetValue();
    EXPECT_EQ(shown, std::min(console.GetMeterState(m), 1.)) << m;
    EXPECT_EQ(shown > 0.3, m == 2 || m == 8) << m;
  }
}

// Each printed mark where the needle settles for its sine: the track meter
// (both channels) and, through the mix at unity gains, the master's.
TEST_F(QuorEditor, MetersSettleOnTheirPrintedMarks) {
  for (const auto& [marks, meter] : {std::pair(std::span<const MeterMark>(kTrackMeterMarks), 0),
                                     std::pair(std::span<const MeterMark>(kMasterMeterMarks), 8)}) {
    for (const MeterMark& mark : marks) {
      const double shown = PlaySine(mark.mDb, 1.2)[static_cast<std::size_t>(meter)];
      const double errorDb = 20. * std::log10(shown / mark.mValue);
      std::printf("meter %d, %+3.0f dBFS: shown %.4f, printed at %.4f: %+.3f dB, frame %d of %d\n",
                  meter, mark.mDb, shown, mark.mValue, errorDb, FrameForValue(shown, 121),
                  FrameForValue(mark.mValue, 121));
      EXPECT_LT(std::abs(errorDb), 0.1) << meter << " at " << mark.mDb;
      EXPECT_LE(std::abs(FrameForValue(shown, 121) - FrameForValue(mark.mValue, 121)), 1);
    }
  }
}

// A lamp lights for an over of what its meter reads and only a click puts it
// out, processed or bypassed, on every instruction set.
TEST_F(QuorEditor, AnOverLightsTheMetersLampUntilClicked) {
  for (const ChainPath path : kChainPaths) {
    if (!console.SetChainPath(path)) continue;
    for (const bool bypassed : {false, true}) {
      const auto where = ::testing::Message()
                         << static_cast<int>(path) << (bypassed ? " bypassed" : "");
      PlaySine(-1., 0.3, bypassed);
      for (int m = 0; m < QUOR::kNumMeters; ++m)
        EXPECT_FALSE(Lamp(m).IsLit()) << m << where;
      PlaySine(3., 0.3, bypassed);
      for (int m = 0; m < QUOR::kNumMeters; ++m)
        EXPECT_EQ(Lamp(m).IsLit(), m == 0 || m >= 8) << m << where;
      PlaySine(-20., 0.3, bypassed);
      EXPECT_TRUE(Lamp(0).IsLit()) << where;
      for (const int m : {0, 8, 9}) {
        const ControlPlace& lamp = kMeterLampControls[static_cast<std::size_t>(m)];
        Click(lamp.mL + 10, lamp.mT + 5);
        Click(lamp.mL + 10, lamp.mT + 5);  // a second click leaves it out
        EXPECT_FALSE(Lamp(m).IsLit()) << m << where;
      }
    }
  }
}

// A host's reset leaves the editor as for a console that has heard nothing
// since: every lamp out, every needle at rest.
TEST_F(QuorEditor, AResetPutsTheLampsOutAndTheMetersToRest) {
  PlaySine(3., 0.3);
  ASSERT_TRUE(Lamp(0).IsLit());
  console.Reset();
  for (int m = 0; m < QUOR::kNumMeters; ++m) {
    EXPECT_FALSE(Lamp(m).IsLit()) << m;
    EXPECT_EQ(gui->GetControl(kFirstMeter + m)->GetValue(), 0.) << m;
  }
}

TEST_F(QuorEditor, EveryControlAnswersWhereItIsDrawnAndNowhereElse) {
  // No control's active area covers another's face (the shade over the
  // strips takes no clicks); each takes a click at its own centre.
  const auto takesClicks = [&](int i) {
    IControl* c = gui->GetControl(i);
    return c->ParamIdx() >= 0 || dynamic_cast<TextEntry*>(c) != nullptr ||
           dynamic_cast<ActionButton*>(c) != nullptr;
  };
  for (int a = 1; a < gui->NControls(); ++a) {
    if (!takesClicks(a)) continue;
    const IRECT& target = gui->GetControl(a)->GetTargetRECT();
    EXPECT_EQ(gui->GetMouseControlIdx(target.MW(), target.MH()), a);
    for (int b = 1; b < gui->NControls(); ++b) {
      IControl* other = gui->GetControl(b);
      if (b == a || dynamic_cast<BypassShade*>(other)) continue;
      // A name field's face is the box drawn; below it its text field opens.
      const IRECT& face =
          dynamic_cast<TextEntry*>(other) ? other->GetTargetRECT() : other->GetRECT();
      EXPECT_FALSE(std::max(target.L, face.L) < std::min(target.R, face.R) &&
                   std::max(target.T, face.T) < std::min(target.B, face.B))
          << a << " " << b;
    }
  }
  // Mute 1, Mode and Global Bypass lie just under the name row: their whole
  // face toggles, and a double click there opens no name field.
  for (const auto& [x, param] : {std::pair(60, QUOR::MuteIdx(0)), std::pair(540, QUOR::kModeIdx),
                                 std::pair(1160, QUOR::kGlobalBypassIdx)}) {
    Click(x, 674);
    EXPECT_EQ(Value(param), 1.) << x;
    Click(x, 662);
    EXPECT_EQ(Value(param), 0.) << x;
  }
  gui->OpenWindow(nullptr);
  gui->OnMouseDblClick(545, 668, kLeft);
  gui->OnMouseUp(545, 668, kLeft);
  EXPECT_EQ(gui->GetTextField(), nullptr);

  // The name's face opens its field, and one only.
  gui->OnMouseDblClick(60, 650, kLeft);
  gui->OnMouseDblClick(1150, 650, kLeft);
  ASSERT_NE(gui->GetTextField(), nullptr);
  EXPECT_EQ(gui->GetTextFieldRect(), IRECT(0, 642, 135, 662));  // over the name's face
  gui->TextFieldKey(ViewKey::Text("Bässe"));
  gui->TextFieldKey(ViewKey::Key(EViewKey::kReturn));
  EXPECT_EQ(NameField(console, 0)->GetTextForPlug(), "Bässe");
  EXPECT_EQ(NameField(console, 8)->GetTextForPlug(), "Master");

  // Saved as typed: its UTF-8 length, then its bytes.
  ByteChunk chunk;
  console.SerializeState(&chunk);
  std::int32_t length = 0;
  chunk.Get(&length, 0);
  EXPECT_EQ(length, 6);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(chunk.GetBytes()) + 4, 6), "Bässe");
}

TEST_F(QuorEditor, ReadoutsShowTheValueAndTakeATypedOne) {
  gui->OpenWindow(nullptr);
  IControl* input5 = gui->GetControl(gui->GetMouseControlIdx(607, 530));
  ASSERT_EQ(input5->ParamIdx(), QUOR::InputIdx(4));
  gui->OnMouseOver(607, 530, {});
  EXPECT_EQ(gui->GetValueReadout().Shown(), input5);
  EXPECT_EQ(ReadoutText(*input5->GetParam(), input5->GetValue()), "0.00 dB");
  EXPECT_EQ(ReadoutText(*console.GetParam(QUOR::kModeIdx), 1.), "16 OUT");
  EXPECT_EQ(ReadoutText(*console.GetParam(QUOR::MuteIdx(0)), 1.), "ON");

  // A double click on the readout, over the knob's legend, types a value in
  // dB; a double click elsewhere on the knob still resets it.
  console.ConnectHost(&host, kAPIVST2);
  gui->OnMouseDblClick(607, 566, kLeft);
  ASSERT_NE(gui->GetTextField(), nullptr);
  gui->TextFieldKey(ViewKey::Text("+3.5"));
  gui->TextFieldKey(ViewKey::Key(EViewKey::kReturn));
  EXPECT_EQ(Value(QUOR::InputIdx(4)), 3.5);
  gui->OnMouseDblClick(607, 530, kLeft);
  gui->OnMouseUp(607, 530, kLeft);
  EXPECT_EQ(Value(QUOR::InputIdx(4)), 0.);
  console.DeliverEdits();
  EXPECT_EQ(host.mCalls, "baebae");

  // Return on the control last pressed prompts for it, the pointer away.
  Click(607, 530);
  gui->OnMouseOut();
  EXPECT_EQ(gui->GetValueReadout().Shown(), nullptr);
  EXPECT_TRUE(gui->OnKeyDown(0, 0, KEY_RETURN));
  ASSERT_NE(gui->GetTextField(), nullptr);
  gui->TextFieldKey(ViewKey::Text("-60"));  // out of range: the nearest end
  gui->TextFieldKey(ViewKey::Key(EViewKey::kReturn));
  EXPECT_EQ(Value(QUOR::InputIdx(4)), -24.);
}

TEST_F(QuorEditor, NamesTravelThroughTheFieldsToAnotherInstance) {
  for (int i = 0; i < QUOR::kNumNames; ++i)
    NameField(console, i)->TextFromTextEntry(kNames[static_cast<std::size_t>(i)].c_str());
  ByteChunk saved;
  ASSERT_TRUE(console.SerializeState(&saved));
  std::int32_t emptyLength = -1;
  saved.Get(&emptyLength, 4 + 4 + 4 + 5);  // after "Kick" and "Snare"
  EXPECT_EQ(emptyLength, 0);

  QUOR other(QUOR::Editor::kHeadless);
  ASSERT_EQ(other.UnserializeState(&saved, 0), saved.Size());
  for (int i = 0; i < QUOR::kNumNames; ++i)
    EXPECT_EQ(NameField(other, i)->GetTextForPlug(), kNames[static_cast<std::size_t>(i)]);

  // A restore that fails leaves the fields as they were.
  ByteChunk cut;
  cut.PutBytes(saved.GetBytes(), 40);
  EXPECT_EQ(other.UnserializeState(&cut, 0), -1);
  EXPECT_EQ(NameField(other, 0)->GetTextForPlug(), "Kick");
}

TEST_F(QuorEditor, StateSavedBeforeTheEditorLoads) {
  // Saved through quor-host by QUOR 1.1.0, which had no editor yet.
  ASSERT_TRUE(console.LoadProgramFromFXP(QUOR_TEST_DATA_DIR "/saved-by-1.1.0.fxp"));
  const std::vector<std::string> names{"Kick", "Bässe", "",          "Overheads", "Café",
                                       "Keys", "Vox",   "FX Return", "Mix Bus"};
  for (int i = 0; i < QUOR::kNumNames; ++i)
    EXPECT_EQ(NameField(console, i)->GetTextForPlug(), names[static_cast<std::size_t>(i)]);
  EXPECT_EQ(Value(QUOR::InputIdx(4)), 6.);
  EXPECT_EQ(Value(QUOR::kMasterOutputIdx), -3.5);
  EXPECT_EQ(gui->GetControl(4 + 7 * 4 + 3)->GetValue(), 30. / 48.);  // Input 5's knob
}

TEST_F(QuorEditor, GoldenDefault) {
  ExpectEditorGolden("editor-default.png");
}

// Sharp at other scales: the surface, its images, its texts.
TEST_F(QuorEditor, GoldenAtOtherScales) {
  for (const auto& [scale, name] :
       {std::pair(0.75, "editor-75.png"), std::pair(1.5, "editor-150.png"),
        std::pair(2., "editor-200.png")}) {
    gui->SetScale(scale);
    gui->Tick();
    EXPECT_EQ(gui->Snapshot()->getWidth(), static_cast<int>(std::lround(1215 * scale)));
    EXPECT_EQ(gui->Snapshot()->getHeight(), static_cast<int>(std::lround(692 * scale)));
    ExpectEditorGolden(name);
  }
}

TEST_F(QuorEditor, TheBackgroundsMenuChoosesTheScale) {
  gui->OpenWindow(nullptr);
  std::vector<std::string> items;
  gui->SetMenuDriver([&](PopupMenuSession& session) {
    IPopupMenu& menu = session.GetView(0).Menu();
    for (int i = 0; i < menu.GetNItems(); ++i)
      items.push_back((menu.GetItem(i)->GetChecked() ? "*" : "") + menu.GetDisplayText(i));
    for (int step = 0; step < 4; ++step)
      session.OnKey(ViewKey::Key(EViewKey::kDown));
    session.OnKey(ViewKey::Key(EViewKey::kReturn));
  });
  Click(1150, 200, kRight);  // the master section's background
  EXPECT_EQ(items, (std::vector<std::string>{"75%", "*100%", "125%", "150%", "175%", "200%", "",
                                             "Follow the desktop"}));
  EXPECT_EQ(gui->Scale(), 1.5);
  gui->Tick();
  EXPECT_EQ(gui->Snapshot()->getWidth(), 1823);
}

TEST_F(QuorEditor, GoldenBusy) {
  MakeBusy();
  ExpectEditorGolden("editor-busy.png");
}

// Only what changed is drawn, meters from their composed frames: the picture
// must equal one drawn whole, at every scale.
TEST_F(QuorEditor, DrawingWhatChangedEqualsDrawingAll) {
  for (const double scale : {1., 1.5, 2.}) {
    gui->SetScale(scale);
    gui->Tick();
    MakeBusy();
    gui->OnMouseOver(607, 530, {});  // a readout over strip 5's Input
    for (int step = 0; step < 3; ++step) {
      for (int t = 0; t < QUOR::kNumTracks; ++t)
        gui->SetControlFromPlug(kFirstMeter + t, (t + step) % 8 / 7.);
      // Lamps lit and put out over moving needles.
      gui->SetControlFromPlug(kFirstMeterLampControl + step, 1.);
      const ControlPlace& lamp = kMeterLampControls[8 - static_cast<std::size_t>(step)];
      Click(lamp.mL + 3, lamp.mT + 3);
      gui->Tick();
    }
    const auto drawnInParts = gui->Snapshot();
    gui->SetAllControlsDirty();
    gui->Tick();
    const auto drawnWhole = gui->Snapshot();
    EXPECT_TRUE(
        std::equal(drawnInParts->getBits(),
                   drawnInParts->getBits() + drawnInParts->getRowSpan() * drawnInParts->getHeight(),
                   drawnWhole->getBits()))
        << "at " << scale;
  }
}

// A 240-character name and one in three scripts stay inside their fields,
// ending in an ellipsis where they do not fit, alike whether drawn with all
// else or alone; the state keeps the whole name.
TEST_F(QuorEditor, GoldenNamesInAnyScriptStayInTheirFields) {
  std::string longName;
  while (longName.size() < 240)
    longName += "Overhead room mic ";
  longName.resize(240);
  const std::string scripts = "\u03A9\u03BC\u03AD\u03B3\u03B1 \u0416\u0443\u043A \u9F13";
  for (const double scale : {1., 0.75, 2.}) {
    SCOPED_TRACE(scale);
    for (const int i : {2, 3, 8})
      NameField(console, i)
          ->TextFromTextEntry(i == 8 ? QUOR::kDefaultMasterName : QUOR::kDefaultTrackName);
    gui->SetScale(scale);
    gui->Tick();
    const auto before = gui->Snapshot();
    NameField(console, 2)->TextFromTextEntry(longName.c_str());
    NameField(console, 3)->TextFromTextEntry(scripts.c_str());
    NameField(console, 8)->TextFromTextEntry(longName.c_str());
    gui->Tick();
    const auto drawnInParts = gui->Snapshot();
    gui->SetAllControlsDirty();
    gui->Tick();
    const auto drawnWhole = gui->Snapshot();
    const raster::Rows was(*before), parts(*drawnInParts), whole(*drawnWhole);
    std::vector<IRECT> fields;
    for (const int i : {2, 3, 8})
      fields.push_back(gui->ToSurface(NameField(console, i)->GetRECT()));
    // And the undo the renaming makes possible.
    fields.push_back(gui->ToSurface(IRECT(kUndo.mL, kUndo.mT, kUndo.mR, kUndo.mB)));
    long long changedInside = 0, changedOutside = 0, partsDiffer = 0;
    for (int y = 0; y < whole.height(); ++y) {
      for (int x = 0; x < whole.width(); ++x) {
        partsDiffer += parts.at(x, y) != whole.at(x, y);
        if (was.at(x, y) == whole.at(x, y)) continue;
        const bool inside = std::any_of(fields.begin(), fields.end(),
                                        [&](const IRECT& r) { return r.Contains(x, y); });
        ++(inside ? changedInside : changedOutside);
      }
    }
    EXPECT_EQ(partsDiffer, 0);
    EXPECT_EQ(changedOutside, 0);
    EXPECT_GT(changedInside, 0);
    EXPECT_EQ(NameField(console, 2)->GetTextForPlug(), longName);
    if (scale == 1.) ExpectEditorGolden("editor-names.png");
  }
}

}  // namespace
