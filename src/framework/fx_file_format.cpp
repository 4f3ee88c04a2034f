#include "framework/fx_file_format.h"

#include <algorithm>
#include <bit>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>

#include "framework/four_char_code.h"

namespace {

constexpr std::int32_t kChunkMagic = FourCharCode('C', 'c', 'n', 'K');
constexpr std::int32_t kProgramChunkMagic = FourCharCode('F', 'P', 'C', 'h');
constexpr std::int32_t kProgramParamsMagic = FourCharCode('F', 'x', 'C', 'k');
constexpr std::int32_t kBankChunkMagic = FourCharCode('F', 'B', 'C', 'h');
constexpr std::int32_t kBankParamsMagic = FourCharCode('F', 'x', 'B', 'k');
constexpr std::size_t kBankReservedSize = 124;

[[gnu::format(printf, 1, 2)]] std::string Describe(const char* format, ...) {
  char text[160];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

// A big-endian reader that stops at its first failure: every later read
// yields zeros, and the first failure's description is kept.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : mBytes(bytes) {}
  bool Ok() const { return mError.empty(); }
  const std::string& Error() const { return mError; }
  std::size_t Remaining() const { return mBytes.size() - mPosition; }

  void Fail(std::string error) {
    if (Ok()) mError = std::move(error);
  }
  bool Need(std::size_t count, const char* what) {
    if (!Ok()) return false;
    if (count <= Remaining()) return true;
    Fail(Describe("truncated file: %s needs %zu bytes at offset %zu, %zu remain", what, count,
                  mPosition, Remaining()));
    return false;
  }
  std::int32_t Int(const char* what) {
    if (!Need(4, what)) return 0;
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
      value = (value << 8) | mBytes[mPosition++];
    return static_cast<std::int32_t>(value);
  }
  float Float(const char* what) { return std::bit_cast<float>(Int(what)); }
  std::string Name(const char* what) {
    if (!Need(kFxProgramNameSize, what)) return {};
    const auto* begin = reinterpret_cast<const char*>(mBytes.data() + mPosition);
    mPosition += kFxProgramNameSize;
    return std::string(begin, strnlen(begin, kFxProgramNameSize));
  }
  std::vector<std::uint8_t> Bytes(std::size_t count, const char* what) {
    if (!Need(count, what)) return {};
    const auto begin = mBytes.begin() + static_cast<std::ptrdiff_t>(mPosition);
    mPosition += count;
    return std::vector<std::uint8_t>(begin, begin + static_cast<std::ptrdiff_t>(count));
  }
  void Skip(std::size_t count, const char* what) {
    if (Need(count, what)) mPosition += count;
  }
  // A count that may not be negative.
  std::size_t Count(std::int32_t count, const char* what) {
    if (count >= 0) return static_cast<std::size_t>(count);
    Fail(Describe("corrupt file: negative %s (%d)", what, count));
    return 0;
  }

 private:
  std::span<const std::uint8_t> mBytes;
  std::size_t mPosition = 0;
  std::string mError;
};

class Writer {
 public:
  void Int(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 24; shift >= 0; shift -= 8)
      mBytes.push_back(static_cast<std::uint8_t>((bits >> shift) & 0xFFu));
  }
  void Float(float value) { Int(std::bit_cast<std::int32_t>(value)); }
  // At most 27 bytes of the name and a terminator.
  void Name(const std::string& name) {
    const std::size_t length = std::min(name.size(), kFxProgramNameSize - 1);
    mBytes.insert(mBytes.end(), name.begin(), name.begin() + static_cast<std::ptrdiff_t>(length));
    mBytes.resize(mBytes.size() + kFxProgramNameSize - length, 0);
  }
  void Zeros(std::size_t count) { mBytes.resize(mBytes.size() + count, 0); }
  void Bytes(std::span<const std::uint8_t> bytes) {
    mBytes.insert(mBytes.end(), bytes.begin(), bytes.end());
  }
  std::vector<std::uint8_t> Take() { return std::move(mBytes); }

 private:
  std::vector<std::uint8_t> mBytes;
};

std::vector<std::uint8_t> ReadChunk(Reader& reader) {
  const std::size_t size = reader.Count(reader.Int("chunkSize"), "chunk size");
  if (reader.Ok() && size > reader.Remaining()) {
    reader.Fail(
        Describe("corrupt file: chunkSize says %zu bytes, %zu remain", size, reader.Remaining()));
  }
  return reader.Bytes(size, "chunk");
}

std::vector<float> ReadParams(Reader& reader, std::int32_t numParams) {
  const std::size_t count = reader.Count(numParams, "parameter count");
  // The whole extent first, so that a huge count never allocates.
  if (count > reader.Remaining() / 4) {
    reader.Need(count * 4, "parameter values");
    return {};
  }
  std::vector<float> params(count);
  for (float& value : params)
    value = reader.Float("parameter value");
  return params;
}

// A program's header after chunkMagic and byteSize, up to and including its name.
struct ProgramHeader {
  std::int32_t fxMagic, version, fxId, fxVersion, numParams;
  std::string name;
};

ProgramHeader ReadProgramHeader(Reader& reader) {
  ProgramHeader header{};
  header.fxMagic = reader.Int("fxMagic");
  header.version = reader.Int("version");
  header.fxId = reader.Int("fxID");
  header.fxVersion = reader.Int("fxVersion");
  header.numParams = reader.Int("numParams");
  header.name = reader.Name("prgName");
  return header;
}

void ParseProgram(Reader& reader, FxFile& file) {
  const ProgramHeader header = ReadProgramHeader(reader);
  file.formatVersion = header.version;
  file.fxId = header.fxId;
  file.fxVersion = header.fxVersion;
  file.numParams = header.numParams;
  file.programName = header.name;
  if (header.fxMagic == kProgramChunkMagic) {
    file.kind = FxKind::kProgramChunk;
    file.chunk = ReadChunk(reader);
  } else {
    file.kind = FxKind::kProgramParams;
    file.params = ReadParams(reader, header.numParams);
  }
}

void ParseBank(Reader& reader, std::int32_t fxMagic, FxFile& file) {
  file.formatVersion = reader.Int("version");
  file.fxId = reader.Int("fxID");
  file.fxVersion = reader.Int("fxVersion");
  file.numPrograms = reader.Int("numPrograms");
  file.currentProgram = reader.Int("currentProgram");
  reader.Skip(kBankReservedSize, "reserved bytes");
  const std::size_t count = reader.Count(file.numPrograms, "program count");
  if (fxMagic == kBankChunkMagic) {
    file.kind = FxKind::kBankChunk;
    file.chunk = ReadChunk(reader);
    return;
  }
  file.kind = FxKind::kBankParams;
  // Each program needs at least its header: a count beyond that is a lie.
  if (count > reader.Remaining() / kFxProgramHeaderSize) {
    reader.Need(count * kFxProgramHeaderSize, "programs");
    return;
  }
  for (std::size_t i = 0; i < count && reader.Ok(); ++i) {
    if (reader.Int("program chunkMagic") != kChunkMagic && reader.Ok()) {
      reader.Fail(Describe("corrupt file: program %zu lacks the CcnK magic", i + 1));
    }
    reader.Int("program byteSize");
    const ProgramHeader header = ReadProgramHeader(reader);
    if (header.fxMagic != kProgramParamsMagic && reader.Ok()) {
      reader.Fail(Describe("corrupt file: program %zu is not in parameter form", i + 1));
    }
    file.numParams = header.numParams;
    file.programs.push_back({header.name, ReadParams(reader, header.numParams)});
  }
}

void WriteProgramHeader(Writer& writer, std::int32_t byteSize, std::int32_t fxMagic,
                        const FxFile& file, std::int32_t numParams, const std::string& name) {
  writer.Int(kChunkMagic);
  writer.Int(byteSize);
  writer.Int(fxMagic);
  writer.Int(1);
  writer.Int(file.fxId);
  writer.Int(file.fxVersion);
  writer.Int(numParams);
  writer.Name(name);
}

bool FitsInt32(std::size_t size) {
  return size <= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
}

}  // namespace

bool IsProgram(FxKind kind) {
  return kind == FxKind::kProgramChunk || kind == FxKind::kProgramParams;
}

bool IsChunkForm(FxKind kind) {
  return kind == FxKind::kProgramChunk || kind == FxKind::kBankChunk;
}

const char* FxKindName(FxKind kind) {
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

FxParseResult ParseFxFile(std::span<const std::uint8_t> bytes) {
  FxParseResult result;
  Reader reader(bytes);
  const std::int32_t chunkMagic = reader.Int("chunkMagic");
  if (reader.Ok() && chunkMagic != kChunkMagic) reader.Fail("not a program or bank file");
  result.file.byteSize = reader.Int("byteSize");
  const std::int32_t fxMagic = reader.Int("fxMagic");
  if (fxMagic == kProgramChunkMagic || fxMagic == kProgramParamsMagic) {
    if (reader.Need(kFxProgramHeaderSize - 12, "program header")) {
      Reader program(bytes);
      program.Skip(8, "program header");
      ParseProgram(program, result.file);
      reader = program;
    }
  } else if (fxMagic == kBankChunkMagic || fxMagic == kBankParamsMagic) {
    if (reader.Need(kFxBankHeaderSize - 12, "bank header")) ParseBank(reader, fxMagic, result.file);
  } else if (reader.Ok()) {
    reader.Fail("unknown kind of program or bank file ('" + FourCharCodeText(fxMagic) + "')");
  }
  result.error = reader.Error();
  return result;
}

bool FxByteSizeIsPlausible(const FxFile& file, std::size_t fileSize) {
  const auto size = static_cast<std::int64_t>(file.byteSize);
  const auto actual = static_cast<std::int64_t>(fileSize);
  return size == actual || size == actual - 8 || (size == 0 && !IsChunkForm(file.kind));
}

bool SerializeFxFile(const FxFile& file, std::vector<std::uint8_t>* bytes) {
  bytes->clear();
  if (!FitsInt32(file.chunk.size() + 160) || !FitsInt32(file.params.size()) ||
      !FitsInt32(file.programs.size())) {
    return false;
  }
  for (const FxProgram& program : file.programs) {
    if (!FitsInt32(program.params.size())) return false;
  }
  Writer writer;
  const auto chunkSize = static_cast<std::int32_t>(file.chunk.size());
  switch (file.kind) {
    case FxKind::kProgramChunk:
      WriteProgramHeader(writer, chunkSize + 60, kProgramChunkMagic, file, file.numParams,
                         file.programName);
      writer.Int(chunkSize);
      writer.Bytes(file.chunk);
      break;
    case FxKind::kProgramParams:
      WriteProgramHeader(writer, 0, kProgramParamsMagic, file,
                         static_cast<std::int32_t>(file.params.size()), file.programName);
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
      writer.Int(chunkForm ? file.numPrograms : static_cast<std::int32_t>(file.programs.size()));
      writer.Int(file.currentProgram);
      writer.Zeros(kBankReservedSize);
      if (chunkForm) {
        writer.Int(chunkSize);
        writer.Bytes(file.chunk);
        break;
      }
      for (const FxProgram& program : file.programs) {
        WriteProgramHeader(writer, 0, kProgramParamsMagic, file,
                           static_cast<std::int32_t>(program.params.size()), program.name);
        for (const float value : program.params)
          writer.Float(value);
      }
      break;
    }
  }
  *bytes = writer.Take();
  return true;
}
