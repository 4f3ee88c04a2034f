// An editor surface without a window system: it draws into memory, and the
// caller plays the platform's part, sending the mouse and keys, answering
// the popup menu and typing into the text field. For tests, and for anything
// that wants an editor's pixels without a display.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/editor_scales.h"
#include "editor/igraphics.h"
#include "editor/popup_menu_view.h"
#include "raster/mem_bitmap.h"

class IGraphicsHeadless : public IGraphics {
 public:
  using IGraphics::IGraphics;
  ~IGraphicsHeadless() override;

  // One redraw tick as a platform's timer runs it: collect the dirty area and
  // draw it. The area drawn, empty when nothing was dirty.
  IRECT Tick();
  // The surface as presented, with the open text field and menu on top.
  std::unique_ptr<raster::MemBitmap> Snapshot();

  // Plays the user while a popup menu is open: it gets the session (root
  // view at the area's bottom-left, 4 pixels down) and sends it events; a
  // menu still open when it returns is dismissed. Without one, every menu is
  // dismissed.
  void SetMenuDriver(std::function<void(PopupMenuSession&)> driver) {
    mMenuDriver = std::move(driver);
  }
  // The file the next file dialog chooses (empty: cancelled).
  void SetFileToChoose(std::string file) { mFileToChoose = std::move(file); }
  // What OpenURL answers, and the addresses it was asked to open.
  void SetOpenURLResult(bool opened) { mOpenURLResult = opened; }
  const std::vector<std::string>& OpenedURLs() const { return mOpenedURLs; }

  bool DrawScreen(const IRECT& r) override;
  void ForceEndUserEdit() override;
  const char* GetGUIAPI() override { return "Headless"; }
  std::span<const double> OfferedScales() const override { return kEditorScales; }
  int ShowMessageBox(const char* text, const char* caption, int type) override;
  IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, const IRECT& area) override;
  void CreateTextEntry(IControl* control, const IText& text, const IRECT& area, const char* str,
                       IParam* param) override;
  void HostPath(std::string* path) override { path->clear(); }
  void PluginPath(std::string* path) override { path->clear(); }
  void DesktopPath(std::string* path) override { path->clear(); }
  void AppSupportPath(std::string* path, bool /*isSystem*/) override { path->clear(); }
  void SandboxSafeAppSupportPath(std::string* path) override { path->clear(); }
  void PromptForFile(std::string* file, EFileAction action, std::string* dir,
                     const char* extensions) override;
  bool PromptForColor(IColor* /*color*/, const char* /*prompt*/) override { return false; }
  bool OpenURL(const char* url, const char* errMsgOnFailure, const char* windowTitle,
               const char* confirmMsg) override;
  void* OpenWindow(void* parent) override;
  using IGraphics::OpenWindow;
  void CloseWindow() override;
  void* GetWindow() override { return mOpen ? this : nullptr; }
  bool GetTextFromClipboard(std::string* text) override;
  void SetTextInClipboard(const std::string& text) override { mClipboard = text; }
  void UpdateTooltips() override {}

 private:
  bool mOpen = false;
  std::function<void(PopupMenuSession&)> mMenuDriver;
  PopupMenuSession* mOpenMenu = nullptr;
  std::string mFileToChoose;
  bool mOpenURLResult = true;
  std::vector<std::string> mOpenedURLs;
  std::string mClipboard;
};
