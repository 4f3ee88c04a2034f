#include "quor-host/repeatable_file.h"

#include <sndfile.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr std::uint16_t kWaveFormatExtensible = 0xFFFE;
constexpr std::size_t kMaskOffset = 20;  // in the extensible format chunk
constexpr std::size_t kPeakTimeOffset = 4;
constexpr std::size_t kOggHeaderBytes = 27;
constexpr std::size_t kOggSerialOffset = 14;
constexpr std::size_t kOggChecksumOffset = 22;

bool ReadAt(int descriptor, void* bytes, std::size_t size, off_t offset) {
  return pread(descriptor, bytes, size, offset) == static_cast<ssize_t>(size);
}

// Failures end the work at once: a file the disk does not take fails.
struct WriteFailed {};

void WriteAt(int descriptor, const void* bytes, std::size_t size, off_t offset) {
  if (pwrite(descriptor, bytes, size, offset) != static_cast<ssize_t>(size)) throw WriteFailed{};
}

std::uint32_t Word(const unsigned char* bytes, bool bigEndian) {
  return bigEndian ? (std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
                      std::uint32_t{bytes[2]} << 8 | bytes[3])
                   : (std::uint32_t{bytes[3]} << 24 | std::uint32_t{bytes[2]} << 16 |
                      std::uint32_t{bytes[1]} << 8 | bytes[0]);
}

// The chunks of a RIFF (WAV, RF64) or IFF (AIFF) file after its 12-byte
// header, each padded to an even length; stops at a size it cannot trust.
void FixChunks(int descriptor, bool bigEndian, int channels) {
  const off_t end = lseek(descriptor, 0, SEEK_END);
  for (off_t at = 12; at + 8 <= end;) {
    unsigned char header[8];
    if (!ReadAt(descriptor, header, sizeof header, at)) return;
    const std::uint32_t size = Word(header + 4, bigEndian);
    if (size == 0xFFFFFFFFu) return;  // RF64's data: the rest of the file
    const off_t body = at + 8;
    if (std::memcmp(header, "PEAK", 4) == 0 && size >= kPeakTimeOffset + 4) {
      const unsigned char zero[4] = {};
      WriteAt(descriptor, zero, sizeof zero, body + static_cast<off_t>(kPeakTimeOffset));
    } else if (std::memcmp(header, "fmt ", 4) == 0 && channels > 2 && size >= kMaskOffset + 4) {
      unsigned char tag[2];
      if (ReadAt(descriptor, tag, sizeof tag, body) &&
          (tag[0] | tag[1] << 8) == kWaveFormatExtensible) {
        const unsigned char none[4] = {};
        WriteAt(descriptor, none, sizeof none, body + static_cast<off_t>(kMaskOffset));
      }
    }
    at = body + static_cast<off_t>(size) + static_cast<off_t>(size & 1u);
  }
}

std::uint32_t OggChecksum(const std::vector<unsigned char>& page) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> entries{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t value = i << 24;
      for (int bit = 0; bit < 8; ++bit)
        value = (value & 0x80000000u) != 0 ? (value << 1) ^ 0x04C11DB7u : value << 1;
      entries[i] = value;
    }
    return entries;
  }();
  std::uint32_t checksum = 0;
  for (const unsigned char byte : page)
    checksum = (checksum << 8) ^ table[((checksum >> 24) ^ byte) & 0xFFu];
  return checksum;
}

void FixOggPages(int descriptor, std::uint32_t serial) {
  std::vector<unsigned char> page;
  for (off_t at = 0;;) {
    unsigned char header[kOggHeaderBytes];
    if (!ReadAt(descriptor, header, sizeof header, at) || std::memcmp(header, "OggS", 4) != 0) {
      return;
    }
    const std::size_t segments = header[kOggHeaderBytes - 1];
    page.assign(header, header + kOggHeaderBytes);
    page.resize(kOggHeaderBytes + segments);
    if (!ReadAt(descriptor, page.data() + kOggHeaderBytes, segments, at + kOggHeaderBytes)) return;
    std::size_t body = 0;
    for (std::size_t s = 0; s < segments; ++s)
      body += page[kOggHeaderBytes + s];
    const std::size_t headerBytes = page.size();
    page.resize(headerBytes + body);
    if (!ReadAt(descriptor, page.data() + headerBytes, body,
                at + static_cast<off_t>(headerBytes))) {
      return;
    }
    for (int i = 0; i < 4; ++i) {
      page[kOggSerialOffset + static_cast<std::size_t>(i)] =
          static_cast<unsigned char>(serial >> (8 * i));
      page[kOggChecksumOffset + static_cast<std::size_t>(i)] = 0;
    }
    const std::uint32_t checksum = OggChecksum(page);
    for (int i = 0; i < 4; ++i)
      page[kOggChecksumOffset + static_cast<std::size_t>(i)] =
          static_cast<unsigned char>(checksum >> (8 * i));
    WriteAt(descriptor, page.data(), page.size(), at);
    at += static_cast<off_t>(page.size());
  }
}

}  // namespace

bool MakeRepeatable(int descriptor, int sndfileFormat, int channels, std::uint32_t serial) {
  try {
    switch (sndfileFormat & SF_FORMAT_TYPEMASK) {
      case SF_FORMAT_WAV:
      case SF_FORMAT_WAVEX:
      case SF_FORMAT_RF64:
        FixChunks(descriptor, false, channels);
        break;
      case SF_FORMAT_AIFF:
        FixChunks(descriptor, true, channels);
        break;
      case SF_FORMAT_OGG:
        FixOggPages(descriptor, serial);
        break;
      default:
        break;
    }
  } catch (const WriteFailed&) {
    return false;
  }
  return true;
}
