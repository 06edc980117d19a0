#include "enviro/Enviro.h"

#include <new>

#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/sky/Sky.h"

namespace enviro {
Sky* sky = nullptr;
}

Astro::AstroManager* g_AstroManager = nullptr;

extern "C" void createEnviro() { effector::effectorMan = new (std::nothrow) effector::EffectorMan(); }

namespace enviro {

void onProcessAttach() {
    sky = new (std::nothrow) Sky();
    g_AstroManager = new (std::nothrow) Astro::AstroManager();
}

void onProcessDetach() {
    delete sky;
    sky = nullptr;
    delete g_AstroManager;
    g_AstroManager = nullptr;
}

}  // namespace enviro
