#include "glhost/GlRenderClients.h"

#include <cstring>

namespace glhost {

void GlRenderClients::add(std::unique_ptr<renderBase::IRenderClient> client) {
    if (!client) return;
    for (auto& c : m_clients)
        if (std::strcmp(c->getClientName(), client->getClientName()) == 0) {
            c = std::move(client);
            return;
        }
    m_clients.push_back(std::move(client));
}

renderBase::IRenderClient* GlRenderClients::getClient(const char* name) {
    if (!name) return nullptr;
    for (auto& c : m_clients)
        if (std::strcmp(c->getClientName(), name) == 0) return c.get();
    return nullptr;
}

}  // namespace glhost
