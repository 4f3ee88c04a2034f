// The host's commands. Each reports failures by throwing HostError and writes
// its normal output to the given stream.
#pragma once

#include <ostream>
#include <span>
#include <string>

#include "quor-host/command_line.h"

void RunInfo(const Options& options, std::ostream& out);
void RunRender(const Options& options, std::ostream& out);
void RunStateSave(const Options& options, std::ostream& out);
void RunStateShow(const Options& options, std::ostream& out);

// The whole command line after the program name; returns the exit code and
// never lets an error escape.
int RunQuorHost(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);
