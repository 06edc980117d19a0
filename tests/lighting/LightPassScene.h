#pragma once
// A reference-host scene for the light passes: a 1280 x 720 screen with its screen-depth set
// (normals, depth) handed to the shadow effector, a light set of 16-texel tiles (80 x 45 tiles,
// 32 list layers), and helpers that add lights in front of the camera.
#include <cstring>
#include <string>

#include "enviro/effector/EffectorMan.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/lighting/SLightsTextures.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/shadows/SSDTextures.h"
#include "refhost/ReferenceHost.h"

namespace light_test {

using namespace effector;

inline LIGHTDESC makeLight(signed char type, Math::Vector3f pos, Math::Vector4f color, float range = 50.0f) {
    LIGHTDESC l;
    std::memset(&l, 0, sizeof(l));
    l.type = type;
    l.vPos = pos;
    l.vColor = color;
    l.vDir = Math::Vector4f(0.0f, 0.0f, -1.0f, 0.0f);
    l.fMaxRadius = range;
    l.fAttenK = 9.0f / (range * range);
    l.fConeAngle = 0.5f;
    return l;
}

// Installs the host on construction, so that a manager declared after it creates its targets.
struct InstalledHost : refhost::ReferenceHost {
    InstalledHost() { install(); }
};

struct LightPassScene {
    static constexpr int kWidth = 1280, kHeight = 720, kTile = 16, kTilesX = 80, kTilesY = 45;

    InstalledHost host;
    EffectorMan man;
    LightSource* lights = nullptr;
    PSMShadow* shadow = nullptr;
    SSDTextures screen;
    SLightsTextures set;

    LightPassScene() {
        effectorMan = &man;
        lights = static_cast<LightSource*>(man.getEffectorInstance(EFFECTOR_LIGHT));
        shadow = static_cast<PSMShadow*>(man.getEffectorInstance(EFFECTOR_PSMSHADOW));
        screen.init(kWidth, kHeight, false);
        shadow->setScreenDepthSrc(&screen);
        set.init(kWidth, kHeight, kTile, 32);
        lights->setLightsSrc(&set);
        host.renderApi().setViewport(0, 0, kWidth, kHeight);
    }
    ~LightPassScene() {
        // The instances are gone when a test closed the manager.
        if (man.getEffectorInstance(EFFECTOR_LIGHT)) lights->setLightsSrc(nullptr);
        if (man.getEffectorInstance(EFFECTOR_PSMSHADOW)) shadow->setScreenDepthSrc(nullptr);
        set.uninit();
        screen.uninit();
        effectorMan = nullptr;
    }

    // count point lights in front of the camera, nearer ones brighter (so the weighted order is
    // the order of adding).
    void addPointLights(int count) {
        for (int i = 0; i < count; ++i) {
            LIGHTDESC l = makeLight(LIGHT_POINT, Math::Vector3f(float(i % 10), 0.0f, 5.0f + float(i)),
                                    Math::Vector4f(2.0f - 0.001f * i, 1.0f, 1.0f, 1.0f));
            man.addLight(&l);
        }
    }
    std::string name(RendAPI::ITexture* t) const { return t ? t->getName() : ""; }
};

}  // namespace light_test
