// Audio, automation and state requests from three threads at once, as hosts
// issue them; run under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/plugin/loaded_plugin.h"

TEST(Concurrency, AudioAutomationAndStateThreads) {
  LoadedPlugin plug;
  plug.Dispatch(effOpen);
  plug.Dispatch(effSetBlockSize, 0, 128);
  plug.Dispatch(effMainsChanged, 0, 1);
  std::atomic<bool> stop{false};

  std::thread audio([&] {
    ChannelBuffers<float> in(16, 128), out(16, 128);
    ChannelBuffers<double> din(16, 128), dout(16, 128);
    while (!stop.load()) {
      plug->processReplacing(plug.Effect(), in.Pointers(), out.Pointers(), 128);
      plug->processDoubleReplacing(plug.Effect(), din.Pointers(), dout.Pointers(), 128);
    }
  });
  std::thread automation([&] {
    for (int i = 0; !stop.load(); ++i) {
      plug.Set(i % 94, static_cast<float>(i % 7) / 6.f);
      (void)plug.Get((i * 7) % 94);
    }
  });
  std::thread state([&] {
    while (!stop.load()) {
      void* data = nullptr;
      const VstIntPtr size = plug.Dispatch(effGetChunk, 1, 0, &data);
      std::vector<std::uint8_t> copy(static_cast<const std::uint8_t*>(data),
                                     static_cast<const std::uint8_t*>(data) + size);
      plug.Dispatch(effSetChunk, 1, size, copy.data());
      (void)plug.Text(effGetParamDisplay, 3);
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  stop.store(true);
  audio.join();
  automation.join();
  state.join();
  EXPECT_EQ(plug.Dispatch(effGetVstVersion), 2400);
}
