// The two symbols an LV2 host looks up in QUOR.lv2/QUOR.so.
#include "lv2/lv2_descriptors.h"
#include "plugin/quor_lv2.h"

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(
    std::uint32_t index) {
  return index == 0 ? Lv2PluginDescriptor(QuorLv2Description()) : nullptr;
}

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(
    std::uint32_t index) {
  return index == 0 ? Lv2UiDescriptor(QuorLv2Description()) : nullptr;
}
