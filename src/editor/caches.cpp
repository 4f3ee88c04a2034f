#include "editor/caches.h"

#include <algorithm>

BitmapStorage s_bitmapCache;
FontStorage s_fontCache;

int CachedFont::DrawText(raster::Bitmap* dest, std::string_view text, raster::RECT* rect,
                         unsigned flags, raster::Pixel color, const raster::RECT* clip) {
  std::lock_guard lock(mMutex);
  mFont->setTextColor(color);
  return mFont->drawText(dest, text.data(), static_cast<int>(text.size()), rect, flags, clip);
}

int CachedFont::TextWidth(std::string_view text) {
  raster::RECT rect{0, 0, 0, 0};
  std::lock_guard lock(mMutex);
  mFont->drawText(nullptr, text.data(), static_cast<int>(text.size()), &rect,
                  raster::kTextCalcRect);
  return rect.right;
}

int CachedFont::LineHeight() {
  std::lock_guard lock(mMutex);
  return mFont->lineHeight();
}

raster::Bitmap* BitmapStorage::Add(std::unique_ptr<raster::Bitmap> bitmap, int id) {
  if (!bitmap) return nullptr;
  std::lock_guard lock(mMutex);
  mEntries.push_back({id, std::move(bitmap)});
  return mEntries.back().mBitmap.get();
}

raster::Bitmap* BitmapStorage::FindOrAdd(
    int id, const std::function<std::unique_ptr<raster::Bitmap>()>& make) {
  std::lock_guard lock(mMutex);
  for (const Entry& entry : mEntries)
    if (entry.mID == id) return entry.mBitmap.get();
  std::unique_ptr<raster::Bitmap> bitmap = make();
  if (!bitmap) return nullptr;
  mEntries.push_back({id, std::move(bitmap)});
  return mEntries.back().mBitmap.get();
}

bool BitmapStorage::Remove(const raster::Bitmap* bitmap) {
  std::lock_guard lock(mMutex);
  const auto found = std::find_if(mEntries.begin(), mEntries.end(), [&](const Entry& entry) {
    return entry.mBitmap.get() == bitmap;
  });
  if (found == mEntries.end()) return false;
  mEntries.erase(found);
  return true;
}

int BitmapStorage::Size() {
  std::lock_guard lock(mMutex);
  return static_cast<int>(mEntries.size());
}

CachedFont* FontStorage::FindOrAdd(const Key& key,
                                   const std::function<std::unique_ptr<raster::Font>()>& make) {
  std::lock_guard lock(mMutex);
  for (const Entry& entry : mEntries)
    if (entry.mKey == key) return entry.mFont.get();
  std::unique_ptr<raster::Font> font = make();
  if (!font) return nullptr;
  mEntries.push_back({key, std::make_unique<CachedFont>(std::move(font))});
  return mEntries.back().mFont.get();
}

int FontStorage::Size() {
  std::lock_guard lock(mMutex);
  return static_cast<int>(mEntries.size());
}
