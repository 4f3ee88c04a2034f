#include "quor-host/render_report.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "quor-host/json_text.h"
#include "quor-host/text.h"

namespace {

// JSON has no infinity: silence is null.
nlohmann::json Decibels(double linear) {
  if (!(linear > 0.0)) return nullptr;
  return std::round(2000.0 * std::log10(linear)) / 100.0;  // hundredths of a decibel
}

nlohmann::json Rounded(double value, double scale) {
  if (!std::isfinite(value)) return nullptr;
  return std::round(value * scale) / scale;
}

std::string ChannelsText(const LoudnessResult& result) {
  return result.channels == 1
             ? Format("%d", result.firstChannel + 1)
             : Format("%d-%d", result.firstChannel + 1, result.firstChannel + result.channels);
}

std::string LufsText(double value) {
  return std::isfinite(value) ? Format("%.2f", value) : "-inf";
}

std::string FilesText(const RenderReport& report) {
  if (report.output == "-") return "standard output";
  std::string text;
  for (const std::string& file : report.files)
    text += (text.empty() ? "" : ", ") + file;
  return text;
}

}  // namespace

void PrintReportText(const RenderReport& report, std::ostream& out) {
  for (const InputReport& input : report.inputs) {
    out << Format("track %2d: %s (%d ch, %d Hz%s)\n", input.track, input.path.c_str(),
                  input.channels, input.sampleRate, input.resampled ? ", resampled" : "");
  }
  if (report.midiFile) {
    out << Format("midi: %s (%d events)\n", report.midiFile->c_str(), report.midiEvents);
  }
  out << Format("rendered %.3f s (%llu frames at %d Hz, %d-bit, block %d) to %s (%s)\n",
                static_cast<double>(report.frames) / report.sampleRate,
                static_cast<unsigned long long>(report.frames), report.sampleRate,
                report.precisionBits, report.blockSize, FilesText(report).c_str(),
                report.format.c_str());
  out << Format("latency: %d samples%s\n", report.latencyFrames,
                report.latencyFrames == 0   ? ""
                : report.latencyCompensated ? ", compensated"
                                            : ", not compensated");
  out << Format("tail: %.3f s (%s)\n", report.tailSeconds, report.tailEnd.c_str());
  if (report.normalizeGainDb) {
    out << Format("normalised by %+.2f dB (%s)\n", *report.normalizeGainDb,
                  report.normalizeNote.c_str());
  } else if (!report.normalizeNote.empty()) {
    out << report.normalizeNote << '\n';
  }
  out << "output  peak dBFS   RMS dBFS   clipped\n";
  for (std::size_t c = 0; c < report.peaks.size(); ++c) {
    out << Format("%6zu  %9s  %9s  %8llu\n", c + 1, DecibelText(report.peaks[c]).c_str(),
                  DecibelText(report.rms[c]).c_str(),
                  static_cast<unsigned long long>(report.clipped[c]));
  }
  out << "outputs  loudness LUFS  range LU  true peak dBTP\n";
  for (const LoudnessResult& result : report.loudness) {
    out << Format("%7s  %13s  %8.2f  %14s\n", ChannelsText(result).c_str(),
                  LufsText(result.integratedLufs).c_str(), result.rangeLu,
                  DecibelText(result.truePeak).c_str());
  }
  if (report.realTimeFactor > 0.0) {
    out << Format("real-time factor: %.1f (plug-in alone: %.1f)\n", report.realTimeFactor,
                  report.pluginRealTimeFactor);
  }
}

void PrintReportJson(const RenderReport& report, std::ostream& out) {
  nlohmann::json json;
  json["plugin"] = report.plugin;
  json["output"] = report.output;
  json["files"] = report.files;
  json["format"] = report.format;
  json["sample_rate"] = report.sampleRate;
  json["precision_bits"] = report.precisionBits;
  json["block_size"] = report.blockSize;
  json["frames"] = report.frames;
  json["seconds"] = static_cast<double>(report.frames) / report.sampleRate;
  json["inputs"] = nlohmann::json::array();
  for (const InputReport& input : report.inputs) {
    json["inputs"].push_back({{"file", input.path},
                              {"track", input.track},
                              {"channels", input.channels},
                              {"sample_rate", input.sampleRate},
                              {"resampled", input.resampled}});
  }
  if (report.midiFile) json["midi"] = {{"file", *report.midiFile}, {"events", report.midiEvents}};
  json["latency"] = {{"samples", report.latencyFrames}, {"compensated", report.latencyCompensated}};
  json["tail"] = {{"seconds", report.tailSeconds}, {"end", report.tailEnd}};
  json["normalize_gain_db"] =
      report.normalizeGainDb ? Rounded(*report.normalizeGainDb, 100.0) : nlohmann::json(nullptr);
  json["normalize"] = report.normalizeNote;
  json["channels"] = nlohmann::json::array();
  for (std::size_t c = 0; c < report.peaks.size(); ++c) {
    json["channels"].push_back({{"output", c + 1},
                                {"peak_dbfs", Decibels(report.peaks[c])},
                                {"rms_dbfs", Decibels(report.rms[c])},
                                {"clipped_samples", report.clipped[c]},
                                {"nonfinite_samples", report.nonFinite[c]}});
  }
  json["loudness"] = nlohmann::json::array();
  for (const LoudnessResult& result : report.loudness) {
    nlohmann::json outputs = nlohmann::json::array();
    for (int c = 0; c < result.channels; ++c)
      outputs.push_back(result.firstChannel + c + 1);
    json["loudness"].push_back({{"outputs", outputs},
                                {"integrated_lufs", Rounded(result.integratedLufs, 1000.0)},
                                {"range_lu", Rounded(result.rangeLu, 1000.0)},
                                {"true_peak_dbtp", Decibels(result.truePeak)}});
  }
  json["warnings"] = report.warnings;
  json["real_time_factor"] = Rounded(report.realTimeFactor, 10.0);
  out << JsonText(json) << '\n';
}
