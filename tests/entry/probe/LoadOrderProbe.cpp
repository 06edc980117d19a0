// Linked into a copy of the module's shared library after the module's objects and before its
// load hooks (enviro_shared_module), as the last piece of its static storage. Its dynamic
// initialisation runs in that place of the load: the module's entry, which creates the sky and
// the astronomy manager, must not have run yet.
#include "enviro/astro/AstroManager.h"
#include "enviro/sky/Sky.h"

namespace {

struct LoadOrderProbe {
    bool entryRanFirst;
    LoadOrderProbe() : entryRanFirst(enviro::sky != nullptr || g_AstroManager != nullptr) {}
};

LoadOrderProbe s_probe;

}  // namespace

extern "C" __attribute__((visibility("default"))) int enviroProbeEntryRanBeforeStatics() {
    return s_probe.entryRanFirst ? 1 : 0;
}
