// The least a desktop host does with a plug-in's editor, in the test's own
// process: the plug-in loaded into the VST2 test host, a top-level X window
// whose XID goes to effEditOpen, effEditIdle about 30 times a second, audio
// on a thread of its own, and a record of what the plug-in tells the host,
// checked for the thread it came on.
#pragma once

#include <xcb/xcb.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/hosts/vst2_test_host.h"

class MinimalHost {
 public:
  struct Edit {
    VstInt32 opcode;
    VstInt32 index;
    float value;
  };

  explicit MinimalHost(const std::string& pluginPath);
  ~MinimalHost();
  MinimalHost(const MinimalHost&) = delete;
  MinimalHost& operator=(const MinimalHost&) = delete;

  bool Loaded() const { return mVst.Loaded(); }
  AEffect* Effect() const { return mVst.Effect(); }
  // Calls the plug-in made off the rules (framework/thread_role.h).
  std::vector<std::string> Violations() const { return mVst.Violations(); }
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.f) const;

  // A new top-level window with the editor in it; false when it did not open.
  bool OpenEditor();
  void CloseEditor();
  // The host takes its window away without closing the editor first, as some do.
  void DestroyWindow();
  void Unmap();
  void Map();
  xcb_window_t Window() const { return mWindow; }
  std::string WindowId() const { return std::to_string(mWindow); }

  // Idles the editor and reads the window's events for about this long.
  void Idle(int milliseconds);
  // A UI thread of the host's own that calls effEditIdle about 30 times a
  // second while the editor is open, as desktop hosts do: from then on Idle
  // only reads the window's events, and the plug-in's news are expected on
  // that thread.
  void StartUiThread();
  void StopUiThread();
  // The window's pixels in the area (0x00RRGGBB).
  std::vector<std::uint32_t> Grab(int x, int y, int w, int h);
  // Key presses that reached the host's own window.
  int KeysReceived() const { return mKeysReceived; }
  xcb_window_t Focus();

  float Param(int index) const { return mVst.Get(index); }
  std::vector<Edit> Edits();
  void ClearEdits();
  std::vector<std::uint8_t> Chunk() const;

  // A sine on every input, in real time, its level swelling and fading
  // around the amplitude once a second, or steady at the amplitude.
  void StartAudio(double amplitude, bool steady = false);
  void StopAudio();
  // That sine's sample at a frame, at 44.1 kHz.
  static float SwellingSine(double amplitude, std::int64_t frame);
  static constexpr int kSampleRate = 44100;

 private:
  Vst2TestHost mVst;
  xcb_connection_t* mConnection = nullptr;
  xcb_window_t mWindow = 0;
  std::atomic<bool> mEditorOpen{false};
  int mKeysReceived = 0;
  std::thread mUiThread;
  std::atomic<bool> mUiRunning{false};
  std::thread mAudio;
  std::atomic<bool> mAudioRunning{false};
  std::atomic<double> mAmplitude{0.};
  std::atomic<bool> mSteady{false};
};
