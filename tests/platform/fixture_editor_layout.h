// Where the controls of the test plug-in's editor lie, and what they are
// bound to: the plug-in builds its editor from these and the end-to-end
// tests aim at them.
#pragma once

#include "editor/records.h"
#include "framework/key_codes.h"

namespace fixture_editor {

enum Param { kGain, kMute, kShape, kNumParams };

inline constexpr int kWidth = 400;
inline constexpr int kHeight = 260;
inline const IRECT kKnobRect(30, 30, 110, 110);
inline const IRECT kSwitchRect(150, 50, 190, 90);
inline const IRECT kMenuRect(220, 50, 260, 90);
inline const IRECT kMeterRect(320, 30, 340, 200);
inline const IRECT kNameRect(30, 200, 260, 230);
inline constexpr const char* kInitialName = "Track";
// How far the arrow keys move the knob.
inline constexpr double kArrowStep = 0.05;
// The key that asks, in a message box, whether to mute.
inline constexpr int kAskKey = KEY_ALPHA_A + ('m' - 'a');

}  // namespace fixture_editor
