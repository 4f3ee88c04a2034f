// The scale an editor opens at, as a user expects it chosen: a script's or a
// test's (QUOR_EDITOR_SCALE), else the user's own choice, remembered, else
// the host's where it announces one, else the desktop's (GDK_SCALE, else
// Xft.dpi in the X resource database, 96 dpi being 1), else 1. Every scale
// is one the editor offers.
#pragma once

#include <xcb/xcb.h>

#include <optional>
#include <string>
#include <vector>

// The desktop's scale on the connection's first screen; 1 when it says none.
double DesktopScale(xcb_connection_t* connection);
// The same on $DISPLAY, through a connection of its own.
double DesktopScale();

// "1.5", "150%"; none for anything else or nothing.
std::optional<double> ParseEditorScale(const std::string& text);

// The user's choice, none when the editor follows the desktop.
std::optional<double> RememberedEditorScale();
// Remembers it (none: follow the desktop) under $XDG_CONFIG_HOME/QUOR;
// false when it could not be written.
bool RememberEditorScale(std::optional<double> scale);

// The monitor a window lies on (the primary one without a window, the
// first without a primary), else the whole screen; 0 x 0 without a display.
struct ScreenArea {
  int mWidth = 0;
  int mHeight = 0;
};
ScreenArea ScreenAreaOf(xcb_window_t window);

// Whether an editor of w x h units at the scale fits the area, with room
// for the host's window around it; an unknown area fits everything.
bool EditorFits(double scale, int width, int height, const ScreenArea& area);
// The offered scales that fit, the smallest always.
std::vector<double> ScalesThatFit(int width, int height, const ScreenArea& area);

// hostScale 0: the host announced none. A scale chosen by the user, the
// host or the desktop is lowered until the editor fits the area; a script's
// is taken as it is.
double ChooseEditorScale(double hostScale, double desktopScale, int width, int height,
                         const ScreenArea& area);
