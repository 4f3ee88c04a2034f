// QUOR's editor drawn and driven through the headless surface: where its
// controls lie and what they reach, the name fields, the names in the saved
// state, and golden images of the whole editor (docs/editor-*.png, shown in
// the README; QUOR_UPDATE_GOLDEN=1 writes them anew).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "editor/controls/text_controls.h"
#include "editor/igraphics_headless.h"
#include "editor/resources.h"
#include "plugin/quor.h"
#include "plugin/text_entry.h"
#include "raster/rows.h"
#include "tests/editor/golden.h"

namespace {

constexpr IMouseMod kLeft{true, false, false, false, false};
constexpr IMouseMod kRight{false, true, false, false, false};
constexpr int kFirstMeter = 60;
constexpr int kFirstName = 70;

const std::vector<std::string> kBusyNames{"Kick", "Snare", "Overheads",  "Bässe",  "Rhythm Gtr",
                                          "Keys", "Lead",  "Café Choir", "Mix Bus"};

class QuorEditor : public ::testing::Test {
 protected:
  QuorEditor() : QuorEditor(console) {}
  explicit QuorEditor(QUOR& plug) : gui(Headless(plug)) {}

  static IGraphicsHeadless* Headless(QUOR& plug) {
    return dynamic_cast<IGraphicsHeadless*>(plug.GetGUI());
  }
  static TextEntry* NameField(IGraphicsHeadless* editor, int i) {
    return dynamic_cast<TextEntry*>(editor->GetControl(kFirstName + i));
  }
  std::string Name(int i) { return NameField(gui, i)->GetTextForPlug(); }
  void Click(int x, int y, const IMouseMod& mod = kLeft) {
    gui->OnMouseDown(x, y, mod);
    gui->OnMouseUp(x, y, mod);
  }
  double Value(int param) { return console.GetParam(param)->Value(); }
  // The whole editor as the next redraw draws it.
  std::unique_ptr<raster::MemBitmap> Drawn() {
    gui->Tick();
    return gui->Snapshot();
  }
  // The state's names, as the next save writes them.
  std::vector<std::string> SavedNames() {
    ByteChunk chunk;
    console.SerializeState(&chunk);
    std::vector<std::string> names(QUOR::kNumNames);
    int position = 0;
    for (std::string& name : names)
      position = chunk.GetStr(&name, position);
    return names;
  }
  void ExpectEditorGolden(raster::MemBitmap& image, const char* name) {
    // Text may be drawn a little differently by other font versions.
    const std::vector<IRECT> text{IRECT(0, 642, 1215, 672), IRECT(1088, 13, 1108, 33),
                                  IRECT(1088, 88, 1108, 108)};
    ExpectGolden(image, std::string(QUOR_DOCS_DIR) + "/" + name, text);
  }

  QUOR console{IInstanceInfo{}, QUOR::Editor::kHeadless};
  IGraphicsHeadless* gui;
};

TEST_F(QuorEditor, ControlsInTheirPlacesReachTheirParameters) {
  ASSERT_EQ(gui->NControls(), 81);
  EXPECT_EQ(gui->GetControl(1)->ParamIdx(), QUOR::kModeIdx);
  EXPECT_EQ(gui->GetControl(1)->GetRECT(), IRECT(515, 662, 565, 688));
  EXPECT_EQ(gui->GetControl(kFirstMeter)->GetRECT(), IRECT(5, 4, 130, 74));
  EXPECT_EQ(gui->GetControl(69)->GetRECT(), IRECT(1085, 79, 1210, 149));
  const auto* right = dynamic_cast<ITextControl*>(gui->GetControl(80));
  ASSERT_NE(right, nullptr);
  EXPECT_EQ(right->GetTextForPlug(), "R");
  for (int i = 0; i < QUOR::kNumNames; ++i)
    EXPECT_EQ(NameField(gui, i)->GetRECT(),
              i < 8 ? IRECT(135 * i, 642, 135 * (i + 1), 672) : IRECT(1080, 642, 1215, 672));

  // The Input knob of strip 5, at (556, 479), turned up.
  gui->OnMouseDown(556 + 51, 479 + 51, kLeft);
  gui->OnMouseDrag(556 + 51, 479 + 11, kLeft);
  gui->OnMouseUp(556 + 51, 479 + 11, kLeft);
  EXPECT_GT(Value(QUOR::InputIdx(4)), 4.);
  EXPECT_EQ(Value(QUOR::InputIdx(3)), 0.);
  EXPECT_EQ(Value(QUOR::InputIdx(5)), 0.);
}

TEST_F(QuorEditor, MetersShowTheirTracksAndTheMaster) {
  // Mode 0, a second of track 3's left input alone: its meter and the master
  // left rise, every other meter falls from full scale.
  console.SetSampleRate(44100.);
  console.OnParamReset();
  std::vector<std::vector<double>> in(16, std::vector<double>(4410)), out = in;
  in[4].assign(4410, 0.5);
  std::vector<double*> inputs, outputs;
  for (int c = 0; c < 16; ++c) {
    inputs.push_back(in[static_cast<std::size_t>(c)].data());
    outputs.push_back(out[static_cast<std::size_t>(c)].data());
  }
  for (int block = 0; block < 10; ++block)
    console.ProcessDoubleReplacing(inputs.data(), outputs.data(), 4410);
  for (int m = 0; m < QUOR::kNumMeters; ++m) {
    const double shown = gui->GetControl(kFirstMeter + m)->GetValue();
    EXPECT_EQ(shown, std::min(console.GetMeterState(m), 1.)) << "meter " << m;
    if (m == 2 || m == 8)
      EXPECT_GT(shown, 0.3) << "meter " << m;
    else
      EXPECT_LT(shown, 0.02) << "meter " << m;
  }

  // 0.5 shows frame 61 of 121: the needle upright, over the face's centre.
  const auto needle = [&](double value) {
    gui->SetControlFromPlug(kFirstMeter, value);
    const IColor c = IColor::FromPixel(raster::Rows(*Drawn()).at(5 + 62, 4 + 44));
    return c.R < 100;
  };
  EXPECT_TRUE(needle(0.5));
  EXPECT_FALSE(needle(0.45));
  EXPECT_FALSE(needle(0.));
}

TEST_F(QuorEditor, NameRowTakesClicksOverTheSwitchesAndOpensOneFieldAtATime) {
  // Mute 1, Mode and Global Bypass reach into the name row; there the name
  // fields lie on top, and a single click, left or right, changes nothing.
  for (const auto& [x, param] : {std::pair(60, QUOR::MuteIdx(0)), std::pair(540, QUOR::kModeIdx),
                                 std::pair(1160, QUOR::kGlobalBypassIdx)}) {
    Click(x, 665);
    Click(x, 671, kRight);
    EXPECT_EQ(Value(param), 0.) << x;
    Click(x, 672);  // below the row: the switch
    EXPECT_EQ(Value(param), 1.) << x;
  }
  EXPECT_EQ(gui->GetTextField(), nullptr);
  EXPECT_EQ(SavedNames()[0], "Track Name");

  // Double clicks open the field only while the window is open, and only one.
  gui->OnMouseDblClick(60, 665, kLeft);
  EXPECT_EQ(gui->GetTextField(), nullptr);
  gui->OpenWindow(nullptr);
  gui->OnMouseDblClick(60, 665, kLeft);
  ASSERT_NE(gui->GetTextField(), nullptr);
  gui->OnMouseDblClick(1150, 665, kLeft);
  EXPECT_EQ(gui->GetTextField()->GetText(), "Track Name");
  EXPECT_EQ(gui->GetTextFieldRect(), IRECT(0, 642, 135, 672));

  gui->TextFieldKey(ViewKey::Text("Bässe"));
  gui->TextFieldKey(ViewKey::Key(EViewKey::kReturn));
  EXPECT_EQ(gui->GetTextField(), nullptr);
  EXPECT_EQ(Name(0), "Bässe");
  EXPECT_EQ(Name(8), "Master");
  EXPECT_EQ(Value(QUOR::MuteIdx(0)), 1.);  // as the clicks below the row left it
  ByteChunk chunk;
  console.SerializeState(&chunk);
  std::int32_t length = 0;
  chunk.Get(&length, 0);
  EXPECT_EQ(length, 6);  // UTF-8
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(chunk.GetBytes()) + 4, 6), "Bässe");
}

TEST_F(QuorEditor, EmptyNameIsSavedEmptyAndDrawsNothing) {
  NameField(gui, 3)->TextFromTextEntry("");
  EXPECT_EQ(SavedNames()[3], "");
  // The scribble strip over track 4 shows the background alone.
  const auto drawn = Drawn();
  const auto background = LoadImageResource("resources/img/BG.png");
  ASSERT_NE(background, nullptr);
  const raster::Rows got(*drawn), want(*background);
  for (int y = 642; y < 662; ++y)
    for (int x = 405; x < 540; ++x)
      ASSERT_EQ(got.at(x, y), want.at(x, y)) << x << "," << y;
}

TEST_F(QuorEditor, NamesTravelThroughTheFieldsToAnotherInstance) {
  for (int i = 0; i < QUOR::kNumNames; ++i)
    NameField(gui, i)->TextFromTextEntry(kBusyNames[static_cast<std::size_t>(i)].c_str());
  IEffectVST2::VSTSetParameter(console.GetAEffect(), QUOR::HighGainIdx(1), 0.8f);
  ByteChunk saved;
  ASSERT_TRUE(console.SerializeState(&saved));

  QUOR other(IInstanceInfo{}, QUOR::Editor::kHeadless);
  IGraphicsHeadless* otherGui = Headless(other);
  ASSERT_EQ(other.UnserializeState(&saved, 0), saved.Size());
  for (int i = 0; i < QUOR::kNumNames; ++i)
    EXPECT_EQ(NameField(otherGui, i)->GetTextForPlug(), kBusyNames[static_cast<std::size_t>(i)]);
  EXPECT_EQ(other.GetParam(QUOR::HighGainIdx(1))->Value(), 0.8f);

  // A restore that fails leaves the fields as they were.
  ByteChunk cut;
  cut.PutBytes(saved.GetBytes(), 40);
  EXPECT_EQ(other.UnserializeState(&cut, 0), -1);
  EXPECT_EQ(NameField(otherGui, 0)->GetTextForPlug(), "Kick");
}

TEST_F(QuorEditor, StateSavedBeforeTheEditorLoads) {
  // Saved by QUOR 1.1.0 before it had an editor, through quor-host.
  ASSERT_TRUE(console.LoadProgramFromFXP(QUOR_TEST_DATA_DIR "/saved-by-1.1.0.fxp"));
  const std::vector<std::string> names{"Kick", "Bässe", "",          "Overheads", "Café",
                                       "Keys", "Vox",   "FX Return", "Mix Bus"};
  for (int i = 0; i < QUOR::kNumNames; ++i)
    EXPECT_EQ(Name(i), names[static_cast<std::size_t>(i)]);
  EXPECT_EQ(Value(QUOR::InputIdx(4)), 6.);
  EXPECT_EQ(Value(QUOR::MuteIdx(2)), 1.);
  EXPECT_EQ(Value(QUOR::kMasterOutputIdx), -3.5);
  EXPECT_DOUBLE_EQ(gui->GetControl(4 + 7 * 4 + 3)->GetValue(), 30. / 48.);  // Input 5's knob
}

TEST_F(QuorEditor, GoldenDefault) {
  ExpectEditorGolden(*Drawn(), "editor-default.png");
}

TEST_F(QuorEditor, GoldenBusy) {
  for (int t = 0; t < QUOR::kNumTracks; ++t) {
    const double x = t / 7.;
    const auto set = [&](int param, double value) {
      IEffectVST2::VSTSetParameter(console.GetAEffect(), param, static_cast<float>(value));
    };
    set(QUOR::HighGainIdx(t), x);
    set(QUOR::MidGainIdx(t), 1. - x);
    set(QUOR::LowGainIdx(t), 0.3 + 0.55 * x - (0.3 + 0.55 * x >= 1. ? 1. : 0.));
    set(QUOR::InputIdx(t), 0.25 + 0.5 * x);
    set(QUOR::OutputIdx(t), 1. - 0.7 * x);
    set(QUOR::BypassIdx(t), t == 2 || t == 5);
    set(QUOR::MuteIdx(t), t == 3 || t == 5 || t == 7);
    set(QUOR::kModeIdx, 1.);
    set(QUOR::kGlobalBypassIdx, 1.);
    set(QUOR::kMasterOutputIdx, 0.62);
    gui->SetControlFromPlug(kFirstMeter + t, x);
  }
  gui->SetControlFromPlug(68, 0.708);
  gui->SetControlFromPlug(69, 0.5);
  for (int i = 0; i < QUOR::kNumNames; ++i)
    NameField(gui, i)->TextFromTextEntry(kBusyNames[static_cast<std::size_t>(i)].c_str());
  ExpectEditorGolden(*Drawn(), "editor-busy.png");
}

}  // namespace
