#include "editor/resources.h"

#include <cctype>
#include <map>
#include <mutex>
#include <string_view>
#include <vector>

#include "raster/deferred_png.h"

namespace {

// An image's bytes, and what keeps them alive: shared with the images made
// from them, which decode later. Bytes that live as long as the program (a
// library's own) have no owner.
struct ImageBytes {
  std::span<const std::uint8_t> mPng;
  std::shared_ptr<const void> mOwner;
};

struct ResourceTable {
  std::mutex mMutex;
  std::map<std::string, ImageBytes, std::less<>> mImages;
};

ResourceTable& Table() {
  static ResourceTable table;
  return table;
}

bool EndsWithPng(std::string_view path) {
  if (path.size() < 3) return false;
  const std::string_view tail = path.substr(path.size() - 3);
  return std::tolower(static_cast<unsigned char>(tail[0])) == 'p' &&
         std::tolower(static_cast<unsigned char>(tail[1])) == 'n' &&
         std::tolower(static_cast<unsigned char>(tail[2])) == 'g';
}

// "resources/img/BG.png" -> "BG".
std::string_view ResourceName(std::string_view path) {
  if (const auto slash = path.find_last_of('/'); slash != std::string_view::npos)
    path.remove_prefix(slash + 1);
  if (const auto dot = path.find_last_of('.'); dot != std::string_view::npos)
    path = path.substr(0, dot);
  return path;
}

}  // namespace

void RegisterImageResource(const std::string& name, std::span<const std::uint8_t> png) {
  auto copy = std::make_shared<const std::vector<std::uint8_t>>(png.begin(), png.end());
  const std::span<const std::uint8_t> bytes(*copy);
  ResourceTable& table = Table();
  std::lock_guard lock(table.mMutex);
  table.mImages[name] = {bytes, std::move(copy)};
}

void RegisterLastingImageResource(const std::string& name, std::span<const std::uint8_t> png) {
  ResourceTable& table = Table();
  std::lock_guard lock(table.mMutex);
  table.mImages[name] = {png, nullptr};
}

std::unique_ptr<raster::Bitmap> LoadImageResource(const char* path) {
  if (!path || !EndsWithPng(path)) return nullptr;
  ResourceTable& table = Table();
  std::lock_guard lock(table.mMutex);
  const auto found = table.mImages.find(ResourceName(path));
  if (found == table.mImages.end()) return nullptr;
  return raster::DeferredPNG::Make(found->second.mPng, found->second.mOwner);
}
