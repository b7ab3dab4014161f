#include "arquorel/placelist/BaseVC.h"

#include <memory>

#include "arquorel/platform/runtime/MainLoop.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

namespace {

constexpr Color kNavigationTint{62.0 / 255, 62.0 / 255, 68.0 / 255, 1};

}  // namespace

void BaseVC::viewDidLoad() {
    ViewController::viewDidLoad();
    loaded_ = true;
    tint_ = kNavigationTint;
    titleColor_ = kNavigationTint;
}

void BaseVC::viewDidAppear(bool animated) {
    ViewController::viewDidAppear(animated);
    updateHomeIndicator();
    platformContext().mainLoop().asyncAfter(
        kHomeIndicatorDelay, [weak = std::weak_ptr<ViewController>(shared_from_this())] {
            // A screen that has left in the meantime no longer speaks for the home indicator.
            auto self = std::static_pointer_cast<BaseVC>(weak.lock());
            if (!self || !self->window()) return;
            View::animate(kHomeIndicatorAnimation, [&] { self->updateHomeIndicator(); });
        });
}

void BaseVC::updateHomeIndicator() {
    ++homeIndicatorUpdates_;
    homeIndicatorHidden_ = prefersHomeIndicatorAutoHidden();
}

}  // namespace arquorel
