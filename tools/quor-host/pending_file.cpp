#include "quor-host/pending_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "quor-host/file_io.h"
#include "quor-host/host_error.h"
#include "quor-host/interruption.h"
#include "quor-host/text.h"

namespace fs = std::filesystem;

namespace {

constexpr int kAttempts = 100;
constexpr int kMaxLinks = 40;
constexpr const char* kPartialMark = ".partial-";

std::string Reason() {
  return std::strerror(errno);
}

// Where a chain of symbolic links ends, existing or not.
std::string FollowLinks(const std::string& path) {
  fs::path current(path);
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(current, error))) return current.string();
    const fs::path target = fs::read_symlink(current, error);
    if (error) throw HostError(path + ": cannot follow its link (" + error.message() + ")");
    current = target.is_absolute() ? target : current.parent_path() / target;
  }
  throw HostError(path + ": too many levels of symbolic links");
}

void RefuseUnwritable(const std::string& name, const std::string& target) {
  if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
    throw HostError(name + ": not writable for you (" + Reason() + "); it was not replaced");
  }
}

// Temporary files of this name whose writer is gone hold no lock.
void RemoveStalePartials(const fs::path& folder, const std::string& name) {
  const std::string prefix = "." + name + kPartialMark;
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    const std::string path = entry->path().string();
    if (!entry->path().filename().string().starts_with(prefix)) continue;
    const int descriptor = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) continue;
    struct stat opened {
    }, named{};
    if (flock(descriptor, LOCK_EX | LOCK_NB) == 0 && fstat(descriptor, &opened) == 0 &&
        lstat(path.c_str(), &named) == 0 && opened.st_ino == named.st_ino &&
        opened.st_dev == named.st_dev) {
      unlink(path.c_str());
    }
    close(descriptor);
  }
}

void SyncFolder(const std::string& folder) {
  const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return;
  fsync(descriptor);
  close(descriptor);
}

}  // namespace

PendingFile::PendingFile(const std::string& finalPath) : mFinalPath(finalPath) {
  if (finalPath == "-") {
    CreateStreamed();
    return;
  }
  mTarget = FollowLinks(finalPath);
  struct stat existing {};
  if (stat(mTarget.c_str(), &existing) == 0) {
    if (S_ISDIR(existing.st_mode)) throw HostError(finalPath + ": names a folder, not a file");
    RefuseUnwritable(finalPath, mTarget);
    if (!S_ISREG(existing.st_mode)) {
      CreateStreamed();
      return;
    }
  }
  CreateBeside();
}

void PendingFile::CreateStreamed() {
  mStreamed = true;
  mFolder = TemporaryFolder();
  mDescriptor = CreateUnnamedFile(mFolder);
}

void PendingFile::CreateBeside() {
  const fs::path path(mTarget);
  if (path.filename().empty()) throw HostError(mFinalPath + ": names a folder, not a file");
  mFolder = path.parent_path().empty() ? "." : path.parent_path().string();
  RemoveStalePartials(mFolder, path.filename().string());
  std::random_device random;
  for (int attempt = 0; attempt < kAttempts && mDescriptor < 0; ++attempt) {
    // Appended piece by piece: GCC's -Wrestrict misreads a chain of + here.
    std::string name = ".";
    name += path.filename().string();
    name += kPartialMark;
    name += Format("%08x", static_cast<unsigned>(random()));
    mTemporaryPath = (fs::path(mFolder) / name).string();
    // 0666 less the umask: the file gets the permissions any new file would.
    mDescriptor = open(mTemporaryPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (mDescriptor < 0 && errno != EEXIST) {
      throw HostError(mFinalPath + ": cannot create a file beside it (" + Reason() + ")");
    }
    if (mDescriptor < 0) continue;
    // Another run's clean-up may have taken it between creation and lock.
    struct stat locked {};
    if (flock(mDescriptor, LOCK_EX) != 0 || fstat(mDescriptor, &locked) != 0 ||
        locked.st_nlink == 0) {
      close(mDescriptor);
      mDescriptor = -1;
    }
  }
  if (mDescriptor < 0) throw HostError(mFinalPath + ": cannot create a temporary file beside it");
}

PendingFile::~PendingFile() {
  if (!mTemporaryPath.empty()) unlink(mTemporaryPath.c_str());
  if (mDescriptor >= 0) close(mDescriptor);
}

void PendingFile::Commit() {
  if (mStreamed) {
    Stream();
  } else {
    Replace();
  }
}

void PendingFile::Stream() {
  const bool toStandardOutput = mFinalPath == "-";
  const int target = toStandardOutput ? STDOUT_FILENO : open(mTarget.c_str(), O_WRONLY | O_CLOEXEC);
  if (target < 0) {
    CheckInterruption();
    throw HostError(mFinalPath + ": cannot open it (" + Reason() + ")");
  }
  const bool copied = lseek(mDescriptor, 0, SEEK_SET) == 0 && CopyAll(mDescriptor, target);
  const int error = errno;
  if (!toStandardOutput) close(target);
  if (!copied) {
    throw HostError((toStandardOutput ? std::string("standard output") : mFinalPath) +
                    ": writing failed (" + std::strerror(error) + ")");
  }
}

void PendingFile::Replace() {
  if (fsync(mDescriptor) != 0) throw HostError(mFinalPath + ": writing failed (" + Reason() + ")");
  struct stat old {
  }, made{};
  if (stat(mTarget.c_str(), &old) == 0 && fstat(mDescriptor, &made) == 0) {
    RefuseUnwritable(mFinalPath, mTarget);
    fchmod(mDescriptor, old.st_mode & 0777);
    const bool sameOwner = old.st_uid == made.st_uid && old.st_gid == made.st_gid;
    if (!sameOwner && fchown(mDescriptor, old.st_uid, old.st_gid) != 0) {
      // Only its owner's file can be replaced by one of another owner's:
      // the contents are written into it instead.
      const int target = open(mTarget.c_str(), O_WRONLY | O_CLOEXEC);
      const bool written =
          target >= 0 && lseek(mDescriptor, 0, SEEK_SET) == 0 && CopyAll(mDescriptor, target) &&
          ftruncate(target, lseek(mDescriptor, 0, SEEK_END)) == 0 && fsync(target) == 0;
      const std::string reason = Reason();
      if (target >= 0) close(target);
      if (!written) {
        throw HostError(mFinalPath + ": writing into it failed (" + reason +
                        "); it may be damaged");
      }
      return;
    }
  }
  if (std::rename(mTemporaryPath.c_str(), mTarget.c_str()) != 0) {
    throw HostError(mFinalPath + ": cannot put the file in place (" + Reason() + ")");
  }
  mTemporaryPath.clear();
  SyncFolder(mFolder);
}
