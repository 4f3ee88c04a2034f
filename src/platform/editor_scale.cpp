#include "platform/editor_scale.h"

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

double ChooseEditorScale(double hostScale, double desktopScale) {
  if (const char* forced = std::getenv(kScaleVariable))
    if (const auto scale = ParseEditorScale(forced)) return *scale;
  if (const auto remembered = RememberedEditorScale()) return *remembered;
  if (hostScale > 0.) return NearestEditorScale(hostScale);
  return NearestEditorScale(desktopScale);
}
