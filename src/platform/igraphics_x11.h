// The editor on X11: IGraphics with a window inside the host's, run by a
// thread of its own per open window (see X11EditorWindow), and the
// desktop's services for the controls: clipboard, URLs, folders, dialogs.
//
// A plug-in makes it as its editor surface and hands it to the framework:
//   auto graphics = std::make_unique<IGraphicsX11>(this, width, height, fps);
//   ... attach the background and the controls ...
//   AttachGraphics(std::move(graphics));
// effEditOpen then passes the host's window (an XID in the pointer) to
// OpenWindow, effEditClose calls CloseWindow.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "editor/editor_scales.h"
#include "editor/igraphics.h"
#include "platform/editor_scale.h"

class X11EditorWindow;

class IGraphicsX11 : public IGraphics {
 public:
  IGraphicsX11(IEffectBase* plug, int w, int h, int fps = 0);  // editor
  ~IGraphicsX11() override;                                    // host

  // Opens the editor as a child of the X window the pointer carries (the
  // root window when it is null), closing an open one first; the new
  // window's XID as a pointer, null when it could not be made.
  void* OpenWindow(void* parent) override;  // host
  using IGraphics::OpenWindow;
  // Stops the editor's thread and takes its window away; returns once the
  // thread has ended.
  void CloseWindow() override;                             // host
  void* GetWindow() override;                              // any
  bool OnHostKey(int keyCode, bool down) override;         // host
  void WindowSize(int* width, int* height) override;       // host
  void SetHostScale(double scale) override;                // host
  std::span<const double> OfferedScales() const override;  // editor
  bool FollowsDesktopScale() const override;               // editor
  void ChooseScale(std::optional<double> scale) override;  // editor

  bool DrawScreen(const IRECT& r) override;
  void ForceEndUserEdit() override;
  void Resize(int w, int h) override;
  const char* GetGUIAPI() override { return "X11"; }
  int ShowMessageBox(const char* text, const char* caption, int type) override;
  IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, const IRECT& area) override;
  void CreateTextEntry(IControl* control, const IText& text, const IRECT& area, const char* str,
                       IParam* param) override;
  void HostPath(std::string* path) override;
  void PluginPath(std::string* path) override;
  void DesktopPath(std::string* path) override;
  void AppSupportPath(std::string* path, bool isSystem = false) override;
  void SandboxSafeAppSupportPath(std::string* path) override;
  void PromptForFile(std::string* file, EFileAction action, std::string* dir,
                     const char* extensions) override;
  bool PromptForColor(IColor* /*color*/, const char* /*prompt*/) override { return false; }
  bool OpenURL(const char* url, const char* errMsgOnFailure = nullptr,
               const char* windowTitle = nullptr, const char* confirmMsg = nullptr) override;
  bool GetTextFromClipboard(std::string* text) override;
  void SetTextInClipboard(const std::string& text) override;
  void HideMouseCursor() override;
  void ShowMouseCursor() override;
  void UpdateTooltips() override;

  // Message box answers.
  enum EMessageResult : int { kResultOK = 1, kResultCancel = 2, kResultYes = 6, kResultNo = 7 };

 private:
  // A dialog helper ends early when the window is closing.
  bool HelperCancelled();
  // The scale the editor would open at now on that monitor.
  double OpeningScale(const ScreenArea& area) const;

  std::mutex mWindowMutex;  // opening and closing, from host threads
  std::unique_ptr<X11EditorWindow> mWindow;
  std::atomic<double> mHostScale{0.};
  std::atomic<bool> mOpen{false};
  std::atomic<std::uint32_t> mParent{0};  // the host's window it opened in last
  // The scales that fit that window's monitor; made before the editor's
  // thread starts, read by it.
  std::vector<double> mFittingScales{kEditorScales.begin(), kEditorScales.end()};
};
