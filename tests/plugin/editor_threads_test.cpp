// The names between a host thread saving and restoring states and the editor's
// thread drawing the name fields and committing typed names, while the audio
// thread feeds the meters: QUOR's own classes with a headless editor, since no
// host reaches the editor's thread. Run under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "editor/igraphics_headless.h"
#include "plugin/quor.h"
#include "plugin/text_entry.h"
#include "tests/plugin/linked_console.h"

TEST(EditorThreads, NamesBetweenHostAndEditorThreads) {
  const LinkedConsole linked(QUOR::Editor::kHeadless);
  QUOR& console = linked.Console();
  auto* gui = dynamic_cast<IGraphicsHeadless*>(console.GetGUI());
  ASSERT_NE(gui, nullptr);
  AEffect* const effect = linked.Effect();
  const auto dispatch = [effect](VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr) {
    return effect->dispatcher(effect, opcode, index, value, ptr, 0.f);
  };
  dispatch(effSetBlockSize, 0, 64, nullptr);
  dispatch(effMainsChanged, 0, 1, nullptr);
  gui->OpenWindow(nullptr);
  std::atomic<bool> stop{false};

  std::thread audio([&] {
    std::vector<std::vector<double>> in(16, std::vector<double>(64, 0.5)), out = in;
    std::vector<double*> inputs, outputs;
    for (int c = 0; c < 16; ++c) {
      inputs.push_back(in[static_cast<std::size_t>(c)].data());
      outputs.push_back(out[static_cast<std::size_t>(c)].data());
    }
    while (!stop.load())
      effect->processDoubleReplacing(effect, inputs.data(), outputs.data(), 64);
  });
  std::thread host([&] {
    for (int i = 0; !stop.load(); ++i) {
      console.SetTrackName(i % QUOR::kNumNames, "Host " + std::to_string(i));
      void* data = nullptr;
      const VstIntPtr size = dispatch(effGetChunk, 1, 0, &data);
      std::vector<std::uint8_t> saved(static_cast<std::uint8_t*>(data),
                                      static_cast<std::uint8_t*>(data) + size);
      dispatch(effSetChunk, 1, size, saved.data());
    }
  });
  std::thread editor([&] {
    const IMouseMod left{true, false, false, false, false};
    for (int i = 0; !stop.load(); ++i) {
      const int x = 135 * (i % QUOR::kNumNames) + 60;
      gui->OnMouseDblClick(x, 650, left);
      gui->TextFieldKey(ViewKey::Text("Café " + std::to_string(i)));
      gui->TextFieldKey(ViewKey::Key(EViewKey::kReturn));
      gui->Tick();
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  stop.store(true);
  audio.join();
  host.join();
  editor.join();

  // What the fields show is what the next save writes.
  ByteChunk chunk;
  console.SerializeState(&chunk);
  int position = 0;
  for (int i = 0; i < QUOR::kNumNames; ++i) {
    std::string saved;
    position = chunk.GetStr(&saved, position);
    EXPECT_EQ(saved, dynamic_cast<TextEntry*>(gui->GetControl(70 + i))->GetTextForPlug());
  }
}
