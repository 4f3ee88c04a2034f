// The plug-in's program (fxp) and bank (fxb) files, in chunk form when it
// keeps its state in chunks and in parameter form otherwise.
#include <algorithm>
#include <fstream>
#include <iterator>

#include "framework/fx_file_format.h"
#include "framework/ieffect_base.h"
#include "framework/program_file.h"

namespace {

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  if (path.empty()) return false;
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

bool ReadFile(const std::string& path, std::vector<std::uint8_t>* bytes) {
  if (path.empty()) return false;
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

std::vector<std::uint8_t> ChunkBytes(const ByteChunk& chunk) {
  return std::vector<std::uint8_t>(chunk.GetBytes(), chunk.GetBytes() + chunk.Size());
}

ByteChunk ChunkFrom(const std::vector<std::uint8_t>& bytes) {
  ByteChunk chunk;
  chunk.PutBytes(bytes.data(), bytes.size());
  return chunk;
}

// The chunk after a fixed header, starting after the framework header when present.
int SkipFrameworkHeader(const ByteChunk& chunk) {
  int position = 0;
  IEffectBase::GetFrameworkVerFromChunk(&chunk, &position);
  return position;
}

// The values a program's normalised floats give each parameter. A parameter
// the program holds no value for keeps its current value.
std::vector<double> ProgramValues(const IEffectBase& plug, const std::vector<float>& params) {
  std::vector<double> values(static_cast<std::size_t>(plug.NParams()));
  for (int i = 0; i < plug.NParams(); ++i) {
    const auto at = static_cast<std::size_t>(i);
    const IParam* param = plug.GetParam(i);
    values[at] = at < params.size() ? param->ValueForNormalized(static_cast<double>(params[at]))
                                    : param->Value();
  }
  return values;
}

}  // namespace

std::vector<std::uint8_t> MakeChunkProgramFile(const ProgramFileIdentity& identity,
                                               const std::string& name, const ByteChunk& state) {
  ByteChunk chunk;
  IEffectBase::InitChunkWithFrameworkVer(&chunk);
  chunk.PutChunk(state);
  FxFile program;
  program.kind = FxKind::kProgramChunk;
  program.fxId = identity.mUniqueId;
  program.fxVersion = identity.mVersion;
  program.numParams = identity.mNParams;
  program.programName = name;
  program.chunk = ChunkBytes(chunk);
  std::vector<std::uint8_t> file;
  SerializeFxFile(program, &file);
  return file;
}

std::optional<ChunkProgram> ReadChunkProgramFile(std::span<const std::uint8_t> file,
                                                 std::int32_t uniqueId) {
  const FxParseResult parsed = ParseFxFile(file);
  if (!parsed || parsed.file.kind != FxKind::kProgramChunk || parsed.file.formatVersion != 1 ||
      parsed.file.fxId != uniqueId)
    return std::nullopt;
  ChunkProgram program;
  program.mName = parsed.file.programName;
  program.mChunk = ChunkFrom(parsed.file.chunk);
  program.mStatePos = SkipFrameworkHeader(program.mChunk);
  return program;
}

bool IEffectBase::MakeProgramFXP(std::vector<std::uint8_t>* file) {
  std::lock_guard lock(mMutex);
  file->clear();
  const std::string name = GetPresetName(mCurrentPresetIdx);
  if (DoesStateChunks()) {
    ByteChunk state;
    if (!SerializeState(&state)) return false;
    *file = MakeChunkProgramFile({mUniqueID, GetEffectVersion(true), NParams()}, name, state);
    return !file->empty();
  }
  FxFile program;
  program.kind = FxKind::kProgramParams;
  program.fxId = mUniqueID;
  program.fxVersion = GetEffectVersion(true);
  program.numParams = NParams();
  program.programName = name;
  for (int i = 0; i < NParams(); ++i)
    program.params.push_back(static_cast<float>(GetParam(i)->GetNormalized()));
  return SerializeFxFile(program, file);
}

bool IEffectBase::MakeBankFXB(std::vector<std::uint8_t>* file) {
  std::lock_guard lock(mMutex);
  file->clear();
  FxFile bank;
  bank.fxId = mUniqueID;
  bank.fxVersion = GetEffectVersion(true);
  bank.numParams = NParams();
  bank.numPrograms = NPresets();
  bank.currentProgram = mCurrentPresetIdx;
  if (DoesStateChunks()) {
    ByteChunk state;
    InitChunkWithFrameworkVer(&state);
    if (!SerializePresets(&state)) return false;
    bank.kind = FxKind::kBankChunk;
    bank.chunk = ChunkBytes(state);
    return SerializeFxFile(bank, file);
  }
  bank.kind = FxKind::kBankParams;
  for (const auto& preset : mPresets) {
    FxProgram& program = bank.programs.emplace_back();
    program.name = preset->mName;
    // A slot's parameter block, as far as its stored state reaches, or the
    // values of the factory preset it holds.
    const std::vector<double>* factory = preset->mFactory ? &preset->mFactory->mValues : nullptr;
    for (int i = 0; i < NParams(); ++i) {
      double value = 0.;
      if (factory) {
        if (static_cast<std::size_t>(i) < factory->size())
          value = (*factory)[static_cast<std::size_t>(i)];
      } else {
        preset->mChunk.Get(&value, i * 8);
      }
      program.params.push_back(static_cast<float>(GetParam(i)->GetNormalized(value)));
    }
  }
  return SerializeFxFile(bank, file);
}

bool IEffectBase::SaveProgramAsFXP(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  return !path.empty() && MakeProgramFXP(&bytes) && WriteFile(path, bytes);
}

bool IEffectBase::SaveBankAsFXB(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  return !path.empty() && MakeBankFXB(&bytes) && WriteFile(path, bytes);
}

bool IEffectBase::LoadProgramFromFXP(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  return ReadFile(path, &bytes) && LoadProgramFXP(bytes);
}

bool IEffectBase::LoadBankFromFXB(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  return ReadFile(path, &bytes) && LoadBankFXB(bytes);
}

bool IEffectBase::LoadProgramFXP(std::span<const std::uint8_t> file) {
  std::lock_guard lock(mMutex);
  const FxParseResult parsed = ParseFxFile(file);
  const FxFile& program = parsed.file;
  if (!parsed || !IsProgram(program.kind) || program.formatVersion != 1 ||
      program.fxId != mUniqueID)
    return false;
  if (program.kind == FxKind::kProgramChunk) {
    if (!DoesStateChunks()) return false;
    const ByteChunk chunk = ChunkFrom(program.chunk);
    if (UnserializeState(&chunk, SkipFrameworkHeader(chunk)) < 0) return false;
  } else {
    ApplyParamValues(ProgramValues(*this, program.params));
  }
  ModifyCurrentPreset(program.programName.c_str());
  RestorePreset(mCurrentPresetIdx);
  InformHostOfProgramChange();
  return true;
}

bool IEffectBase::LoadBankFXB(std::span<const std::uint8_t> file) {
  std::lock_guard lock(mMutex);
  const FxParseResult parsed = ParseFxFile(file);
  const FxFile& bank = parsed.file;
  if (!parsed || IsProgram(bank.kind) || bank.fxId != mUniqueID) return false;
  if (bank.kind == FxKind::kBankChunk) {
    if (!DoesStateChunks()) return false;
    const ByteChunk chunk = ChunkFrom(bank.chunk);
    if (UnserializePresets(&chunk, SkipFrameworkHeader(chunk)) < 0) return false;
    InformHostOfProgramChange();
    return true;
  }
  // Programs beyond the plug-in's slots have nowhere to go; every program
  // that has one must fit before any is loaded, so a mismatch changes nothing.
  const std::size_t count = std::min(bank.programs.size(), static_cast<std::size_t>(NPresets()));
  for (std::size_t i = 0; i < count; ++i) {
    if (bank.programs[i].params.size() != static_cast<std::size_t>(NParams())) return false;
  }
  for (std::size_t i = 0; i < count; ++i) {
    const FxProgram& program = bank.programs[i];
    RestorePreset(static_cast<int>(i));
    ApplyParamValues(ProgramValues(*this, program.params));
    ModifyCurrentPreset(program.name.c_str());
  }
  RestorePreset(bank.currentProgram);
  InformHostOfProgramChange();
  return true;
}
