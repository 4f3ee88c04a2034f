// What a VST3 module exports, for the plug-in a descriptor describes: the
// entry file turns these into the three C functions hosts look up.
#pragma once

#include "framework/plug_descriptor.h"
#include "vst3/vst3_factory.h"

// A factory with one reference for the caller. The descriptor outlives the
// module's factories (a static of the plug-in's).
vst3::IPluginFactory* Vst3Factory(const PlugDescriptor& descriptor);

// ModuleEntry and ModuleExit: counted, in pairs.
bool Vst3ModuleEntry(void* sharedLibraryHandle);
bool Vst3ModuleExit();
