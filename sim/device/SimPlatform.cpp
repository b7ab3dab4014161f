#include "sim/device/SimPlatform.h"

#include <cmath>

#include "arquorel/platform/drawing/TextLayout.h"
#include "arquorel/platform/drawing/cairo/CairoBackend.h"
#include "arquorel/platform/maps/pack/WalkingRouter.h"
#include "arquorel/platform/system/native/NativeSystem.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimWebView.h"

// Fontconfig keeps a few allocations it never frees while it reads font files; they are the
// library's, not ours, so the leak checker of sanitizer builds leaves them out.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
#endif
#endif

namespace arquorel::sim {

namespace {
PlatformContext* currentlyInstalled = nullptr;
}

SimPlatform::SimPlatform(std::filesystem::path settingsFile, double startTime)
    : clock_(startTime),
      context_(std::make_unique<PlatformContext>(clock_, std::move(settingsFile))) {
    cairo::installCairoBackend(*context_);
    previous_ = currentlyInstalled;
    currentlyInstalled = context_.get();
    installPlatformContext(context_.get());
    context_->application().setURLOpener(urlOpener_);
    context_->setReachability(reachability_);
    context_->setShareService(shareService_);
    native::installNativeSystemServices(*context_);
    mailService_ = std::make_shared<SimMailService>(context_->mainLoop());
    context_->setMailService(mailService_);
    context_->setMapsApplication(mapsApplication_);
    context_->webViewFactory = [] { return std::make_shared<SimWebView>(); };
    context_->directionsFactory = [state = directions_] {
        return std::make_shared<SimDirections>(state);
    };
}

void SimPlatform::installMapPack(std::shared_ptr<const MapPack> pack) {
    directions_->router = pack ? std::make_shared<const WalkingRouter>(pack) : nullptr;
    context_->mapData = std::move(pack);
}

SimPlatform::~SimPlatform() {
    currentlyInstalled = previous_;
    installPlatformContext(previous_);
}

void SimPlatform::estimateTextMetrics() {
    context_->setTextEngine(std::make_shared<EstimatingTextEngine>());
}

void SimPlatform::advance(double seconds) {
    if (!(seconds >= 0) || !std::isfinite(seconds)) seconds = 0;
    const double target = clock_.now() + seconds;
    auto& loop = context_->mainLoop();
    loop.runDue();
    for (;;) {
        auto next = loop.nextDueTime();
        if (!next || *next > target) break;
        if (*next > clock_.now()) clock_.set(*next);
        loop.runDue();
    }
    clock_.set(target);
    loop.runDue();
    Window::layoutAllWindows();
}

void SimPlatform::runPending() {
    context_->mainLoop().runDue();
    Window::layoutAllWindows();
}

}  // namespace arquorel::sim
