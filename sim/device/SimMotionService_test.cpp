#include "sim/device/SimMotionService.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel::sim {
namespace {

TEST(SimMotionServiceTest, SamplesOnlyWhileActiveAndPushedThroughTheQueue) {
    SimPlatform device;
    SimMotionService motion;
    EXPECT_FALSE(motion.deliverAcceleration({0, -1, 0}));
    motion.startAccelerometerUpdates();
    EXPECT_TRUE(motion.deliverAcceleration({0, -1, 0}) && motion.deliverAcceleration({0, 0, -1}));
    EXPECT_EQ(motion.accelerometerData(), (Acceleration{0, 0, -1}));
    motion.stopAccelerometerUpdates();
    EXPECT_FALSE(motion.deliverAcceleration({1, 1, 1}) || motion.accelerometerData());
    motion.startAccelerometerUpdates();
    EXPECT_FALSE(motion.accelerometerData());  // nothing from before the restart

    std::vector<Acceleration> pushed;
    auto capture = std::make_shared<int>();
    const std::weak_ptr<int> watch = capture;
    motion.startAccelerometerUpdates(
        device.context().backgroundQueue(),
        [&, c = std::move(capture)](const Acceleration& a) { pushed.push_back(a); });
    motion.deliverAcceleration({1, 2, 3});
    EXPECT_TRUE(pushed.empty());
    device.runPending();
    EXPECT_EQ(pushed, (std::vector<Acceleration>{{1, 2, 3}}));
    motion.startAccelerometerUpdates();  // the polled form drops the handler
    motion.deliverAcceleration({4, 5, 6});
    device.runPending();
    EXPECT_EQ(pushed.size(), 1u);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(motion.deliveredSampleCount(), 4);

    motion.setAccelerometerAvailable(false);  // stops the updates, and nothing restarts them
    motion.startAccelerometerUpdates();
    motion.startAccelerometerUpdates(device.context().backgroundQueue(), {});
    EXPECT_FALSE(motion.isAccelerometerActive() || motion.deliverAcceleration({1, 1, 1}));
}

}  // namespace
}  // namespace arquorel::sim
