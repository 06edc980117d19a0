#include "refhost/HostServices.h"

#include "enviro/host/CommonServices.h"
#include "enviro/host/OperatingSystem.h"
#include "enviro/host/TextureCache.h"

namespace refhost {

HostServices::HostServices(const std::string& dataRoot)
    : m_searchPath(dataRoot), m_cameraManager{&m_camera}, m_services(m_searchPath), m_packages(m_searchPath) {}

HostServices::~HostServices() {
    if (m_installed) uninstall();
}

void HostServices::install() {
    cam::cameraManager = &m_cameraManager;
    g_pTexCache = &m_textureCache;
    common::pCommonServices = &m_services;
    PACKMAN = &m_packages;
    os::pOperatingSystem = &m_os;
    m_installed = true;
}

void HostServices::uninstall() {
    cam::cameraManager = nullptr;
    g_pTexCache = nullptr;
    common::pCommonServices = nullptr;
    PACKMAN = nullptr;
    os::pOperatingSystem = nullptr;
    m_installed = false;
}

}  // namespace refhost
