// The shadow-map effector: construction, copying, description, flags, target names, the
// light-space matrix and the state stack.
#include "enviro/shadows/PSMShadow.h"

#include <cmath>
#include <cstring>

#include "enviro/effector/EffectorType.h"
#include "enviro/host/Math3D.h"

namespace effector {

namespace {

// The depth target the shadow passes draw into; enabling asks the renderer for it by this name.
constexpr const char* kShadowDepthTarget = "psm_depth";
constexpr const char* kShadowColorTarget = "psm_color";

// Default description: the light travels down the (-1, -1, -1) diagonal.
PSMDESC defaultDesc() {
    PSMDESC desc;
    const float length = static_cast<float>(std::sqrt(3.0));
    const float component = length > 0.0f ? -1.0f / length : -1.0f;
    desc.vLightDir = Math::Vector3f(component, component, component);
    desc.fShadowDistance = 700.0f;
    desc.fHostParam0 = 250.0f;
    desc.fHostParam1 = 1.0f;
    desc.fGroundLevel = 0.0f;
    desc.fSlideBack = 0.005f;
    return desc;
}

// Copies name with its terminator into a field of PSMShadow::kNameSize bytes, truncating.
void copyName(char* field, const char* name) {
    int i = 0;
    for (; i < PSMShadow::kNameSize - 1 && name[i] != '\0'; ++i) field[i] = name[i];
    field[i] = '\0';
}

}  // namespace

PSMShadow::PSMShadow()
    : Effector(EFFECTOR_PSMSHADOW),
      m_desc(defaultDesc()),
      m_nQuality(0),
      m_vSmoothOffs(0.0f, 0.0f, 0.0f, 0.0f),
      m_bDepthTexSupport(RendAPI::renderApi().isDepthTextureFormat(RendAPI::FMT_D16)),
      m_bFloatTargetSupport(RendAPI::renderApi().isRenderTargetFormat(RendAPI::FMT_R16F, 1)),
      m_vSSAORect(0.0f, 0.0f, 0.0f, 0.0f),
      m_vShadowBias(0.0f, 0.0f, 0.0f, 0.0f),
      m_vShadowBiasDir(0.0f, 0.0f, 0.0f),
      m_bSavedActive(false),
      m_bScreenDepthRender(false),
      m_bSSAOActive(true),
      m_pScreenDepthSrc(nullptr),
      m_prtSSAOSrc(nullptr),
      m_prtSSAO(nullptr),
      m_pLightSpace(&m_mLightSpace),
      m_pCamera(nullptr),
      m_vSavedCamPos(0.0f, 0.0f, 0.0f, 0.0f),
      m_fSavedAspect(0.0f),
      m_fSavedFov(0.0f),
      m_fSavedNear(0.0f),
      m_fSavedFar(0.0f),
      m_bDepthRender(0),
      m_bFrontSide(0),
      m_bEnabled(false),
      m_bActive(false),
      m_bShadowProjOpen(false) {
    m_mLightSpace.set(0.0f);
    m_mLightSpaceInv.set(0.0f);
    m_mSavedCamRot.set(0.0f);
    copyName(m_szDepthTarget, kShadowDepthTarget);
    copyName(m_szColorTarget, kShadowColorTarget);
}

PSMShadow::PSMShadow(const PSMShadow& other) : Effector(other) { copyFrom(other); }

PSMShadow& PSMShadow::operator=(const PSMShadow& other) {
    if (this != &other) {
        Effector::operator=(other);
        copyFrom(other);
    }
    return *this;
}

// Every member in declaration order. Handles take their own references; the screen-depth source,
// the camera and the occlusion wrappers are shared.
void PSMShadow::copyFrom(const PSMShadow& other) {
    m_casters = other.m_casters;
    m_desc = other.m_desc;
    m_stateStack = other.m_stateStack;
    m_rtColor = other.m_rtColor;
    m_rtDepth = other.m_rtDepth;
    m_rtDepthOrtho = other.m_rtDepthOrtho;
    m_rtLightsDepth = other.m_rtLightsDepth;
    m_texDepth = other.m_texDepth;
    m_texDepthOrtho = other.m_texDepthOrtho;
    m_surfDepth = other.m_surfDepth;
    m_nQuality = other.m_nQuality;
    m_vSmoothOffs = other.m_vSmoothOffs;
    m_bDepthTexSupport = other.m_bDepthTexSupport;
    m_bFloatTargetSupport = other.m_bFloatTargetSupport;
    m_vSSAORect = other.m_vSSAORect;
    m_vShadowBias = other.m_vShadowBias;
    m_vShadowBiasDir = other.m_vShadowBiasDir;
    m_bSavedActive = other.m_bSavedActive;
    m_bScreenDepthRender = other.m_bScreenDepthRender;
    m_bSSAOActive = other.m_bSSAOActive;
    m_pScreenDepthSrc = other.m_pScreenDepthSrc;
    m_prtSSAOSrc = other.m_prtSSAOSrc;
    m_prtSSAO = other.m_prtSSAO;
    m_vertices = other.m_vertices;
    m_projVertices = other.m_projVertices;
    m_mLightSpace = other.m_mLightSpace;
    m_mLightSpaceInv = other.m_mLightSpaceInv;
    m_pLightSpace = other.m_pLightSpace == &other.m_mLightSpace ? &m_mLightSpace : other.m_pLightSpace;
    m_pCamera = other.m_pCamera;
    std::memcpy(m_szDepthTarget, other.m_szDepthTarget, kNameSize);
    std::memcpy(m_szColorTarget, other.m_szColorTarget, kNameSize);
    m_vSavedCamPos = other.m_vSavedCamPos;
    m_mSavedCamRot = other.m_mSavedCamRot;
    m_fSavedAspect = other.m_fSavedAspect;
    m_fSavedFov = other.m_fSavedFov;
    m_fSavedNear = other.m_fSavedNear;
    m_fSavedFar = other.m_fSavedFar;
    m_bDepthRender = other.m_bDepthRender;
    m_bFrontSide = other.m_bFrontSide;
    m_bEnabled = other.m_bEnabled;
    m_bActive = other.m_bActive;
    m_bShadowProjOpen = false;  // a projection belongs to the object that opened it
}

// The handles release their references as members; the occlusion wrappers belong to closeSSAO.
PSMShadow::~PSMShadow() {}

int PSMShadow::getDataSize() { return static_cast<int>(sizeof(PSMDESC)); }

void PSMShadow::setDesc(PSMDESC* desc) {
    if (desc) m_desc = *desc;
}

void PSMShadow::enable(bool on) {
    m_bEnabled = on && RendAPI::renderApi().findTexture(kShadowDepthTarget) != nullptr;
    m_bActive = false;
}

void PSMShadow::setTargets(char* depthName, char* colorName) {
    copyName(m_szDepthTarget, depthName ? depthName : kShadowDepthTarget);
    copyName(m_szColorTarget, colorName ? colorName : kShadowColorTarget);
}

RendAPI::ITexture* PSMShadow::getDepthTarget() { return RendAPI::renderApi().findTexture(m_szDepthTarget); }

void PSMShadow::setMatrix(Math::Matrix4f* m) {
    m_pLightSpace = m ? m : &m_mLightSpace;
    _3DMath::matrixInverse(&m_mLightSpaceInv, nullptr, m_pLightSpace);
}

void PSMShadow::captureState(PSMSTATE* s) const {
    std::memset(s, 0, sizeof(*s));
    s->bDepthRender = m_bDepthRender;
    s->bFrontSide = m_bFrontSide;
    s->bEnabled = m_bEnabled;
    s->bActive = m_bActive;
    s->pLightSpace = m_pLightSpace;
    std::memcpy(s->szDepthTarget, m_szDepthTarget, kNameSize);
    std::memcpy(s->szColorTarget, m_szColorTarget, kNameSize);
}

void PSMShadow::applyState(const PSMSTATE& s) {
    m_bDepthRender = s.bDepthRender;
    m_bFrontSide = s.bFrontSide;
    m_bEnabled = s.bEnabled;
    m_bActive = s.bActive;
    m_pLightSpace = s.pLightSpace ? s.pLightSpace : &m_mLightSpace;
    copyName(m_szDepthTarget, s.szDepthTarget);
    copyName(m_szColorTarget, s.szColorTarget);
    _3DMath::matrixInverse(&m_mLightSpaceInv, nullptr, m_pLightSpace);
}

void PSMShadow::pushState() {
    PSMSTATE s;
    captureState(&s);
    m_stateStack.append(s);
}

void PSMShadow::popState() {
    const int depth = m_stateStack.count();
    if (depth == 0) return;
    applyState(m_stateStack[depth - 1]);
    m_stateStack.resize(depth - 1);
}

void PSMShadow::setState(PSMSTATE* s) {
    if (!s) return;
    PSMSTATE copy;
    std::memcpy(&copy, s, sizeof(copy));
    // The names may come without a terminator; bound them to the field.
    copy.szDepthTarget[kNameSize - 1] = '\0';
    copy.szColorTarget[kNameSize - 1] = '\0';
    applyState(copy);
}

void PSMShadow::getState(PSMSTATE* out) {
    if (out) captureState(out);
}

}  // namespace effector
