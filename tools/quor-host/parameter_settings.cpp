#include "quor-host/parameter_settings.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "quor-host/host_error.h"
#include "quor-host/plugin.h"
#include "quor-host/text.h"

namespace {

constexpr int kTextScanSteps = 1000;
constexpr int kBisectionSteps = 48;
constexpr std::size_t kMaxListedTexts = 12;

std::string Trim(std::string_view text) {
  const auto begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return "";
  const auto end = text.find_last_not_of(" \t");
  return std::string(text.substr(begin, end - begin + 1));
}

int FindParameter(const Plugin& plugin, const std::string& name) {
  std::vector<std::string> names;
  for (int index = 0; index < plugin.NumParams(); ++index) {
    names.push_back(Trim(plugin.ParamName(index)));
    if (names.back() == name) return index;
  }
  const std::string wanted = Lower(Trim(name));
  for (std::size_t index = 0; index < names.size(); ++index) {
    if (!names[index].empty() && Lower(names[index]) == wanted) return static_cast<int>(index);
  }
  std::string message = "unknown parameter \"" + name + "\"";
  if (const auto suggestion = Nearest(wanted, names)) {
    message += "; did you mean \"" + *suggestion + "\"?";
  }
  throw HostError(message);
}

// The number a display text opens with ("-6.0 dB" gives -6), and how finely
// it is shown: half its last digit.
struct DisplayedNumber {
  double value;
  double resolution;
};

std::optional<DisplayedNumber> LeadingNumber(std::string_view text) {
  const std::string trimmed = Trim(text);
  std::size_t end = 0;
  while (end < trimmed.size() &&
         (std::isdigit(static_cast<unsigned char>(trimmed[end])) || trimmed[end] == '.' ||
          ((trimmed[end] == '-' || trimmed[end] == '+') && end == 0))) {
    ++end;
  }
  const auto value = ParseNumber(std::string_view(trimmed).substr(0, end));
  if (!value) return std::nullopt;
  const std::string digits = trimmed.substr(0, end);
  const auto dot = digits.find('.');
  const int decimals = dot == std::string::npos ? 0 : static_cast<int>(digits.size() - dot - 1);
  return DisplayedNumber{*value, 0.5 * std::pow(10.0, -decimals) + 1e-9 * std::abs(*value)};
}

// A number as the user gave it: alone, or followed by the parameter's unit.
std::optional<double> RequestedNumber(const std::string& text, const std::string& label) {
  if (const auto value = ParseNumber(Trim(text))) return value;
  const std::string unit = Trim(label);
  const std::string lowered = Lower(Trim(text));
  if (unit.empty() || !lowered.ends_with(Lower(unit))) return std::nullopt;
  return ParseNumber(Trim(std::string_view(lowered).substr(0, lowered.size() - unit.size())));
}

class ParameterProbe {
 public:
  ParameterProbe(const Plugin& plugin, int index) : mPlugin(plugin), mIndex(index) {}
  std::string DisplayAt(double normalised) const {
    mPlugin.SetParameter(mIndex, static_cast<float>(normalised));
    return Trim(mPlugin.ParamDisplay(mIndex));
  }
  std::optional<DisplayedNumber> NumberAt(double normalised) const {
    return LeadingNumber(DisplayAt(normalised));
  }

 private:
  const Plugin& mPlugin;
  int mIndex;
};

std::string Shown(const Plugin& plugin, int index) {
  const std::string label = Trim(plugin.ParamLabel(index));
  return Trim(plugin.ParamDisplay(index)) + (label.empty() ? "" : " " + label);
}

// Finds the normalised value that displays the number: the display is
// taken as monotonic between the ends of the range. Values beyond the range
// are limited to its nearer end.
std::optional<std::string> SetByDisplayedNumber(const Plugin& plugin, int index,
                                                const std::string& name, double wanted) {
  const ParameterProbe probe(plugin, index);
  const auto low = probe.NumberAt(0.0);
  const auto high = probe.NumberAt(1.0);
  if (!low || !high || low->value == high->value) return std::nullopt;
  const bool rising = high->value > low->value;
  const double minimum = std::min(low->value, high->value);
  const double maximum = std::max(low->value, high->value);
  if (wanted < minimum - low->resolution || wanted > maximum + high->resolution) {
    const bool toHigh = (wanted > maximum) == rising;
    probe.DisplayAt(toHigh ? 1.0 : 0.0);
    return Format("parameter \"%s\": %g is beyond its range, limited to ", name.c_str(), wanted) +
           Shown(plugin, index);
  }
  double below = 0.0;
  double above = 1.0;
  for (int step = 0; step < kBisectionSteps; ++step) {
    const double middle = 0.5 * (below + above);
    const auto shown = probe.NumberAt(middle);
    if (!shown) return std::nullopt;
    if ((shown->value < wanted) == rising) {
      below = middle;
    } else {
      above = middle;
    }
  }
  // Of the two sides of the step, the one that shows the nearer number.
  const auto belowShown = probe.NumberAt(below);
  const auto aboveShown = probe.NumberAt(above);
  if (!belowShown || !aboveShown) return std::nullopt;
  const bool useAbove =
      std::abs(aboveShown->value - wanted) <= std::abs(belowShown->value - wanted);
  const DisplayedNumber& chosen = useAbove ? *aboveShown : *belowShown;
  probe.DisplayAt(useAbove ? above : below);
  if (std::abs(chosen.value - wanted) > chosen.resolution) {
    return Format("parameter \"%s\": %g is between the plug-in's steps, set to ", name.c_str(),
                  wanted) +
           Shown(plugin, index);
  }
  return std::string();
}

// The texts a parameter shows over its range, found by stepping through it:
// discrete parameters show each of theirs over a stretch of it.
struct ShownStretch {
  std::string text;
  int first;
  int last;
};

std::vector<ShownStretch> TextsOverTheRange(const ParameterProbe& probe) {
  std::vector<ShownStretch> stretches;
  for (int step = 0; step <= kTextScanSteps; ++step) {
    std::string shown = probe.DisplayAt(static_cast<double>(step) / kTextScanSteps);
    if (!stretches.empty() && stretches.back().text == shown)
      stretches.back().last = step;
    else
      stretches.push_back({std::move(shown), step, step});
  }
  return stretches;
}

// Sets the middle of a stretch.
void SetStretch(const ParameterProbe& probe, const ShownStretch& stretch) {
  probe.DisplayAt(0.5 * (stretch.first + stretch.last) / kTextScanSteps);
}

bool SetByDisplayedText(const Plugin& plugin, int index, const std::string& wanted,
                        std::vector<std::string>& seen) {
  const ParameterProbe probe(plugin, index);
  const std::string key = Lower(Trim(wanted));
  const std::vector<ShownStretch> stretches = TextsOverTheRange(probe);
  for (const ShownStretch& stretch : stretches)
    seen.push_back(stretch.text);
  for (const ShownStretch& stretch : stretches) {
    if (Lower(stretch.text) == key) {
      SetStretch(probe, stretch);
      return true;
    }
  }
  return false;
}

// A whole number names a value of a parameter that shows words, as hosts
// count them: 0 its first, 1 its second.
bool SetByTextPosition(const Plugin& plugin, int index, double position) {
  const ParameterProbe probe(plugin, index);
  const std::vector<ShownStretch> stretches = TextsOverTheRange(probe);
  if (position < 0.0 || position != std::floor(position) ||
      position >= static_cast<double>(stretches.size())) {
    return false;
  }
  // A range that shows numbers at both ends takes numbers as shown.
  if (LeadingNumber(stretches.front().text) && LeadingNumber(stretches.back().text)) return false;
  SetStretch(probe, stretches[static_cast<std::size_t>(position)]);
  return true;
}

std::string TextsShown(const std::vector<std::string>& seen) {
  if (seen.size() > kMaxListedTexts) return "from " + seen.front() + " to " + seen.back();
  std::string list;
  for (const std::string& text : seen)
    list += (list.empty() ? "" : ", ") + text;
  return list;
}

// Returns a warning when the value was limited; throws when the plug-in takes
// nothing like the text.
std::string SetByName(const Plugin& plugin, const ParameterSetting& setting) {
  const int index = FindParameter(plugin, setting.target);
  const std::string name = Trim(plugin.ParamName(index));
  const std::string& text = setting.value;
  if (text.starts_with("@")) {
    const auto value = ParseNumber(text.substr(1));
    if (!value || *value < 0.0 || *value > 1.0) {
      throw HostError("parameter \"" + name + "\": \"" + text +
                      "\" is not a normalised value between @0 and @1");
    }
    plugin.SetParameter(index, static_cast<float>(*value));
    return "";
  }
  const float before = plugin.GetParameter(index);
  const std::optional<double> number = RequestedNumber(text, plugin.ParamLabel(index));

  // First the plug-in's own parser; what it then displays must be what was
  // asked, or the nearer end of the range for a number beyond it.
  std::string copy = text;
  if (plugin.Dispatch(effString2Parameter, index, 0, copy.data()) != 0) {
    const std::string shown = Trim(plugin.ParamDisplay(index));
    if (!number && Lower(shown) == Lower(Trim(text))) return "";
    const auto shownNumber = LeadingNumber(shown);
    if (number && shownNumber &&
        std::abs(shownNumber->value - *number) <= shownNumber->resolution) {
      return "";
    }
  }
  plugin.SetParameter(index, before);

  if (number) {
    if (auto outcome = SetByDisplayedNumber(plugin, index, name, *number)) return *outcome;
    if (SetByTextPosition(plugin, index, *number)) return "";
  } else {
    std::vector<std::string> seen;
    if (SetByDisplayedText(plugin, index, text, seen)) return "";
    plugin.SetParameter(index, before);
    throw HostError("parameter \"" + name + "\" does not take \"" + text + "\"; it shows " +
                    TextsShown(seen));
  }
  // A number it does not take: say what it does.
  const std::vector<ShownStretch> stretches = TextsOverTheRange(ParameterProbe(plugin, index));
  plugin.SetParameter(index, before);
  std::vector<std::string> seen;
  for (const ShownStretch& stretch : stretches)
    seen.push_back(stretch.text);
  std::string message =
      "parameter \"" + name + "\" does not take \"" + text + "\"; it shows " + TextsShown(seen);
  if (!LeadingNumber(seen.front()) || !LeadingNumber(seen.back())) {
    message += Format(", or their positions 0 to %zu", seen.size() - 1);
  }
  throw HostError(message);
}

void SetByIndex(const Plugin& plugin, const ParameterSetting& setting, long long index) {
  if (index < 0 || index >= plugin.NumParams()) {
    throw HostError(Format("parameter index %lld is outside 0..%d", index, plugin.NumParams() - 1));
  }
  const std::string& text = setting.value;
  const auto value = ParseNumber(text.starts_with("@") ? text.substr(1) : text);
  if (!value || *value < 0.0 || *value > 1.0) {
    throw HostError("parameter " + setting.target + ": \"" + setting.value +
                    "\" is not a normalised value between 0 and 1");
  }
  plugin.SetParameter(static_cast<int>(index), static_cast<float>(*value));
}

}  // namespace

ParameterSetting ParseSetting(const std::string& argument) {
  const auto equals = argument.find('=');
  if (equals == std::string::npos || equals == 0) {
    throw UsageError("--set takes NAME=TEXT, NAME=@VALUE or INDEX=VALUE, not \"" + argument + "\"");
  }
  return {argument.substr(0, equals), argument.substr(equals + 1)};
}

std::vector<std::string> ApplySettings(const Plugin& plugin,
                                       const std::vector<ParameterSetting>& settings) {
  std::vector<std::string> warnings;
  for (const ParameterSetting& setting : settings) {
    const bool isIndex = setting.target.find_first_not_of("0123456789") == std::string::npos;
    if (isIndex) {
      SetByIndex(plugin, setting, ParseInteger(setting.target).value_or(-1));
    } else if (std::string warning = SetByName(plugin, setting); !warning.empty()) {
      warnings.push_back(std::move(warning));
    }
  }
  return warnings;
}
