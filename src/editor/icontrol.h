// The base of everything the editor shows: a rectangle on the surface,
// optionally bound to one parameter whose normalised value it holds for
// drawing, reacting to the mouse and keys. The control host owns it.
#pragma once

#include <string>
#include <vector>

#include "editor/hand_over.h"
#include "editor/records.h"

class IEffectBase;
class IGraphics;
class IParam;
class ITextControl;

class IControl {
 public:
  IControl(IEffectBase* plug, IRECT rect, int paramIdx = -1, IChannelBlend blend = {});
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // Virtual operations, in slot order, each tagged with its thread role
  // (framework/thread_role.h).
  virtual ~IControl() = default;                                             // any
  virtual void OnMouseDown(int x, int y, const IMouseMod& mod);              // editor
  virtual void OnMouseUp(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) {}  // editor
  virtual void OnMouseDrag(int /*x*/, int /*y*/, int /*dX*/, int /*dY*/, const IMouseMod& /*mod*/) {
  }                                                                                        // editor
  virtual void OnMouseDblClick(int x, int y, const IMouseMod& mod);                        // editor
  virtual void OnMouseWheel(int /*x*/, int /*y*/, const IMouseMod& /*mod*/, int /*d*/) {}  // editor
  virtual bool OnKeyDown(int /*x*/, int /*y*/, int /*key*/) { return false; }              // editor
  virtual void OnMouseOver(int /*x*/, int /*y*/, const IMouseMod& /*mod*/) {}              // editor
  virtual void OnMouseOut() {}                                                             // editor
  virtual bool Draw(IGraphics* graphics) = 0;                                              // editor
  virtual void SetValueFromPlug(double value);                                             // any
  virtual void SetValueFromUserInput(double value);                                        // editor
  virtual void TextFromTextEntry(const char* /*text*/) {}                                  // editor
  virtual void Hide(bool hide);                                                            // editor
  virtual void GrayOut(bool gray);                                                         // editor
  virtual bool IsHit(int x, int y) { return mTargetRect.Contains(x, y); }                  // editor
  // Clamps the value and marks the control dirty; with pushToPlug, also hands
  // the value to the bound parameter (and the host).
  virtual void SetDirty(bool pushToPlug = true);                    // editor; plug with false
  virtual void SetClean() { mState.Clean(); }                       // editor
  virtual bool IsDirty() { return mState.IsDirty(); }               // editor
  virtual void OnGUIIdle() {}                                       // editor
  virtual void SetAuxParamValueFromPlug(int auxIdx, double value);  // any
  // Whether the control looks different at the new value: a value from the
  // plug-in that does not (a meter's next value within its frame) is kept
  // without a redraw. Cheap, without locks: the audio thread asks.
  virtual bool ShowsValueChange(double /*from*/, double /*to*/) const { return true; }  // any
  // Whether its drawing covers its whole rectangle: what lies beneath need
  // not be drawn first.
  virtual bool IsOpaque() const { return false; }  // editor
  // What of it must be drawn again, dirty: all of it, unless it knows better.
  virtual IRECT DirtyArea() { return mRect; }  // editor

  // The rest runs on the editor thread unless tagged.

  // Value prompts: a menu or text field over the control (prompts enabled).
  void PromptUserInput();
  void PromptUserInput(const IRECT& area);

  // Further parameters the control shows.
  struct AuxParam {
    AtomicDouble mValue;
    int mParamIdx;
  };
  void AddAuxParam(int paramIdx);
  AuxParam* GetAuxParam(int i);
  int AuxParamIdx(int paramIdx) const;
  int NAuxParams() const { return static_cast<int>(mAuxParams.size()); }
  void SetAllAuxParamsFromGUI();

  // Accessors.
  IEffectBase* GetPlug() const { return mPlug; }
  IGraphics* GetGUI() const { return mGraphics; }
  void SetGUI(IGraphics* graphics) { mGraphics = graphics; }  // by the control host
  const IRECT& GetRECT() const { return mRect; }
  void SetRECT(const IRECT& rect) { mRect = rect; }
  const IRECT& GetTargetRECT() const { return mTargetRect; }
  void SetTargetRECT(const IRECT& rect) { mTargetRect = rect; }
  int ParamIdx() const { return mParamIdx; }
  void SetParamIdx(int paramIdx) { mParamIdx = paramIdx; }
  IParam* GetParam() const;  // null when unbound or out of range
  // The bound parameter's display text of its current value, and its label,
  // read under the plug-in's mutex: a host thread may be setting it.
  struct ParamText {
    std::string mDisplay;
    std::string mLabel;
  };
  ParamText ReadParamText() const;
  double GetValue() const { return mState.Value(); }  // any
  void SetValue(double value) { mState.SetValue(value); }
  double GetDefaultValue() const { return mState.Default(); }
  void SetDefaultValue(double value) { mState.SetDefault(value); }
  void Clamp(double lo, double hi) { mState.SetClamp(lo, hi); }
  const IText& GetText() const { return mText; }
  void SetText(const IText& text) { mText = text; }
  const IChannelBlend& GetBlend() const { return mBlend; }
  void SetBlend(const IChannelBlend& blend) { mBlend = blend; }
  const std::string& GetTooltip() const { return mTooltip; }
  void SetTooltip(const char* tooltip) { mTooltip = tooltip ? tooltip : ""; }
  void SetValDisplayControl(ITextControl* control) { mValueDisplay = control; }
  void SetNameDisplayControl(ITextControl* control) { mNameDisplay = control; }
  bool IsHidden() const { return mHidden; }
  bool IsGrayed() const { return mGrayed; }
  bool IsRedrawPending() const { return mState.IsRedrawPending(); }
  bool GetMOWhenGrayed() const { return mMouseOverWhenGrayed; }
  void SetMOWhenGrayed(bool allow) { mMouseOverWhenGrayed = allow; }
  bool GetPromptDisabled() const { return mPromptDisabled; }
  void DisablePrompt(bool disable) { mPromptDisabled = disable; }
  bool MouseDblAsSingleClick() const { return mDblClickAsSingle; }
  void SetMouseDblAsSingleClick(bool single) { mDblClickAsSingle = single; }
  // Where the editor shows its value while the pointer is over it or drags
  // it (editor/value_readout.h); empty: nowhere.
  const IRECT& ReadoutArea() const { return mReadoutArea; }
  void SetReadoutArea(const IRECT& area) { mReadoutArea = area; }
  int GetTextEntryLength() const { return mTextEntryMaxLen; }
  void SetTextEntryLength(int maxLen) { mTextEntryMaxLen = maxLen; }

 protected:
  int mTextEntryMaxLen = 7;
  IText mText;
  IEffectBase* mPlug;
  IGraphics* mGraphics = nullptr;  // the control host, once attached
  IRECT mRect;
  IRECT mTargetRect;
  IRECT mReadoutArea;
  int mParamIdx;
  std::vector<AuxParam> mAuxParams;
  ControlState mState;  // value, default, clamp range, dirty flags
  bool mHidden = false;
  bool mGrayed = false;
  bool mPromptDisabled = true;
  bool mDblClickAsSingle = false;
  bool mMouseOverWhenGrayed = false;
  IChannelBlend mBlend;
  ITextControl* mValueDisplay = nullptr;  // not owned
  ITextControl* mNameDisplay = nullptr;   // not owned
  std::string mTooltip;
};
