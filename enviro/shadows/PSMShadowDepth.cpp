// The directional shadow depth passes: the light direction from the strongest light, the caster
// list, the fit of the light-space matrix (perspective or orthographic), and the drawing of the
// casters with the camera borrowed and given back.
#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/ShadowCasterDesc.h"
#include "enviro/host/CameraFrame.h"
#include "enviro/lighting/LightDesc.h"
#include "enviro/shadows/PSMShadow.h"
#include "enviro/shadows/ShadowFit.h"

namespace effector {

namespace {

// The hardware-depth path always draws its colour into this target, whatever the colour name.
constexpr const char* kHardwareColorTarget = "psm_color";
// The float path's depth surface.
constexpr const char* kShadowSurface = "psm_surface";
// Fewer fitted points than this (the four ground points and nothing else) draw no perspective map.
constexpr int kGroundPoints = 4;

// Camera values a depth pass changes and gives back.
struct SavedCamera {
    float zFar;
    Math::Matrix4f orientation;
    double position[4];
    unsigned char shadowFlag;
};

}  // namespace

void PSMShadow::CalcVertices(void* casters, PointList* out, Math::Vector3f* lightDir, Math::Matrix4f* view,
                             float nearDist, float farDist, float fov, float aspect, bool ortho) {
    shadowfit::calcVertices(static_cast<CQuickVector<void*, 3>*>(casters), out, lightDir, view, nearDist, farDist,
                            fov, aspect, ortho, m_desc.fGroundLevel, cam::cameraWorldPosition().y);
}

bool PSMShadow::CalcBranch(Math::Matrix4f* modelView, model::Model* model, short node, PointList* out,
                           PointList* planePoints, PointList* planeNormals, Math::Matrix4f* view,
                           Math::Matrix4f* viewInverse, short depthBudget) {
    return shadowfit::calcBranch(modelView, model, node, out, planePoints, planeNormals, view, viewInverse,
                                 depthBudget);
}

void PSMShadow::renderDepth() { renderDirectionalDepth(false); }

void PSMShadow::renderDepthOrtho() { renderDirectionalDepth(true); }

void PSMShadow::renderDirectionalDepth(bool ortho) {
    m_bActive = false;
    if (!m_bEnabled) {
        RendMan::renderMan().endPass();
        return;
    }
    if (!effectorMan || !updateLightDirection()) return;
    EffectorMan::DataList* casters = effectorMan->getEffectorDataList(EFFECTOR_SHADOWCASTER, 1, nullptr, 0);
    if (!casters || casters->count() == 0) return;
    updateDepthBias();
    m_casters.clear();
    for (int i = 0; i < casters->count(); ++i) m_casters.append((*casters)[i]);

    cam::SMCamera* camera = cam::currentCamera();
    if (!camera || !camera->getView()) return;
    m_pCamera = camera;
    Math::Matrix4f view = camera->getView()->mView;
    m_vertices.clear();
    CalcVertices(&m_casters, &m_vertices, &m_desc.vLightDir, &view, camera->getNear(), m_desc.fShadowDistance,
                 camera->getFov(), camera->getAspect(), ortho);
    reserveFitHeadroom();
    if (m_vertices.count() <= (ortho ? 0 : kGroundPoints)) return;
    // The fit reads the camera with the shadow distance as its far plane; a fit that does not
    // come out finite leaves the map undrawn and the camera untouched.
    if (!fitLightSpace(ortho)) return;

    SavedCamera saved;
    saved.zFar = camera->getFar();
    saved.orientation = camera->getOrientation();
    camera->getPosition(saved.position);
    m_bActive = true;
    m_bDepthRender = 1;
    camera->setFar(m_desc.fShadowDistance);
    bindDepthTargets();
    placeCameraInLightSpace();

    RendAPI::IRenderApi& api = RendAPI::renderApi();
    if (m_bFrontSide) {
        api.clearColor(1.0f, 1.0f, 1.0f, 1.0f);
        api.clearDepth(1.0f);
    } else {  // light behind the virtual camera: reversed depth order
        api.clearColor(0.0f, 0.0f, 0.0f, 1.0f);
        api.clearDepth(0.0f);
    }
    saved.shadowFlag = camera->getShadowPassFlag();
    camera->setShadowPassFlag(1);
    drawCasters();
    RendMan::renderMan().submit(1);
    RendMan::renderMan().endPass();
    api.resetRenderTarget();
    api.resetDepthSurface();

    camera->setFar(saved.zFar);
    camera->overrideProjection(false, nullptr);
    camera->setOrientation(&saved.orientation);
    camera->setPosition(saved.position);
    camera->setShadowPassFlag(saved.shadowFlag);
    m_bDepthRender = 0;
}

// The direction of the strongest light that is not ambient (the ambient light, weighted first,
// is skipped). False when the only light is ambient; no light at all keeps the direction.
bool PSMShadow::updateLightDirection() {
    Math::Vector3f origin(0.0f, 0.0f, 0.0f);
    EffectorMan::DataList* lights = effectorMan->getWeightedEffectorList(&origin, EFFECTOR_LIGHT, 1);
    if (!lights || lights->count() == 0) return true;
    const LIGHTDESC* light = static_cast<const LIGHTDESC*>((*lights)[0]);
    if (light->type == LIGHT_AMBIENT) {
        if (lights->count() < 2) return false;
        light = static_cast<const LIGHTDESC*>((*lights)[1]);
    }
    m_desc.vLightDir = Math::normalizeOrKeep(light->vPos);
    return true;
}

// The float-depth map gets a slope bias of two texels; the hardware path needs none.
void PSMShadow::updateDepthBias() {
    RendAPI::ITexture* depth = m_nQuality > 3 ? getDepthTarget() : nullptr;
    if (depth && depth->getWidth() > 0)
        m_vShadowBias = Math::Vector4f(0.01f, 2.0f, 2.0f / depth->getWidth(), 0.0f);
    else
        m_vShadowBias = Math::Vector4f(0.0f, 0.0f, 0.0f, 0.0f);
    m_vShadowBiasDir = m_desc.vLightDir;
}

// Float path: the named depth target with "psm_surface"; hardware path: "psm_color" with the
// named depth texture as depth surface.
void PSMShadow::bindDepthTargets() {
    RendAPI::IRenderApi& api = RendAPI::renderApi();
    if (!m_rtColor.get()) {
        api.setRenderTarget(m_szDepthTarget);
        api.setDepthSurface(kShadowSurface);
    } else {
        api.setRenderTarget(kHardwareColorTarget);
        api.setDepthSurface(m_szDepthTarget);
    }
}

// Once a frame's fitted points fill half of their lists, the lists grow to four times that many,
// so that views seeing more caster faces than any before (up to twice as many) do not grow them
// again. Points are 12 bytes: a few thousand of them cost tens of kilobytes.
void PSMShadow::reserveFitHeadroom() {
    const int count = m_vertices.count();
    if (2 * count <= m_vertices.capacity() && 2 * count <= m_projVertices.capacity()) return;
    m_vertices.reserve(4 * count);
    m_projVertices.reserve(4 * count);
}

bool PSMShadow::fitLightSpace(bool ortho) {
    m_projVertices.resize(m_vertices.count());
    if (ortho)
        return shadowfit::fitOrtho(m_vertices, m_desc.vLightDir, m_pLightSpace, &m_mLightSpaceInv, &m_bFrontSide);
    shadowfit::PerspectiveFitInput in;
    in.nearDist = m_pCamera->getNear();
    in.farDist = m_desc.fShadowDistance;
    in.fov = m_pCamera->getFov();
    in.aspect = m_pCamera->getAspect();
    in.view = m_pCamera->getView()->mView;
    in.lightDir = m_desc.vLightDir;
    in.slideBack = m_desc.fSlideBack;
    return shadowfit::fitPerspective(m_vertices, &m_projVertices, in, m_pLightSpace, &m_mLightSpaceInv,
                                     &m_bFrontSide);
}

// The light space becomes the camera's whole projection, seen from the origin with the
// x and z axes exchanged.
void PSMShadow::placeCameraInLightSpace() {
    m_pCamera->overrideProjection(true, m_pLightSpace);
    Math::Matrix4f axes;
    axes.set(0.0f);
    axes.m[0][2] = 1.0f;
    axes.m[1][1] = 1.0f;
    axes.m[2][0] = 1.0f;
    axes.m[3][3] = 1.0f;
    m_pCamera->setOrientation(&axes);
    const double origin[4] = {0.0, 0.0, 0.0, 1.0};
    m_pCamera->setPosition(origin);
}

// Only casters the fit marked as throwing a shadow into the view are drawn.
void PSMShadow::drawCasters() {
    for (int i = 0; i < m_casters.count(); ++i) {
        SHADOWCASTERDESC* caster = static_cast<SHADOWCASTERDESC*>(m_casters[i]);
        if (!caster || !caster->pModel || !caster->bInShadow) continue;
        if (caster->bNoInstance) {
            caster->pModel->draw(nullptr);
        } else if (caster->pInstance) {
            caster->pInstance->setWorldMatrix(&caster->mWorld);
            caster->pModel->draw(caster->pInstance);
        }
    }
}

}  // namespace effector
