#pragma once
// Records shared by the effector manager's tests: casters carry a tag in the first element of
// their world matrix, lights one in dwLightId.
#include <cstring>
#include <vector>

#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/ShadowCasterDesc.h"
#include "enviro/lighting/LightDesc.h"

namespace effector_test {

using namespace effector;

inline LIGHTDESC makeLight(signed char type, Math::Vector3f pos, float brightest, float maxRadius, unsigned tag = 0) {
    LIGHTDESC light;
    std::memset(&light, 0, sizeof(light));
    light.dwLightId = tag;
    light.type = type;
    light.vPos = pos;
    light.vColor = Math::Vector4f(brightest, brightest * 0.5f, 0.0f, 1.0f);
    light.fMaxRadius = maxRadius;
    return light;
}

inline int addCaster(EffectorMan& man, int tag, int state = 1) {
    SHADOWCASTERDESC caster;
    std::memset(&caster, 0, sizeof(caster));
    caster.mWorld.set(static_cast<float>(tag));
    return man.addEffectorData(EFFECTOR_SHADOWCASTER, &caster, sizeof(caster), state);
}

inline int tagOf(const void* caster) { return static_cast<int>(static_cast<const SHADOWCASTERDESC*>(caster)->mWorld.m[0][0]); }

// The tags of a list's casters, or of its lights.
inline std::vector<int> tags(const EffectorMan::DataList* list, bool lights = false) {
    std::vector<int> out;
    for (int i = 0; i < list->count(); ++i)
        out.push_back(lights ? int(static_cast<const LIGHTDESC*>((*list)[i])->dwLightId) : tagOf((*list)[i]));
    return out;
}

// The casters of a state (every caster for a negative state), in storage order.
inline std::vector<int> casterTags(EffectorMan& man, int state = -1) {
    return tags(man.getEffectorDataList(EFFECTOR_SHADOWCASTER, state, nullptr, 0));
}

}  // namespace effector_test
