#include "tests/platform/minimal_host.h"

#include <poll.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "tests/platform/x_session.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBlock = 256;
constexpr double kRate = MinimalHost::kSampleRate;

}  // namespace

MinimalHost::MinimalHost(const std::string& pluginPath) : mVst(pluginPath) {
  if (!Loaded()) return;
  mVst.Start(kRate, kBlock);
  mConnection = xcb_connect(nullptr, nullptr);
}

MinimalHost::~MinimalHost() {
  StopUiThread();
  StopAudio();
  CloseEditor();
  mVst.Close();
  if (mConnection) xcb_disconnect(mConnection);
}

VstIntPtr MinimalHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt) const {
  return mVst.Dispatch(opcode, index, value, ptr, opt);
}

bool MinimalHost::OpenEditor() {
  if (!mConnection || xcb_connection_has_error(mConnection)) return false;
  ERect* rect = nullptr;
  Dispatch(effEditGetRect, 0, 0, &rect);
  const int w = rect ? rect->right - rect->left : 300;
  const int h = rect ? rect->bottom - rect->top : 200;
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(mConnection)).data;
  mWindow = xcb_generate_id(mConnection);
  const std::uint32_t values[] = {screen->black_pixel,
                                  XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_STRUCTURE_NOTIFY};
  xcb_create_window(mConnection, XCB_COPY_FROM_PARENT, mWindow, screen->root, 0, 0,
                    static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(h), 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                    XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
  const char title[] = "minimal host";
  xcb_change_property(mConnection, XCB_PROP_MODE_REPLACE, mWindow, XCB_ATOM_WM_NAME,
                      XCB_ATOM_STRING, 8, sizeof title - 1, title);
  xcb_map_window(mConnection, mWindow);
  std::free(xcb_get_input_focus_reply(mConnection, xcb_get_input_focus(mConnection), nullptr));
  mEditorOpen = Dispatch(effEditOpen, 0, 0,
                         reinterpret_cast<void*>(static_cast<std::uintptr_t>(mWindow))) != 0;
  // One pass: tests wait for what they need themselves.
  Idle(0);
  return mEditorOpen;
}

void MinimalHost::CloseEditor() {
  StopUiThread();
  if (mEditorOpen) Dispatch(effEditClose);
  mEditorOpen = false;
  if (mWindow && mConnection) DestroyWindow();
  mWindow = 0;
}

void MinimalHost::DestroyWindow() {
  xcb_destroy_window(mConnection, mWindow);
  // A round trip: the window is gone for every client once this returns.
  std::free(xcb_get_input_focus_reply(mConnection, xcb_get_input_focus(mConnection), nullptr));
  mWindow = 0;
}

void MinimalHost::Unmap() {
  xcb_unmap_window(mConnection, mWindow);
  xcb_flush(mConnection);
}

void MinimalHost::Map() {
  xcb_map_window(mConnection, mWindow);
  xcb_flush(mConnection);
}

void MinimalHost::Idle(int milliseconds) {
  const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
  do {
    while (xcb_generic_event_t* event = xcb_poll_for_event(mConnection)) {
      if ((event->response_type & 0x7F) == XCB_KEY_PRESS) ++mKeysReceived;
      std::free(event);
    }
    if (mEditorOpen && !mUiRunning) mVst.EditIdle();
    pollfd fd{xcb_get_file_descriptor(mConnection), POLLIN, 0};
    poll(&fd, 1, 33);
  } while (Clock::now() < end);
}

void MinimalHost::StartUiThread() {
  if (mUiRunning.exchange(true)) return;
  mUiThread = std::thread([this] {
    while (mUiRunning) {
      if (mEditorOpen) mVst.EditIdle();
      std::this_thread::sleep_for(std::chrono::milliseconds(33));
    }
  });
}

void MinimalHost::StopUiThread() {
  mUiRunning = false;
  if (mUiThread.joinable()) mUiThread.join();
}

std::vector<std::uint32_t> MinimalHost::Grab(int x, int y, int w, int h) {
  return GrabArea(mWindow, x, y, w, h, mConnection);
}

xcb_window_t MinimalHost::Focus() {
  xcb_get_input_focus_reply_t* reply =
      xcb_get_input_focus_reply(mConnection, xcb_get_input_focus(mConnection), nullptr);
  const xcb_window_t focus = reply ? reply->focus : 0;
  std::free(reply);
  return focus;
}

std::vector<MinimalHost::Edit> MinimalHost::Edits() {
  std::vector<Edit> edits;
  for (const Vst2TestHost::Call& call : mVst.Calls())
    if (call.mOpcode == audioMasterBeginEdit || call.mOpcode == audioMasterEndEdit ||
        call.mOpcode == audioMasterAutomate)
      edits.push_back({call.mOpcode, call.mIndex, call.mOpt});
  return edits;
}

void MinimalHost::ClearEdits() {
  mVst.ClearCalls();
}

std::vector<std::uint8_t> MinimalHost::Chunk() const {
  return mVst.Chunk();
}

void MinimalHost::StartAudio(double amplitude, bool steady) {
  mAmplitude = amplitude;
  mSteady = steady;
  if (mAudioRunning.exchange(true)) return;
  mAudio = std::thread([this] {
    const auto channels =
        static_cast<std::size_t>(std::max(Effect()->numInputs, Effect()->numOutputs));
    std::vector<std::vector<float>> in(channels, std::vector<float>(kBlock));
    std::vector<std::vector<float>> out(channels, std::vector<float>(kBlock));
    std::vector<float*> inPointers, outPointers;
    for (std::size_t c = 0; c < channels; ++c) {
      inPointers.push_back(in[c].data());
      outPointers.push_back(out[c].data());
    }
    std::int64_t frame = 0;
    auto next = Clock::now();
    const auto period = std::chrono::duration<double>(kBlock / kRate);
    while (mAudioRunning) {
      for (int i = 0; i < kBlock; ++i) {
        const float sample =
            mSteady
                ? static_cast<float>(mAmplitude * std::sin(2. * M_PI * 440. *
                                                           static_cast<double>(frame++) / kRate))
                : SwellingSine(mAmplitude, frame++);
        for (auto& channel : in)
          channel[static_cast<std::size_t>(i)] = sample;
      }
      mVst.Process(inPointers.data(), outPointers.data(), kBlock);
      next += std::chrono::duration_cast<Clock::duration>(period);
      std::this_thread::sleep_until(next);
    }
  });
}

float MinimalHost::SwellingSine(double amplitude, std::int64_t frame) {
  const double t = static_cast<double>(frame) / kRate;
  // The level swells and fades once a second, so meters keep moving.
  const double level = amplitude * (0.55 + 0.45 * std::sin(2. * M_PI * t));
  return static_cast<float>(level * std::sin(2. * M_PI * 440. * t));
}

void MinimalHost::StopAudio() {
  mAudioRunning = false;
  if (mAudio.joinable()) mAudio.join();
}
