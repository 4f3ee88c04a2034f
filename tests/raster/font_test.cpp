#include <gtest/gtest.h>

#include <string>

#include "raster/font.h"
#include "raster/mem_bitmap.h"
#include "tests/raster/test_bitmaps.h"

namespace raster {
namespace {

using test::At;

std::unique_ptr<Font> MakeFont(const std::string& face, int height,
                               FontQuality quality = FontQuality::kAntiAliased) {
  return Font::Create({face, height, 400, false, quality, 0});
}

struct Ink {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  unsigned maxAlpha = 0;
  bool onlyWholeAlpha = true;
};

Ink InkOf(Bitmap& bmp) {
  Ink ink;
  for (int y = 0; y < bmp.getHeight(); ++y) {
    for (int x = 0; x < bmp.getWidth(); ++x) {
      const unsigned a = At(bmp, x, y) >> 24;
      if (a == 0) continue;
      ink.left = std::min(ink.left, x);
      ink.top = std::min(ink.top, y);
      ink.right = std::max(ink.right, x + 1);
      ink.bottom = std::max(ink.bottom, y + 1);
      ink.maxAlpha = std::max(ink.maxAlpha, a);
      if (a != 255) ink.onlyWholeAlpha = false;
    }
  }
  return ink;
}

TEST(Font, DrawnTextLiesWithinItsMeasure) {
  const char* const kTexts[] = {"Gain", "Track 8 -12.5 dB", "jWyfQ|", "Ågç ÿ", "two\nlines here"};
  for (const char* face : {"Futura", "DejaVu Sans"}) {
    for (const int height : {9, 14, 23}) {
      const auto font = MakeFont(face, height);
      ASSERT_NE(font, nullptr);
      font->setTextColor(0xFF000000);
      for (const char* text : kTexts) {
        for (const unsigned align : {kTextLeft, kTextCenter, kTextRight}) {
          MemBitmap bmp(300, 100);
          test::Fill(bmp, 0);
          RECT area{40, 20, 260, 40};
          const int drawnHeight = font->drawText(&bmp, text, -1, &area, align | kTextNoClip);
          RECT measure{0, 0, 0, 0};
          const int measuredHeight = font->drawText(nullptr, text, -1, &measure, kTextCalcRect);
          EXPECT_EQ(drawnHeight, measuredHeight);
          const int w = measure.right;
          const int left = align == kTextLeft     ? 40
                           : align == kTextCenter ? 40 + (220 - w) / 2
                                                  : 260 - w;
          const Ink ink = InkOf(bmp);
          SCOPED_TRACE(std::string(face) + " '" + text + "' height " + std::to_string(height));
          ASSERT_GE(ink.right, 0) << "nothing drawn";
          EXPECT_GE(ink.left, left);
          EXPECT_LE(ink.right, left + w);
          EXPECT_GE(ink.top, 20);
          EXPECT_LE(ink.bottom, 20 + measure.bottom);
        }
      }
    }
  }
}

TEST(Font, MissingFaceFallsBack) {
  const auto font = MakeFont("No Such Face Anywhere", 12);
  ASSERT_NE(font, nullptr);
  EXPECT_FALSE(font->family().empty());
  const auto wanted = MakeFont("Futura", 12);
  ASSERT_NE(wanted, nullptr);
  const auto spartan = MakeFont("League Spartan", 12);
  if (spartan->family() == "League Spartan") {
    EXPECT_EQ(wanted->family(), "League Spartan");
  }
}

TEST(Font, LineHeightIsTheRequestedHeight) {
  for (int height = 6; height <= 48; ++height) {
    EXPECT_EQ(MakeFont("Futura", height)->lineHeight(), height);
  }
}

TEST(Font, GlyphsAreRenderedOnce) {
  const auto font = MakeFont("Futura", 15);
  MemBitmap bmp(200, 30);
  RECT area{0, 0, 200, 30};
  font->drawText(&bmp, "level", -1, &area, kTextLeft);
  const long long first = font->glyphsRendered();
  EXPECT_GE(first, 3);  // l, e, v
  font->drawText(&bmp, "level", -1, &area, kTextLeft);
  font->drawText(nullptr, "vel", -1, &area, kTextCalcRect);
  EXPECT_EQ(font->glyphsRendered(), first);
  font->drawText(&bmp, "levels", -1, &area, kTextLeft);
  EXPECT_EQ(font->glyphsRendered(), first + 1);
}

TEST(Font, ColorAlphaOnlyWhenAsked) {
  const auto font = MakeFont("Futura", 20);
  font->setTextColor(0x80FFFFFF);
  MemBitmap bmp(200, 40);
  RECT area{2, 2, 200, 40};
  test::Fill(bmp, 0);
  font->drawText(&bmp, "Mix", -1, &area, kTextLeft | kTextColorAlpha);
  EXPECT_EQ(InkOf(bmp).maxAlpha, 0x80u);
  test::Fill(bmp, 0);
  font->drawText(&bmp, "Mix", -1, &area, kTextLeft);
  EXPECT_EQ(InkOf(bmp).maxAlpha, 0xFFu);
}

TEST(Font, ClipKeepsInkInside) {
  const auto font = MakeFont("Futura", 20);
  MemBitmap bmp(200, 40);
  test::Fill(bmp, 0);
  RECT area{2, 2, 200, 40};
  const RECT clip{20, 8, 40, 16};
  font->drawText(&bmp, "Mixing console", -1, &area, kTextLeft, &clip);
  const Ink ink = InkOf(bmp);
  EXPECT_GT(ink.right, 0);
  EXPECT_GE(ink.left, 20);
  EXPECT_GE(ink.top, 8);
  EXPECT_LE(ink.right, 40);
  EXPECT_LE(ink.bottom, 16);
  const RECT outside{-50, -50, -10, -10};
  test::Fill(bmp, 0);
  font->drawText(&bmp, "Mixing console", -1, &area, kTextLeft, &outside);
  EXPECT_EQ(InkOf(bmp).right, -1);
}

TEST(Font, AliasedQualityHasNoPartialCoverage) {
  const auto font = MakeFont("DejaVu Sans", 13, FontQuality::kAliased);
  font->setTextColor(0xFF202020);
  MemBitmap bmp(200, 30);
  test::Fill(bmp, 0);
  RECT area{0, 0, 200, 30};
  font->drawText(&bmp, "Aliased &gs", -1, &area, kTextLeft);
  const Ink ink = InkOf(bmp);
  EXPECT_GT(ink.right, 0);
  EXPECT_TRUE(ink.onlyWholeAlpha);
}

TEST(Font, BadInputIsHarmless) {
  const auto font = MakeFont("Futura", 12);
  MemBitmap bmp(50, 20);
  RECT area{-1000, -5, 10, 10};
  const char broken[] = {'\xC3', 'A',    '\xE2', '\x82', '\xF4', '\x90', '\x80',
                         '\x80', '\xED', '\xA0', '\x80', '\xFF', 'z',    '\xC0'};
  font->drawText(&bmp, broken, sizeof broken, &area, kTextLeft);
  font->drawText(&bmp, "tail", 2, &area, kTextRight);
  EXPECT_EQ(font->drawText(&bmp, nullptr, -1, &area, kTextLeft), 0);
  EXPECT_EQ(font->drawText(&bmp, "x", -1, nullptr, kTextLeft), 0);
  RECT far{std::numeric_limits<int>::max() - 5, 0, std::numeric_limits<int>::max(), 10};
  font->drawText(&bmp, "far away", -1, &far, kTextCenter);
  font->drawText(nullptr, "far away", -1, &far, kTextCalcRect);
  EXPECT_EQ(font->drawText(&bmp, "", -1, &area, kTextCalcRect), 0);
}

TEST(Font, CodePointsTheFaceLacksComeFromAnotherOnTheSameBaseline) {
  // League Spartan has no Greek, Cyrillic or CJK; the desktop's other faces do.
  const auto font = MakeFont("League Spartan", 20);
  ASSERT_EQ(font->family(), "League Spartan");
  font->setTextColor(0xFF000000);
  RECT area{0, 0, 300, 40};
  const auto inkOf = [&](const char* text) {
    MemBitmap bmp(300, 40);
    test::Fill(bmp, 0);
    RECT box = area;
    font->drawText(&bmp, text, -1, &box, kTextLeft);
    return InkOf(bmp);
  };
  const Ink latin = inkOf("H");
  for (const char* text : {"\u03A9", "\u0416", "\u9F13"}) {
    SCOPED_TRACE(text);
    const Ink ink = inkOf(text);
    EXPECT_GT(ink.right - ink.left, 5);
    EXPECT_NEAR(ink.bottom, latin.bottom, 2);  // sits on the baseline
  }
  RECT measure = area;
  font->drawText(nullptr, "\u03A9\u03BC\u03AD\u03B3\u03B1 \u0416\u0443\u043A \u9F13", -1, &measure,
                 kTextCalcRect);
  EXPECT_GT(measure.right, 70);
}

TEST(Font, EllipsisCutsAtACharacterAndKeepsInkInside) {
  const auto font = MakeFont("League Spartan", 18);
  font->setTextColor(0xFF000000);
  MemBitmap bmp(300, 40);
  const RECT area{50, 5, 150, 35};
  const auto draw = [&](const std::string& text, unsigned flags) {
    test::Fill(bmp, 0);
    RECT box = area;
    font->drawText(&bmp, text.c_str(), -1, &box, flags);
    return InkOf(bmp);
  };
  // A combining acute stays with its letter: the text is never cut between them.
  std::string name;
  for (int i = 0; i < 40; ++i)
    name += "e\u0301";
  for (unsigned align : {kTextLeft, kTextCenter, kTextRight}) {
    const Ink ink = draw(name, align | kTextEndEllipsis);
    EXPECT_GE(ink.left, area.left);
    EXPECT_LE(ink.right, area.right);
    EXPECT_GT(ink.right - ink.left, 80);
  }
  std::string cut;
  for (int i = 0; i < 40; ++i) {
    cut += "e\u0301";
    RECT measure{0, 0, 100, 0};
    font->drawText(nullptr, (cut + "\u2026").c_str(), -1, &measure, kTextCalcRect);
    if (measure.right > 100) break;
  }
  // The longest start that fits with its ellipsis, no more, no less.
  cut.resize(cut.size() - 3);
  const Ink fitted = draw(name, kTextEndEllipsis);
  const Ink expected = draw(cut + "\u2026", kTextLeft);
  EXPECT_EQ(fitted.right, expected.right);
  // What fits is drawn as it is.
  EXPECT_EQ(draw("Bass", kTextEndEllipsis).right, draw("Bass", kTextLeft).right);
}

}  // namespace
}  // namespace raster
