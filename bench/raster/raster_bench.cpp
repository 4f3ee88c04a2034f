#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "raster/blit.h"
#include "raster/font.h"
#include "raster/mem_bitmap.h"
#include "raster/png.h"
#include "raster/sys_bitmap.h"

namespace {

constexpr int kSurfaceWidth = 1215;
constexpr int kSurfaceHeight = 692;
constexpr double kSurfaceMegapixels = kSurfaceWidth * kSurfaceHeight * 1e-6;

// An image like the editor's: smooth colour, a mix of opaque, clear and soft-edged pixels.
void Paint(raster::Bitmap& bmp, unsigned seed) {
  std::mt19937 rng(seed);
  raster::Pixel* const bits = bmp.getBits();
  for (int y = 0; y < bmp.getHeight(); ++y) {
    for (int x = 0; x < bmp.getWidth(); ++x) {
      const unsigned alphaRoll = rng() % 4;
      const unsigned alpha = alphaRoll == 0 ? 0u : alphaRoll == 1 ? 255u : rng() % 256;
      const unsigned r = static_cast<unsigned>(x * 255 / bmp.getWidth());
      const unsigned g = static_cast<unsigned>(y * 255 / bmp.getHeight());
      const unsigned b = (r + g + rng() % 16) & 0xFF;
      bits[y * bmp.getRowSpan() + x] = alpha << 24 | r << 16 | g << 8 | b;
    }
  }
}

// Shown as megapixels per second.
void SetMegapixelRate(benchmark::State& state, double megapixelsPerIteration) {
  state.counters["Mpixels"] =
      benchmark::Counter(megapixelsPerIteration, benchmark::Counter::kIsIterationInvariantRate);
}

void FullSurfaceBlit(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(0));
  const float alpha = static_cast<float>(state.range(1)) / 100.0f;
  raster::SysBitmap surface(kSurfaceWidth, kSurfaceHeight);
  raster::MemBitmap source(kSurfaceWidth, kSurfaceHeight, 4);
  Paint(surface, 1);
  Paint(source, 2);
  for (auto _ : state) {
    raster::Blit(&surface, &source, 0, 0, nullptr, alpha, mode);
    benchmark::ClobberMemory();
  }
  SetMegapixelRate(state, kSurfaceMegapixels);
}
BENCHMARK(FullSurfaceBlit)
    ->ArgNames({"mode", "opacity%"})
    ->ArgsProduct({{0, 0x10000, 0x10001, 0x10002}, {100, 70}})
    ->Args({0, 50});

void DecodeSurfacePNG(benchmark::State& state) {
  raster::MemBitmap picture(kSurfaceWidth, kSurfaceHeight);
  Paint(picture, 3);
  const std::vector<std::uint8_t> file = raster::EncodePNG(picture);
  raster::MemBitmap target;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        raster::LoadPNGFromMemory(file.data(), static_cast<int>(file.size()), &target));
  }
  SetMegapixelRate(state, kSurfaceMegapixels);
  state.counters["file KiB"] = static_cast<double>(file.size()) / 1024.0;
}
BENCHMARK(DecodeSurfacePNG)->Unit(benchmark::kMillisecond);

// The editor's labels: short names and values, drawn over and over from cached glyphs.
void DrawLabels(benchmark::State& state) {
  const auto font = raster::Font::Create({"Futura", static_cast<int>(state.range(0)), 400, false,
                                          raster::FontQuality::kAntiAliased, 0});
  if (!font) {
    state.SkipWithError("no font");
    return;
  }
  font->setTextColor(0xFFE0E0E0);
  raster::SysBitmap surface(kSurfaceWidth, kSurfaceHeight);
  Paint(surface, 4);
  const char* const kLabels[] = {"Track 1",    "Gain -12.5 dB", "Master",      "Bypass",
                                 "Low 3.2 dB", "Mid -1.0 dB",   "High 0.0 dB", "Mode 1"};
  std::size_t characters = 0;
  for (const char* label : kLabels)
    characters += std::char_traits<char>::length(label);
  for (auto _ : state) {
    int row = 0;
    for (const char* label : kLabels) {
      raster::RECT area{100, 40 + 30 * row++, 300, 60 + 30 * row};
      font->drawText(&surface, label, -1, &area, raster::kTextCenter | raster::kTextNoClip);
    }
    benchmark::ClobberMemory();
  }
  state.counters["chars"] = benchmark::Counter(static_cast<double>(characters),
                                               benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(DrawLabels)->ArgName("height")->Arg(12)->Arg(24);

}  // namespace
