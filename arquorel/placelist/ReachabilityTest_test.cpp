#include "arquorel/placelist/ReachabilityTest.h"

#include <gtest/gtest.h>

#include <vector>

#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

TEST(ReachabilityTestTest, ConnectedOnlyWhenReachableWithoutAConnectionToMake) {
    struct Case {
        const char* name;
        std::uint32_t flags;
        bool referenceFails;
        bool flagsUnreadable;
        bool expected;
    };
    const std::vector<Case> cases = {
        {"reachable", kReachabilityReachable, false, false, true},
        {"reachable and direct", kReachabilityReachable | kReachabilityIsDirect, false, false,
         true},
        {"no route", 0, false, false, false},
        {"reachable but a connection is required (on demand)",
         kReachabilityReachable | kReachabilityConnectionRequired | kReachabilityConnectionOnDemand,
         false, false, false},
        {"a connection required alone", kReachabilityConnectionRequired, false, false, false},
        {"the reference cannot be made", kReachabilityReachable, true, false, false},
        {"the flags cannot be read", kReachabilityReachable, false, true, false},
    };
    for (const auto& c : cases) {
        sim::SimPlatform device;
        auto& reachability = device.reachability();
        reachability.setFlags(c.flags);
        reachability.setReferenceFails(c.referenceFails);
        reachability.setFlagsUnreadable(c.flagsUnreadable);
        EXPECT_EQ(ReachabilityTest::isConnectedToNetwork(), c.expected) << c.name;
        // The all-zero IPv4 address is asked for, and no reference outlives the call.
        EXPECT_EQ(reachability.lastAddress().family, 2) << c.name;
        EXPECT_EQ(reachability.lastAddress().length, 16) << c.name;
        EXPECT_EQ(reachability.lastAddress().address, 0u) << c.name;
        EXPECT_EQ(reachability.referencesAlive(), 0) << c.name;
        EXPECT_EQ(reachability.referencesMade(), c.referenceFails ? 0 : 1) << c.name;
    }
}

}  // namespace
}  // namespace arquorel
