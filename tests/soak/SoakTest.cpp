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
#include <cstdio>
#include <cstdlib>

#include "ScratchData.h"
#include "entry/AllocationLog.h"
#include "refhost/RefFrameDriver.h"

namespace {

constexpr long kFrames = 10000, kWarmUpFrames = 100, kReplayFrames = 1000;

long soakFrames() {
#if defined(__SANITIZE_ADDRESS__)
    const char* text = std::getenv("ENVIRO_SOAK_FRAMES");
    const long n = text ? std::atol(text) : 0;
    if (n >= kReplayFrames + 2 * kWarmUpFrames && n < kFrames) return n;
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
    // What the counted frames did: frames with each kind of work.
    long directional = 0, lightShadows = 0, lightLists = 0, cubes = 0, days = 0;
    entry_test::startLog();
    for (long i = kWarmUpFrames; i < frames; ++i) {
        driver.runFrame();
        const refhost::RefFrameDriver::FrameStats& s = driver.lastFrame();
        directional += s.directionalShadow, lightShadows += s.lightShadowMaps > 0, lightLists += s.renderedLights > 0;
        cubes += s.ambientCube, days += s.sunDir.y > 0.0f;
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

    EXPECT_TRUE(grown < counted / 100 && entry_test::allocationCount() + entry_test::releaseCount() == 0);  // the counts are printed above
    EXPECT_TRUE(host.renderApi().leakedObjects().empty()) << host.renderApi().leakedObjects().front();
    EXPECT_EQ(host.renderApi().protocolErrors(), 0) << host.renderApi().protocolLog().front();
    EXPECT_EQ(host.renderApi().renderTargetDepth() + host.renderApi().depthSurfaceDepth(), 0);

    // The frames did the work the counts are about: both shadow kinds and the light lists were
    // drawn, the ambient cube was refreshed every 30th frame, and the sun set and rose (when the
    // frames span a day).
    EXPECT_TRUE(directional > counted / 4 && lightShadows > counted / 4 && lightLists == counted) << directional << " " << lightShadows;
    EXPECT_NEAR(double(cubes), double(counted) / 30.0, 1.0);
    EXPECT_TRUE(double(counted) * driver.settings().secondsPerFrame < 86400.0 || (days > 0 && days < counted)) << days;
}

}  // namespace
