#include "arquorel/platform/web/Reachability.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace arquorel {
namespace {

constexpr const char* kHeader =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

TEST(ReachabilityTest, Ipv4RoutesReachTheAddressThroughAnUpNonLoopbackRoute) {
    struct Case {
        const char* name;
        std::string rows;
        std::uint32_t address;
        bool reaches;
    };
    const std::uint32_t zero = 0, lan = 0xC0000205;  // 192.0.2.5
    const std::vector<Case> cases = {
        {"default route on eth0", "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n",
         zero, true},
        {"only a local network", "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n",
         zero, false},
        {"the local network reaches its own address",
         "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n", lan, true},
        {"a default route that is down",
         "eth0\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n", zero, false},
        {"a default route on the loopback",
         "lo\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n", zero, false},
        {"no routes at all", "", zero, false},
        {"garbled rows are skipped",
         "eth0\tzzzz\t0\t0003\t0\t0\t0\t00000000\n"
         "wlan0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n",
         zero, true},
        {"a short row", "eth0\t00000000\t0003\n", zero, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ipv4RoutesReach(kHeader + c.rows, c.address), c.reaches) << c.name;
    EXPECT_FALSE(ipv4RoutesReach("eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\n", zero))
        << "the first line is the header, never a route";
}

TEST(ReachabilityTest, Ipv6DefaultRouteMustBeUpNotRejectAndOffTheLoopback) {
    const std::string zeros(32, '0');
    auto row = [&](const std::string& dest, const char* prefix, const char* flags,
                   const char* dev) {
        return dest + " " + prefix + " " + zeros + " 00 " + zeros + " 00000400 00000002 " +
               "00000000 " + flags + "     " + dev + "\n";
    };
    struct Case {
        const char* name;
        std::string table;
        bool expected;
    };
    const std::vector<Case> cases = {
        {"default via eth0", row(zeros, "00", "00000003", "eth0"), true},
        {"default on lo", row(zeros, "00", "00000003", "lo"), false},
        {"reject default", row(zeros, "00", "00200201", "eth0"), false},
        {"down default", row(zeros, "00", "00000002", "eth0"), false},
        {"a /64 only", row("fe80" + std::string(28, '0'), "40", "00000001", "eth0"), false},
        {"empty", "", false},
    };
    for (const auto& c : cases) EXPECT_EQ(ipv6HasDefaultRoute(c.table), c.expected) << c.name;
}

TEST(ReachabilityTest, SystemReferencesOnlyForIpv4Addresses) {
    SystemReachability system;
    EXPECT_NE(system.makeReference({}), nullptr);
    SocketAddressV4 wrongFamily;
    wrongFamily.family = 10;  // AF_INET6
    EXPECT_EQ(system.makeReference(wrongFamily), nullptr);
    SocketAddressV4 shortLength;
    shortLength.length = 4;
    EXPECT_EQ(system.makeReference(shortLength), nullptr);
}

}  // namespace
}  // namespace arquorel
