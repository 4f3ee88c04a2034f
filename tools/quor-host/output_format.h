// What an output file holds, chosen by its extension and --bits, checked
// against what the installed libsndfile can write.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class SampleFormat { kInt16, kInt24, kInt32, kFloat32 };

// What fills the rounding error where integer samples cannot hold a value.
enum class Dither { kNone, kTpdf };

struct OutputFormat {
  std::string container;  // "WAV", "FLAC", ...
  int sndfileFormat = 0;  // major format | subtype
  // Integer samples that the host quantises itself; none for float and
  // encoded formats.
  std::optional<SampleFormat> integerSamples;
  bool encoded = false;        // a lossy codec: no sample format to choose
  bool rf64WhenLarge = false;  // WAV that must become RF64 beyond 4 GiB
  bool rf64Downgrade = false;  // RF64 that becomes plain WAV if it stays under 4 GiB

  // Values beyond full scale cannot be kept: only float samples keep them.
  bool Clips() const { return encoded || integerSamples.has_value(); }
};

// "16", "24", "32", "32f".
std::optional<SampleFormat> ParseSampleFormat(std::string_view text);
const char* SampleFormatName(SampleFormat format);
int SampleFormatBits(SampleFormat format);

// By the path's extension, or the one named instead (--format). Throws
// UsageError naming the formats this host can write when the extension is
// not one of them, or when --bits does not fit the container.
OutputFormat ChooseOutputFormat(const std::string& path, const std::string& extension,
                                std::optional<SampleFormat> bits);

// A WAV file that could outgrow the 4 GiB of plain WAV is written as RF64;
// one of a length not known ahead (from a stream) as RF64 that turns into
// plain WAV when it closes under 4 GiB.
void AllowForLength(OutputFormat& format, int channels, std::optional<std::int64_t> maximumFrames);

// Throws HostError when libsndfile cannot write this layout in the format.
void CheckOutputLayout(const OutputFormat& format, const std::string& path, int channels,
                       int sampleRate);

// The extensions and containers for the help text, e.g. ".wav (WAV, ...)".
std::string SupportedFormatsText();
