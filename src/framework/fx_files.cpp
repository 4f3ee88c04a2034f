// Program (fxp) and bank (fxb) files: big-endian, in chunk and parameter
// forms. Loaders take untrusted bytes and never read outside them.
#include <bit>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "framework/ieffect_base.h"
#include "framework/program_file.h"

namespace {

constexpr std::uint32_t Magic(const char (&text)[5]) {
  return (std::uint32_t{static_cast<unsigned char>(text[0])} << 24) |
         (std::uint32_t{static_cast<unsigned char>(text[1])} << 16) |
         (std::uint32_t{static_cast<unsigned char>(text[2])} << 8) |
         std::uint32_t{static_cast<unsigned char>(text[3])};
}

constexpr std::uint32_t kChunkMagic = Magic("CcnK");
constexpr std::uint32_t kProgramChunkMagic = Magic("FPCh");
constexpr std::uint32_t kProgramParamsMagic = Magic("FxCk");
constexpr std::uint32_t kBankChunkMagic = Magic("FBCh");
constexpr std::uint32_t kBankParamsMagic = Magic("FxBk");

constexpr std::size_t kProgramHeaderSize = 56;  // up to and including the name
constexpr std::size_t kProgramNameSize = 28;
constexpr std::size_t kBankHeaderSize = 156;  // up to and including the reserved bytes
constexpr std::size_t kBankReservedSize = 124;

class BigEndianWriter {
 public:
  explicit BigEndianWriter(std::vector<std::uint8_t>* out) : mOut(out) {}
  void U32(std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
      mOut->push_back(static_cast<std::uint8_t>(value >> shift));
  }
  void I32(int value) { U32(static_cast<std::uint32_t>(value)); }
  void F32(float value) { U32(std::bit_cast<std::uint32_t>(value)); }
  void Text(const std::string& text, std::size_t fieldSize) {
    const std::size_t n = std::min(text.size(), fieldSize - 1);
    mOut->insert(mOut->end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
    mOut->insert(mOut->end(), fieldSize - n, 0);
  }
  void Zeros(std::size_t n) { mOut->insert(mOut->end(), n, 0); }
  void Bytes(const ByteChunk& chunk) {
    if (chunk.Size() > 0)
      mOut->insert(mOut->end(), chunk.GetBytes(), chunk.GetBytes() + chunk.Size());
  }

 private:
  std::vector<std::uint8_t>* mOut;
};

// Reads at fixed offsets; every read states whether it was inside the file.
class BigEndianReader {
 public:
  explicit BigEndianReader(std::span<const std::uint8_t> bytes) : mBytes(bytes) {}
  bool Has(std::size_t offset, std::size_t size) const {
    return offset <= mBytes.size() && size <= mBytes.size() - offset;
  }
  std::uint32_t U32(std::size_t offset) const {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
      value = (value << 8) | mBytes[offset + i];
    return value;
  }
  int I32(std::size_t offset) const { return static_cast<int>(U32(offset)); }
  // Parameter values travel as floats and are used as doubles.
  double F32(std::size_t offset) const {
    return static_cast<double>(std::bit_cast<float>(U32(offset)));
  }
  std::string Text(std::size_t offset, std::size_t fieldSize) const {
    const char* first = reinterpret_cast<const char*>(mBytes.data() + offset);
    return std::string(first, strnlen(first, fieldSize));
  }
  ByteChunk Chunk(std::size_t offset) const {
    ByteChunk chunk;
    chunk.PutBytes(mBytes.data() + offset, mBytes.size() - offset);
    return chunk;
  }

 private:
  std::span<const std::uint8_t> mBytes;
};

void WriteProgramHeader(BigEndianWriter& out, int byteSize, std::uint32_t fxMagic, int uniqueID,
                        int version, int nParams, const std::string& name) {
  out.U32(kChunkMagic);
  out.I32(byteSize);
  out.U32(fxMagic);
  out.I32(1);
  out.I32(uniqueID);
  out.I32(version);
  out.I32(nParams);
  out.Text(name, kProgramNameSize);
}

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

// The chunk after a fixed header, starting after the framework header when present.
int SkipFrameworkHeader(const ByteChunk& chunk) {
  int position = 0;
  IEffectBase::GetFrameworkVerFromChunk(&chunk, &position);
  return position;
}

// The values a program's normalised floats give each parameter. A parameter
// whose float lies beyond the end of the file keeps its current value.
std::vector<double> ReadProgramValues(const IEffectBase& plug, const BigEndianReader& in,
                                      std::size_t offset) {
  std::vector<double> values(static_cast<std::size_t>(plug.NParams()));
  for (int i = 0; i < plug.NParams(); ++i) {
    const std::size_t at = offset + 4 * static_cast<std::size_t>(i);
    const IParam* param = plug.GetParam(i);
    values[static_cast<std::size_t>(i)] =
        in.Has(at, 4) ? param->ValueForNormalized(in.F32(at)) : param->Value();
  }
  return values;
}

}  // namespace

std::vector<std::uint8_t> MakeChunkProgramFile(const ProgramFileIdentity& identity,
                                               const std::string& name, const ByteChunk& state) {
  ByteChunk chunk;
  IEffectBase::InitChunkWithFrameworkVer(&chunk);
  chunk.PutChunk(state);
  std::vector<std::uint8_t> file;
  BigEndianWriter out(&file);
  WriteProgramHeader(out, chunk.Size() + 60, kProgramChunkMagic, identity.mUniqueId,
                     identity.mVersion, identity.mNParams, name);
  out.I32(chunk.Size());
  out.Bytes(chunk);
  return file;
}

std::optional<ChunkProgram> ReadChunkProgramFile(std::span<const std::uint8_t> file,
                                                 std::int32_t uniqueId) {
  const BigEndianReader in(file);
  if (!in.Has(0, kProgramHeaderSize) || in.U32(0) != kChunkMagic || in.I32(12) != 1 ||
      in.I32(16) != uniqueId || in.U32(8) != kProgramChunkMagic)
    return std::nullopt;
  // A chunk size that reaches past the file is a lie: reject the file.
  if (!in.Has(56, 4) || in.I32(56) < 0 || !in.Has(60, static_cast<std::size_t>(in.I32(56))))
    return std::nullopt;
  ChunkProgram program;
  program.mName = in.Text(28, kProgramNameSize);
  program.mChunk = in.Chunk(60);
  program.mStatePos = SkipFrameworkHeader(program.mChunk);
  return program;
}

bool IEffectBase::MakeProgramFXP(std::vector<std::uint8_t>* file) {
  std::lock_guard lock(mMutex);
  file->clear();
  BigEndianWriter out(file);
  const std::string name = GetPresetName(mCurrentPresetIdx);
  const int version = GetEffectVersion(true);
  if (DoesStateChunks()) {
    ByteChunk state;
    if (!SerializeState(&state)) return false;
    *file = MakeChunkProgramFile({mUniqueID, version, NParams()}, name, state);
  } else {
    WriteProgramHeader(out, 0, kProgramParamsMagic, mUniqueID, version, NParams(), name);
    for (int i = 0; i < NParams(); ++i)
      out.F32(static_cast<float>(GetParam(i)->GetNormalized()));
  }
  return true;
}

bool IEffectBase::MakeBankFXB(std::vector<std::uint8_t>* file) {
  std::lock_guard lock(mMutex);
  file->clear();
  BigEndianWriter out(file);
  const bool chunks = DoesStateChunks();
  ByteChunk state;
  if (chunks) {
    InitChunkWithFrameworkVer(&state);
    if (!SerializePresets(&state)) return false;
  }
  out.U32(kChunkMagic);
  out.I32(chunks ? state.Size() + 160 : 0);
  out.U32(chunks ? kBankChunkMagic : kBankParamsMagic);
  out.I32(2);
  out.I32(mUniqueID);
  out.I32(GetEffectVersion(true));
  out.I32(NPresets());
  out.I32(mCurrentPresetIdx);
  out.Zeros(kBankReservedSize);
  if (chunks) {
    out.I32(state.Size());
    out.Bytes(state);
    return true;
  }
  for (const auto& preset : mPresets) {
    WriteProgramHeader(out, 0, kProgramParamsMagic, mUniqueID, GetEffectVersion(true), NParams(),
                       preset->mName);
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
      out.F32(static_cast<float>(GetParam(i)->GetNormalized(value)));
    }
  }
  return true;
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
  const BigEndianReader in(file);
  if (!in.Has(0, kProgramHeaderSize) || in.U32(0) != kChunkMagic || in.I32(12) != 1 ||
      in.I32(16) != mUniqueID)
    return false;
  const std::uint32_t fxMagic = in.U32(8);
  const std::string name = in.Text(28, kProgramNameSize);
  if (fxMagic == kProgramChunkMagic && DoesStateChunks()) {
    const std::optional<ChunkProgram> program = ReadChunkProgramFile(file, mUniqueID);
    if (!program || UnserializeState(&program->mChunk, program->mStatePos) < 0) return false;
  } else if (fxMagic == kProgramParamsMagic) {
    ApplyParamValues(ReadProgramValues(*this, in, kProgramHeaderSize));
  } else {
    return false;
  }
  ModifyCurrentPreset(name.c_str());
  RestorePreset(mCurrentPresetIdx);
  InformHostOfProgramChange();
  return true;
}

bool IEffectBase::LoadBankFXB(std::span<const std::uint8_t> file) {
  std::lock_guard lock(mMutex);
  const BigEndianReader in(file);
  if (!in.Has(0, kBankHeaderSize) || in.U32(0) != kChunkMagic || in.I32(16) != mUniqueID)
    return false;
  const std::uint32_t fxMagic = in.U32(8);
  if (fxMagic == kBankChunkMagic && DoesStateChunks()) {
    if (!in.Has(156, 4) || in.I32(156) < 0 || !in.Has(160, static_cast<std::size_t>(in.I32(156))))
      return false;
    const ByteChunk chunk = in.Chunk(160);
    if (UnserializePresets(&chunk, SkipFrameworkHeader(chunk)) < 0) return false;
    InformHostOfProgramChange();
    return true;
  }
  if (fxMagic != kBankParamsMagic) return false;

  const int nPrograms = in.I32(24);
  const int currentProgram = in.I32(28);
  const std::size_t programSize = kProgramHeaderSize + 4 * static_cast<std::size_t>(NParams());
  // Every program is read before any is loaded: a malformed one changes nothing.
  struct Program {
    std::string mName;
    std::vector<double> mValues;
  };
  std::vector<Program> programs;
  std::size_t position = kBankHeaderSize;
  // Programs beyond the plug-in's slots have nowhere to go and are not read.
  for (int i = 0; i < nPrograms && i < NPresets(); ++i, position += programSize) {
    if (!in.Has(position, programSize) || in.U32(position) != kChunkMagic ||
        in.U32(position + 8) != kProgramParamsMagic || in.I32(position + 12) != 1 ||
        in.I32(position + 24) != NParams())
      return false;
    programs.push_back({in.Text(position + 28, kProgramNameSize),
                        ReadProgramValues(*this, in, position + kProgramHeaderSize)});
  }
  for (int i = 0; i < static_cast<int>(programs.size()); ++i) {
    const Program& program = programs[static_cast<std::size_t>(i)];
    RestorePreset(i);
    ApplyParamValues(program.mValues);
    ModifyCurrentPreset(program.mName.c_str());
  }
  RestorePreset(currentProgram);
  InformHostOfProgramChange();
  return true;
}
