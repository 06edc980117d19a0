// enviro-info: starts the module on the reference host, as a host program would, and prints what it
// holds: the effector kinds and their record sizes, a light stored and queried back, and the render
// objects the module created.
#include <cstdio>
#include <string>

#include "enviro/Enviro.h"
#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/sky/Sky.h"
#include "refhost/ReferenceHost.h"

namespace {

const char* kindName(int kind) {
    switch (kind) {
        case effector::EFFECTOR_LIGHT: return "light";
        case effector::EFFECTOR_PSMSHADOW: return "shadow map";
        case effector::EFFECTOR_SHADOWCASTER: return "shadow caster";
        case effector::EFFECTOR_FOG: return "fog";
        case effector::EFFECTOR_REFLECTION: return "reflection";
        case effector::EFFECTOR_SKIN: return "skin";
        case effector::EFFECTOR_TRANSPARENTEXCLUSION: return "transparent exclusion";
        case effector::EFFECTOR_KINEMATIC: return "velocity field";
        default: return "?";
    }
}

void printKinds(effector::EffectorMan& man) {
    std::printf("Effector kinds:\n");
    for (int kind = 1; kind <= 9; ++kind) {
        effector::Effector* e = man.getEffectorInstance(static_cast<effector::EFFECTOR_TYPE>(kind));
        if (e) std::printf("  %d  %-22s record size %3d bytes\n", kind, kindName(kind), e->getDataSize());
    }
}

effector::LIGHTDESC pointLight(float x, float y, float z, float r, float g, float b) {
    effector::LIGHTDESC light{};
    light.type = effector::LIGHT_POINT;
    light.vPos = Math::Vector3f(x, y, z);
    light.vColor = Math::Vector4f(r, g, b, 1.0f);
    effector::LightSource::fillAttenMaxRad(&light);
    effector::LightSource::fillAttenKMaxRad(&light);
    return light;
}

void demoLights(effector::EffectorMan& man) {
    effector::LIGHTDESC sun{};
    sun.type = effector::LIGHT_DIRECTIONAL;
    sun.vPos = Math::Vector3f(0.0f, -1.0f, 0.0f);
    sun.vColor = Math::Vector4f(1.0f, 0.95f, 0.9f, 0.0f);
    effector::LIGHTDESC lamp = pointLight(0.0f, 2.0f, 0.0f, 2.0f, 1.5f, 1.0f);
    effector::LIGHTDESC torch = pointLight(30.0f, 1.0f, 0.0f, 1.0f, 0.5f, 0.2f);
    const int sunId = man.addLight(&sun);
    const int lampId = man.addLight(&lamp);
    const int torchId = man.addLight(&torch);
    std::printf("\nLights stored: sun id %d, lamp id %d, torch id %d\n", sunId, lampId, torchId);
    std::printf("  lamp range %.1f, attenuation %.6f\n", lamp.fMaxRadius, lamp.fAttenK);

    Math::Vector3f at(5.0f, 0.0f, 0.0f);
    auto* list = man.getWeightedEffectorList(&at, effector::EFFECTOR_LIGHT, 1);
    std::printf("Lights around (5, 0, 0), highest weight first:\n");
    for (int i = 0; i < list->count(); ++i) {
        auto* l = static_cast<effector::LIGHTDESC*>((*list)[i]);
        Math::Vector3f p = l->vPos;
        float w = man.getEffectorInstance(effector::EFFECTOR_LIGHT)->getWeight(l, &at, 1.0f);
        std::printf("  type %d at (%.1f, %.1f, %.1f) weight %.3f\n", l->type, p.x, p.y, p.z, w);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string dataRoot = argc > 1 ? argv[1] : "data";
    refhost::ReferenceHost host(dataRoot);
    host.install();
    enviro::onProcessAttach();
    createEnviro();
    if (!effector::effectorMan) {
        std::fprintf(stderr, "enviro-info: the effector manager could not be created\n");
        return 1;
    }
    std::printf("enviro on the reference host (data root \"%s\")\n", dataRoot.c_str());
    std::printf("Sky %s, astronomy manager %s\n\n", enviro::sky ? "created" : "missing",
                g_AstroManager ? "created" : "missing");
    printKinds(*effector::effectorMan);
    demoLights(*effector::effectorMan);
    std::printf("\nRender objects alive in the reference host: %d\n", host.renderApi().liveObjectCount());

    effector::effectorMan->close();
    delete effector::effectorMan;
    effector::effectorMan = nullptr;
    enviro::onProcessDetach();
    std::printf("After shut-down: %zu leaked render objects, %d protocol errors\n",
                host.renderApi().leakedObjects().size(), host.renderApi().protocolErrors());
    host.uninstall();
    return 0;
}
