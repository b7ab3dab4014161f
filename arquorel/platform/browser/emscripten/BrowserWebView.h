#pragma once
// The browser's web view: an in-page frame (a sandboxed <iframe>) laid over the canvas at the
// view's place, with an "open in the browser" button for sites that refuse to be framed. Only
// http and https addresses load. The frame's load event finishes a load; since browsers fire
// it for refused pages too, only a load that has not finished within the request's timeout
// fails (timed out), and the button stays. The frame follows the view each animation frame,
// hides while another screen lies over it and leaves the page with the view.

#include <string>

#include "arquorel/platform/browser/PagePlacement.h"
#include "arquorel/platform/web/WebView.h"

namespace arquorel::browser {

class BrowserWebView final : public WebView {
  public:
    explicit BrowserWebView(Rect frame = {});
    ~BrowserWebView() override;

    void load(const URLRequest& request) override;
    void stopLoading() override;
    const std::string& url() const override { return url_; }
    bool isLoading() const override { return loading_; }

    // Places every web view's frame on the page (after the windows' layout).
    static void placeAll();
    // The page's frame `id` fired its load event for load `token`.
    static void frameLoaded(int id, unsigned token);

  private:
    void place();
    void fail(unsigned token, DataLoadError error);

    int id_;
    std::string url_;
    bool loading_ = false;
    unsigned token_ = 0;  // the current load; earlier loads' outcomes are dropped
    PagePlacement placed_;
    bool placedOnce_ = false;
};

}  // namespace arquorel::browser
