#include "sim/device/SimDataLoader.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <system_error>
#include <utility>

#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel::sim {

namespace {

std::string shown(const std::string& address) {
    return "\"" + address + "\"";
}

}  // namespace

SimDataLoader::SimDataLoader(std::filesystem::path root) : root_(std::move(root)) {}

void SimDataLoader::setFailure(const std::string& address, DataLoadError::Kind kind) {
    failures_[address] = kind;
}

std::optional<std::filesystem::path> SimDataLoader::fileFor(const std::string& address) const {
    if (checkLoadableAddress(address)) return std::nullopt;
    std::string rest = address.substr(address.find("//") + 2);
    rest = rest.substr(0, rest.find_first_of("?#"));
    std::filesystem::path relative = addressHost(address);
    for (std::size_t start = rest.find('/'); start < rest.size();) {
        const auto end = std::min(rest.find('/', start + 1), rest.size());
        const std::string segment = rest.substr(start + 1, end - start - 1);
        if (segment == "." || segment == "..") return std::nullopt;
        if (!segment.empty()) relative /= segment;
        start = end;
    }
    if (!relative.has_parent_path()) return std::nullopt;  // the host alone
    return root_ / relative;
}

DataLoadResult SimDataLoader::answer(const std::string& address, std::size_t maxBytes) const {
    using Kind = DataLoadError::Kind;
    if (offline_)
        return DataLoadResult::failure(Kind::network,
                                       "loading " + shown(address) + " failed: offline");
    if (auto failure = failures_.find(address); failure != failures_.end())
        return DataLoadResult::failure(
            failure->second,
            "loading " + shown(address) + " failed: " + toString(failure->second) + " (simulated)");
    const auto file = fileFor(address);
    std::error_code error;
    if (!file || !std::filesystem::is_regular_file(*file, error))
        return DataLoadResult::failure(Kind::notFound, "nothing at " + shown(address));
    const auto size = std::filesystem::file_size(*file, error);
    if (error)
        return DataLoadResult::failure(Kind::network, "cannot read " + file->string() + " for " +
                                                          shown(address) + ": " + error.message());
    if (size > maxBytes)
        return DataLoadResult::failure(Kind::tooLarge, shown(address) + " is larger than " +
                                                           std::to_string(maxBytes) + " bytes");
    std::ifstream in(*file, std::ios::binary);
    DataLoadResult result;
    result.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof())
        return DataLoadResult::failure(Kind::network,
                                       "cannot read " + file->string() + " for " + shown(address));
    return result;
}

void SimDataLoader::fetch(const std::string& address, std::size_t maxBytes, Completion completion) {
    requests_.push_back(address);
    const auto own = delays_.find(address);
    const double delay = own != delays_.end() ? own->second : delay_;
    // The answer is read now and delivered when it is due, so a loader that goes away before
    // then leaves nothing dangling.
    platformContext().mainLoop().asyncAfter(
        delay, [result = answer(address, maxBytes), completion = std::move(completion)] {
            completion(result);
        });
}

}  // namespace arquorel::sim
