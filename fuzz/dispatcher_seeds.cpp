// Writes the dispatcher fuzzer's first inputs: the scripts of ordinary and
// of careless sessions, around a real saved state.
#include <cstdio>
#include <fstream>
#include <string>

#include "fuzz/host_script.h"
#include "fuzz/saved_state.h"

namespace {

void Write(const std::string& path, const ScriptWriter& script) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(script.Bytes().data()),
             static_cast<std::streamsize>(script.Bytes().size()));
}

// What every host does first.
ScriptWriter Opened(std::uint8_t profile, float sampleRate, std::int64_t blockSize) {
  ScriptWriter script;
  script.Put(profile)
      .Dispatch(effOpen)
      .Dispatch(effSetSampleRate, 0, 0, sampleRate)
      .Dispatch(effSetBlockSize, 0, blockSize)
      .Dispatch(effMainsChanged, 0, 1);
  return script;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  const SavedChunks& saved = SavedState();

  // A session: the project's state comes back, audio runs, the user automates,
  // the host reads texts and saves.
  ScriptWriter session = Opened(kOrdinaryHost, 48000.f, 128);
  session.Dispatch(effSetChunk, 1, 0, 0.f, 0, saved.mProgram)
      .Process(ProcessKind::kDouble, 512)
      .SetParameter(QUOR::kModeIdx, 1.f)
      .Process(ProcessKind::kReplacing, 500)
      .Dispatch(effGetParamDisplay, 3)
      .Dispatch(effGetChunk, 1)
      .Dispatch(effSetChunk, 0, 0, 0.f, 0, saved.mBank)
      .Process(ProcessKind::kAccumulating, 64)
      .Dispatch(effGetChunk, 0)
      .Dispatch(effMainsChanged, 0, 0)
      .Dispatch(effClose);
  Write(dir + "/session", session);

  // A host that takes two channels, hands over short arrays and processes in place.
  ScriptWriter stereo = Opened(kStereoHost, 44100.f, 256);
  stereo.Process(ProcessKind::kReplacing, 300)
      .Dispatch(effSetSpeakerArrangement, 2 | (2 << 8))
      .Process(ProcessKind::kDouble, 500, kInPlace)
      .Process(ProcessKind::kReplacing, 128, 0, 0x00010002);
  Write(dir + "/stereo", stereo);

  // A careless host: it closes while opening, then goes on as if nothing happened.
  ScriptWriter careless = Opened(kClosingHost, 96000.f, 64);
  careless.Process(ProcessKind::kDouble, 200).SetParameter(3, -1.f).Dispatch(effClose);
  Write(dir + "/careless", careless);

  // Damaged copies of the saved state, and values out of range.
  ScriptWriter damaged = Opened(kOrdinaryHost, 48000.f, 128);
  const std::uint8_t cut[] = {0x00, 0x01, 0x80, 0x10};
  damaged.Dispatch(effSetChunk, 1, 0, 0.f, kRealChunk, cut)
      .Dispatch(effSetChunk, 0, 0, 0.f, kRealChunk | kBankChunk, cut)
      .SetParameter(76, 2.f)
      .Dispatch(effSetSampleRate, 0, 0, -1.f)
      .Process(ProcessKind::kDouble, 256);
  Write(dir + "/damaged", damaged);
  return 0;
}
