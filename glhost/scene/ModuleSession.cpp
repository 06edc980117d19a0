#include "glhost/scene/ModuleSession.h"

#include "enviro/Enviro.h"
#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/sky/Sky.h"

namespace glhost {

bool ModuleSession::start(std::string& error) {
    if (m_running) return true;
    enviro::onProcessAttach();
    createEnviro();
    m_running = true;
    if (!effector::effectorMan || !g_AstroManager || !enviro::sky) {
        error = "the module did not start (effector manager, astronomy manager or sky missing)";
        stop();
        return false;
    }
    if (!g_AstroManager->Init()) {
        error = "the astronomy manager did not start: \"LuaScripts/Astro.cfg\" missing or empty, or the star "
                "catalogue \"PPM.dat\" missing, or the working directory not writable for its cache";
        stop();
        return false;
    }
    enviro::sky->init();
    return true;
}

void ModuleSession::stop() {
    if (!m_running) return;
    if (effector::effectorMan) {
        effector::effectorMan->close();
        delete effector::effectorMan;
        effector::effectorMan = nullptr;
    }
    enviro::onProcessDetach();
    m_running = false;
}

}  // namespace glhost
