// Linked into a copy of the module's shared library after the module's objects and before its
// load hooks (enviro_shared_module), as the last piece of its static storage. Its dynamic
// initialisation runs in that place of the load: the module's entry, which creates the sky and
// the astronomy manager, must not have run yet.
#include "enviro/astro/AstroManager.h"
#include "enviro/sky/Sky.h"

namespace {

const bool s_entryRanFirst = enviro::sky != nullptr || g_AstroManager != nullptr;

}  // namespace

extern "C" __attribute__((visibility("default"))) int enviroProbeEntryRanBeforeStatics() { return s_entryRanFirst ? 1 : 0; }
