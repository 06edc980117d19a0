#pragma once
// The OpenGL host's render-client manager: the clients by name. Each client is a class of its own
// under glhost/clients/ (its GLSL under glhost/shaders/); GlHost makes them at start-up
// (GlHost::addClients) and hands them here.
#include <memory>
#include <vector>

#include "enviro/host/RenderClients.h"

namespace glhost {

class GlRenderClients final : public renderBase::IRenderClientMan {
public:
    // Keeps the client; one with the name of a client already there replaces it.
    void add(std::unique_ptr<renderBase::IRenderClient> client);
    // The client of that name, or null.
    renderBase::IRenderClient* getClient(const char* name) override;
    // The client registered as Client::kName, as that type (null when absent).
    template <class Client>
    Client* get() {
        return dynamic_cast<Client*>(getClient(Client::kName));
    }
    // Deletes every client (before the context goes).
    void clear() { m_clients.clear(); }

private:
    std::vector<std::unique_ptr<renderBase::IRenderClient>> m_clients;
};

}  // namespace glhost
