#include "quor-host/interruption.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t requested = 0;
volatile std::sig_atomic_t cooperative = 0;
int wakeRead = -1;
int wakeWrite = -1;

// A second request, or one where nothing would notice it, ends the program
// at once.
extern "C" void OnSignal(int signal) {
  if (requested != 0 || cooperative == 0) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  requested = signal;
  if (wakeWrite >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = write(wakeWrite, &byte, 1);
  }
}

}  // namespace

void CatchInterruptions() {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
    wakeRead = ends[0];
    wakeWrite = ends[1];
  }
  for (const int signal : kSignals) {
    struct sigaction action {};
    sigaction(signal, nullptr, &action);
    // A signal ignored from the start (nohup, background jobs) stays ignored.
    if (action.sa_handler == SIG_IGN) continue;
    action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: blocking reads and writes return to be checked
    sigaction(signal, &action, nullptr);
  }
}

bool InterruptionRequested() {
  return requested != 0;
}

int InterruptionSignal() {
  return requested;
}

int InterruptionDescriptor() {
  return wakeRead;
}

void CheckInterruption() {
  if (requested != 0) throw Interrupted(requested, "interrupted");
}

void EndByInterruption() {
  const int signal = requested != 0 ? static_cast<int>(requested) : SIGTERM;
  std::signal(signal, SIG_DFL);
  std::raise(signal);
  std::_Exit(128 + signal);
}

CooperativeInterruption::CooperativeInterruption() {
  cooperative = 1;
}

CooperativeInterruption::~CooperativeInterruption() {
  cooperative = 0;
}

void IgnoreInterruptions() {
  for (const int signal : kSignals)
    std::signal(signal, SIG_IGN);
}
