// Value prompts: the menu of a parameter's texts, the text field over a
// control and the rules it types by, and the typed text turned back into a
// parameter value.
#include "editor/prompts.h"

#include <algorithm>
#include <cmath>

#include "editor/igraphics.h"
#include "framework/ieffect_base.h"
#include "raster/utf8.h"

TextEntryRules TextEntryRules::ForParam(const IParam& param, int maxLength) {
  TextEntryRules rules;
  rules.mFiltered = true;
  rules.mMaxLength = std::max(maxLength, 0);
  switch (param.Type()) {
    case kTypeBool:
    case kTypeInt:
    case kTypeEnum:
      rules.mAllowed = "0123456789-+";
      break;
    case kTypeDouble:
      rules.mAllowed = "0123456789.-+";
      break;
    case kTypeNone:
      break;
  }
  return rules;
}

bool TextEntryRules::AcceptsEdit(std::string_view inserted, int lengthBefore,
                                 int lengthAfter) const {
  if (mFiltered) {
    for (std::size_t i = 0; i < inserted.size();) {
      const char32_t c = raster::NextCodePoint(inserted, i);
      if (c > 0x7F || mAllowed.find(static_cast<char>(c)) == std::string::npos) return false;
    }
  }
  return mMaxLength <= 0 || lengthAfter <= mMaxLength || lengthAfter <= lengthBefore;
}

void IGraphics::PromptUserInput(IControl* control, IParam* param, const IRECT& area,
                                const IText* fieldStyle) {
  if (!control || !param) return;
  std::string current, typed;
  {
    // A host thread may be setting the parameter meanwhile.
    std::unique_lock<PlugMutex> lock;
    if (mPlug) lock = std::unique_lock(mPlug->mMutex);
    current = param->GetDisplayForHost(true);
    typed = param->GetDisplayForHost(false);
  }
  const int n = param->GetNDisplayTexts();
  // A choice without texts would give an empty menu; it is typed instead.
  if ((param->Type() == kTypeEnum || param->Type() == kTypeBool) && n > 0) {
    IPopupMenu menu;
    for (int i = 0; i < n; ++i) {
      const char* text = param->GetDisplayText(i);
      menu.AddItem(text, -1, current == text ? IPopupMenuItem::kChecked : 0);
    }
    ReleaseMouseCapture();
    if (const IPopupMenu* chosen = CreateIPopupMenu(&menu, area))
      SetInGesture(*control, param->GetNormalized(chosen->GetChosenItemIdx()));
    // The release that ends the press went to the menu.
    EndGesture();
    return;
  }
  CreateTextEntry(control, fieldStyle ? *fieldStyle : control->GetText(), area, typed.c_str(),
                  param);
}

void IGraphics::SetFromStringAfterPrompt(IControl* control, IParam* param, const char* text) {
  if (!control || !param || !text) return;
  // Read as the display shows it, the label after the number or not; a
  // text that names no value changes nothing.
  double value = 0.;
  if (!param->ValueForText(text, &value)) return;
  SetInGesture(*control, param->GetNormalized(value));
}

bool IGraphics::OpenTextField(IControl* control, const IText& text, const IRECT& area,
                              const char* str, IParam* param) {
  if (mTextField || !control) return false;
  TextEntryRules rules = param ? TextEntryRules::ForParam(*param, control->GetTextEntryLength())
                               : TextEntryRules::None();
  TextFieldView::Clipboard clipboard{
      [this](std::string* pasted) { return GetTextFromClipboard(pasted); },
      [this](const std::string& copied) { SetTextInClipboard(copied); }};
  // In the surface's pixels, its text at the editor's scale.
  IText style = text;
  style.mSize = static_cast<int>(std::lround(text.mSize * Scale()));
  style.mCachedFont = nullptr;
  const IRECT onSurface = ToSurface(area);
  mTextField = std::make_unique<TextFieldView>(style, onSurface.W(), onSurface.H(), str ? str : "",
                                               std::move(rules), std::move(clipboard));
  mTextFieldRect = onSurface;
  mTextFieldControl = control;
  mTextFieldParam = param;
  return true;
}

void IGraphics::EndTextField(bool commit) {
  if (!mTextField) return;
  // Closed first: what the text sets may open another field.
  const std::unique_ptr<TextFieldView> field = std::move(mTextField);
  IControl* control = mTextFieldControl;
  IParam* param = mTextFieldParam;
  mTextFieldControl = nullptr;
  mTextFieldParam = nullptr;
  if (!commit) return;
  if (param) {
    SetFromStringAfterPrompt(control, param, field->GetText().c_str());
  } else {
    control->TextFromTextEntry(field->GetText().c_str());
  }
}

bool IGraphics::TextFieldKey(const ViewKey& key) {
  if (!mTextField) return false;
  const bool taken = mTextField->OnKey(key);
  if (mTextField->State() != TextFieldView::EState::kEditing)
    EndTextField(mTextField->State() == TextFieldView::EState::kCommitted);
  return taken;
}

void IGraphics::TextFieldMouseDown(int x, int y, bool shift, int clicks) {
  if (mTextField) mTextField->OnMouseDown(x, y, shift, clicks);
}

void IGraphics::TextFieldMouseDrag(int x, int y) {
  if (mTextField) mTextField->OnMouseDrag(x, y);
}
