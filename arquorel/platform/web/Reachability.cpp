#include "arquorel/platform/web/Reachability.h"

#include <bit>
#include <charconv>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace arquorel {

namespace {

constexpr std::uint32_t kRouteUp = 0x0001;
constexpr std::uint32_t kRouteReject = 0x0200;

std::vector<std::string> fieldsOf(const std::string& line) {
    std::istringstream in(line);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

std::optional<std::uint32_t> hex32(std::string_view text) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

bool isLoopback(const std::string& interface) {
    return interface == "lo" || interface.starts_with("lo:");
}

std::optional<std::string> readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return std::nullopt;
    return text;
}

// The kernel writes addresses in network byte order as a native (little-endian on the hosts we
// run on) hexadecimal word; this turns such a word back into host order.
std::uint32_t fromKernelWord(std::uint32_t word) {
    if constexpr (std::endian::native == std::endian::little)
        return ((word & 0xFFu) << 24) | ((word & 0xFF00u) << 8) | ((word >> 8) & 0xFF00u) |
               (word >> 24);
    return word;
}

class SystemReference final : public ReachabilityReference {
  public:
    SystemReference(std::shared_ptr<const RouteTables> tables, std::uint32_t address)
        : tables_(std::move(tables)), address_(address) {}
    std::optional<std::uint32_t> flags() const override {
        const auto v4 = tables_->ipv4 ? tables_->ipv4() : std::nullopt;
        const auto v6 = address_ == 0 && tables_->ipv6 ? tables_->ipv6() : std::nullopt;
        if (!v4 && !v6) return std::nullopt;
        const bool reaches =
            (v4 && ipv4RoutesReach(*v4, address_)) || (v6 && ipv6HasDefaultRoute(*v6));
        return reaches ? std::uint32_t{kReachabilityReachable} : 0u;
    }

  private:
    std::shared_ptr<const RouteTables> tables_;
    std::uint32_t address_;
};

}  // namespace

bool ipv4RoutesReach(std::string_view table, std::uint32_t address) {
    std::istringstream in{std::string(table)};
    std::string line;
    std::getline(in, line);  // the header
    while (std::getline(in, line)) {
        const auto f = fieldsOf(line);
        if (f.size() < 8 || isLoopback(f[0])) continue;
        const auto destination = hex32(f[1]), flags = hex32(f[3]), mask = hex32(f[7]);
        // Unreachable and prohibit routes are listed up, with the reject flag.
        if (!destination || !flags || !mask || !(*flags & kRouteUp) || (*flags & kRouteReject))
            continue;
        const std::uint32_t d = fromKernelWord(*destination), m = fromKernelWord(*mask);
        if ((address & m) == (d & m)) return true;
    }
    return false;
}

bool ipv6HasDefaultRoute(std::string_view table) {
    std::istringstream in{std::string(table)};
    std::string line;
    while (std::getline(in, line)) {
        const auto f = fieldsOf(line);
        if (f.size() < 10 || isLoopback(f[9])) continue;
        const auto flags = hex32(f[8]);
        if (f[0] != std::string(32, '0') || f[1] != "00" || !flags) continue;
        if ((*flags & kRouteUp) && !(*flags & kRouteReject)) return true;
    }
    return false;
}

RouteTables RouteTables::system() {
    return {[] { return readFile("/proc/net/route"); },
            [] { return readFile("/proc/net/ipv6_route"); }};
}

SystemReachability::SystemReachability(RouteTables tables)
    : tables_(std::make_shared<const RouteTables>(std::move(tables))) {}

std::unique_ptr<ReachabilityReference> SystemReachability::makeReference(
    const SocketAddressV4& address) {
    if (address.family != 2 || address.length < 16) return nullptr;
    return std::make_unique<SystemReference>(tables_, address.address);
}

}  // namespace arquorel
