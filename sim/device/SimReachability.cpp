#include "sim/device/SimReachability.h"

#include <functional>

namespace arquorel::sim {

namespace {

class SimReference final : public ReachabilityReference {
  public:
    template <class State>
    explicit SimReference(std::shared_ptr<State> state) : state_(state) {
        ++state->alive;
        read_ = [state]() -> std::optional<std::uint32_t> {
            if (state->unreadable) return std::nullopt;
            return state->flags;
        };
        release_ = [state] { --state->alive; };
    }
    ~SimReference() override { release_(); }
    std::optional<std::uint32_t> flags() const override { return read_(); }

  private:
    std::shared_ptr<void> state_;
    std::function<std::optional<std::uint32_t>()> read_;
    std::function<void()> release_;
};

}  // namespace

std::unique_ptr<ReachabilityReference> SimReachability::makeReference(
    const SocketAddressV4& address) {
    lastAddress_ = address;
    if (referenceFails_) return nullptr;
    ++state_->made;
    return std::make_unique<SimReference>(state_);
}

}  // namespace arquorel::sim
