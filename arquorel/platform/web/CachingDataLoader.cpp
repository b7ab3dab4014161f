#include "arquorel/platform/web/CachingDataLoader.h"

#include <utility>

namespace arquorel {

namespace {

// Outcomes that a second transfer could change are not kept.
bool worthKeeping(const DataLoadResult& result) {
    if (!result.error) return true;
    using Kind = DataLoadError::Kind;
    switch (result.error->kind) {
        case Kind::tooLarge:
        case Kind::notFound:
        case Kind::httpStatus:
        case Kind::invalidAddress:
        case Kind::unsupportedScheme:
            return true;
        case Kind::timedOut:
        case Kind::network:
        case Kind::unavailable:
            return false;
    }
    return false;
}

}  // namespace

CachingDataLoader::CachingDataLoader(std::shared_ptr<DataLoader> inner, std::size_t byteBudget,
                                     std::size_t addressBudget)
    : inner_(inner ? std::move(inner) : std::make_shared<UnavailableDataLoader>()),
      state_(std::make_shared<State>()) {
    state_->byteBudget = byteBudget;
    state_->addressBudget = addressBudget;
}

void CachingDataLoader::clear() {
    state_->results.clear();
    state_->order.clear();
    state_->bytes = 0;
}

void CachingDataLoader::State::keep(const std::string& address, const DataLoadResult& result) {
    if (!worthKeeping(result) || result.bytes.size() > byteBudget || addressBudget == 0) return;
    while (!order.empty() &&
           (bytes + result.bytes.size() > byteBudget || results.size() >= addressBudget)) {
        auto oldest = results.find(order.front());
        if (oldest != results.end()) {
            bytes -= oldest->second.bytes.size();
            results.erase(oldest);
        }
        order.pop_front();
    }
    results.emplace(address, result);
    order.push_back(address);
    bytes += result.bytes.size();
}

void CachingDataLoader::fetch(const std::string& address, std::size_t maxBytes,
                              Completion completion) {
    auto& state = *state_;
    if (auto kept = state.results.find(address); kept != state.results.end()) {
        // A body kept under a larger cap than today's is refused as it would be on the wire.
        if (kept->second.bytes.size() > maxBytes) {
            deliver(std::move(completion),
                    DataLoadResult::failure(DataLoadError::Kind::tooLarge,
                                            "\"" + address + "\" is larger than " +
                                                std::to_string(maxBytes) + " bytes"));
        } else {
            deliver(std::move(completion), kept->second);
        }
        return;
    }
    auto [waiters, first] = state.waiting.try_emplace(address);
    waiters->second.push_back(std::move(completion));
    if (!first) return;
    ++state.transfers;
    inner_->setMaxBytes(maxBytes);
    inner_->load(address, [state = state_, address](const DataLoadResult& result) {
        state->keep(address, result);
        auto node = state->waiting.extract(address);
        if (node.empty()) return;
        for (auto& waiter : node.mapped()) waiter(result);
    });
}

}  // namespace arquorel
