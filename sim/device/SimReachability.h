#pragma once
// Network reachability of the simulated device: the flags are set by the test or scenario, and
// either step of a check can be made to fail (no reference can be made, the flags cannot be
// read). Counts the references made and still alive, so that tests can check that callers
// release them.

#include <memory>

#include "arquorel/platform/web/Reachability.h"

namespace arquorel::sim {

class SimReachability final : public NetworkReachability {
  public:
    // Connected (reachable, nothing required) by default.
    std::uint32_t flags() const { return state_->flags; }
    void setFlags(std::uint32_t flags) { state_->flags = flags; }
    // Reachable with nothing required, or no route at all.
    void setConnected(bool connected) {
        state_->flags = connected ? std::uint32_t{kReachabilityReachable} : 0u;
    }
    void setReferenceFails(bool fails) { referenceFails_ = fails; }
    void setFlagsUnreadable(bool unreadable) { state_->unreadable = unreadable; }

    std::unique_ptr<ReachabilityReference> makeReference(const SocketAddressV4& address) override;

    int referencesMade() const { return state_->made; }
    int referencesAlive() const { return state_->alive; }
    // The address of the last reference asked for.
    const SocketAddressV4& lastAddress() const { return lastAddress_; }

  private:
    struct State {
        std::uint32_t flags = kReachabilityReachable;
        bool unreadable = false;
        int made = 0;
        int alive = 0;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
    bool referenceFails_ = false;
    SocketAddressV4 lastAddress_;
};

}  // namespace arquorel::sim
