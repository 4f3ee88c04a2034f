#include "plugin/user_presets.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/desktop.h"
#include "plugin/quor_descriptor.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kExtension = ".fxp";
// No preset of ours is near this; anything larger is not read.
constexpr std::uintmax_t kMaxFileSize = 1 << 20;

}  // namespace

std::string UserPresetFolder() {
  return ConfigHomeFolder() + "/QUOR/presets";
}

std::string PresetNameOf(const std::string& path) {
  return fs::path(path).stem().string();
}

std::vector<UserPreset> ListUserPresets(const std::string& folder) {
  std::vector<UserPreset> presets;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const fs::path& path = it->path();
    if (path.extension() != kExtension || !it->is_regular_file(error)) continue;
    presets.push_back({path.stem().string(), path.string()});
  }
  std::sort(presets.begin(), presets.end(),
            [](const UserPreset& a, const UserPreset& b) { return a.mName < b.mName; });
  return presets;
}

bool SaveUserPreset(const std::string& path, const ProgramFileIdentity& identity,
                    const QUOR::State& state, std::string* error) {
  ByteChunk chunk;
  QUOR::WriteState(state, &chunk);
  const std::vector<std::uint8_t> file = MakeChunkProgramFile(identity, PresetNameOf(path), chunk);
  std::error_code made;
  fs::create_directories(fs::path(path).parent_path(), made);
  // Beside the old file under another name, then in its place: a full disk
  // leaves the old one whole.
  const std::string pending = path + ".saving";
  {
    std::ofstream out(pending, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    out.flush();
    if (!out) {
      *error = std::strerror(errno);
      out.close();
      std::remove(pending.c_str());
      return false;
    }
  }
  if (std::rename(pending.c_str(), path.c_str()) != 0) {
    *error = std::strerror(errno);
    std::remove(pending.c_str());
    return false;
  }
  return true;
}

std::optional<QUOR::State> LoadUserPreset(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(path, error);
  if (error || size > kMaxFileSize) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                        std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  const std::optional<ChunkProgram> program =
      ReadChunkProgramFile(bytes, QuorDescriptor().mIdentity.mVst2Id);
  if (!program) return std::nullopt;
  QUOR::State state;
  if (QUOR::ReadState(&program->mChunk, program->mStatePos, &state) < 0) return std::nullopt;
  return state;
}
