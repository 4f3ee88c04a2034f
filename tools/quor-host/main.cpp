#include <iostream>
#include <string>
#include <vector>

#include "quor-host/commands.h"
#include "quor-host/interruption.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  std::ios::sync_with_stdio(true);
  CatchInterruptions();
  return RunQuorHost(arguments, std::cout, std::cerr);
}
