// The descriptors a plug-in's LV2 binary hands its host, made from the
// plug-in's description: the body of the exported lv2_descriptor and
// lv2ui_descriptor. One description per binary.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include "lv2/lv2_description.h"

const LV2_Descriptor* Lv2PluginDescriptor(const Lv2Description& description);
const LV2UI_Descriptor* Lv2UiDescriptor(const Lv2Description& description);
