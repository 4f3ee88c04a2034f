// QUOR as every plug-in format publishes it: identity, parameters (from the
// parameter table), channels, meters and names.
#pragma once

#include "framework/plug_descriptor.h"

// The one description, made once.
const PlugDescriptor& QuorDescriptor();
