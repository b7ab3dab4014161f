#pragma once
// Whether the device has a network route now. Stateless: every call makes and releases its own
// reachability reference through the platform.

namespace arquorel {

class ReachabilityTest {
  public:
    // True exactly when the route to the internet at large (the all-zero IPv4 address) is
    // reachable without a connection having to be made first; false when no reference can be
    // made or its flags cannot be read.
    static bool isConnectedToNetwork();
};

}  // namespace arquorel
