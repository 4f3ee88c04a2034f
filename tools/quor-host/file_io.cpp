#include "quor-host/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "quor-host/host_error.h"
#include "quor-host/interruption.h"

namespace {
constexpr std::size_t kCopyBytes = 1 << 20;
}  // namespace

Descriptor::~Descriptor() {
  if (mDescriptor >= 0) close(mDescriptor);
}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
  if (this != &other) {
    if (mDescriptor >= 0) close(mDescriptor);
    mDescriptor = other.Release();
  }
  return *this;
}

int CreateUnnamedFile(const std::string& folder) {
  int descriptor = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (descriptor >= 0) return descriptor;
  // Where the file system has no unnamed files: a named one, unlinked at once.
  std::string pattern = folder + "/.quor-host-XXXXXX";
  descriptor = mkostemp(pattern.data(), O_CLOEXEC);
  if (descriptor < 0) {
    throw HostError(folder + ": cannot create a temporary file (" + std::strerror(errno) + ")");
  }
  unlink(pattern.c_str());
  return descriptor;
}

std::string TemporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

bool WriteAll(int descriptor, const void* bytes, std::size_t size) {
  const auto* next = static_cast<const char*>(bytes);
  while (size > 0) {
    const ssize_t written = write(descriptor, next, size);
    if (written < 0 && errno == EINTR) {
      CheckInterruption();
      continue;
    }
    if (written <= 0) return false;
    next += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

long ReadUpTo(int descriptor, void* bytes, std::size_t size) {
  auto* next = static_cast<char*>(bytes);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = read(descriptor, next + done, size - done);
    if (got < 0 && errno == EINTR) {
      CheckInterruption();
      continue;
    }
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<long>(done);
}

bool CopyAll(int from, int to) {
  std::vector<char> buffer(kCopyBytes);
  for (;;) {
    const ssize_t got = read(from, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) {
      CheckInterruption();
      continue;
    }
    if (got < 0) return false;
    if (got == 0) return true;
    if (!WriteAll(to, buffer.data(), static_cast<std::size_t>(got))) return false;
  }
}
