#include "editor/icontrol.h"

#include "editor/controls/text_controls.h"
#include "editor/igraphics.h"
#include "framework/ieffect_base.h"

namespace {

std::string Cut(const std::string& text, std::size_t n) {
  return text.substr(0, n);
}

}  // namespace

IControl::IControl(IEffectBase* plug, IRECT rect, int paramIdx, IChannelBlend blend)
    : mPlug(plug), mRect(rect), mTargetRect(rect), mParamIdx(paramIdx), mBlend(blend) {}

void IControl::OnMouseDown(int /*x*/, int /*y*/, const IMouseMod& mod) {
  if (mod.Right) PromptUserInput();
}

void IControl::OnMouseDblClick(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) {
  if (GetDefaultValue() >= 0.) {
    SetValue(GetDefaultValue());
    SetDirty(true);
  }
}

void IControl::SetValueFromPlug(double value) {
  // The first value the plug-in pushes is the one a double click restores;
  // it is drawn like any other.
  if (GetDefaultValue() < 0.) SetDefaultValue(value);
  if (value != GetValue()) {
    const bool shows = ShowsValueChange(GetValue(), value);
    SetValue(value);
    if (!shows) return;
    mState.MarkRedrawPending();
    SetDirty(false);
  }
}

void IControl::SetValueFromUserInput(double value) {
  if (value != GetValue()) {
    SetValue(value);
    mState.MarkRedrawPending();
    SetDirty(true);
  }
}

void IControl::Hide(bool hide) {
  mHidden = hide;
  mState.MarkRedrawPending();
  SetDirty(false);
}

void IControl::GrayOut(bool gray) {
  mGrayed = gray;
  mBlend.mWeight = gray ? 0.25f : 1.0f;
  SetDirty(false);
}

IParam* IControl::GetParam() const {
  if (!mPlug || !mPlug->IsValidParamIdx(mParamIdx)) return nullptr;
  return mPlug->GetParam(mParamIdx);
}

IControl::ParamText IControl::ReadParamText() const {
  const IParam* param = GetParam();
  if (!param) return {};
  std::lock_guard lock(mPlug->mMutex);
  return {param->GetDisplayForHost(true), param->GetLabelForHost()};
}

void IControl::SetDirty(bool pushToPlug) {
  mState.ClampValue();
  mState.MarkDirty();
  if (!pushToPlug || !mPlug || mParamIdx < 0) return;
  mPlug->SetParameterFromGUI(mParamIdx, GetValue());
  const IParam* param = GetParam();
  if (!param) return;
  if (mValueDisplay) {
    const ParamText text = ReadParamText();
    const std::string display = Cut(text.mDisplay, 32) + " " + Cut(text.mLabel, 32);
    mValueDisplay->SetTextFromPlug(display.c_str());
  }
  if (mNameDisplay) mNameDisplay->SetTextFromPlug(param->GetNameForHost());
}

void IControl::SetAuxParamValueFromPlug(int auxIdx, double value) {
  AuxParam* aux = GetAuxParam(auxIdx);
  if (!aux || value == aux->mValue.Get()) return;
  aux->mValue.Set(value);
  mState.MarkRedrawPending();
  SetDirty(false);
}

void IControl::PromptUserInput() {
  const IParam* param = GetParam();
  if (!param) return;
  if (param->GetNDisplayTexts() > 0) return PromptUserInput(mRect);
  const int cx = static_cast<int>(mRect.MW());
  const int cy = static_cast<int>(mRect.MH());
  PromptUserInput(IRECT(cx - 20, cy - 8, cx + 20, cy + 8));
}

void IControl::PromptUserInput(const IRECT& area) {
  if (mParamIdx < 0 || mPromptDisabled || !mGraphics) return;
  IParam* param = GetParam();
  if (!param) return;
  mGraphics->PromptUserInput(this, param, area);
  mState.MarkRedrawPending();
}

void IControl::AddAuxParam(int paramIdx) {
  mAuxParams.push_back({AtomicDouble(0.), paramIdx});
}

IControl::AuxParam* IControl::GetAuxParam(int i) {
  if (i < 0 || i >= NAuxParams()) return nullptr;
  return &mAuxParams[static_cast<std::size_t>(i)];
}

int IControl::AuxParamIdx(int paramIdx) const {
  for (int i = 0; i < NAuxParams(); ++i)
    if (mAuxParams[static_cast<std::size_t>(i)].mParamIdx == paramIdx) return i;
  return -1;
}

void IControl::SetAllAuxParamsFromGUI() {
  if (!mPlug) return;
  for (const AuxParam& aux : mAuxParams)
    mPlug->SetParameterFromGUI(aux.mParamIdx, aux.mValue.Get());
}
