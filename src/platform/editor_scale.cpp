#include "platform/editor_scale.h"

#include <xcb/randr.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "editor/editor_scales.h"
#include "platform/desktop.h"
#include "platform/x11_connection.h"

namespace {

constexpr const char* kScaleVariable = "QUOR_EDITOR_SCALE";
constexpr const char* kFollowDesktop = "desktop";

std::string ConfigFile() {
  return ConfigHomeFolder() + "/QUOR/editor-scale";
}

// Xft.dpi's value in the resource database, 0 without one.
double XftDpi(const std::string& resources) {
  std::istringstream lines(resources);
  std::string line;
  while (std::getline(lines, line)) {
    constexpr std::string_view kKey = "Xft.dpi:";
    if (line.compare(0, kKey.size(), kKey) != 0) continue;
    const double dpi = std::strtod(line.c_str() + kKey.size(), nullptr);
    if (dpi > 0.) return dpi;
  }
  return 0.;
}

}  // namespace

std::optional<double> ParseEditorScale(const std::string& text) {
  char* end = nullptr;
  double scale = std::strtod(text.c_str(), &end);
  if (end == text.c_str()) return std::nullopt;
  if (*end == '%') {
    scale /= 100.;
    ++end;
  }
  if (*end != '\0' || !(scale > 0.)) return std::nullopt;
  return NearestEditorScale(scale);
}

double DesktopScale(xcb_connection_t* c) {
  if (const char* gdk = std::getenv("GDK_SCALE"); gdk && std::atoi(gdk) >= 1)
    return NearestEditorScale(std::atoi(gdk));
  if (!c || xcb_connection_has_error(c)) return 1.;
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  if (!screen) return 1.;
  XcbPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      c,
      xcb_get_property(c, 0, screen->root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 0, 1 << 16),
      nullptr));
  if (!reply) return 1.;
  const std::string resources(static_cast<const char*>(xcb_get_property_value(reply.get())),
                              static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
  const double dpi = XftDpi(resources);
  return dpi > 0. ? NearestEditorScale(dpi / 96.) : 1.;
}

double DesktopScale() {
  if (const char* gdk = std::getenv("GDK_SCALE"); gdk && std::atoi(gdk) >= 1)
    return DesktopScale(nullptr);
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  const double scale = DesktopScale(c);
  xcb_disconnect(c);
  return scale;
}

std::optional<double> RememberedEditorScale() {
  std::ifstream in(ConfigFile());
  std::string text;
  if (!std::getline(in, text) || text == kFollowDesktop) return std::nullopt;
  return ParseEditorScale(text);
}

bool RememberEditorScale(std::optional<double> scale) {
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(ConfigFile()).parent_path(), error);
  std::ofstream out(ConfigFile(), std::ios::trunc);
  if (scale) {
    out << *scale << '\n';
  } else {
    out << kFollowDesktop << '\n';
  }
  return static_cast<bool>(out.flush());
}

namespace {

// Room for what a host puts around an editor: a frame at the sides, a title
// bar and its own bar of controls above.
constexpr int kHostFrameWidth = 16;
constexpr int kHostFrameHeight = 96;

ScreenArea MonitorOf(xcb_connection_t* c, xcb_window_t root, int x, int y, bool atPoint) {
  XcbPtr<xcb_randr_get_monitors_reply_t> monitors(
      xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, root, 1), nullptr));
  if (!monitors) return {};
  ScreenArea first, primary;
  for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.get()); it.rem;
       xcb_randr_monitor_info_next(&it)) {
    const xcb_randr_monitor_info_t& m = *it.data;
    const ScreenArea area{m.width, m.height};
    if (atPoint && x >= m.x && x < m.x + m.width && y >= m.y && y < m.y + m.height) return area;
    if (first.mWidth == 0) first = area;
    if (m.primary) primary = area;
  }
  return primary.mWidth > 0 ? primary : first;
}

}  // namespace

ScreenArea ScreenAreaOf(xcb_window_t window) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  ScreenArea area;
  if (c && !xcb_connection_has_error(c)) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (screen) {
      area = {screen->width_in_pixels, screen->height_in_pixels};
      int x = 0, y = 0;
      bool atPoint = false;
      if (window) {
        XcbPtr<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
            c, xcb_translate_coordinates(c, window, screen->root, 0, 0), nullptr));
        if (at) {
          x = at->dst_x;
          y = at->dst_y;
          atPoint = true;
        }
      }
      if (const ScreenArea monitor = MonitorOf(c, screen->root, x, y, atPoint); monitor.mWidth > 0)
        area = monitor;
    }
  }
  if (c) xcb_disconnect(c);
  return area;
}

bool EditorFits(double scale, int width, int height, const ScreenArea& area) {
  if (area.mWidth <= 0 || area.mHeight <= 0) return true;
  return std::lround(width * scale) + kHostFrameWidth <= area.mWidth &&
         std::lround(height * scale) + kHostFrameHeight <= area.mHeight;
}

std::vector<double> ScalesThatFit(int width, int height, const ScreenArea& area) {
  std::vector<double> fitting;
  for (const double scale : kEditorScales)
    if (fitting.empty() || EditorFits(scale, width, height, area)) fitting.push_back(scale);
  return fitting;
}

double ChooseEditorScale(double hostScale, double desktopScale, int width, int height,
                         const ScreenArea& area) {
  if (const char* forced = std::getenv(kScaleVariable))
    if (const auto scale = ParseEditorScale(forced)) return *scale;
  double scale = NearestEditorScale(desktopScale);
  if (const auto remembered = RememberedEditorScale()) {
    scale = *remembered;
  } else if (hostScale > 0.) {
    scale = NearestEditorScale(hostScale);
  }
  const std::vector<double> fitting = ScalesThatFit(width, height, area);
  double chosen = fitting.front();
  for (const double offered : fitting)
    if (offered <= scale) chosen = offered;
  return chosen;
}
