#include "arquorel/platform/browser/emscripten/BrowserWebView.h"

#include <emscripten.h>

#include <map>
#include <memory>

#include "arquorel/platform/browser/UriReference.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"

EM_JS(void, arq_js_webview_create, (int id, const char* openLabel),
      { ARQ.webViewCreate(id, UTF8ToString(openLabel)); });
EM_JS(void, arq_js_webview_load, (int id, const char* url, unsigned token),
      { ARQ.webViewLoad(id, UTF8ToString(url), token); });
EM_JS(void, arq_js_webview_place,
      (int id, double x, double y, double w, double h, int showFrame, int showButton),
      { ARQ.webViewPlace(id, x, y, w, h, showFrame, showButton); });
EM_JS(void, arq_js_webview_remove, (int id), { ARQ.webViewRemove(id); });

namespace arquorel::browser {

namespace {

std::map<int, BrowserWebView*>& liveViews() {
    static std::map<int, BrowserWebView*> views;
    return views;
}

int nextId = 1;

bool loadableScheme(const std::string& url) {
    const auto split = splitUriReference(url);
    if (!split || !split.url->hasAuthority) return false;
    std::string scheme = split.url->scheme;
    for (auto& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return scheme == "http" || scheme == "https";
}

}  // namespace

BrowserWebView::BrowserWebView(Rect frame) : WebView(frame), id_(nextId++) {
    liveViews()[id_] = this;
    std::string label = localized("OpenInBrowser");
    if (label.empty() || label == "OpenInBrowser") label = "Open in the browser";
    arq_js_webview_create(id_, label.c_str());
}

BrowserWebView::~BrowserWebView() {
    liveViews().erase(id_);
    arq_js_webview_remove(id_);
}

void BrowserWebView::load(const URLRequest& request) {
    url_ = request.url;
    const unsigned token = ++token_;
    loading_ = true;
    if (!loadableScheme(request.url)) {
        fail(token, DataLoadError{DataLoadError::Kind::unsupportedScheme,
                                  "\"" + request.url + "\" is not an http or https address"});
        return;
    }
    arq_js_webview_load(id_, request.url.c_str(), token);
    const double timeout = request.timeoutInterval > 0 ? request.timeoutInterval : 60;
    auto weak = std::weak_ptr<View>(shared_from_this());
    platformContext().mainLoop().asyncAfter(timeout, [weak, token, url = request.url] {
        auto self = std::static_pointer_cast<BrowserWebView>(weak.lock());
        if (self)
            self->fail(token, DataLoadError{DataLoadError::Kind::timedOut,
                                            url + ": the page did not load in time"});
    });
}

void BrowserWebView::stopLoading() {
    ++token_;
    loading_ = false;
}

void BrowserWebView::fail(unsigned token, DataLoadError error) {
    auto weak = std::weak_ptr<View>(shared_from_this());
    platformContext().mainLoop().async([weak, token, error = std::move(error)] {
        auto self = std::static_pointer_cast<BrowserWebView>(weak.lock());
        if (!self || token != self->token_ || !self->loading_) return;
        self->loading_ = false;
        if (self->onFailed) self->onFailed(*self, error);
    });
}

void BrowserWebView::frameLoaded(int id, unsigned token) {
    const auto it = liveViews().find(id);
    if (it == liveViews().end()) return;
    BrowserWebView& view = *it->second;
    if (token != view.token_ || !view.loading_) return;
    view.loading_ = false;
    auto weak = std::weak_ptr<View>(view.shared_from_this());
    platformContext().mainLoop().async([weak] {
        if (auto self = std::static_pointer_cast<BrowserWebView>(weak.lock()))
            if (self->onFinished) self->onFinished(*self);
    });
}

void BrowserWebView::placeAll() {
    for (const auto& [id, view] : liveViews()) view->place();
}

void BrowserWebView::place() {
    const PagePlacement now = placeOnPage(*this);
    if (placedOnce_ && now == placed_) return;
    placed_ = now;
    placedOnce_ = true;
    const bool showFrame = now.showsContent();
    const bool showButton = now.showsControls();
    arq_js_webview_place(id_, now.frame.minX(), now.frame.minY(), now.frame.width(),
                         now.frame.height(), showFrame ? 1 : 0, showButton ? 1 : 0);
}

}  // namespace arquorel::browser

extern "C" EMSCRIPTEN_KEEPALIVE void arq_webview_loaded(int id, unsigned token) {
    arquorel::browser::BrowserWebView::frameLoaded(id, token);
}
