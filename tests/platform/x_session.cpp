#include "tests/platform/x_session.h"

#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>

#include "platform/desktop.h"
#include "quor-host/editor_window.h"

namespace {

// One Xvfb for the test program, started before the first test.
class XEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (FindProgram("Xvfb").empty() || FindProgram("xdotool").empty()) return;
    try {
      std::ostringstream notes;
      mDisplay = std::make_unique<PrivateDisplay>(notes);
    } catch (...) {
      mDisplay.reset();
    }
  }
  void TearDown() override { mDisplay.reset(); }
  bool Ready() const { return mDisplay != nullptr; }

 private:
  std::unique_ptr<PrivateDisplay> mDisplay;
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

void MoveTo(const std::string& window, int x, int y) {
  Xdo({"mousemove", "--window", window, std::to_string(x + 2), std::to_string(y + 3)});
}

void ClickAt(const std::string& window, int x, int y, int repeat) {
  MoveTo(window, x, y);
  Xdo({"click", "--repeat", std::to_string(repeat), "--delay", "80", "1"});
}

int CountWindows() {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  const int n = CountUnder(c, xcb_setup_roots_iterator(xcb_get_setup(c)).data->root);
  xcb_disconnect(c);
  return n;
}
