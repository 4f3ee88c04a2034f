#include "quor-host/plugin_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>

#include "quor-host/commands.h"
#include "quor-host/host_error.h"
#include "quor-host/interruption.h"
#include "quor-host/midi_feed.h"
#include "quor-host/plugin.h"
#include "quor-host/process_call.h"
#include "quor-host/text.h"

namespace {

using Clock = std::chrono::steady_clock;

enum class MessageKind : std::int32_t {
  kWarning,  // child: text
  kFailure,  // child: text of the HostError that ended it
  kUsage,    // child: text of a UsageError
  kLabel,    // child: an output's index, and its label
  kReady,    // child: inputs, outputs, precision bits, latency
  kWake,     // either: look at the counts again
  kStop,     // host: stop processing, close the plug-in, end
  kClosed,   // child: nanoseconds spent processing
};

struct WireHeader {
  MessageKind kind;
  std::int64_t values[4];
};

constexpr std::size_t kMaxMessageBytes = 16384;
// Slots enough to ride out a moment's wait for the processor, in a few MiB.
constexpr std::size_t kPipelineBytes = std::size_t{4} << 20;
constexpr std::size_t kMinSlots = 2;
constexpr std::size_t kMaxSlots = 8;
constexpr int kExitWaitMs = 1000;
constexpr std::size_t kMaxLabelledOutputs = 1024;

}  // namespace

// The counts at the start of the shared memory, each on a cache line of its
// own; a ticket per slot follows. A process that finds nothing to do says it
// waits, looks once more, and sleeps on the socket; the other, after
// counting, wakes it if it said so.
struct BlockCounts {
  alignas(64) std::atomic<std::uint64_t> started{0};    // by the host
  alignas(64) std::atomic<std::uint64_t> processed{0};  // by the plug-in
  alignas(64) std::atomic<std::uint32_t> pluginWaits{0};
  alignas(64) std::atomic<std::uint64_t> hostWaits{0};  // for this many processed
};
static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

// What one block is, and what the plug-in said while processing it.
struct BlockTicket {
  std::int64_t frames;
  std::int64_t position;
  std::int32_t latencyChanged;  // audioMasterIOChanged
  std::int32_t latency;
};

namespace {

// The shared memory: the counts, the tickets, then for each slot the inputs'
// and the outputs' channels.
struct AudioLayout {
  AudioLayout(std::size_t inputCount, std::size_t outputCount, std::size_t blockFrames)
      : inputs(inputCount),
        outputs(outputCount),
        frames(blockFrames),
        slots(std::clamp(kPipelineBytes / std::max<std::size_t>(SlotSamples() * sizeof(double), 1),
                         kMinSlots, kMaxSlots)) {}
  std::size_t inputs;
  std::size_t outputs;
  std::size_t frames;
  std::size_t slots;

  std::size_t SlotSamples() const { return (inputs + outputs) * frames; }
  std::size_t TicketsOffset() const { return sizeof(BlockCounts); }
  std::size_t AudioOffset() const {
    return (TicketsOffset() + slots * sizeof(BlockTicket) + 63) / 64 * 64;
  }
  std::size_t Bytes() const { return AudioOffset() + SlotSamples() * slots * sizeof(double); }
  BlockTicket* Tickets(void* base) const {
    return reinterpret_cast<BlockTicket*>(static_cast<char*>(base) + TicketsOffset());
  }
  void Point(void* base, std::vector<std::vector<double*>>& in,
             std::vector<std::vector<double*>>& out) const {
    in.assign(slots, std::vector<double*>(inputs));
    out.assign(slots, std::vector<double*>(outputs));
    double* const audio = reinterpret_cast<double*>(static_cast<char*>(base) + AudioOffset());
    for (std::size_t slot = 0; slot < slots; ++slot) {
      double* const samples = audio + slot * SlotSamples();
      for (std::size_t c = 0; c < inputs; ++c)
        in[slot][c] = samples + c * frames;
      for (std::size_t c = 0; c < outputs; ++c)
        out[slot][c] = samples + (inputs + c) * frames;
    }
  }
};

void* Map(int memory, std::size_t bytes) {
  void* const mapping = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, memory, 0);
  return mapping == MAP_FAILED ? nullptr : mapping;
}

bool SendWire(int socket, MessageKind kind, std::array<std::int64_t, 4> values,
              std::string_view text = {}) {
  WireHeader header{kind, {values[0], values[1], values[2], values[3]}};
  std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
  bytes.append(text.substr(0, kMaxMessageBytes - sizeof header));
  for (;;) {
    const ssize_t sent = send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    return sent == static_cast<ssize_t>(bytes.size());
  }
}

// In the plug-in's process: a lost host ends it.
void SendOrEnd(int socket, MessageKind kind, std::array<std::int64_t, 4> values,
               std::string_view text = {}) {
  if (!SendWire(socket, kind, values, text)) _exit(1);
}

WireHeader ReceiveOrEnd(int socket) {
  WireHeader header{};
  for (;;) {
    const ssize_t received = recv(socket, &header, sizeof header, 0);
    if (received < 0 && errno == EINTR) continue;
    if (received != static_cast<ssize_t>(sizeof header)) _exit(1);
    return header;
  }
}

// The plug-in's side, up to its close; returns the nanoseconds it processed.
std::int64_t RunPlugin(const PluginSetup& setup, int socket, int memory) {
  const Options& options = setup.options;
  HostContext context;
  context.sampleRate = setup.sampleRate;
  context.blockSize = options.blockSize;
  const Plugin plugin(setup.path, context);
  if (plugin.NumOutputs() < 1) throw HostError("the plug-in has no outputs");
  const Precision precision = ChoosePrecision(plugin, options);
  if (options.midiFile && !plugin.HasFlag(effFlagsIsSynth)) {
    std::string capability = "receiveVstMidiEvent";
    if (plugin.Dispatch(effCanDo, 0, 0, capability.data()) <= 0) {
      SendOrEnd(socket, MessageKind::kWarning, {}, "the plug-in does not say that it takes MIDI");
    }
  }
  plugin.Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(setup.sampleRate));
  plugin.Dispatch(effSetBlockSize, 0, options.blockSize);
  for (const std::string& warning : ApplyStateOptions(plugin, options))
    SendOrEnd(socket, MessageKind::kWarning, {}, warning);

  const auto blockSize = static_cast<std::size_t>(options.blockSize);
  const AudioLayout layout{static_cast<std::size_t>(plugin.NumInputs()),
                           static_cast<std::size_t>(plugin.NumOutputs()), blockSize};
  void* const mapping = ftruncate(memory, static_cast<off_t>(layout.Bytes())) == 0
                            ? Map(memory, layout.Bytes())
                            : nullptr;
  if (mapping == nullptr) {
    throw HostError(std::string("cannot share the audio with the host (") + std::strerror(errno) +
                    ")");
  }
  std::vector<std::vector<double*>> inputs, outputs;
  layout.Point(mapping, inputs, outputs);
  BlockCounts& counts = *new (mapping) BlockCounts;
  BlockTicket* const tickets = layout.Tickets(mapping);
  MidiFeed midi(setup.midi, setup.sampleRate);
  ProcessCall call(plugin, precision, blockSize, options.inPlace);

  // The outputs' labels, as the settings leave them: where a plug-in names
  // its outputs, split files take their names.
  for (int output = 0; output < plugin.NumOutputs(); ++output) {
    VstPinProperties pin{};
    if (plugin.Dispatch(effGetOutputProperties, output, 0, &pin) != 0) {
      pin.label[sizeof pin.label - 1] = '\0';
      SendOrEnd(socket, MessageKind::kLabel, {output}, pin.label);
    }
  }
  const ProcessingSession session(plugin, precision == Precision::kDouble);
  context.ioChanged = false;
  SendOrEnd(socket, MessageKind::kReady,
            {plugin.NumInputs(), plugin.NumOutputs(), precision == Precision::kDouble ? 64 : 32,
             plugin.Effect().initialDelay});
  Clock::duration processing{};
  for (std::uint64_t done = 0;;) {
    if (done == counts.started.load(std::memory_order_acquire)) {
      counts.pluginWaits.store(1);
      if (done == counts.started.load()) {
        if (ReceiveOrEnd(socket).kind == MessageKind::kStop) break;
      }
      counts.pluginWaits.store(0);
      continue;
    }
    const std::size_t slot = done % layout.slots;
    BlockTicket& ticket = tickets[slot];
    const auto frames = std::min(static_cast<std::size_t>(ticket.frames), blockSize);
    context.samplePos = static_cast<double>(ticket.position);
    if (VstEvents* events = midi.Block(ticket.position, frames)) {
      plugin.Dispatch(effProcessEvents, 0, 0, events);
    }
    const Clock::time_point start = Clock::now();
    call.Process(inputs[slot].data(), outputs[slot].data(), frames);
    processing += Clock::now() - start;
    // A plug-in tells of a new latency through audioMasterIOChanged.
    ticket.latencyChanged = context.ioChanged ? 1 : 0;
    ticket.latency = plugin.Effect().initialDelay;
    context.ioChanged = false;
    counts.processed.store(++done);
    if (std::uint64_t enough = counts.hostWaits.load();
        enough != 0 && done >= enough && counts.hostWaits.compare_exchange_strong(enough, 0)) {
      SendOrEnd(socket, MessageKind::kWake, {});
    }
  }
  return std::chrono::duration_cast<std::chrono::nanoseconds>(processing).count();
}

[[noreturn]] void ServePlugin(const PluginSetup& setup, int socket, int memory, pid_t host) {
  // The host decides what a signal means, and a host that is gone ends this.
  IgnoreInterruptions();
  DropExitGuard();
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != host) _exit(1);
  // Standard output may carry the rendered file: what the plug-in prints
  // goes to standard error, and standard input is not its to read.
  dup2(STDERR_FILENO, STDOUT_FILENO);
  if (const int none = open("/dev/null", O_RDONLY); none >= 0) dup2(none, STDIN_FILENO);
  std::int64_t processed = 0;
  try {
    processed = RunPlugin(setup, socket, memory);
  } catch (const UsageError& error) {
    SendOrEnd(socket, MessageKind::kUsage, {}, error.what());
    _exit(1);
  } catch (const std::exception& error) {
    SendOrEnd(socket, MessageKind::kFailure, {}, error.what());
    _exit(1);
  }
  SendOrEnd(socket, MessageKind::kClosed, {processed});
  _exit(0);  // no destructors of the host's own: they belong to the host
}

// How the process ended, from its wait status; none when it had not.
std::string EndText(std::optional<int> status) {
  if (!status) return "stopped answering";
  if (WIFEXITED(*status)) {
    return Format("ended its process with exit status %d", WEXITSTATUS(*status));
  }
  if (!WIFSIGNALED(*status)) return "stopped answering";
  const int signal = WTERMSIG(*status);
  const char* name = strsignal(signal);
  switch (signal) {
    case SIGSEGV:
    case SIGBUS:
    case SIGILL:
    case SIGFPE:
    case SIGABRT:
    case SIGSYS:
    case SIGTRAP:
      return std::string("crashed (") + name + ")";
    case SIGKILL:
      return "was killed";
    default:
      return Format("was ended by signal %d (%s)", signal, name);
  }
}

}  // namespace

struct PluginProcess::Message {
  MessageKind kind;
  std::int64_t values[4];
  std::string text;
};

PluginProcess::PluginProcess(const PluginSetup& setup, double timeoutSeconds)
    : mPath(setup.path), mSampleRate(setup.sampleRate), mTimeout(timeoutSeconds) {
  const auto system = [](const char* what) {
    return HostError(std::string("cannot start a process for the plug-in (") + what + ": " +
                     std::strerror(errno) + ")");
  };
  mMemory = memfd_create("quor-host-audio", MFD_CLOEXEC);
  if (mMemory < 0) throw system("shared memory");
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
    close(mMemory);
    throw system("socket");
  }
  std::fflush(nullptr);  // nothing buffered is written twice
  const pid_t host = getpid();
  mChild = fork();
  if (mChild == 0) {
    close(ends[0]);
    ServePlugin(setup, ends[1], mMemory, host);
  }
  close(ends[1]);
  mSocket = ends[0];
  if (mChild < 0) {
    close(mSocket);
    close(mMemory);
    throw system("fork");
  }
  mChildHandle = static_cast<int>(syscall(SYS_pidfd_open, mChild, 0));
  try {
    for (;;) {
      Message message = ReceiveInTime(Phase::kLoading);
      if (message.kind == MessageKind::kWarning) {
        mFacts.warnings.push_back(std::move(message.text));
      } else if (message.kind == MessageKind::kFailure) {
        throw HostError(message.text);
      } else if (message.kind == MessageKind::kUsage) {
        throw UsageError(message.text);
      } else if (message.kind == MessageKind::kLabel) {
        const auto output = static_cast<std::size_t>(std::max<std::int64_t>(message.values[0], 0));
        if (output < kMaxLabelledOutputs) {
          mFacts.outputLabels.resize(std::max(mFacts.outputLabels.size(), output + 1));
          mFacts.outputLabels[output] = std::move(message.text);
        }
      } else if (message.kind == MessageKind::kReady) {
        mFacts.inputs = static_cast<int>(message.values[0]);
        mFacts.outputs = static_cast<int>(message.values[1]);
        mFacts.precision = message.values[2] == 64 ? Precision::kDouble : Precision::kSingle;
        mFacts.latency = static_cast<VstInt32>(message.values[3]);
        break;
      }
    }
    const AudioLayout layout{static_cast<std::size_t>(mFacts.inputs),
                             static_cast<std::size_t>(mFacts.outputs),
                             static_cast<std::size_t>(setup.options.blockSize)};
    mMappedBytes = layout.Bytes();
    mMapping = Map(mMemory, mMappedBytes);
    if (mMapping == nullptr) throw system("shared memory");
    layout.Point(mMapping, mInputs, mOutputs);
    mCounts = static_cast<BlockCounts*>(mMapping);
    mTickets = layout.Tickets(mMapping);
    mPositions.assign(layout.slots, 0);
  } catch (...) {
    Release();
    throw;
  }
}

PluginProcess::~PluginProcess() {
  Release();
}

void PluginProcess::Release() {
  Kill();
  if (mMapping != nullptr) munmap(mMapping, mMappedBytes);
  mMapping = nullptr;
  for (int* descriptor : {&mSocket, &mChildHandle, &mMemory}) {
    if (*descriptor >= 0) close(*descriptor);
    *descriptor = -1;
  }
}

void PluginProcess::Kill() {
  if (mChild <= 0) return;
  kill(mChild, SIGKILL);
  waitpid(mChild, nullptr, 0);
  mChild = -1;
}

bool PluginProcess::Send(const Message& message) {
  return SendWire(mSocket, message.kind,
                  {message.values[0], message.values[1], message.values[2], message.values[3]});
}

std::string PluginProcess::During(Phase phase) const {
  switch (phase) {
    case Phase::kLoading:
      return "while loading";
    case Phase::kProcessing: {
      // The first block it did not finish.
      const std::uint64_t block = mCounts->processed.load();
      const std::int64_t position = mPositions[block % mPositions.size()];
      return Format("while processing, at %.3f s", static_cast<double>(position) / mSampleRate);
    }
    case Phase::kClosing:
      break;
  }
  return "while closing";
}

std::optional<PluginProcess::Message> PluginProcess::Receive(Phase phase) {
  std::optional<Clock::time_point> deadline;
  if (mTimeout > 0.0) {
    deadline = Clock::now() +
               std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(mTimeout));
  }
  bool reset = false;
  // An answer already there is taken without waiting.
  for (bool readable = true;;) {
    if (readable) {
      char buffer[kMaxMessageBytes];
      const ssize_t received = recv(mSocket, buffer, sizeof buffer, MSG_DONTWAIT);
      if (received >= static_cast<ssize_t>(sizeof(WireHeader))) {
        WireHeader header{};
        std::memcpy(&header, buffer, sizeof header);
        return Message{header.kind,
                       {header.values[0], header.values[1], header.values[2], header.values[3]},
                       std::string(buffer + sizeof header,
                                   static_cast<std::size_t>(received) - sizeof header)};
      }
      // A process that ended with messages unread resets the connection;
      // what it sent before is still there to read.
      if (received < 0 && errno == ECONNRESET && !reset) {
        reset = true;
        continue;
      }
      if (received >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        Failed(phase);
      }
    }
    pollfd waiting[] = {
        {mSocket, POLLIN, 0}, {mChildHandle, POLLIN, 0}, {InterruptionDescriptor(), POLLIN, 0}};
    int wait = -1;
    if (deadline) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
      wait = static_cast<int>(std::max<std::int64_t>(left.count(), 0));
    }
    const int ready = poll(waiting, std::size(waiting), wait);
    CheckInterruption();
    if (ready < 0 && errno != EINTR) {
      throw HostError(std::string("cannot wait for the plug-in: ") + std::strerror(errno));
    }
    if (ready == 0) return std::nullopt;
    readable = ready > 0 && waiting[0].revents != 0;
    if (ready > 0 && !readable && waiting[1].revents != 0) Failed(phase);
  }
}

PluginProcess::Message PluginProcess::ReceiveInTime(Phase phase) {
  std::optional<Message> message = Receive(phase);
  if (!message) Hung(phase);
  return std::move(*message);
}

void PluginProcess::Hung(Phase phase) {
  const std::string during = During(phase);
  Kill();
  throw PluginFailure(mPath + Format(" did not answer for %g s ", mTimeout) + during +
                      ": taken as hung and ended (--timeout sets the wait)");
}

void PluginProcess::Failed(Phase phase) {
  // Its connection is gone: the process has ended, or soon will.
  int status = 0;
  pid_t done = waitpid(mChild, &status, WNOHANG);
  if (done == 0) {
    pollfd ending{mChildHandle, POLLIN, 0};
    poll(&ending, mChildHandle >= 0 ? 1 : 0, kExitWaitMs);
    done = waitpid(mChild, &status, WNOHANG);
  }
  std::optional<int> ended;
  if (done == mChild) {
    ended = status;
    mChild = -1;
  }
  Kill();
  throw PluginFailure(mPath + " " + EndText(ended) + " " + During(phase));
}

void PluginProcess::Start(int slot, std::size_t frames, std::int64_t position) {
  mPositions[static_cast<std::size_t>(slot)] = position;
  BlockTicket& ticket = mTickets[slot];
  ticket.frames = static_cast<std::int64_t>(frames);
  ticket.position = position;
  mCounts->started.store(++mStarted);
  // A plug-in that keeps up is woken for a few blocks at a time.
  if (2 * (mStarted - mCounts->processed.load()) >= mPositions.size()) WakePlugin();
}

void PluginProcess::WakePlugin() {
  // A process that is gone gets no wake: Finish says what became of it.
  if (mCounts->pluginWaits.exchange(0) != 0) Send({MessageKind::kWake, {}, {}});
}

std::optional<VstInt32> PluginProcess::Finish(int slot) {
  std::uint64_t processed = mCounts->processed.load(std::memory_order_acquire);
  while (processed == mFinished) {
    WakePlugin();
    // Woken for a few blocks at a time while the plug-in is the slower.
    const std::uint64_t enough =
        std::min<std::uint64_t>(mStarted, mFinished + std::max<std::size_t>(Slots() / 2, 1));
    mCounts->hostWaits.store(enough);
    // Hung only when no block at all was finished in the time.
    if (mCounts->processed.load() < enough && !Receive(Phase::kProcessing) &&
        mCounts->processed.load() == processed) {
      Hung(Phase::kProcessing);
    }
    mCounts->hostWaits.store(0);
    processed = mCounts->processed.load(std::memory_order_acquire);
  }
  ++mFinished;
  const BlockTicket& ticket = mTickets[slot];
  if (ticket.latencyChanged == 0) return std::nullopt;
  return static_cast<VstInt32>(ticket.latency);
}

double PluginProcess::Close() {
  Send({MessageKind::kStop, {}, {}});  // a process that is gone tells below
  std::int64_t nanoseconds = 0;
  for (;;) {
    const Message message = ReceiveInTime(Phase::kClosing);
    if (message.kind == MessageKind::kClosed) {
      nanoseconds = message.values[0];
      break;
    }
  }
  int status = 0;
  waitpid(mChild, &status, 0);
  mChild = -1;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw PluginFailure(mPath + " " + EndText(status) + " while closing");
  }
  return static_cast<double>(nanoseconds) * 1e-9;
}
