#pragma once
// The directional shadow-map effector (kind 3). It owns the directional perspective (or
// orthographic) shadow map and its targets, places the camera and the atlas tile for the
// per-light shadow projections, opens and closes the screen-depth pass (normals, linear depth
// and velocity drawn by the host into the targets of an SSDTextures set that the host owns), and
// runs the ambient-occlusion post effects over those targets.
//
// Typical frame: getShadowsProjCount(true), then beginShadowProj(i) / host draws / endShadowProj()
// for each light; renderDepth() or renderDepthOrtho(); beginScreenDepth() / host draws /
// endScreenDepth(); updateSSAO(). Hosts that want the flags, target names and light-space
// matrix back afterwards bracket the work with pushState() / popState().
#include "enviro/EnviroApi.h"
#include "enviro/effector/Effector.h"
#include "enviro/effector/QuickVector.h"
#include "enviro/host/Camera.h"
#include "enviro/host/MathMatrix.h"
#include "enviro/host/MathVector.h"
#include "enviro/host/Model.h"
#include "enviro/host/RenderApi.h"
#include "enviro/shadows/PSMDesc.h"
#include "enviro/shadows/PSMShadowState.h"

namespace effector {

struct SSDTextures;

class ENVIRO_API PSMShadow : public Effector {
public:
    using PointList = CQuickVector<Math::Vector3f, 3>;

    // Depth range that goes with the screen depth target; the host's materials use it when they
    // write linear depth.
    static constexpr float kScreenDepthRange = 2000.0f;
    // Size of the target-name fields, terminator included. Longer names are truncated.
    static constexpr int kNameSize = 64;
    // Most samples the ambient-occlusion pass takes per pixel.
    static constexpr int kMaxSSAOSamples = 128;

    // Defaults; asks the renderer once whether it takes D16 depth textures and R16F targets.
    // Creates no render target.
    PSMShadow();
    // Copies every member: the target handles take their own references; the screen-depth
    // source, the borrowed camera and the two ambient-occlusion wrappers are shared (only one of
    // the two objects may call closeSSAO). A light-space pointer at the source's own matrix is
    // pointed at the copy's own matrix; any other pointer is copied. A per-light projection open
    // on the source is not open on the copy (only the source's endShadowProj gives the camera back).
    PSMShadow(const PSMShadow& other);
    PSMShadow& operator=(const PSMShadow& other);
    // Releases the target handles. Does not delete the ambient-occlusion wrappers (closeSSAO)
    // and never touches the screen-depth source.
    ~PSMShadow() override;

    // One PSMDESC (32 bytes).
    int getDataSize() override;

    // ---- Description
    // Copies the whole record (a null record is ignored).
    void setDesc(PSMDESC* desc);
    // The effector's own record; the caller may change it in place.
    PSMDESC* getDesc() { return &m_desc; }

    // ---- Enable and active flags
    // Enabled only when on and the renderer has a texture named "psm_depth"; either way the
    // current shadow map becomes inactive.
    void enable(bool on);
    bool isEnabled() { return m_bEnabled; }
    // Is the current frame's shadow map valid (may shaders sample it)?
    bool isActive() { return m_bActive; }
    // Active only while enabled.
    void setActive(bool on) { m_bActive = on && m_bEnabled; }
    // Is a shadow depth pass being drawn (materials then draw depth instead of colour)?
    char isDepthRender() { return m_bDepthRender; }
    // Does the light lie in front of the fitted virtual camera? 0: the map uses reversed depth.
    char isFrontSide() { return m_bFrontSide; }

    // ---- Targets and the light-space matrix
    // Null restores the default name ("psm_depth", "psm_color"); names of 64 bytes or more are
    // truncated to 63.
    void setTargets(char* depthName, char* colorName);
    // The renderer's texture named by the depth-target name (null when there is none).
    RendAPI::ITexture* getDepthTarget();
    // Puts m (null: the effector's own matrix) in force and recomputes the inverse.
    void setMatrix(Math::Matrix4f* m);
    Math::Matrix4f* getLightSpace() { return m_pLightSpace; }
    Math::Matrix4f* getLightSpaceInverse() { return &m_mLightSpaceInv; }
    Math::Vector4f getShadowBias() { return m_vShadowBias; }
    Math::Vector3f getShadowBiasDir() { return m_vShadowBiasDir; }
    Math::Vector4f getSmoothOffs() { return m_vSmoothOffs; }
    short getShadowsQuality() { return m_nQuality; }

    // ---- State stack
    // Saves the flags, the light-space pointer and both names. The stack keeps its storage: the
    // first 16 states live in the object, deeper ones in a heap block that grows and is never
    // given back, so pushing and popping allocates nothing once warm. A state that cannot be
    // saved (no memory) is dropped, and the matching popState restores an older one.
    void pushState();
    // Restores the top state and removes it; the inverse is recomputed from the restored
    // matrix (a saved null matrix means the effector's own). Does nothing on an empty stack.
    void popState();
    // Takes the given state (names truncated as setTargets does); the stack is as before. A
    // null state is ignored.
    void setState(PSMSTATE* s);
    // The current state, without changing the stack. A null output is ignored.
    void getState(PSMSTATE* out);
    // Number of saved states.
    int getStateDepth() const { return m_stateStack.count(); }

    // ---- Shadow targets and the directional depth passes
    // Clamps quality to 0..6 and lightsQuality to 0..2; qualities 1..3 (hardware depth) need D16
    // depth textures and 4..6 (float depth) R16F targets, else the quality becomes 0. Releases
    // the targets held before, then creates those of the quality (none for 0), the light-depth
    // atlas for a light-depth quality above 0, and sets the smoothing offsets. Creation failures
    // are not reported.
    void initShadows(short quality, short lightsQuality);
    // Releases every shadow target; the quality is kept.
    void uninitShadows();
    // Perspective directional shadow map: fits the light space to the view and the casters and
    // draws the casters that can throw a shadow into the view. Frames (enviro/host/CameraFrame.h):
    // the description's fGroundLevel is a world height, which the fit measures from the camera's
    // world position; caster matrices, fitted points and the light space are drawing-frame ones. Leaves isActive() true when a map
    // was drawn. Returns early, changing no camera value and drawing nothing, when disabled, when
    // the only light is ambient, without casters, without a camera, with 4 fitted points or
    // fewer, or when the fit does not come out finite. Restores every camera value it changed,
    // except a view or projection override that was in force before (the camera interface
    // cannot read those back).
    void renderDepth();
    // The same with an orthographic box around the casters (returns early with no fitted point).
    void renderDepthOrtho();

    // ---- Per-light shadow projections (light-depth atlas)
    // Number of light-matrix entries the light effector prepared this frame; 0 without the atlas.
    // With clear the atlas is first cleared to white and depth 1.
    short getShadowsProjCount(bool clear);
    // Binds the atlas and its depth surface, places the camera at light entry lightIndex (0..29)
    // and the viewport at its atlas tile, and puts the entry's matrix in force. Returns false and
    // changes nothing for an entry that does not exist (index out of range, no light effector, a
    // slot outside the atlas levels), without the light-depth atlas, without a camera, or while a
    // projection is open.
    bool beginShadowProj(short lightIndex);
    // Unbinds the atlas and gives the camera its aspect, field of view, near, far, position
    // (narrowed to float when saved) and orientation back. Flags and the light-space matrix stay
    // as beginShadowProj set them. Does nothing unless beginShadowProj succeeded.
    void endShadowProj();

    // ---- Screen depth, normals and edges
    // The set of screen-depth targets in use (not owned); null switches the screen-depth
    // operations off. Set it to null before the set goes away.
    void setScreenDepthSrc(SSDTextures* src) { m_pScreenDepthSrc = src; }
    SSDTextures* getScreenDepthSrc() { return m_pScreenDepthSrc; }
    // The source's wrappers, or null without a source.
    graphics::RenderTarget* getScreenNormals();
    graphics::RenderTarget* getScreenDepth();
    graphics::RenderTarget* getScreenEdges();
    // The objects held by the source's depth and edge wrappers, or the renderer's default
    // texture when there is no source, no wrapper or no object.
    RendAPI::ITexture* getDepthTexture();
    RendAPI::ITexture* getEdgesTexture();
    float getScreenDepthRange() { return kScreenDepthRange; }
    // True between beginScreenDepth and endScreenDepth.
    bool isScreenDepthRender() { return m_bScreenDepthRender; }
    // The source's m_vRect, or (0, 0, 1, 1) without a source.
    Math::Vector4f getScreenRect();
    // Clears the targets and opens the scene pass: normals, screen depth and (when the velocity
    // effector has its target) velocity as render targets 0..2 with the source's depth surface.
    // The shadow map is inactive during the pass. Does nothing without a source, or when the
    // pass is already open.
    void beginScreenDepth();
    // Closes the pass, derives the edges when the source has an edge target, and restores the
    // active flag (if still enabled). Does nothing without a source or an open pass, so the
    // renderer's target stacks stay balanced.
    void endScreenDepth();

    // ---- Ambient occlusion
    // Creates "m_prtSSAOSrc" and "m_prtSSAO" (R5G6B5) for a screen of width x height, halved
    // while wider than 4096 or higher than 2048. A target that cannot be created is reported in
    // a message box and stays absent. Wrappers already held are replaced, not released: call
    // closeSSAO first.
    void initSSAO(short width, short height);
    // Releases and deletes both wrappers.
    void closeSSAO();
    // Occlusion into m_prtSSAO with at most 128 samples, filtered by depth through m_prtSSAOSrc
    // and copied back; when switched off both targets are filled with white. Does nothing
    // without both targets (either failed creation included), the screen-depth source or the
    // "SysPostEffect" client, nor, while occlusion is on, without the source's normal and depth
    // targets.
    void updateSSAO(unsigned char samples, float radius);
    void setSSAOActive(bool on) { m_bSSAOActive = on; }
    graphics::RenderTarget* getSSAO() { return m_prtSSAO; }
    graphics::RenderTarget* getSSAOSrc() { return m_prtSSAOSrc; }
    // The result target's object, or the renderer's default texture.
    RendAPI::ITexture* getSSAOTexture();
    // (0.5 / width, 0.5 / height, 1, 1) of the targets while occlusion is on, else zero.
    Math::Vector4f getSSAORect();

private:
    // Fitted points and caster marks of the depth passes (the shadow-fit functions do the work).
    void CalcVertices(void* casters, PointList* out, Math::Vector3f* lightDir, Math::Matrix4f* view,
                      float nearDist, float farDist, float fov, float aspect, bool ortho);
    bool CalcBranch(Math::Matrix4f* modelView, model::Model* model, short node, PointList* out,
                    PointList* planePoints, PointList* planeNormals, Math::Matrix4f* view,
                    Math::Matrix4f* viewInverse, short depthBudget);

    // Directional depth passes.
    void renderDirectionalDepth(bool ortho);
    bool updateLightDirection();
    void updateDepthBias();
    void bindDepthTargets();
    bool fitLightSpace(bool ortho);
    void reserveFitHeadroom();
    void placeCameraInLightSpace();
    void drawCasters();

    // Per-light projections.
    void saveCamera();
    void restoreCamera();

    // Screen depth.
    void clearScreenDepthTargets(RendAPI::ITexture* velocity);
    void bindScreenDepthPass(RendAPI::ITexture* velocity);
    void detectScreenEdges();

    void copyFrom(const PSMShadow& other);
    void captureState(PSMSTATE* s) const;
    void applyState(const PSMSTATE& s);

    CQuickVector<void*, 3> m_casters;       // shadow-caster records of the current depth pass
    PSMDESC m_desc;
    CQuickVector<PSMSTATE, 3> m_stateStack;  // saved states, used as a stack (never shrinks)
    graphics::RenderTarget m_rtColor;       // "psm_color", R5G6B5 (hardware-depth path)
    graphics::RenderTarget m_rtDepth;       // "psm_depth", R32F (float path)
    graphics::RenderTarget m_rtDepthOrtho;  // "psm_depth_ortho", R16F (float path)
    graphics::RenderTarget m_rtLightsDepth; // "m_rtLightsDepth", R32F light-depth atlas
    graphics::RenderTarget m_texDepth;      // "psm_depth", D16 depth texture (hardware-depth path)
    graphics::RenderTarget m_texDepthOrtho; // "psm_depth_ortho", D16 depth texture
    graphics::RenderTarget m_surfDepth;     // "psm_surface", D16 depth surface
    short m_nQuality;                       // 0..6; 0 = no shadow targets
    Math::Vector4f m_vSmoothOffs;           // (2 / size, 2 / size, 1, 1 on hardware depth else 0)
    bool m_bDepthTexSupport;                // renderer takes D16 depth textures
    bool m_bFloatTargetSupport;             // renderer takes R16F render targets
    Math::Vector4f m_vSSAORect;             // (0.5 / width, 0.5 / height, 1, 1) of the SSAO targets
    Math::Vector4f m_vShadowBias;           // depth bias of the pass in progress
    Math::Vector3f m_vShadowBiasDir;        // direction the bias is applied along
    bool m_bSavedActive;                    // m_bActive as it was when beginScreenDepth ran
    bool m_bScreenDepthRender;              // between beginScreenDepth and endScreenDepth
    bool m_bSSAOActive;                     // ambient occlusion on
    SSDTextures* m_pScreenDepthSrc;         // screen-depth targets in use, not owned
    graphics::RenderTarget* m_prtSSAOSrc;   // owned wrapper of "m_prtSSAOSrc"
    graphics::RenderTarget* m_prtSSAO;      // owned wrapper of "m_prtSSAO"
    PointList m_vertices;                   // world-space points of the fitted body
    PointList m_projVertices;               // the same in the virtual camera's post-perspective space
    Math::Matrix4f m_mLightSpace;           // the effector's own light-space matrix
    Math::Matrix4f m_mLightSpaceInv;        // inverse of *m_pLightSpace
    Math::Matrix4f* m_pLightSpace;          // light space in force
    cam::SMCamera* m_pCamera;               // camera borrowed by the pass in progress
    char m_szDepthTarget[kNameSize];        // default "psm_depth"
    char m_szColorTarget[kNameSize];        // default "psm_color"
    Math::Vector4f m_vSavedCamPos;          // camera values saved by beginShadowProj
    Math::Matrix4f m_mSavedCamRot;
    float m_fSavedAspect;
    float m_fSavedFov;
    float m_fSavedNear;
    float m_fSavedFar;
    char m_bDepthRender;                    // a shadow depth pass is being drawn
    char m_bFrontSide;                      // the light lies in front of the virtual camera
    bool m_bEnabled;                        // shadows may be drawn at all
    bool m_bActive;                         // the current frame's shadow map may be sampled
    bool m_bShadowProjOpen;                 // between a successful beginShadowProj and endShadowProj
};

}  // namespace effector
