#include <iomanip>
#include <utility>

#include "quor-host/commands.h"
#include "quor-host/host_error.h"
#include "quor-host/parameter_table.h"
#include "quor-host/plugin.h"
#include "quor-host/text.h"

namespace {

std::string VersionText(VstIntPtr decimal) {
  return Format("%ld (v%ld.%ld.%ld)", static_cast<long>(decimal),
                static_cast<long>(decimal / 10000), static_cast<long>(decimal % 10000 / 100),
                static_cast<long>(decimal % 100));
}

std::string FlagsText(VstInt32 flags) {
  static constexpr std::pair<VstInt32, const char*> kNames[] = {
      {effFlagsHasEditor, "HasEditor"},
      {effFlagsHasClip, "HasClip"},
      {effFlagsHasVu, "HasVu"},
      {effFlagsCanMono, "CanMono"},
      {effFlagsCanReplacing, "CanReplacing"},
      {effFlagsProgramChunks, "ProgramChunks"},
      {effFlagsIsSynth, "IsSynth"},
      {effFlagsNoSoundInStop, "NoSoundInStop"},
      {effFlagsCanDoubleReplacing, "CanDoubleReplacing"},
  };
  std::string text = Format("0x%04x", static_cast<unsigned>(flags));
  for (const auto& [bit, name] : kNames) {
    if ((flags & bit) != 0) text += std::string(" ") + name;
  }
  return text;
}

}  // namespace

void RunInfo(const Options& options, Streams& streams) {
  if (options.positional.size() != 1) throw UsageError("info takes one plug-in file");
  HostContext context;
  const Plugin plugin(options.positional[0], context);
  Warn(streams, ApplyStateOptions(plugin, options));
  std::ostream& out = streams.out;

  const AEffect& effect = plugin.Effect();
  out << "plug-in:        " << plugin.Path() << '\n';
  out << "effect name:    " << plugin.Text(effGetEffectName) << '\n';
  out << "vendor:         " << plugin.Text(effGetVendorString) << '\n';
  out << "product:        " << plugin.Text(effGetProductString) << '\n';
  out << "vendor version: " << VersionText(plugin.Dispatch(effGetVendorVersion)) << '\n';
  out << "unique id:      " << FourCharCodeText(effect.uniqueID)
      << Format(" (0x%08x)", static_cast<unsigned>(effect.uniqueID)) << '\n';
  out << "VST version:    " << plugin.Dispatch(effGetVstVersion) << '\n';
  out << "category:       " << plugin.Dispatch(effGetPlugCategory) << '\n';
  out << "flags:          " << FlagsText(effect.flags) << '\n';
  out << "channels:       " << effect.numInputs << " in, " << effect.numOutputs << " out\n";
  out << "latency:        " << effect.initialDelay << " samples\n";
  out << "programs:       " << plugin.NumPrograms() << " (current "
      << plugin.Dispatch(effGetProgram) << ")\n";
  for (int program = 0; program < plugin.NumPrograms(); ++program) {
    out << "  " << std::setw(5) << program << "  " << plugin.Text(effGetProgramNameIndexed, program)
        << '\n';
  }
  PrintParameterTable(plugin, out);
}
