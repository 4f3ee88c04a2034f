// QUOR as the host of one plug-in format drives it, so that what the console
// does (its sound, its state, its threads) is tested once for every format
// it comes in. Each format's binary interface has tests of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/plugin/program_chunk_names.h"

class IEffectBase;

// What a format publishes of the plug-in: its name, its channels and its
// parameters by id, each with what the format says of it (a range and
// default in the parameter's own units where the format carries them, NaN
// where not).
struct Publication {
  struct Param {
    int mId = -1;
    std::string mName;
    double mMin, mMax, mDefault;
  };
  std::string mName;
  int mInputs = 0;
  int mOutputs = 0;
  std::vector<Param> mParams;
};

class ConsoleHost {
 public:
  virtual ~ConsoleHost() = default;

  // Ready to process at the rate, in calls of up to maxBlock frames.
  virtual void Start(double sampleRate, int maxBlock) = 0;
  // A parameter's value, normalised as the console keeps it: the host's own
  // units are the format's business.
  virtual void Set(int param, double normalized) = 0;
  virtual double Get(int param) = 0;
  // One call of the format's 32-bit processing; inputs and outputs may be
  // the same buffers.
  virtual void Process(float* const* inputs, float* const* outputs, int frames) = 0;
  // The host stops processing and starts again, as before an export or
  // after a transport jump.
  virtual void Reset() = 0;
  // The whole state as the format saves it, and a restore from it.
  virtual std::vector<std::uint8_t> Save() = 0;
  virtual bool Restore(const std::vector<std::uint8_t>& state) = 0;
  // The nine names (tracks, then the master) as the next save carries them,
  // and names restored as the format restores them: by default in the
  // program chunk the format saves.
  virtual std::vector<std::string> Names() {
    std::vector<std::string> names;
    ReadProgramChunkNames(Save(), &names);
    return names;
  }
  virtual bool RestoreNames(const std::vector<std::string>& names) {
    return Restore(WithProgramChunkNames(Save(), names));
  }

  // The plug-in behind the format, linked into the test, as its editor's
  // thread reaches it.
  virtual IEffectBase& Plug() = 0;
  // The host's UI thread lending itself to what the plug-in tells it; false
  // where this host cannot hear it (an LV2 UI needs an X server).
  virtual bool Idle() = 0;
  // What the host heard of edits since the last call, in order: "b3" (a
  // gesture on parameter 3 begins), "a3" (its value), "e3" (it ends).
  virtual std::vector<std::string> TakeEdits() = 0;
  // Calls the plug-in made into the host off the format's rules.
  virtual std::vector<std::string> Violations() = 0;
  virtual Publication Published() = 0;
};

using ConsoleHostMaker = std::unique_ptr<ConsoleHost> (*)();
