// The process-wide caches of decoded images and rendered fonts, shared by
// every plug-in instance in the host. Each has its own mutex; entries live
// until the process ends unless removed.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "raster/bitmap.h"
#include "raster/font.h"

// A cached font. Editors of several instances may draw with it at once from
// their own threads, and the font keeps its colour and glyphs as state, so
// every use takes its mutex.
class CachedFont {
 public:
  explicit CachedFont(std::unique_ptr<raster::Font> font) : mFont(std::move(font)) {}

  // raster::Font::drawText in the colour, under the lock.
  int DrawText(raster::Bitmap* dest, std::string_view text, raster::RECT* rect, unsigned flags,
               raster::Pixel color, const raster::RECT* clip = nullptr);
  // The width of one line of text.
  int TextWidth(std::string_view text);
  int LineHeight();

 private:
  std::mutex mMutex;
  std::unique_ptr<raster::Font> mFont;
};

class BitmapStorage {
 public:
  // Any thread.
  raster::Bitmap* Add(std::unique_ptr<raster::Bitmap> bitmap, int id);
  // The bitmap cached under id, or the one make returns, added under id; one
  // step, so two instances loading an id at once share one image. Null when
  // make gives none (nothing is cached then).
  raster::Bitmap* FindOrAdd(int id, const std::function<std::unique_ptr<raster::Bitmap>()>& make);
  // Removes the first entry holding the bitmap and deletes the bitmap.
  bool Remove(const raster::Bitmap* bitmap);
  int Size();

 private:
  struct Entry {
    int mID;
    std::unique_ptr<raster::Bitmap> mBitmap;
  };
  std::mutex mMutex;
  std::vector<Entry> mEntries;
};

class FontStorage {
 public:
  struct Key {
    int mSize;
    int mOrientation;
    int mStyle;
    std::string mFace;
    bool operator==(const Key&) const = default;
  };
  // Any thread. The font cached under the key, or the one make returns, added
  // under it; null when make gives none (nothing is cached then).
  CachedFont* FindOrAdd(const Key& key, const std::function<std::unique_ptr<raster::Font>()>& make);
  int Size();

 private:
  struct Entry {
    Key mKey;
    std::unique_ptr<CachedFont> mFont;
  };
  std::mutex mMutex;
  std::vector<Entry> mEntries;
};

extern BitmapStorage s_bitmapCache;
extern FontStorage s_fontCache;
