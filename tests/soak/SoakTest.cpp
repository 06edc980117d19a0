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
#include <string>
#include <vector>

#include "ScratchData.h"
#include "effector/alloc/AllocationCounter.h"
#include "enviro/Enviro.h"
#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "enviro/sky/Sky.h"
#include "refhost/RefFrameDriver.h"

namespace {

using soak_test::FrameTest;

constexpr long kFrames = 10000;
constexpr long kWarmUpFrames = 100;
constexpr long kReplayFrames = 1000;

long soakFrames() {
#if defined(__SANITIZE_ADDRESS__)
    if (const char* text = std::getenv("ENVIRO_SOAK_FRAMES")) {
        const long n = std::atol(text);
        if (n >= kReplayFrames + 2 * kWarmUpFrames && n < kFrames) return n;
    }
#endif
    return kFrames;
}

// What the counted frames did, gathered without allocating.
struct Coverage {
    long directionalShadows = 0, framesWithLightShadows = 0, framesWithLightLists = 0, ambientCubes = 0;
    long dayFrames = 0, nightFrames = 0;
    int minLights = 1 << 30, maxLights = 0, minCasters = 1 << 30, maxCasters = 0, minVolumes = 1 << 30, maxVolumes = 0;

    void add(const refhost::RefFrameDriver::FrameStats& s) {
        directionalShadows += s.directionalShadow ? 1 : 0;
        framesWithLightShadows += s.lightShadowMaps > 0 ? 1 : 0;
        framesWithLightLists += s.renderedLights > 0 ? 1 : 0;
        ambientCubes += s.ambientCube ? 1 : 0;
        (s.sunDir.y > 0.0f ? dayFrames : nightFrames) += 1;
        minLights = std::min(minLights, s.lights);
        maxLights = std::max(maxLights, s.lights);
        minCasters = std::min(minCasters, s.casters);
        maxCasters = std::max(maxCasters, s.casters);
        minVolumes = std::min(minVolumes, s.volumes);
        maxVolumes = std::max(maxVolumes, s.volumes);
    }
};

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
    return out;
}

class SoakTest : public FrameTest {};

TEST_F(SoakTest, ChurningFramesLeakNothingKeepTheProtocolAndAllocateOnlyToGrow) {
    const long frames = soakFrames();
    refhost::RefFrameDriver driver(host);
    ASSERT_TRUE(driver.startUp());
    driver.setRecording(false);

    for (long i = 0; i < kWarmUpFrames; ++i) driver.runFrame();
    Coverage seen;
    alloc_test::startCounting();
    for (long i = kWarmUpFrames; i < frames; ++i) {
        driver.runFrame();
        seen.add(driver.lastFrame());
    }
    const alloc_test::AllocationCount counted = alloc_test::stopCounting();
    const long runFrames = driver.frameCount();
    const double meanMs = 1000.0 * driver.totalFrameSeconds() / double(runFrames);
    EXPECT_GT(driver.lastFrame().starCount, 1000) << "the catalogue was loaded";

    driver.rewind();
    driver.runFrame();
    alloc_test::startCounting();
    for (long i = 1; i < kReplayFrames; ++i) driver.runFrame();
    const alloc_test::AllocationCount replayed = alloc_test::stopCounting();

    driver.shutDown();
    const std::vector<std::string> leaked = host.renderApi().leakedObjects();
    const int protocolErrors = host.renderApi().protocolErrors();

    std::printf("[ soak ] frames %ld, mean %.3f ms per frame; allocations in frames %ld..%ld: %ld (releases %ld); "
                "in replayed frames 2..%ld: %ld (releases %ld); leaked references %zu; protocol errors %d\n",
                runFrames, meanMs, kWarmUpFrames + 1, runFrames, counted.allocations, counted.releases,
                kReplayFrames, replayed.allocations, replayed.releases, leaked.size(), protocolErrors);
    RecordProperty("frames", std::to_string(runFrames));
    RecordProperty("mean_ms_per_frame", std::to_string(meanMs));
    RecordProperty("allocations_after_warmup", std::to_string(counted.allocations));
    RecordProperty("allocations_in_replay", std::to_string(replayed.allocations));
    RecordProperty("leaked_references", std::to_string(leaked.size()));
    RecordProperty("protocol_errors", std::to_string(protocolErrors));

    EXPECT_EQ(runFrames, frames);
    EXPECT_TRUE(leaked.empty()) << joined(leaked);
    EXPECT_EQ(protocolErrors, 0) << (protocolErrors ? host.renderApi().protocolLog().front() : "");
    EXPECT_LT(counted.allocations, (frames - kWarmUpFrames) / 100);
    EXPECT_EQ(replayed.allocations, 0);
    EXPECT_EQ(replayed.releases, 0);
    EXPECT_EQ(host.renderApi().renderTargetDepth(), 0);
    EXPECT_EQ(host.renderApi().depthSurfaceDepth(), 0);

    // The frames did the work the counts are about: both shadow kinds and the light lists were
    // drawn, the ambient cube was refreshed every 30th frame, the sun set and rose (when the
    // frames span a day), and every kind of record came and went.
    const long countedFrames = frames - kWarmUpFrames;
    EXPECT_GT(seen.directionalShadows, countedFrames / 4);
    EXPECT_GT(seen.framesWithLightShadows, countedFrames / 4);
    EXPECT_EQ(seen.framesWithLightLists, countedFrames);
    EXPECT_NEAR(double(seen.ambientCubes), double(countedFrames) / 30.0, 1.0);
    if (double(countedFrames) * driver.settings().secondsPerFrame >= 86400.0) {  // a whole day
        EXPECT_GT(seen.dayFrames, 0);
        EXPECT_GT(seen.nightFrames, 0);
    }
    EXPECT_LT(seen.minLights + 4, seen.maxLights);
    EXPECT_LT(seen.minCasters + 4, seen.maxCasters);
    EXPECT_LT(seen.minVolumes + 2, seen.maxVolumes);
}

}  // namespace
