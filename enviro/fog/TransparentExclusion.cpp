#include "enviro/fog/TransparentExclusion.h"

#include <algorithm>
#include <cmath>

#include "enviro/effector/EffectorMan.h"
#include "enviro/effector/EffectorType.h"
#include "enviro/fog/FogEffector.h"
#include "enviro/host/CameraFrame.h"
#include "enviro/host/RenderApi.h"
#include "enviro/host/ShaderParams.h"
#include "enviro/shadows/PSMShadow.h"

namespace effector {

namespace {


constexpr float kMinSetting = 1.0f;
constexpr float kMaxSetting = 1000.0f;
// Below this overcast density there is no overcast layer to describe.
constexpr float kMinOvercastDensity = 0.001f;
// Height of an unused layer entry: far below anything a shader compares against.
constexpr float kNoLayerHeight = -10000.0f;

const char* const kCloudDepthName = "m_rtCloudDepth";
const char* const kCloudAlphaName = "m_rtCloudVol";

// A planar reflection or cube pass is being drawn while the user clip plane is switched on.
bool isReflectionPass() { return RendAPI::renderApi().isClipPlaneEnabled(); }

}  // namespace

TransparentExclusion::TransparentExclusion() : Effector(EFFECTOR_TRANSPARENTEXCLUSION) {}

TransparentExclusion::TransparentExclusion(const TransparentExclusion& other) = default;

TransparentExclusion& TransparentExclusion::operator=(const TransparentExclusion& other) = default;

TransparentExclusion::~TransparentExclusion() {}

float TransparentExclusion::getWeight(void* data, Math::Vector3f* pos, float) {
    const EXCLUSIONDESC* volume = static_cast<const EXCLUSIONDESC*>(data);
    if (!volume || !pos) return 0.0f;
    double dx = static_cast<double>(pos->x) - volume->vCenter.x;
    double dy = static_cast<double>(pos->y) - volume->vCenter.y;
    double dz = static_cast<double>(pos->z) - volume->vCenter.z;
    double d = std::sqrt(dx * dx + dy * dy + dz * dz);
    return d == 0.0 ? 1.0f : static_cast<float>(1.0 / d);
}

int TransparentExclusion::getDataSize() { return static_cast<int>(sizeof(EXCLUSIONDESC)); }

void TransparentExclusion::setVolumeAlt(float bottom, float height, float setting) {
    m_fVolumeBottom = bottom;
    m_fVolumeHeight = height;
    // NaN compares false both ways and would pass std::clamp; take it as the lower limit.
    const float limited = std::isnan(setting) ? kMinSetting : std::clamp(setting, kMinSetting, kMaxSetting);
    m_vSettings = Math::Vector4f(limited, 0.0f, 0.0f, 0.0f);
}

char TransparentExclusion::getVolumeCrossSign(float y, float radius) {
    const float bottom = m_fVolumeBottom - static_cast<float>(cam::drawingFrameOrigin().y);
    if (y - radius > m_fVolumeHeight + bottom) return 1;
    if (bottom > y + radius) return -1;
    return 0;
}

bool TransparentExclusion::isCrossCloudsVolume(float y, float radius) {
    if (!m_bEnabled || m_fVolumeHeight == 0.0f) return false;
    if (isReflectionPass() || !RendAPI::renderApi().findTexture(kCloudDepthName)) return false;

    cam::SMCamera* camera = cam::currentCamera();
    const float nearDistance = camera ? camera->getNear() : 0.0f;
    const char cameraSide = getVolumeCrossSign(cam::cameraDrawingPosition(camera).y, 2.0f * nearDistance);
    if (cameraSide == 0) return true;  // inside the slab: every object is behind cloud
    return getVolumeCrossSign(y, radius) != cameraSide;
}

void TransparentExclusion::getConstants(Math::Vector3f* pos, Math::Vector4f* layer, Math::Vector4f* params,
                                        short count) {
    if (!layer || !params || count <= 0) return;
    for (short i = 0; i < count; ++i) {
        layer[i].x = 0.0f;
        layer[i].y = kNoLayerHeight;
        layer[i].z = 0.0f;
        params[i].x = params[i].y = params[i].z = 1.0f;
    }
    if (!m_bEnabled) return;
    getOvercastLayer(layer);
    getNearestVolumes(pos, layer, params, count);
}

void TransparentExclusion::getOvercastLayer(Math::Vector4f* layer) {
    const FogEffector* fog = effectorInstance<const FogEffector>(EFFECTOR_FOG);
    if (!fog || !(fog->GetOvercastDensity() > kMinOvercastDensity)) return;

    const FOGDESC desc = fog->getFogDesc();
    const float bottom = desc.fLayerBottom, thickness = desc.fLayerThickness;
    const float middle = bottom + 0.5f * thickness;
    const float base = static_cast<float>(cam::drawingFrameOrigin().y);
    const float cameraHeight = static_cast<float>(cam::cameraWorldPosition().y);
    // The half of the layer on the camera's side: the lower half from below the middle.
    const float edge = middle > cameraHeight ? bottom : bottom + thickness;
    const float centre = (edge + middle) * 0.5f - base;
    const float halfDepth = (middle - base) - centre;
    if (halfDepth == 0.0f || !std::isfinite(halfDepth)) return;
    layer[0].y = centre;
    layer[0].x = 1.0f / halfDepth;
}

void TransparentExclusion::getNearestVolumes(Math::Vector3f* pos, Math::Vector4f* layer, Math::Vector4f* params,
                                             short count) {
    if (count < 2 || !effectorMan) return;
    // The manager's own list, nearest first; it keeps its storage between queries.
    EffectorMan::DataList* volumes = effectorMan->getWeightedEffectorList(pos, EFFECTOR_TRANSPARENTEXCLUSION, -1);
    if (!volumes) return;
    const int available = volumes->count();
    for (int i = 1; i < count && i - 1 < available; ++i) {
        const EXCLUSIONDESC* volume = static_cast<const EXCLUSIONDESC*>((*volumes)[i - 1]);
        if (!volume) continue;
        layer[i] = Math::Vector4f(volume->vCenter.x, volume->vCenter.y, volume->vCenter.z, 0.0f);
        params[i] = Math::Vector4f(volume->vParams.x, volume->vParams.y, volume->vParams.z, 0.0f);
    }
}

void TransparentExclusion::applyShader(graphics::Shader* shader, bool bind) {
    if (!m_pShadow) {
        Effector* instance = effectorInstance<Effector>(EFFECTOR_PSMSHADOW);
        if (instance && instance->getType() == EFFECTOR_PSMSHADOW) m_pShadow = static_cast<PSMShadow*>(instance);
    }
    if (!shader || isReflectionPass() || m_fVolumeHeight == 0.0f) return;
    if (!shader->getParameterByName(0, "g_tVolumeDepth")) return;

    if (!bind) {
        graphics::setShaderTexture(shader, "g_tVolumeDepth", nullptr);
        graphics::setShaderTexture(shader, "g_tVolumeAlpha", nullptr);
        return;
    }
    RendAPI::IRenderApi& api = RendAPI::renderApi();
    graphics::setShaderTexture(shader, "g_tVolumeDepth", api.findTexture(kCloudDepthName));
    graphics::setShaderTexture(shader, "g_tVolumeAlpha", api.findTexture(kCloudAlphaName));
    graphics::setShaderVector(shader, "g_vExVolumeSettings", m_vSettings);
    const Math::Vector4f rect = m_pShadow ? m_pShadow->getScreenRect() : Math::Vector4f(0.0f, 0.0f, 1.0f, 1.0f);
    graphics::setShaderVector(shader, "g_vExVolumeRect", rect);
}

}  // namespace effector
