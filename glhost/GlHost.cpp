#include "glhost/GlHost.h"

#include <GLFW/glfw3.h>

#include "glhost/clients/GlBackCube.h"
#include "glhost/clients/GlBkgr.h"
#include "glhost/clients/GlCirrus.h"
#include "glhost/clients/GlLightRender.h"
#include "glhost/clients/GlPostEffect.h"
#include "glhost/clients/GlSkySphere.h"

namespace glhost {

std::unique_ptr<GlHost> GlHost::create(const Options& options, std::string& error) {
    std::unique_ptr<GlHost> host(new GlHost(options.dataRoot));
    host->m_context = GlContext::create(options.context, error);
    if (!host->m_context) return nullptr;
    host->m_api = std::make_unique<GlRenderApi>();
    host->m_device = std::make_unique<GlDevice>(*host->m_api, host->m_programs);
    if (!host->addClients(error)) return nullptr;
    return host;
}

// Every client of the host. A client whose programs do not compile stops the start-up.
bool GlHost::addClients(std::string& error) {
    std::unique_ptr<renderBase::IRenderClient> clients[] = {
        GlBkgr::create(*m_device, error),
        error.empty() ? GlPostEffect::create(*m_device, error) : nullptr,
        error.empty() ? GlSkySphere::create(*m_device, error) : nullptr,
        error.empty() ? GlLightRender::create(*m_device, error) : nullptr,
        error.empty() ? GlBackCube::create(*m_device, error) : nullptr,
        error.empty() ? GlCirrus::create(*m_device, error) : nullptr,
    };
    if (!error.empty()) return false;
    for (auto& c : clients) m_clients.add(std::move(c));
    return true;
}

GlHost::~GlHost() {
    if (isInstalled()) uninstall();
    releaseGlObjects();
}

void GlHost::install() {
    RendAPI::pRenderApi = m_api.get();
    RendMan::pRenderMan = &m_renderMan;
    renderBase::pRenderClientMan = &m_clients;
    m_services.install();
}

void GlHost::uninstall() {
    RendAPI::pRenderApi = nullptr;
    RendMan::pRenderMan = nullptr;
    renderBase::pRenderClientMan = nullptr;
    m_services.uninstall();
}

bool GlHost::presentToWindow(RendAPI::ITexture* frame) {
    GLFWwindow* window = m_context ? m_context->window() : nullptr;
    if (!window || !m_api) return false;
    int w = 0, h = 0;
    glfwGetFramebufferSize(window, &w, &h);
    m_api->blitToWindow(frame, w, h);
    return m_context->present();
}

void GlHost::releaseGlObjects() {
    if (!m_context) return;
    m_clients.clear();
    m_programs.clear();
    m_device.reset();
    m_api.reset();
}

}  // namespace glhost
