#include "framework/host_identity.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

struct HostMatch {
  const char* mNeedle;
  EHost mHost;
};

// Order decides overlapping names ("reaper" before "live", "digital" before "protools").
constexpr std::array<HostMatch, 26> kHostMatches{{
    {"cubase", kHostCubase},
    {"reaper", kHostReaper},
    {"nuendo", kHostNuendo},
    {"cakewalk", kHostSonar},
    {"samplitude", kHostSamplitude},
    {"fruity", kHostFL},
    {"live", kHostAbletonLive},
    {"melodyne", kHostMelodyne},
    {"vstmanlib", kHostVSTScanner},
    {"aulab", kHostAULab},
    {"garageband", kHostGarageBand},
    {"forte", kHostForte},
    {"chainer", kHostChainer},
    {"audition", kHostAudition},
    {"orion", kHostOrion},
    {"sawstudio", kHostSAWStudio},
    {"logic", kHostLogic},
    {"digital", kHostDigitalPerformer},
    {"audiomulch", kHostAudioMulch},
    {"presonus", kHostStudioOne},
    {"vst3plugintesthost", kHostVST3TestHost},
    {"protools", kHostProTools},
    {"ardour", kHostArdour},
    {"openmpt", kHostOpenMPT},
    {"renoise", kHostRenoise},
    {"standalone", kHostStandalone},
}};

}  // namespace

EHost LookUpHost(const char* productName) {
  if (!productName) return kHostUnknown;
  std::string lower(productName, strnlen(productName, 255));
  for (char& c : lower)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const HostMatch& match : kHostMatches)
    if (lower.find(match.mNeedle) != std::string::npos) return match.mHost;
  return kHostUnknown;
}

std::string GetHostNameStr(int host) {
  switch (host) {
    case kHostReaper:
      return "Reaper";
    case kHostProTools:
      return "ProTools";
    case kHostCubase:
      return "Cubase";
    case kHostNuendo:
      return "Nuendo";
    case kHostSonar:
      return "Sonar";
    case kHostVegas:
      return "Vegas";
    case kHostFL:
      return "FLStudio";
    case kHostSamplitude:
      return "Samplitude";
    case kHostAbletonLive:
      return "Live";
    case kHostVSTScanner:
      return "VSTScanner";
    case kHostAULab:
      return "AULab";
    case kHostForte:
      return "Forte";
    case kHostChainer:
      return "Chainer";
    case kHostAudition:
      return "Audition";
    case kHostOrion:
      return "Orion";
    case kHostSAWStudio:
      return "SAWStudio";
    case kHostLogic:
      return "Logic";
    case kHostGarageBand:
      return "GarageBand";
    case kHostDigitalPerformer:
      return "DigitalPerformer";
    case kHostStandalone:
      return "Standalone";
    case kHostAudioMulch:
      return "AudioMulch";
    case kHostStudioOne:
      return "StudioOne";
    case kHostVST3TestHost:
      return "VST3PluginTestHost";
    case kHostArdour:
      return "Ardour";
    case kHostRenoise:
      return "Renoise";
    case kHostOpenMPT:
      return "OpenMPT";
    default:
      return "Unknown";  // Melodyne included: it has no name of its own
  }
}

void GetVersionParts(int version, int* major, int* minor, int* revision) {
  const auto bits = static_cast<std::uint32_t>(version);
  *major = static_cast<int>(bits >> 16);
  *minor = static_cast<int>((bits >> 8) & 0xFF);
  *revision = static_cast<int>(bits & 0xFF);
}

int GetDecimalVersion(int version) {
  int major = 0, minor = 0, revision = 0;
  GetVersionParts(version, &major, &minor, &revision);
  return major * 10000 + minor * 100 + revision;
}

std::string GetVersionStr(int version) {
  int major = 0, minor = 0, revision = 0;
  GetVersionParts(version, &major, &minor, &revision);
  char text[48];
  std::snprintf(text, sizeof text, "v%d.%d.%d", major, minor, revision);
  return text;
}
