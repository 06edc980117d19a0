#pragma once
// A reference host and an effector manager installed as the module's one, with the manager's fog
// effector and the camera placed for the fog tests.
#include "enviro/effector/EffectorMan.h"
#include "enviro/fog/FogEffector.h"
#include "refhost/ReferenceHost.h"

namespace fogtest {

struct FogScene {
    refhost::ReferenceHost host;
    bool installed = (host.install(), true);  // before the manager is made, so that its effectors create their targets
    effector::EffectorMan man;
    effector::FogEffector* fog = nullptr;
    refhost::RefRenderApi& api = host.renderApi();

    FogScene() {
        effector::effectorMan = &man;
        fog = static_cast<effector::FogEffector*>(man.getEffectorInstance(effector::EFFECTOR_FOG));
    }
    ~FogScene() { effector::effectorMan = nullptr; }

    // Camera height = position.y + base.y; the base alone is the drawing frame's origin.
    void placeCamera(double positionY, double baseY) {
        const double pos[4] = {0, positionY, 0, 1}, base[4] = {0, baseY, 0, 0};
        host.camera().setPosition(pos);
        host.camera().setBasePosition(base);
    }
    // Changes the fog description through f(desc).
    template <class F>
    void editDesc(F f) { effector::FOGDESC d = fog->getFogDesc(); f(d); fog->setFogDesc(&d); }
};

}  // namespace fogtest
