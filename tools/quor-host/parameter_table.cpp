#include "quor-host/parameter_table.h"

#include <iomanip>

void PrintParameterTable(const Plugin& plugin, std::ostream& out) {
  out << "parameters:     " << plugin.NumParams() << '\n';
  out << "  index  name                  display           label\n";
  for (int index = 0; index < plugin.NumParams(); ++index) {
    out << "  " << std::setw(5) << index << "  " << std::left << std::setw(20)
        << plugin.ParamName(index) << "  " << std::setw(16) << plugin.ParamDisplay(index) << "  "
        << plugin.ParamLabel(index) << std::right << '\n';
  }
}
