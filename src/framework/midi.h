// Host-independent MIDI and SysEx records.
#pragma once

#include <cstdint>

struct IMidiMsg {
  enum EStatusMsg {
    kNone = 0,
    kNoteOff = 8,
    kNoteOn = 9,
    kPolyAftertouch = 10,
    kControlChange = 11,
    kProgramChange = 12,
    kChannelAftertouch = 13,
    kPitchWheel = 14,
  };
  using EControlChangeMsg = int;  // the controller number, 0..127

  std::int32_t mOffset = 0;
  std::uint8_t mStatus = 0;
  std::uint8_t mData1 = 0;
  std::uint8_t mData2 = 0;

  void MakeNoteOnMsg(int noteNumber, int velocity, int offset, int channel = 0);
  void MakeNoteOffMsg(int noteNumber, int offset, int channel = 0);
  void MakePitchWheelMsg(double value, int channel = 0);
  void MakeControlChangeMsg(EControlChangeMsg controller, double value, int channel = 0);

  void Clear();
  int Channel() const { return mStatus & 0x0F; }
  EStatusMsg StatusMsg() const;
  int NoteNumber() const;
  int Velocity() const;
  int PolyAfterTouch() const;
  int ChannelAfterTouch() const;
  int Program() const;
  double PitchWheel() const;
  EControlChangeMsg ControlChangeIdx() const { return mData1; }
  double ControlChange(EControlChangeMsg controller) const;
  void LogMsg() const {}

  static const char* StatusMsgStr(EStatusMsg msg);
};

struct ISysEx {
  std::int32_t mOffset = 0;
  std::int32_t mSize = 0;
  const std::uint8_t* mData = nullptr;  // not owned

  void Clear();
  void LogMsg() const {}
};

// Writes the bytes as "F0 7E F7": at most outSize / 3 of them, always terminated.
char* SysExStr(char* out, int outSize, const std::uint8_t* data, int size);
