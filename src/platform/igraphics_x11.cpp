#include "platform/igraphics_x11.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <sstream>

#include "editor/resources.h"
#include "platform/desktop.h"
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
  // In place before the thread starts: its first tick draws through it.
  mWindow = std::make_unique<X11EditorWindow>(
      *this, static_cast<xcb_window_t>(reinterpret_cast<std::uintptr_t>(parent)));
  if (!mWindow->Start()) {
    mWindow->Stop();
    mWindow.reset();
    return nullptr;
  }
  return GetWindow();
}

void IGraphicsX11::CloseWindow() {
  std::lock_guard lock(mWindowMutex);
  if (!mWindow) return;
  // Joined before the pointer goes: the editor thread reads it until it ends.
  mWindow->Stop();
  mWindow.reset();
}

void* IGraphicsX11::GetWindow() {
  return mWindow ? reinterpret_cast<void*>(static_cast<std::uintptr_t>(mWindow->Window()))
                 : nullptr;
}

bool IGraphicsX11::OnHostKey(int keyCode, bool down) {
  std::lock_guard lock(mWindowMutex);
  return mWindow && mWindow->HostKey(keyCode, down);
}

bool IGraphicsX11::DrawScreen(const IRECT& r) {
  if (!mWindow) return false;
  mWindow->Present(r);
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

int IGraphicsX11::ShowMessageBox(const char* text, const char* caption, int type) {
  std::vector<std::string> argv = {"zenity", "--no-markup",   "--title", caption ? caption : "",
                                   "--text", text ? text : ""};
  switch (type) {
    case 1:
      argv.insert(argv.end(), {"--question", "--ok-label", "OK", "--cancel-label", "Cancel"});
      break;
    case 3:
      argv.insert(argv.end(), {"--question", "--ok-label", "Yes", "--cancel-label", "Cancel",
                               "--extra-button", "No"});
      break;
    case 4:
      argv.insert(argv.end(), {"--question", "--ok-label", "Yes", "--cancel-label", "No"});
      break;
    default:
      argv.insert(argv.end(), {"--info"});
      break;
  }
  std::string output;
  const auto status =
      RunAndWait(argv, &output, [this] { return mWindow && mWindow->StopRequested(); });
  if (!status) return type == 0 ? kResultOK : kResultCancel;
  if (output.rfind("No", 0) == 0) return kResultNo;
  const bool confirmed = *status == 0;
  switch (type) {
    case 1:
      return confirmed ? kResultOK : kResultCancel;
    case 3:
      return confirmed ? kResultYes : kResultCancel;
    case 4:
      return confirmed ? kResultYes : kResultNo;
    default:
      return kResultOK;
  }
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
  std::vector<std::string> argv = {"zenity", "--file-selection", "--filename",
                                   WithSlash(*dir) + *file};
  if (action == kFileSave) argv.insert(argv.end(), {"--save", "--confirm-overwrite"});
  std::istringstream words(extensions ? extensions : "");
  std::string patterns;
  for (std::string extension; words >> extension;)
    patterns += (patterns.empty() ? "*." : " *.") + extension;
  if (!patterns.empty()) argv.insert(argv.end(), {"--file-filter", patterns});
  std::string output;
  const auto status =
      RunAndWait(argv, &output, [this] { return mWindow && mWindow->StopRequested(); });
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r'))
    output.pop_back();
  if (!status || *status != 0 || output.empty()) {
    file->clear();
    return;
  }
  *file = output;
  *dir = Folder(output);
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

std::unique_ptr<raster::Bitmap> IGraphicsX11::OSLoadBitmap(int /*id*/, const char* name) {
  return LoadImageResource(name);
}
