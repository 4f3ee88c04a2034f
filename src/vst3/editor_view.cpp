#include "vst3/editor_view.h"

#include <cmath>
#include <string_view>

#include "framework/key_codes.h"
#include "vst3/vst3_plugin.h"

using namespace vst3;

EditorView::EditorView(Vst3Plugin& plugin)
    : mPlugin(plugin),
      mKeepAlive(RefPtr<IEditController>::Share(static_cast<ControllerRole*>(&plugin))) {}

EditorView::~EditorView() {
  // A host that let go of the view without removing it.
  if (mAttached) removed();
  StopTimer();
}

tresult EditorView::isPlatformTypeSupported(FIDString type) {
  return type && std::string_view(type) == kPlatformTypeX11EmbedWindowID ? kResultTrue
                                                                         : kResultFalse;
}

tresult EditorView::attached(void* parent, FIDString type) {
  if (!parent || isPlatformTypeSupported(type) != kResultTrue) return kInvalidArgument;
  // One editor per plug-in: another view of it is attached already.
  if (mAttached || mPlugin.HasView()) return kResultFalse;
  const ViewRect told = CurrentSize();
  // Opened and closed without the plug-in's mutex, which the editor's thread
  // may be waiting for.
  if (!mPlugin.Plug().OpenEditor(parent)) return kResultFalse;
  mParent = parent;
  mAttached = true;
  mPlugin.AttachView(this);
  StartTimer();
  // The editor may have opened at another size than the host was told.
  const ViewRect size = CurrentSize();
  if (size.Width() != told.Width() || size.Height() != told.Height())
    Resized(size.Width(), size.Height());
  return kResultOk;
}

tresult EditorView::removed() {
  if (!mAttached) return kResultFalse;
  StopTimer();
  mAttached = false;
  mPlugin.Plug().CloseEditor();
  // What the editor queued to its last moment (a gesture its closing
  // ended) still reaches the host.
  mPlugin.Plug().DeliverEdits();
  mPlugin.DetachView(this);
  mParent = nullptr;
  return kResultOk;
}

tresult EditorView::onWheel(float) {
  // The editor reads the wheel from its own window.
  return kResultFalse;
}

tresult EditorView::Key(char16 key, bool down) {
  IEditorSurface* editor = mPlugin.Plug().GetGUI();
  const int code = KeyCodeForCharacter(key);
  return editor && mAttached && code >= 0 && editor->OnHostKey(code, down) ? kResultTrue
                                                                           : kResultFalse;
}

tresult EditorView::onKeyDown(char16 key, int16, int16) {
  return Key(key, true);
}

tresult EditorView::onKeyUp(char16 key, int16, int16) {
  return Key(key, false);
}

ViewRect EditorView::CurrentSize() const {
  int width = 0, height = 0;
  if (IEditorSurface* editor = mPlugin.Plug().GetGUI()) editor->WindowSize(&width, &height);
  return {0, 0, width, height};
}

tresult EditorView::getSize(ViewRect* size) {
  if (!size) return kInvalidArgument;
  *size = CurrentSize();
  return kResultOk;
}

tresult EditorView::onSize(ViewRect* newSize) {
  // The editor keeps the size of its scale; the frame was told it.
  return newSize ? kResultOk : kInvalidArgument;
}

tresult EditorView::onFocus(TBool) {
  return kResultOk;
}

tresult EditorView::setFrame(IPlugFrame* frame) {
  StopTimer();
  mFrame = RefPtr<IPlugFrame>::Share(frame);
  mRunLoop = RefPtr<IRunLoop>::Query(frame);
  if (mAttached) StartTimer();
  return kResultOk;
}

tresult EditorView::canResize() {
  return kResultFalse;
}

tresult EditorView::checkSizeConstraint(ViewRect* rect) {
  if (!rect) return kInvalidArgument;
  const ViewRect size = CurrentSize();
  rect->right = rect->left + size.Width();
  rect->bottom = rect->top + size.Height();
  return kResultOk;
}

tresult EditorView::setContentScaleFactor(float factor) {
  IEditorSurface* editor = mPlugin.Plug().GetGUI();
  if (!editor || !std::isfinite(factor) || factor <= 0.f) return kInvalidArgument;
  editor->SetHostScale(static_cast<double>(factor));
  // The scale counts from the next opening: an open editor opens again.
  if (mAttached) {
    IEffectBase& plug = mPlugin.Plug();
    plug.CloseEditor();
    plug.DeliverEdits();
    if (!plug.OpenEditor(mParent)) {
      removed();
      return kResultFalse;
    }
    const ViewRect size = CurrentSize();
    Resized(size.Width(), size.Height());
  }
  return kResultTrue;
}

void EditorView::onTimer() {
  IEffectBase& plug = mPlugin.Plug();
  if (plug.HasPendingEdits()) plug.DeliverEdits();
}

void EditorView::Resized(int width, int height) {
  if (!mAttached || !mFrame) return;
  ExpectUnlocked();
  ViewRect size{0, 0, width, height};
  mFrame->resizeView(this, &size);
}

void EditorView::StartTimer() {
  if (mTimerRunning || !mRunLoop) return;
  ExpectUnlocked();
  mTimerRunning = mRunLoop->registerTimer(this, kTimerMilliseconds) == kResultOk;
}

void EditorView::StopTimer() {
  if (!mTimerRunning) return;
  mRunLoop->unregisterTimer(this);
  mTimerRunning = false;
}
