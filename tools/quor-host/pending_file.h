// A file written beside its final name under a temporary one and renamed into
// place only when it is complete: an interrupted or failed write never leaves
// a truncated file under the final name, nor touches what was there.
#pragma once

#include <string>

class PendingFile {
 public:
  explicit PendingFile(const std::string& finalPath);  // throws HostError
  ~PendingFile();  // removes the temporary file unless committed
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  int Descriptor() const { return mDescriptor; }
  const std::string& TemporaryPath() const { return mTemporaryPath; }
  // Flushes to disk and renames over the final name; throws HostError.
  void Commit();

 private:
  std::string mFinalPath;
  std::string mTemporaryPath;
  int mDescriptor = -1;
  bool mCommitted = false;
};
