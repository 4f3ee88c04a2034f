#include "quor-host/interruption.h"

#include <csignal>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t requested = 0;

extern "C" void OnSignal(int) {
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
