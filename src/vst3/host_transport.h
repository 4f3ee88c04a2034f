// The transport a host sends with each block, as the framework asks for it.
#pragma once

#include "framework/iplug_host.h"
#include "vst3/vst3_processing.h"

namespace vst3 {

// `context` at `offset` frames into its block; false without a context.
bool TransportFromContext(const ProcessContext* context, int32 offset, HostTransport* transport);

}  // namespace vst3
