#pragma once
// A view that shows the page behind an address. load() starts loading a request and replaces
// any load still running (whose outcome is then dropped); the outcome comes later on the main
// loop through onFinished or onFailed, exactly once per load that was not replaced or stopped.
//
// Implementations come from platformContext().makeWebView(): the simulated device's reader
// view (sim::SimWebView), or, without a backend, a view that fails every load as unavailable.

#include <functional>
#include <string>

#include "arquorel/platform/ui/View.h"
#include "arquorel/platform/web/DataLoader.h"

namespace arquorel {

struct URLRequest {
    enum class CachePolicy { useProtocolCachePolicy, reloadIgnoringCache };
    std::string url;
    CachePolicy cachePolicy = CachePolicy::useProtocolCachePolicy;
    double timeoutInterval = 60;  // seconds before a load that has not finished fails
};

class WebView : public View {
  public:
    using Finished = std::function<void(WebView&)>;
    using Failed = std::function<void(WebView&, const DataLoadError&)>;

    explicit WebView(Rect frame = {}) : View(frame) {}

    virtual void load(const URLRequest& request) = 0;
    // Drops the running load, if any, without an outcome.
    virtual void stopLoading() = 0;
    // The address of the last load asked for; empty before the first.
    virtual const std::string& url() const = 0;
    virtual bool isLoading() const = 0;

    Finished onFinished;
    Failed onFailed;
};

// A web view of a device without a web engine: every load fails as unavailable.
class UnavailableWebView final : public WebView {
  public:
    void load(const URLRequest& request) override;
    void stopLoading() override { ++generation_; }
    const std::string& url() const override { return url_; }
    bool isLoading() const override { return false; }

  private:
    std::string url_;
    unsigned generation_ = 0;
};

}  // namespace arquorel
