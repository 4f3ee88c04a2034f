// QUOR as LV2 describes it: its URIs, its ports (made from the parameter
// table) and the names its state keeps.
#pragma once

#include "lv2/lv2_description.h"

// The one description, made once.
const Lv2Description& QuorLv2Description();
