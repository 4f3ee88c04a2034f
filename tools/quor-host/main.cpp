#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "quor-host/commands.h"
#include "quor-host/interruption.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  std::ios::sync_with_stdio(true);
  CatchInterruptions();
  // A file-size limit fails the write (EFBIG), reported and cleaned up like a
  // full disk, instead of killing the program with its partial files.
  std::signal(SIGXFSZ, SIG_IGN);
  const int status = RunQuorHost(arguments, std::cout, std::cerr);
  // Ended by the signal itself, a shell loop running the host stops as well.
  if (InterruptionSignal() != 0 && status == 128 + InterruptionSignal()) {
    std::cout.flush();
    EndByInterruption();
  }
  return status;
}
