// The soak: ten thousand frames in the host's order on the reference host, with the scene's
// lights, shadow casters and exclusion volumes added, moved and removed at random (fixed seed),
// the date advancing and the observer walking. Afterwards nothing the module made is still
// referenced and the renderer saw no protocol error.
//
// Allocation is checked twice. Over frames 101 .. 10 000 the module may still grow its working
// lists when the random scene reaches a larger size than ever before (shadow-fit points, clip
// polygons, the light fade table): those are rare growth steps, so fewer than one allocation per
// hundred frames is allowed, far below the one per frame that any per-frame allocation gives.
// Then the driver rewinds and replays the first frames exactly, with the module warm. The first
// replayed frame takes the jump back (the whole scene is replaced at once, which the light fade
// table may take as a larger change than any before); after it nothing may allocate or free.
//
// The normal build always runs 10 000 frames. Under the sanitizers (the AddressSanitizer build,
// where frames are about 2.5 times slower) the environment variable ENVIRO_SOAK_FRAMES may lower
// the count, to no fewer than 1200.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "ScratchData.h"
#include "entry/AllocationLog.h"
#include "refhost/RefFrameDriver.h"

namespace {

constexpr long kFrames = 10000, kWarmUpFrames = 100, kReplayFrames = 1000;

long soakFrames() {
#if defined(__SANITIZE_ADDRESS__)
    if (const char* text = std::getenv("ENVIRO_SOAK_FRAMES")) {
        const long n = std::atol(text);
        if (n >= kReplayFrames + 2 * kWarmUpFrames && n < kFrames) return n;
    }
#endif
    return kFrames;
}

class SoakTest : public soak_test::FrameTest {};

TEST_F(SoakTest, ChurningFramesLeakNothingKeepTheProtocolAndAllocateOnlyToGrow) {
    const long frames = soakFrames(), counted = frames - kWarmUpFrames;
    refhost::RefFrameDriver driver(host);
    ASSERT_TRUE(driver.startUp());
    driver.setRecording(false);
    for (long i = 0; i < kWarmUpFrames; ++i) driver.runFrame();
    // What the counted frames did: frames with each kind of work, and the range of the record counts.
    long directional = 0, lightShadows = 0, lightLists = 0, cubes = 0, days = 0;
    int low[3] = {1 << 30, 1 << 30, 1 << 30}, high[3] = {0, 0, 0};  // lights, casters, volumes
    entry_test::startLog();
    for (long i = kWarmUpFrames; i < frames; ++i) {
        driver.runFrame();
        const refhost::RefFrameDriver::FrameStats& s = driver.lastFrame();
        directional += s.directionalShadow;
        lightShadows += s.lightShadowMaps > 0;
        lightLists += s.renderedLights > 0;
        cubes += s.ambientCube;
        days += s.sunDir.y > 0.0f;
        const int records[3] = {s.lights, s.casters, s.volumes};
        for (int k = 0; k < 3; ++k) low[k] = std::min(low[k], records[k]), high[k] = std::max(high[k], records[k]);
    }
    entry_test::stopLog();
    const long grown = entry_test::allocationCount(), run = driver.frameCount();
    const double meanMs = 1000.0 * driver.totalFrameSeconds() / double(run);
    EXPECT_GT(driver.lastFrame().starCount, 1000) << "the catalogue was loaded";

    driver.rewind();
    driver.runFrame();
    entry_test::startLog();
    for (long i = 1; i < kReplayFrames; ++i) driver.runFrame();
    entry_test::stopLog();
    driver.shutDown();
    std::printf("[ soak ] frames %ld, mean %.3f ms per frame; allocations in frames %ld..%ld: %ld; in replayed frames 2..%ld: %d (releases %d)\n",
                run, meanMs, kWarmUpFrames + 1, frames, grown, kReplayFrames, entry_test::allocationCount(), entry_test::releaseCount());

    EXPECT_EQ(run, frames);
    EXPECT_LT(grown, counted / 100);
    EXPECT_EQ(entry_test::allocationCount(), 0);
    EXPECT_EQ(entry_test::releaseCount(), 0);
    EXPECT_TRUE(host.renderApi().leakedObjects().empty()) << host.renderApi().leakedObjects().front();
    EXPECT_EQ(host.renderApi().protocolErrors(), 0) << host.renderApi().protocolLog().front();
    EXPECT_EQ(host.renderApi().renderTargetDepth() + host.renderApi().depthSurfaceDepth(), 0);

    // The frames did the work the counts are about: both shadow kinds and the light lists were
    // drawn, the ambient cube was refreshed every 30th frame, the sun set and rose (when the
    // frames span a day), and every kind of record came and went.
    EXPECT_GT(directional, counted / 4);
    EXPECT_GT(lightShadows, counted / 4);
    EXPECT_EQ(lightLists, counted);
    EXPECT_NEAR(double(cubes), double(counted) / 30.0, 1.0);
    EXPECT_TRUE(double(counted) * driver.settings().secondsPerFrame < 86400.0 || (days > 0 && days < counted)) << days;
    for (int k = 0; k < 3; ++k) EXPECT_LT(low[k] + (k < 2 ? 4 : 2), high[k]) << "lights, casters, volumes: " << k;
}

}  // namespace
