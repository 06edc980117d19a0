#pragma once
// The host libraries that do not draw: the file search path, configuration files and bitmaps,
// packaged files, the texture cache, the operating-system hooks and the camera. Every host of
// this project (the CPU reference host and the OpenGL host) owns one HostServices and installs
// it beside its own renderer, so both find files, read configuration and move the camera the
// same way. They are built as the library enviro_hostservices, which both hosts link.
//
//     refhost::HostServices services("data");  // files: working directory first, then data/
//     services.install();                      // cam::cameraManager, common::pCommonServices,
//                                              // PACKMAN, g_pTexCache, os::pOperatingSystem
//     ...
//     services.uninstall();                    // all five back to null
#include <string>

#include "enviro/host/Camera.h"
#include "refhost/RefCamera.h"
#include "refhost/RefCommonServices.h"
#include "refhost/RefOperatingSystem.h"
#include "refhost/RefPackageManager.h"
#include "refhost/RefSearchPath.h"
#include "refhost/RefTextureCache.h"

namespace refhost {

class HostServices {
public:
    // dataRoot: second directory of the file search path (the working directory comes first).
    explicit HostServices(const std::string& dataRoot = "");
    ~HostServices();  // uninstalls if installed
    HostServices(const HostServices&) = delete;
    HostServices& operator=(const HostServices&) = delete;

    // Sets cam::cameraManager (its current camera is camera()), g_pTexCache,
    // common::pCommonServices, PACKMAN and os::pOperatingSystem to these objects.
    void install();
    // Sets the same globals back to null.
    void uninstall();
    bool isInstalled() const { return m_installed; }

    RefCamera& camera() { return m_camera; }
    RefCommonServices& services() { return m_services; }
    RefPackageManager& packages() { return m_packages; }
    RefTextureCache& textureCache() { return m_textureCache; }
    RefOperatingSystem& os() { return m_os; }
    RefSearchPath& searchPath() { return m_searchPath; }

private:
    RefSearchPath m_searchPath;
    RefCamera m_camera;
    cam::CameraManager m_cameraManager;
    RefCommonServices m_services;
    RefPackageManager m_packages;
    RefTextureCache m_textureCache;
    RefOperatingSystem m_os;
    bool m_installed = false;
};

}  // namespace refhost
