// The editors an end-to-end test plays: the plug-in and where its controls
// lie, in editor coordinates. The test plug-in's and QUOR's are here; another
// plug-in's editor is tested by adding its own.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "tests/platform/fixture_editor_layout.h"

struct EditorPoint2 {
  int x;
  int y;
};

struct EditorUnderTest {
  std::string label;
  std::string plugin;
  EditorPoint2 knob;  // a knob that turns up when dragged up
  int knobParam;
  double knobDefault;   // its normalised value when the plug-in starts
  EditorPoint2 toggle;  // a switch that goes from 0 to 1 on a click, with room
                        // for two clicks more than a double-click distance apart
  int toggleParam;
  EditorPoint2 name;          // a text renamed through the text field
  std::string initialName;    // what the saved state carries before renaming,
  int initialNameCount;       // and how many times
  std::vector<IRECT> meters;  // every meter, the first showing the first input's level
  double audioLevel;          // an input amplitude that moves every meter, pinning none
  bool hasMenu;               // the next three are only for an editor with a menu
  EditorPoint2 menu;          // a control whose click opens a menu
  int menuParam;
  int menuItems;
  double scale = 1.;  // the editor's, where the test sets one; the rest is in editor units
};

// Test names and messages give the editor's label.
inline void PrintTo(const EditorUnderTest& editor, std::ostream* out) {
  *out << editor.label;
}
inline std::string EditorName(const ::testing::TestParamInfo<EditorUnderTest>& info) {
  return info.param.label;
}

inline EditorUnderTest FixtureEditor() {
  using namespace fixture_editor;
  const auto centre = [](const IRECT& r) { return EditorPoint2{(r.L + r.R) / 2, (r.T + r.B) / 2}; };
  return {"fixture",
          FIXTURE_EDITOR,
          centre(kKnobRect),
          kGain,
          0.5,
          centre(kSwitchRect),
          kMute,
          {kNameRect.L + 20, (kNameRect.T + kNameRect.B) / 2},
          kInitialName,
          1,
          {kMeterRect},
          0.8,
          true,
          centre(kMenuRect),
          kShape,
          3};
}

// The tracks' meters along the top, 125 x 70, then the master's left and right.
inline std::vector<IRECT> QuorMeters() {
  std::vector<IRECT> meters;
  for (int track = 0; track < 8; ++track)
    meters.emplace_back(5 + 135 * track, 4, 130 + 135 * track, 74);
  meters.emplace_back(1085, 4, 1210, 74);
  meters.emplace_back(1085, 79, 1210, 149);
  return meters;
}

// QUOR as its layout places it: strip n's controls lie 135 (n - 1) to the right
// of strip 1's.
inline EditorUnderTest QuorEditor() {
  return {"quor",
          QUOR_PLUGIN,
          // The Input knob of strip 5 at (556, 479), 103 x 103: "Input 5".
          {556 + 51, 479 + 51},
          43,
          0.5,
          // Strip 1's Mute at (33, 662), 69 x 26, below the name row (642 to 672)
          // that lies over its upper part.
          {33 + 34, 680},
          85,
          // Strip 1's name field, clear of the switches.
          {67, 650},
          "Track Name",
          8,
          QuorMeters(),
          // Eight tracks at this level sum to a master below full scale, so
          // the master meters move too.
          0.12,
          false,
          {},
          -1,
          0};
}

// QUOR at another scale: what it draws lies there in surface pixels.
inline EditorUnderTest QuorEditorAt(double scale) {
  EditorUnderTest editor = QuorEditor();
  editor.label += "_" + std::to_string(static_cast<int>(std::lround(scale * 100.)));
  editor.scale = scale;
  for (IRECT& r : editor.meters)
    r = IRECT(
        static_cast<int>(std::lround(r.L * scale)), static_cast<int>(std::lround(r.T * scale)),
        static_cast<int>(std::lround(r.R * scale)), static_cast<int>(std::lround(r.B * scale)));
  return editor;
}
