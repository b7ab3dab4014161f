#pragma once
// The native loader: transfers with libcurl. A transfer runs as an operation of the platform's
// background queue and hands its outcome back with async on the main loop. Only http and
// https are allowed, for the first request and for every redirect; a body that grows past
// the cap aborts the transfer and nothing of it is delivered.
//
// Lives in its own target (arquorel::web_curl), installed by a host or the simulated device;
// product code uses the DataLoader interface only.

#include <string>

#include "arquorel/platform/web/DataLoader.h"

namespace arquorel {

class CurlDataLoader final : public DataLoader {
  public:
    struct Options {
        double connectTimeout = 10;  // seconds
        double totalTimeout = 30;    // seconds for the whole transfer
        long maxRedirects = 5;
        // Proxies named by the environment (http_proxy...) are used unless this is false.
        bool proxyFromEnvironment = true;
        std::string userAgent = "ARQuorel/0.1";
    };

    CurlDataLoader();
    explicit CurlDataLoader(Options options);
    const Options& options() const { return options_; }

    // The transfer itself, run where the caller runs it; the outcome of load() without the
    // address check and the main-loop hand-off.
    DataLoadResult transfer(const std::string& address, std::size_t maxBytes) const;
    static DataLoadResult transfer(const Options& options, const std::string& address,
                                   std::size_t maxBytes);

  protected:
    void fetch(const std::string& address, std::size_t maxBytes, Completion completion) override;

  private:
    Options options_;
};

}  // namespace arquorel
