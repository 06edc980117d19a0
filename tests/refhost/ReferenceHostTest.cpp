// Installing the host sets every global the module reads, and uninstalling clears them.
#include "refhost/ReferenceHost.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "enviro/host/Camera.h"
#include "enviro/host/OperatingSystem.h"
#include "enviro/host/RenderClients.h"
#include "enviro/host/TextureCache.h"

TEST(ReferenceHost, InstallSetsEveryGlobalAndUninstallClearsThem) {
    {
        refhost::ReferenceHost host;
        host.install();
        EXPECT_EQ(RendAPI::pRenderApi, &host.renderApi());
        EXPECT_EQ(RendMan::pRenderMan, &host.renderMan());
        EXPECT_EQ(renderBase::pRenderClientMan, &host.clients());
        EXPECT_EQ(cam::currentCamera(), &host.camera());
        EXPECT_EQ(g_pTexCache, &host.textureCache());
        EXPECT_EQ(common::pCommonServices, &host.services());
        EXPECT_EQ(PACKMAN, &host.packages());
        EXPECT_EQ(os::pOperatingSystem, &host.os());
        os::MessageBox("Can not create m_prtScreenNormal color surface");
        EXPECT_EQ(host.os().messages(), std::vector<std::string>{"Can not create m_prtScreenNormal color surface"});
    }  // the destructor uninstalls
    EXPECT_EQ(RendAPI::pRenderApi, nullptr);
    EXPECT_EQ(RendMan::pRenderMan, nullptr);
    EXPECT_EQ(renderBase::pRenderClientMan, nullptr);
    EXPECT_EQ(cam::cameraManager, nullptr);
    EXPECT_EQ(g_pTexCache, nullptr);
    EXPECT_EQ(common::pCommonServices, nullptr);
    EXPECT_EQ(PACKMAN, nullptr);
    EXPECT_EQ(os::pOperatingSystem, nullptr);
}
