// Which host loaded the plug-in, and the packed version format shared by the
// plug-in's own version and the host's.
#pragma once

#include <cstdint>
#include <string>

#include "framework/four_char_code.h"

enum EHost : std::int32_t {
  kHostUninit = -1,
  kHostUnknown = 0,
  kHostReaper = 1,
  kHostProTools = 2,
  kHostCubase = 3,
  kHostNuendo = 4,
  kHostSonar = 5,
  kHostVegas = 6,
  kHostFL = 7,
  kHostSamplitude = 8,
  kHostAbletonLive = 9,
  kHostMelodyne = 12,
  kHostVSTScanner = 13,
  kHostAULab = 14,
  kHostForte = 15,
  kHostChainer = 16,
  kHostAudition = 17,
  kHostOrion = 18,
  kHostSAWStudio = 20,
  kHostLogic = 21,
  kHostGarageBand = 22,
  kHostDigitalPerformer = 23,
  kHostStandalone = 24,
  kHostAudioMulch = 25,
  kHostStudioOne = 26,
  kHostVST3TestHost = 27,
  kHostArdour = 28,
  kHostRenoise = 29,
  kHostOpenMPT = 30,
};

EHost LookUpHost(const char* productName);
std::string GetHostNameStr(int host);

// Packed versions: major in bits 16..31, minor in 8..15, revision in 0..7.
void GetVersionParts(int version, int* major, int* minor, int* revision);
int GetDecimalVersion(int version);
std::string GetVersionStr(int version);
