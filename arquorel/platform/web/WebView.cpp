#include "arquorel/platform/web/WebView.h"

#include <memory>

#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel {

void UnavailableWebView::load(const URLRequest& request) {
    url_ = request.url;
    const unsigned generation = ++generation_;
    std::weak_ptr<View> weak = weak_from_this();
    platformContext().mainLoop().async([weak, generation, url = url_] {
        auto self = std::static_pointer_cast<UnavailableWebView>(weak.lock());
        if (!self || self->generation_ != generation || !self->onFailed) return;
        self->onFailed(*self,
                       {DataLoadError::Kind::unavailable, "no web engine to load \"" + url + "\""});
    });
}

}  // namespace arquorel
