// Any bytes offered as a program or bank file.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/fx_file_format.h"
#include "fuzz/damage.h"
#include "plugin/quor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static QUOR* const console = new QUOR();
  static std::vector<std::uint8_t> program, bank;
  if (program.empty()) {
    console->MakeProgramFXP(&program);
    console->MakeBankFXB(&bank);
  }
  if (size == 0) return 0;
  // Whatever parses is written back as bytes that parse and write back unchanged.
  if (const FxParseResult raw = ParseFxFile({data, size})) {
    std::vector<std::uint8_t> bytes, again;
    if (SerializeFxFile(raw.file, &bytes)) {
      const FxParseResult back = ParseFxFile(bytes);
      if (!back || !SerializeFxFile(back.file, &again) || again != bytes) __builtin_trap();
    }
  }
  const std::vector<std::uint8_t> file = Damage((data[0] & 1) ? program : bank, {data, size});
  console->LoadProgramFXP(file);
  console->LoadBankFXB(file);
  return 0;
}
