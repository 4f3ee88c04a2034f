// A plug-in loaded and run in a process of its own, so that whatever it does,
// a crash, an exit or a hang, ends only that process: the host notices, says
// what happened and keeps its own files in order. Each block's audio lies in
// memory both processes share, with a count of the blocks started and of
// those processed; a message over their socket wakes a process only when it
// waits. Several blocks are under way at once, so that neither waits for the
// other at every block: the plug-in processes ahead while the host writes
// what came out and reads what goes in.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "quor-host/command_line.h"
#include "quor-host/host_error.h"
#include "quor-host/midi_file.h"
#include "vst2/vst2_abi.h"

struct BlockCounts;
struct BlockTicket;

// The plug-in crashed, ended its process or hung.
class PluginFailure : public HostError {
 public:
  using HostError::HostError;
};

// What the plug-in's process starts from; it inherits all of it.
struct PluginSetup {
  std::string path;
  const Options& options;  // --state, --set, --precision, --block, --in-place, --midi
  int sampleRate = 0;
  const MidiSequence& midi;
};

struct PluginFacts {
  int inputs = 0;
  int outputs = 0;
  Precision precision = Precision::kDouble;
  VstInt32 latency = 0;                   // as reported once processing started
  std::vector<std::string> outputLabels;  // as the plug-in names its outputs, where it does
  std::vector<std::string> warnings;
};

class PluginProcess {
 public:
  // Starts the process, which loads the plug-in, applies --state and --set
  // and starts processing. Throws HostError with the plug-in's complaint or
  // PluginFailure; waits at most `timeoutSeconds` for any one answer (0: for
  // ever).
  PluginProcess(const PluginSetup& setup, double timeoutSeconds);
  ~PluginProcess();  // ends the process if it still runs
  PluginProcess(const PluginProcess&) = delete;
  PluginProcess& operator=(const PluginProcess&) = delete;

  const PluginFacts& Facts() const { return mFacts; }
  // How many blocks may be under way, each in a slot of its own.
  int Slots() const { return static_cast<int>(mInputs.size()); }
  // The slot's buffers, one per channel, of the block size.
  double* const* Inputs(int slot) const { return mInputs[slot].data(); }
  const double* const* Outputs(int slot) const { return mOutputs[slot].data(); }

  // Hands the slot's inputs over: a block of `frames` from `position` on.
  void Start(int slot, std::size_t frames, std::int64_t position);
  // Waits for the oldest block under way, in that slot; returns the latency
  // when the plug-in reported a new one.
  std::optional<VstInt32> Finish(int slot);
  // Stops processing, closes the plug-in and waits for its process to end;
  // returns the seconds the plug-in spent processing.
  double Close();

 private:
  struct Message;
  enum class Phase { kLoading, kProcessing, kClosing };
  // What the plug-in was doing, for the message that says what happened.
  std::string During(Phase phase) const;
  // The next message; none when the timeout passed first.
  std::optional<Message> Receive(Phase phase);
  Message ReceiveInTime(Phase phase);
  [[noreturn]] void Hung(Phase phase);
  bool Send(const Message& message);
  void WakePlugin();
  [[noreturn]] void Failed(Phase phase);
  void Kill();
  void Release();

  std::string mPath;
  int mSampleRate;
  double mTimeout;
  pid_t mChild = -1;
  int mSocket = -1;
  int mChildHandle = -1;  // pidfd, -1 where the kernel has none
  int mMemory = -1;
  void* mMapping = nullptr;
  std::size_t mMappedBytes = 0;
  PluginFacts mFacts;
  std::vector<std::vector<double*>> mInputs, mOutputs;  // per slot
  std::vector<std::int64_t> mPositions;
  BlockCounts* mCounts = nullptr;   // in the mapping
  BlockTicket* mTickets = nullptr;  // one per slot
  std::uint64_t mStarted = 0;
  std::uint64_t mFinished = 0;
};
