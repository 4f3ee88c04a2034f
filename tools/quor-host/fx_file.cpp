#include "quor-host/fx_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "quor-host/host_error.h"
#include "quor-host/pending_file.h"
#include "quor-host/text.h"

namespace {

constexpr std::size_t kMaxFileSize = std::size_t{1} << 30;

}  // namespace

FxFile FxFileFromBytes(std::span<const std::uint8_t> bytes) {
  FxParseResult parsed = ParseFxFile(bytes);
  if (!parsed) throw HostError(parsed.error);
  if (!FxByteSizeIsPlausible(parsed.file, bytes.size())) {
    throw HostError(Format("corrupt file: byteSize says %d bytes, the file holds %zu",
                           parsed.file.byteSize, bytes.size()));
  }
  return std::move(parsed.file);
}

std::vector<std::uint8_t> FxFileToBytes(const FxFile& file) {
  std::vector<std::uint8_t> bytes;
  if (!SerializeFxFile(file, &bytes)) throw HostError("the state is too large for a program file");
  return bytes;
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream stream(path, std::ios::binary | std::ios::ate);
  if (!stream) throw HostError(path + ": cannot open");
  const std::streamoff size = stream.tellg();
  if (size < 0 || static_cast<std::size_t>(size) > kMaxFileSize) {
    throw HostError(path + ": not a regular file of a sane size");
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  stream.seekg(0);
  if (!stream.read(reinterpret_cast<char*>(bytes.data()), size)) {
    throw HostError(path + ": read failed");
  }
  return bytes;
}

void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  PendingFile file(path);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = write(file.Descriptor(), bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) throw HostError(path + ": write failed (" + std::strerror(errno) + ")");
    done += static_cast<std::size_t>(written);
  }
  file.Commit();
}
