#include <cstring>

#include "quor-host/commands.h"
#include "quor-host/fx_file.h"
#include "quor-host/host_error.h"
#include "quor-host/parameter_table.h"
#include "quor-host/plugin.h"
#include "quor-host/plugin_scan.h"
#include "quor-host/plugin_search.h"
#include "quor-host/plugin_state.h"
#include "quor-host/text.h"

namespace {

void PrintValues(const std::vector<float>& params, std::ostream& out) {
  for (std::size_t i = 0; i < params.size(); ++i) {
    out << Format("  %5zu  %.6f\n", i, static_cast<double>(params[i]));
  }
}

// Chunks made by the plug-in framework open with "tffp" and its version.
void PrintFrameworkHeader(const std::vector<std::uint8_t>& chunk, std::ostream& out) {
  if (chunk.size() < 4 || std::memcmp(chunk.data(), "tffp", 4) != 0) return;
  if (chunk.size() < 8) {
    out << "framework:      header truncated\n";
    return;
  }
  std::uint32_t version = 0;
  for (int i = 7; i >= 4; --i)
    version = (version << 8) | chunk[static_cast<std::size_t>(i)];
  out << Format("framework:      0x%08x (v%u.%u.%u)\n", version, version >> 16,
                (version >> 8) & 0xFFu, version & 0xFFu);
}

// A chunk means something only to its plug-in: load it there and read back
// what every parameter displays.
void PrintValuesThroughPlugin(const std::string& plugin, const std::string& path,
                              std::ostream& out) {
  HostContext context;
  const Plugin loaded(plugin, context);
  LoadStateFile(loaded, path);
  out << "read through:   " << loaded.Path() << '\n';
  PrintParameterTable(loaded, out);
}

}  // namespace

void RunStateSave(const Options& options, Streams& streams) {
  if (options.positional.size() != 2) throw UsageError("state save takes a plug-in and a file");
  const std::string& path = options.positional[1];
  const bool bank = IsBankFileName(path);
  HostContext context;
  const Plugin plugin(options.positional[0], context);
  Warn(streams, ApplyStateOptions(plugin, options));
  std::ostream& out = streams.out;
  const FxFile file = CaptureState(plugin, bank);
  const std::vector<std::uint8_t> bytes = FxFileToBytes(file);
  WriteWholeFile(path, bytes);
  out << "wrote " << path << ": " << FxKindName(file.kind) << ", " << bytes.size() << " bytes\n";
}

void RunStateShow(const Options& options, Streams& streams) {
  if (options.positional.empty() || options.positional.size() > 2) {
    throw UsageError("state show takes a file and, optionally, the plug-in");
  }
  std::ostream& out = streams.out;
  const std::string& path = options.positional[0];
  FxFile file;
  try {
    file = FxFileFromBytes(ReadWholeFile(path));
  } catch (const HostError& error) {
    const std::string message = error.what();
    throw HostError(message.starts_with(path) ? message : path + ": " + message);
  }
  out << "file:           " << path << '\n';
  out << "kind:           " << FxKindName(file.kind) << '\n';
  out << "plug-in id:     " << FourCharCodeText(file.fxId)
      << Format(" (0x%08x)", static_cast<unsigned>(file.fxId)) << '\n';
  out << "version:        " << file.fxVersion << '\n';
  if (IsProgram(file.kind)) {
    out << "program name:   " << file.programName << '\n';
    out << "parameters:     " << file.numParams << '\n';
  } else {
    out << "programs:       " << file.numPrograms << '\n';
    out << "current:        " << file.currentProgram << '\n';
  }
  if (IsChunkForm(file.kind)) {
    out << "chunk size:     " << file.chunk.size() << " bytes\n";
    PrintFrameworkHeader(file.chunk, out);
    const std::optional<std::string> plugin =
        options.positional.size() == 2 ? options.positional[1] : FindPluginById(file.fxId);
    if (!plugin) {
      out << "parameters:     the plug-in '" << FourCharCodeText(file.fxId) << "' is not in "
          << SearchFolderDescription() << "; name it: quor-host state show FILE PLUGIN\n";
      return;
    }
    PrintValuesThroughPlugin(*plugin, path, out);
  } else if (file.kind == FxKind::kProgramParams) {
    PrintValues(file.params, out);
  } else {
    for (std::size_t i = 0; i < file.programs.size(); ++i) {
      out << Format("program %zu:      ", i) << file.programs[i].name << '\n';
      PrintValues(file.programs[i].params, out);
    }
  }
}
