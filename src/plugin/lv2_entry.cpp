// The two symbols an LV2 host looks up in QUOR.lv2/QUOR.so.
#include "lv2/lv2_description.h"
#include "lv2/lv2_descriptors.h"
#include "plugin/quor_descriptor.h"

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(
    std::uint32_t index) {
  return index == 0 ? Lv2PluginDescriptor(Lv2DescriptionOf(QuorDescriptor())) : nullptr;
}

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(
    std::uint32_t index) {
  return index == 0 ? Lv2UiDescriptor(Lv2DescriptionOf(QuorDescriptor())) : nullptr;
}
