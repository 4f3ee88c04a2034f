// The VST3 binary interface as x86-64 Linux hosts see it, written from the
// interface's published facts: one header per concept, every record's size
// and offsets pinned with static_asserts, every interface's methods in
// vtable order. This header gathers them.
#pragma once

#include "vst3/vst3_base.h"        // types, results, identifiers, FUnknown, IPluginBase
#include "vst3/vst3_component.h"   // IComponent, buses
#include "vst3/vst3_controller.h"  // IEditController, parameters, the handler, units
#include "vst3/vst3_factory.h"     // the factory, class infos, the host context, exports
#include "vst3/vst3_messages.h"    // IConnectionPoint, IMessage, IAttributeList
#include "vst3/vst3_processing.h"  // IAudioProcessor, process data, changes, events
#include "vst3/vst3_run_loop.h"    // IRunLoop, IEventHandler, ITimerHandler
#include "vst3/vst3_stream.h"      // IBStream
#include "vst3/vst3_view.h"        // IPlugView, IPlugFrame, content scale
