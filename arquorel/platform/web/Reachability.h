#pragma once
// Whether the device has a route to a network address, asked of the system without sending
// anything. A caller makes a reference for an IPv4 socket address and reads its flags; either
// step can fail (no reference, or flags that cannot be read).
//
// Implementations: SystemReachability (the operating system's routing tables, installed by
// default) and sim::SimReachability (settable flags). The installed service is
// platformContext().reachability().

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace arquorel {

// The reachability flags, with the values callers test for.
enum ReachabilityFlag : std::uint32_t {
    kReachabilityTransientConnection = 1,
    kReachabilityReachable = 2,
    kReachabilityConnectionRequired = 4,
    kReachabilityConnectionOnTraffic = 8,
    kReachabilityInterventionRequired = 16,
    kReachabilityConnectionOnDemand = 32,
    kReachabilityIsLocalAddress = 1u << 16,
    kReachabilityIsDirect = 1u << 17,
};

// An IPv4 socket address as a caller fills it in: length, family, port and address (host
// byte order). All zeroes but length and family stands for "the internet at large".
struct SocketAddressV4 {
    std::uint8_t length = 16;
    std::uint8_t family = 2;  // AF_INET
    std::uint16_t port = 0;
    std::uint32_t address = 0;
};

class ReachabilityReference {
  public:
    virtual ~ReachabilityReference() = default;
    // The current flags (ReachabilityFlag bits); none when they cannot be read.
    virtual std::optional<std::uint32_t> flags() const = 0;
};

class NetworkReachability {
  public:
    virtual ~NetworkReachability() = default;
    // A reference for that address; none when it cannot be made.
    virtual std::unique_ptr<ReachabilityReference> makeReference(
        const SocketAddressV4& address) = 0;
};

// The routing tables as text, each read anew when flags are asked for; a table that cannot be
// read is none. system() reads Linux's /proc/net/route and /proc/net/ipv6_route.
struct RouteTables {
    std::function<std::optional<std::string>()> ipv4;  // the /proc/net/route format
    std::function<std::optional<std::string>()> ipv6;  // the /proc/net/ipv6_route format
    static RouteTables system();
};

// The answer of the operating system's routing tables: reachable when a route that is up and
// not a reject route (unreachable, prohibit) leads to the address through an interface other
// than the loopback. For the all-zero address an IPv6 default route counts too, so that an
// IPv6-only network is connected. Flags cannot be read where neither table can.
class SystemReachability final : public NetworkReachability {
  public:
    SystemReachability() : SystemReachability(RouteTables::system()) {}
    explicit SystemReachability(RouteTables tables);
    std::unique_ptr<ReachabilityReference> makeReference(const SocketAddressV4& address) override;

  private:
    std::shared_ptr<const RouteTables> tables_;
};

// Whether the IPv4 routing table text (the /proc/net/route format) has an up, non-reject route
// through a non-loopback interface whose destination covers `address` (host byte order).
bool ipv4RoutesReach(std::string_view table, std::uint32_t address);
// Whether the IPv6 routing table text (the /proc/net/ipv6_route format) has an up, non-reject
// default route (::/0) through a non-loopback interface.
bool ipv6HasDefaultRoute(std::string_view table);

}  // namespace arquorel
