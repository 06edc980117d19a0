#pragma once
// The reference host: one object that owns an implementation of every host library the module
// calls and plugs them into the module's globals. The worked example of plugging a renderer in:
//
//     refhost::ReferenceHost host("data");   // files: working directory first, then "data"
//     host.install();                        // before createEnviro() and Init()
//     ... run the module, inspect host.renderApi(), host.clients(), host.camera() ...
//     host.uninstall();                      // or let the destructor do it
//
// Each library lives in its own file: RefRenderApi (render API and its CPU images),
// RefRenderMan (render manager), RefRenderClients (shader clients), RefCamera (camera),
// RefCommonServices and RefConfigReader (configuration and bitmaps), RefPackageManager
// (packaged files), RefTextureCache (texture cache), RefOperatingSystem (message box, ticks).
// Shaders and models (RefShader, RefModel) are objects the host's scene makes itself.
// Everything is single-threaded, like the module.
#include <string>

#include "enviro/host/Camera.h"
#include "refhost/RefCamera.h"
#include "refhost/RefCommonServices.h"
#include "refhost/RefOperatingSystem.h"
#include "refhost/RefPackageManager.h"
#include "refhost/RefRenderApi.h"
#include "refhost/RefRenderClients.h"
#include "refhost/RefRenderMan.h"
#include "refhost/RefSearchPath.h"
#include "refhost/RefTextureCache.h"

namespace refhost {

class ReferenceHost {
public:
    // dataRoot: second directory of the file search path (the working directory comes first).
    explicit ReferenceHost(const std::string& dataRoot = "");
    ~ReferenceHost();  // uninstalls if installed
    ReferenceHost(const ReferenceHost&) = delete;
    ReferenceHost& operator=(const ReferenceHost&) = delete;

    // Sets RendAPI::pRenderApi, RendMan::pRenderMan, renderBase::pRenderClientMan,
    // cam::cameraManager (its current camera is camera()), g_pTexCache, common::pCommonServices,
    // PACKMAN and os::pOperatingSystem to this host's objects.
    void install();
    // Sets them all back to null.
    void uninstall();
    bool isInstalled() const { return m_installed; }

    RefRenderApi& renderApi() { return m_renderApi; }
    RefRenderMan& renderMan() { return m_renderMan; }
    RefRenderClients& clients() { return m_clients; }
    RefCamera& camera() { return m_camera; }
    RefCommonServices& services() { return m_services; }
    RefPackageManager& packages() { return m_packages; }
    RefTextureCache& textureCache() { return m_textureCache; }
    RefOperatingSystem& os() { return m_os; }
    RefSearchPath& searchPath() { return m_searchPath; }

private:
    // Declaration order is construction order: the render API outlives its clients.
    RefSearchPath m_searchPath;
    RefRenderApi m_renderApi;
    RefRenderMan m_renderMan;
    RefRenderClients m_clients;
    RefCamera m_camera;
    cam::CameraManager m_cameraManager;
    RefCommonServices m_services;
    RefPackageManager m_packages;
    RefTextureCache m_textureCache;
    RefOperatingSystem m_os;
    bool m_installed = false;
};

}  // namespace refhost
