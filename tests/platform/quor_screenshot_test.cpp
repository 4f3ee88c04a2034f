// QUOR's editor as `quor-host screenshot` grabs it from a real X server, at
// 100% and at 200%: the same pixels as its drawing without a display, and as
// the golden images of its defaults in docs/.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "editor/igraphics_headless.h"
#include "platform/desktop.h"
#include "plugin/quor.h"
#include "raster/png.h"
#include "raster/rows.h"
#include "tests/editor/golden.h"
#include "tests/platform/x_session.h"
#include "tests/plugin/editor_text_areas.h"

namespace {

namespace fs = std::filesystem;

class QuorScreenshot : public ::testing::TestWithParam<std::pair<double, const char*>> {};

TEST_P(QuorScreenshot, EqualsTheDrawingWithoutADisplay) {
  REQUIRE_X_SESSION();
  const auto [scale, golden] = GetParam();
  const fs::path png =
      fs::temp_directory_path() / ("quor-shot-" + std::to_string(getpid()) + ".png");
  ASSERT_EQ(RunAndWait({QUOR_HOST, "screenshot", QUOR_PLUGIN, png.string(), "--scale",
                        std::to_string(scale)},
                       nullptr, nullptr),
            0);
  const auto shot = raster::LoadPNG(png.c_str());
  fs::remove(png);
  ASSERT_NE(shot, nullptr);

  QUOR console(QUOR::Editor::kHeadless);
  auto* headless = dynamic_cast<IGraphicsHeadless*>(console.GetGUI());
  ASSERT_NE(headless, nullptr);
  headless->SetScale(scale);
  headless->Tick();
  const auto drawn = headless->Snapshot();
  ASSERT_EQ(shot->getWidth(), drawn->getWidth());
  ASSERT_EQ(shot->getHeight(), drawn->getHeight());
  // The window has no alpha: the colours must agree, every pixel of them.
  const raster::Rows got(*shot), want(*drawn);
  long long differing = 0;
  for (int y = 0; y < want.height(); ++y)
    for (int x = 0; x < want.width(); ++x)
      if (((got.at(x, y) ^ want.at(x, y)) & 0x00FFFFFFu) != 0 && differing++ < 5)
        ADD_FAILURE() << "pixel " << x << "," << y << " differs";
  EXPECT_EQ(differing, 0);

  std::vector<IRECT> text;
  for (const IRECT& area : kQuorEditorTextAreas)
    text.push_back(headless->ToSurface(area));
  ExpectGolden(*shot, std::string(QUOR_DOCS_DIR) + "/" + golden, text);
}

INSTANTIATE_TEST_SUITE_P(Scales, QuorScreenshot,
                         ::testing::Values(std::pair(1., "editor-default.png"),
                                           std::pair(2., "editor-200.png")),
                         [](const auto& scale) { return scale.index == 0 ? "100" : "200"; });

}  // namespace
