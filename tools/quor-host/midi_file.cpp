#include "quor-host/midi_file.h"

#include <algorithm>
#include <set>

#include "quor-host/host_error.h"
#include "quor-host/text.h"

namespace {

constexpr std::uint32_t kDefaultTempo = 500000;  // microseconds per quarter: 120 bpm
constexpr std::uint64_t kMaxTicks = std::uint64_t{1} << 40;
constexpr std::uint8_t kAllNotesOff = 123;

class ByteReader {
 public:
  ByteReader(std::span<const std::uint8_t> bytes, std::size_t base) : mBytes(bytes), mBase(base) {}
  bool AtEnd() const { return mPosition >= mBytes.size(); }
  std::size_t Offset() const { return mBase + mPosition; }

  std::uint8_t Byte(const char* what) {
    if (AtEnd()) throw Error(std::string("truncated ") + what);
    return mBytes[mPosition++];
  }
  std::uint8_t Peek(const char* what) const {
    if (AtEnd()) throw Error(std::string("truncated ") + what);
    return mBytes[mPosition];
  }
  std::uint32_t BigEndian(int count, const char* what) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
      value = (value << 8) | Byte(what);
    return value;
  }
  // At most four bytes of seven bits each.
  std::uint32_t VariableLength(const char* what) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const std::uint8_t byte = Byte(what);
      value = (value << 7) | (byte & 0x7Fu);
      if ((byte & 0x80u) == 0) return value;
    }
    throw Error(std::string("a ") + what + " longer than four bytes");
  }
  std::span<const std::uint8_t> Take(std::size_t count, const char* what) {
    if (count > mBytes.size() - mPosition) throw Error(std::string("truncated ") + what);
    const auto taken = mBytes.subspan(mPosition, count);
    mPosition += count;
    return taken;
  }
  HostError Error(const std::string& message) const {
    return HostError(Format("corrupt MIDI file: %s at byte %zu", message.c_str(), Offset()));
  }

 private:
  std::span<const std::uint8_t> mBytes;
  std::size_t mBase;
  std::size_t mPosition = 0;
};

struct TimedEvent {
  std::uint64_t tick;
  MidiMessage message;
};

struct TempoChange {
  std::uint64_t tick;
  std::uint32_t microsecondsPerQuarter;
};

int DataBytes(std::uint8_t status) {
  const std::uint8_t kind = status & 0xF0u;
  return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

// Returns the track's end tick.
std::uint64_t ReadTrack(ByteReader reader, std::vector<TimedEvent>& events,
                        std::vector<TempoChange>& tempos, int& skippedSysex) {
  std::uint64_t tick = 0;
  std::uint8_t runningStatus = 0;
  while (!reader.AtEnd()) {
    tick += reader.VariableLength("delta time");
    if (tick > kMaxTicks) throw reader.Error("a time beyond any song");
    std::uint8_t status = reader.Peek("event");
    if ((status & 0x80u) != 0) {
      reader.Byte("event");
    } else if (runningStatus == 0) {
      throw reader.Error("a data byte without a status");
    } else {
      status = runningStatus;
    }
    if (status == 0xFF) {
      runningStatus = 0;
      const std::uint8_t type = reader.Byte("meta event");
      const auto data = reader.Take(reader.VariableLength("meta length"), "meta event");
      if (type == 0x2F) return tick;
      if (type == 0x51) {
        if (data.size() != 3) throw reader.Error("a tempo event that is not three bytes");
        const std::uint32_t tempo =
            (std::uint32_t{data[0]} << 16) | (std::uint32_t{data[1]} << 8) | data[2];
        if (tempo == 0) throw reader.Error("a tempo of zero");
        tempos.push_back({tick, tempo});
      }
    } else if (status == 0xF0 || status == 0xF7) {
      runningStatus = 0;
      reader.Take(reader.VariableLength("system exclusive length"), "system exclusive event");
      ++skippedSysex;
    } else if (status >= 0xF1) {
      throw reader.Error(Format("status 0x%02X, which files do not hold", status));
    } else {
      runningStatus = status;
      TimedEvent event{tick, {}};
      event.message.bytes[0] = status;
      for (int i = 0; i < DataBytes(status); ++i) {
        const std::uint8_t data = reader.Byte("channel message");
        if ((data & 0x80u) != 0) throw reader.Error("a status byte where data belongs");
        event.message.bytes[static_cast<std::size_t>(i) + 1] = data;
      }
      events.push_back(event);
    }
  }
  return tick;  // a track without End of Track ends with its last event
}

// Seconds at each tick through the tempo map.
class TempoMap {
 public:
  TempoMap(std::vector<TempoChange> changes, std::uint16_t division)
      : mChanges(std::move(changes)) {
    std::stable_sort(mChanges.begin(), mChanges.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    if ((division & 0x8000u) != 0) {
      // SMPTE: frames per second (29 means 29.97) times ticks per frame.
      const int frames = -static_cast<std::int8_t>(division >> 8);
      const int ticksPerFrame = division & 0xFF;
      const double rate = frames == 29 ? 29.97 : frames;
      if (frames <= 0 || ticksPerFrame == 0) throw HostError("corrupt MIDI file: SMPTE division");
      mSecondsPerTick = 1.0 / (rate * ticksPerFrame);
      mSmpte = true;
    } else {
      if (division == 0) throw HostError("corrupt MIDI file: zero ticks per quarter note");
      mTicksPerQuarter = division;
    }
  }

  double Seconds(std::uint64_t tick) const {
    if (mSmpte) return static_cast<double>(tick) * mSecondsPerTick;
    double seconds = 0.0;
    std::uint64_t from = 0;
    std::uint32_t tempo = kDefaultTempo;
    for (const TempoChange& change : mChanges) {
      if (change.tick >= tick) break;
      seconds += Span(change.tick - from, tempo);
      from = change.tick;
      tempo = change.microsecondsPerQuarter;
    }
    return seconds + Span(tick - from, tempo);
  }

 private:
  double Span(std::uint64_t ticks, std::uint32_t tempo) const {
    return static_cast<double>(ticks) * tempo * 1e-6 / mTicksPerQuarter;
  }

  std::vector<TempoChange> mChanges;
  double mTicksPerQuarter = 1.0;
  double mSecondsPerTick = 0.0;
  bool mSmpte = false;
};

// Notes left sounding when the file ends get an All Notes Off on their
// channels, so that a synthesizer's tail can end.
int EndHangingNotes(MidiSequence& sequence) {
  std::set<std::pair<int, int>> sounding;
  for (const MidiMessage& message : sequence.messages) {
    const int kind = message.bytes[0] & 0xF0;
    const int channel = message.bytes[0] & 0x0F;
    const std::pair<int, int> note{channel, message.bytes[1]};
    if (kind == 0x90 && message.bytes[2] > 0) {
      sounding.insert(note);
    } else if (kind == 0x80 || kind == 0x90) {
      sounding.erase(note);
    }
  }
  std::set<int> channels;
  for (const auto& [channel, key] : sounding)
    channels.insert(channel);
  for (const int channel : channels) {
    MidiMessage off;
    off.seconds = sequence.endSeconds;
    off.bytes = {static_cast<std::uint8_t>(0xB0 | channel), kAllNotesOff, 0};
    sequence.messages.push_back(off);
  }
  return static_cast<int>(sounding.size());
}

}  // namespace

MidiSequence ParseMidiFile(std::span<const std::uint8_t> bytes) {
  ByteReader file(bytes, 0);
  const auto magic = file.Take(4, "header");
  if (!std::equal(magic.begin(), magic.end(), "MThd")) {
    throw HostError("not a standard MIDI file (no MThd header)");
  }
  const std::uint32_t headerSize = file.BigEndian(4, "header");
  if (headerSize < 6) throw file.Error("a header shorter than six bytes");
  ByteReader header(file.Take(headerSize, "header"), 8);
  MidiSequence sequence;
  const auto format = static_cast<int>(header.BigEndian(2, "header"));
  header.BigEndian(2, "header");  // the track count: the chunks found are what counts
  const auto division = static_cast<std::uint16_t>(header.BigEndian(2, "header"));
  if (format == 2) {
    throw HostError("a type 2 MIDI file holds independent patterns, not one song");
  }
  if (format > 2) throw HostError(Format("unknown MIDI file type %d", format));

  std::vector<TimedEvent> events;
  std::vector<TempoChange> tempos;
  std::uint64_t endTick = 0;
  int tracks = 0;
  while (!file.AtEnd()) {
    const auto type = file.Take(4, "chunk header");
    const std::uint32_t size = file.BigEndian(4, "chunk header");
    const std::size_t offset = file.Offset();
    const auto body = file.Take(size, "chunk");
    // Chunks of other kinds are for others to read.
    if (!std::equal(type.begin(), type.end(), "MTrk")) continue;
    endTick = std::max(endTick,
                       ReadTrack(ByteReader(body, offset), events, tempos, sequence.skippedSysex));
    ++tracks;
  }
  if (tracks == 0) throw HostError("the MIDI file holds no track");

  const TempoMap map(std::move(tempos), division);
  std::stable_sort(events.begin(), events.end(),
                   [](const TimedEvent& a, const TimedEvent& b) { return a.tick < b.tick; });
  sequence.messages.reserve(events.size());
  for (TimedEvent& event : events) {
    event.message.seconds = map.Seconds(event.tick);
    sequence.messages.push_back(event.message);
  }
  sequence.endSeconds = map.Seconds(endTick);
  sequence.hangingNotes = EndHangingNotes(sequence);
  return sequence;
}
