// What the framework needs of an attached editor. The editor layer's control
// host implements it; the framework never sees the editor's own types.
#pragma once

class IEditorSurface {
 public:
  virtual ~IEditorSurface() = default;  // host

  // Both may run on the audio or host thread, holding the plug-in's mutex:
  // they only store a value and raise a dirty flag for the editor thread to
  // pick up.
  virtual void SetParameterFromPlug(int paramIdx, double value,
                                    bool normalized) = 0;                       // any
  virtual void SetControlFromPlug(int controlIdx, double normalizedValue) = 0;  // any

  virtual void PrepDraw() = 0;     // host
  virtual int Width() const = 0;   // any
  virtual int Height() const = 0;  // any
  // The window's size in pixels: as it is while open, else as it would open
  // now (at the scale it would choose).
  virtual void WindowSize(int* width, int* height) {  // host
    *width = Width();
    *height = Height();
  }
  // The scale the host's own user interface is drawn at, where it says; 0
  // for none. It counts for the next opening.
  virtual void SetHostScale(double /*scale*/) {}  // host
  // Opens the editor inside the host's window; returns the view, or null.
  virtual void* OpenWindow(void* parent) = 0;  // host
  virtual void CloseWindow() = 0;              // host
  // A key the host forwards while its own window has the focus, as one of
  // the key codes; true when the editor took it. Without an open window
  // nothing takes keys.
  virtual bool OnHostKey(int /*keyCode*/, bool /*down*/) { return false; }  // host
};
