// One open editor window on X11: its own connection and its own thread,
// which is the only one to touch either. The thread creates a child of the
// host's window, runs the redraw timer and turns every event into the
// control host's input; the text field, popup menus and tooltips get
// windows of their own on the same thread.
#pragma once

#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "editor/igraphics.h"
#include "platform/input_mapping.h"
#include "platform/x11_clipboard.h"
#include "platform/x11_connection.h"
#include "platform/x11_keyboard.h"
#include "platform/x11_modal.h"
#include "platform/x11_presenter.h"
#include "platform/x11_tooltip.h"

class X11EditorWindow final : private X11ModalHost {
 public:
  // The thread's name, as /proc shows it.
  static constexpr const char* kThreadName = "plugin-editor";

  X11EditorWindow(IGraphics& graphics, xcb_window_t parent);
  ~X11EditorWindow();
  X11EditorWindow(const X11EditorWindow&) = delete;
  X11EditorWindow& operator=(const X11EditorWindow&) = delete;

  // Host thread. Start runs the thread and returns once the window exists
  // (true) or could not be made (false); Stop ends the thread and joins it.
  bool Start();
  void Stop();
  xcb_window_t Window() const { return mWindow; }
  // A key the host forwards: handed to the editor thread, whose answer
  // (taken or not) comes back; false when it does not come in time.
  bool HostKey(int keyCode, bool down);

  // The rest runs on the editor thread.
  // An area of the surface, in its pixels.
  void Present(const IRECT& area);
  // Gives the control host's open text field a window and the focus.
  void ShowTextField();
  // Takes the field's window away after the field ended.
  void HideTextField();
  // Runs the menu modally; the chosen entry's menu, or null.
  IPopupMenu* RunMenu(IPopupMenu& menu, const IRECT& area);
  // Runs a dialog over the editor (see RunX11Dialog); -1 without a window.
  int RunDialog(const std::string& title, const std::string& message,
                const std::vector<std::string>& buttons, std::string* field = nullptr);
  bool ReadClipboard(std::string* text) override;
  void WriteClipboard(const std::string& text) override;
  // Hides the pointer, telling where on the screen it was; shows it again at
  // such a place.
  bool HideCursor(int* rootX, int* rootY);
  void ShowCursor(int rootX, int rootY);
  void HideTooltip();
  void Resize(int width, int height);
  // The host asked the window to close: modal loops end.
  bool StopRequested() const { return mStop.load(std::memory_order_acquire); }

 private:
  struct KeyRequest {
    int code = 0;
    bool down = false;
    bool done = false;
    bool taken = false;
  };
  using Event = XcbPtr<xcb_generic_event_t>;

  void Run();
  bool Setup();
  void Teardown();
  void ReadClickSettings();
  // Waits for events, host requests or the next tick, up to the deadline.
  void Wait(std::chrono::steady_clock::time_point deadline);
  Event NextEvent();
  void HandleEvent(xcb_generic_event_t* event);
  void HandleButton(const xcb_button_press_event_t& event, bool press);
  void HandleMotion(const xcb_motion_notify_event_t& event);
  void HandleKey(xcb_key_press_event_t& event, bool press);
  void AnswerHostKeys(bool editorTakesKeys);
  void TickIfDue();
  // Draws what changed; false when nothing had.
  bool Tick();
  std::chrono::milliseconds TickPeriod() const;
  // Input came: back to the usual rate.
  void WakeUp();
  void CheckViewable();
  void DrawTextField();
  void EndTextField(bool commit);
  void UpdateTooltip();
  // A presenter for the window's size; the editor draws into its shared
  // image where it can.
  void NewPresenter();
  // The editor point under a pixel of the window.
  EditorPoint EditorPointAt(int windowX, int windowY) const;
  void ForwardKey(const xcb_key_press_event_t& event);

  // What the menus and dialogs reach of the window.
  X11Connection& Connection() override { return *mX; }
  X11Keyboard& Keyboard() override { return *mKeyboard; }
  ClickCounter& Clicks() override { return mClicks; }
  xcb_window_t EditorWindow() const override { return mWindow; }
  xcb_window_t HostWindow() const override { return mParent; }
  std::pair<int, int> RootOrigin() override;
  int Width() const override { return mWidth; }
  int Height() const override { return mHeight; }
  double Scale() const override { return mGraphics.Scale(); }
  xcb_window_t FocusToGiveBack() override;
  bool Destroyed() const override { return mDestroyed; }
  void RunModal(const std::function<bool()>& done,
                const std::function<bool(xcb_generic_event_t*)>& take) override;

  IGraphics& mGraphics;
  xcb_window_t mParent;
  std::thread mThread;
  std::atomic<bool> mStop{false};
  int mWakeFd = -1;

  // Start's hand-shake.
  std::mutex mStartMutex;
  std::condition_variable mStarted;
  bool mStartDone = false;
  bool mStartOk = false;

  // Keys from the host, answered by the editor thread.
  std::mutex mKeyMutex;
  std::condition_variable mKeyAnswered;
  std::deque<std::shared_ptr<KeyRequest>> mKeyRequests;
  std::set<int> mHostKeysTaken;  // editor thread
  int mLastHostKey = -1;         // editor thread
  std::chrono::steady_clock::time_point mLastHostKeyTime;

  // Editor thread only from here on.
  std::unique_ptr<X11Connection> mX;
  std::unique_ptr<X11Presenter> mPresenter;
  std::unique_ptr<X11Keyboard> mKeyboard;
  std::unique_ptr<X11Clipboard> mClipboard;
  std::unique_ptr<X11Tooltip> mTooltip;
  std::deque<Event> mDeferred;  // events that came in while waiting for a selection
  xcb_window_t mWindow = 0;
  int mWidth;
  int mHeight;
  bool mDestroyed = false;  // the host destroyed our window with its own
  bool mViewable = true;
  std::chrono::steady_clock::time_point mNextTick;
  std::chrono::steady_clock::time_point mLastTick;
  int mQuietTicks = 0;  // ticks in a row that drew nothing
  std::chrono::steady_clock::time_point mNextViewableCheck;
  bool mHaveXFixes = false;

  ClickCounter mClicks;
  EditorPoint mPrev;
  std::set<xcb_keycode_t> mForwardedKeys;

  xcb_window_t mFieldWindow = 0;
  xcb_window_t mFocusReturn = 0;

  int mTooltipControl = -1;
  EditorPoint mPointer;
  int mPointerRootX = 0;
  int mPointerRootY = 0;
  bool mPointerInside = false;
  std::chrono::steady_clock::time_point mPointerRestSince;
};
