// Load and unload hooks of libenviro.so: the module's process attach and detach.
#include "enviro/Enviro.h"

namespace {

__attribute__((constructor)) void enviroLoad() { enviro::onProcessAttach(); }

__attribute__((destructor)) void enviroUnload() { enviro::onProcessDetach(); }

}  // namespace
