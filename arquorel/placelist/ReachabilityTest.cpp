#include "arquorel/placelist/ReachabilityTest.h"

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/web/Reachability.h"

namespace arquorel {

bool ReachabilityTest::isConnectedToNetwork() {
    const SocketAddressV4 zeroAddress{};  // length 16, AF_INET, port 0, 0.0.0.0
    const auto reference = platformContext().reachability().makeReference(zeroAddress);
    if (!reference) return false;
    const auto flags = reference->flags();
    if (!flags) return false;
    return (*flags & kReachabilityReachable) && !(*flags & kReachabilityConnectionRequired);
}

}  // namespace arquorel
