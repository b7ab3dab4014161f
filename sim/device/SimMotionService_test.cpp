#include "sim/device/SimMotionService.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
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
        [&, c = std::move(capture)](const std::optional<Acceleration>& a,
                                    const std::optional<MotionError>&) { pushed.push_back(*a); });
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

// What the handler receives for samples and errors at given times under a requested interval.
TEST(SimMotionServiceTest, PushesAtMostOneUpdatePerIntervalAndPushesErrors) {
    struct Case {
        const char* name;
        double interval;
        // Times of the events; a negative time stands for an error at -time.
        std::vector<double> events;
        std::vector<std::string> expected;  // "s@T" sample pushed at T, "e@T" error
    };
    const std::vector<Case> cases = {
        {"every sample at interval 0", 0, {0.05, 0.10, 0.15}, {"s@0.05", "s@0.10", "s@0.15"}},
        {"one a second from 0.05 s samples",
         1.0,
         {0.05, 0.10, 0.50, 1.00, 1.05, 2.05},
         {"s@0.05", "s@1.05", "s@2.05"}},
        {"a negative interval is every sample", -3, {0.2, 0.3}, {"s@0.20", "s@0.30"}},
        {"errors take their turn like samples",
         1.0,
         {-0.1, 0.5, 1.1, -1.5, -2.1},
         {"e@0.10", "s@1.10", "e@2.10"}},
    };
    for (const auto& c : cases) {
        SimPlatform device;
        const double start = device.now();
        SimMotionService motion;
        motion.setAccelerometerUpdateInterval(c.interval);
        std::vector<std::string> got;
        motion.startAccelerometerUpdates(
            device.context().backgroundQueue(),
            [&](const std::optional<Acceleration>& a, const std::optional<MotionError>& e) {
                EXPECT_NE(a.has_value(), e.has_value()) << c.name;
                char text[32];
                std::snprintf(text, sizeof text, "%s@%.2f", a ? "s" : "e", device.now() - start);
                got.push_back(text);
            });
        double at = 0;
        for (double t : c.events) {
            device.advance(std::abs(t) - at);
            at = std::abs(t);
            if (t < 0)
                motion.deliverError({"sensor busy"});
            else
                motion.deliverAcceleration({0, -1, 0});
            device.runPending();
        }
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

TEST(SimMotionServiceTest, ErrorsReachNoHandlerWhileStoppedOrPolled) {
    SimPlatform device;
    SimMotionService motion;
    EXPECT_FALSE(motion.deliverError({"off"}));
    motion.startAccelerometerUpdates();
    EXPECT_FALSE(motion.deliverError({"no handler"}));
    EXPECT_EQ(motion.pushedUpdateCount(), 0);
}

}  // namespace
}  // namespace arquorel::sim
