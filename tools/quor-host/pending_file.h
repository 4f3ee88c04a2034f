// A file written under a temporary name and put in place only once it is
// complete: an interrupted or failed write never leaves a truncated file
// under the final name, nor touches what was there. Putting it in place keeps
// what protects the old file: one the user may not write is not replaced, a
// symbolic link keeps pointing where it did and its target is replaced, and
// the owner and permissions stay. Standard output ("-") and targets that are
// not regular files (devices, pipes) get the finished file copied into them.
// Temporary files are locked while written; those of runs that were killed
// are removed when the same name is written again.
#pragma once

#include <string>

class PendingFile {
 public:
  explicit PendingFile(const std::string& finalPath);  // throws HostError
  ~PendingFile();  // removes the temporary file unless it was put in place
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Open for reading and writing.
  int Descriptor() const { return mDescriptor; }
  // Where the file is written, for other temporary files of the same size.
  const std::string& Folder() const { return mFolder; }
  // Flushes to disk and puts the file in place; throws HostError.
  void Commit();

 private:
  void CreateStreamed();  // unnamed, copied to the target at the end
  void CreateBeside();
  void Replace();
  void Stream();

  std::string mFinalPath;  // as named
  std::string mTarget;     // the file replaced: where the symbolic links lead
  std::string mFolder;
  std::string mTemporaryPath;  // empty once renamed, and for an unnamed file
  bool mStreamed = false;
  int mDescriptor = -1;
};
