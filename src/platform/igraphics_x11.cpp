#include "platform/igraphics_x11.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <vector>

#include "editor/editor_scales.h"
#include "framework/ieffect_base.h"
#include "platform/desktop.h"
#include "platform/editor_scale.h"
#include "platform/x11_editor_window.h"

namespace {

std::string Folder(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

}  // namespace

IGraphicsX11::IGraphicsX11(IEffectBase* plug, int w, int h, int fps) : IGraphics(plug, w, h, fps) {}

IGraphicsX11::~IGraphicsX11() {
  CloseWindow();
}

void* IGraphicsX11::OpenWindow(void* parent) {
  std::lock_guard lock(mWindowMutex);
  if (mWindow) {
    mWindow->Stop();
    mWindow.reset();
  }
  // The scales offered are those that fit the monitor it opens on; the
  // window's size follows from the scale.
  mParent.store(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(parent)),
                std::memory_order_relaxed);
  const ScreenArea area = ScreenAreaOf(static_cast<xcb_window_t>(mParent.load()));
  mFittingScales = ScalesThatFit(Width(), Height(), area);
  SetScale(OpeningScale(area));
  // In place before the thread starts: its first tick draws through it.
  mWindow = std::make_unique<X11EditorWindow>(
      *this, static_cast<xcb_window_t>(reinterpret_cast<std::uintptr_t>(parent)));
  if (!mWindow->Start()) {
    mWindow->Stop();
    mWindow.reset();
    return nullptr;
  }
  mOpen.store(true, std::memory_order_release);
  return GetWindow();
}

void IGraphicsX11::CloseWindow() {
  std::lock_guard lock(mWindowMutex);
  if (!mWindow) return;
  mOpen.store(false, std::memory_order_release);
  // Joined before the pointer goes: the editor thread reads it until it ends.
  mWindow->Stop();
  mWindow.reset();
}

void* IGraphicsX11::GetWindow() {
  return mWindow ? reinterpret_cast<void*>(static_cast<std::uintptr_t>(mWindow->Window()))
                 : nullptr;
}

double IGraphicsX11::OpeningScale(const ScreenArea& area) const {
  return ChooseEditorScale(mHostScale.load(std::memory_order_relaxed), DesktopScale(), Width(),
                           Height(), area);
}

void IGraphicsX11::WindowSize(int* width, int* height) {
  // Without the window mutex: a host asks under the plug-in's, and a close
  // holds the window mutex while the editor's thread may wait for the other.
  // Before it opens, the monitor is the one it opened on last, or the primary.
  const double scale = mOpen.load(std::memory_order_acquire)
                           ? Scale()
                           : OpeningScale(ScreenAreaOf(static_cast<xcb_window_t>(mParent.load())));
  *width = static_cast<int>(std::lround(Width() * scale));
  *height = static_cast<int>(std::lround(Height() * scale));
}

void IGraphicsX11::SetHostScale(double scale) {
  mHostScale.store(std::isfinite(scale) && scale > 0. ? scale : 0., std::memory_order_relaxed);
}

std::span<const double> IGraphicsX11::OfferedScales() const {
  return mFittingScales;
}

bool IGraphicsX11::FollowsDesktopScale() const {
  return !RememberedEditorScale().has_value();
}

void IGraphicsX11::ChooseScale(std::optional<double> scale) {
  RememberEditorScale(scale);
  const double chosen = OpeningScale(ScreenAreaOf(static_cast<xcb_window_t>(mParent.load())));
  if (chosen == Scale() || !mWindow) return;
  SetScale(chosen);
  mWindow->HideTextField();
  mWindow->Resize(SurfaceWidth(), SurfaceHeight());
  // The host's window follows where it can; one that cannot shows the
  // editor whole at the next opening.
  if (IEffectBase* plug = GetPlug()) plug->ResizeGraphics(SurfaceWidth(), SurfaceHeight());
}

bool IGraphicsX11::OnHostKey(int keyCode, bool down) {
  std::lock_guard lock(mWindowMutex);
  return mWindow && mWindow->HostKey(keyCode, down);
}

bool IGraphicsX11::DrawScreen(const IRECT& r) {
  if (!mWindow) return false;
  // A pixel more each way: the scaled edges round to either side.
  const IRECT area = ToSurface(r);
  mWindow->Present(IRECT(area.L - 1, area.T - 1, area.R + 1, area.B + 1));
  return true;
}

void IGraphicsX11::ForceEndUserEdit() {
  EndTextField(false);
  if (mWindow) mWindow->HideTextField();
}

void IGraphicsX11::Resize(int w, int h) {
  if (w == Width() && h == Height()) return;
  IGraphics::Resize(w, h);
  if (mWindow) {
    mWindow->HideTextField();
    mWindow->Resize(w, h);
  }
}

namespace {

// The buttons of a message box type, the default first and the cancelling
// one last, with what each answers.
struct Buttons {
  std::vector<std::string> labels;
  std::vector<int> results;
};

Buttons ButtonsOf(int type) {
  using R = IGraphicsX11::EMessageResult;
  switch (type) {
    case 1:
      return {{"OK", "Cancel"}, {R::kResultOK, R::kResultCancel}};
    case 3:
      return {{"Yes", "No", "Cancel"}, {R::kResultYes, R::kResultNo, R::kResultCancel}};
    case 4:
      return {{"Yes", "No"}, {R::kResultYes, R::kResultNo}};
    default:
      return {{"OK"}, {R::kResultOK}};
  }
}

}  // namespace

bool IGraphicsX11::HelperCancelled() {
  return mWindow && mWindow->StopRequested();
}

int IGraphicsX11::ShowMessageBox(const char* text, const char* caption, int type) {
  const Buttons buttons = ButtonsOf(type);
  if (!mWindow) return buttons.results.back();
  const std::string title = caption ? caption : "";
  const std::string message = text ? text : "";
  if (!FindProgram("zenity").empty()) {
    // The desktop's own dialog; zenity answers with its exit status, and
    // prints the label of an extra button.
    std::vector<std::string> argv = {"zenity", "--no-markup", "--title", title, "--text", message};
    if (buttons.labels.size() == 1) {
      argv.emplace_back("--info");
    } else {
      argv.insert(argv.end(), {"--question", "--ok-label", buttons.labels.front(), "--cancel-label",
                               buttons.labels.back()});
      if (buttons.labels.size() == 3)
        argv.insert(argv.end(), {"--extra-button", buttons.labels[1]});
    }
    std::string output;
    const auto status = RunAndWait(argv, &output, [this] { return HelperCancelled(); });
    if (!status) return buttons.results.back();
    if (buttons.labels.size() == 3 && output.rfind(buttons.labels[1], 0) == 0)
      return buttons.results[1];
    return *status == 0 ? buttons.results.front() : buttons.results.back();
  }
  const int chosen = mWindow->RunDialog(title, message, buttons.labels);
  return buttons.results[static_cast<std::size_t>(
      std::clamp(chosen, 0, static_cast<int>(buttons.results.size()) - 1))];
}

IPopupMenu* IGraphicsX11::CreateIPopupMenu(IPopupMenu* menu, const IRECT& area) {
  ReleaseMouseCapture();
  if (!menu || !mWindow) return nullptr;
  return mWindow->RunMenu(*menu, area);
}

void IGraphicsX11::CreateTextEntry(IControl* control, const IText& text, const IRECT& area,
                                   const char* str, IParam* param) {
  if (!mWindow || !OpenTextField(control, text, area, str, param)) return;
  mWindow->ShowTextField();
}

void IGraphicsX11::HostPath(std::string* path) {
  char buffer[4096];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  path->assign(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

void IGraphicsX11::PluginPath(std::string* path) {
  // The shared object this code was loaded from.
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&Folder), &info) && info.dli_fname) {
    char resolved[4096];
    *path = Folder(realpath(info.dli_fname, resolved) ? resolved : info.dli_fname);
  } else {
    path->clear();
  }
}

void IGraphicsX11::DesktopPath(std::string* path) {
  *path = UserFolder("DESKTOP", "Desktop");
}

void IGraphicsX11::AppSupportPath(std::string* path, bool isSystem) {
  *path = isSystem ? SystemDataFolder() : DataHomeFolder();
}

void IGraphicsX11::SandboxSafeAppSupportPath(std::string* path) {
  *path = UserFolder("MUSIC", "Music");
}

void IGraphicsX11::PromptForFile(std::string* file, EFileAction action, std::string* dir,
                                 const char* extensions) {
  if (!mWindow) {
    file->clear();
    return;
  }
  if (dir->empty()) *dir = WithSlash(UserFolder("DESKTOP", "Desktop"));
  std::string chosen = WithSlash(*dir) + *file;
  // "fxp fxb" -> "*.fxp *.fxb", for the helper's filter and the dialog's message.
  std::istringstream words(extensions ? extensions : "");
  std::string patterns;
  for (std::string extension; words >> extension;)
    patterns += (patterns.empty() ? "*." : " *.") + extension;
  bool confirmed = false;
  if (!FindProgram("zenity").empty()) {
    std::vector<std::string> argv = {"zenity", "--file-selection", "--filename", chosen};
    if (action == kFileSave) argv.insert(argv.end(), {"--save", "--confirm-overwrite"});
    if (!patterns.empty()) argv.insert(argv.end(), {"--file-filter", patterns});
    std::string output;
    const auto status = RunAndWait(argv, &output, [this] { return HelperCancelled(); });
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r'))
      output.pop_back();
    confirmed = status && *status == 0 && !output.empty();
    chosen = output;
  } else {
    std::string message = action == kFileSave ? "Save as:" : "Open the file:";
    if (!patterns.empty()) message += "\n(" + patterns + ")";
    const std::string button = action == kFileSave ? "Save" : "Open";
    confirmed = mWindow->RunDialog(button, message, {button, "Cancel"}, &chosen) == 0 &&
                !chosen.empty() && chosen.back() != '/';
  }
  if (!confirmed) {
    file->clear();
    return;
  }
  *file = chosen;
  *dir = Folder(chosen);
}

bool IGraphicsX11::OpenURL(const char* url, const char* /*errMsgOnFailure*/,
                           const char* /*windowTitle*/, const char* /*confirmMsg*/) {
  if (!url || !*url) return false;
  return SpawnDetached({"xdg-open", OpenerArgument(url)});
}

bool IGraphicsX11::GetTextFromClipboard(std::string* text) {
  if (!mWindow) {
    text->clear();
    return false;
  }
  return mWindow->ReadClipboard(text);
}

void IGraphicsX11::SetTextInClipboard(const std::string& text) {
  if (mWindow) mWindow->WriteClipboard(text);
}

void IGraphicsX11::HideMouseCursor() {
  if (mCursorHidden || !mWindow) return;
  if (mWindow->HideCursor(&mHiddenCursorX, &mHiddenCursorY)) mCursorHidden = true;
}

void IGraphicsX11::ShowMouseCursor() {
  if (!mCursorHidden || !mWindow) return;
  mWindow->ShowCursor(mHiddenCursorX, mHiddenCursorY);
  mCursorHidden = false;
}

void IGraphicsX11::UpdateTooltips() {
  // Tooltips are looked up when the pointer rests; registering areas is
  // nothing more than dropping the one on show.
  if (mWindow) mWindow->HideTooltip();
}
