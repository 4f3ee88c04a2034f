#include "quor-host/pending_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "quor-host/host_error.h"
#include "quor-host/text.h"

namespace {

constexpr int kAttempts = 100;

std::string Reason() {
  return std::strerror(errno);
}

}  // namespace

PendingFile::PendingFile(const std::string& finalPath) : mFinalPath(finalPath) {
  const std::filesystem::path path(finalPath);
  if (path.filename().empty()) throw HostError(finalPath + ": names a folder, not a file");
  std::random_device random;
  for (int attempt = 0; attempt < kAttempts && mDescriptor < 0; ++attempt) {
    const std::string name =
        "." + path.filename().string() + Format(".partial-%08x", static_cast<unsigned>(random()));
    mTemporaryPath = (path.parent_path() / name).string();
    // 0666 less the umask: the file gets the permissions any new file would.
    mDescriptor = open(mTemporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (mDescriptor < 0 && errno != EEXIST) {
      throw HostError(finalPath + ": cannot create a file beside it (" + Reason() + ")");
    }
  }
  if (mDescriptor < 0) throw HostError(finalPath + ": cannot create a temporary file beside it");
}

PendingFile::~PendingFile() {
  if (mDescriptor >= 0) close(mDescriptor);
  if (!mCommitted) std::remove(mTemporaryPath.c_str());
}

void PendingFile::Commit() {
  if (fsync(mDescriptor) != 0) throw HostError(mFinalPath + ": writing failed (" + Reason() + ")");
  const int descriptor = mDescriptor;
  mDescriptor = -1;
  if (close(descriptor) != 0) throw HostError(mFinalPath + ": writing failed (" + Reason() + ")");
  if (std::rename(mTemporaryPath.c_str(), mFinalPath.c_str()) != 0) {
    throw HostError(mFinalPath + ": cannot put the file in place (" + Reason() + ")");
  }
  mCommitted = true;
}
