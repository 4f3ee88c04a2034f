#include "editor/igraphics_headless.h"

#include "raster/blit.h"

IGraphicsHeadless::~IGraphicsHeadless() {
  CloseWindow();
}

IRECT IGraphicsHeadless::Tick() {
  // Drawn as a window draws it: each dirty area on its own.
  OnTimer(std::chrono::steady_clock::now());
  IRECT dirty;
  if (IsDirty(&dirty)) DrawEach(DirtyAreas());
  return dirty;
}

std::unique_ptr<raster::MemBitmap> IGraphicsHeadless::Snapshot() {
  auto shot = std::make_unique<raster::MemBitmap>(SurfaceWidth(), SurfaceHeight());
  if (GetSurface()) raster::Blit(shot.get(), GetSurface(), 0, 0, nullptr, 1.0f, raster::kModeCopy);
  // Each view draws into a bitmap of its own size, as its window would show it.
  const auto overlay = [&](int x, int y, int w, int h, const auto& draw) {
    raster::MemBitmap view(w, h);
    draw(view);
    raster::Blit(shot.get(), &view, x, y, nullptr, 1.0f, raster::kModeCopy);
  };
  if (TextFieldView* field = GetTextField()) {
    const IRECT& r = GetTextFieldRect();
    overlay(r.L, r.T, field->Width(), field->Height(),
            [&](raster::MemBitmap& view) { field->Draw(view); });
  }
  if (mOpenMenu) {
    for (int level = 0; level < mOpenMenu->NLevels(); ++level) {
      PopupMenuView& menu = mOpenMenu->GetView(level);
      overlay(mOpenMenu->ViewX(level), mOpenMenu->ViewY(level), menu.Width(), menu.Height(),
              [&](raster::MemBitmap& view) { menu.Draw(view); });
    }
  }
  return shot;
}

bool IGraphicsHeadless::DrawScreen(const IRECT& /*r*/) {
  return true;  // the surface is what there is to see
}

void IGraphicsHeadless::ForceEndUserEdit() {
  EndTextField(false);
}

int IGraphicsHeadless::ShowMessageBox(const char* /*text*/, const char* /*caption*/, int /*type*/) {
  return 0;
}

IPopupMenu* IGraphicsHeadless::CreateIPopupMenu(IPopupMenu* menu, const IRECT& area) {
  ReleaseMouseCapture();
  if (!menu || !WindowIsOpen()) return nullptr;
  PopupMenuSession session(*menu, ToSurface(area), Scale());
  if (mMenuDriver) {
    mOpenMenu = &session;
    mMenuDriver(session);
    mOpenMenu = nullptr;
  }
  if (session.IsOpen()) session.Dismiss();
  return session.Result();
}

void IGraphicsHeadless::CreateTextEntry(IControl* control, const IText& text, const IRECT& area,
                                        const char* str, IParam* param) {
  if (WindowIsOpen()) OpenTextField(control, text, area, str, param);
}

void IGraphicsHeadless::PromptForFile(std::string* file, EFileAction /*action*/,
                                      std::string* /*dir*/, const char* /*extensions*/) {
  *file = mFileToChoose;
}

bool IGraphicsHeadless::OpenURL(const char* url, const char* /*errMsgOnFailure*/,
                                const char* /*windowTitle*/, const char* /*confirmMsg*/) {
  mOpenedURLs.emplace_back(url ? url : "");
  return mOpenURLResult;
}

void* IGraphicsHeadless::OpenWindow(void* /*parent*/) {
  CloseWindow();
  mOpen = true;
  return this;
}

void IGraphicsHeadless::CloseWindow() {
  EndInteraction();
  EndTextField(false);
  mOpen = false;
}

bool IGraphicsHeadless::GetTextFromClipboard(std::string* text) {
  *text = mClipboard;
  return !mClipboard.empty();
}
