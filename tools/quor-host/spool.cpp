#include "quor-host/spool.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "quor-host/file_io.h"
#include "quor-host/host_error.h"

Spool::Spool(const std::string& folder, std::size_t channels)
    : mFile(CreateUnnamedFile(folder)), mChannels(channels) {}

void Spool::Write(std::span<const double> interleaved) {
  const std::size_t bytes = interleaved.size_bytes();
  if (!WriteAll(mFile.Get(), interleaved.data(), bytes)) {
    throw HostError(std::string("cannot keep the render for normalising (") + std::strerror(errno) +
                    ")");
  }
  mWritten += static_cast<off_t>(bytes);
}

std::size_t Spool::Read(std::span<double> interleaved) {
  const std::size_t frameBytes = mChannels * sizeof(double);
  const std::size_t wanted = std::min<std::size_t>(interleaved.size() / mChannels * frameBytes,
                                                   static_cast<std::size_t>(mWritten - mRead));
  std::size_t done = 0;
  while (done < wanted) {
    const ssize_t read = pread(mFile.Get(), reinterpret_cast<char*>(interleaved.data()) + done,
                               wanted - done, mRead + static_cast<off_t>(done));
    if (read < 0 && errno == EINTR) continue;
    if (read <= 0) {
      throw HostError(std::string("cannot read back the render for normalising (") +
                      std::strerror(errno) + ")");
    }
    done += static_cast<std::size_t>(read);
  }
  mRead += static_cast<off_t>(done);
  return done / frameBytes;
}
