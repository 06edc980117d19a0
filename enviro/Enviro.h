#pragma once
// The module's entry: what the host calls to start the effector framework, and the hooks the
// shared library runs when it is loaded into and unloaded from a process.
#include "enviro/EnviroApi.h"

// Creates the effector manager (effector::effectorMan), which creates one instance of every
// effector kind. Call after installing the host services. Never deletes an earlier manager.
extern "C" ENVIRO_API void createEnviro();

namespace enviro {

// What the module does when attached to a process: creates enviro::sky, then g_AstroManager.
// libenviro.so calls it at load time (it is not exported); hosts that link the module statically
// call it themselves.
void onProcessAttach();
// What the module does when detached: deletes the sky, then the astronomy manager, and nulls both.
// libenviro.so calls it at unload time.
void onProcessDetach();

}  // namespace enviro
