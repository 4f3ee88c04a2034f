#include <gtest/gtest.h>

#include "framework/host_identity.h"

TEST(HostIdentity, ProductNamesSelectHosts) {
  EXPECT_EQ(LookUpHost("REAPER"), kHostReaper);
  EXPECT_EQ(LookUpHost("Reaper64"), kHostReaper);
  EXPECT_EQ(LookUpHost("Cubase LE AI"), kHostCubase);
  EXPECT_EQ(LookUpHost("Nuendo 13"), kHostNuendo);
  EXPECT_EQ(LookUpHost("Ableton Live"), kHostAbletonLive);
  EXPECT_EQ(LookUpHost("Logic Pro X"), kHostLogic);
  EXPECT_EQ(LookUpHost("Reaper Live"), kHostReaper);  // order decides
  EXPECT_EQ(LookUpHost("Digital ProTools"), kHostDigitalPerformer);
  EXPECT_EQ(LookUpHost("Ardour"), kHostArdour);
  EXPECT_EQ(LookUpHost(""), kHostUnknown);
  EXPECT_EQ(LookUpHost(nullptr), kHostUnknown);
  EXPECT_EQ(GetHostNameStr(kHostMelodyne), "Unknown");
  EXPECT_EQ(GetHostNameStr(19), "Unknown");
  EXPECT_EQ(GetHostNameStr(kHostSonar), "Sonar");
}

TEST(HostIdentity, PackedVersions) {
  EXPECT_EQ(GetDecimalVersion(0x00010203), 10203);
  EXPECT_EQ(GetVersionStr(0x00010203), "v1.2.3");
  EXPECT_EQ(GetDecimalVersion(0x00010100), 10100);
}
