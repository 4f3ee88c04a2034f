#include "plugin/make_graphics.h"

#include "platform/igraphics_x11.h"

std::unique_ptr<IGraphics> MakeGraphics(IEffectBase* plug, int width, int height, int fps) {
  // The window system's surface: an X11 child window of the host's.
  return std::make_unique<IGraphicsX11>(plug, width, height, fps);
}
