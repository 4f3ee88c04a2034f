#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "raster/deferred_png.h"
#include "raster/mem_bitmap.h"
#include "raster/png.h"
#include "tests/raster/test_bitmaps.h"

namespace raster {
namespace {

using Bytes = std::vector<std::uint8_t>;

// An image to encode: samples per pixel in PNG channel order, at the given depth.
struct Image {
  int width = 0;
  int height = 0;
  int colorType = PNG_COLOR_TYPE_GRAY;
  int depth = 8;
  bool interlaced = false;
  std::vector<std::vector<int>> samples;  // [row][x * channels + c]
  std::vector<png_color> palette;
  std::vector<png_byte> paletteAlpha;  // tRNS for palette images
  std::optional<png_color_16> transparentColor;
};

int ChannelsOf(int colorType) {
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB:
      return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return 4;
    default:
      return 1;
  }
}

void AppendBytes(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

// Written with the library's writer, independently of the code under test.
Bytes Encode(const Image& image) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    ADD_FAILURE() << "writer failed";
    return {};
  }
  png_set_write_fn(png, &out, AppendBytes, nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), image.depth, image.colorType,
               image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!image.palette.empty()) {
    png_set_PLTE(png, info, image.palette.data(), static_cast<int>(image.palette.size()));
  }
  if (!image.paletteAlpha.empty()) {
    png_set_tRNS(png, info, image.paletteAlpha.data(), static_cast<int>(image.paletteAlpha.size()),
                 nullptr);
  }
  if (image.transparentColor) {
    png_color_16 color = *image.transparentColor;
    png_set_tRNS(png, info, nullptr, 0, &color);
  }
  png_write_info(png, info);
  if (image.depth < 8) png_set_packing(png);
  const int bytesPerSample = image.depth == 16 ? 2 : 1;
  std::vector<std::vector<png_byte>> rows;
  for (const auto& samples : image.samples) {
    std::vector<png_byte> row;
    for (const int s : samples) {
      if (bytesPerSample == 2) row.push_back(static_cast<png_byte>(s >> 8));
      row.push_back(static_cast<png_byte>(s & 0xFF));
    }
    rows.push_back(std::move(row));
  }
  std::vector<png_bytep> pointers;
  for (auto& row : rows)
    pointers.push_back(row.data());
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

Pixel Word(int a, int r, int g, int b) {
  return static_cast<Pixel>(a) << 24 | static_cast<Pixel>(r) << 16 | static_cast<Pixel>(g) << 8 |
         static_cast<Pixel>(b);
}

// The pixel word a sample tuple should decode to.
Pixel Expected(const Image& image, const int* s) {
  const int maxValue = (1 << image.depth) - 1;
  const auto to8 = [&](int v) { return image.depth == 16 ? v >> 8 : v * 255 / maxValue; };
  switch (image.colorType) {
    case PNG_COLOR_TYPE_GRAY: {
      const bool clear = image.transparentColor && image.transparentColor->gray == s[0];
      return Word(clear ? 0 : 255, to8(s[0]), to8(s[0]), to8(s[0]));
    }
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return Word(to8(s[1]), to8(s[0]), to8(s[0]), to8(s[0]));
    case PNG_COLOR_TYPE_RGB: {
      const auto& t = image.transparentColor;
      const bool clear = t && t->red == s[0] && t->green == s[1] && t->blue == s[2];
      return Word(clear ? 0 : 255, to8(s[0]), to8(s[1]), to8(s[2]));
    }
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return Word(to8(s[3]), to8(s[0]), to8(s[1]), to8(s[2]));
    default: {
      const auto index = static_cast<std::size_t>(s[0]);
      const png_color& c = image.palette[index];
      const int a = index < image.paletteAlpha.size() ? image.paletteAlpha[index] : 255;
      return Word(a, c.red, c.green, c.blue);
    }
  }
}

Image RandomImage(std::mt19937& rng, int colorType, int depth, int width, int height) {
  Image image;
  image.width = width;
  image.height = height;
  image.colorType = colorType;
  image.depth = depth;
  const int channels = ChannelsOf(colorType);
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    for (int i = 0; i < (1 << depth); ++i) {
      image.palette.push_back({static_cast<png_byte>(rng()), static_cast<png_byte>(rng()),
                               static_cast<png_byte>(rng())});
    }
  }
  for (int y = 0; y < height; ++y) {
    std::vector<int> row;
    for (int i = 0; i < width * channels; ++i)
      row.push_back(static_cast<int>(rng() % (1u << depth)));
    image.samples.push_back(std::move(row));
  }
  return image;
}

void ExpectDecodesToPixelWords(const Image& image) {
  const Bytes file = Encode(image);
  const auto bmp = LoadPNGFromMemory(file);
  ASSERT_NE(bmp, nullptr);
  ASSERT_EQ(bmp->getWidth(), image.width);
  ASSERT_EQ(bmp->getHeight(), image.height);
  EXPECT_EQ(bmp->getRowSpan() % 4, 0);
  const int channels = ChannelsOf(image.colorType);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const int* s =
          &image.samples[static_cast<std::size_t>(y)][static_cast<std::size_t>(x * channels)];
      ASSERT_EQ(test::At(*bmp, x, y), Expected(image, s)) << x << "," << y;
    }
  }
}

TEST(PNG, EveryColorTypeAndDepthDecodesToPixelWords) {
  std::mt19937 rng(99);
  const std::vector<std::pair<int, std::vector<int>>> kinds = {
      {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}},
      {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
      {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}},
      {PNG_COLOR_TYPE_RGB, {8, 16}},
      {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}}};
  for (const auto& [colorType, depths] : kinds) {
    for (const int depth : depths) {
      for (const bool interlaced : {false, true}) {
        SCOPED_TRACE("color type " + std::to_string(colorType) + " depth " + std::to_string(depth) +
                     (interlaced ? " interlaced" : ""));
        Image image = RandomImage(rng, colorType, depth, 13, 7);
        image.interlaced = interlaced;
        ExpectDecodesToPixelWords(image);
        if (colorType == PNG_COLOR_TYPE_PALETTE) {
          // Transparency for some entries only; the rest stay opaque.
          image.paletteAlpha = {0, 128};
          if (depth > 1) image.paletteAlpha.push_back(7);
          ExpectDecodesToPixelWords(image);
        }
        if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_RGB) {
          const auto& first = image.samples[0];
          png_color_16 key{};
          key.gray = static_cast<png_uint_16>(first[0]);
          if (colorType == PNG_COLOR_TYPE_RGB) {
            key.red = static_cast<png_uint_16>(first[0]);
            key.green = static_cast<png_uint_16>(first[1]);
            key.blue = static_cast<png_uint_16>(first[2]);
          }
          image.transparentColor = key;
          ExpectDecodesToPixelWords(image);
        }
      }
    }
  }
}

TEST(PNG, OneBitGreyIsOpaqueBlackAndWhite) {
  Image image;
  image.width = 2;
  image.height = 1;
  image.depth = 1;
  image.samples = {{0, 1}};
  const Bytes file = Encode(image);
  const auto bmp = LoadPNGFromMemory(file);
  ASSERT_NE(bmp, nullptr);
  EXPECT_EQ(test::At(*bmp, 0, 0), 0xFF000000u);
  EXPECT_EQ(test::At(*bmp, 1, 0), 0xFFFFFFFFu);
}

TEST(PNG, GivenBitmapIsResizedAndReturned) {
  std::mt19937 rng(3);
  const Bytes file = Encode(RandomImage(rng, PNG_COLOR_TYPE_RGB_ALPHA, 8, 5, 4));
  test::FlippedBitmap target(1, 1);
  EXPECT_EQ(LoadPNGFromMemory(file.data(), static_cast<int>(file.size()), &target), &target);
  EXPECT_EQ(target.getWidth(), 5);
  EXPECT_EQ(target.getHeight(), 4);

  const std::unique_ptr<Bitmap> made(
      LoadPNGFromMemory(file.data(), static_cast<int>(file.size()), nullptr));
  ASSERT_NE(made, nullptr);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(test::At(target, x, y), test::At(*made, x, y));
  }
}

TEST(PNG, FileFormReadsWritesAndRefuses) {
  std::mt19937 rng(5);
  MemBitmap picture(31, 17);
  test::FillRandom(picture, rng);
  const std::string path = ::testing::TempDir() + "raster_png_test.png";
  ASSERT_TRUE(WritePNG(picture, path.c_str()));
  const auto back = LoadPNG(path.c_str());
  ASSERT_NE(back, nullptr);
  for (int y = 0; y < 17; ++y) {
    for (int x = 0; x < 31; ++x)
      ASSERT_EQ(test::At(*back, x, y), test::At(picture, x, y));
  }
  EXPECT_EQ(LoadPNG((path + ".missing").c_str()), nullptr);
  EXPECT_EQ(LoadPNG(nullptr, nullptr), nullptr);

  std::FILE* text = std::fopen(path.c_str(), "wb");
  ASSERT_NE(text, nullptr);
  std::fputs("not an image at all", text);
  std::fclose(text);
  MemBitmap untouched(3, 3);
  EXPECT_EQ(LoadPNG(path.c_str(), &untouched), nullptr);
  EXPECT_EQ(untouched.getWidth(), 3);
  std::remove(path.c_str());
}

// Recomputes every chunk's CRC so that damage reaches the decoder instead of the checksum.
void FixChecksums(Bytes& file) {
  std::size_t at = 8;
  while (at + 12 <= file.size()) {
    const std::size_t length = static_cast<std::size_t>(file[at]) << 24 |
                               static_cast<std::size_t>(file[at + 1]) << 16 |
                               static_cast<std::size_t>(file[at + 2]) << 8 | file[at + 3];
    if (length > file.size() - at - 12) return;
    const uLong crc = crc32(0, file.data() + at + 4, static_cast<uInt>(length + 4));
    for (int i = 0; i < 4; ++i)
      file[at + 8 + length + static_cast<std::size_t>(i)] =
          static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    at += length + 12;
  }
}

// Decoding must either fail or give a bitmap of the declared size; never crash or overrun.
void DecodeDamaged(const Bytes& file) {
  const auto bmp = LoadPNGFromMemory(file);
  if (bmp) {
    EXPECT_GT(bmp->getWidth(), 0);
    EXPECT_GT(bmp->getHeight(), 0);
  }
}

TEST(PNG, TruncatedCorruptedAndRandomInputFailsSafely) {
  std::mt19937 rng(11);
  Image image = RandomImage(rng, PNG_COLOR_TYPE_PALETTE, 4, 40, 9);
  image.paletteAlpha = {10, 20};
  image.interlaced = true;
  const Bytes files[] = {Encode(image),
                         Encode(RandomImage(rng, PNG_COLOR_TYPE_RGB_ALPHA, 16, 21, 6))};

  for (const Bytes& file : files) {
    // Everything but the closing IEND chunk (12 bytes) is needed.
    for (std::size_t length = 0; length < file.size() - 12; ++length) {
      const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
      ASSERT_EQ(LoadPNGFromMemory(cut), nullptr) << "length " << length;
    }
    for (int round = 0; round < 1500; ++round) {
      Bytes damaged = file;
      const int hits = 1 + static_cast<int>(rng() % 4);
      for (int i = 0; i < hits; ++i)
        damaged[8 + rng() % (damaged.size() - 8)] ^= static_cast<std::uint8_t>(1 + rng() % 255);
      if (round % 2 == 0) FixChecksums(damaged);
      DecodeDamaged(damaged);
    }
  }
  for (int round = 0; round < 1500; ++round) {
    Bytes noise(rng() % 300);
    for (auto& b : noise)
      b = static_cast<std::uint8_t>(rng());
    if (round % 2 == 0 && noise.size() >= 8)
      std::copy(files[0].begin(), files[0].begin() + 8, noise.begin());
    DecodeDamaged(noise);
  }
  EXPECT_EQ(LoadPNGFromMemory(files[0].data(), -5, nullptr), nullptr);
  EXPECT_EQ(LoadPNGFromMemory(nullptr, 100, nullptr), nullptr);
}

TEST(PNG, OversizedHeaderIsRefusedBeforeAllocating) {
  std::mt19937 rng(13);
  Bytes file = Encode(RandomImage(rng, PNG_COLOR_TYPE_GRAY, 8, 4, 4));
  // IHDR width and height (bytes 16..23) to 30000 x 30000.
  for (const std::size_t at : {std::size_t{16}, std::size_t{20}}) {
    file[at] = 0;
    file[at + 1] = 0;
    file[at + 2] = 0x75;
    file[at + 3] = 0x30;
  }
  FixChecksums(file);
  EXPECT_EQ(LoadPNGFromMemory(file), nullptr);
}

TEST(PNG, SizeFromTheHeaderAlone) {
  std::mt19937 rng(17);
  const Bytes file = Encode(RandomImage(rng, PNG_COLOR_TYPE_RGB, 8, 7, 3));
  int w = 0, h = 0;
  ASSERT_TRUE(ReadPNGSize(Bytes(file.begin(), file.begin() + 24), &w, &h));
  EXPECT_EQ(w, 7);
  EXPECT_EQ(h, 3);
  EXPECT_FALSE(ReadPNGSize(Bytes(file.begin(), file.begin() + 23), &w, &h));
  for (const std::size_t at : {std::size_t{0}, std::size_t{11}, std::size_t{12}}) {
    Bytes damaged = file;
    damaged[at] ^= 1;  // signature, chunk length, chunk type
    EXPECT_FALSE(ReadPNGSize(damaged, &w, &h)) << at;
  }
  Bytes empty = file;
  std::fill(empty.begin() + 16, empty.begin() + 20, std::uint8_t{0});
  EXPECT_FALSE(ReadPNGSize(empty, &w, &h));
  Bytes huge = file;
  huge[16] = 0x7F;
  EXPECT_FALSE(ReadPNGSize(huge, &w, &h));
}

// Sized at once, decoded at the first use of the pixels, into what the
// decoder gives; a body that does not decode leaves no pixels.
TEST(PNG, DeferredImageDecodesAtFirstUse) {
  std::mt19937 rng(19);
  const auto file =
      std::make_shared<const Bytes>(Encode(RandomImage(rng, PNG_COLOR_TYPE_RGB_ALPHA, 8, 9, 5)));
  const auto image = DeferredPNG::Make(file);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->getWidth(), 9);
  EXPECT_EQ(image->getHeight(), 5);
  EXPECT_FALSE(image->IsDecoded());
  const auto decoded = LoadPNGFromMemory(*file);
  ASSERT_NE(image->getBits(), nullptr);
  EXPECT_TRUE(image->IsDecoded());
  EXPECT_EQ(image->getRowSpan(), decoded->getRowSpan());
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x)
      ASSERT_EQ(test::At(*image, x, y), test::At(*decoded, x, y)) << x << ", " << y;

  Bytes cut(file->begin(), file->begin() + 40);
  const auto broken = DeferredPNG::Make(std::make_shared<const Bytes>(std::move(cut)));
  ASSERT_NE(broken, nullptr);
  EXPECT_EQ(broken->getWidth(), 9);
  EXPECT_EQ(broken->getBits(), nullptr);
  EXPECT_EQ(broken->getWidth(), 0);
  EXPECT_EQ(DeferredPNG::Make(std::make_shared<const Bytes>(10, std::uint8_t{0})), nullptr);
}

TEST(PNG, EncodesToMemory) {
  MemBitmap empty;
  EXPECT_TRUE(EncodePNG(empty).empty());
  MemBitmap one(1, 1);
  test::At(one, 0, 0) = 0x80402010;
  const Bytes file = EncodePNG(one);
  const auto back = LoadPNGFromMemory(file);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(test::At(*back, 0, 0), 0x80402010u);
}

}  // namespace
}  // namespace raster
