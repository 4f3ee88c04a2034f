#include "quor-host/json_text.h"

#include "quor-host/text.h"

namespace {

constexpr int kIndent = 2;

// The length of the UTF-8 character at `at`, 0 when the bytes there are not one.
std::size_t CharacterLength(const std::string& text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  char32_t point = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    point = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    point = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    point = lead & 0x07u;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0u) != 0x80u) return 0;
    point = point << 6 | (byte(at + i) & 0x3Fu);
  }
  const char32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
  if (point < smallest || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return 0;
  return length;
}

void AppendString(std::string& out, const std::string& text) {
  out += '"';
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    const std::size_t length = CharacterLength(text, at);
    if (length == 0) {
      out += Format("\\udc%02x", byte);
      ++at;
      continue;
    }
    switch (byte) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20) {
          out += Format("\\u%04x", byte);
        } else {
          out.append(text, at, length);
        }
    }
    at += length;
  }
  out += '"';
}

void Append(std::string& out, const nlohmann::json& value, int depth) {
  const std::string inner(static_cast<std::size_t>((depth + 1) * kIndent), ' ');
  const std::string outer(static_cast<std::size_t>(depth * kIndent), ' ');
  if (value.is_string()) {
    AppendString(out, value.get_ref<const std::string&>());
  } else if (value.is_object() && !value.empty()) {
    out += "{\n";
    bool first = true;
    for (const auto& [key, member] : value.items()) {
      out += (first ? "" : ",\n") + inner;
      AppendString(out, key);
      out += ": ";
      Append(out, member, depth + 1);
      first = false;
    }
    out += "\n" + outer + "}";
  } else if (value.is_array() && !value.empty()) {
    out += "[\n";
    bool first = true;
    for (const nlohmann::json& element : value) {
      out += (first ? "" : ",\n") + inner;
      Append(out, element, depth + 1);
      first = false;
    }
    out += "\n" + outer + "]";
  } else {
    out += value.dump();  // numbers, true, false, null, {} and []
  }
}

}  // namespace

std::string JsonText(const nlohmann::json& value) {
  std::string out;
  Append(out, value, 0);
  return out;
}
