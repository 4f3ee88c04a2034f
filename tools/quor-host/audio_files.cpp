#include "quor-host/audio_files.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <sstream>

#include "quor-host/file_io.h"
#include "quor-host/host_error.h"
#include "quor-host/interruption.h"
#include "quor-host/repeatable_file.h"
#include "quor-host/text.h"

namespace {

constexpr int kMaxFileChannels = 1024;
constexpr std::size_t kLogBytes = 16384;
constexpr sf_count_t kReadBackFrames = 8192;
constexpr std::uint64_t kChecksumStart = 0xCBF29CE484222325ull;
constexpr std::uint64_t kUnknownSize = 0xFFFFFFFFull;  // what streamed files put in their header

void Mix(std::uint64_t& checksum, std::uint32_t word) {
  checksum = (checksum ^ word) * 0x100000001B3ull;
}

std::string Log(SNDFILE* file) {
  std::string log(kLogBytes, '\0');
  sf_command(file, SFC_GET_LOG_INFO, log.data(), static_cast<int>(log.size()));
  log.resize(std::strlen(log.c_str()));
  return log;
}

// libsndfile notes "NAME : SIZE (should be ACTUAL)" where a header's sizes
// disagree with the file; a container or its audio claiming more than there
// is tells of a cut file.
bool HeaderClaimsMore(const std::string& log) {
  constexpr std::string_view kMark = " (should be ";
  constexpr std::string_view kSizes[] = {"RIFF", "RIFX", "Riff size", "riff",
                                         "FORM", "SSND", "data"};
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);) {
    const auto colon = line.find(" : ");
    const auto mark = line.find(kMark);
    if (colon == std::string::npos || mark == std::string::npos || mark < colon) continue;
    std::string_view name(line.data(), colon);
    while (!name.empty() && name.front() == ' ')
      name.remove_prefix(1);
    if (std::find(std::begin(kSizes), std::end(kSizes), name) == std::end(kSizes)) continue;
    const auto claimed = std::strtoull(line.c_str() + colon + 3, nullptr, 10);
    const auto actual = std::strtoull(line.c_str() + mark + kMark.size(), nullptr, 10);
    if (claimed > actual && claimed != kUnknownSize) return true;
  }
  return false;
}

std::string Reason() {
  return std::strerror(errno);
}

constexpr std::size_t kMagicBytes = 12;

enum class Sniffed { kWav, kOther, kNone };

// What the first bytes of a stream say it holds: a WAV read as it comes,
// another container libsndfile reads, or nothing it knows.
Sniffed SniffAudio(const std::vector<std::uint8_t>& head) {
  const auto starts = [&](const char* magic, std::size_t at = 0) {
    const std::size_t size = std::strlen(magic);
    return head.size() >= at + size && std::memcmp(head.data() + at, magic, size) == 0;
  };
  if ((starts("RIFF") || starts("RF64") || starts("BW64")) && starts("WAVE", 8)) {
    return Sniffed::kWav;
  }
  const bool mpegSync = head.size() >= 2 && head[0] == 0xFF && (head[1] & 0xE0) == 0xE0;
  for (const char* magic : {"RIFX", "FORM", "fLaC", "OggS", "caff", ".snd", "dns.", "riff", "ID3"})
    if (starts(magic)) return Sniffed::kOther;
  return mpegSync ? Sniffed::kOther : Sniffed::kNone;
}

// Waits for the first bytes of a stream, or its end, at most the timeout.
void WaitForData(int descriptor, double timeoutSeconds, const std::string& path) {
  const bool bounded = timeoutSeconds > 0.0;  // 0: no limit
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                            std::chrono::duration<double>(bounded ? timeoutSeconds : 0.0));
  for (;;) {
    CheckInterruption();
    const auto left = bounded ? std::chrono::duration_cast<std::chrono::milliseconds>(
                                    deadline - std::chrono::steady_clock::now())
                              : std::chrono::milliseconds(100);
    if (left.count() <= 0) {
      throw HostError(path + Format(": nothing arrived within %g s (--timeout); is anything "
                                    "writing to it?",
                                    timeoutSeconds));
    }
    pollfd wait{descriptor, POLLIN, 0};
    // Short waits, so that a signal is seen soon.
    const int ready = poll(&wait, 1, static_cast<int>(std::min<long long>(left.count(), 100)));
    if (ready > 0) return;
    if (ready < 0 && errno != EINTR) {
      throw HostError(path + ": cannot read audio (" + Reason() + ")");
    }
  }
}

}  // namespace

AudioReader::AudioReader(const std::string& path, double openTimeoutSeconds) : mPath(path) {
  // Not blocking, so that a FIFO without a writer opens at once.
  Descriptor file(path == "-" ? fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0)
                              : open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.Get() < 0) {
    CheckInterruption();
    throw HostError(path + ": cannot read audio (" + Reason() + ")");
  }
  struct stat status {};
  const bool streamed =
      fstat(file.Get(), &status) == 0 && !S_ISREG(status.st_mode) && !S_ISBLK(status.st_mode);
  if (streamed) {
    file = OpenStream(std::move(file), openTimeoutSeconds);
    if (mStream) {
      mDescriptor = std::move(file);
      mInfo.channels = mStream->Channels();
      mInfo.samplerate = mStream->SampleRate();
      return;
    }
  } else if (path != "-") {
    fcntl(file.Get(), F_SETFL, fcntl(file.Get(), F_GETFL) & ~O_NONBLOCK);
  }
  mDescriptor = std::move(file);
  mFile.reset(sf_open_fd(mDescriptor.Get(), SFM_READ, &mInfo, SF_FALSE));
  if (!mFile) throw HostError(path + ": cannot read audio (" + sf_strerror(nullptr) + ")");
  if (mInfo.channels < 1 || mInfo.channels > kMaxFileChannels || mInfo.samplerate < 1 ||
      mInfo.frames < 0) {
    throw HostError(path + ": implausible audio format");
  }
  // A header written into a pipe cannot know the length that follows.
  mHeaderClaimsMore = !streamed && HeaderClaimsMore(Log(mFile.get()));
}

Descriptor AudioReader::OpenStream(Descriptor file, double timeoutSeconds) {
  WaitForData(file.Get(), timeoutSeconds, mPath);
  fcntl(file.Get(), F_SETFL, fcntl(file.Get(), F_GETFL) & ~O_NONBLOCK);
  // The first bytes decide, before anything is kept: what is not audio is
  // refused at once, however much of it would follow.
  std::vector<std::uint8_t> head(kMagicBytes);
  head.resize(ReadStream(file.Get(), head.data(), head.size(), mPath));
  switch (SniffAudio(head)) {
    case Sniffed::kWav:
      mStream = WavStream::Open(file.Get(), mPath, head);
      if (mStream) return file;
      break;
    case Sniffed::kOther:
      break;
    case Sniffed::kNone:
      throw HostError(mPath + (head.empty() ? ": empty, no audio"
                                            : ": not audio (no format it knows starts so)"));
  }
  // libsndfile reads these only from a file it can seek in: a copy.
  Descriptor copy(CreateUnnamedFile(TemporaryFolder()));
  if (!WriteAll(copy.Get(), head.data(), head.size()) || !CopyAll(file.Get(), copy.Get()) ||
      lseek(copy.Get(), 0, SEEK_SET) != 0) {
    throw HostError(mPath + ": cannot keep a copy of the stream in " + TemporaryFolder() + " (" +
                    Reason() + ")");
  }
  return copy;
}

std::optional<std::int64_t> AudioReader::Frames() const {
  if (mStream) return std::nullopt;
  return mInfo.frames;
}

std::size_t AudioReader::Read(std::span<double> interleaved) {
  if (mStream) return mStream->Read(interleaved);
  const auto frames =
      static_cast<sf_count_t>(interleaved.size() / static_cast<std::size_t>(Channels()));
  const sf_count_t read =
      std::max<sf_count_t>(sf_readf_double(mFile.get(), interleaved.data(), frames), 0);
  mFramesRead += read;
  if (read < frames && mFramesRead < mInfo.frames) mEndedEarly = true;
  return static_cast<std::size_t>(read);
}

std::vector<std::string> AudioReader::Problems() const {
  if (mStream) return mStream->Problems();
  std::vector<std::string> problems;
  if (mHeaderClaimsMore) {
    problems.push_back(mPath +
                       ": its header promises more audio than the file holds (cut short?); what "
                       "it holds was rendered");
  }
  if (mEndedEarly) {
    problems.push_back(mPath + Format(": its audio ended after %lld of %lld frames",
                                      static_cast<long long>(mFramesRead),
                                      static_cast<long long>(mInfo.frames)));
  }
  if (Log(mFile.get()).find("ERROR") != std::string::npos) {
    problems.push_back(mPath + ": parts of it did not decode (a damaged file?)");
  }
  return problems;
}

AudioWriter::AudioWriter(const std::string& path, const OutputFormat& format, int channels,
                         int sampleRate, Dither dither)
    : mPath(path),
      mFormat(format),
      mChannels(channels),
      mSampleRate(sampleRate),
      mPending(path),
      mClipped(static_cast<std::size_t>(channels), 0),
      mChecksum(kChecksumStart) {
  // More than two channels need the extensible header.
  if ((mFormat.sndfileFormat & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV && channels > 2) {
    mFormat.sndfileFormat = SF_FORMAT_WAVEX | (mFormat.sndfileFormat & SF_FORMAT_SUBMASK);
  }
  CheckOutputLayout(mFormat, path, channels, sampleRate);
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = sampleRate;
  info.format = mFormat.sndfileFormat;
  mFile.reset(sf_open_fd(mPending.Descriptor(), SFM_WRITE, &info, SF_FALSE));
  if (!mFile) throw HostError(path + ": cannot write audio (" + sf_strerror(nullptr) + ")");
  if (mFormat.rf64Downgrade) sf_command(mFile.get(), SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
  if (format.integerSamples) mQuantizer.emplace(*format.integerSamples, dither, channels);
}

std::span<const double> AudioWriter::Write(std::span<const double> interleaved) {
  const auto channels = static_cast<std::size_t>(mChannels);
  const auto frames = static_cast<sf_count_t>(interleaved.size() / channels);
  mWritten.resize(interleaved.size());
  for (std::size_t i = 0; i < interleaved.size(); ++i) {
    const double magnitude = std::abs(interleaved[i]);
    if (!(magnitude > 1.0)) continue;
    ++mBeyondFullScale;
    if (mFormat.Clips()) ++mClipped[i % channels];
    if (std::isfinite(magnitude)) mLargestInput = std::max(mLargestInput, magnitude);
  }
  sf_count_t written = 0;
  if (mQuantizer) {
    mIntegers.resize(interleaved.size());
    mQuantizer->Convert(interleaved, mIntegers);
    for (std::size_t i = 0; i < interleaved.size(); ++i) {
      mWritten[i] = std::ldexp(static_cast<double>(mIntegers[i]), -31);
      Mix(mChecksum, static_cast<std::uint32_t>(mIntegers[i]));
    }
    written = sf_writef_int(mFile.get(), mIntegers.data(), frames);
  } else {
    // Floats, or what an encoder takes: full scale at most, NaN as silence.
    mFloats.resize(interleaved.size());
    for (std::size_t i = 0; i < interleaved.size(); ++i) {
      const double value = interleaved[i];
      mFloats[i] = static_cast<float>(!mFormat.encoded    ? value
                                      : std::isnan(value) ? 0.0
                                                          : std::clamp(value, -1.0, 1.0));
      mWritten[i] = static_cast<double>(mFloats[i]);
      Mix(mChecksum, std::bit_cast<std::uint32_t>(mFloats[i]));
    }
    written = sf_writef_float(mFile.get(), mFloats.data(), frames);
  }
  if (written != frames) {
    throw HostError(mPath + ": write failed (" + sf_strerror(mFile.get()) + ")");
  }
  mFrames += static_cast<std::uint64_t>(frames);
  return mWritten;
}

void AudioWriter::Finish() {
  const int result = sf_close(mFile.release());
  if (result != 0) throw HostError(mPath + ": closing failed (" + sf_error_number(result) + ")");
  if (!MakeRepeatable(mPending.Descriptor(), mFormat.sndfileFormat, mChannels,
                      static_cast<std::uint32_t>(mChecksum ^ (mChecksum >> 32)))) {
    throw HostError(mPath + ": finishing the file failed (" + Reason() + "); nothing was replaced");
  }
  Verify();
}

void AudioWriter::Rewind() {
  Descriptor copy(fcntl(mPending.Descriptor(), F_DUPFD_CLOEXEC, 0));
  SF_INFO info{};
  if (copy.Get() >= 0 && lseek(copy.Get(), 0, SEEK_SET) == 0) {
    mReadBack.reset(sf_open_fd(copy.Get(), SFM_READ, &info, SF_TRUE));
    if (mReadBack) copy.Release();  // closed with the file
  }
  if (!mReadBack) throw HostError(mPath + ": cannot read the file back (" + Reason() + ")");
}

std::size_t AudioWriter::ReadBack(std::span<double> interleaved) {
  const auto frames =
      static_cast<sf_count_t>(interleaved.size() / static_cast<std::size_t>(mChannels));
  return static_cast<std::size_t>(
      std::max<sf_count_t>(sf_readf_double(mReadBack.get(), interleaved.data(), frames), 0));
}

void AudioWriter::Verify() {
  const std::string failed = mPath + ": the file did not come out whole (";
  const std::string kept = "; is the disk full?); nothing was replaced";
  Descriptor copy(fcntl(mPending.Descriptor(), F_DUPFD_CLOEXEC, 0));
  SF_INFO info{};
  SndfileHandle file;
  if (copy.Get() >= 0 && lseek(copy.Get(), 0, SEEK_SET) == 0) {
    file.reset(sf_open_fd(copy.Get(), SFM_READ, &info, SF_FALSE));
  }
  if (!file) throw HostError(failed + "it cannot be read back: " + sf_strerror(nullptr) + kept);
  if (info.channels != mChannels || info.samplerate != mSampleRate) {
    throw HostError(failed + "it reads back in another layout" + kept);
  }
  const auto channels = static_cast<std::size_t>(mChannels);
  std::vector<std::int32_t> integers(mQuantizer ? kReadBackFrames * channels : 0);
  std::vector<float> floats(mQuantizer ? 0 : kReadBackFrames * channels);
  std::uint64_t checksum = kChecksumStart;
  std::uint64_t frames = 0;
  for (;;) {
    CheckInterruption();
    const sf_count_t read = mQuantizer ? sf_readf_int(file.get(), integers.data(), kReadBackFrames)
                                       : sf_readf_float(file.get(), floats.data(), kReadBackFrames);
    if (read <= 0) break;
    const auto samples = static_cast<std::size_t>(read) * channels;
    for (std::size_t i = 0; i < samples; ++i)
      Mix(checksum, mQuantizer ? static_cast<std::uint32_t>(integers[i])
                               : std::bit_cast<std::uint32_t>(floats[i]));
    frames += static_cast<std::uint64_t>(read);
  }
  if (frames != mFrames) {
    throw HostError(failed +
                    Format("%llu of %llu frames read back", static_cast<unsigned long long>(frames),
                           static_cast<unsigned long long>(mFrames)) +
                    kept);
  }
  // An encoder's samples come back changed; the others exactly.
  if (!mFormat.encoded && checksum != mChecksum) {
    throw HostError(failed + "its samples read back differ" + kept);
  }
}
