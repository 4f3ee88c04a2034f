// Controls that toggle, pick or act on a press: an invisible switch, radio
// buttons, a link and a file selector.
#pragma once

#include <string>
#include <vector>

#include "editor/icontrol.h"
#include "editor/igraphics.h"

// Toggles between 0 and 1 and draws nothing.
class IInvisibleSwitchControl : public IControl {
 public:
  IInvisibleSwitchControl(IEffectBase* plug, IRECT rect, int paramIdx);

  void OnMouseDown(int x, int y, const IMouseMod& mod) override;
  bool Draw(IGraphics* /*graphics*/) override { return true; }
};

// Buttons laid out in the rectangle, one of them on; the bitmap holds the
// off and on frames stacked.
class IRadioButtonsControl : public IControl {
 public:
  IRadioButtonsControl(IEffectBase* plug, IRECT rect, int paramIdx, int nButtons,
                       const IBitmap& bitmap, EDirection direction = kVertical,
                       bool reverse = false);

  void OnMouseDown(int x, int y, const IMouseMod& mod) override;
  bool Draw(IGraphics* graphics) override;
  const std::vector<IRECT>& GetButtonRects() const { return mRects; }

 protected:
  std::vector<IRECT> mRects;
  IBitmap mBitmap;
};

// Opens a web address, or a backup one when that fails.
class IURLControl : public IControl {
 public:
  IURLControl(IEffectBase* plug, IRECT rect, const char* url, const char* backupURL = nullptr,
              const char* errMsgOnFailure = nullptr);

  void OnMouseDown(int x, int y, const IMouseMod& mod) override;
  bool Draw(IGraphics* /*graphics*/) override { return true; }

 protected:
  std::string mURL;
  std::string mBackupURL;
  std::string mErrMsg;
};

// A press opens the platform's file dialog; the bitmap shows while it runs.
class IFileSelectorControl : public IControl {
 public:
  enum EFileSelectorState { kFSNone = 0, kFSSelecting = 1, kFSDone = 2 };

  IFileSelectorControl(IEffectBase* plug, IRECT rect, int paramIdx, const IBitmap& bitmap,
                       EFileAction action, const char* dir = "", const char* extensions = "");

  void OnMouseDown(int x, int y, const IMouseMod& mod) override;
  bool Draw(IGraphics* graphics) override;
  bool IsDirty() override;

  void GetLastSelectedFileForPlug(std::string* file) const { *file = mFile; }
  void SetLastSelectedFileFromPlug(const char* file) { mFile = file ? file : ""; }

 protected:
  IBitmap mBitmap;
  std::string mDir;
  std::string mFile;
  std::string mExtensions;
  EFileAction mFileAction;
  EFileSelectorState mState = kFSNone;
};
