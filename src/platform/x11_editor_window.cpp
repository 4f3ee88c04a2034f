#include "platform/x11_editor_window.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "framework/thread_role.h"
#include "platform/x11_events.h"
#include "raster/mem_bitmap.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kEditorEvents =
    XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
    XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE |
    XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW | XCB_EVENT_MASK_STRUCTURE_NOTIFY |
    XCB_EVENT_MASK_VISIBILITY_CHANGE;
constexpr std::uint32_t kFieldEvents = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                                       XCB_EVENT_MASK_BUTTON_RELEASE |
                                       XCB_EVENT_MASK_BUTTON_MOTION | XCB_EVENT_MASK_KEY_PRESS |
                                       XCB_EVENT_MASK_KEY_RELEASE | XCB_EVENT_MASK_FOCUS_CHANGE;

// How often an editor that may have been hidden asks whether it still shows.
constexpr auto kViewableCheck = std::chrono::seconds(1);
// After this many ticks with nothing to draw the editor looks less often, a
// quarter as often: a still editor then costs a quarter. Input brings the
// usual rate back at once.
constexpr int kTicksBeforeQuiet = 25;
constexpr int kQuietSlowdown = 4;
constexpr auto kTooltipDelay = std::chrono::milliseconds(600);

std::int16_t I16(int v) {
  return static_cast<std::int16_t>(std::clamp(v, -32768, 32767));
}

}  // namespace

X11EditorWindow::X11EditorWindow(IGraphics& graphics, xcb_window_t parent)
    : mGraphics(graphics),
      mParent(parent),
      mWidth(graphics.SurfaceWidth()),
      mHeight(graphics.SurfaceHeight()) {}

X11EditorWindow::~X11EditorWindow() {
  Stop();
}

bool X11EditorWindow::Start() {
  mWakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (mWakeFd < 0) return false;
  try {
    mThread = std::thread([this] { Run(); });
  } catch (...) {
    return false;
  }
  std::unique_lock lock(mStartMutex);
  mStarted.wait(lock, [this] { return mStartDone; });
  return mStartOk;
}

void X11EditorWindow::Stop() {
  mStop.store(true, std::memory_order_release);
  if (mWakeFd >= 0) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(mWakeFd, &one, sizeof one);
  }
  if (mThread.joinable()) mThread.join();
  if (mWakeFd >= 0) close(mWakeFd);
  mWakeFd = -1;
}

void X11EditorWindow::Run() {
  pthread_setname_np(pthread_self(), kThreadName);
  const ThreadRoleScope role(ThreadRole::kEditor);
  const bool ok = Setup();
  {
    std::lock_guard lock(mStartMutex);
    mStartDone = true;
    mStartOk = ok;
  }
  mStarted.notify_all();
  if (ok) {
    mNextTick = Clock::now();
    while (!StopRequested()) {
      Wait(mNextTick);
      while (Event event = NextEvent()) {
        HandleEvent(event.get());
        WakeUp();
      }
      AnswerHostKeys(true);
      TickIfDue();
    }
  }
  Teardown();
}

bool X11EditorWindow::Setup() {
  mX = std::make_unique<X11Connection>();
  if (!mX->Valid()) return false;
  xcb_connection_t* c = mX->Get();
  if (mParent == 0) {
    mParent = mX->Root();
  } else {
    // A window that does not exist (any more) is refused before anything is made.
    XcbPtr<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, mParent), nullptr));
    if (!geometry) return false;
  }
  mWindow = mX->CreateWindow(mParent, 0, 0, mWidth, mHeight, kEditorEvents);
  NewPresenter();
  mKeyboard = std::make_unique<X11Keyboard>(c);
  mClipboard = std::make_unique<X11Clipboard>(*mX, mWindow);
  mTooltip = std::make_unique<X11Tooltip>(*mX);
  // Only asked when present: a request of a missing extension closes the connection.
  const xcb_query_extension_reply_t* fixesExtension = xcb_get_extension_data(c, &xcb_xfixes_id);
  if (fixesExtension && fixesExtension->present) {
    XcbPtr<xcb_xfixes_query_version_reply_t> fixes(
        xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 4, 0), nullptr));
    mHaveXFixes = fixes != nullptr;
  }
  ReadClickSettings();
  xcb_map_window(c, mWindow);
  mX->Sync();
  return mX->Alive();
}

void X11EditorWindow::Teardown() {
  mGraphics.EndInteraction();
  if (mX && mX->Valid()) {
    mGraphics.EndTextField(false);
    HideTextField();
    HideTooltip();
    if (mPresenter && mGraphics.LentMemory() &&
        mGraphics.LentMemory() == mPresenter->DirectPixels())
      mGraphics.DrawIntoMemory(nullptr, 0);
    mPresenter.reset();
    if (mWindow && !mDestroyed && mX->Alive()) xcb_destroy_window(mX->Get(), mWindow);
    if (mX->Alive()) xcb_flush(mX->Get());
  }
  mPresenter.reset();
  mTooltip.reset();
  mClipboard.reset();
  mKeyboard.reset();
  mX.reset();
  // A host still waiting for a key's answer gets "not taken".
  std::lock_guard lock(mKeyMutex);
  for (const auto& request : mKeyRequests)
    request->done = true;
  mKeyRequests.clear();
  mKeyAnswered.notify_all();
}

// The desktop's double-click time and distance, from the XSETTINGS manager
// when one runs.
void X11EditorWindow::ReadClickSettings() {
  xcb_connection_t* c = mX->Get();
  const xcb_atom_t selection = mX->Atom("_XSETTINGS_S0");
  XcbPtr<xcb_get_selection_owner_reply_t> owner(
      xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
  ClickLimits limits;
  if (owner && owner->owner != XCB_NONE) {
    const std::string bytes = mX->ReadProperty(owner->owner, mX->Atom("_XSETTINGS_SETTINGS"));
    limits = ParseClickSettings(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  }
  mClicks.SetLimits(limits.timeMs, limits.distance);
}

void X11EditorWindow::Wait(Clock::time_point deadline) {
  if (!mDeferred.empty()) return;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  const int timeout = static_cast<int>(std::clamp<long long>(left.count() + 1, 0, 1000));
  pollfd fds[2] = {{mWakeFd, POLLIN, 0}, {mX->Alive() ? mX->Fd() : -1, POLLIN, 0}};
  poll(fds, 2, timeout);
  if (fds[0].revents & POLLIN) {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = read(mWakeFd, &count, sizeof count);
  }
}

X11EditorWindow::Event X11EditorWindow::NextEvent() {
  if (!mDeferred.empty()) {
    Event event = std::move(mDeferred.front());
    mDeferred.pop_front();
    return event;
  }
  if (!mX->Alive()) return nullptr;
  return Event(xcb_poll_for_event(mX->Get()));
}

std::chrono::milliseconds X11EditorWindow::TickPeriod() const {
  return std::chrono::milliseconds(1000 / std::max(mGraphics.FPS(), 1));
}

void X11EditorWindow::TickIfDue() {
  const auto now = Clock::now();
  if (now < mNextTick) return;
  const auto period = TickPeriod() * (mQuietTicks >= kTicksBeforeQuiet ? kQuietSlowdown : 1);
  mLastTick = now;
  mNextTick += period;
  // A tick long missed (a modal helper ran) is not made up for.
  if (mNextTick < now) mNextTick = now + period;
  mQuietTicks = Tick() ? 0 : std::min(mQuietTicks + 1, kTicksBeforeQuiet);
}

void X11EditorWindow::WakeUp() {
  mQuietTicks = 0;
  mNextTick = std::min(mNextTick, mLastTick + TickPeriod());
}

bool X11EditorWindow::Tick() {
  if (mDestroyed || !mX->Alive()) return false;
  mGraphics.OnTimer(Clock::now());
  UpdateTooltip();
  if (Clock::now() >= mNextViewableCheck) CheckViewable();
  // Hidden, it draws nothing: the dirty flags wait for it to show again.
  if (!mViewable) return false;
  std::vector<IRECT> areas;
  for (const IRECT& dirty : mGraphics.DirtyAreas())
    if (const IRECT area = InvalidationRect(dirty, mGraphics.Width(), mGraphics.Height());
        !area.Empty())
      areas.push_back(area);
  if (areas.empty()) return false;
  // The server may still be reading the memory the editor draws into.
  mPresenter->WaitForServer();
  mGraphics.DrawEach(areas);
  xcb_flush(mX->Get());
  return true;
}

void X11EditorWindow::CheckViewable() {
  mNextViewableCheck = Clock::now() + kViewableCheck;
  xcb_connection_t* c = mX->Get();
  XcbPtr<xcb_get_window_attributes_reply_t> attributes(
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, mWindow), nullptr));
  mViewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

void X11EditorWindow::Present(const IRECT& area) {
  if (!mPresenter || mDestroyed || !mViewable) return;
  if (raster::Bitmap* surface = mGraphics.GetSurface()) mPresenter->Present(*surface, area);
}

// Keys the editor does not take go to the host's window, as if the editor
// were not there.
void X11EditorWindow::ShowTextField() {
  TextFieldView* field = mGraphics.GetTextField();
  if (!field || mDestroyed) return;
  xcb_connection_t* c = mX->Get();
  const IRECT& r = mGraphics.GetTextFieldRect();
  if (!mFieldWindow) {
    mFocusReturn = FocusToGiveBack();
    mFieldWindow =
        mX->CreateWindow(mWindow, r.L, r.T, field->Width(), field->Height(), kFieldEvents);
    xcb_map_window(c, mFieldWindow);
  }
  xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, mFieldWindow, XCB_CURRENT_TIME);
  DrawTextField();
}

// Where the keyboard focus goes when a field or dialog of ours lets it go:
// back where it was, or to the host's window when it was on no window in
// particular.
xcb_window_t X11EditorWindow::FocusToGiveBack() {
  xcb_connection_t* c = mX->Get();
  XcbPtr<xcb_get_input_focus_reply_t> focus(
      xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  // The root holds the focus only where it fell back when its window went
  // away: no window of anyone's had it, and the host's takes it.
  if (!focus || focus->focus == XCB_NONE || focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT ||
      focus->focus == mX->Root() || focus->focus == mWindow)
    return mParent;
  return focus->focus;
}

void X11EditorWindow::RunModal(const std::function<bool()>& done,
                               const std::function<bool(xcb_generic_event_t*)>& take) {
  while (!done() && !StopRequested() && !mDestroyed && mX->Alive()) {
    Wait(mNextTick);
    while (Event event = NextEvent()) {
      if (!take(event.get())) HandleEvent(event.get());
      WakeUp();
      if (done()) break;
    }
    // The editor keeps drawing meanwhile; keys from the host are not its.
    AnswerHostKeys(false);
    TickIfDue();
  }
}

std::pair<int, int> X11EditorWindow::RootOrigin() {
  xcb_connection_t* c = mX->Get();
  XcbPtr<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
      c, xcb_translate_coordinates(c, mWindow, mX->Root(), 0, 0), nullptr));
  return origin ? std::pair<int, int>{origin->dst_x, origin->dst_y} : std::pair<int, int>{0, 0};
}

void X11EditorWindow::DrawTextField() {
  TextFieldView* field = mGraphics.GetTextField();
  if (!field || !mFieldWindow || field->Width() <= 0 || field->Height() <= 0) return;
  raster::MemBitmap pixels(field->Width(), field->Height());
  field->Draw(pixels);
  mX->PutImage(mFieldWindow, pixels);
  xcb_flush(mX->Get());
}

void X11EditorWindow::EndTextField(bool commit) {
  mGraphics.EndTextField(commit);
  HideTextField();
}

void X11EditorWindow::HideTextField() {
  if (!mFieldWindow || !mX) return;
  xcb_connection_t* c = mX->Get();
  // The host gets its keys back: a focus left on a vanished window leaves it deaf.
  if (!mDestroyed && mFocusReturn)
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, mFocusReturn, XCB_CURRENT_TIME);
  if (!mDestroyed) xcb_destroy_window(c, mFieldWindow);
  mFieldWindow = 0;
  mFocusReturn = 0;
  xcb_flush(c);
}

int X11EditorWindow::RunDialog(const std::string& title, const std::string& message,
                               const std::vector<std::string>& buttons, std::string* field) {
  if (mDestroyed || !mX->Alive()) return -1;
  HideTooltip();
  return RunX11Dialog(*this, title, message, buttons, field);
}

IPopupMenu* X11EditorWindow::RunMenu(IPopupMenu& menu, const IRECT& area) {
  if (mDestroyed || !mX->Alive()) return nullptr;
  HideTooltip();
  return RunX11Menu(*this, menu, mGraphics.ToSurface(area));
}

void X11EditorWindow::NewPresenter() {
  // The surface leaves the old presenter's memory before that goes.
  if (mPresenter && mGraphics.LentMemory() && mGraphics.LentMemory() == mPresenter->DirectPixels())
    mGraphics.DrawIntoMemory(nullptr, 0);
  mPresenter = std::make_unique<X11Presenter>(*mX, mWindow, mWidth, mHeight);
  raster::Pixel* pixels = mPresenter->DirectPixels();
  if (pixels && mWidth == mGraphics.SurfaceWidth() && mHeight == mGraphics.SurfaceHeight())
    mGraphics.DrawIntoMemory(pixels, mWidth);
}

EditorPoint X11EditorWindow::EditorPointAt(int windowX, int windowY) const {
  return ToEditorPoint(mGraphics.FromSurface(windowX), mGraphics.FromSurface(windowY));
}

void X11EditorWindow::UpdateTooltip() {
  if (!mGraphics.TooltipsEnabled() || !mPointerInside || mTooltip->Shown() ||
      mGraphics.GetTextField() || Clock::now() - mPointerRestSince < kTooltipDelay)
    return;
  const int idx = mGraphics.GetMouseControlIdx(mPointer.x, mPointer.y, true);
  const IControl* control = mGraphics.GetControl(idx);
  if (!control || control->GetTooltip().empty() || idx == mTooltipControl) return;
  mTooltipControl = idx;
  mTooltip->Show(control->GetTooltip(), mPointerRootX, mPointerRootY, mGraphics.Scale());
}

void X11EditorWindow::HideTooltip() {
  if (mTooltip) mTooltip->Hide();
  mTooltipControl = -1;
  mPointerRestSince = Clock::now();
}

void X11EditorWindow::WriteClipboard(const std::string& text) {
  if (mDestroyed || !mX->Alive()) return;
  mClipboard->Write(text);
}

bool X11EditorWindow::ReadClipboard(std::string* text) {
  if (mDestroyed || !mX->Alive()) {
    text->clear();
    return false;
  }
  return mClipboard->Read(text, mDeferred, [this] { return StopRequested(); });
}

bool X11EditorWindow::HideCursor(int* rootX, int* rootY) {
  if (!mHaveXFixes || mDestroyed) return false;
  xcb_connection_t* c = mX->Get();
  XcbPtr<xcb_query_pointer_reply_t> pointer(
      xcb_query_pointer_reply(c, xcb_query_pointer(c, mWindow), nullptr));
  if (!pointer) return false;
  *rootX = pointer->root_x;
  *rootY = pointer->root_y;
  xcb_xfixes_hide_cursor(c, mWindow);
  xcb_flush(c);
  return true;
}

void X11EditorWindow::ShowCursor(int rootX, int rootY) {
  if (!mHaveXFixes || !mX->Alive()) return;
  xcb_connection_t* c = mX->Get();
  xcb_warp_pointer(c, XCB_NONE, mX->Root(), 0, 0, 0, 0, I16(rootX), I16(rootY));
  if (!mDestroyed) xcb_xfixes_show_cursor(c, mWindow);
  xcb_flush(c);
}

void X11EditorWindow::Resize(int width, int height) {
  mWidth = width;
  mHeight = height;
  if (mDestroyed || !mX->Alive()) return;
  const std::uint32_t size[] = {static_cast<std::uint32_t>(std::max(width, 1)),
                                static_cast<std::uint32_t>(std::max(height, 1))};
  xcb_configure_window(mX->Get(), mWindow, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                       size);
  NewPresenter();
  xcb_flush(mX->Get());
}
