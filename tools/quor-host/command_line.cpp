#include "quor-host/command_line.h"

#include "quor-host/host_error.h"
#include "quor-host/text.h"

namespace {

constexpr long long kMaxBlockSize = 1 << 20;

int PositiveInt(const std::string& option, const std::string& text, long long limit) {
  const auto value = ParseInteger(text);
  if (!value || *value < 1 || *value > limit) {
    throw HostError(option + Format(" takes a whole number from 1 to %lld, not \"", limit) + text +
                    "\"");
  }
  return static_cast<int>(*value);
}

}  // namespace

Options ParseOptions(std::span<const std::string> words) {
  Options options;
  for (std::size_t i = 0; i < words.size(); ++i) {
    std::string word = words[i];
    std::optional<std::string> attached;
    if (word.starts_with("--") && word.find('=') != std::string::npos) {
      attached = word.substr(word.find('=') + 1);
      word = word.substr(0, word.find('='));
    }
    const bool isOption = word.size() > 1 && word.front() == '-';
    if (!isOption) {
      options.positional.push_back(word);
      continue;
    }
    auto value = [&]() -> std::string {
      if (attached) return *attached;
      if (i + 1 >= words.size()) throw HostError(word + " needs a value");
      return words[++i];
    };
    if (word == "-o" || word == "--output") {
      options.output = value();
    } else if (word == "--block") {
      options.blockSize = PositiveInt(word, value(), kMaxBlockSize);
    } else if (word == "--precision") {
      const std::string text = value();
      if (text == "32") {
        options.precision = Precision::kSingle;
      } else if (text == "64") {
        options.precision = Precision::kDouble;
      } else {
        throw HostError("--precision takes 32 or 64, not \"" + text + "\"");
      }
    } else if (word == "--outputs") {
      options.outputs = PositiveInt(word, value(), 1024);
    } else if (word == "--set") {
      options.settings.push_back(ParseSetting(value()));
    } else if (word == "--in-place" && !attached) {
      options.inPlace = true;
    } else if (word == "--state") {
      options.stateFile = value();
    } else {
      throw HostError("unknown option " + word);
    }
  }
  return options;
}
