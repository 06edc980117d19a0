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
// RefRenderMan (render manager), RefRenderClients (shader clients). The libraries that do not
// draw (camera, configuration and bitmaps, packaged files, texture cache, message box and ticks)
// are the HostServices that every host of the project shares (HostServices.h).
// Shaders and models (RefShader, RefModel) are objects the host's scene makes itself.
// Everything is single-threaded, like the module.
#include <string>

#include "refhost/HostServices.h"
#include "refhost/RefRenderApi.h"
#include "refhost/RefRenderClients.h"
#include "refhost/RefRenderMan.h"

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
    bool isInstalled() const { return m_services.isInstalled(); }

    RefRenderApi& renderApi() { return m_renderApi; }
    RefRenderMan& renderMan() { return m_renderMan; }
    RefRenderClients& clients() { return m_clients; }
    RefCamera& camera() { return m_services.camera(); }
    RefCommonServices& services() { return m_services.services(); }
    RefPackageManager& packages() { return m_services.packages(); }
    RefTextureCache& textureCache() { return m_services.textureCache(); }
    RefOperatingSystem& os() { return m_services.os(); }
    RefSearchPath& searchPath() { return m_services.searchPath(); }

private:
    // Declaration order is construction order: the render API outlives its clients.
    HostServices m_services;
    RefRenderApi m_renderApi;
    RefRenderMan m_renderMan;
    RefRenderClients m_clients;
};

}  // namespace refhost
