// What a plug-in asks of its host, whatever the plug-in format: a format
// adapter owns the plug-in, implements this and connects it (IEffectBase::
// ConnectHost). Without a connection the plug-in asks nothing of anybody.
#pragma once

#include <cstdint>
#include <string>

#include "framework/edit_queue.h"
#include "framework/midi.h"

// The transport as the host reports it; a field counts only where its flag is
// in mValid (the sample position always does).
struct HostTransport {
  enum Field : std::uint32_t {
    kTempo = 1u << 0,
    kTimeSignature = 1u << 1,
    kMusicalPosition = 1u << 2,  // mPPQPos, quarter notes
    kBarStart = 1u << 3,         // mBarStart, quarter notes
    kCycle = 1u << 4,            // mCycleStart and mCycleEnd, quarter notes
  };
  std::uint32_t mValid = 0;
  double mSamplePos = 0.;
  double mTempo = 0.;  // beats per minute
  double mPPQPos = 0.;
  double mBarStart = 0.;
  double mCycleStart = 0.;
  double mCycleEnd = 0.;
  int mNumerator = 0;
  int mDenominator = 0;
  bool mPlaying = false;
  bool mLooping = false;
};

// The host's product and its version, packed as the plug-in's own.
struct HostProduct {
  std::string mName;
  int mPackedVersion = 0;
};

// The edits and notices of EditSink reach an adapter only through the
// plug-in's DeliverEdits, on whichever thread the adapter drains them on,
// never while the plug-in's mutex is held.
class IPlugHost : public EditSink {
 public:
  virtual bool IsRenderingOffline() = 0;  // any
  // Asks for the fields in `wanted` (HostTransport::Field); false when the
  // host says nothing at all.
  virtual bool GetTransport(std::uint32_t wanted, HostTransport* transport) = 0;  // any
  virtual HostProduct Identify() = 0;                                             // host
  // Events to the host's next plug-ins; false when it takes none.
  virtual bool SendMidi(const IMidiMsg& msg) = 0;  // audio
  virtual bool SendSysEx(const ISysEx& msg) = 0;   // audio
  // The open editor's thread between two frames, holding no lock: an
  // adapter whose host may lend it no thread of its own for the edits
  // delivers them from here.
  virtual void EditorTick() {}  // editor
};
