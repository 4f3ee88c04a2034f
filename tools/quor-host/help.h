// Help for people and for man: the overview, each command's options with
// their defaults, and a manual page, all made from the command and option
// tables.
#pragma once

#include <ostream>

#include "quor-host/commands.h"

void PrintOverview(std::ostream& out);
void PrintCommandHelp(const CommandEntry& command, std::ostream& out);
void PrintManualPage(std::ostream& out);
const char* HostVersion();
