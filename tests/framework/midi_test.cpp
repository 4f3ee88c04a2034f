#include <gtest/gtest.h>

#include <array>

#include "framework/midi.h"

TEST(Midi, PitchWheel) {
  IMidiMsg msg;
  msg.MakePitchWheelMsg(0.0);
  EXPECT_EQ(msg.mStatus, 0xE0);
  EXPECT_EQ(msg.mData1, 0);
  EXPECT_EQ(msg.mData2, 64);
  EXPECT_EQ(msg.PitchWheel(), 0.0);
  msg.MakePitchWheelMsg(1.0);
  EXPECT_EQ(msg.mData1, 127);
  EXPECT_EQ(msg.mData2, 127);
  msg.MakePitchWheelMsg(-1.0);
  EXPECT_EQ(msg.mData1, 0);
  EXPECT_EQ(msg.mData2, 0);
  EXPECT_EQ(msg.PitchWheel(), -1.0);
}

TEST(Midi, Readers) {
  IMidiMsg msg;
  msg.mStatus = 0x95;
  msg.mData1 = 60;
  msg.mData2 = 33;
  EXPECT_EQ(msg.Channel(), 5);
  EXPECT_EQ(msg.StatusMsg(), IMidiMsg::kNoteOn);
  EXPECT_EQ(msg.Velocity(), 33);
  msg.mStatus = 0x45;
  EXPECT_EQ(msg.StatusMsg(), IMidiMsg::kNone);
  EXPECT_EQ(msg.NoteNumber(), -1);
  msg.MakeControlChangeMsg(10, 0.5);
  EXPECT_EQ(msg.ControlChange(7), -1.);
  EXPECT_EQ(msg.ControlChange(10), 63 / 127.);
  EXPECT_STREQ(IMidiMsg::StatusMsgStr(IMidiMsg::kPitchWheel), "pitchwheel");
}

TEST(Midi, SysExText) {
  const std::array<std::uint8_t, 3> bytes{0xF0, 0x7E, 0xF7};
  char text[64];
  EXPECT_STREQ(SysExStr(text, sizeof text, bytes.data(), 3), "F0 7E F7");
  char tight[6];  // room for two bytes only
  EXPECT_STREQ(SysExStr(tight, sizeof tight, bytes.data(), 3), "F0 7E");
  EXPECT_STREQ(SysExStr(text, sizeof text, nullptr, 3), "");
}
