#pragma once
// The one reference-host scene of the lighting tests: a 1280 x 720 screen (the camera at the
// origin looking along +z, fov pi/3, aspect 16/9) with its screen-depth set handed to the shadow
// effector, a light set of 16-texel tiles (80 x 45 tiles, 32 list layers), and helpers that add
// lights and read the manager's active records back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "enviro/effector/EffectorMan.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/lighting/SLightsTextures.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/shadows/SSDTextures.h"
#include "refhost/ReferenceHost.h"

namespace light_test {

using namespace effector;

// A light with the coefficient of its range, shining along -z, half-angle 0.5 (for spots).
inline LIGHTDESC makeLight(signed char type, Math::Vector3f pos, Math::Vector4f color, float range = 50.0f) {
    return LIGHTDESC{0, type, 0, pos, color, Math::Vector4f(0, 0, -1, 0), 9.0f / (range * range), range, 0.5f, 0, 0, 0};
}

inline void expectNear(const Math::Vector4f& a, const Math::Vector4f& b) {
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(a[i], b[i], 1e-6f) << "component " << i;
}

// Installs the host on construction, so that a manager declared after it creates its targets.
struct InstalledHost : refhost::ReferenceHost { InstalledHost() { install(); } };

struct LightPassScene {
    static constexpr int kWidth = 1280, kHeight = 720, kTile = 16, kTilesX = 80, kTilesY = 45;

    InstalledHost host;
    EffectorMan man;
    LightSource* lights = static_cast<LightSource*>(man.getEffectorInstance(EFFECTOR_LIGHT));
    PSMShadow* shadow = static_cast<PSMShadow*>(man.getEffectorInstance(EFFECTOR_PSMSHADOW));
    SSDTextures screen;
    SLightsTextures set;

    LightPassScene() {
        effectorMan = &man;
        lights->optimize(0, false);  // the fade table is module-wide: forget the ids of other tests
        screen.init(kWidth, kHeight, false);
        shadow->setScreenDepthSrc(&screen);
        set.init(kWidth, kHeight, kTile, 32);
        lights->setLightsSrc(&set);
        host.renderApi().setViewport(0, 0, kWidth, kHeight);
    }
    ~LightPassScene() { lights->setLightsSrc(nullptr), shadow->setScreenDepthSrc(nullptr), screen.uninit(), effectorMan = nullptr; }

    // The spot lights' shadow atlas, as the shadow effector makes it at light-depth quality 2.
    void addAtlas() { host.renderApi().createRenderTarget("m_rtLightsDepth", 1024, 512, 114, 1); }
    // count point lights in front of the camera, nearer ones brighter (so the weighted order is
    // the order of adding).
    void addPointLights(int count) {
        for (int i = 0; i < count; ++i) {
            LIGHTDESC l = makeLight(LIGHT_POINT, Math::Vector3f(float(i % 10), 0, 5.0f + i), Math::Vector4f(2.0f - 0.001f * i, 1, 1, 1));
            man.addLight(&l);
        }
    }
    // A frame's lights: the last frame's records go, these are stored.
    void setLights(const std::vector<LIGHTDESC>& list) {
        man.flush(EFFECTOR_LIGHT, 0);
        for (LIGHTDESC l : list) man.addLight(&l);
    }
    // The manager's active light records in storage order.
    std::vector<LIGHTDESC*> records() {
        EffectorMan::DataList& list = *man.getEffectorDataList(EFFECTOR_LIGHT, 1, nullptr, 0);
        std::vector<LIGHTDESC*> out;
        for (int i = 0; i < list.count(); ++i) out.push_back(static_cast<LIGHTDESC*>(list[i]));
        return out;
    }
    std::string name(RendAPI::ITexture* t) const { return t ? t->getName() : ""; }
};

}  // namespace light_test
