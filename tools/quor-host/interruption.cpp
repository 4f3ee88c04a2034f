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
  for (const int signal : {SIGINT, SIGTERM, SIGHUP})
    std::signal(signal, OnSignal);
}

bool InterruptionRequested() {
  return requested != 0;
}
