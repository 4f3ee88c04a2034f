#include "plugin/make_graphics.h"

#include "editor/igraphics_headless.h"
#include "vst2/ieffect_vst2.h"

std::unique_ptr<IGraphics> MakeGraphics(IEffectVST2* plug, int width, int height, int fps) {
  // The window system's surface: headless, it draws and takes input without a display.
  return std::make_unique<IGraphicsHeadless>(plug, width, height, fps);
}
