#include "editor/igraphics.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <string>

#include "editor/controls/bitmap_controls.h"
#include "editor/controls/panel_control.h"
#include "framework/ieffect_base.h"
#include "raster/external_bitmap.h"

IGraphics::IGraphics(IEffectBase* plug, int w, int h, int fps)
    : mPlug(plug), mWidth(w), mHeight(h), mFPS(fps > 0 ? fps : 25) {}

IGraphics::~IGraphics() {
  mTextField.reset();
  mKeyCatcher.reset();
  while (!mControls.empty())
    mControls.pop_back();
}

void IGraphics::PrepDraw() {
  // Its pixels come cleared, when first drawn or shown: a closed editor costs
  // no pixel memory.
  mSurface = std::make_unique<raster::SysBitmap>(SurfaceWidth(), SurfaceHeight());
  mLentMemory = nullptr;
  mScratch = std::make_unique<raster::MemBitmap>();
}

void IGraphics::DrawIntoMemory(raster::Pixel* bits, int rowSpan) {
  ExpectThread(ThreadRole::kEditor);
  mLentMemory = bits;
  if (bits) {
    mSurface =
        std::make_unique<raster::ExternalBitmap>(bits, SurfaceWidth(), SurfaceHeight(), rowSpan);
  } else {
    mSurface = std::make_unique<raster::SysBitmap>(SurfaceWidth(), SurfaceHeight());
  }
  SetAllControlsDirty();
}

void IGraphics::SetScale(double scale) {
  ExpectThread(ThreadRole::kEditor);
  scale = std::clamp(scale, 0.5, 4.);
  if (scale == Scale() && mSurface) return;
  EndTextField(false);
  mScale.store(scale, std::memory_order_relaxed);
  PrepDraw();
  SetAllControlsDirty();
}

int IGraphics::SurfaceWidth() const {
  return static_cast<int>(std::lround(mWidth * Scale()));
}

int IGraphics::SurfaceHeight() const {
  return static_cast<int>(std::lround(mHeight * Scale()));
}

IRECT IGraphics::ToSurface(const IRECT& r) const {
  const double s = Scale();
  if (s == 1.) return r;
  const auto at = [s](int v) { return static_cast<int>(std::lround(v * s)); };
  return IRECT(at(r.L), at(r.T), at(r.R), at(r.B));
}

int IGraphics::FromSurface(int pixel) const {
  return static_cast<int>(std::floor(pixel / Scale()));
}

IRECT IGraphics::FromSurface(const IRECT& r) const {
  const double s = Scale();
  const auto at = [s](int v) { return static_cast<int>(std::lround(v / s)); };
  return IRECT(at(r.L), at(r.T), at(r.R), at(r.B));
}

raster::Pixel* IGraphics::GetBits() {
  return mSurface ? mSurface->getBits() : nullptr;
}

void IGraphics::Resize(int w, int h) {
  // The audio and host threads push values into the controls while they hold
  // the plug-in's mutex; the list must not change under them, nor while the
  // plug-in rebuilds it.
  std::unique_lock<PlugMutex> lock;
  if (mPlug) lock = std::unique_lock(mPlug->mMutex);
  EndTextField(false);
  mWidth = w;
  mHeight = h;
  ReleaseMouseCapture();
  mMouseOverIdx = -1;
  while (!mControls.empty())
    mControls.pop_back();
  mSurface.reset();
  mScratch.reset();
  PrepDraw();
  if (mPlug) mPlug->ResizeGraphics(SurfaceWidth(), SurfaceHeight());
}

int IGraphics::AttachControl(std::unique_ptr<IControl> control) {
  control->SetGUI(this);
  mControls.push_back(std::move(control));
  return NControls() - 1;
}

void IGraphics::AttachBackground(int id, const char* name) {
  const IBitmap bitmap = LoadIBitmap(id, name, 1, false);
  auto background = std::make_unique<IBitmapControl>(mPlug, 0, 0, -1, bitmap, kBlendClobber);
  background->SetGUI(this);
  mControls.insert(mControls.begin(), std::move(background));
}

void IGraphics::AttachPanelBackground(const IColor& color) {
  auto background = std::make_unique<IPanelControl>(mPlug, IRECT(0, 0, mWidth, mHeight), color);
  background->SetGUI(this);
  mControls.insert(mControls.begin(), std::move(background));
}

void IGraphics::AttachKeyCatcher(std::unique_ptr<IControl> control) {
  if (control) control->SetGUI(this);
  mKeyCatcher = std::move(control);
}

IControl* IGraphics::GetControl(int idx) {
  if (idx < 0 || idx >= NControls()) return nullptr;
  return mControls[static_cast<std::size_t>(idx)].get();
}

void IGraphics::HideControl(int paramIdx, bool hide) {
  for (const auto& control : mControls)
    if (control->ParamIdx() == paramIdx) control->Hide(hide);
}

void IGraphics::GrayOutControl(int paramIdx, bool gray) {
  for (const auto& control : mControls)
    if (control->ParamIdx() == paramIdx) control->GrayOut(gray);
}

void IGraphics::ClampControl(int paramIdx, double lo, double hi, bool normalized) {
  if (!normalized) {
    if (!mPlug || !mPlug->IsValidParamIdx(paramIdx)) return;
    const IParam* param = mPlug->GetParam(paramIdx);
    lo = param->GetNormalized(lo);
    hi = param->GetNormalized(hi);
  }
  for (const auto& control : mControls)
    if (control->ParamIdx() == paramIdx) control->Clamp(lo, hi);
}

void IGraphics::SetParameterFromPlug(int paramIdx, double value, bool normalized) {
  if (!normalized) {
    if (!mPlug || !mPlug->IsValidParamIdx(paramIdx)) return;
    value = mPlug->GetParam(paramIdx)->GetNormalized(value);
  }
  for (const auto& control : mControls) {
    if (control->ParamIdx() == paramIdx) control->SetValueFromPlug(value);
    if (const int aux = control->AuxParamIdx(paramIdx); aux >= 0)
      control->SetAuxParamValueFromPlug(aux, value);
  }
}

void IGraphics::SetParameterFromGUI(int paramIdx, double normalizedValue) {
  for (const auto& control : mControls)
    if (control->ParamIdx() == paramIdx) control->SetValueFromUserInput(normalizedValue);
}

void IGraphics::SetControlFromPlug(int controlIdx, double normalizedValue) {
  if (IControl* control = GetControl(controlIdx)) control->SetValueFromPlug(normalizedValue);
}

void IGraphics::SetAllControlsDirty() {
  for (const auto& control : mControls)
    control->SetDirty(false);
}

void IGraphics::AssignParamNameToolTips() {
  for (const auto& control : mControls)
    if (const IParam* param = control->GetParam()) control->SetTooltip(param->GetNameForHost());
}

void IGraphics::SetStrictDrawing(bool strict) {
  mStrictDrawing = strict;
  SetAllControlsDirty();
}

const std::string* IGraphics::GetTooltipForMouseOver() {
  const IControl* control = GetControl(mMouseOverIdx);
  return control ? &control->GetTooltip() : nullptr;
}

bool IGraphics::IsDirty(IRECT* r) {
  bool dirty = false;
  for (const auto& control : mControls) {
    if (!control->IsDirty()) continue;
    *r = r->Union(control->GetRECT());
    dirty = true;
  }
  mReadout.Refresh();
  if (!mReadout.ChangedArea().Empty()) {
    *r = r->Union(mReadout.ChangedArea());
    dirty = true;
  }
  return dirty;
}

std::vector<IRECT> IGraphics::DirtyAreas() {
  std::vector<IRECT> areas;
  mReadout.Refresh();
  std::vector<IRECT> changed;
  for (const auto& control : mControls)
    if (control->IsDirty()) changed.push_back(control->DirtyArea());
  if (!mReadout.ChangedArea().Empty()) changed.push_back(mReadout.ChangedArea());
  for (IRECT area : changed) {
    // Areas that overlap become one, which may then overlap another.
    for (bool merged = true; merged;) {
      merged = false;
      for (auto it = areas.begin(); it != areas.end(); ++it) {
        if (!it->Intersects(area)) continue;
        area = area.Union(*it);
        areas.erase(it);
        merged = true;
        break;
      }
    }
    areas.push_back(area);
  }
  return areas;
}

bool IGraphics::Draw(const IRECT& r) {
  ExpectThread(ThreadRole::kEditor);
  if (mControls.empty()) return true;
  if (mStrictDrawing) {
    mDrawRect = r;
    for (const auto& control : mControls)
      if (!control->IsHidden() && control->GetRECT().Intersects(mDrawRect)) control->Draw(this);
    DrawReadout(r);
    for (const auto& control : mControls)
      control->SetClean();
  } else {
    IControl* background = mControls.front().get();
    // The readout lies over controls of its own choosing: a change of it
    // redraws everything in this older way of drawing.
    if (!mReadout.ChangedArea().Empty()) background->SetDirty(false);
    if (background->IsDirty()) {
      mDrawRect = background->GetRECT();
      for (std::size_t i = 0; i < mControls.size(); ++i) {
        IControl* control = mControls[i].get();
        if (i > 0 && control->IsHidden()) continue;
        control->Draw(this);
        control->SetClean();
      }
      DrawReadout(mDrawRect);
    } else {
      for (std::size_t j = 1; j < mControls.size(); ++j) {
        IControl* dirty = mControls[j].get();
        if (!dirty->IsDirty()) continue;
        mDrawRect = dirty->GetRECT();
        for (std::size_t k = 0; k < mControls.size(); ++k) {
          IControl* control = mControls[k].get();
          if (control->IsHidden()) continue;
          if (k == j || control->GetRECT().Intersects(mDrawRect)) control->Draw(this);
        }
        DrawReadout(mDrawRect);
        dirty->SetClean();
      }
    }
  }
  return DrawScreen(r);
}

bool IGraphics::DrawEach(std::span<const IRECT> areas) {
  ExpectThread(ThreadRole::kEditor);
  if (areas.empty() || mControls.empty()) return true;
  if (!mStrictDrawing) {
    IRECT all;
    for (const IRECT& area : areas)
      all = all.Union(area);
    return Draw(all);
  }
  bool shown = true;
  for (const IRECT& area : areas) {
    mDrawRect = area;
    // What an opaque control covers is not drawn beneath it. A platform
    // grows the dirty area by a pixel right and below: that row and column,
    // where no dirty control lies (else the areas would have merged), have
    // not changed.
    std::size_t first = 0;
    for (std::size_t i = 0; i < mControls.size(); ++i) {
      const IControl& control = *mControls[i];
      const IRECT& r = control.GetRECT();
      if (!control.IsHidden() && control.IsOpaque() && r.L <= area.L && r.T <= area.T &&
          r.R + 1 >= area.R && r.B + 1 >= area.B)
        first = i;
    }
    for (std::size_t i = first; i < mControls.size(); ++i) {
      IControl& control = *mControls[i];
      if (!control.IsHidden() && control.GetRECT().Intersects(mDrawRect)) control.Draw(this);
    }
    DrawReadout(area);
    shown = DrawScreen(area) && shown;
  }
  // Every dirty control lay in one of the areas.
  for (const auto& control : mControls)
    control->SetClean();
  return shown;
}

void IGraphics::DrawReadout(const IRECT& area) {
  if (mReadout.Shown() && mReadout.Area().Intersects(area)) {
    mDrawRect = area;
    mReadout.Draw(*this);
  }
  mReadout.DrawnOver(area);
}

int IGraphics::GetMouseControlIdx(int x, int y, bool mouseOver) {
  if (mCaptureIdx >= 0) return mCaptureIdx;
  for (int i = NControls() - 1; i >= 0; --i) {
    IControl* control = mControls[static_cast<std::size_t>(i)].get();
    if (control->IsHidden() || !control->IsHit(x, y)) continue;
    if (!control->IsGrayed() || (mouseOver && control->GetMOWhenGrayed())) return i;
  }
  return -1;
}

void IGraphics::ReleaseMouseCapture() {
  mCaptureIdx = -1;
  mMouseX = mMouseY = -1;
}

void IGraphics::BeginGesture(const IControl& control) {
  EndGesture();
  if (const int paramIdx = control.ParamIdx(); paramIdx >= 0 && mPlug) {
    mPlug->BeginInformHostOfParamChange(paramIdx);
    mGestureParamIdx = paramIdx;
  }
}

void IGraphics::EndGesture() {
  mWheelGestureUntil.reset();
  if (mGestureParamIdx < 0) return;
  if (mPlug) mPlug->EndInformHostOfParamChange(mGestureParamIdx);
  mGestureParamIdx = -1;
  if (mMemory) mMemory->GestureEnded();
}

void IGraphics::SetInGesture(IControl& control, double normalized) {
  if (mGestureParamIdx >= 0 && mGestureParamIdx == control.ParamIdx() && !mWheelGestureUntil) {
    control.SetValueFromUserInput(normalized);
    return;
  }
  BeginGesture(control);
  control.SetValueFromUserInput(normalized);
  EndGesture();
}

void IGraphics::EndInteraction() {
  ReleaseMouseCapture();
  EndGesture();
  mReadout.Show(nullptr);
}

void IGraphics::OnTimer(std::chrono::steady_clock::time_point now) {
  if (mWheelGestureUntil && now >= *mWheelGestureUntil) EndGesture();
  if (mMemory) mMemory->Tick(mGestureParamIdx >= 0);
  OnGUIIdle();
  if (mPlug) mPlug->OnEditorTick();
}

void IGraphics::EnableSettingsMemory() {
  if (mPlug && !mMemory) mMemory = std::make_unique<SettingsMemory>(*mPlug, *this);
}

bool IGraphics::OnShortcut(char letter, bool shift) {
  ExpectThread(ThreadRole::kEditor);
  if (!mMemory || GetControl(mCaptureIdx)) return false;
  if (letter == 'z' && !shift) {
    mMemory->Undo();
    return true;
  }
  if ((letter == 'z' && shift) || letter == 'y') {
    mMemory->Redo();
    return true;
  }
  return false;
}

void IGraphics::OnMouseDown(int x, int y, const IMouseMod& mod) {
  ExpectThread(ThreadRole::kEditor);
  ReleaseMouseCapture();
  // A press whose release never came (the pointer left the window, a menu
  // took it) still closes its gesture before the next one begins.
  EndGesture();
  const int idx = GetMouseControlIdx(x, y);
  IControl* control = GetControl(idx);
  if (!control) return;
  if (idx == 0 && mod.Right && !OfferedScales().empty()) {
    OpenScaleMenu(x, y);
    return;
  }
  mCaptureIdx = idx;
  mMouseX = x;
  mMouseY = y;
  if (control->ParamIdx() >= 0) mFocusIdx = idx;
  BeginGesture(*control);
  FollowWithReadout(x, y);
  control->OnMouseDown(x, y, mod);
}

void IGraphics::OpenScaleMenu(int x, int y) {
  IPopupMenu menu;
  const std::span<const double> scales = OfferedScales();
  const bool following = FollowsDesktopScale();
  for (const double scale : scales) {
    const std::string label = std::to_string(static_cast<int>(std::lround(scale * 100.))) + "%";
    menu.AddItem(label.c_str(), -1, !following && scale == Scale() ? IPopupMenuItem::kChecked : 0);
  }
  menu.AddSeparator();
  menu.AddItem("Follow the desktop", -1, following ? IPopupMenuItem::kChecked : 0);
  const IPopupMenu* chosen = CreateIPopupMenu(&menu, IRECT(x, y, x, y));
  if (!chosen) return;
  const int item = chosen->GetChosenItemIdx();
  if (item >= 0 && item < static_cast<int>(scales.size())) {
    ChooseScale(scales[static_cast<std::size_t>(item)]);
  } else if (item == menu.GetNItems() - 1) {
    ChooseScale(std::nullopt);
  }
}

void IGraphics::ChooseScale(std::optional<double> scale) {
  if (scale) SetScale(*scale);
}

void IGraphics::OnMouseUp(int x, int y, const IMouseMod& mod) {
  ExpectThread(ThreadRole::kEditor);
  IControl* control = GetControl(GetMouseControlIdx(x, y));
  ReleaseMouseCapture();
  if (control) control->OnMouseUp(x, y, mod);
  EndGesture();
  FollowWithReadout(x, y);
}

void IGraphics::OnMouseDrag(int x, int y, const IMouseMod& mod) {
  ExpectThread(ThreadRole::kEditor);
  IControl* control = GetControl(mCaptureIdx);
  if (!control) return;
  const int dX = x - mMouseX;
  const int dY = y - mMouseY;
  if (dX == 0 && dY == 0) return;
  mMouseX = x;
  mMouseY = y;
  control->OnMouseDrag(x, y, dX, dY, mod);
}

bool IGraphics::OnMouseDblClick(int x, int y, const IMouseMod& mod) {
  ExpectThread(ThreadRole::kEditor);
  ReleaseMouseCapture();
  EndGesture();
  if (mReadoutsEnabled && mReadout.TakesEntryAt(x, y)) {
    PromptForValue(mReadout.Shown());
    return false;
  }
  const int idx = GetMouseControlIdx(x, y);
  IControl* control = GetControl(idx);
  if (!control) return false;
  // Its change (a reset, a second toggle) reaches the host inside a
  // gesture, which the release ends.
  BeginGesture(*control);
  if (control->MouseDblAsSingleClick()) {
    mCaptureIdx = idx;
    mMouseX = x;
    mMouseY = y;
    control->OnMouseDown(x, y, mod);
    return true;
  }
  control->OnMouseDblClick(x, y, mod);
  return false;
}

void IGraphics::OnMouseWheel(int x, int y, const IMouseMod& mod, int delta) {
  ExpectThread(ThreadRole::kEditor);
  IControl* control = GetControl(GetMouseControlIdx(x, y));
  if (!control) return;
  // A burst of steps on one control is one gesture; a press ends it.
  if (mCaptureIdx < 0 && control->ParamIdx() >= 0) {
    if (!mWheelGestureUntil || mGestureParamIdx != control->ParamIdx()) BeginGesture(*control);
    mWheelGestureUntil = std::chrono::steady_clock::now() + kWheelGesturePause;
  }
  control->OnMouseWheel(x, y, mod, delta);
}

bool IGraphics::OnMouseOver(int x, int y, const IMouseMod& mod) {
  if (!mTrackMouseOver) return false;
  FollowWithReadout(x, y);
  const int idx = GetMouseControlIdx(x, y, true);
  IControl* control = GetControl(idx);
  if (control) {
    mMouseX = x;
    mMouseY = y;
    control->OnMouseOver(x, y, mod);
    if (mMouseOverIdx >= 0 && mMouseOverIdx != idx)
      if (IControl* previous = GetControl(mMouseOverIdx)) previous->OnMouseOut();
    mMouseOverIdx = idx;
  }
  return true;
}

void IGraphics::OnMouseOut() {
  for (const auto& control : mControls)
    control->OnMouseOut();
  mMouseOverIdx = -1;
  if (mCaptureIdx < 0) mReadout.Show(nullptr);
}

void IGraphics::FollowWithReadout(int x, int y) {
  if (!mReadoutsEnabled) return;
  if (IControl* captured = GetControl(mCaptureIdx)) return mReadout.Show(captured);
  // Over its own box the readout stays, to be double-clicked.
  if (mReadout.TakesEntryAt(x, y)) return;
  mReadout.Show(GetControl(GetMouseControlIdx(x, y, true)));
}

void IGraphics::PromptForValue(IControl* control) {
  IParam* param = control ? control->GetParam() : nullptr;
  if (!param) return;
  const IRECT& readout = control->ReadoutArea();
  if (readout.Empty()) return PromptUserInput(control, param, control->GetRECT());
  const IText style = ValueFieldStyle();
  PromptUserInput(control, param, readout, &style);
}

bool IGraphics::OnKeyDown(int x, int y, int key) {
  ExpectThread(ThreadRole::kEditor);
  if (key == KEY_RETURN && mReadoutsEnabled) {
    IControl* control = mReadout.Shown() ? mReadout.Shown() : GetControl(mFocusIdx);
    if (control && control->GetParam()) {
      PromptForValue(control);
      return true;
    }
  }
  const int idx = GetMouseControlIdx(x, y);
  if (idx > 0) return GetControl(idx)->OnKeyDown(x, y, key);
  if (mKeyCatcher) return mKeyCatcher->OnKeyDown(x, y, key);
  return false;
}

void IGraphics::OnGUIIdle() {
  for (const auto& control : mControls)
    control->OnGUIIdle();
}

int IGraphics::GetParamIdxForPTAutomation(int x, int y) {
  const int idx = GetMouseControlIdx(x, y);
  mLastClickedParamIdx = idx > 0 ? GetControl(idx)->ParamIdx() : -1;
  return mLastClickedParamIdx;
}

int IGraphics::GetLastClickedParamForPTAutomation() {
  const int idx = mLastClickedParamIdx;
  mLastClickedParamIdx = -1;
  return idx;
}
