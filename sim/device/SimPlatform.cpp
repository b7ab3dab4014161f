#include "sim/device/SimPlatform.h"

#include <cmath>

#include "arquorel/platform/drawing/cairo/CairoBackend.h"
#include "arquorel/platform/ui/Window.h"

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
}

SimPlatform::~SimPlatform() {
    currentlyInstalled = previous_;
    installPlatformContext(previous_);
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
