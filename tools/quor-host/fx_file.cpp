#include "quor-host/fx_file.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "quor-host/host_error.h"
#include "quor-host/pending_file.h"
#include "quor-host/text.h"

namespace {

constexpr VstInt32 kChunkMagic = FourCC('C', 'c', 'n', 'K');
constexpr VstInt32 kProgramChunkMagic = FourCC('F', 'P', 'C', 'h');
constexpr VstInt32 kProgramParamsMagic = FourCC('F', 'x', 'C', 'k');
constexpr VstInt32 kBankChunkMagic = FourCC('F', 'B', 'C', 'h');
constexpr VstInt32 kBankParamsMagic = FourCC('F', 'x', 'B', 'k');
constexpr std::size_t kMaxFileSize = std::size_t{1} << 30;

// Bounds-checked big-endian reader over the file's bytes.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : mBytes(bytes) {}
  std::size_t Position() const { return mPosition; }
  std::size_t Remaining() const { return mBytes.size() - mPosition; }

  void Need(std::size_t count, const char* what) const {
    if (count > Remaining()) {
      throw HostError(Format("truncated file: %s needs %zu bytes at offset %zu, %zu remain", what,
                             count, mPosition, Remaining()));
    }
  }
  VstInt32 Int(const char* what) {
    Need(4, what);
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
      value = (value << 8) | mBytes[mPosition++];
    return static_cast<VstInt32>(value);
  }
  float Float(const char* what) { return std::bit_cast<float>(Int(what)); }
  std::string Name(std::size_t size, const char* what) {
    Need(size, what);
    const auto* begin = reinterpret_cast<const char*>(mBytes.data() + mPosition);
    mPosition += size;
    return std::string(begin, strnlen(begin, size));
  }
  std::vector<std::uint8_t> Bytes(std::size_t count, const char* what) {
    Need(count, what);
    const auto begin = mBytes.begin() + static_cast<std::ptrdiff_t>(mPosition);
    mPosition += count;
    return std::vector<std::uint8_t>(begin, begin + static_cast<std::ptrdiff_t>(count));
  }
  void Skip(std::size_t count, const char* what) {
    Need(count, what);
    mPosition += count;
  }

 private:
  std::span<const std::uint8_t> mBytes;
  std::size_t mPosition = 0;
};

class Writer {
 public:
  void Int(VstInt32 value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 24; shift >= 0; shift -= 8) {
      mBytes.push_back(static_cast<std::uint8_t>((bits >> shift) & 0xFFu));
    }
  }
  void Float(float value) { Int(std::bit_cast<VstInt32>(value)); }
  void Name(const std::string& name, std::size_t size) {
    const std::size_t length = std::min(name.size(), size - 1);
    mBytes.insert(mBytes.end(), name.begin(), name.begin() + static_cast<std::ptrdiff_t>(length));
    mBytes.resize(mBytes.size() + size - length, 0);
  }
  void Zeros(std::size_t count) { mBytes.resize(mBytes.size() + count, 0); }
  void Bytes(std::span<const std::uint8_t> bytes) {
    mBytes.insert(mBytes.end(), bytes.begin(), bytes.end());
  }
  std::vector<std::uint8_t> Take() { return std::move(mBytes); }

 private:
  std::vector<std::uint8_t> mBytes;
};

std::size_t CheckedCount(VstInt32 count, const char* what) {
  if (count < 0) throw HostError(Format("corrupt file: negative %s (%d)", what, count));
  return static_cast<std::size_t>(count);
}

// Writers disagree on whether byteSize counts the 8 bytes before it, and the
// parameter forms often leave it 0; anything else is a lie.
void CheckByteSize(VstInt32 byteSize, std::size_t fileSize, bool zeroAllowed) {
  const auto size = static_cast<std::int64_t>(byteSize);
  const auto actual = static_cast<std::int64_t>(fileSize);
  if (size == actual || size == actual - 8 || (zeroAllowed && size == 0)) return;
  throw HostError(
      Format("corrupt file: byteSize says %d bytes, the file holds %zu", byteSize, fileSize));
}

std::vector<std::uint8_t> ReadChunk(Reader& reader) {
  const std::size_t size = CheckedCount(reader.Int("chunkSize"), "chunk size");
  if (size > reader.Remaining()) {
    throw HostError(
        Format("corrupt file: chunkSize says %zu bytes, %zu remain", size, reader.Remaining()));
  }
  return reader.Bytes(size, "chunk");
}

std::vector<float> ReadParams(Reader& reader, std::size_t count) {
  // Check the whole extent first so that a huge count never allocates.
  reader.Need(count * 4, "parameter values");
  std::vector<float> params(count);
  for (float& value : params)
    value = reader.Float("parameter value");
  return params;
}

// The 56-byte program header after chunkMagic and byteSize.
struct ProgramHeader {
  VstInt32 fxMagic, version, fxId, fxVersion, numParams;
  std::string name;
};

ProgramHeader ReadProgramHeader(Reader& reader) {
  ProgramHeader header{};
  header.fxMagic = reader.Int("fxMagic");
  header.version = reader.Int("version");
  header.fxId = reader.Int("fxID");
  header.fxVersion = reader.Int("fxVersion");
  header.numParams = reader.Int("numParams");
  header.name = reader.Name(kProgramNameSize, "prgName");
  return header;
}

void WriteProgramHeader(Writer& writer, VstInt32 byteSize, VstInt32 fxMagic, const FxFile& file,
                        VstInt32 numParams, const std::string& name) {
  writer.Int(kChunkMagic);
  writer.Int(byteSize);
  writer.Int(fxMagic);
  writer.Int(1);
  writer.Int(file.fxId);
  writer.Int(file.fxVersion);
  writer.Int(numParams);
  writer.Name(name, kProgramNameSize);
}

FxFile ParseProgram(Reader& reader, std::size_t fileSize, VstInt32 byteSize) {
  const ProgramHeader header = ReadProgramHeader(reader);
  FxFile file;
  file.fxId = header.fxId;
  file.fxVersion = header.fxVersion;
  file.numParams = header.numParams;
  file.programName = header.name;
  if (header.fxMagic == kProgramChunkMagic) {
    CheckByteSize(byteSize, fileSize, false);
    file.kind = FxKind::kProgramChunk;
    file.chunk = ReadChunk(reader);
  } else {
    CheckByteSize(byteSize, fileSize, true);
    file.kind = FxKind::kProgramParams;
    file.params = ReadParams(reader, CheckedCount(header.numParams, "parameter count"));
  }
  return file;
}

FxFile ParseBank(Reader& reader, std::size_t fileSize, VstInt32 fxMagic, VstInt32 byteSize) {
  FxFile file;
  reader.Int("version");
  file.fxId = reader.Int("fxID");
  file.fxVersion = reader.Int("fxVersion");
  file.numPrograms = reader.Int("numPrograms");
  file.currentProgram = reader.Int("currentProgram");
  reader.Skip(124, "reserved bytes");
  const std::size_t count = CheckedCount(file.numPrograms, "program count");
  if (fxMagic == kBankChunkMagic) {
    CheckByteSize(byteSize, fileSize, false);
    file.kind = FxKind::kBankChunk;
    file.chunk = ReadChunk(reader);
    return file;
  }
  CheckByteSize(byteSize, fileSize, true);
  file.kind = FxKind::kBankParams;
  // Each program needs at least its header: a count beyond that is a lie.
  reader.Need(count * kProgramHeaderSize, "programs");
  for (std::size_t i = 0; i < count; ++i) {
    if (reader.Int("program chunkMagic") != kChunkMagic) {
      throw HostError(Format("corrupt file: program %zu lacks the CcnK magic", i + 1));
    }
    reader.Int("program byteSize");
    const ProgramHeader header = ReadProgramHeader(reader);
    if (header.fxMagic != kProgramParamsMagic) {
      throw HostError(Format("corrupt file: program %zu is not in parameter form", i + 1));
    }
    file.numParams = header.numParams;
    file.programs.push_back(
        {header.name, ReadParams(reader, CheckedCount(header.numParams, "parameter count"))});
  }
  return file;
}

}  // namespace

bool IsProgram(FxKind kind) {
  return kind == FxKind::kProgramChunk || kind == FxKind::kProgramParams;
}

bool IsChunkForm(FxKind kind) {
  return kind == FxKind::kProgramChunk || kind == FxKind::kBankChunk;
}

const char* KindName(FxKind kind) {
  switch (kind) {
    case FxKind::kProgramChunk:
      return "program, chunk form (FPCh)";
    case FxKind::kProgramParams:
      return "program, parameter form (FxCk)";
    case FxKind::kBankChunk:
      return "bank, chunk form (FBCh)";
    case FxKind::kBankParams:
      return "bank, parameter form (FxBk)";
  }
  return "unknown";
}

bool HasFxMagic(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= 4 && std::memcmp(bytes.data(), "CcnK", 4) == 0;
}

FxFile ParseFxFile(std::span<const std::uint8_t> bytes) {
  Reader reader(bytes);
  if (reader.Int("chunkMagic") != kChunkMagic) throw HostError("not a program or bank file");
  const VstInt32 byteSize = reader.Int("byteSize");
  const VstInt32 fxMagic = reader.Int("fxMagic");
  if (fxMagic == kProgramChunkMagic || fxMagic == kProgramParamsMagic) {
    reader.Need(kProgramHeaderSize - 8, "program header");
    Reader program(bytes);
    program.Skip(8, "program header");
    return ParseProgram(program, bytes.size(), byteSize);
  }
  if (fxMagic == kBankChunkMagic || fxMagic == kBankParamsMagic) {
    reader.Need(kBankHeaderSize - 12, "bank header");
    return ParseBank(reader, bytes.size(), fxMagic, byteSize);
  }
  throw HostError("unknown kind of program or bank file ('" + FourCCText(fxMagic) + "')");
}

std::vector<std::uint8_t> SerializeFxFile(const FxFile& file) {
  Writer writer;
  const auto chunkSize = static_cast<VstInt32>(file.chunk.size());
  switch (file.kind) {
    case FxKind::kProgramChunk:
      WriteProgramHeader(writer, chunkSize + 60, kProgramChunkMagic, file, file.numParams,
                         file.programName);
      writer.Int(chunkSize);
      writer.Bytes(file.chunk);
      break;
    case FxKind::kProgramParams:
      WriteProgramHeader(writer, 0, kProgramParamsMagic, file,
                         static_cast<VstInt32>(file.params.size()), file.programName);
      for (const float value : file.params)
        writer.Float(value);
      break;
    case FxKind::kBankChunk:
    case FxKind::kBankParams: {
      const bool chunkForm = file.kind == FxKind::kBankChunk;
      writer.Int(kChunkMagic);
      writer.Int(chunkForm ? chunkSize + 160 : 0);
      writer.Int(chunkForm ? kBankChunkMagic : kBankParamsMagic);
      writer.Int(2);
      writer.Int(file.fxId);
      writer.Int(file.fxVersion);
      writer.Int(chunkForm ? file.numPrograms : static_cast<VstInt32>(file.programs.size()));
      writer.Int(file.currentProgram);
      writer.Zeros(124);
      if (chunkForm) {
        writer.Int(chunkSize);
        writer.Bytes(file.chunk);
        break;
      }
      for (const FxProgram& program : file.programs) {
        WriteProgramHeader(writer, 0, kProgramParamsMagic, file,
                           static_cast<VstInt32>(program.params.size()), program.name);
        for (const float value : program.params)
          writer.Float(value);
      }
      break;
    }
  }
  return writer.Take();
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream stream(path, std::ios::binary | std::ios::ate);
  if (!stream) throw HostError(path + ": cannot open");
  const std::streamoff size = stream.tellg();
  if (size < 0 || static_cast<std::size_t>(size) > kMaxFileSize) {
    throw HostError(path + ": not a regular file of a sane size");
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  stream.seekg(0);
  if (!stream.read(reinterpret_cast<char*>(bytes.data()), size)) {
    throw HostError(path + ": read failed");
  }
  return bytes;
}

void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  PendingFile file(path);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = write(file.Descriptor(), bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) throw HostError(path + ": write failed (" + std::strerror(errno) + ")");
    done += static_cast<std::size_t>(written);
  }
  file.Commit();
}
