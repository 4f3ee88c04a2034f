// The LV2 UI: the plug-in's own editor in the host's window. The UI reaches
// the plug-in instance directly (instance access); the editor runs on its own
// thread, and what it tells the host (values, gestures, a new size) waits in
// the plug-in's queue for the host's UI thread, which the host lends the UI
// when it calls its idle function.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <cstdint>
#include <memory>
#include <mutex>

class Lv2Plugin;

// Between an instance and its UIs: a host may clean the instance up before
// a UI, and the UI then finds no plug-in rather than a freed one.
struct Lv2UiLink {
  std::mutex mMutex;
  Lv2Plugin* mPlugin = nullptr;  // under mMutex; null once the instance is gone
};

class Lv2Ui {
 public:
  // Null without the plug-in instance, or when the editor could not open.
  static std::unique_ptr<Lv2Ui> Create(LV2UI_Write_Function write, LV2UI_Controller controller,
                                       LV2UI_Widget* widget,
                                       const LV2_Feature* const* features);  // host
  ~Lv2Ui();                                                                  // host
  Lv2Ui(const Lv2Ui&) = delete;
  Lv2Ui& operator=(const Lv2Ui&) = delete;

  void PortEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format,
                 const void* buffer);  // host
  // Hands the plug-in's queue to the host; 0 while the UI lives.
  int Idle();  // host
  // What the queue tells the host, from inside Idle.
  void Touch(std::uint32_t port, bool grabbed);  // host
  void Write(std::uint32_t port, float value);   // host
  void Resize(int width, int height);            // host

 private:
  Lv2Ui(std::shared_ptr<Lv2UiLink> link, LV2UI_Write_Function write, LV2UI_Controller controller);

  std::shared_ptr<Lv2UiLink> mLink;
  LV2UI_Write_Function mWrite;
  LV2UI_Controller mController;
  const LV2UI_Resize* mResize = nullptr;
  const LV2UI_Touch* mTouch = nullptr;
};
