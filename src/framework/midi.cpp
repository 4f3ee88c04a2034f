#include "framework/midi.h"

void IMidiMsg::Clear() {
  mOffset = 0;
  mStatus = mData1 = mData2 = 0;
}

void IMidiMsg::MakeNoteOnMsg(int noteNumber, int velocity, int offset, int channel) {
  Clear();
  mStatus = static_cast<std::uint8_t>(0x90 | channel);
  mData1 = static_cast<std::uint8_t>(noteNumber);
  mData2 = static_cast<std::uint8_t>(velocity);
  mOffset = offset;
}

void IMidiMsg::MakeNoteOffMsg(int noteNumber, int offset, int channel) {
  Clear();
  mStatus = static_cast<std::uint8_t>(0x80 | channel);
  mData1 = static_cast<std::uint8_t>(noteNumber);
  mOffset = offset;
}

void IMidiMsg::MakePitchWheelMsg(double value, int channel) {
  Clear();
  mStatus = static_cast<std::uint8_t>(0xE0 | channel);
  const double scaled = value * 8192.0;
  const int i = scaled > 1e6 ? 1000000 : scaled < -1e6 ? -1000000 : static_cast<int>(scaled);
  int v = i + 8192;
  if (i < -8192) v = 0;
  if (v > 16383) v = 16383;
  mData1 = static_cast<std::uint8_t>(v & 127);
  mData2 = static_cast<std::uint8_t>(v >> 7);
}

void IMidiMsg::MakeControlChangeMsg(EControlChangeMsg controller, double value, int channel) {
  Clear();
  mStatus = static_cast<std::uint8_t>(0xB0 | channel);
  mData1 = static_cast<std::uint8_t>(controller);
  mData2 = static_cast<std::uint8_t>(static_cast<int>(value * 127.0));
}

IMidiMsg::EStatusMsg IMidiMsg::StatusMsg() const {
  const unsigned kind = mStatus >> 4;
  if ((mStatus & 0x80) && kind != 15) return static_cast<EStatusMsg>(kind);
  return kNone;
}

int IMidiMsg::NoteNumber() const {
  switch (StatusMsg()) {
    case kNoteOff:
    case kNoteOn:
    case kPolyAftertouch:
      return mData1;
    default:
      return -1;
  }
}

int IMidiMsg::Velocity() const {
  const EStatusMsg kind = StatusMsg();
  return kind == kNoteOff || kind == kNoteOn ? mData2 : -1;
}

int IMidiMsg::PolyAfterTouch() const {
  return (mStatus & 0xF0) == 0xA0 ? mData2 : -1;
}
int IMidiMsg::ChannelAfterTouch() const {
  return (mStatus & 0xF0) == 0xD0 ? mData1 : -1;
}
int IMidiMsg::Program() const {
  return (mStatus & 0xF0) == 0xC0 ? mData1 : -1;
}

double IMidiMsg::PitchWheel() const {
  if ((mStatus & 0xF0) != 0xE0) return 0.;
  return static_cast<double>(mData2 * 128 + mData1 - 8192) / 8192.0;
}

double IMidiMsg::ControlChange(EControlChangeMsg controller) const {
  if ((mStatus & 0xF0) == 0xB0 && mData1 == controller) return mData2 / 127.0;
  return -1.;
}

const char* IMidiMsg::StatusMsgStr(EStatusMsg msg) {
  switch (msg) {
    case kNone:
      return "none";
    case kNoteOff:
      return "noteoff";
    case kNoteOn:
      return "noteon";
    case kPolyAftertouch:
      return "aftertouch";
    case kControlChange:
      return "controlchange";
    case kProgramChange:
      return "programchange";
    case kChannelAftertouch:
      return "channelaftertouch";
    case kPitchWheel:
      return "pitchwheel";
  }
  return "unknown";
}

void ISysEx::Clear() {
  mOffset = mSize = 0;
  mData = nullptr;
}

char* SysExStr(char* out, int outSize, const std::uint8_t* data, int size) {
  if (!out || outSize <= 0) return out;
  out[0] = '\0';
  if (!data || size <= 0) return out;
  const int count = size < outSize / 3 ? size : outSize / 3;
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (int i = 0; i < count; ++i) {
    out[3 * i] = kHex[data[i] >> 4];
    out[3 * i + 1] = kHex[data[i] & 15];
    out[3 * i + 2] = ' ';
  }
  // The last separator becomes the terminator, so the text fits in 3 * count bytes.
  if (count > 0) out[3 * count - 1] = '\0';
  return out;
}
