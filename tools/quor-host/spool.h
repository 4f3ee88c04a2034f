// A render kept whole at 64 bits in an unnamed file until a gain that needs
// all of it is known: written once, then read back once from the start.
#pragma once

#include <span>
#include <string>

#include "quor-host/audio_files.h"

class Spool {
 public:
  Spool(const std::string& folder, std::size_t channels);  // throws HostError
  void Write(std::span<const double> interleaved);
  // Reads the next frames into the buffer from the start on; returns the frames read.
  std::size_t Read(std::span<double> interleaved);

 private:
  Descriptor mFile;
  std::size_t mChannels;
  off_t mWritten = 0;
  off_t mRead = 0;
};
