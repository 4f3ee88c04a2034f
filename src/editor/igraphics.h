// The editor surface of one plug-in instance: the ordered controls, which of
// them must be redrawn, the drawing into one 32-bit surface, the routing of
// mouse and key events, and parameter values both ways between the plug-in
// and the controls. A platform subclass gives it a window, a redraw timer, a
// text field and a popup menu; this class never touches a window system.
//
// Each method is tagged with its thread role (framework/thread_role.h). The
// ones tagged any that the audio and host threads call only store a value and
// raise a dirty flag for the editor's thread.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "editor/icontrol.h"
#include "editor/keys.h"
#include "editor/popup_menu.h"
#include "editor/records.h"
#include "editor/settings_memory.h"
#include "editor/text_field_view.h"
#include "editor/value_readout.h"
#include "framework/ieditor_surface.h"
#include "raster/canvas.h"
#include "raster/mem_bitmap.h"
#include "raster/sys_bitmap.h"

class IEffectBase;
class IParam;

enum EFileAction : int { kFileOpen = 0, kFileSave = 1 };

// The bitmap cache's id of an image's double-resolution set.
inline constexpr int kDoubleResolutionId = 0x40000000;

class IGraphics : public IEditorSurface {
 public:
  // fps 0 or below means 25.
  IGraphics(IEffectBase* plug, int w, int h, int fps = 0);  // editor
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // Virtual operations, in slot order; the platform supplies the pure ones.
  virtual bool DrawScreen(const IRECT& r) = 0;                                      // editor
  virtual bool MeasureIText(IText* text, const char* str, IRECT* r);                // editor
  virtual void ForceEndUserEdit() = 0;                                              // editor
  virtual void Resize(int w, int h);                                                // editor
  virtual bool WindowIsOpen() { return GetWindow() != nullptr; }                    // editor
  virtual const char* GetGUIAPI() { return ""; }                                    // any
  virtual int ShowMessageBox(const char* text, const char* caption, int type) = 0;  // editor
  // Runs the menu to its end; the menu holding the chosen entry (its
  // mChosenItemIdx set), or null when nothing was chosen.
  virtual IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, const IRECT& area) = 0;  // editor
  // Opens the text field over the area (see OpenTextField).
  virtual void CreateTextEntry(IControl* control, const IText& text, const IRECT& area,
                               const char* str, IParam* param) = 0;           // editor
  virtual void HostPath(std::string* path) = 0;                               // editor
  virtual void PluginPath(std::string* path) = 0;                             // editor
  virtual void DesktopPath(std::string* path) = 0;                            // editor
  virtual void AppSupportPath(std::string* path, bool isSystem = false) = 0;  // editor
  virtual void SandboxSafeAppSupportPath(std::string* path) = 0;              // editor
  virtual void PromptForFile(std::string* file, EFileAction action, std::string* dir,
                             const char* extensions) = 0;              // editor
  virtual bool PromptForColor(IColor* color, const char* prompt) = 0;  // editor
  virtual bool OpenURL(const char* url, const char* errMsgOnFailure = nullptr,
                       const char* windowTitle = nullptr,
                       const char* confirmMsg = nullptr) = 0;  // editor
  void* OpenWindow(void* parent) override = 0;                 // host
  virtual void* OpenWindow(void* /*window*/, void* /*control*/, short /*w*/, short /*h*/) {
    return nullptr;
  }                                                          // editor
  virtual void AttachSubWindow(void* /*hostWindow*/) {}      // editor
  virtual void RemoveSubWindow() {}                          // editor
  void CloseWindow() override = 0;                           // host
  virtual void* GetWindow() = 0;                             // editor
  virtual bool GetTextFromClipboard(std::string* text) = 0;  // editor
  ~IGraphics() override;                                     // any
  virtual void HideMouseCursor() {}                          // editor
  virtual void ShowMouseCursor() {}                          // editor
  virtual void UpdateTooltips() = 0;                         // editor
  // The image for a resource path, decoded; null when there is none. By
  // default, from the images the plug-in registered (editor/resources.h).
  virtual std::unique_ptr<raster::Bitmap> OSLoadBitmap(int id, const char* name);  // editor
  // Puts text on the clipboard; platforms without one ignore it.
  virtual void SetTextInClipboard(const std::string& /*text*/) {}  // editor

  // The surface.
  void PrepDraw() override;                        // any
  int Width() const override { return mWidth; }    // any
  int Height() const override { return mHeight; }  // any
  int FPS() const { return mFPS; }                 // any
  void SetScale(double scale);                     // editor
  // The scales a user may choose from the menu a right click on the
  // background opens (none: no menu), and "follow the desktop".
  virtual std::span<const double> OfferedScales() const { return {}; }  // editor
  virtual bool FollowsDesktopScale() const { return false; }            // editor
  // The user's choice from that menu; none: follow the desktop.
  virtual void ChooseScale(std::optional<double> scale);                   // editor
  double Scale() const { return mScale.load(std::memory_order_relaxed); }  // any
  int SurfaceWidth() const;                                                // any
  int SurfaceHeight() const;                                               // any
  // An area in the editor's units as the surface's pixels, and a surface
  // pixel as the editor point it lies in.
  IRECT ToSurface(const IRECT& r) const;  // any
  int FromSurface(int pixel) const;       // any
  // Surface pixels back in the editor's units, to the nearest.
  IRECT FromSurface(const IRECT& r) const;                 // any
  raster::Pixel* GetBits();                                // editor
  raster::Bitmap* GetSurface() { return mSurface.get(); }  // editor
  // Draws straight into memory the platform shows (a shared image) of the
  // surface's size, its rows rowSpan pixels apart, and redraws it whole;
  // null goes back to the surface's own memory.
  void DrawIntoMemory(raster::Pixel* bits, int rowSpan);           // editor
  const raster::Pixel* LentMemory() const { return mLentMemory; }  // editor
  IEffectBase* GetPlug() const { return mPlug; }                   // any

  // Attaching controls; the surface owns them.
  int AttachControl(std::unique_ptr<IControl> control);                 // editor
  void AttachBackground(int id, const char* name);                      // editor
  void AttachPanelBackground(const IColor& color);                      // editor
  void AttachKeyCatcher(std::unique_ptr<IControl> control);             // editor
  int NControls() const { return static_cast<int>(mControls.size()); }  // editor
  IControl* GetControl(int idx);                                        // editor; null outside

  // By parameter index, over every control bound to it.
  void HideControl(int paramIdx, bool hide);                                        // editor
  void GrayOutControl(int paramIdx, bool gray);                                     // editor
  void ClampControl(int paramIdx, double lo, double hi, bool normalized);           // editor
  void SetParameterFromPlug(int paramIdx, double value, bool normalized) override;  // any
  void SetParameterFromGUI(int paramIdx, double normalizedValue);                   // editor
  void SetControlFromPlug(int controlIdx, double normalizedValue) override;         // any
  void SetAllControlsDirty();                                                       // editor
  void AssignParamNameToolTips();                                                   // editor
  void SetStrictDrawing(bool strict);                                               // editor
  void EnableTooltips(bool enable) { mTooltipsEnabled = enable; }                   // editor
  bool TooltipsEnabled() const { return mTooltipsEnabled; }                         // editor
  void HandleMouseOver(bool track) { mTrackMouseOver = track; }                     // editor
  // Value readouts of the controls that have a readout area; tracks the
  // pointer for them.
  void EnableValueReadouts() { mTrackMouseOver = mReadoutsEnabled = true; }  // editor
  const ValueReadout& GetValueReadout() const { return mReadout; }           // editor
  // The undo history and the A/B comparison of the plug-in's settings
  // (editor/settings_memory.h), fed by the gestures and the timer; Ctrl+Z
  // goes back, Ctrl+Shift+Z (or Ctrl+Y) forward.
  void EnableSettingsMemory();                                   // host
  SettingsMemory* GetSettingsMemory() { return mMemory.get(); }  // editor
  const std::string* GetTooltipForMouseOver();                   // editor

  // Redrawing: the union of the dirty controls' rectangles, then a draw pass
  // over an area, ending in DrawScreen.
  bool IsDirty(IRECT* r);  // editor
  // The dirty controls' areas, those that overlap made one: each drawn on
  // its own costs less than their union.
  std::vector<IRECT> DirtyAreas();  // editor
  // Draws each area as Draw does one, then marks every control clean; the
  // areas hold every dirty control.
  bool DrawEach(std::span<const IRECT> areas);  // editor
  bool Draw(const IRECT& r);                    // editor

  // Input from the platform, in editor coordinates.
  void OnMouseDown(int x, int y, const IMouseMod& mod);              // editor
  void OnMouseUp(int x, int y, const IMouseMod& mod);                // editor
  void OnMouseDrag(int x, int y, const IMouseMod& mod);              // editor
  bool OnMouseDblClick(int x, int y, const IMouseMod& mod);          // editor
  void OnMouseWheel(int x, int y, const IMouseMod& mod, int delta);  // editor
  bool OnMouseOver(int x, int y, const IMouseMod& mod);              // editor
  void OnMouseOut();                                                 // editor
  bool OnKeyDown(int x, int y, int key);                             // editor
  // A letter typed with Ctrl held (lower case), Shift held too or not;
  // true when the editor took it.
  bool OnShortcut(char letter, bool shift);                      // editor
  int GetMouseControlIdx(int x, int y, bool mouseOver = false);  // editor
  void ReleaseMouseCapture();                                    // editor
  void OnGUIIdle();                                              // editor
  // The platform's redraw timer: a burst of wheel steps is one gesture,
  // ended after a pause.
  void OnTimer(std::chrono::steady_clock::time_point now);  // editor
  static constexpr std::chrono::milliseconds kWheelGesturePause{400};
  // The window goes: a press or a wheel burst still going on ends, and the
  // host hears the end of its gesture.
  void EndInteraction();                         // editor
  int GetParamIdxForPTAutomation(int x, int y);  // editor
  int GetLastClickedParamForPTAutomation();      // editor

  // Value prompts: a menu of the parameter's texts or a text field.
  // A typed value's field takes the style given, else the control's.
  void PromptUserInput(IControl* control, IParam* param, const IRECT& area,
                       const IText* fieldStyle = nullptr);                            // editor
  void SetFromStringAfterPrompt(IControl* control, IParam* param, const char* text);  // editor
  // The toolkit's prompt for a value typed in the control's unit, over its
  // readout or, without one, over the control.
  void PromptForValue(IControl* control);  // editor

  // The text field, for CreateTextEntry and ForceEndUserEdit of a platform.
  // Opening fails while one is open. Ending it with commit (focus leaving the
  // field) hands its text to SetFromStringAfterPrompt (with a parameter) or
  // the control's TextFromTextEntry; without commit (the wheel, closing) the
  // text is dropped.
  bool OpenTextField(IControl* control, const IText& text, const IRECT& area, const char* str,
                     IParam* param);                                // editor
  TextFieldView* GetTextField() { return mTextField.get(); }        // editor
  const IRECT& GetTextFieldRect() const { return mTextFieldRect; }  // editor
  void EndTextField(bool commit);                                   // editor
  // Events for the open field, in its own coordinates; each ends the field
  // when it committed or cancelled.
  bool TextFieldKey(const ViewKey& key);                          // editor
  void TextFieldMouseDown(int x, int y, bool shift, int clicks);  // editor
  void TextFieldMouseDrag(int x, int y);                          // editor

  // Bitmaps: loaded once per process and id, owned by the bitmap cache. A
  // missing or undecodable image gives an empty bitmap (IsValid() false) that
  // draws nothing; it is not cached, so a later load may find it. An image
  // NAME.png with a NAME@2x.png beside it has that as its double-resolution set.
  IBitmap LoadIBitmap(int id, const char* name, int nStates = 1,
                      bool framesAreHorizontal = false);  // editor
  // Hands a bitmap made elsewhere to the cache, which keeps it for the
  // process; ReleaseBitmap deletes a cached bitmap at once.
  static IBitmap RetainBitmap(std::unique_ptr<raster::Bitmap> bitmap, int nStates = 1,
                              bool framesAreHorizontal = false);  // any
  static void ReleaseBitmap(const IBitmap& bitmap);               // any
  IBitmap ScaleBitmap(const IBitmap& bitmap, int w, int h);       // editor
  IBitmap CropBitmap(const IBitmap& bitmap, const IRECT& r);      // editor

  // Drawing, into the surface, clipped to the current draw rectangle. Frame
  // numbers are 1-based; a null blend draws normally at full weight.
  bool DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int bmpState = 1,
                  const IChannelBlend* blend = nullptr);  // editor
  bool DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY,
                  const IChannelBlend* blend);  // editor
  // A frame of a bitmap composed over the picture beneath (see
  // editor/composed_frames.h); false when it cannot be, for the caller to
  // draw it otherwise. The patch remembers what lies beneath at which scale.
  bool DrawComposed(const IBitmap& frames, int frame, const IBitmap& under, const IRECT& dest,
                    ComposedPatch* patch);  // editor
  // What of dest must be drawn again to show that frame there now: the
  // boxes of the frame shown and the new one, or all of dest.
  IRECT ComposedDirtyArea(const IBitmap& frames, int frame, const IBitmap& under, const IRECT& dest,
                          const ComposedPatch& patch);  // editor
  bool DrawRotatedBitmap(const IBitmap& bitmap, int centreX, int centreY, double angle,
                         int yOffsetZeroDeg = 0, const IChannelBlend* blend = nullptr);  // editor
  bool DrawRotatedMask(const IBitmap& base, const IBitmap& mask, const IBitmap& top, int x, int y,
                       double angle, const IChannelBlend* blend = nullptr);  // editor
  bool DrawPoint(const IColor& color, float x, float y, const IChannelBlend* blend = nullptr,
                 bool antiAlias = false);              // editor
  bool ForcePixel(const IColor& color, int x, int y);  // editor
  bool DrawLine(const IColor& color, float x1, float y1, float x2, float y2,
                const IChannelBlend* blend = nullptr, bool antiAlias = false);  // editor
  bool DrawArc(const IColor& color, float cx, float cy, float r, float minAngle, float maxAngle,
               const IChannelBlend* blend = nullptr, bool antiAlias = false);  // editor
  bool DrawCircle(const IColor& color, float cx, float cy, float r,
                  const IChannelBlend* blend = nullptr, bool antiAlias = false);  // editor
  bool RoundRect(const IColor& color, const IRECT& r, const IChannelBlend* blend, int cornerRadius,
                 bool antiAlias);  // editor
  bool FillRoundRect(const IColor& color, const IRECT& r, const IChannelBlend* blend,
                     int cornerRadius, bool antiAlias);  // editor
  bool FillIRect(const IColor& color, const IRECT& r,
                 const IChannelBlend* blend = nullptr);  // editor
  bool FillCircle(const IColor& color, int cx, int cy, float r,
                  const IChannelBlend* blend = nullptr, bool antiAlias = false);  // editor
  bool FillTriangle(const IColor& color, int x1, int y1, int x2, int y2, int x3, int y3,
                    const IChannelBlend* blend = nullptr);  // editor
  bool FillIConvexPolygon(const IColor& color, std::span<const int> xs, std::span<const int> ys,
                          const IChannelBlend* blend = nullptr);          // editor
  bool DrawRect(const IColor& color, const IRECT& r);                     // editor
  bool DrawVerticalLine(const IColor& color, int x, int yLo, int yHi);    // editor
  bool DrawHorizontalLine(const IColor& color, int y, int xLo, int xHi);  // editor
  bool DrawVerticalLine(const IColor& color, const IRECT& r, float x);    // editor
  bool DrawHorizontalLine(const IColor& color, const IRECT& r, float y);  // editor
  bool DrawRadialLine(const IColor& color, float cx, float cy, float angle, float rMin, float rMax,
                      const IChannelBlend* blend = nullptr, bool antiAlias = false);  // editor
  IColor GetPoint(int x, int y);                                                      // editor

  // Text: drawn from the top of the rectangle, aligned by the style; with
  // measure, nothing is drawn and the rectangle becomes the text's box. False
  // when no font can be had.
  bool DrawIText(IText* text, const char* str, IRECT* r, bool measure = false);  // editor
  static CachedFont* CacheFont(IText* text);                                     // any
  // A string from a bitmap holding one frame per character from the blank on.
  bool DrawBitmapedText(const IBitmap& font, const IRECT& r, const IText& text,
                        const IChannelBlend* blend, const char* str, bool vCentre, bool multiLine,
                        int charWidth, int charHeight, int charOffset);  // editor

 protected:
  IEffectBase* mPlug;
  IRECT mDrawRect;
  bool mCursorHidden = false;
  int mHiddenCursorX = -1;
  int mHiddenCursorY = -1;

 private:
  void BeginGesture(const IControl& control);
  void EndGesture();
  // A change made outside any press (a prompt's answer), in a gesture of its own.
  void SetInGesture(IControl& control, double normalized);
  void OpenScaleMenu(int x, int y);
  // The readout follows the control under the pointer, or the captured one.
  void FollowWithReadout(int x, int y);
  void DrawReadout(const IRECT& area);
  // Draws on the surface clipped to the draw rectangle; false without a surface.
  bool OnCanvas(const std::function<void(raster::Canvas&)>& draw);

  std::vector<std::unique_ptr<IControl>> mControls;  // draw order; 0 is the background
  std::unique_ptr<raster::Bitmap> mSurface;
  raster::Pixel* mLentMemory = nullptr;         // the surface's, when the platform lends it
  std::unique_ptr<raster::MemBitmap> mScratch;  // rotated-mask composition
  // The area of the surface drawn on now.
  raster::RECT SurfaceClip() const;
  float ToSurface(float v) const { return static_cast<float>(static_cast<double>(v) * Scale()); }

  int mWidth;
  int mHeight;
  int mFPS;
  std::atomic<double> mScale{1.};
  int mCaptureIdx = -1;
  int mGestureParamIdx = -1;  // parameter whose gesture the host was told of
  // A gesture of wheel steps, open until this time.
  std::optional<std::chrono::steady_clock::time_point> mWheelGestureUntil;
  int mFocusIdx = -1;  // the control last pressed, which Return prompts for
  bool mReadoutsEnabled = false;
  ValueReadout mReadout;
  std::unique_ptr<SettingsMemory> mMemory;
  int mMouseOverIdx = -1;
  int mMouseX = 0;
  int mMouseY = 0;
  int mLastClickedParamIdx = -1;
  bool mTrackMouseOver = false;
  bool mStrictDrawing = true;
  bool mTooltipsEnabled = false;
  std::unique_ptr<IControl> mKeyCatcher;

  std::unique_ptr<TextFieldView> mTextField;
  IRECT mTextFieldRect;
  IControl* mTextFieldControl = nullptr;
  IParam* mTextFieldParam = nullptr;
};
