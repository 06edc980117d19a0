#include "refhost/ReferenceHost.h"

#include "enviro/host/RenderApi.h"
#include "enviro/host/RenderClients.h"

namespace refhost {

ReferenceHost::ReferenceHost(const std::string& dataRoot) : m_services(dataRoot), m_clients(m_renderApi) {}

ReferenceHost::~ReferenceHost() {
    if (isInstalled()) uninstall();
}

void ReferenceHost::install() {
    RendAPI::pRenderApi = &m_renderApi;
    RendMan::pRenderMan = &m_renderMan;
    renderBase::pRenderClientMan = &m_clients;
    m_services.install();
}

void ReferenceHost::uninstall() {
    RendAPI::pRenderApi = nullptr;
    RendMan::pRenderMan = nullptr;
    renderBase::pRenderClientMan = nullptr;
    m_services.uninstall();
}

}  // namespace refhost
