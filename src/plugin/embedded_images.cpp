#include "plugin/embedded_images.h"

#include <string>

#include "editor/resources.h"

void RegisterEmbeddedImages() {
  static const bool registered = [] {
    for (const EmbeddedImage& image : EmbeddedImages())
      RegisterLastingImageResource(image.mName, image.Bytes());
    return true;
  }();
  (void)registered;
}
