// A host that uses no fonts of its own, as many do: it loads a plug-in, opens
// its editor in a window, closes it and unloads the plug-in, cycle after
// cycle, and prints how many bytes more of its heap are in use per cycle
// after the first two, which settle what stays for the process.
//
//   load_cycles PLUGIN CYCLES
#include <dlfcn.h>
#include <malloc.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "vst2/vst2_abi.h"

namespace {

VstIntPtr Callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

// Loaded, the editor drawn for a while, closed, unloaded; false when any step failed.
bool Cycle(const char* plugin, xcb_window_t parent) {
  void* library = dlopen(plugin, RTLD_NOW | RTLD_LOCAL);
  if (!library) return false;
  const auto entry =
      reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(library, "VSTPluginMain"));
  AEffect* effect = entry ? entry(Callback) : nullptr;
  if (effect) {
    const auto dispatch = [effect](VstInt32 opcode, void* ptr = nullptr) {
      return effect->dispatcher(effect, opcode, 0, 0, ptr, 0.f);
    };
    dispatch(effOpen);
    dispatch(effEditOpen, reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent)));
    for (int tick = 0; tick < 10; ++tick) {
      dispatch(effEditIdle);
      usleep(30000);
    }
    dispatch(effEditClose);
    dispatch(effClose);
  }
  dlclose(library);
  return effect != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const int cycles = std::atoi(argv[2]);
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (cycles < 3 || xcb_connection_has_error(connection)) return 2;
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  const xcb_window_t window = xcb_generate_id(connection);
  xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1300, 800, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
  xcb_map_window(connection, window);
  xcb_flush(connection);
  std::size_t settled = 0;
  for (int cycle = 1; cycle <= cycles; ++cycle) {
    if (!Cycle(argv[1], window)) return 1;
    if (cycle == 2) settled = mallinfo2().uordblks;
  }
  const auto grown = static_cast<long long>(mallinfo2().uordblks - settled);
  std::printf("%lld\n", grown / (cycles - 2));
  xcb_disconnect(connection);
  return 0;
}
