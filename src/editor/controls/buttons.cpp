#include "editor/controls/buttons.h"

#include <algorithm>

#include "editor/controls/control_math.h"

IInvisibleSwitchControl::IInvisibleSwitchControl(IEffectBase* plug, IRECT rect, int paramIdx)
    : IControl(plug, rect, paramIdx, {kBlendClobber, 1.0f}) {}

void IInvisibleSwitchControl::OnMouseDown(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) {
  SetValue(GetValue() < 0.5 ? 1.0 : 0.0);
  SetDirty(true);
}

IRadioButtonsControl::IRadioButtonsControl(IEffectBase* plug, IRECT rect, int paramIdx,
                                           int nButtons, const IBitmap& bitmap,
                                           EDirection direction, bool reverse)
    : IControl(plug, rect, paramIdx), mBitmap(bitmap) {
  const int n = std::max(nButtons, 1);
  const int w = bitmap.W;
  const int h = bitmap.H / bitmap.N;
  // With one button there is no gap to spread.
  const auto gap = [n](int room) {
    return n > 1 ? static_cast<int>(static_cast<double>(room) / (n - 1)) : 0;
  };
  if (direction == kHorizontal) {
    const int g = gap(rect.W() - n * w);
    for (int i = 0; i < n; ++i) {
      const int x = reverse ? rect.R - w - i * (w + g) : rect.L + i * (w + g);
      mRects.emplace_back(x, rect.T, x + w, rect.T + h);
    }
  } else {
    const int g = gap(rect.H() - n * h);
    for (int i = 0; i < n; ++i) {
      const int y = reverse ? rect.B - h - i * (h + g) : rect.T + i * (h + g);
      mRects.emplace_back(rect.L, y, rect.L + w, y + h);
    }
  }
}

void IRadioButtonsControl::OnMouseDown(int x, int y, const IMouseMod& mod) {
  if (mod.Right) {
    PromptUserInput();
    return;
  }
  if (const auto value = PickValue(mRects, x, y)) SetValue(*value);
  SetDirty(true);
}

bool IRadioButtonsControl::Draw(IGraphics* graphics) {
  const int n = static_cast<int>(mRects.size());
  const int active = FrameForValue(GetValue(), n) - 1;
  for (int i = 0; i < n; ++i)
    graphics->DrawBitmap(mBitmap, mRects[static_cast<std::size_t>(i)], i == active ? 2 : 1,
                         &mBlend);
  return true;
}

IURLControl::IURLControl(IEffectBase* plug, IRECT rect, const char* url, const char* backupURL,
                         const char* errMsgOnFailure)
    : IControl(plug, rect),
      mURL(url ? url : ""),
      mBackupURL(backupURL ? backupURL : ""),
      mErrMsg(errMsgOnFailure ? errMsgOnFailure : "") {}

void IURLControl::OnMouseDown(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) {
  if (!mGraphics) return;
  bool opened = false;
  if (!mURL.empty()) opened = mGraphics->OpenURL(mURL.c_str(), mErrMsg.c_str());
  if (!opened && !mBackupURL.empty()) mGraphics->OpenURL(mBackupURL.c_str(), mErrMsg.c_str());
}

IFileSelectorControl::IFileSelectorControl(IEffectBase* plug, IRECT rect, int paramIdx,
                                           const IBitmap& bitmap, EFileAction action,
                                           const char* dir, const char* extensions)
    : IControl(plug, rect, paramIdx),
      mBitmap(bitmap),
      mDir(dir ? dir : ""),
      mExtensions(extensions ? extensions : ""),
      mFileAction(action) {}

void IFileSelectorControl::OnMouseDown(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) {
  if (!mPlug || !mGraphics) return;
  mState = kFSSelecting;
  SetDirty(false);
  mGraphics->PromptForFile(&mFile, mFileAction, &mDir, mExtensions.c_str());
  double value = GetValue() + 1.0;
  if (value > 1.0) value = 0.0;
  SetValue(value);
  mState = kFSDone;
  SetDirty(true);
}

bool IFileSelectorControl::Draw(IGraphics* graphics) {
  if (mState != kFSSelecting) return true;
  return graphics->DrawBitmap(mBitmap, mRect, 0, 0, nullptr);
}

bool IFileSelectorControl::IsDirty() {
  if (IControl::IsDirty()) return true;
  if (mState == kFSDone) {
    mState = kFSNone;
    return true;
  }
  return false;
}
