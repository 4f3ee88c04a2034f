// Drawing: bitmap frames and clipping, blends, text measuring, bitmapped
// text, and the process-wide bitmap and font caches.
#include "editor/caches.h"
#include "editor/resources.h"
#include "raster/png.h"
#include "raster/rows.h"
#include "tests/editor/editor_fixture.h"

namespace {

// A bitmap whose row y is coloured by y alone.
IBitmap RowNumbered(int w, int h, int n) {
  auto pixels = std::make_unique<raster::MemBitmap>(w, h);
  const raster::Rows rows(*pixels);
  for (int y = 0; y < h; ++y)
    for (raster::Pixel& p : rows.row(y))
      p = 0xFF000000u | static_cast<raster::Pixel>(y);
  return IGraphics::RetainBitmap(std::move(pixels), n);
}

class DrawingTest : public EditorTest {
 protected:
  DrawingTest() { AttachToPlug(); }
  // Draws as a control does inside a pass over the area.
  template <typename Drawing>
  void DrawIn(const IRECT& area, Drawing drawing) {
    struct Once : IControl {
      Once(IEffectBase* plug, IRECT rect, Drawing d) : IControl(plug, rect), mDrawing(d) {}
      bool Draw(IGraphics* graphics) override {
        mDrawing(*graphics);
        return true;
      }
      Drawing mDrawing;
    };
    gui->AttachControl(std::make_unique<Once>(&plug, IRECT(0, 0, 300, 200), drawing));
    gui->Draw(area);
  }
};

TEST_F(DrawingTest, FramesStartAtTheRoundedSourceRow) {
  const IBitmap fifths = RowNumbered(4, 100, 5);
  const IBitmap thirds = RowNumbered(4, 100, 3);
  DrawIn(IRECT(0, 0, 300, 200), [&](IGraphics& g) {
    g.DrawBitmap(fifths, IRECT(0, 0, 4, 20), 3);
    g.DrawBitmap(thirds, IRECT(10, 0, 14, 33), 3);
    g.DrawBitmap(thirds, IRECT(20, 0, 24, 33), 0);  // 0 and 1 both give the first frame
    g.DrawBitmap(thirds, IRECT(30, 0, 34, 33), 2, nullptr);
  });
  EXPECT_EQ(gui->GetPoint(0, 0).B, 40);
  EXPECT_EQ(gui->GetPoint(10, 0).B, 67);  // int(0.5 + 2 x 100 / 3)
  EXPECT_EQ(gui->GetPoint(20, 0).B, 0);
  EXPECT_EQ(gui->GetPoint(30, 0).B, 33);
}

TEST_F(DrawingTest, DrawingKeepsToTheDrawRectangle) {
  const IBitmap tile = FrameStrip(50, 50, 1);
  DrawIn(IRECT(10, 10, 20, 20), [&](IGraphics& g) {
    g.DrawBitmap(tile, IRECT(0, 0, 50, 50));
    g.DrawBitmap(tile, IRECT(100, 100, 150, 150));
    g.FillIRect(COLOR_RED, IRECT(0, 30, 300, 40));
    g.DrawRect(COLOR_WHITE, IRECT(12, 12, 15, 15));  // its right and bottom lie on R and B
    IText style(16, COLOR_RED, "DejaVu Sans");
    IRECT line(0, 25, 300, 55);
    g.DrawIText(&style, "Clipped text that runs wide", &line);
  });
  EXPECT_EQ(gui->GetPoint(9, 10), IColor());
  EXPECT_EQ(gui->GetPoint(10, 10), FrameColor(0));
  EXPECT_EQ(gui->GetPoint(19, 19), FrameColor(0));
  EXPECT_EQ(gui->GetPoint(15, 15), COLOR_WHITE);
  EXPECT_EQ(gui->GetPoint(13, 13), FrameColor(0));
  EXPECT_EQ(gui->GetPoint(20, 19), IColor());
  for (int x = 0; x < 300; ++x) {
    for (int y = 0; y < 60; ++y) {
      if (IRECT(10, 10, 20, 20).Contains(x, y)) continue;
      ASSERT_EQ(gui->GetPoint(x, y), IColor()) << x << "," << y;
    }
  }
}

TEST_F(DrawingTest, BlendsMapToTheirRasterModes) {
  auto pixel = std::make_unique<raster::MemBitmap>(1, 1);
  *pixel->getBits() = 0x80FF0000u;  // red at half alpha
  const IBitmap red = IGraphics::RetainBitmap(std::move(pixel));
  const IChannelBlend clobber{kBlendClobber, 1.0f};
  const IChannelBlend faded{kBlendNone, 0.25f};
  const IChannelBlend add{kBlendAdd, 1.0f};
  DrawIn(IRECT(0, 0, 300, 200), [&](IGraphics& g) {
    g.FillIRect(COLOR_BLUE, IRECT(0, 0, 10, 1));
    g.DrawBitmap(red, IRECT(0, 0, 1, 1));
    g.DrawBitmap(red, IRECT(1, 0, 2, 1), 1, &clobber);
    g.DrawBitmap(red, IRECT(2, 0, 3, 1), 1, &faded);
    g.DrawBitmap(red, IRECT(3, 0, 4, 1), 1, &add);
  });
  const IColor normal = gui->GetPoint(0, 0);
  EXPECT_NEAR(normal.R, 128, 2);
  EXPECT_NEAR(normal.B, 127, 2);
  EXPECT_EQ(gui->GetPoint(1, 0), IColor(0x80, 0xFF, 0, 0));
  const IColor weak = gui->GetPoint(2, 0);
  EXPECT_NEAR(weak.R, 32, 2);
  EXPECT_NEAR(weak.B, 223, 2);
  const IColor sum = gui->GetPoint(3, 0);
  EXPECT_NEAR(sum.R, 128, 2);
  EXPECT_EQ(sum.B, 255);
}

TEST_F(DrawingTest, MeasuredTextIsPlacedByItsAlignment) {
  IText left(16, COLOR_BLACK, "DejaVu Sans", IText::kTextNormal, IText::kAlignLeft);
  IRECT box(0, 0, 0, 0);
  ASSERT_TRUE(gui->MeasureIText(&left, "Mix bus", &box));
  const int w = box.W();
  EXPECT_GT(w, 30);
  EXPECT_EQ(box.H(), 16);
  IText centre = left;
  centre.mAlign = IText::kAlignCenter;
  IRECT centred(10, 0, 110, 20);
  gui->MeasureIText(&centre, "Mix bus", &centred);
  EXPECT_EQ(centred.L, 60 - w / 2);
  EXPECT_EQ(centred.R, centred.L + w);
  IText right = left;
  right.mAlign = IText::kAlignRight;
  IRECT righted(10, 5, 110, 20);
  gui->MeasureIText(&right, "Mix bus", &righted);
  EXPECT_EQ(righted.L, 110 - w);
  EXPECT_EQ(righted.B, 21);
  // Nothing to draw is no failure.
  IRECT untouched(1, 2, 3, 4);
  EXPECT_TRUE(gui->DrawIText(&left, "", &untouched, true));
  EXPECT_EQ(untouched, IRECT(1, 2, 3, 4));
}

TEST_F(DrawingTest, BitmappedTextWrapsAndStopsAtTheEnd) {
  const IBitmap glyphs = FrameStrip(8, 10, 96);
  IText style;
  style.mAlign = IText::kAlignLeft;
  DrawIn(IRECT(0, 0, 300, 200), [&](IGraphics& g) {
    g.DrawBitmapedText(glyphs, IRECT(0, 0, 40, 40), style, nullptr, "ABCDEFGHIJ", false, true, 8,
                       10, 0);
    g.DrawBitmapedText(glyphs, IRECT(100, 0, 140, 40), style, nullptr, "ABCDEFGHIJ", false, false,
                       8, 10, 0);
    g.DrawBitmapedText(glyphs, IRECT(200, 0, 240, 40), style, nullptr, "A", false, false, 0, 10,
                       0);  // no width: nothing, and no division by zero
  });
  const auto glyph = [](char c) { return FrameColor(c - 32); };
  EXPECT_EQ(gui->GetPoint(4, 5), glyph('A'));
  EXPECT_EQ(gui->GetPoint(36, 5), glyph('E'));
  EXPECT_EQ(gui->GetPoint(4, 15), glyph('F'));
  EXPECT_EQ(gui->GetPoint(36, 15), glyph('J'));
  EXPECT_EQ(gui->GetPoint(4, 25), IColor());
  EXPECT_EQ(gui->GetPoint(136, 5), glyph('E'));
  EXPECT_EQ(gui->GetPoint(104, 15), IColor());  // single line: the rest is cut
  EXPECT_EQ(gui->GetPoint(204, 5), IColor());
}

TEST_F(DrawingTest, FontsAreSharedByFaceSizeStyleAndOrientation) {
  IText red(23, COLOR_RED, "DejaVu Sans");
  IText blue(23, COLOR_BLUE, "DejaVu Sans", IText::kTextNormal, IText::kAlignLeft, 0,
             IText::kQualityAliased);
  IText larger(24, COLOR_RED, "DejaVu Sans");
  IText bold(23, COLOR_RED, "DejaVu Sans", IText::kTextBold);
  const int before = s_fontCache.Size();
  CachedFont* font = IGraphics::CacheFont(&red);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(red.mCachedFont, font);
  EXPECT_EQ(IGraphics::CacheFont(&blue), font);
  EXPECT_NE(IGraphics::CacheFont(&larger), font);
  EXPECT_NE(IGraphics::CacheFont(&bold), font);
  EXPECT_EQ(s_fontCache.Size(), before + 3);
  EXPECT_EQ(font->LineHeight(), 23);
}

TEST_F(DrawingTest, ImagesLoadOncePerIdAndOnlyFromPngResources) {
  raster::MemBitmap image(6, 9);
  *image.getBits() = 0xFF123456u;
  RegisterImageResource("DrawingKnob", raster::EncodePNG(image));
  const int cached = s_bitmapCache.Size();
  const IBitmap knob = gui->LoadIBitmap(9101, "resources/img/DrawingKnob.png", 3);
  ASSERT_TRUE(knob.IsValid());
  EXPECT_EQ(knob.W, 6);
  EXPECT_EQ(knob.H, 9);
  EXPECT_EQ(knob.N, 3);
  EXPECT_EQ(IRECT(0, 0, knob), IRECT(0, 0, 6, 3));
  EXPECT_EQ(s_bitmapCache.Size(), cached + 1);
  // The first load of an id wins, whatever the name.
  EXPECT_EQ(gui->LoadIBitmap(9101, "resources/img/Other.png").mData, knob.mData);
  // The extension in any case; nothing but png.
  EXPECT_TRUE(gui->LoadIBitmap(9102, "DrawingKnob.PnG").IsValid());
  EXPECT_FALSE(gui->LoadIBitmap(9103, "resources/img/DrawingKnob.jpg").IsValid());
  // A missing image loads empty, draws nothing, and is not cached.
  const IBitmap missing = gui->LoadIBitmap(9104, "resources/img/Missing.png", 2);
  EXPECT_FALSE(missing.IsValid());
  EXPECT_EQ(missing.N, 2);
  EXPECT_EQ(s_bitmapCache.Size(), cached + 2);
  DrawIn(IRECT(0, 0, 300, 200), [&](IGraphics& g) { g.DrawBitmap(missing, IRECT(0, 0, 5, 5)); });
  RegisterImageResource("Missing", raster::EncodePNG(image));
  EXPECT_TRUE(gui->LoadIBitmap(9104, "resources/img/Missing.png").IsValid());
}

}  // namespace
