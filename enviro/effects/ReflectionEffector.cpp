// The reflection effector: construction, configuration, targets, copies and settings.
#include "enviro/effects/ReflectionEffector.h"

#include <cstring>

#include "enviro/effector/EffectorType.h"
#include "enviro/host/CountedRef.h"
#include "enviro/host/CommonServices.h"

namespace effector {

using RendAPI::dropCounted;
using RendAPI::holdCounted;

// The first block named "graphics" among the file's top-level entries holds the setting;
// plain keys are skipped whatever their name.
int readReflectionQuality() {
    CFGREADER config("startup.cfg", true, false);
    int quality = 0;
    for (int i = 0; i < config.GetLoadedCount(); ++i) {
        if (config.GetBlockID(i, "key")) continue;
        if (std::strcmp(config.GetEntryName(i), "graphics") != 0) continue;
        config.GetBlock(i)->GetVarInt(&quality, "reflection", 0);
        break;
    }
    return quality;
}

ReflectionEffector::ReflectionEffector() : Effector(EFFECTOR_REFLECTION) {
    m_mSavedRotation.set(0.0f);
    createTargets(readReflectionQuality());
}

ReflectionEffector::ReflectionEffector(const ReflectionEffector& other) : Effector(other) { copyFrom(other); }

ReflectionEffector& ReflectionEffector::operator=(const ReflectionEffector& other) {
    if (this != &other) {
        Effector::operator=(other);
        copyFrom(other);
    }
    return *this;
}

ReflectionEffector::~ReflectionEffector() {
    dropCounted(m_pDepth);
    dropCounted(m_prtColor);
}

void ReflectionEffector::copyFrom(const ReflectionEffector& other) {
    m_vPlaneOrigin = other.m_vPlaneOrigin;
    m_vPlaneNormal = other.m_vPlaneNormal;
    m_fReflectionRange = other.m_fReflectionRange;
    m_mSavedRotation = other.m_mSavedRotation;
    m_pCamera = other.m_pCamera;
    holdCounted(m_prtColor, other.m_prtColor);
    holdCounted(m_pDepth, other.m_pDepth);
    m_pCurrentCube = other.m_pCurrentCube;
}

void ReflectionEffector::createTargets(int quality) {
    const int width = 512, height = quality >= 2 ? 512 : 256;
    RendAPI::IRenderApi& api = RendAPI::renderApi();
    holdCounted(m_prtColor, api.createRenderTarget("reflection_color", width, height, RendAPI::FMT_X8R8G8B8, 1));
    holdCounted(m_pDepth, api.createDepthSurface("reflection_depth", width, height, RendAPI::FMT_D16, 0));
    m_pCurrentCube = nullptr;
}

void ReflectionEffector::setReflectionPlane(Math::Vector3d* origin, Math::Vector3f* normal) {
    if (origin) m_vPlaneOrigin = *origin;
    if (normal) m_vPlaneNormal = Math::normalizeOrKeep(*normal);
}

// NaN counts as below 1.0.
void ReflectionEffector::setReflectionRange(float r) { m_fReflectionRange = r >= 1.0f ? r : 1.0f; }

}  // namespace effector
