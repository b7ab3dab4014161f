#include "sim/device/SimPlatform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel::sim {
namespace {

TEST(SimPlatformTest, InstallsItsContextForItsLifetime) {
    PlatformContext* outside = &platformContext();
    {
        SimPlatform first;
        { SimPlatform second({}, 1000.0); }
        EXPECT_EQ(&platformContext(), &first.context());
    }
    EXPECT_EQ(&platformContext(), outside);
}

TEST(SimPlatformTest, AdvanceRunsEachItemAtItsOwnDueTime) {
    SimPlatform device({}, 0.0);
    auto& loop = platformContext().mainLoop();
    std::vector<std::pair<char, double>> ran;
    auto note = [&](char c) { return [&, c] { ran.emplace_back(c, device.now()); }; };
    loop.asyncAfter(0.3, note('c'));
    loop.asyncAfter(0.1, [&] {
        note('a')();
        loop.asyncAfter(0.1, note('b'));  // scheduled while time moves
    });
    device.advance(1);
    EXPECT_EQ(ran, (std::vector<std::pair<char, double>>{{'a', 0.1}, {'b', 0.2}, {'c', 0.3}}));
    device.advance(-5);  // time never moves backwards
    device.advance(NAN);
    EXPECT_EQ(device.now(), 1.0);
}

}  // namespace
}  // namespace arquorel::sim
