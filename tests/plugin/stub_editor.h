// An editor surface that only remembers what the plug-in pushed into it.
#pragma once

#include <array>

#include "framework/ieditor_surface.h"

class StubEditor : public IEditorSurface {
 public:
  void SetParameterFromPlug(int, double, bool) override {}
  void SetControlFromPlug(int controlIdx, double value) override {
    if (controlIdx >= 0 && controlIdx < static_cast<int>(mControls.size()))
      mControls[static_cast<std::size_t>(controlIdx)] = value;
  }
  void PrepDraw() override {}
  int Width() const override { return 1215; }
  int Height() const override { return 692; }
  void* OpenWindow(void*) override { return nullptr; }
  void CloseWindow() override {}

  std::array<double, 81> mControls{};
};
