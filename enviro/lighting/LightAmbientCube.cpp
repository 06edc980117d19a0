// The ambient cube: the host draws the scene around a point into the six faces of
// "cube_ambient_src" (each face optionally pre-filled with the day's ambient light); after the last
// face the source is blurred into "cube_ambient" by adding 16 rotated copies of it, each weighted
// 1/16, turned by -72 to +54 degrees in steps of 18 degrees about the X and the Z axis.
#include <cmath>
#include <cstring>

#include "enviro/effects/ReflectionEffector.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/host/CameraFrame.h"
#include "enviro/host/RenderClients.h"
#include "enviro/lighting/LightSource.h"

namespace effector {

namespace {

const char* const kAmbientCube = "cube_ambient";
const char* const kAmbientCubeSource = "cube_ambient_src";
constexpr int kLastFace = 5;
constexpr float kBlurStep = 0.31415927f;  // pi / 10
constexpr float kBlurScale = 10.0f;
constexpr float kNoPrefillFrom = 0.999f;
constexpr unsigned char kClearColorAndDepth = 3;
constexpr unsigned char kAllFlags = 0xFF;

ReflectionEffector* reflection() { return effectorInstance<ReflectionEffector>(EFFECTOR_REFLECTION); }

// Fills the face being drawn with the ambient colour, weighted by its fourth component, through
// the background client's blending mode "x"; the client's mode is put back afterwards.
void prefillFace(const Math::Vector4f& ambient) {
    renderBase::IBkgr* bkgr = renderBase::findClient<renderBase::IBkgr>();
    if (!bkgr) return;
    char savedMode[64] = "";
    if (const char* mode = bkgr->getMode()) std::strncpy(savedMode, mode, sizeof(savedMode) - 1);
    bkgr->setMode("x");
    bkgr->setColor(&ambient);
    bkgr->drawRect(0, 0, -1, -1, nullptr);
    bkgr->setMode(savedMode);
}

// The world matrix of one blurred copy: a rotation by angle about X (axis 0) or Z (axis 2), its
// upper three rows scaled by 10, translated to center.
Math::Matrix4f blurCopyMatrix(int axis, float angle, const Math::Vector3f& center) {
    const float c = std::cos(angle), s = std::sin(angle);
    Math::Matrix4f w = Math::Matrix4f::identity();
    if (axis == 0) {
        w(1, 1) = c; w(1, 2) = -s;
        w(2, 1) = s; w(2, 2) = c;
    } else {
        w(0, 0) = c; w(0, 1) = s;
        w(1, 0) = -s; w(1, 1) = c;
    }
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 4; ++col) w(r, col) *= kBlurScale;
    w(3, 0) = center.x;
    w(3, 1) = center.y;
    w(3, 2) = center.z;
    w(3, 3) = 1.0f;
    return w;
}

}  // namespace

bool LightSource::beginAmbientCube(const char* depthTarget, char face, Math::Vector3d* pos) {
    ReflectionEffector* cubePass = reflection();
    if (!m_bAmbientCube || !cubePass || cubePass->isCubePassOpen() || cubePass->isReflectionOpen()) return false;
    if (!RendAPI::renderApi().findTexture(kAmbientCube)) return false;
    m_nAmbientCubeFace = static_cast<signed char>(face);
    m_strAmbientCube = depthTarget ? depthTarget : "";
    cubePass->beginCubeTarget(kAmbientCubeSource, depthTarget, face, pos, kClearColorAndDepth);
    if (m_fAmbientCubeEffect < kNoPrefillFrom) {
        Math::Vector4f ambient;
        getDayLight(nullptr, nullptr, &ambient, 1.0f);
        ambient.w = 1.0f - m_fAmbientCubeEffect;
        prefillFace(ambient);
    }
    return true;
}

void LightSource::endAmbientCube() {
    ReflectionEffector* cubePass = reflection();
    if (!cubePass || !cubePass->isCubePassOpen() || !cubePass->getCurrentRenderCube()) return;
    if (cubePass->getCurrentRenderCube() != RendAPI::renderApi().findTexture(kAmbientCubeSource)) return;
    cubePass->endCubeTarget();
    const Math::Vector3f center = cam::cameraDrawingPosition();
    if (m_nAmbientCubeFace < kLastFace) return;
    for (int face = 0; face <= kLastFace; ++face) blurAmbientFace(face, center);
}

void LightSource::blurAmbientFace(int face, const Math::Vector3f& center) {
    static const Math::Vector4f kWeight(0.0625f, 0.0625f, 0.0625f, 0.0625f);
    ReflectionEffector* cubePass = reflection();
    cubePass->beginCubeTarget(kAmbientCube, nullptr, static_cast<char>(face), nullptr, kAllFlags);
    RendAPI::renderApi().clearColor(0.0f, 0.0f, 0.0f, 0.0f);
    renderBase::ISysBackCube* cubeClient = renderBase::findClient<renderBase::ISysBackCube>();
    RendAPI::ITexture* source = RendAPI::renderApi().findTexture(kAmbientCubeSource);
    for (int axis : {0, 2}) {
        for (int k = -4; k < 4; ++k) {
            const Math::Matrix4f world = blurCopyMatrix(axis, k * kBlurStep, center);
            if (cubeClient) cubeClient->drawCube(source, &kWeight, &world, 1);
        }
    }
    cubePass->endCubeTarget();
}

RendAPI::ITexture* LightSource::getAmbientCube(bool src) {
    if (!m_bAmbientCube) return nullptr;
    return RendAPI::renderApi().findTexture(src ? kAmbientCubeSource : kAmbientCube);
}

}  // namespace effector
