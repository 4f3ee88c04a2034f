// How the window system's input becomes the editor's: pointer positions,
// modifier states, click counts, wheel steps and keys; and the area a redraw
// tick invalidates. Pure functions of their arguments, testable without a
// display.
#pragma once

#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "editor/keys.h"
#include "editor/records.h"

struct EditorPoint {
  int x = 0;
  int y = 0;
};

// A position in the editor window's pixels (top-down) in editor coordinates.
constexpr EditorPoint ToEditorPoint(int windowX, int windowY) {
  return {windowX - 2, windowY - 3};
}

// X pointer buttons.
enum : int { kButtonLeft = 1, kButtonMiddle = 2, kButtonRight = 3, kWheelUp = 4, kWheelDown = 5 };

// The modifiers of a pointer event: the button that acts (0 for a motion,
// which carries the buttons held) and the X key and button state.
IMouseMod MouseModFor(int button, std::uint16_t state);

// Whole wheel steps of a button press: up +1, down -1, anything else 0.
int WheelDelta(int button);

// Counts presses of one button that follow each other within the desktop's
// double-click time and distance.
class ClickCounter {
 public:
  static constexpr int kDefaultTimeMs = 400;
  static constexpr int kDefaultDistance = 4;

  void SetLimits(int timeMs, int distance);
  // The press's count: 1 for a single click, 2 for a double click, and so on.
  // Times are the server's milliseconds, which wrap.
  int Press(int button, int x, int y, std::uint32_t timeMs);

 private:
  int mTimeMs = kDefaultTimeMs;
  int mDistance = kDefaultDistance;
  int mCount = 0;
  int mButton = 0;
  int mX = 0;
  int mY = 0;
  std::uint32_t mTime = 0;
};

struct ClickLimits {
  int timeMs = ClickCounter::kDefaultTimeMs;
  int distance = ClickCounter::kDefaultDistance;
};

// The double-click time and distance of the desktop's XSETTINGS property
// ("Net/DoubleClickTime", "Net/DoubleClickDistance"), defaults for what it
// does not set. The bytes come from another client and are checked.
ClickLimits ParseClickSettings(std::span<const std::uint8_t> property, ClickLimits defaults = {});

// The area a redraw tick invalidates for the dirty rectangle: one pixel
// larger on the right and bottom, within the surface. Empty when nothing is.
IRECT InvalidationRect(const IRECT& dirty, int width, int height);

// The key code a control receives for a key, -1 for keys that go to the host.
int KeyCodeForKeysym(xkb_keysym_t keysym);

// The text field's or menu's key for a key with the text it types; none for
// keys they do not take.
std::optional<ViewKey> ViewKeyFor(xkb_keysym_t keysym, const std::string& text, bool shift,
                                  bool ctrl);
