// The one symbol a CLAP host looks up in QUOR.clap.
#include "clap/clap_entry_point.h"
#include "plugin/quor_descriptor.h"

extern "C" __attribute__((visibility("default"))) const clap_plugin_entry_t clap_entry =
    ClapEntryFor<&QuorDescriptor>();
