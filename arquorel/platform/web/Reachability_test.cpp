#include "arquorel/platform/web/Reachability.h"

#include <gtest/gtest.h>

#include <optional>
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
        // `ip route add unreachable|prohibit default`: up, with the reject flag, no interface.
        {"an unreachable default route",
         "*\t00000000\t00000000\t0201\t0\t0\t0\t00000000\t0\t0\t0\n", zero, false},
        {"a prohibited network", "*\t000200C0\t00000000\t0201\t0\t0\t0\t00FFFFFF\t0\t0\t0\n", lan,
         false},
        {"a reject route beside a working one",
         "*\t00000000\t00000000\t0201\t0\t0\t0\t00000000\t0\t0\t0\n"
         "wlan0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n",
         zero, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ipv4RoutesReach(kHeader + c.rows, c.address), c.reaches) << c.name;
    EXPECT_FALSE(ipv4RoutesReach("eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\n", zero))
        << "the first line is the header, never a route";
}

// A row of the /proc/net/ipv6_route format: destination, prefix length, source, its prefix
// length, next hop, metric, reference count, use, flags, device.
std::string ipv6Row(const std::string& destination, const char* prefix, const char* flags,
                    const char* device) {
    const std::string zeros(32, '0');
    return destination + " " + prefix + " " + zeros + " 00 " + zeros + " 00000400 00000002 " +
           "00000000 " + flags + "     " + device + "\n";
}

TEST(ReachabilityTest, Ipv6DefaultRouteMustBeUpNotRejectAndOffTheLoopback) {
    const std::string zeros(32, '0');
    const auto row = ipv6Row;
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
        {"::/96, not ::/0", row(zeros, "60", "00000001", "sit0"), false},
        {"empty", "", false},
    };
    for (const auto& c : cases) EXPECT_EQ(ipv6HasDefaultRoute(c.table), c.expected) << c.name;
}

// The system's answer from both tables, injected: each family alone connects to the internet,
// reject routes do not, and the tables are read again for every answer.
TEST(ReachabilityTest, SystemReachabilityReadsBothRouteTablesEachTime) {
    const std::string v4Default =
        std::string(kHeader) + "wlan0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n";
    const std::string v4Lan =
        std::string(kHeader) + "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";
    const std::string v4Unreachable =
        std::string(kHeader) + "*\t00000000\t00000000\t0201\t0\t0\t0\t00000000\t0\t0\t0\n";
    const std::string zeros(32, '0');
    const std::string v6Default = ipv6Row(zeros, "00", "00000003", "wlan0");
    const std::string v6LinkOnly =
        ipv6Row("fe80" + std::string(28, '0'), "40", "00000001", "wlan0");
    const std::string v6Unreachable = ipv6Row(zeros, "00", "00200200", "lo");

    std::optional<std::string> v4, v6;
    int v4Reads = 0, v6Reads = 0;
    SystemReachability system(
        RouteTables{[&] { return ++v4Reads, v4; }, [&] { return ++v6Reads, v6; }});
    const auto internet = system.makeReference({});
    SocketAddressV4 lanAddress;
    lanAddress.address = 0xC0000205;  // 192.0.2.5
    const auto lan = system.makeReference(lanAddress);
    ASSERT_TRUE(internet && lan);

    struct Case {
        const char* name;
        std::optional<std::string> v4, v6;
        std::optional<std::uint32_t> internet, lan;
    };
    const std::uint32_t reachable = kReachabilityReachable;
    const std::vector<Case> cases = {
        {"IPv4 only", v4Default, v6LinkOnly, reachable, reachable},
        {"IPv6 only", kHeader, v6Default, reachable, 0u},
        {"IPv6 only, the IPv4 table missing", std::nullopt, v6Default, reachable, std::nullopt},
        {"a local IPv4 network only", v4Lan, v6LinkOnly, 0u, reachable},
        {"unreachable defaults in both families", v4Unreachable, v6Unreachable, 0u, 0u},
        {"no tables", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        v4 = c.v4, v6 = c.v6;
        EXPECT_EQ(internet->flags(), c.internet) << c.name;
        EXPECT_EQ(lan->flags(), c.lan) << c.name;
    }
    EXPECT_EQ(v4Reads, 2 * static_cast<int>(cases.size()));
    EXPECT_EQ(v6Reads, static_cast<int>(cases.size())) << "IPv6 is read for the internet only";
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
