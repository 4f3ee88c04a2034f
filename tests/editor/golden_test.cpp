// Golden images: a scene with every stock control class drawn through the
// headless surface, and the same scene with the text field and with the popup
// menu open. Set QUOR_UPDATE_GOLDEN=1 to write them anew; the areas where
// controls draw shapes or text compare loosely.
#include <cmath>
#include <numbers>
#include <string>

#include "editor/controls/action_button.h"
#include "editor/controls/bitmap_controls.h"
#include "editor/controls/buttons.h"
#include "editor/controls/fader_control.h"
#include "editor/controls/knob_controls.h"
#include "editor/controls/panel_control.h"
#include "editor/controls/peak_readout.h"
#include "editor/controls/text_controls.h"
#include "raster/font.h"
#include "tests/editor/editor_fixture.h"
#include "tests/editor/golden.h"

namespace {

raster::Paint Opaque(raster::Pixel color) {
  return {color, 1.0f, raster::kModeCopy};
}

// New bitmaps come uncleared.
std::unique_ptr<raster::MemBitmap> Clear(int w, int h) {
  auto pixels = std::make_unique<raster::MemBitmap>(w, h);
  raster::Canvas(*pixels).fillRect(0, 0, w, h, Opaque(0));
  return pixels;
}

// A knob of n frames: a disc with a pointer turned by the frame's value.
IBitmap KnobStrip(int size, int n) {
  auto pixels = Clear(size, size * n);
  raster::Canvas canvas(*pixels);
  const float c = static_cast<float>(size - 1) * 0.5f;
  for (int i = 0; i < n; ++i) {
    const float top = static_cast<float>(i * size);
    canvas.fillCircle(c, top + c, c - 1.f, Opaque(0xFF5A6270u), false);
    canvas.fillCircle(c, top + c, c - 5.f, Opaque(0xFF353A44u), false);
    const double angle = (-0.75 + 1.5 * i / (n - 1)) * std::numbers::pi;
    const auto x = c + (c - 4.f) * static_cast<float>(std::sin(angle));
    const auto y = top + c - (c - 4.f) * static_cast<float>(std::cos(angle));
    canvas.line(c, top + c, x, y, Opaque(0xFFF2C14Eu), false);
    canvas.line(c + 1.f, top + c, x + 1.f, y, Opaque(0xFFF2C14Eu), false);
  }
  return IGraphics::RetainBitmap(std::move(pixels), n);
}

// Two-frame switch: off grey, on lit; both framed.
IBitmap SwitchStrip(int w, int h, raster::Pixel on) {
  auto pixels = std::make_unique<raster::MemBitmap>(w, 2 * h);
  raster::Canvas canvas(*pixels);
  for (int i = 0; i < 2; ++i) {
    canvas.fillRect(0, i * h, w, h, Opaque(0xFF15171Bu));
    canvas.fillRect(2, i * h + 2, w - 4, h - 4, Opaque(i ? on : 0xFF4A4F59u));
  }
  return IGraphics::RetainBitmap(std::move(pixels), 2);
}

// n frames, each a different colour with a frame number of bars.
IBitmap StepStrip(int w, int h, int n) {
  auto pixels = std::make_unique<raster::MemBitmap>(w, n * h);
  raster::Canvas canvas(*pixels);
  for (int i = 0; i < n; ++i) {
    canvas.fillRect(0, i * h, w, h, Opaque(0xFF202328u));
    for (int bar = 0; bar <= i; ++bar)
      canvas.fillRect(3 + bar * 6, i * h + 4, 4, h - 8, Opaque(0xFF6FCF97u));
  }
  return IGraphics::RetainBitmap(std::move(pixels), n);
}

// Characters from the blank on, one frame each, drawn with an aliased font.
IBitmap BitmapFont(int w, int h) {
  auto pixels = Clear(w, 96 * h);
  auto font =
      raster::Font::Create({"DejaVu Sans Mono", h, 400, false, raster::FontQuality::kAliased, 0});
  font->setTextColor(0xFF9AD1FFu);
  for (int i = 0; i < 96; ++i) {
    const char text[2] = {static_cast<char>(32 + i), '\0'};
    raster::RECT cell{0, i * h, w, (i + 1) * h};
    const raster::RECT clip = cell;
    font->drawText(pixels.get(), text, 1, &cell, raster::kTextCenter, &clip);
  }
  return IGraphics::RetainBitmap(std::move(pixels), 96);
}

// A fader handle: a framed cap.
IBitmap Handle(int w, int h) {
  auto pixels = std::make_unique<raster::MemBitmap>(w, h);
  raster::Canvas canvas(*pixels);
  canvas.fillRect(0, 0, w, h, Opaque(0xFF15171Bu));
  canvas.fillRect(1, 1, w - 2, h - 2, Opaque(0xFFC9CED6u));
  return IGraphics::RetainBitmap(std::move(pixels));
}

IBitmap Disc(int size, raster::Pixel color, bool pointer) {
  auto pixels = Clear(size, size);
  raster::Canvas canvas(*pixels);
  const float c = static_cast<float>(size - 1) * 0.5f;
  if (color) canvas.fillCircle(c, c, c - 1.f, Opaque(color), false);
  if (pointer) canvas.fillRect(size / 2 - 1, 3, 3, size / 2 - 3, Opaque(0xFFFFFFFFu));
  return IGraphics::RetainBitmap(std::move(pixels));
}

class GoldenTest : public EditorTest {
 protected:
  GoldenTest() : EditorTest(480, 300) {
    plug.GetParam(kGain)->Set(6.);
    gui->AttachPanelBackground(IColor(255, 38, 42, 48));
    Add<IBitmapControl>(10, 10, -1, StepStrip(60, 24, 1));
    Set(Add<IBitmapControl>(300, 110, -1, StepStrip(130, 16, 21)), 0.6);  // a meter
    Set(Add<ISwitchControl>(10, 50, kOn, SwitchStrip(30, 18, 0xFF3FA9F5u)), 1.);
    Set(Add<ISwitchPopUpControl>(50, 50, kShape, StepStrip(24, 18, 3)), 0.5);
    Set(Add<IContactControl>(90, 50, kPlain, SwitchStrip(30, 18, 0xFFF5A33Fu)), 0.);
    Set(Add<IBitmapOverlayControl>(130, 50, kPlain, SwitchStrip(30, 18, 0xFFE0524Cu),
                                   IRECT(130, 50, 140, 60)),
        1.);
    Set(Add<ISwitchFramesControl>(170, 50, kPlain, StepStrip(24, 18, 3)), 1.);
    Set(Add<IRadioButtonsControl>(IRECT(10, 90, 120, 104), kPlain, 4,
                                  SwitchStrip(14, 14, 0xFF6FCF97u), kHorizontal),
        2. / 3.);
    Add<IInvisibleSwitchControl>(IRECT(200, 90, 220, 104), kOn);
    Add<IURLControl>(IRECT(230, 90, 250, 104), "https://example.org");
    Add<IFileSelectorControl>(IRECT(260, 90, 280, 104), kPlain, SwitchStrip(20, 14, 0), kFileOpen);
    Set(Add<IKnobMultiControl>(10, 120, kPlain, KnobStrip(40, 33)), 0.25);
    Set(Add<IKnobMultiControl>(60, 120, kPlain, KnobStrip(40, 33)), 0.8);
    Soft(Set(Add<IKnobLineControl>(IRECT(110, 120, 150, 160), kPlain, COLOR_WHITE, 6.), 0.5));
    Soft(Set(Add<IKnobRotaterControl>(160, 120, kPlain, Disc(40, 0xFF7A8290u, true)), 0.7));
    Soft(Set(Add<IKnobRotatingMaskControl>(210, 120, kPlain, Disc(40, 0xFF2B6CB0u, false),
                                           Disc(40, 0, true), Disc(40, 0x40FFFFFFu, false)),
             0.3));
    Add<IPanelControl>(IRECT(283, 10, 287, 110), IColor(255, 20, 22, 26));
    Set(Add<IFaderControl>(277, 10, 100, kPlain, Handle(16, 12)), 0.4);
    Add<IPanelControl>(IRECT(300, 68, 420, 72), IColor(255, 20, 22, 26));
    Set(Add<IFaderControl>(300, 62, 120, kPlain, Handle(12, 16), kHorizontal), 0.75);
    const IText label(16, COLOR_WHITE, "DejaVu Sans", IText::kTextNormal, IText::kAlignLeft, 0,
                      IText::kQualityAntiAliased);
    Soft(Add<ITextControl>(IRECT(10, 180, 240, 200), label, "Every stock control"));
    Soft(Add<ICaptionControl>(IRECT(10, 205, 240, 225), kGain, label));
    Soft(Add<IBitmapTextControl>(IRECT(10, 232, 240, 250), BitmapFont(10, 16), "BITMAP TEXT 123",
                                 IText(), 10, 16, 1, false, false));
    using Look = ActionButton::Look;
    const IColor amber(255, 245, 166, 35);
    Soft(Add<ActionButton>(
        IRECT(300, 140, 470, 164), ActionButton::Kind::kDisplay, amber,
        [] {
          return Look{"Warm Tape Drive *", false, true};
        },
        nullptr));
    Soft(Add<ActionButton>(
        IRECT(300, 170, 332, 194), ActionButton::Kind::kButton, amber,
        [] {
          return Look{"A", true, true};
        },
        nullptr));
    Soft(Add<ActionButton>(
        IRECT(336, 170, 368, 194), ActionButton::Kind::kButton, amber,
        [] {
          return Look{"B", false, true};
        },
        nullptr));
    Soft(Add<ActionButton>(
        IRECT(372, 170, 427, 194), ActionButton::Kind::kButton, amber,
        [] {
          return Look{"UNDO", false, false};
        },
        nullptr));
    Soft(Add<PeakReadout>(IRECT(300, 200, 337, 215)))->SetValueFromPlug(0.5);
    Soft(Add<PeakReadout>(IRECT(345, 200, 382, 215)))->SetValueFromPlug(1.2);
    Add<IPanelControl>(IRECT(0, 270, 240, 300), IColor(255, 196, 200, 206));
    mName = Add<ITextControl>(IRECT(0, 270, 240, 300), kNameStyle, "Track Name");
    Soft(mName);
    AttachToPlug();
    for (auto& [control, value] : mValues)
      control->SetValue(value);
    gui->Tick();
  }

  template <typename Control>
  Control* Set(Control* control, double value) {
    mValues.emplace_back(control, value);
    return control;
  }
  template <typename Control>
  Control* Soft(Control* control) {
    mSoft.push_back(control->GetRECT());
    return control;
  }

  // Compares with the stored image, or stores it when asked to.
  void ExpectGolden(raster::MemBitmap& image, const std::string& name,
                    std::vector<IRECT> soft = {}) {
    soft.insert(soft.end(), mSoft.begin(), mSoft.end());
    ::ExpectGolden(image, std::string(QUOR_EDITOR_GOLDEN_DIR) + "/" + name + ".png", soft);
  }

  static inline const IText kNameStyle{18,
                                       COLOR_BLACK,
                                       "Futura",
                                       IText::kTextNormal,
                                       IText::kAlignCenter,
                                       0,
                                       IText::kQualityAntiAliased};
  std::vector<std::pair<IControl*, double>> mValues;
  std::vector<IRECT> mSoft;
  ITextControl* mName = nullptr;
};

TEST_F(GoldenTest, EveryStockControl) {
  auto shot = gui->Snapshot();
  ExpectGolden(*shot, "stock_controls");
}

TEST_F(GoldenTest, TextFieldOpen) {
  gui->CreateTextEntry(mName, kNameStyle, mName->GetRECT(), "Track Name", nullptr);
  gui->TextFieldKey(ViewKey::Text("Overheads L"));
  gui->TextFieldKey(ViewKey::Key(EViewKey::kLeft, true));
  auto shot = gui->Snapshot();
  ExpectGolden(*shot, "text_field", {mName->GetRECT()});
}

TEST_F(GoldenTest, PopupMenuOpen) {
  IPopupMenu menu, more;
  menu.AddItem("Presets", -1, IPopupMenuItem::kTitle);
  menu.AddItem("Init", -1, IPopupMenuItem::kChecked);
  menu.AddItem("Warm tape");
  menu.AddSeparator();
  menu.AddItem("Not available", -1, IPopupMenuItem::kDisabled);
  menu.AddItem("More", &more);
  more.SetPrefix(1);
  more.AddItem("Bright");
  more.AddItem("Dark", -1, IPopupMenuItem::kChecked);
  std::vector<IRECT> menuAreas;
  gui->SetMenuDriver([&](PopupMenuSession& session) {
    const auto centre = [&](int level, int index) {
      const IRECT row = session.GetView(level).ItemRect(index);
      return std::pair(session.ViewX(level) + (row.L + row.R) / 2,
                       session.ViewY(level) + (row.T + row.B) / 2);
    };
    auto [x, y] = centre(0, 5);
    session.OnMouseMove(x, y);
    auto [sx, sy] = centre(1, 1);
    session.OnMouseMove(sx, sy);
    for (int level = 0; level < session.NLevels(); ++level) {
      const PopupMenuView& view = session.GetView(level);
      menuAreas.emplace_back(session.ViewX(level), session.ViewY(level),
                             session.ViewX(level) + view.Width(),
                             session.ViewY(level) + view.Height());
    }
    auto shot = gui->Snapshot();
    ExpectGolden(*shot, "popup_menu", menuAreas);
    session.OnKey(ViewKey::Key(EViewKey::kEscape));
  });
  EXPECT_EQ(gui->CreateIPopupMenu(&menu, IRECT(120, 40, 200, 60)), nullptr);
  EXPECT_EQ(menuAreas.size(), 2u);
}

}  // namespace
