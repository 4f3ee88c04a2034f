#include "quor-host/interruption.h"

#include <csignal>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t requested = 0;

// The first request stops the render between blocks; a second one, for a
// plug-in that hangs, ends the program at once.
extern "C" void OnSignal(int signal) {
  if (requested != 0) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
  }
  requested = 1;
}

}  // namespace

void CatchInterruptions() {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    // A signal ignored from the start (nohup, background jobs) stays ignored.
    if (std::signal(signal, OnSignal) == SIG_IGN) std::signal(signal, SIG_IGN);
  }
}

bool InterruptionRequested() {
  return requested != 0;
}
