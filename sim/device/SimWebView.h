#pragma once
// The simulated device's web view: fetches the page through the installed DataLoader (so pages
// come from a folder or a local server, with its delays and failures) and shows it as a reader
// would: the title, the address and the text of the page. A load that has not finished within
// the request's timeout fails as timed out.

#include <memory>
#include <optional>
#include <string>

#include "arquorel/platform/web/WebView.h"
#include "arquorel/platform/web/reader/HtmlReader.h"

namespace arquorel {
class Label;
}

namespace arquorel::sim {

class SimWebView final : public WebView {
  public:
    explicit SimWebView(Rect frame = {});

    void load(const URLRequest& request) override;
    void stopLoading() override;
    const std::string& url() const override { return url_; }
    bool isLoading() const override { return loading_; }

    // The page shown; none before the first page finished loading.
    const std::optional<ReaderPage>& page() const { return page_; }
    // Loads started (for tests: a screen that loads once per address).
    int loadCount() const { return loads_; }

    void describe(ViewDescription& description) const override;

  protected:
    void layoutSubviews() override;

  private:
    void finish(unsigned generation, const DataLoadResult& result);
    void fail(const DataLoadError& error);
    void show();

    std::string url_;
    bool loading_ = false;
    unsigned generation_ = 0;
    int loads_ = 0;
    std::optional<ReaderPage> page_;
    std::string pageUrl_;
    std::shared_ptr<Label> titleLabel_;
    std::shared_ptr<Label> addressLabel_;
    std::shared_ptr<Label> textLabel_;
};

}  // namespace arquorel::sim
