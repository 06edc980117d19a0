#include "refhost/ReferenceHost.h"

#include "enviro/host/CommonServices.h"
#include "enviro/host/OperatingSystem.h"
#include "enviro/host/RenderApi.h"
#include "enviro/host/RenderClients.h"
#include "enviro/host/TextureCache.h"

namespace refhost {

ReferenceHost::ReferenceHost(const std::string& dataRoot)
    : m_searchPath(dataRoot),
      m_clients(m_renderApi),
      m_cameraManager{&m_camera},
      m_services(m_searchPath),
      m_packages(m_searchPath) {}

ReferenceHost::~ReferenceHost() {
    if (m_installed) uninstall();
}

void ReferenceHost::install() {
    RendAPI::pRenderApi = &m_renderApi;
    RendMan::pRenderMan = &m_renderMan;
    renderBase::pRenderClientMan = &m_clients;
    cam::cameraManager = &m_cameraManager;
    g_pTexCache = &m_textureCache;
    common::pCommonServices = &m_services;
    PACKMAN = &m_packages;
    os::pOperatingSystem = &m_os;
    m_installed = true;
}

void ReferenceHost::uninstall() {
    RendAPI::pRenderApi = nullptr;
    RendMan::pRenderMan = nullptr;
    renderBase::pRenderClientMan = nullptr;
    cam::cameraManager = nullptr;
    g_pTexCache = nullptr;
    common::pCommonServices = nullptr;
    PACKMAN = nullptr;
    os::pOperatingSystem = nullptr;
    m_installed = false;
}

}  // namespace refhost
