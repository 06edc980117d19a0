#pragma once
// The module's effectors on the shared GL host, with a small screen: the screen-depth set handed to
// the shadow effector, a light set, and the camera looking along +z from the drawing frame's
// origin. Helpers write screen targets directly (as a scene pass would) and read targets back.
#include <epoxy/gl.h>

#include <vector>

#include "GlTestHost.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/lighting/SLightsTextures.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/shadows/SSDTextures.h"

namespace glhost::test {

struct GlEffectScene {
    // The host is made (and installed) before the manager, whose effectors create targets.
    struct HostFirst {
        HostFirst() { host(); }
    } hostFirst;
    int width, height;
    effector::EffectorMan man;
    effector::LightSource* lights;
    effector::PSMShadow* shadow;
    effector::SSDTextures screen;
    effector::SLightsTextures set;

    GlEffectScene(int w, int h, int tileSize = 16, int listLayers = 256, float fovY = 1.0f) : width(w), height(h) {
        effector::effectorMan = &man;
        lights = effector::effectorInstance<effector::LightSource>(effector::EFFECTOR_LIGHT);
        shadow = effector::effectorInstance<effector::PSMShadow>(effector::EFFECTOR_PSMSHADOW);
        screen.init(short(w), short(h), true);
        shadow->setScreenDepthSrc(&screen);
        set.init(short(w), short(h), short(tileSize), short(listLayers));
        lights->setLightsSrc(&set);
        refhost::RefCamera& camera = host().camera();
        camera.setState(refhost::RefCamera().state());
        camera.setFov(fovY);
        camera.setAspect(float(w) / float(h));
        camera.setNear(0.5);
        camera.setFar(2000.0);
        host().renderApi().setViewport(0, 0, w, h);
    }
    ~GlEffectScene() {
        lights->setLightsSrc(nullptr);
        shadow->setScreenDepthSrc(nullptr);
        set.uninit();
        screen.uninit();
        man.close();
        effector::effectorMan = nullptr;
    }

    static RendAPI::ITexture* object(graphics::RenderTarget* wrapper) { return wrapper ? wrapper->get() : nullptr; }
    // Writes rgba texels (rows from the top) into a target of the host.
    static void upload(RendAPI::ITexture* target, const std::vector<float>& rgba) {
        glTextureSubImage2D(host().renderApi().glTextureOf(target, false), 0, 0, 0, target->getWidth(),
                            target->getHeight(), GL_RGBA, GL_FLOAT, rgba.data());
    }
    static std::vector<float> read(RendAPI::ITexture* target) { return host().renderApi().readTexels(target); }
};

}  // namespace glhost::test
