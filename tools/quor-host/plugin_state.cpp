#include "quor-host/plugin_state.h"

#include <cmath>

#include "quor-host/host_error.h"
#include "quor-host/text.h"

namespace {

void CheckPluginId(const Plugin& plugin, const FxFile& file, const std::string& path) {
  if (file.fxId != plugin.Effect().uniqueID) {
    throw HostError(path + ": made for the plug-in '" + FourCharCodeText(file.fxId) + "', not '" +
                    FourCharCodeText(plugin.Effect().uniqueID) + "'");
  }
}

void SetParams(const Plugin& plugin, const std::vector<float>& params, const std::string& path) {
  if (params.size() != static_cast<std::size_t>(plugin.NumParams())) {
    throw HostError(path + Format(": holds %zu parameters, the plug-in has %d", params.size(),
                                  plugin.NumParams()));
  }
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (!std::isfinite(params[i])) throw HostError(path + ": holds a value that is not a number");
    plugin.SetParameter(static_cast<int>(i), params[i]);
  }
}

void LoadFxFile(const Plugin& plugin, const FxFile& file, const std::string& path) {
  CheckPluginId(plugin, file, path);
  if (IsChunkForm(file.kind)) {
    if (!plugin.HasFlag(effFlagsProgramChunks)) {
      throw HostError(path + ": holds a chunk, but the plug-in does not take chunks");
    }
    if (!plugin.SetChunk(file.chunk, IsProgram(file.kind))) {
      throw HostError(path + ": the plug-in rejected the state");
    }
    return;
  }
  if (file.kind == FxKind::kProgramParams) {
    SetParams(plugin, file.params, path);
    return;
  }
  if (file.programs.size() > static_cast<std::size_t>(plugin.NumPrograms())) {
    throw HostError(path + Format(": holds %zu programs, the plug-in has %d", file.programs.size(),
                                  plugin.NumPrograms()));
  }
  for (std::size_t i = 0; i < file.programs.size(); ++i) {
    plugin.Dispatch(effSetProgram, 0, static_cast<VstIntPtr>(i));
    SetParams(plugin, file.programs[i].params, path);
    std::string name = file.programs[i].name;
    plugin.Dispatch(effSetProgramName, 0, 0, name.data());
  }
  if (file.currentProgram >= 0 && file.currentProgram < plugin.NumPrograms()) {
    plugin.Dispatch(effSetProgram, 0, file.currentProgram);
  }
}

std::vector<float> CurrentParams(const Plugin& plugin) {
  std::vector<float> params(static_cast<std::size_t>(plugin.NumParams()));
  for (std::size_t i = 0; i < params.size(); ++i) {
    params[i] = plugin.GetParameter(static_cast<int>(i));
  }
  return params;
}

}  // namespace

void LoadStateFile(const Plugin& plugin, const std::string& path) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
  if (HasFxMagic(bytes)) {
    FxFile file;
    try {
      file = FxFileFromBytes(bytes);
    } catch (const HostError& error) {
      throw HostError(path + ": " + error.what());
    }
    LoadFxFile(plugin, file, path);
    return;
  }
  if (!plugin.HasFlag(effFlagsProgramChunks)) {
    throw HostError(path + ": a raw chunk, but the plug-in does not take chunks");
  }
  if (!plugin.SetChunk(bytes, true)) throw HostError(path + ": the plug-in rejected the state");
}

FxFile CaptureState(const Plugin& plugin, bool bank) {
  FxFile file;
  file.fxId = plugin.Effect().uniqueID;
  file.fxVersion = static_cast<VstInt32>(plugin.Dispatch(effGetVendorVersion));
  file.numParams = plugin.NumParams();
  file.numPrograms = plugin.NumPrograms();
  file.currentProgram = static_cast<VstInt32>(plugin.Dispatch(effGetProgram));
  file.programName = plugin.Text(effGetProgramName);
  if (plugin.HasFlag(effFlagsProgramChunks)) {
    file.kind = bank ? FxKind::kBankChunk : FxKind::kProgramChunk;
    file.chunk = plugin.GetChunk(!bank);
    if (file.chunk.empty()) throw HostError("the plug-in handed out no state");
    return file;
  }
  if (!bank) {
    file.kind = FxKind::kProgramParams;
    file.params = CurrentParams(plugin);
    return file;
  }
  file.kind = FxKind::kBankParams;
  for (int program = 0; program < plugin.NumPrograms(); ++program) {
    plugin.Dispatch(effSetProgram, 0, program);
    file.programs.push_back({plugin.Text(effGetProgramName), CurrentParams(plugin)});
  }
  plugin.Dispatch(effSetProgram, 0, file.currentProgram);
  return file;
}

bool IsBankFileName(const std::string& path) {
  const std::string extension = Extension(path);
  if (extension != "fxp" && extension != "fxb") {
    throw UsageError(path + ": name the file .fxp (program) or .fxb (bank)");
  }
  return extension == "fxb";
}
