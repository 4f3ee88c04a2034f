// Any bytes a host may hand over as QUOR's program or bank chunk.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/damage.h"
#include "fuzz/saved_state.h"
#include "plugin/quor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static QUOR* const console = new QUOR();
  static const std::vector<std::uint8_t> program = SavedState(*console, true);
  static const std::vector<std::uint8_t> bank = SavedState(*console, false);
  if (size == 0) return 0;
  const bool isPreset = data[0] & 1;
  std::vector<std::uint8_t> chunk = Damage(isPreset ? program : bank, {data, size});
  console->RestoreState(chunk, isPreset);
  return 0;
}
