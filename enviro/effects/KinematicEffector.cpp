#include "enviro/effects/KinematicEffector.h"

#include <cmath>

#include "enviro/effector/EffectorMan.h"
#include "enviro/effector/EffectorType.h"
#include "enviro/host/CameraFrame.h"
#include "enviro/host/OperatingSystem.h"
#include "enviro/host/Shader.h"
#include "enviro/shadows/PSMShadow.h"

namespace effector {

namespace {

Math::Matrix4f zeroMatrix() {
    Math::Matrix4f m;
    m.set(0.0f);
    return m;
}

}  // namespace

KinematicEffector::KinematicEffector()
    : Effector(EFFECTOR_KINEMATIC),
      m_vLastCamPos(0.0, 0.0, 0.0),
      m_mCurViewProj(zeroMatrix()),
      m_mPrevViewProj(zeroMatrix()),
      m_mCameraMotion(zeroMatrix()),
      m_bEnabled(true),
      m_bHasPrev(false),
      m_fAspect(0.0f),
      m_vScreenRect(0.0f, 0.0f, 0.0f, 0.0f),
      m_mObjectRev(zeroMatrix()),
      m_mPrevObjViewProj(zeroMatrix()),
      m_vLastBase(0.0, 0.0, 0.0) {}

KinematicEffector::KinematicEffector(const KinematicEffector& other) = default;

KinematicEffector& KinematicEffector::operator=(const KinematicEffector& other) = default;

KinematicEffector::~KinematicEffector() { uninit(); }

void KinematicEffector::init(short width, short height) {
    int w = width, h = height;
    while (w > kMaxWidth || h > kMaxHeight) {
        w >>= 1;
        h >>= 1;
    }
    m_bHasPrev = false;
    m_rtVelocityField.release();
    m_rtVelocityField.set(
        RendAPI::renderApi().createRenderTarget("m_rtVelocityField", w, h, RendAPI::FMT_G16R16F, 1));
    if (!m_rtVelocityField.get()) os::MessageBox("Can not create m_rtVelocityField color surface");
    if (w > 0 && h > 0) m_vScreenRect = Math::Vector4f(0.5f / w, 0.5f / h, 1.0f, 1.0f);
    m_mCurViewProj.set(1.0f);
}

void KinematicEffector::uninit() { m_rtVelocityField.release(); }

graphics::RenderTarget* KinematicEffector::getCurVF() {
    return m_rtVelocityField.get() ? &m_rtVelocityField : nullptr;
}

void KinematicEffector::setObjectRevMatrix(Math::Matrix4f* m) {
    if (m) m_mObjectRev = *m;
}

void KinematicEffector::getObjectRevMatrix(Math::Matrix4f* m) {
    if (m) *m = m_mObjectRev;
}

bool KinematicEffector::isCut(const float row[4]) {
    return std::sqrt(row[0] * row[0] + row[1] * row[1] + row[2] * row[2] + row[3] * row[3]) > kCutLength;
}

void KinematicEffector::trackCameraVelocity(float) {
    cam::SMCamera* camera = cam::currentCamera();
    if (!camera) return;
    const cam::SMView* view = camera->getView();
    if (!view) return;
    const Math::Matrix4f viewProj = view->mViewProj;
    const Math::Vector3d world = cam::cameraWorldPosition(camera);
    const Math::Vector3d base = cam::drawingFrameOrigin(camera);

    const float move[4] = {static_cast<float>(world.x - m_vLastCamPos.x), static_cast<float>(world.y - m_vLastCamPos.y),
                           static_cast<float>(world.z - m_vLastCamPos.z), 1.0f};
    if (isCut(move)) m_bHasPrev = false;
    m_mCameraMotion.set(1.0f);
    m_mCameraMotion.m[3][0] = static_cast<float>(base.x - m_vLastBase.x);
    m_mCameraMotion.m[3][1] = static_cast<float>(base.y - m_vLastBase.y);
    m_mCameraMotion.m[3][2] = static_cast<float>(base.z - m_vLastBase.z);
    if (m_bHasPrev) {
        m_mPrevViewProj = m_mCurViewProj;
    } else {
        m_mCameraMotion.set(1.0f);
        m_mPrevViewProj = viewProj;
    }
    m_vLastCamPos = world;
    m_vLastBase = base;
    m_mCurViewProj = viewProj;
    m_fAspect = camera->getAspect();
    m_bHasPrev = true;
}

bool KinematicEffector::isScreenDepthPass() const {
    PSMShadow* shadow = effectorInstance<PSMShadow>(EFFECTOR_PSMSHADOW);
    return shadow && shadow->isScreenDepthRender();
}

void KinematicEffector::applyShaderVelocities(graphics::Shader* shader, Math::Matrix4f* objPrev) {
    if (!shader || !isScreenDepthPass()) return;
    const graphics::Shader::Handle settings = shader->getParameterByName(0, "g_vKSettings");
    if (!settings) return;
    const bool on = m_bEnabled && m_rtVelocityField.get();
    const Math::Vector4f settingsValue(on ? 1.0f : 0.0f, m_fAspect, 0.0f, 0.0f);
    shader->setVector(settings, &settingsValue);
    if (!on) return;

    if (!objPrev)
        Math::multiply(&m_mPrevObjViewProj, &m_mCameraMotion, &m_mPrevViewProj);
    else if (isCut(objPrev->m[3]))
        m_mPrevObjViewProj = m_mPrevViewProj;  // the object jumped: no motion of its own
    else
        Math::multiply(&m_mPrevObjViewProj, objPrev, &m_mPrevViewProj);
    const graphics::Shader::Handle prev = shader->getParameterByName(0, "g_mPrevObjViewProj");
    if (prev) shader->setMatrix(prev, &m_mPrevObjViewProj);
}

}  // namespace effector
