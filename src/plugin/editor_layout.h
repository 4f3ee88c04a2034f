// QUOR's editor as data: its size, its images and every control in the order
// it is attached, which is also the control's index, the drawing order and,
// reversed, the order in which the mouse looks for a control.
#pragma once

#include <array>

#include "plugin/quor.h"

inline constexpr int kEditorWidth = 1215;
inline constexpr int kEditorHeight = 692;
inline constexpr int kEditorFPS = 0;  // the surface's default rate
inline constexpr int kStripWidth = 135;

// A resource image with its frames stacked vertically.
struct EditorImage {
  int mId = 0;
  const char* mPath = nullptr;
  int mFrames = 1;
};

inline constexpr EditorImage kBackgroundImage{101, "resources/img/BG.png", 1};
inline constexpr EditorImage kBypassImage{102, "resources/img/BY.png", 2};
inline constexpr EditorImage kHighGainImage{103, "resources/img/HG.png", 61};
inline constexpr EditorImage kMidGainImage{104, "resources/img/MG.png", 61};
inline constexpr EditorImage kLowGainImage{105, "resources/img/LG.png", 61};
inline constexpr EditorImage kInputImage{106, "resources/img/IN.png", 61};
inline constexpr EditorImage kOutputImage{107, "resources/img/OUT.png", 61};
inline constexpr EditorImage kModeImage{108, "resources/img/MODE.png", 2};
inline constexpr EditorImage kMuteImage{109, "resources/img/MUTE.png", 2};
inline constexpr EditorImage kMeterImage{110, "resources/img/VU.png", 121};
inline constexpr EditorImage kMasterOutputImage{111, "resources/img/MOUT.png", 61};
inline constexpr EditorImage kGlobalBypassImage{112, "resources/img/GBY.png", 2};
inline constexpr EditorImage kOverLampImage{113, "resources/img/OVER.png", 2};

// Knobs turn vertically with a gearing of 4; meters and text have no parameter.
enum class ControlKind { kKnob, kSwitch, kMeter, kNameField, kLabel, kLamp };

// An image control sits at its top-left corner (L, T) and takes its size from
// one frame of its image; a text control fills the rectangle.
struct ControlPlace {
  ControlKind mKind = ControlKind::kLabel;
  EditorImage mImage;
  int mL = 0, mT = 0, mR = 0, mB = 0;
  int mParam = -1;
  const char* mText = nullptr;  // a name field's first name, or a label
};

namespace editor_layout {

// One track strip, the first; each further strip lies kStripWidth to the right.
struct StripControl {
  ControlKind mKind;
  EditorImage mImage;
  int mX, mY;
  ParamRole mParam;  // of the strip's track
};
inline constexpr StripControl kStrip[] = {
    {ControlKind::kKnob, kHighGainImage, 32, 219, ParamRole::kHighGain},
    {ControlKind::kKnob, kMidGainImage, 32, 302, ParamRole::kMidGain},
    {ControlKind::kKnob, kLowGainImage, 32, 390, ParamRole::kLowGain},
    {ControlKind::kKnob, kInputImage, 16, 479, ParamRole::kInput},
    {ControlKind::kKnob, kOutputImage, 18, 107, ParamRole::kOutput},
    {ControlKind::kSwitch, kBypassImage, 28, 594, ParamRole::kBypass},
    {ControlKind::kSwitch, kMuteImage, 33, 662, ParamRole::kMute},
};

inline constexpr ControlPlace kMaster[] = {
    {ControlKind::kSwitch, kModeImage, 515, 662, 0, 0, ParamIndex(ParamRole::kMode)},
    {ControlKind::kKnob, kMasterOutputImage, 1085, 277, 0, 0, ParamIndex(ParamRole::kMasterOutput)},
    {ControlKind::kSwitch, kGlobalBypassImage, 1134, 662, 0, 0,
     ParamIndex(ParamRole::kGlobalBypass)},
};

// The tracks' meters along the top, then the master's left and right.
inline constexpr int kTrackMeterX = 5, kTrackMeterY = 4;
inline constexpr ControlPlace kMasterMeters[] = {
    {ControlKind::kMeter, kMeterImage, 1085, 4},
    {ControlKind::kMeter, kMeterImage, 1085, 79},
};

constexpr ControlPlace TextPlace(ControlKind kind, int l, int t, int r, int b, const char* text) {
  ControlPlace place;
  place.mKind = kind;
  place.mL = l;
  place.mT = t;
  place.mR = r;
  place.mB = b;
  place.mText = text;
  return place;
}

// The name row: one field per strip, the master's over the rest.
inline constexpr int kNameTop = 642, kNameBottom = 672;
// The drawn face ends here, where the switches below begin: only the face
// takes clicks.
inline constexpr int kNameFaceBottom = 662;
inline constexpr int kMasterX = QUOR::kNumTracks * kStripWidth;
inline constexpr ControlPlace kMasterName =
    TextPlace(ControlKind::kNameField, kMasterX, kNameTop, kEditorWidth, kNameBottom,
              QUOR::kDefaultMasterName);

// The strips between the track meters and the names, shaded while the
// console is bypassed.
inline constexpr int kBypassShadeTop = 80;

// Drawn over the master meters, left of their over lamps.
inline constexpr ControlPlace kLabels[] = {
    TextPlace(ControlKind::kLabel, 1163, 8, 1181, 28, "L"),
    TextPlace(ControlKind::kLabel, 1163, 83, 1181, 103, "R"),
};

inline constexpr int kNumControls = std::size(kMaster) + QUOR::kNumTracks * std::size(kStrip) +
                                    QUOR::kNumMeters + QUOR::kNumNames + std::size(kLabels);

constexpr std::array<ControlPlace, kNumControls> AllControls() {
  std::array<ControlPlace, kNumControls> all{};
  std::size_t i = 0;
  for (const ControlPlace& control : kMaster)
    all[i++] = control;
  for (int t = 0; t < QUOR::kNumTracks; ++t)
    for (const StripControl& c : kStrip)
      all[i++] = {c.mKind, c.mImage, c.mX + kStripWidth * t, c.mY, 0, 0, ParamIndex(c.mParam, t)};
  for (int t = 0; t < QUOR::kNumTracks; ++t)
    all[i++] = {ControlKind::kMeter, kMeterImage, kTrackMeterX + kStripWidth * t, kTrackMeterY};
  for (const ControlPlace& meter : kMasterMeters)
    all[i++] = meter;
  for (int t = 0; t < QUOR::kNumTracks; ++t)
    all[i++] = TextPlace(ControlKind::kNameField, kStripWidth * t, kNameTop, kStripWidth * (t + 1),
                         kNameBottom, QUOR::kDefaultTrackName);
  all[i++] = kMasterName;
  for (const ControlPlace& label : kLabels)
    all[i++] = label;
  return all;
}

}  // namespace editor_layout

// After the background at index 0, in attach order.
inline constexpr std::array<ControlPlace, editor_layout::kNumControls> kEditorControls =
    editor_layout::AllControls();
static_assert(kEditorControls.size() == 80, "81 controls with the background");

namespace editor_layout {

// In each meter face's top right corner, clear of its scale and its needle.
inline constexpr int kOverLampX = 96, kOverLampY = 7;

constexpr std::array<ControlPlace, QUOR::kNumMeters> MeterLamps() {
  std::array<ControlPlace, QUOR::kNumMeters> lamps{};
  std::size_t i = 0;
  for (const ControlPlace& c : kEditorControls)
    if (c.mKind == ControlKind::kMeter)
      lamps[i++] = {ControlKind::kLamp, kOverLampImage, c.mL + kOverLampX, c.mT + kOverLampY};
  return lamps;
}

}  // namespace editor_layout

// Each meter's peak reading, in its face's top left corner, clear of the
// printed scale and the needle.
inline constexpr int kPeakReadoutX = 5, kPeakReadoutY = 5, kPeakReadoutW = 37, kPeakReadoutH = 15;

// In 16 OUT the master section does nothing: shaded down to its knob's legend.
inline constexpr int kMasterShadeBottom = 396;

// Under the master knob: the presets' display, A and B and the copy of one
// onto the other, undo and redo.
struct PanelPlace {
  int mL, mT, mR, mB;
};
inline constexpr PanelPlace kPresetDisplay{1090, 406, 1205, 430};
inline constexpr PanelPlace kSlotA{1090, 437, 1122, 461};
inline constexpr PanelPlace kSlotB{1126, 437, 1158, 461};
inline constexpr PanelPlace kCopySlot{1162, 437, 1205, 461};
inline constexpr PanelPlace kUndo{1090, 468, 1145, 492};
inline constexpr PanelPlace kRedo{1150, 468, 1205, 492};

// Attached after the controls above, so that their indices stay: each meter's
// over lamp, in the meters' order.
inline constexpr std::array<ControlPlace, QUOR::kNumMeters> kMeterLampControls =
    editor_layout::MeterLamps();
inline constexpr int kFirstMeterLampControl = 1 + static_cast<int>(kEditorControls.size());
// Then each meter's peak reading, in the meters' order.
inline constexpr int kFirstPeakReadoutControl =
    kFirstMeterLampControl + static_cast<int>(kMeterLampControls.size());
