// Two instances at once through the effect record, with every thread a host
// uses; run under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "tests/plugin/loaded_plugin.h"

namespace {

std::vector<std::uint8_t> ProgramChunk(const LoadedPlugin& plug, bool isPreset) {
  void* data = nullptr;
  const VstIntPtr size = plug.Dispatch(effGetChunk, isPreset ? 1 : 0, 0, &data);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  return {bytes, bytes + size};
}

}  // namespace

// Two instances, each with its audio thread and a host thread that automates,
// saves and restores; a display thread reads what both show meanwhile.
TEST(Concurrency, TwoInstancesWithAudioHostAndDisplayThreads) {
  LoadedPlugin first, second;
  for (const LoadedPlugin* plug : {&first, &second}) {
    plug->Dispatch(effOpen);
    plug->Dispatch(effSetBlockSize, 0, 256);
    plug->Dispatch(effMainsChanged, 0, 1);
  }
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  for (const LoadedPlugin* plug : {&first, &second}) {
    threads.emplace_back([&stop, plug] {
      // Calls a little longer than the block size run in pieces.
      HostChannels<float> in(16, 300), out(16, 300);
      HostChannels<double> din(16, 256), dout(16, 256);
      for (int i = 0; !stop.load(); ++i) {
        if (i % 3 == 0) (*plug)->process(plug->Effect(), in.Pointers(), out.Pointers(), 256);
        if (i % 3 == 1)
          (*plug)->processReplacing(plug->Effect(), in.Pointers(), out.Pointers(), 300);
        if (i % 3 == 2)
          (*plug)->processDoubleReplacing(plug->Effect(), din.Pointers(), dout.Pointers(), 256);
      }
    });
    threads.emplace_back([&stop, plug] {
      for (int i = 0; !stop.load(); ++i) {
        plug->Set(i % 94, static_cast<float>(i % 11) / 10.f);
        plug->SetText(3, "6.5");
        if (i % 16 == 0) {
          std::vector<std::uint8_t> chunk = ProgramChunk(*plug, i % 64 != 0);
          plug->Dispatch(effSetChunk, i % 64 != 0 ? 1 : 0, static_cast<VstIntPtr>(chunk.size()),
                         chunk.data());
        }
      }
    });
  }
  threads.emplace_back([&] {
    while (!stop.load())
      for (const LoadedPlugin* plug : {&first, &second})
        for (int i = 0; i < 94; i += 7) {
          (void)plug->Get(i);
          (void)plug->Text(effGetParamDisplay, i);
          (void)plug->Text(effGetParamLabel, i);
        }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  stop.store(true);
  for (std::thread& thread : threads)
    thread.join();
  EXPECT_EQ(first.Dispatch(effGetVstVersion), 2400);
}
