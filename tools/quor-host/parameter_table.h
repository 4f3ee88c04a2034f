// A plug-in's parameters as it displays them: index, name, value, unit.
#pragma once

#include <ostream>

#include "quor-host/plugin.h"

void PrintParameterTable(const Plugin& plugin, std::ostream& out);
