// The reference host's frame driver, as the soak relies on it: shut-down undoes what start-up did
// to the module's globals, the scene stands on the world ground around the camera, and the frames
// repeat exactly for a seed and after a rewind. The largest frame the demo draws (256 lights, 16
// of them with atlas shadows, 500 shadow casters, every pass) allocates nothing once warm.
#include <algorithm>
#include <cmath>
#include <vector>

#include "ScratchData.h"
#include "entry/AllocationLog.h"
#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/ShadowCasterDesc.h"
#include "enviro/host/CameraFrame.h"
#include "enviro/sky/Sky.h"
#include "refhost/RefFrameDriver.h"

namespace {

using refhost::RefFrameDriver;
using namespace effector;
using FrameDriverTest = soak_test::FrameTest;

TEST_F(FrameDriverTest, LargestFrameAllocatesNothingOnceWarmStandsOnTheGroundAndShutsDownClean) {
    {
        RefFrameDriver driver(host, RefFrameDriver::Settings::largestFrame());
        ASSERT_TRUE(driver.startUp());
        driver.setRecording(false);
        for (int i = 0; i < 3; ++i) driver.runFrame();
        entry_test::startLog();
        for (int i = 0; i < 5; ++i) driver.runFrame();
        entry_test::stopLog();
        EXPECT_EQ(entry_test::allocationCount() + entry_test::releaseCount(), 0);
        const RefFrameDriver::FrameStats& frame = driver.lastFrame();
        EXPECT_TRUE(frame.lights == 256 && frame.casters == 500 && frame.directionalShadow && frame.ambientCube);
        EXPECT_TRUE(frame.lightShadowMaps > 0 && frame.lightShadowMaps <= 16) << frame.lightShadowMaps;  // the shadowed lights in view
        // The casters stand on the world ground (height 0) around the camera, in the drawing frame.
        const Math::Vector3f eye = cam::cameraDrawingPosition(&host.camera());
        const EffectorMan::DataList& casters = *effectorMan->getEffectorDataList(EFFECTOR_SHADOWCASTER, -1, nullptr, 0);
        ASSERT_EQ(casters.count(), 500);
        for (int i = 0; i < casters.count(); ++i) {
            const Math::Matrix4f& m = static_cast<const SHADOWCASTERDESC*>(casters[i])->mWorld;
            EXPECT_EQ(m.m[3][1], -cam::drawingFrameOrigin(&host.camera()).y);
            EXPECT_LE(std::max(std::fabs(m.m[3][0] - eye.x), std::fabs(m.m[3][2] - eye.z)), 40.0f);
        }
    }  // the destructor shuts down
    EXPECT_TRUE(enviro::sky == nullptr && g_AstroManager == nullptr && effectorMan == nullptr);
    EXPECT_TRUE(host.renderApi().leakedObjects().empty() && host.renderApi().protocolErrors() == 0);
}

TEST_F(FrameDriverTest, FramesRepeatForASeedAndAfterARewind) {
    // The parts of each frame's stats that depend on the random scene and the clock.
    auto run = [this](uint32_t seed, bool rewind) {
        RefFrameDriver::Settings settings;
        settings.seed = seed;
        RefFrameDriver driver(host, settings);
        EXPECT_TRUE(driver.startUp());
        for (int i = 0; i < (rewind ? 60 : 0); ++i) driver.runFrame();
        if (rewind) driver.rewind();
        std::vector<std::vector<double>> frames;
        for (int i = 0; i < 60; ++i) {
            driver.runFrame();
            const RefFrameDriver::FrameStats& s = driver.lastFrame();
            frames.push_back({double(s.lights), double(s.casters), double(s.volumes), double(s.renderedLights),
                              double(s.lightShadowMaps), double(s.directionalShadow), s.sunDir.y});
        }
        return frames;
    };
    const auto first = run(RefFrameDriver::Settings().seed, false);
    EXPECT_EQ(run(RefFrameDriver::Settings().seed, true), first);
    EXPECT_NE(run(7, false), first);
    int changes = 0;  // the churn really changes the scene from frame to frame
    for (size_t i = 1; i < first.size(); ++i) changes += first[i][0] != first[i - 1][0] || first[i][1] != first[i - 1][1];
    EXPECT_GT(changes, 20);
}

}  // namespace
