#include "quor-host/editor_window.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ostream>

#include "quor-host/host_error.h"

extern char** environ;

namespace {

constexpr int kIdleMilliseconds = 33;  // effEditIdle about 30 times a second

template <typename T>
struct Reply {
  explicit Reply(T* p) : ptr(p) {}
  ~Reply() { std::free(ptr); }
  Reply(const Reply&) = delete;
  Reply& operator=(const Reply&) = delete;
  T* operator->() const { return ptr; }
  explicit operator bool() const { return ptr != nullptr; }
  T* ptr;
};

xcb_atom_t Intern(xcb_connection_t* c, const char* name) {
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The editor's size as the plug-in reports it; 0 x 0 when it does not.
std::pair<int, int> EditorSize(const Plugin& plugin) {
  ERect* rect = nullptr;
  if (plugin.Dispatch(effEditGetRect, 0, 0, &rect) == 0 || rect == nullptr) return {0, 0};
  return {std::max(rect->right - rect->left, 0), std::max(rect->bottom - rect->top, 0)};
}

}  // namespace

EditorWindow::EditorWindow(const Plugin& plugin, const std::string& title) : mPlugin(plugin) {
  if (!plugin.HasFlag(effFlagsHasEditor)) throw HostError("the plug-in has no editor");
  mConnection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(mConnection)) {
    xcb_disconnect(mConnection);
    throw HostError("cannot open the display (is $DISPLAY set?)");
  }
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(mConnection)).data;
  // Some plug-ins know their size only once the editor is open: a start
  // size now, the real one after effEditOpen.
  const auto [w, h] = EditorSize(plugin);
  mWidth = w > 0 ? w : 640;
  mHeight = h > 0 ? h : 480;
  mWindow = xcb_generate_id(mConnection);
  const std::uint32_t values[] = {screen->black_pixel,
                                  XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_EXPOSURE};
  xcb_create_window(mConnection, XCB_COPY_FROM_PARENT, mWindow, screen->root, 0, 0,
                    static_cast<std::uint16_t>(mWidth), static_cast<std::uint16_t>(mHeight), 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                    XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
  xcb_change_property(mConnection, XCB_PROP_MODE_REPLACE, mWindow, XCB_ATOM_WM_NAME,
                      XCB_ATOM_STRING, 8, static_cast<std::uint32_t>(title.size()), title.data());
  mDeleteWindow = Intern(mConnection, "WM_DELETE_WINDOW");
  xcb_change_property(mConnection, XCB_PROP_MODE_REPLACE, mWindow,
                      Intern(mConnection, "WM_PROTOCOLS"), XCB_ATOM_ATOM, 32, 1, &mDeleteWindow);
  xcb_flush(mConnection);
  if (plugin.Dispatch(effEditOpen, 0, 0,
                      reinterpret_cast<void*>(static_cast<std::uintptr_t>(mWindow))) == 0) {
    xcb_destroy_window(mConnection, mWindow);
    xcb_disconnect(mConnection);
    throw HostError("the plug-in did not open its editor");
  }
  mOpen = true;
  const auto [openW, openH] = EditorSize(plugin);
  if (openW > 0 && openH > 0) Resize(openW, openH);
  xcb_map_window(mConnection, mWindow);
  xcb_flush(mConnection);
}

EditorWindow::~EditorWindow() {
  if (mOpen) mPlugin.Dispatch(effEditClose);
  if (!xcb_connection_has_error(mConnection)) xcb_destroy_window(mConnection, mWindow);
  xcb_disconnect(mConnection);
}

void EditorWindow::Resize(int width, int height) {
  mWidth = width;
  mHeight = height;
  const std::uint32_t size[] = {static_cast<std::uint32_t>(width),
                                static_cast<std::uint32_t>(height)};
  xcb_configure_window(mConnection, mWindow, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                       size);
  // Window managers keep a window no smaller nor larger than this.
  std::uint32_t hints[18] = {};
  hints[0] = 16 | 32;  // PMinSize | PMaxSize
  hints[5] = hints[7] = static_cast<std::uint32_t>(width);
  hints[6] = hints[8] = static_cast<std::uint32_t>(height);
  xcb_change_property(mConnection, XCB_PROP_MODE_REPLACE, mWindow, XCB_ATOM_WM_NORMAL_HINTS,
                      XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
}

bool EditorWindow::Pump(int milliseconds) {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
  do {
    while (xcb_generic_event_t* event = xcb_poll_for_event(mConnection)) {
      const std::uint8_t type = event->response_type & 0x7F;
      if (type == XCB_CLIENT_MESSAGE &&
          reinterpret_cast<xcb_client_message_event_t*>(event)->data.data32[0] == mDeleteWindow)
        mClosed = true;
      if (type == XCB_DESTROY_NOTIFY) mClosed = true;
      std::free(event);
    }
    if (xcb_connection_has_error(mConnection)) mClosed = true;
    if (mClosed) return false;
    mPlugin.Dispatch(effEditIdle);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    pollfd fd{xcb_get_file_descriptor(mConnection), POLLIN, 0};
    poll(&fd, 1, static_cast<int>(std::clamp<long long>(left.count(), 0, kIdleMilliseconds)));
  } while (Clock::now() < end);
  return true;
}

WindowImage EditorWindow::Grab() {
  WindowImage image;
  Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
      mConnection,
      xcb_get_image(mConnection, XCB_IMAGE_FORMAT_Z_PIXMAP, mWindow, 0, 0,
                    static_cast<std::uint16_t>(mWidth), static_cast<std::uint16_t>(mHeight), ~0u),
      nullptr));
  if (!reply || xcb_get_image_data_length(reply.ptr) <
                    static_cast<int>(static_cast<std::size_t>(mWidth) * mHeight * 4))
    return image;
  image.width = mWidth;
  image.height = mHeight;
  image.pixels.resize(static_cast<std::size_t>(mWidth) * static_cast<std::size_t>(mHeight));
  std::memcpy(image.pixels.data(), xcb_get_image_data(reply.ptr), image.pixels.size() * 4);
  for (std::uint32_t& pixel : image.pixels)
    pixel |= 0xFF000000u;
  return image;
}

PrivateDisplay::PrivateDisplay(std::ostream& notes, const std::vector<std::string>& extra) {
  const char* xvfb = "/usr/bin/Xvfb";
  if (access(xvfb, X_OK) != 0) {
    throw HostError("no display: $DISPLAY is not set and Xvfb is not installed (apt install xvfb)");
  }
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) throw HostError("cannot start Xvfb");
  // Xvfb writes its display number to the descriptor it is given.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 9);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  // Without -noreset the server starts afresh whenever its last client
  // leaves, and refuses connections meanwhile.
  std::vector<std::string> arguments = {"Xvfb",         "-displayfd", "9",   "-screen", "0",
                                        "3840x2160x24", "-nolisten",  "tcp", "-noreset"};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  std::vector<char*> argv;
  for (std::string& argument : arguments)
    argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, xvfb, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  std::string number;
  if (spawned == 0) {
    mPid = pid;
    pollfd fd{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&fd, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
      number += c;
  }
  close(fds[0]);
  if (number.empty()) {
    Stop();
    throw HostError("Xvfb did not start");
  }
  if (const char* previous = std::getenv("DISPLAY")) mPreviousDisplay = previous;
  const std::string display = ":" + number;
  setenv("DISPLAY", display.c_str(), 1);
  notes << "quor-host: no $DISPLAY: drawing on a private X server (Xvfb " << display << ")\n";
}

void PrivateDisplay::Stop() {
  if (mPid <= 0) return;  // never kill(-1): that signals every process
  kill(mPid, SIGTERM);
  waitpid(mPid, nullptr, 0);
}

PrivateDisplay::~PrivateDisplay() {
  Stop();
  if (mPreviousDisplay) {
    setenv("DISPLAY", mPreviousDisplay->c_str(), 1);
  } else {
    unsetenv("DISPLAY");
  }
}
