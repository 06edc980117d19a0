#pragma once
// The module started on an installed host as a host process starts it: attached
// (enviro::onProcessAttach), createEnviro(), the astronomy manager's Init (configuration, light
// bitmap, star catalogue) and the sky's init; and stopped again (manager closed and deleted,
// module detached). The data files are found through the host's search path; the star cache
// "PPMbin.dat" is written in the working directory when missing.
#include <string>

namespace glhost {

class ModuleSession {
public:
    ModuleSession() = default;
    ~ModuleSession() { stop(); }
    ModuleSession(const ModuleSession&) = delete;
    ModuleSession& operator=(const ModuleSession&) = delete;

    // False with the reason in error when the module does not start (its globals are then
    // released again).
    bool start(std::string& error);
    void stop();
    bool isRunning() const { return m_running; }

private:
    bool m_running = false;
};

}  // namespace glhost
