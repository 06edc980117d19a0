#pragma once
// The OpenGL host: one object that owns a GL 4.5 context and an implementation of every host
// library the module calls, and plugs them into the module's globals, as refhost::ReferenceHost
// does for the CPU reference renderer. What does not draw (camera, configuration, bitmaps,
// packaged files, texture cache, OS hooks) is the HostServices both hosts share.
//
//     std::string error;
//     auto host = glhost::GlHost::create(glhost::GlHost::Options{"data"}, error);
//     if (!host) { fprintf(stderr, "%s\n", error.c_str()); return 1; }
//     host->install();                // before createEnviro() and Init()
//     ... run the module, draw the scene (glhost/scene/), read targets back ...
//     host->uninstall();
//     host->releaseGlObjects();       // then gl::liveObjectCount() is 0
//
// Files: GlContext (EGL or GLFW context, debug output), GlRenderApi and GlRenderObject (targets
// as GL textures), GlFormats (the format table), GlRenderMan, GlShader and GlPrograms (GLSL
// programs as the module's shaders), GlRenderClients and glhost/clients/ (the render clients:
// "Bkgr", "SysPostEffect", "SkySphere", "SysLightRender", "SysBackCube", "Cirrus"), GlDevice
// (what clients draw with), GlProjectionScales (the camera's projection for screen-space
// shaders), GlObjects (the count of GL objects).
#include <memory>
#include <string>

#include "glhost/GlContext.h"
#include "glhost/GlDevice.h"
#include "glhost/GlPrograms.h"
#include "glhost/GlRenderApi.h"
#include "glhost/GlRenderClients.h"
#include "glhost/GlRenderMan.h"
#include "refhost/HostServices.h"

namespace glhost {

class GlHost {
public:
    struct Options {
        std::string dataRoot;      // second directory of the file search path
        GlContext::Options context;
    };

    // The context, the render API and every client with its programs compiled. Null with the
    // reason in error when there is no EGL or no OpenGL 4.5, or a shader does not compile (the
    // message names the file and line).
    static std::unique_ptr<GlHost> create(const Options& options, std::string& error);
    ~GlHost();  // uninstalls, releases the GL objects, then the context
    GlHost(const GlHost&) = delete;
    GlHost& operator=(const GlHost&) = delete;

    // Sets RendAPI::pRenderApi, RendMan::pRenderMan, renderBase::pRenderClientMan and the
    // shared services' globals (camera, configuration, packages, texture cache, OS).
    void install();
    // Sets them all back to null.
    void uninstall();
    bool isInstalled() const { return m_services.isInstalled(); }

    // Shows a colour target in the window (scaled to it); false when there is no window or the
    // user closed it.
    bool presentToWindow(RendAPI::ITexture* frame);

    // Deletes every GL object the host made (clients, programs, render objects, framebuffers);
    // the host cannot draw afterwards. Idempotent; the destructor calls it.
    void releaseGlObjects();

    GlContext& context() { return *m_context; }
    GlRenderApi& renderApi() { return *m_api; }
    GlRenderMan& renderMan() { return m_renderMan; }
    GlRenderClients& clients() { return m_clients; }
    GlPrograms& programs() { return m_programs; }
    GlDevice& device() { return *m_device; }
    refhost::HostServices& services() { return m_services; }
    refhost::RefCamera& camera() { return m_services.camera(); }

private:
    explicit GlHost(const std::string& dataRoot) : m_services(dataRoot) {}
    bool addClients(std::string& error);

    refhost::HostServices m_services;
    std::unique_ptr<GlContext> m_context;  // declared first of the GL members: destroyed last
    GlPrograms m_programs;
    std::unique_ptr<GlRenderApi> m_api;
    std::unique_ptr<GlDevice> m_device;
    GlRenderMan m_renderMan;
    GlRenderClients m_clients;
};

}  // namespace glhost
