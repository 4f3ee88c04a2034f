// The X side of the end-to-end tests: a private server for the whole test
// program, xdotool to play the user, and the editors' windows looked into.
#pragma once

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <string>
#include <vector>

// True once the private server runs; tests skip without Xvfb and xdotool.
bool XSessionReady();

// Runs xdotool with these arguments; its exit status is 0 on success.
int Xdo(const std::vector<std::string>& arguments, std::string* output = nullptr);

// Presses and releases the left button at an editor point (x, y): the
// window's pixel (x + 2, y + 3), as the editor maps its coordinates.
void ClickAt(const std::string& window, int x, int y, int repeat = 1);
void MoveTo(const std::string& window, int x, int y);
// The scale the editors under test draw at, for the two above (1 unless set).
void SetEditorScale(double scale);
// The desktop's Xft.dpi in the server's resource database; 0 takes it away.
void SetDesktopDpi(int dpi);

// Every window under the root, counted through the tree.
int CountWindows();

// The window with the keyboard focus.
xcb_window_t InputFocus();

// A window's pixels in the area (0x00RRGGBB), its children's included, read
// on the connection given or the test program's own.
std::vector<std::uint32_t> GrabArea(xcb_window_t window, int x, int y, int w, int h,
                                    xcb_connection_t* c = nullptr);

// Skips the test when there is no X session to run it in.
#define REQUIRE_X_SESSION() \
  if (!XSessionReady()) GTEST_SKIP() << "Xvfb and xdotool are needed"
