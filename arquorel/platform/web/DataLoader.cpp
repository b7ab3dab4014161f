#include "arquorel/platform/web/DataLoader.h"

#include <utility>

#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel {

namespace {

bool isSchemeCharacter(char c, bool first) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (first) return letter;
    return letter || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// The host part of the authority: without user information, port and IPv6 brackets.
std::string_view hostOf(std::string_view authority) {
    if (auto at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    if (!authority.empty() && authority.front() == '[') {
        const auto close = authority.find(']');
        return close == std::string_view::npos ? std::string_view{}
                                               : authority.substr(1, close - 1);
    }
    return authority.substr(0, authority.find(':'));
}

std::string shown(std::string_view address) {
    constexpr std::size_t kShown = 200;  // an address in a message stays readable
    std::string text = "\"";
    text += address.substr(0, kShown);
    if (address.size() > kShown) text += "...";
    return text + "\"";
}

}  // namespace

const char* toString(DataLoadError::Kind kind) {
    switch (kind) {
        case DataLoadError::Kind::invalidAddress:
            return "invalid address";
        case DataLoadError::Kind::unsupportedScheme:
            return "unsupported scheme";
        case DataLoadError::Kind::tooLarge:
            return "too large";
        case DataLoadError::Kind::notFound:
            return "not found";
        case DataLoadError::Kind::httpStatus:
            return "HTTP status";
        case DataLoadError::Kind::timedOut:
            return "timed out";
        case DataLoadError::Kind::network:
            return "network";
        case DataLoadError::Kind::unavailable:
            return "unavailable";
    }
    return "unknown";
}

DataLoadResult DataLoadResult::failure(DataLoadError::Kind kind, std::string message) {
    return {{}, DataLoadError{kind, std::move(message)}};
}

std::string addressScheme(std::string_view address) {
    const auto colon = address.find(':');
    if (colon == std::string_view::npos || colon == 0) return {};
    std::string scheme;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = address[i];
        if (!isSchemeCharacter(c, i == 0)) return {};
        scheme += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return scheme;
}

std::string addressHost(std::string_view address) {
    const auto slashes = address.find("//");
    if (slashes == std::string_view::npos || slashes == 0 || address[slashes - 1] != ':') return {};
    const auto rest = address.substr(slashes + 2);
    return std::string(hostOf(rest.substr(0, rest.find_first_of("/?#"))));
}

std::optional<DataLoadError> checkLoadableAddress(std::string_view address) {
    using Kind = DataLoadError::Kind;
    if (address.empty()) return DataLoadError{Kind::invalidAddress, "empty address"};
    for (const char c : address) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7f)
            return DataLoadError{
                Kind::invalidAddress,
                "address " + shown(address) + " contains white space or a control character"};
    }
    const std::string scheme = addressScheme(address);
    if (scheme.empty())
        return DataLoadError{Kind::invalidAddress, "address " + shown(address) +
                                                       " has no scheme (expected http: or https:)"};
    if (scheme != "http" && scheme != "https")
        return DataLoadError{Kind::unsupportedScheme,
                             "scheme \"" + scheme + "\" of " + shown(address) +
                                 " is not loaded: only http and https addresses are"};
    std::string_view rest = address.substr(scheme.size() + 1);
    if (rest.substr(0, 2) != "//")
        return DataLoadError{Kind::invalidAddress,
                             "address " + shown(address) + " has no \"//\" after its scheme"};
    if (addressHost(address).empty())
        return DataLoadError{Kind::invalidAddress, "address " + shown(address) + " has no host"};
    return std::nullopt;
}

void DataLoader::load(const std::string& address, Completion completion) {
    if (!completion) completion = [](const DataLoadResult&) {};
    if (auto error = checkLoadableAddress(address)) {
        deliver(std::move(completion), {{}, std::move(error)});
        return;
    }
    fetch(address, maxBytes_, std::move(completion));
}

void DataLoader::deliver(Completion completion, DataLoadResult result) {
    platformContext().mainLoop().async(
        [completion = std::move(completion), result = std::move(result)] { completion(result); });
}

void UnavailableDataLoader::fetch(const std::string& address, std::size_t, Completion completion) {
    deliver(std::move(completion),
            DataLoadResult::failure(DataLoadError::Kind::unavailable,
                                    "no data loader is installed to load " + shown(address)));
}

}  // namespace arquorel
