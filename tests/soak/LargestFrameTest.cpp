// The largest frame the demo draws, on the reference host: 256 lights (16 of them with atlas
// shadows), 500 shadow casters and every pass in every frame. Once warm, a frame allocates nothing.
#include "ScratchData.h"
#include "effector/alloc/AllocationCounter.h"
#include "refhost/RefFrameDriver.h"

namespace {

using soak_test::FrameTest;

class LargestFrameTest : public FrameTest {};

TEST_F(LargestFrameTest, AllocatesNothingOnceWarm) {
    refhost::RefFrameDriver driver(host, refhost::RefFrameDriver::Settings::largestFrame());
    ASSERT_TRUE(driver.startUp());
    driver.setRecording(false);
    for (int i = 0; i < 3; ++i) driver.runFrame();
    alloc_test::startCounting();
    for (int i = 0; i < 5; ++i) driver.runFrame();
    const alloc_test::AllocationCount count = alloc_test::stopCounting();
    EXPECT_EQ(count.allocations, 0);
    EXPECT_EQ(count.releases, 0);
    const refhost::RefFrameDriver::FrameStats& frame = driver.lastFrame();
    EXPECT_EQ(frame.lights, 256);
    EXPECT_EQ(frame.casters, 500);
    EXPECT_GT(frame.lightShadowMaps, 0);  // the shadowed lights the camera sees
    EXPECT_LE(frame.lightShadowMaps, 16);
    EXPECT_TRUE(frame.directionalShadow && frame.ambientCube);
}

}  // namespace
