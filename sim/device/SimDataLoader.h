#pragma once
// A loader for the simulated device: serves files from a directory in simulated time.
// "https://logos.example/brand/a.png?size=2" is the file ROOT/logos.example/brand/a.png (the
// scheme, query and fragment play no part). Answers come after a delay of simulated time, and
// chosen addresses (or all of them) fail, so that tests and scenarios can play slow and broken
// networks. An address that climbs out of the directory ("..") is never read.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/platform/web/DataLoader.h"

namespace arquorel::sim {

class SimDataLoader final : public DataLoader {
  public:
    explicit SimDataLoader(std::filesystem::path root);

    // Seconds of simulated time before every answer (default 0: on the next main-loop turn).
    void setDelay(double seconds) { delay_ = seconds; }
    // The delay for one address, before the general one.
    void setDelay(const std::string& address, double seconds) { delays_[address] = seconds; }
    // Makes one address fail with an error of `kind`.
    void setFailure(const std::string& address, DataLoadError::Kind kind);
    void clearFailure(const std::string& address) { failures_.erase(address); }
    // While offline every address fails as a network failure.
    void setOffline(bool offline) { offline_ = offline; }

    // Every address handed to fetch, in order (addresses refused by the scheme rules are not).
    const std::vector<std::string>& requests() const { return requests_; }
    // The file an address is served from; none when it names no file inside the directory.
    std::optional<std::filesystem::path> fileFor(const std::string& address) const;

  protected:
    void fetch(const std::string& address, std::size_t maxBytes, Completion completion) override;

  private:
    DataLoadResult answer(const std::string& address, std::size_t maxBytes) const;

    std::filesystem::path root_;
    double delay_ = 0;
    bool offline_ = false;
    std::map<std::string, double> delays_;
    std::map<std::string, DataLoadError::Kind> failures_;
    std::vector<std::string> requests_;
};

}  // namespace arquorel::sim
