// The reference host's frame driver: what start-up and shut-down do to the module's globals and
// the renderer, the calendar it feeds the astronomy manager, and that its frames repeat exactly
// for a seed (after a rewind too).
#include <algorithm>
#include <cmath>
#include <ctime>
#include <vector>

#include "ScratchData.h"
#include "enviro/Enviro.h"
#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/effects/ShadowCasterDesc.h"
#include "enviro/host/CameraFrame.h"
#include "enviro/sky/Sky.h"
#include "refhost/RefFrameDriver.h"

namespace {

using refhost::RefFrameDriver;
using soak_test::FrameTest;

class FrameDriverTest : public FrameTest {};

// The parts of a frame's stats that depend on the random scene and the clock.
struct Fingerprint {
    int lights, casters, volumes, renderedLights, lightShadowMaps;
    bool directionalShadow;
    float sunY;
    bool operator==(const Fingerprint& o) const {
        return lights == o.lights && casters == o.casters && volumes == o.volumes &&
               renderedLights == o.renderedLights && lightShadowMaps == o.lightShadowMaps &&
               directionalShadow == o.directionalShadow && sunY == o.sunY;
    }
};

std::vector<Fingerprint> run(RefFrameDriver& driver, int frames) {
    std::vector<Fingerprint> out;
    for (int i = 0; i < frames; ++i) {
        driver.runFrame();
        const RefFrameDriver::FrameStats& s = driver.lastFrame();
        out.push_back({s.lights, s.casters, s.volumes, s.renderedLights, s.lightShadowMaps, s.directionalShadow,
                       s.sunDir.y});
    }
    return out;
}

TEST_F(FrameDriverTest, StartUpAndShutDownUndoExactlyWhatTheyDid) {
    refhost::ReferenceHost bare("");  // never installed
    RefFrameDriver refused(bare);
    EXPECT_FALSE(refused.startUp());
    refused.runFrame();
    EXPECT_EQ(refused.frameCount(), 0);
    EXPECT_EQ(enviro::sky, nullptr);
    EXPECT_EQ(effector::effectorMan, nullptr);

    {
        RefFrameDriver driver(host);
        ASSERT_TRUE(driver.startUp());
        EXPECT_TRUE(driver.startUp());  // already running
        ASSERT_NE(driver.manager(), nullptr);
        EXPECT_EQ(driver.manager(), effector::effectorMan);
        for (int i = 0; i < 3; ++i) driver.runFrame();
        EXPECT_EQ(driver.frameCount(), 3);
        EXPECT_EQ(driver.lastFrame().casters, driver.manager()->getRecordCount(effector::EFFECTOR_SHADOWCASTER));
        EXPECT_GT(driver.lastFrame().renderedLights, 0);
        // The casters stand on the world ground (height 0) around the camera, in the drawing frame.
        const Math::Vector3f eye = cam::cameraDrawingPosition(&host.camera());
        effector::EffectorMan::DataList& casters =
            *driver.manager()->getEffectorDataList(effector::EFFECTOR_SHADOWCASTER, -1, nullptr, 0);
        for (int i = 0; i < casters.count(); ++i) {
            const Math::Matrix4f& m = static_cast<effector::SHADOWCASTERDESC*>(casters[i])->mWorld;
            EXPECT_EQ(m.m[3][1], -cam::drawingFrameOrigin(&host.camera()).y);
            EXPECT_LE(std::max(std::fabs(m.m[3][0] - eye.x), std::fabs(m.m[3][2] - eye.z)), 40.0f);
        }
    }  // the destructor shuts down
    EXPECT_EQ(enviro::sky, nullptr);
    EXPECT_EQ(g_AstroManager, nullptr);
    EXPECT_EQ(effector::effectorMan, nullptr);
    EXPECT_TRUE(host.renderApi().leakedObjects().empty());

    // A host that attached the module and created the manager itself keeps both: the driver
    // only closes the manager.
    enviro::onProcessAttach();
    createEnviro();
    effector::EffectorMan* own = effector::effectorMan;
    {
        RefFrameDriver driver(host);
        ASSERT_TRUE(driver.startUp());
        EXPECT_EQ(driver.manager(), own);
        driver.runFrame();
        driver.shutDown();
        EXPECT_FALSE(driver.isRunning());
        EXPECT_EQ(driver.manager(), nullptr);
    }
    EXPECT_EQ(effector::effectorMan, own);
    EXPECT_EQ(own->getEffectorInstance(effector::EFFECTOR_LIGHT), nullptr);  // closed
    EXPECT_NE(enviro::sky, nullptr);
    delete own;
    effector::effectorMan = nullptr;
    enviro::onProcessDetach();
    EXPECT_EQ(host.renderApi().protocolErrors(), 0);
}

TEST_F(FrameDriverTest, TheClockCrossesMonthAndYearEndsLikeTheCLibraryCalendar) {
    RefFrameDriver::Settings settings;
    settings.startYear = 2023;
    settings.startMonth = 12;
    settings.startDay = 31;
    settings.startHour = 23;
    settings.secondsPerFrame = 1234.5;
    RefFrameDriver driver(host, settings);
    ASSERT_TRUE(driver.startUp());
    std::tm start{};
    start.tm_year = 2023 - 1900;
    start.tm_mon = 11;
    start.tm_mday = 31;
    start.tm_hour = 23;
    const std::time_t origin = timegm(&start);
    for (int frame = 1; frame <= 40; ++frame) {
        driver.runFrame();
        const double elapsed = (frame - 1) * settings.secondsPerFrame;
        const std::time_t whole = origin + static_cast<std::time_t>(elapsed);
        std::tm expected{};
        gmtime_r(&whole, &expected);
        int y, mo, d, h, mi;
        float s;
        g_AstroManager->getDateTime(y, mo, d, h, mi, s);
        ASSERT_EQ(y, expected.tm_year + 1900) << "frame " << frame;
        ASSERT_EQ(mo, expected.tm_mon + 1) << "frame " << frame;
        ASSERT_EQ(d, expected.tm_mday) << "frame " << frame;
        ASSERT_EQ(h, expected.tm_hour) << "frame " << frame;
        ASSERT_EQ(mi, expected.tm_min) << "frame " << frame;
        ASSERT_NEAR(s, expected.tm_sec + (elapsed - double(static_cast<long>(elapsed))), 1e-3) << "frame " << frame;
    }
}

TEST_F(FrameDriverTest, FramesRepeatForASeedAndAfterARewind) {
    std::vector<Fingerprint> first, again, rewound, otherSeed;
    {
        RefFrameDriver driver(host);
        ASSERT_TRUE(driver.startUp());
        first = run(driver, 60);
        driver.rewind();
        EXPECT_EQ(driver.frameCount(), 0);
        rewound = run(driver, 60);
    }
    {
        RefFrameDriver driver(host);
        ASSERT_TRUE(driver.startUp());
        again = run(driver, 60);
    }
    {
        RefFrameDriver::Settings settings;
        settings.seed = 7;
        RefFrameDriver driver(host, settings);
        ASSERT_TRUE(driver.startUp());
        otherSeed = run(driver, 60);
    }
    EXPECT_TRUE(first == again);
    EXPECT_TRUE(first == rewound);
    EXPECT_FALSE(first == otherSeed);
    // The churn really changes the scene from frame to frame.
    int changes = 0;
    for (size_t i = 1; i < first.size(); ++i)
        changes += first[i].lights != first[i - 1].lights || first[i].casters != first[i - 1].casters;
    EXPECT_GT(changes, 20);
}

}  // namespace
