#include "tests/platform/x_session.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>

#include "platform/desktop.h"
#include "quor-host/editor_window.h"

namespace {

// The test program's own connection, for its looks at the server.
xcb_connection_t* OwnConnection() {
  static const std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> connection(
      xcb_connect(nullptr, nullptr), xcb_disconnect);
  return connection.get();
}

// One Xvfb for the test program, started before the first test.
class XEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (FindProgram("Xvfb").empty() || FindProgram("xdotool").empty()) return;
    try {
      std::ostringstream notes;
      mDisplay = std::make_unique<PrivateDisplay>(notes);
      // No scale a user of this machine chose reaches the editors under test.
      std::string folder = (std::filesystem::temp_directory_path() / "quor-config-XXXXXX").string();
      if (mkdtemp(folder.data())) {
        mConfig = folder;
        setenv("XDG_CONFIG_HOME", mConfig.c_str(), 1);
      }
      // Made now, so that tests counting descriptors do not see it come.
      OwnConnection();
    } catch (...) {
      mDisplay.reset();
    }
  }
  void TearDown() override {
    mDisplay.reset();
    if (!mConfig.empty()) std::filesystem::remove_all(mConfig);
  }
  bool Ready() const { return mDisplay != nullptr; }

 private:
  std::unique_ptr<PrivateDisplay> mDisplay;
  std::string mConfig;
};

XEnvironment* const environment =
    static_cast<XEnvironment*>(::testing::AddGlobalTestEnvironment(new XEnvironment));

int CountUnder(xcb_connection_t* c, xcb_window_t window) {
  xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
  if (!tree) return 0;
  const xcb_window_t* children = xcb_query_tree_children(tree);
  int n = xcb_query_tree_children_length(tree);
  const int direct = n;
  for (int i = 0; i < direct; ++i)
    n += CountUnder(c, children[i]);
  std::free(tree);
  return n;
}

}  // namespace

bool XSessionReady() {
  return environment->Ready();
}

int Xdo(const std::vector<std::string>& arguments, std::string* output) {
  std::vector<std::string> argv = {"xdotool"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return RunAndWait(argv, output, nullptr).value_or(-1);
}

namespace {

double gEditorScale = 1.;

// The middle of the pixels that show an editor coordinate: the editor maps
// a pixel p to floor(p / scale), then the documented offset.
std::string PixelOf(int editor, int offset) {
  const double scale = gEditorScale;
  return std::to_string(static_cast<int>(std::floor((editor + offset + 0.5) * scale)));
}

}  // namespace

void SetEditorScale(double scale) {
  gEditorScale = scale;
}

void SetDesktopDpi(int dpi) {
  xcb_connection_t* c = OwnConnection();
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  if (dpi <= 0) {
    xcb_delete_property(c, root, XCB_ATOM_RESOURCE_MANAGER);
  } else {
    const std::string resources = "Xft.dpi:\t" + std::to_string(dpi) + "\n";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING,
                        8, static_cast<std::uint32_t>(resources.size()), resources.data());
  }
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));  // carried out
}

void MoveTo(const std::string& window, int x, int y) {
  Xdo({"mousemove", "--window", window, PixelOf(x, 2), PixelOf(y, 3)});
}

void ClickAt(const std::string& window, int x, int y, int repeat) {
  MoveTo(window, x, y);
  Xdo({"click", "--repeat", std::to_string(repeat), "--delay", "80", "1"});
}

int CountWindows() {
  xcb_connection_t* c = OwnConnection();
  return CountUnder(c, xcb_setup_roots_iterator(xcb_get_setup(c)).data->root);
}

xcb_window_t InputFocus() {
  xcb_connection_t* c = OwnConnection();
  xcb_get_input_focus_reply_t* reply =
      xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
  const xcb_window_t focus = reply ? reply->focus : 0;
  std::free(reply);
  return focus;
}

std::vector<std::uint32_t> GrabArea(xcb_window_t window, int x, int y, int w, int h,
                                    xcb_connection_t* c) {
  if (!c) c = OwnConnection();
  std::vector<std::uint32_t> pixels;
  xcb_get_image_reply_t* reply = xcb_get_image_reply(
      c,
      xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, static_cast<std::int16_t>(x),
                    static_cast<std::int16_t>(y), static_cast<std::uint16_t>(w),
                    static_cast<std::uint16_t>(h), ~0u),
      nullptr);
  if (!reply) return pixels;
  const auto* data = reinterpret_cast<const std::uint32_t*>(xcb_get_image_data(reply));
  pixels.assign(data, data + static_cast<std::size_t>(xcb_get_image_data_length(reply)) / 4);
  for (std::uint32_t& p : pixels)
    p &= 0x00FFFFFFu;
  std::free(reply);
  return pixels;
}
