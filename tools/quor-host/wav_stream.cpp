#include "quor-host/wav_stream.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#include "quor-host/file_io.h"
#include "quor-host/host_error.h"
#include "quor-host/interruption.h"
#include "quor-host/text.h"

namespace {

// Chunks before the audio beyond this are not a WAV header.
constexpr std::size_t kMaxHeaderBytes = std::size_t{16} << 20;
constexpr int kMaxChannels = 1024;
constexpr std::uint32_t kUnknownSize = 0xFFFFFFFFu;
// sox's guess for a pipe: the most whole frames that fit in this many bytes.
constexpr std::uint32_t kSoxPipeSize = 0x7FFFF000u;
constexpr std::uint16_t kPcm = 1;
constexpr std::uint16_t kFloat = 3;
constexpr std::uint16_t kExtensible = 0xFFFE;

std::uint32_t Little(const std::uint8_t* bytes, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i)
    value = (value << 8) | bytes[i];
  return value;
}

std::uint64_t Little64(const std::uint8_t* bytes) {
  return Little(bytes, 4) | (std::uint64_t{Little(bytes + 4, 4)} << 32);
}

// Appends `size` bytes of the header to `consumed`; a stream that ends first is no WAV.
const std::uint8_t* TakeHeader(int descriptor, std::size_t size, const std::string& path,
                               std::vector<std::uint8_t>& consumed) {
  if (size > kMaxHeaderBytes || consumed.size() + size > kMaxHeaderBytes) {
    throw HostError(path + ": no audio in the first 16 MiB of what looked like a WAV stream");
  }
  const std::size_t at = consumed.size();
  consumed.resize(at + size);
  if (ReadStream(descriptor, consumed.data() + at, size, path) < size) {
    throw HostError(path + ": the WAV stream ended before its audio");
  }
  return consumed.data() + at;
}

// A chunk's header: four printable characters and a size a header may have.
bool LooksLikeChunk(const std::uint8_t* header) {
  return std::all_of(header, header + 4,
                     [](std::uint8_t byte) { return byte >= 0x20 && byte < 0x7F; }) &&
         Little(header + 4, 4) <= kMaxHeaderBytes;
}

}  // namespace

std::size_t ReadStream(int descriptor, std::uint8_t* bytes, std::size_t size,
                       const std::string& path) {
  const long got = ReadUpTo(descriptor, bytes, size);
  if (got < 0) throw HostError(path + ": cannot read audio (" + std::strerror(errno) + ")");
  return static_cast<std::size_t>(got);
}

std::optional<WavStream> WavStream::Open(int descriptor, const std::string& path,
                                         std::vector<std::uint8_t>& consumed) {
  const bool rf64 = consumed.size() >= 4 && (std::memcmp(consumed.data(), "RF64", 4) == 0 ||
                                             std::memcmp(consumed.data(), "BW64", 4) == 0);
  std::optional<std::uint64_t> rf64DataBytes;
  bool haveFormat = false;
  std::uint16_t tag = 0, channels = 0, blockAlign = 0, bits = 0;
  std::uint32_t rate = 0;
  std::uint32_t dataSize = 0;
  for (;;) {
    const std::uint8_t* header = TakeHeader(descriptor, 8, path, consumed);
    char id[4];
    std::memcpy(id, header, 4);
    const std::uint32_t size = Little(header + 4, 4);
    if (std::memcmp(id, "data", 4) == 0) {
      dataSize = size;
      break;
    }
    const std::uint8_t* body =
        TakeHeader(descriptor, std::size_t{size} + (size & 1u), path, consumed);
    if (std::memcmp(id, "fmt ", 4) == 0 && size >= 16) {
      haveFormat = true;
      tag = static_cast<std::uint16_t>(Little(body, 2));
      channels = static_cast<std::uint16_t>(Little(body + 2, 2));
      rate = Little(body + 4, 4);
      blockAlign = static_cast<std::uint16_t>(Little(body + 12, 2));
      bits = static_cast<std::uint16_t>(Little(body + 14, 2));
      // The extensible format names the encoding in its subformat's first bytes.
      if (tag == kExtensible && size >= 26) tag = static_cast<std::uint16_t>(Little(body + 24, 2));
    } else if (std::memcmp(id, "ds64", 4) == 0 && size >= 16) {
      rf64DataBytes = Little64(body + 8);
    }
  }
  if (!haveFormat) throw HostError(path + ": a WAV stream without its format");
  if (channels < 1 || channels > kMaxChannels || rate < 1) {
    throw HostError(path + ": implausible audio format");
  }
  const bool pcm = tag == kPcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
  const bool floats = tag == kFloat && (bits == 32 || bits == 64);
  if ((!pcm && !floats) || blockAlign != channels * (bits / 8)) return std::nullopt;

  WavStream stream;
  stream.mDescriptor = descriptor;
  stream.mPath = path;
  stream.mChannels = channels;
  stream.mSampleRate = static_cast<int>(std::min<std::uint32_t>(rate, 0x7FFFFFFF));
  stream.mBytes = bits / 8;
  stream.mFloat = floats;
  stream.mHeaderBytes =
      rf64 && dataSize == kUnknownSize && rf64DataBytes ? *rf64DataBytes : dataSize;
  stream.mHeaderKnowsLength =
      (rf64 && rf64DataBytes) || (dataSize != 0 && dataSize != kUnknownSize);
  stream.mHeaderGuesses = dataSize <= kSoxPipeSize && dataSize > kSoxPipeSize - blockAlign;
  return stream;
}

double WavStream::Decode(const std::uint8_t* sample) const {
  if (mFloat) {
    if (mBytes == 4) return static_cast<double>(std::bit_cast<float>(Little(sample, 4)));
    return std::bit_cast<double>(Little64(sample));
  }
  if (mBytes == 1) return (static_cast<double>(sample[0]) - 128.0) / 128.0;
  // Signed integers, scaled as their full width: 2^(bits-1) is full scale.
  const std::uint32_t bits = Little(sample, mBytes) << (32 - 8 * mBytes);
  return static_cast<double>(static_cast<std::int32_t>(bits)) * 0x1.0p-31;
}

std::size_t WavStream::Read(std::span<double> interleaved) {
  const auto channels = static_cast<std::size_t>(mChannels);
  const std::size_t frameBytes = channels * static_cast<std::size_t>(mBytes);
  std::size_t wanted = interleaved.size() / channels * frameBytes;
  if (mEnded || wanted == 0) return 0;
  mRaw.resize(wanted);
  std::size_t got = 0;
  // A header that gives the true length may be followed by other chunks:
  // where the audio it promised ends, what follows is audio only if it does
  // not start like a chunk.
  const bool trusted = mHeaderKnowsLength && !mHeaderGuesses;
  if (trusted && mDataBytes <= mHeaderBytes && mDataBytes + wanted > mHeaderBytes) {
    const auto before = static_cast<std::size_t>(mHeaderBytes - mDataBytes);
    got = ReadStream(mDescriptor, mRaw.data(), before, mPath);
    if (got == before) {
      std::uint8_t next[9];
      const std::size_t pad = mHeaderBytes & 1u;
      const std::size_t peeked = ReadStream(mDescriptor, next, 8 + pad, mPath);
      if (peeked == 8 + pad && LooksLikeChunk(next + pad)) {
        wanted = got;
        mEnded = true;
      } else {
        const std::size_t kept = std::min(peeked, wanted - got);
        std::memcpy(mRaw.data() + got, next, kept);
        got += kept;
        if (peeked < 8 + pad) wanted = got;  // the stream has ended
      }
    }
  }
  got += ReadStream(mDescriptor, mRaw.data() + got, wanted - got, mPath);
  mDataBytes += got;
  if (got < wanted) mEnded = true;
  const std::size_t frames = got / frameBytes;
  mPartialBytes = got % frameBytes;
  const std::uint8_t* raw = mRaw.data();
  const std::size_t samples = frames * channels;
  if (!mFloat && mBytes == 2) {  // the common case, kept quick
    for (std::size_t i = 0; i < samples; ++i)
      interleaved[i] = static_cast<std::int16_t>(raw[2 * i] | raw[2 * i + 1] << 8) * 0x1.0p-15;
  } else {
    for (std::size_t i = 0; i < samples; ++i)
      interleaved[i] = Decode(raw + i * static_cast<std::size_t>(mBytes));
  }
  return frames;
}

std::vector<std::string> WavStream::Problems() const {
  std::vector<std::string> problems;
  const std::size_t frameBytes = static_cast<std::size_t>(mChannels) * mBytes;
  if (mHeaderKnowsLength && mDataBytes < mHeaderBytes && !mHeaderGuesses) {
    problems.push_back(mPath +
                       ": its header promises more audio than the file holds (cut short?); what "
                       "it holds was rendered");
  } else if (mHeaderKnowsLength && mDataBytes > mHeaderBytes) {
    problems.push_back(mPath + Format(": its header gives %llu frames, the stream held %llu; all "
                                      "of them were rendered",
                                      static_cast<unsigned long long>(mHeaderBytes / frameBytes),
                                      static_cast<unsigned long long>(mDataBytes / frameBytes)));
  }
  if (mPartialBytes > 0) {
    problems.push_back(mPath + ": the stream ended inside a frame (cut short?)");
  }
  return problems;
}
