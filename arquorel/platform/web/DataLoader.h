#pragma once
// Loading the bytes behind an address (card logos, the details screen's logo). A loader runs
// the transfer as background work and delivers the outcome on the main loop, never inside
// load() itself. Only http and https addresses are loaded, and a body larger than the loader's
// cap fails as a whole: a caller gets all of the bytes or an error, never a part.
//
// Implementations: CurlDataLoader (platform/web/curl, the native backend in its own target)
// and sim::SimDataLoader (files from a directory, in simulated time). The installed loader is
// platformContext().dataLoader().

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace arquorel {

struct DataLoadError {
    enum class Kind {
        invalidAddress,     // empty, malformed, or with characters an address cannot hold
        unsupportedScheme,  // anything but http and https (file:, ftp:, data:, ...)
        tooLarge,           // the body is larger than the loader's cap
        notFound,           // nothing behind the address (HTTP 404, a missing file)
        httpStatus,         // another HTTP status outside 200...299
        timedOut,
        network,      // connection refused, name not resolved, transfer broken...
        unavailable,  // no loader is installed
    };
    Kind kind = Kind::network;
    std::string message;  // complete and human-readable, naming the address
    friend bool operator==(const DataLoadError&, const DataLoadError&) = default;
};

const char* toString(DataLoadError::Kind kind);

struct DataLoadResult {
    std::vector<std::uint8_t> bytes;     // the whole body; empty when `error` is set
    std::optional<DataLoadError> error;  // set: nothing was loaded

    bool ok() const { return !error; }
    static DataLoadResult failure(DataLoadError::Kind kind, std::string message);
};

// The scheme of an address, lower-cased ("https"); empty when it has none.
std::string addressScheme(std::string_view address);
// The host of an address without user information, port and IPv6 brackets; empty when it has
// no "//" authority.
std::string addressHost(std::string_view address);
// Checks that an address may be loaded: an http or https scheme followed by "//" and a host,
// no white space or control characters. None when it may.
std::optional<DataLoadError> checkLoadableAddress(std::string_view address);

class DataLoader {
  public:
    using Completion = std::function<void(const DataLoadResult&)>;
    // Logos and other pictures are small; anything larger is refused.
    static constexpr std::size_t kDefaultMaxBytes = std::size_t{1} << 20;  // 1 MB

    virtual ~DataLoader() = default;

    // Starts loading `address`. The completion runs exactly once, later, on the main loop,
    // with the whole body or an error; addresses that may not be loaded fail without any
    // transfer.
    void load(const std::string& address, Completion completion);

    std::size_t maxBytes() const { return maxBytes_; }
    void setMaxBytes(std::size_t bytes) { maxBytes_ = bytes; }

  protected:
    // Loads an address that passed checkLoadableAddress(); the completion must run once on
    // the main loop, with no bytes when the body is larger than `maxBytes`.
    virtual void fetch(const std::string& address, std::size_t maxBytes, Completion completion) = 0;

    // Runs the completion with `result` on the main loop.
    static void deliver(Completion completion, DataLoadResult result);

  private:
    std::size_t maxBytes_ = kDefaultMaxBytes;
};

// A loader that loads nothing: every address fails as unavailable. The platform context's
// loader until a backend installs one.
class UnavailableDataLoader final : public DataLoader {
  protected:
    void fetch(const std::string& address, std::size_t maxBytes, Completion completion) override;
};

}  // namespace arquorel
