// The fog effector's cloud targets: the screen-sized cloud colour, depth and shadow-volume
// targets, the top-down cloud-shadow pass into "cld_shadows" and the matrix that looks it up.
#include <algorithm>
#include <cmath>

#include "enviro/effector/EffectorMan.h"
#include "enviro/fog/FogEffector.h"
#include "enviro/host/CameraFrame.h"
#include "enviro/host/CountedRef.h"
#include "enviro/host/Math3D.h"
#include "enviro/lighting/LightSource.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/shadows/SSDTextures.h"

namespace effector {

using RendAPI::dropCounted;
using RendAPI::holdCounted;

namespace {

constexpr int kDefaultCloudSize = 256;
constexpr int kMaxCloudLevel = 2;             // full screen size
constexpr double kShadowCamHeight = 5000.0;   // above the cloud layer, inside the depth range
constexpr float kShadowNear = 1.0f;
constexpr float kShadowFar = 10000.0f;
constexpr double kShadowRollAngle = -1.5707963705062866;  // -pi/2 (single-precision pi/2)
constexpr double kShadowYawAngle = 4.71238899230957;      // 3pi/2
constexpr float kMinLightHeight = 0.1f;  // |y| of the light direction counts as at least this
constexpr float kMaxShadowSlant = 3.0f;  // horizontal units per unit of height

// The shadow effector's screen depth set, or null.
const SSDTextures* screenDepthSet() {
    PSMShadow* shadow = effectorInstance<PSMShadow>(EFFECTOR_PSMSHADOW);
    return shadow ? shadow->getScreenDepthSrc() : nullptr;
}

// The set's screen depth target, or null.
const RendAPI::ITexture* screenDepthTarget(const SSDTextures* set) {
    return set && set->m_prtScreenDepth ? set->m_prtScreenDepth->get() : nullptr;
}

Math::Matrix4f rotationXY(double angle) {
    Math::Matrix4f m = Math::Matrix4f::identity();
    m(0, 0) = static_cast<float>(std::cos(angle));
    m(0, 1) = static_cast<float>(std::sin(angle));
    m(1, 0) = static_cast<float>(-std::sin(angle));
    m(1, 1) = static_cast<float>(std::cos(angle));
    return m;
}

Math::Matrix4f rotationXZ(double angle) {
    Math::Matrix4f m = Math::Matrix4f::identity();
    m(0, 0) = static_cast<float>(std::cos(angle));
    m(0, 2) = static_cast<float>(std::sin(angle));
    m(2, 0) = static_cast<float>(-std::sin(angle));
    m(2, 2) = static_cast<float>(std::cos(angle));
    return m;
}

// Rows forward, up, right = (0, -1, 0), (0, 0, -1), (1, 0, 0): looking straight down, with +x
// to the right and +z toward the top of the image.
Math::Matrix4f lookingDown() {
    const Math::Matrix4f roll = rotationXY(kShadowRollAngle);
    const Math::Matrix4f yaw = rotationXZ(kShadowYawAngle);
    Math::Matrix4f out;
    Math::multiply(&out, &roll, &yaw);
    return out;
}

Math::Matrix4f translation(float x, float y, float z) {
    Math::Matrix4f m = Math::Matrix4f::identity();
    m(3, 0) = x;
    m(3, 1) = y;
    m(3, 2) = z;
    return m;
}

// The direction along which cloud shadows fall, as (horizontal per unit of height, -1,
// horizontal per unit of height), from the day light (straight down without a light effector).
Math::Vector3f cloudShadowSlant() {
    Math::Vector3f d(0.0f, -1.0f, 0.0f);
    if (LightSource* lights = effectorInstance<LightSource>(EFFECTOR_LIGHT)) lights->getDayLight(&d, nullptr, nullptr, 1.0f);
    const float m = std::max(std::fabs(d.y), kMinLightHeight);
    Math::Vector3f slant(d.x / m, -1.0f, d.z / m);
    const float length = std::sqrt(slant.x * slant.x + slant.z * slant.z);
    if (length > kMaxShadowSlant) {
        const float scale = kMaxShadowSlant / length;
        slant.x *= scale;
        slant.z *= scale;
    }
    return slant;
}

// The corner of the shadow-map grid cell of size s that holds the coordinate (toward zero).
double gridCorner(double coordinate, double s) { return std::trunc(coordinate / s) * s; }

}  // namespace

// ---- screen-sized cloud targets ----

void FogEffector::initCloudsRT(short level) {
    const SSDTextures* set = screenDepthSet();
    int width = kDefaultCloudSize, height = kDefaultCloudSize;
    if (const RendAPI::ITexture* depth = screenDepthTarget(set)) {
        const int shift = kMaxCloudLevel - std::min(std::max<int>(level, 0), kMaxCloudLevel);
        width = std::max(depth->getWidth() >> shift, 1);
        height = std::max(depth->getHeight() >> shift, 1);
    }
    if (m_rtCloudVol && m_rtCloudVol->getWidth() == width && m_rtCloudVol->getHeight() == height) return;

    RendAPI::IRenderApi& api = RendAPI::renderApi();
    dropCounted(m_rtCloudVol);
    holdCounted(m_rtCloudVol, api.createRenderTarget("m_rtCloudVol", width, height, RendAPI::FMT_A8R8G8B8, 1));
    dropCounted(m_rtCloudDepth);
    holdCounted(m_rtCloudDepth, api.createRenderTarget("m_rtCloudDepth", width, height, RendAPI::FMT_R16F, 1));
    dropCounted(m_rtCloudShadowVol);
    holdCounted(m_rtCloudShadowVol,
                api.createRenderTarget("m_rtCloudShadowVol", width, height, RendAPI::FMT_A8R8G8B8, 1));

    // Half a cloud texel, and the used part of the screen rounded to whole cloud texels.
    const Math::Vector4f rect = set ? set->m_vRect : Math::Vector4f(0.0f, 0.0f, 1.0f, 1.0f);
    const float w = static_cast<float>(width), h = static_cast<float>(height);
    m_vScreenRect = Math::Vector4f(0.5f / w, 0.5f / h, std::floor(rect.z * w + 0.5f) / w,
                                   std::floor(rect.w * h + 0.5f) / h);
}

void FogEffector::clearCloudsRT() {
    RendAPI::IRenderApi& api = RendAPI::renderApi();
    for (RendAPI::IRenderTarget* target : {m_rtCloudVol, m_rtCloudDepth}) {
        if (!target) continue;
        api.setRenderTargets(target, nullptr, nullptr);
        api.clearColor(0.0f, 0.0f, 0.0f, 0.0f);
        api.resetRenderTarget();
    }
}

void FogEffector::uninitCloudsRT() {
    dropCounted(m_rtCloudVol);
    dropCounted(m_rtCloudShadowVol);
    dropCounted(m_rtCloudDepth);
}

// ---- the cloud-shadow pass ----

void FogEffector::beginShadowsRT(float size) {
    if (m_bShadowsRTOpen) return;
    m_bShadowsRTOpen = true;
    m_fShadowSize = size;
    if (cam::SMCamera* camera = cam::currentCamera()) {
        camera->getBasePosition(m_vSavedCamBase);
        camera->getPosition(m_vSavedCamPos);
        m_mSavedCamRot = camera->getOrientation();

        Math::Matrix4f projection;
        _3DMath::matrixOrthoLH(size, size, kShadowNear, kShadowFar, &projection);
        const Math::Matrix4f orientation = lookingDown();
        const double zeroBase[4] = {0.0, 0.0, 0.0, 0.0};
        const double half = static_cast<double>(size) * 0.5;
        const double above[4] = {half, kShadowCamHeight, half, 1.0};
        camera->setBasePosition(zeroBase);
        camera->overrideProjection(true, &projection);
        camera->setOrientation(&orientation);
        camera->setPosition(above);
    }

    RendAPI::IRenderApi& api = RendAPI::renderApi();
    api.setRenderTargets(m_rtCloudShadows, nullptr, nullptr);
    api.setDepthSurface(static_cast<RendAPI::ITexture*>(nullptr));
    api.clearColor(1.0f, 1.0f, 1.0f, 1.0f);
}

void FogEffector::endShadowsRT() {
    if (!m_bShadowsRTOpen) return;
    m_bShadowsRTOpen = false;
    if (cam::SMCamera* camera = cam::currentCamera()) {
        camera->overrideProjection(false, nullptr);
        camera->setBasePosition(m_vSavedCamBase);
        camera->setOrientation(&m_mSavedCamRot);
        camera->setPosition(m_vSavedCamPos);
    }
    RendAPI::IRenderApi& api = RendAPI::renderApi();
    api.resetRenderTarget();
    api.resetDepthSurface();
}

// ---- the cloud-shadow matrix ----

void FogEffector::updateShadowMatrix(float offsetX, float offsetZ) {
    const float s = m_fShadowSize;
    if (s == 0.0f || !std::isfinite(s)) return;  // no shadow pass yet: nothing to look up

    const Math::Vector3d base = cam::drawingFrameOrigin();
    const float h = m_fogDesc.fLayerBottom - static_cast<float>(base.y);
    const Math::Vector3f slant = cloudShadowSlant();

    // Into the square: from the drawing frame to the snapped grid corner, less the cloud offsets,
    // then divided by the square's size.
    const float ox = static_cast<float>(gridCorner(base.x, s) - base.x);
    const float oz = static_cast<float>(gridCorner(base.z, s) - base.z);
    Math::Matrix4f scale = Math::Matrix4f::identity();
    scale(0, 0) = s;
    scale(2, 2) = s;
    Math::Matrix4f unscale;
    _3DMath::matrixInverse(&unscale, nullptr, &scale);
    const Math::Matrix4f shift = translation(-ox - offsetX, 0.0f, -oz - offsetZ);
    Math::Matrix4f toSquare;
    Math::multiply(&toSquare, &shift, &unscale);

    // Along the light to the plane y = h: a shear about that plane.
    Math::Matrix4f shear = Math::Matrix4f::identity();
    shear(1, 0) = slant.x;
    shear(1, 2) = slant.z;
    const Math::Matrix4f down = translation(0.0f, -h, 0.0f);
    const Math::Matrix4f up = translation(0.0f, h, 0.0f);
    Math::Matrix4f toPlane;
    Math::multiply(&toPlane, &down, &shear);
    Math::multiply(&toPlane, &toPlane, &up);

    Math::multiply(&m_mCloudShadow, &toPlane, &toSquare);
}

}  // namespace effector
