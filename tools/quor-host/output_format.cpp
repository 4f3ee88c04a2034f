#include "quor-host/output_format.h"

#include <sndfile.h>

#include <initializer_list>

#include "quor-host/host_error.h"
#include "quor-host/text.h"

namespace {

struct Container {
  std::initializer_list<const char*> extensions;
  const char* name;
  int major;
  int encoding;  // the codec of encoded formats, 0 for containers of plain samples
  bool holds32BitIntegers;
  SampleFormat defaultSamples;
};

const Container kContainers[] = {
    {{"wav", "wave"}, "WAV", SF_FORMAT_WAV, 0, true, SampleFormat::kFloat32},
    {{"aif", "aiff"}, "AIFF", SF_FORMAT_AIFF, 0, true, SampleFormat::kFloat32},
    {{"flac"}, "FLAC", SF_FORMAT_FLAC, 0, false, SampleFormat::kInt24},
    {{"ogg", "oga"}, "Ogg Vorbis", SF_FORMAT_OGG, SF_FORMAT_VORBIS, false, SampleFormat::kFloat32},
    {{"opus"}, "Ogg Opus", SF_FORMAT_OGG, SF_FORMAT_OPUS, false, SampleFormat::kFloat32},
    {{"mp3"}, "MP3", SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III, false, SampleFormat::kFloat32},
    {{"caf"}, "CAF", SF_FORMAT_CAF, 0, true, SampleFormat::kFloat32},
    {{"w64"}, "W64", SF_FORMAT_W64, 0, true, SampleFormat::kFloat32},
    {{"rf64"}, "RF64", SF_FORMAT_RF64, 0, true, SampleFormat::kFloat32},
};

int Subtype(SampleFormat samples) {
  switch (samples) {
    case SampleFormat::kInt16:
      return SF_FORMAT_PCM_16;
    case SampleFormat::kInt24:
      return SF_FORMAT_PCM_24;
    case SampleFormat::kInt32:
      return SF_FORMAT_PCM_32;
    case SampleFormat::kFloat32:
      return SF_FORMAT_FLOAT;
  }
  return SF_FORMAT_FLOAT;
}

int FormatOf(const Container& container, SampleFormat samples) {
  return container.major | (container.encoding != 0 ? container.encoding : Subtype(samples));
}

// Whether this libsndfile writes the container at all (MP3 needs 1.1 or later
// built with LAME).
bool Writable(const Container& container) {
  SF_INFO info{};
  info.channels = 2;
  info.samplerate = 48000;
  info.format = FormatOf(container, container.defaultSamples);
  return sf_format_check(&info) != 0;
}

std::string ExtensionsText(const Container& container) {
  std::string text;
  for (const char* extension : container.extensions)
    text += std::string(text.empty() ? "." : "/.") + extension;
  return text;
}

}  // namespace

std::optional<SampleFormat> ParseSampleFormat(std::string_view text) {
  if (text == "16") return SampleFormat::kInt16;
  if (text == "24") return SampleFormat::kInt24;
  if (text == "32") return SampleFormat::kInt32;
  if (text == "32f") return SampleFormat::kFloat32;
  return std::nullopt;
}

const char* SampleFormatName(SampleFormat format) {
  switch (format) {
    case SampleFormat::kInt16:
      return "16-bit";
    case SampleFormat::kInt24:
      return "24-bit";
    case SampleFormat::kInt32:
      return "32-bit";
    case SampleFormat::kFloat32:
      return "32-bit float";
  }
  return "";
}

int SampleFormatBits(SampleFormat format) {
  switch (format) {
    case SampleFormat::kInt16:
      return 16;
    case SampleFormat::kInt24:
      return 24;
    default:
      return 32;
  }
}

std::string SupportedFormatsText() {
  std::string text;
  for (const Container& container : kContainers) {
    if (!Writable(container)) continue;
    if (!text.empty()) text += ", ";
    text += ExtensionsText(container) + " (" + container.name + ")";
  }
  return text;
}

OutputFormat ChooseOutputFormat(const std::string& path, const std::string& extension,
                                std::optional<SampleFormat> bits) {
  for (const Container& container : kContainers) {
    bool matches = false;
    for (const char* candidate : container.extensions)
      matches = matches || extension == candidate;
    if (!matches) continue;
    if (!Writable(container)) {
      throw HostError(path + ": this libsndfile (" + sf_version_string() + ") cannot write " +
                      container.name +
                      (container.major == SF_FORMAT_MPEG
                           ? "; that needs libsndfile 1.1 or later built with LAME and mpg123"
                           : "") +
                      "; it writes " + SupportedFormatsText());
    }
    OutputFormat format;
    format.container = container.name;
    format.encoded = container.encoding != 0;
    if (format.encoded && bits) {
      throw UsageError(std::string("--bits: ") + container.name +
                       " is encoded, it has no sample format to choose");
    }
    const SampleFormat samples = bits.value_or(container.defaultSamples);
    if (container.major == SF_FORMAT_FLAC && samples != SampleFormat::kInt16 &&
        samples != SampleFormat::kInt24) {
      throw UsageError("--bits: FLAC holds 16 or 24 bits");
    }
    if (samples == SampleFormat::kInt32 && !container.holds32BitIntegers) {
      throw UsageError(std::string("--bits: ") + container.name + " holds no 32-bit integers");
    }
    format.sndfileFormat = FormatOf(container, samples);
    if (!format.encoded && samples != SampleFormat::kFloat32) format.integerSamples = samples;
    format.rf64WhenLarge = container.major == SF_FORMAT_WAV;
    return format;
  }
  throw UsageError(path + ": cannot write \"" + (extension.empty() ? "" : "." + extension) +
                   "\" files; name the output " + SupportedFormatsText());
}

void AllowForLength(OutputFormat& format, int channels, std::optional<std::int64_t> maximumFrames) {
  // Plain WAV counts its bytes in 32 bits; leave room for the header.
  constexpr std::int64_t kWavLimit = (std::int64_t{1} << 32) - (std::int64_t{1} << 20);
  if (!format.rf64WhenLarge) return;
  const int subtype = format.sndfileFormat & SF_FORMAT_SUBMASK;
  const int bytes = subtype == SF_FORMAT_PCM_16 ? 2 : subtype == SF_FORMAT_PCM_24 ? 3 : 4;
  if (!maximumFrames || *maximumFrames * channels * bytes > kWavLimit) {
    format.sndfileFormat = SF_FORMAT_RF64 | subtype;
    format.rf64Downgrade = !maximumFrames;
    if (maximumFrames) format.container = "RF64";
  }
}

void CheckOutputLayout(const OutputFormat& format, const std::string& path, int channels,
                       int sampleRate) {
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = sampleRate;
  info.format = format.sndfileFormat;
  if (sf_format_check(&info) != 0) return;
  std::string hint;
  if ((format.sndfileFormat & SF_FORMAT_SUBMASK) == SF_FORMAT_OPUS) {
    hint = " (Opus takes 8, 12, 16, 24 or 48 kHz: try --rate 48000)";
  } else if ((format.sndfileFormat & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG) {
    hint = " (MP3 takes one or two channels at 8 to 48 kHz: try --outputs 2)";
  }
  throw HostError(path +
                  Format(": %s cannot hold %d channels at %d Hz", format.container.c_str(),
                         channels, sampleRate) +
                  hint);
}
