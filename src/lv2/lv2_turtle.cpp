#include "lv2/lv2_turtle.h"

#include <cmath>
#include <cstdio>
#include <set>
#include <sstream>

namespace {

constexpr const char* kPrefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix pg: <http://lv2plug.in/ns/ext/port-groups#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

// A string literal, quotes and backslashes escaped.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + '"';
}

// A decimal literal: Turtle reads "1" as an integer, "1.0" as a decimal.
std::string Decimal(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.9g", value);
  std::string out = text;
  if (out.find_first_of(".e") == std::string::npos) out += ".0";
  return out;
}

std::string Uri(const std::string& uri) {
  return "<" + uri + ">";
}

// A port group's node, beside the plug-in's URI.
std::string GroupUri(const Lv2Description& d, const std::string& group) {
  return Uri(d.mUri + "#" + group);
}

void WritePort(std::ostream& out, const Lv2Description& d, const Lv2Port& port, std::size_t index) {
  using Kind = Lv2Port::Kind;
  const bool audio = port.mKind == Kind::kAudioIn || port.mKind == Kind::kAudioOut;
  const bool input = port.mKind == Kind::kAudioIn || port.mKind == Kind::kControlIn;
  out << "[\n    a lv2:" << (input ? "InputPort" : "OutputPort")
      << ", lv2:" << (audio ? "AudioPort" : "ControlPort") << " ;\n"
      << "    lv2:index " << index << " ;\n"
      << "    lv2:symbol " << Quoted(port.mSymbol) << " ;\n"
      << "    lv2:name " << Quoted(port.mName);
  if (audio) {
    if (!port.mGroup.empty())
      out << " ;\n    pg:group " << GroupUri(d, port.mGroup) << " ;\n    lv2:designation "
          << (port.mLeft ? "pg:left" : "pg:right");
  } else if (port.mKind == Kind::kLatency) {
    out << " ;\n    lv2:designation lv2:latency ;\n"
           "    lv2:portProperty lv2:reportsLatency, lv2:integer ;\n"
           "    lv2:minimum 0 ;\n    lv2:maximum 192000";
  } else {
    if (input) out << " ;\n    lv2:default " << Decimal(port.mDefault);
    out << " ;\n    lv2:minimum " << Decimal(port.mMin) << " ;\n    lv2:maximum "
        << Decimal(port.mMax);
    if (port.mUnit == Lv2Port::Unit::kDecibel) out << " ;\n    units:unit units:db";
    if (port.mStyle == Lv2Port::Style::kToggle)
      out << " ;\n    lv2:portProperty lv2:toggled, lv2:integer";
    if (port.mStyle == Lv2Port::Style::kChoice)
      out << " ;\n    lv2:portProperty lv2:enumeration, lv2:integer";
    for (std::size_t value = 0; value < port.mChoices.size(); ++value)
      out << " ;\n    lv2:scalePoint [ rdfs:label " << Quoted(port.mChoices[value])
          << " ; rdf:value " << Decimal(static_cast<double>(value)) << " ]";
    if (!port.mComment.empty()) out << " ;\n    rdfs:comment " << Quoted(port.mComment);
  }
  out << "\n  ]";
}

}  // namespace

std::string ManifestTurtle(const Lv2Description& d) {
  std::ostringstream out;
  out << kPrefixes << Uri(d.mUri) << "\n  a lv2:Plugin ;\n  lv2:binary " << Uri(d.mBinary)
      << " ;\n  rdfs:seeAlso " << Uri(d.mPluginTurtle) << " .\n\n"
      << Uri(d.mUiUri) << "\n  a ui:X11UI ;\n  ui:binary " << Uri(d.mBinary)
      << " ;\n  rdfs:seeAlso " << Uri(d.mUiTurtle) << " .\n";
  for (const Lv2Preset& preset : d.mPresets)
    out << "\n"
        << Uri(preset.mUri) << "\n  a pset:Preset ;\n  lv2:appliesTo " << Uri(d.mUri)
        << " ;\n  rdfs:label " << Quoted(preset.mLabel) << " ;\n  rdfs:seeAlso "
        << Uri(d.mPresetsTurtle) << " .\n";
  return out.str();
}

std::string PresetsTurtle(const Lv2Description& d) {
  std::ostringstream out;
  out << kPrefixes;
  for (const Lv2Preset& preset : d.mPresets) {
    out << Uri(preset.mUri) << "\n  a pset:Preset ;\n  lv2:appliesTo " << Uri(d.mUri)
        << " ;\n  rdfs:label " << Quoted(preset.mLabel) << " ;\n  lv2:port ";
    for (std::size_t i = 0; i < preset.mPortValues.size(); ++i)
      out << (i > 0 ? ", " : "") << "[\n    lv2:symbol " << Quoted(preset.mPortValues[i].first)
          << " ;\n    pset:value " << Decimal(preset.mPortValues[i].second) << "\n  ]";
    out << " .\n\n";
  }
  return out.str();
}

std::string PluginTurtle(const Lv2Description& d) {
  std::ostringstream out;
  out << kPrefixes;
  // The stereo groups, each named after its first port's group.
  std::set<std::string> groups;
  for (const Lv2Port& port : d.mPorts) {
    if (port.mGroup.empty() || !groups.insert(port.mGroup).second) continue;
    const bool input = port.mKind == Lv2Port::Kind::kAudioIn;
    out << GroupUri(d, port.mGroup) << "\n  a pg:" << (input ? "InputGroup" : "OutputGroup")
        << ", pg:StereoGroup ;\n  lv2:symbol " << Quoted(port.mGroup) << " ;\n  rdfs:label "
        << Quoted(port.mGroup) << " .\n\n";
  }
  out << Uri(d.mUri) << "\n  a lv2:Plugin, lv2:MixerPlugin, doap:Project ;\n"
      << "  doap:name " << Quoted(d.mName) << " ;\n"
      << "  doap:maintainer [ foaf:name " << Quoted(d.mVendor) << " ] ;\n"
      << "  lv2:minorVersion " << d.mMinorVersion << " ;\n"
      << "  lv2:microVersion " << d.mMicroVersion << " ;\n"
      << "  lv2:optionalFeature lv2:hardRTCapable, urid:map, opts:options, "
         "bufsz:boundedBlockLength ;\n"
      << "  opts:supportedOption bufsz:maxBlockLength, bufsz:nominalBlockLength ;\n"
      << "  lv2:extensionData state:interface ;\n"
      << "  ui:ui " << Uri(d.mUiUri) << " ;\n"
      << "  lv2:port ";
  for (std::size_t i = 0; i < d.mPorts.size(); ++i) {
    if (i > 0) out << ", ";
    WritePort(out, d, d.mPorts[i], i);
  }
  out << " .\n";
  return out.str();
}

std::string UiTurtle(const Lv2Description& d) {
  std::ostringstream out;
  out << kPrefixes << Uri(d.mUiUri) << "\n  a ui:X11UI ;\n  ui:binary " << Uri(d.mBinary) << " ;\n"
      << "  lv2:requiredFeature ui:idleInterface, "
         "<http://lv2plug.in/ns/ext/instance-access> ;\n"
      << "  lv2:optionalFeature ui:parent, ui:resize, ui:touch, opts:options ;\n"
      << "  opts:supportedOption ui:scaleFactor ;\n"
      << "  lv2:extensionData ui:idleInterface .\n";
  return out.str();
}
