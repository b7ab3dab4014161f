#pragma once
// A loader that loads each address once. Requests for an address that is being loaded wait
// for that transfer; later requests get the first outcome from memory. Failures that another
// try would not change (too large, not found, another HTTP status) are kept as well; time-outs
// and network failures are not, so the next request tries again. The cache holds at most a
// budget of bytes and of addresses, forgetting the oldest outcomes first.

#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "arquorel/platform/web/DataLoader.h"

namespace arquorel {

class CachingDataLoader final : public DataLoader {
  public:
    static constexpr std::size_t kDefaultByteBudget = std::size_t{16} << 20;
    static constexpr std::size_t kDefaultAddressBudget = 4096;

    // `inner` does the transfers; its cap is set to this loader's cap for each of them.
    explicit CachingDataLoader(std::shared_ptr<DataLoader> inner,
                               std::size_t byteBudget = kDefaultByteBudget,
                               std::size_t addressBudget = kDefaultAddressBudget);

    std::size_t cachedAddresses() const { return state_->results.size(); }
    std::size_t cachedBytes() const { return state_->bytes; }
    std::size_t transfersStarted() const { return state_->transfers; }
    // Forgets every kept outcome (transfers under way still deliver to their waiters).
    void clear();

  protected:
    void fetch(const std::string& address, std::size_t maxBytes, Completion completion) override;

  private:
    // Shared with the transfers under way, so a transfer that ends after the cache is gone
    // still reaches its waiters.
    struct State {
        std::unordered_map<std::string, DataLoadResult> results;
        std::deque<std::string> order;  // kept addresses, oldest first
        std::unordered_map<std::string, std::vector<Completion>> waiting;
        std::size_t bytes = 0;
        std::size_t transfers = 0;
        std::size_t byteBudget;
        std::size_t addressBudget;
        void keep(const std::string& address, const DataLoadResult& result);
    };

    std::shared_ptr<DataLoader> inner_;
    std::shared_ptr<State> state_;
};

}  // namespace arquorel
