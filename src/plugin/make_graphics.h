// The editor surface QUOR draws on and the window system it opens in.
#pragma once

#include <memory>

#include "editor/igraphics.h"

class IEffectBase;

// A new surface for the plug-in, of the given size and redraw rate (0: the
// surface's default). Resources are found by name in the plug-in itself, so
// the surface needs nothing more to load its images.
std::unique_ptr<IGraphics> MakeGraphics(IEffectBase* plug, int width, int height, int fps);
