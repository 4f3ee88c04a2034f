// Redrawing an editor the size of QUOR's: a background and 80 bitmap controls
// (knobs, switches, meters) on a 1215 x 692 surface. A redraw must cost in
// proportion to what changed.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "editor/controls/bitmap_controls.h"
#include "editor/controls/knob_controls.h"
#include "editor/igraphics_headless.h"
#include "raster/canvas.h"
#include "tests/framework/test_effect.h"

namespace {

constexpr int kWidth = 1215;
constexpr int kHeight = 692;
constexpr int kTracks = 8;

class BenchPlug : public TestEffect {
 public:
  BenchPlug() : TestEffect(kTracks * 7, "2-2", 1) {
    for (int i = 0; i < NParams(); ++i)
      GetParam(i)->InitDouble("p", 0.5, 0., 1., 0.001);
  }
};

// A strip of n frames of w x h with soft, partly transparent content.
IBitmap Strip(int w, int h, int n, bool opaque = false) {
  auto pixels = std::make_unique<raster::MemBitmap>(w, h * n);
  raster::Canvas canvas(*pixels);
  canvas.fillRect(0, 0, w, h * n, {opaque ? 0xFF303540u : 0u, 1.0f, raster::kModeCopy});
  for (int i = 0; i < n; ++i) {
    const float c = static_cast<float>(w) * 0.5f;
    canvas.fillCircle(c, static_cast<float>(i * h) + c, c - 2.f,
                      {0xFF808890u - static_cast<raster::Pixel>(i), 1.0f, raster::kModeCopy}, true);
  }
  return IGraphics::RetainBitmap(std::move(pixels), n);
}

// QUOR's layout in kind and size: a background, eight strips of five knobs
// and two switches, ten meters, and fourteen switches in the master section;
// 81 controls.
struct Editor {
  Editor() {
    auto graphics = std::make_unique<IGraphicsHeadless>(&plug, kWidth, kHeight);
    gui = graphics.get();
    auto background = std::make_unique<raster::MemBitmap>(kWidth, kHeight);
    raster::Canvas(*background).fillRect(0, 0, kWidth, kHeight, {0xFF22252Bu, 1.f, 0});
    const IBitmap backgroundImage = IGraphics::RetainBitmap(std::move(background));
    gui->AttachControl(
        std::make_unique<IBitmapControl>(&plug, 0, 0, -1, backgroundImage, kBlendClobber));
    const IBitmap knob = Strip(62, 62, 61);
    const IBitmap button = Strip(40, 24, 2, true);
    const IBitmap meter = Strip(22, 70, 121);
    for (int t = 0; t < kTracks; ++t) {
      const int x = 135 * t;
      for (int k = 0; k < 5; ++k)
        gui->AttachControl(
            std::make_unique<IKnobMultiControl>(&plug, x + 30, 107 + 88 * k, 7 * t + k, knob));
      gui->AttachControl(std::make_unique<ISwitchControl>(&plug, x + 28, 594, 7 * t + 5, button));
      gui->AttachControl(std::make_unique<ISwitchControl>(&plug, x + 33, 662, 7 * t + 6, button));
    }
    for (int m = 0; m < 10; ++m)
      meters.push_back(gui->AttachControl(std::make_unique<IBitmapControl>(
          &plug, m < 8 ? 5 + 135 * m : 1085, m < 9 ? 4 : 79, -1, meter)));
    for (int extra = 0; extra < 14; ++extra)
      gui->AttachControl(std::make_unique<ISwitchControl>(&plug, 1085 + 45 * (extra % 2),
                                                          160 + 60 * (extra / 2), -1, button));
    plug.AttachGraphics(std::move(graphics));
    gui->Tick();
  }
  BenchPlug plug;
  IGraphicsHeadless* gui;
  std::vector<int> meters;
};

void FullRedraw(benchmark::State& state) {
  Editor editor;
  for (auto _ : state) {
    editor.gui->SetAllControlsDirty();
    editor.gui->Tick();
  }
  state.counters["controls"] = editor.gui->NControls();
}
BENCHMARK(FullRedraw)->Unit(benchmark::kMicrosecond);

// One meter changed since the last tick: only its area is drawn.
void OneMeterRedraw(benchmark::State& state) {
  Editor editor;
  double value = 0.;
  IRECT drawn;
  for (auto _ : state) {
    value = value > 0.9 ? 0.1 : value + 0.05;
    editor.gui->SetControlFromPlug(editor.meters[3], value);
    drawn = editor.gui->Tick();
  }
  state.counters["pixels"] = drawn.W() * drawn.H();
}
BENCHMARK(OneMeterRedraw)->Unit(benchmark::kMicrosecond);

// The timer's question each tick, with one control dirty.
void DirtyCollection(benchmark::State& state) {
  Editor editor;
  editor.gui->SetControlFromPlug(editor.meters[0], 0.5);
  editor.gui->SetControlFromPlug(editor.meters[0], 0.6);
  for (auto _ : state) {
    IRECT dirty;
    benchmark::DoNotOptimize(editor.gui->IsDirty(&dirty));
    benchmark::DoNotOptimize(dirty);
  }
}
BENCHMARK(DirtyCollection);

}  // namespace
