// The day's light as the stored light records describe it: the sun's direction and colour and
// the ambient colour, with the directional part split between direct and ambient light.
#include "enviro/effector/EffectorMan.h"
#include "enviro/lighting/LightSource.h"

namespace effector {

namespace {

// The first ambient and directional records of the weighted list around the origin (every
// state). The walk stops after two matches, so with the default weights it sees the ambient
// record and the brightest directional light.
void readDayLightRecords(Math::Vector3f* dir, Math::Vector4f* color, Math::Vector4f* ambient) {
    if (!effectorMan) return;
    Math::Vector3f origin(0.0f, 0.0f, 0.0f);
    EffectorMan::DataList* list = effectorMan->getWeightedEffectorList(&origin, EFFECTOR_LIGHT, -1);
    if (!list) return;
    int matches = 0;
    for (int i = 0; i < list->count() && matches < 2; ++i) {
        const LIGHTDESC* light = static_cast<const LIGHTDESC*>((*list)[i]);
        if (!light) continue;
        if (light->type == LIGHT_DIRECTIONAL) {
            *color = Math::Vector4f(light->vColor.x, light->vColor.y, light->vColor.z, 1.0f);
            *dir = light->vPos;
            ++matches;
        } else if (light->type == LIGHT_AMBIENT) {
            *ambient = light->vColor;
            ++matches;
        }
    }
}

}  // namespace

void LightSource::getDayLight(Math::Vector3f* dir, Math::Vector4f* color, Math::Vector4f* ambient, float direct) {
    Math::Vector3f scratchDir;
    Math::Vector4f scratchColor, scratchAmbient;
    if (!dir) dir = &scratchDir;
    if (!color) color = &scratchColor;
    if (!ambient) ambient = &scratchAmbient;

    *color = Math::Vector4f(0.0f, 0.0f, 0.0f, 0.0f);
    *ambient = Math::Vector4f(0.0f, 0.0f, 0.0f, 0.0f);
    *dir = Math::Vector3f(0.0f, -1.0f, 0.0f);
    readDayLightRecords(dir, color, ambient);

    // What is not direct light goes to the ambient light (the same split as the screen-space
    // light binding).
    *ambient = *ambient + *color * (1.0f - direct);
    *color = *color * direct;
}

}  // namespace effector
