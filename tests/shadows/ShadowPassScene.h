#pragma once
// The reference-host scene of the shadow passes: textures of at most 256 texels, the manager's shadow
// effector (quality 4 with the light-depth atlas, enabled) and light effector, a camera with
// values a pass must give back, and helpers that add lights and casters.
#include <cmath>
#include <string>

#include "enviro/effector/EffectorMan.h"
#include "enviro/host/Math3D.h"
#include "enviro/effects/ShadowCasterDesc.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/shadows/PSMShadow.h"
#include "refhost/RefModel.h"
#include "refhost/ReferenceHost.h"

namespace shadow_test {

using namespace effector;

// Installs the host, with textures of at most 256 texels, on construction, so that a manager
// declared after it creates its targets.
struct InstalledHost : refhost::ReferenceHost {
    InstalledHost() { install(), renderApi().setMaxTextureSize(256, 256); }
};

// "w x h / format" of the target of that name while something besides the registry holds it.
inline std::string held(refhost::RefRenderApi& api, const char* name) {
    RendAPI::ITexture* t = api.find(name);
    if (!t || api.refCount(name) < 2) return "none";
    return std::to_string(t->getWidth()) + "x" + std::to_string(t->getHeight()) + "/" + std::to_string(t->getFormat());
}

struct ShadowPassScene {
    InstalledHost host;
    EffectorMan man;
    PSMShadow* shadow = static_cast<PSMShadow*>(man.getEffectorInstance(EFFECTOR_PSMSHADOW));
    LightSource* lights = static_cast<LightSource*>(man.getEffectorInstance(EFFECTOR_LIGHT));
    refhost::RefModel box, other;
    refhost::RefModelInstance instance;

    ShadowPassScene() {
        effectorMan = &man;
        shadow->initShadows(4, 2);
        shadow->enable(true);
        refhost::RefCamera& camera = host.camera();  // 10 above the ground, looking along +z
        camera.setFov(1.0f);
        camera.setAspect(1.5f);
        camera.setNear(0.5);
        camera.setFar(3000.0);
        const double position[4] = {3.0, 10.0, -4.0, 1.0}, base[4] = {100.0, 0.0, 200.0, 0.0};
        camera.setPosition(position);
        camera.setBasePosition(base);
        camera.setShadowPassFlag(7);
        box.setBox(Math::Vector3f(-2, -2, -2), Math::Vector3f(2, 2, 2));
        other.setBox(Math::Vector3f(-2, -2, -2), Math::Vector3f(2, 2, 2));
    }
    ~ShadowPassScene() { shadow->uninitShadows(), effectorMan = nullptr; }

    void addLight(signed char type, const Math::Vector3f& dir) {
        LIGHTDESC light{0, type, 0, dir, Math::Vector4f(1, 1, 1, 1), Math::Vector4f(0, 0, 0, 0), 0, 0, 0, 0, 0, 0};
        man.addLight(&light);
    }
    // A caster at (x, y, z) of the rendering frame; returns its id.
    int addCaster(refhost::RefModel* model, float x, float y, float z, unsigned char noInstance = 0, unsigned char inShadow = 0) {
        SHADOWCASTERDESC c{};
        c.pModel = model, c.pInstance = noInstance ? nullptr : &instance, c.bNoInstance = noInstance, c.bInShadow = inShadow;
        c.mWorld = Math::Matrix4f{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {x, y, z, 1}}};
        return man.addEffectorData(EFFECTOR_SHADOWCASTER, &c, sizeof(c), 1);
    }
    SHADOWCASTERDESC* caster(int id) { return static_cast<SHADOWCASTERDESC*>(man.getEffectorData(EFFECTOR_SHADOWCASTER, id)); }
    std::string held(const char* name) { return shadow_test::held(host.renderApi(), name); }
    // Is a times b the identity (within rounding)?
    static bool inverses(const Math::Matrix4f& a, const Math::Matrix4f& b) {
        Math::Matrix4f product;
        Math::multiply(&product, &a, &b);
        for (int i = 0; i < 16; ++i)
            if (std::fabs(product.m[i / 4][i % 4] - (i % 5 ? 0.0f : 1.0f)) > 1e-3f) return false;
        return true;
    }
    // Target or depth-surface pushes left open, and protocol errors.
    int unbalanced() {
        refhost::RefRenderApi& api = host.renderApi();
        return api.protocolErrors() + api.renderTargetDepth() + api.depthSurfaceDepth();
    }
};

}  // namespace shadow_test
