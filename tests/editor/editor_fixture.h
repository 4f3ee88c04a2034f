// A small plug-in with parameters of every kind and a headless editor
// attached to it, recording what the editor tells the plug-in and the host
// (changes, automation, gestures);
// and test bitmaps whose frames are told apart by colour.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "editor/igraphics_headless.h"
#include "raster/canvas.h"
#include "raster/mem_bitmap.h"
#include "tests/framework/test_effect.h"

enum TestParam { kGain, kShape, kOn, kSteps, kTrim, kPlain, kNumTestParams };

class EditorTestPlug : public TestEffect {
 public:
  EditorTestPlug() : TestEffect(kNumTestParams, "2-2", 1) {
    GetParam(kGain)->InitDouble("Gain", 0., -12., 12., 0.1, "dB");
    GetParam(kShape)->InitEnum("Shape", 1, 3);
    GetParam(kShape)->SetDisplayText(0, "sine");
    GetParam(kShape)->SetDisplayText(1, "square");
    GetParam(kShape)->SetDisplayText(2, "saw");
    GetParam(kOn)->InitBool("On", false);
    GetParam(kSteps)->InitInt("Steps", 3, 0, 10);
    GetParam(kTrim)->InitDouble("Trim", 0., -10., 10., 0.5, "dB");
    GetParam(kTrim)->NegateDisplay();
  }
  void BeginEdit(int idx) override {
    mGestures.emplace_back(idx, true);
    mHostCalls += 'b';
  }
  void Automate(int idx, double value) override {
    TestEffect::Automate(idx, value);
    mHostCalls += 'a';
  }
  void EndEdit(int idx) override {
    mGestures.emplace_back(idx, false);
    mHostCalls += 'e';
  }

  // What the host heard so far, the edits waiting delivered first: gestures
  // as (parameter, begin or end), calls as 'b'egin, 'a'utomate, 'e'nd.
  const std::vector<std::pair<int, bool>>& Gestures() {
    DeliverEdits();
    return mGestures;
  }
  std::string& HostCalls() {
    DeliverEdits();
    return mHostCalls;
  }

 private:
  std::vector<std::pair<int, bool>> mGestures;
  std::string mHostCalls;
};

// The colour of frame i (0-based) of the test strips.
inline IColor FrameColor(int i) {
  return IColor(255, 10 * (i + 1) % 256, 255 - i, (40 * i) % 256);
}

// A strip of n frames of w x h, each filled with its FrameColor, cached.
inline IBitmap FrameStrip(int w, int h, int n, bool horizontal = false) {
  auto pixels = std::make_unique<raster::MemBitmap>(horizontal ? w * n : w, horizontal ? h : h * n);
  raster::Canvas canvas(*pixels);
  for (int i = 0; i < n; ++i) {
    const raster::Paint paint{FrameColor(i).ToPixel(), 1.0f, raster::kModeCopy};
    if (horizontal) {
      canvas.fillRect(i * w, 0, w, h, paint);
    } else {
      canvas.fillRect(0, i * h, w, h, paint);
    }
  }
  return IGraphics::RetainBitmap(std::move(pixels), n, horizontal);
}

// The plug-in with a headless editor (300 x 200 unless asked otherwise).
class EditorTest : public ::testing::Test {
 protected:
  explicit EditorTest(int w = 300, int h = 200) {
    auto graphics = std::make_unique<IGraphicsHeadless>(&plug, w, h);
    gui = graphics.get();
    attach = std::move(graphics);
  }
  // Hands the editor to the plug-in once the test has attached its controls,
  // and opens its window.
  void AttachToPlug() {
    plug.AttachGraphics(std::move(attach));
    gui->OpenWindow(nullptr);
  }
  template <typename Control, typename... Args>
  Control* Add(Args&&... args) {
    auto control = std::make_unique<Control>(&plug, std::forward<Args>(args)...);
    Control* added = control.get();
    gui->AttachControl(std::move(control));
    return added;
  }
  // Draws the whole surface and returns the pixel's colour.
  IColor DrawnAt(int x, int y) {
    gui->Draw(IRECT(0, 0, gui->Width(), gui->Height()));
    return gui->GetPoint(x, y);
  }

  EditorTestPlug plug;
  IGraphicsHeadless* gui;
  std::unique_ptr<IGraphicsHeadless> attach;
};
