// The editor an end-to-end test plays: the plug-in and where its controls
// lie, in editor coordinates. The test plug-in's is here; another plug-in's
// editor is tested by adding its own.
#pragma once

#include <string>

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
  EditorPoint2 toggle;  // a switch that goes from 0 to 1 on a click
  int toggleParam;
  EditorPoint2 name;        // a text renamed through the text field
  std::string initialName;  // what the saved state carries before renaming
  IRECT meter;              // a meter that shows the input's level
  EditorPoint2 menu;        // a control whose click opens a menu
  int menuParam;
  int menuItems;
};

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
          kMeterRect,
          centre(kMenuRect),
          kShape,
          3};
}
