#include "sim/device/SimPlatform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel::sim {
namespace {

TEST(SimPlatformTest, InstallsAFreshContextForItsLifetime) {
    PlatformContext* outside = &platformContext();
    {
        SimPlatform first;
        EXPECT_EQ(&platformContext(), &first.context());
        EXPECT_EQ(platformContext().now(), SimClock::kDefaultStart);
        platformContext().userDefaults().set("country", std::string("de"));
        {
            SimPlatform second({}, 1000.0);
            EXPECT_EQ(&platformContext(), &second.context());
            EXPECT_EQ(platformContext().now(), 1000.0);
            EXPECT_FALSE(platformContext().userDefaults().contains("country"));
        }
        EXPECT_EQ(&platformContext(), &first.context());
        EXPECT_EQ(platformContext().userDefaults().stringForKey("country"), "de");
    }
    EXPECT_EQ(&platformContext(), outside);
}

TEST(SimPlatformTest, AdvanceRunsEachItemAtItsOwnDueTime) {
    SimPlatform device({}, 0.0);
    auto& loop = platformContext().mainLoop();
    std::vector<std::pair<char, double>> ran;
    loop.asyncAfter(0.3, [&] { ran.emplace_back('c', device.now()); });
    loop.asyncAfter(0.1, [&] {
        ran.emplace_back('a', device.now());
        // Scheduled while time moves: runs within the same advance, at its own time.
        loop.asyncAfter(0.1, [&] { ran.emplace_back('b', device.now()); });
    });
    loop.asyncAfter(1.5, [&] { ran.emplace_back('x', device.now()); });

    device.advance(1);
    EXPECT_EQ(ran, (std::vector<std::pair<char, double>>{{'a', 0.1}, {'b', 0.2}, {'c', 0.3}}));
    EXPECT_EQ(device.now(), 1.0);
    device.advance(0.5);
    ASSERT_EQ(ran.size(), 4u);
    EXPECT_EQ(ran[3], std::make_pair('x', 1.5));
}

TEST(SimPlatformTest, TimeNeverMovesBackwardsAndRunPendingKeepsIt) {
    SimPlatform device({}, 50.0);
    int ran = 0;
    platformContext().mainLoop().async([&] { ++ran; });
    device.runPending();
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(device.now(), 50.0);
    device.advance(-5);
    device.advance(NAN);
    EXPECT_EQ(device.now(), 50.0);
}

}  // namespace
}  // namespace arquorel::sim
