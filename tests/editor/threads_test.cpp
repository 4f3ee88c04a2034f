// The editor's hand-over under load: an audio thread pushing meter values, a
// host thread setting and restoring parameters, and two editor threads (two
// plug-in instances sharing the font cache) drawing and dragging. Run under
// ThreadSanitizer in CI; QUOR_EDITOR_STRESS_SECONDS sets how long.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "editor/controls/bitmap_controls.h"
#include "editor/controls/knob_controls.h"
#include "editor/controls/text_controls.h"
#include "tests/editor/editor_fixture.h"

namespace {

struct Instance {
  Instance() {
    auto graphics = std::make_unique<IGraphicsHeadless>(&plug, 400, 200);
    gui = graphics.get();
    gui->AttachPanelBackground(COLOR_GRAY);
    const IBitmap meter = FrameStrip(8, 40, 21);
    for (int i = 0; i < 10; ++i)
      meters.push_back(
          gui->AttachControl(std::make_unique<IBitmapControl>(&plug, 10 + 12 * i, 10, -1, meter)));
    const IBitmap knob = FrameStrip(30, 30, 31);
    for (int p : {kGain, kTrim, kSteps})
      gui->AttachControl(std::make_unique<IKnobMultiControl>(&plug, 150 + 40 * p, 10, p, knob));
    const IText style(15, COLOR_BLACK, "Futura", IText::kTextNormal, IText::kAlignCenter, 0,
                      IText::kQualityAntiAliased);
    gui->AttachControl(
        std::make_unique<ICaptionControl>(&plug, IRECT(150, 60, 300, 80), kGain, style));
    plug.AttachGraphics(std::move(graphics));
    gui->OpenWindow(nullptr);
  }
  EditorTestPlug plug;
  IGraphicsHeadless* gui;
  std::vector<int> meters;
};

TEST(Threads, AudioHostAndEditorThreadsShareTheEditor) {
  const char* env = std::getenv("QUOR_EDITOR_STRESS_SECONDS");
  const double seconds = env ? std::atof(env) : 3.0;
  Instance first, second;
  std::atomic<bool> stop{false};
  std::atomic<long> ticks{0};

  std::thread audio([&] {
    for (int block = 0; !stop.load(); ++block) {
      for (Instance* instance : {&first, &second}) {
        std::lock_guard lock(instance->plug.mMutex);
        for (std::size_t m = 0; m < instance->meters.size(); ++m)
          instance->gui->SetControlFromPlug(instance->meters[m],
                                            static_cast<double>((block + m) % 100) / 99.);
      }
    }
  });
  std::thread host([&] {
    for (int i = 0; !stop.load(); ++i) {
      std::lock_guard lock(first.plug.mMutex);
      const int param = i % kNumTestParams;
      const double normalized = static_cast<double>(i % 11) / 10.;
      first.gui->SetParameterFromPlug(param, normalized, true);
      first.plug.GetParam(param)->SetNormalized(normalized);
      if (i % 50 == 0) first.plug.RedrawParamControls();  // as a restored state does
    }
  });
  const auto editor = [&](Instance& instance) {
    const IMouseMod left{true, false, false, false, false};
    for (int i = 0; !stop.load(); ++i) {
      instance.gui->Tick();
      const int x = 150 + 40 * (i % 3) + 15;
      instance.gui->OnMouseDown(x, 25, left);
      instance.gui->OnMouseDrag(x, 25 - i % 17, left);
      instance.gui->OnMouseDrag(x, 25 + i % 13, left);
      instance.gui->OnMouseUp(x, 25, left);
      ticks.fetch_add(1);
    }
  };
  std::thread editorOne(editor, std::ref(first));
  std::thread editorTwo(editor, std::ref(second));
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  stop.store(true);
  audio.join();
  host.join();
  editorOne.join();
  editorTwo.join();
  EXPECT_GT(ticks.load(), 10);
  // Once the threads rest, two ticks draw everything that was handed over.
  first.gui->Tick();
  first.gui->Tick();
  IRECT dirty;
  EXPECT_FALSE(first.gui->IsDirty(&dirty));
}

}  // namespace
