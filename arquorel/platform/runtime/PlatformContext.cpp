#include "arquorel/platform/runtime/PlatformContext.h"

#include "arquorel/platform/drawing/TextLayout.h"
#include "arquorel/platform/sensors/LocationService.h"
#include "arquorel/platform/sensors/MotionService.h"

namespace arquorel {

namespace {

// Services of a device without sensors: never enabled, never delivering anything.
class NoLocationService final : public LocationService {
  public:
    bool locationServicesEnabled() const override { return false; }
    AuthorizationStatus authorizationStatus() const override {
        return AuthorizationStatus::restricted;
    }
    void requestWhenInUseAuthorization() override {}
    void startUpdatingLocation() override {}
    void stopUpdatingLocation() override {}
    void startUpdatingHeading() override {}
    void stopUpdatingHeading() override {}
};

class NoMotionService final : public MotionService {
  public:
    bool isAccelerometerAvailable() const override { return false; }
    bool isAccelerometerActive() const override { return false; }
    void startAccelerometerUpdates() override {}
    void startAccelerometerUpdates(OperationQueue&, AccelerometerHandler) override {}
    void stopAccelerometerUpdates() override {}
    std::optional<Acceleration> accelerometerData() const override { return std::nullopt; }
};

PlatformContext* installed = nullptr;

}  // namespace

PlatformContext::PlatformContext(const Clock& clock, std::filesystem::path settingsFile)
    : clock_(clock),
      mainLoop_(clock_),
      backgroundQueue_(mainLoop_),
      defaults_(std::move(settingsFile), console_),
      device_(notifications_),
      application_(notifications_, mainLoop_, console_) {}

std::shared_ptr<LocationService> PlatformContext::makeLocationService() {
    if (locationServiceFactory) {
        if (auto service = locationServiceFactory()) return service;
    }
    return std::make_shared<NoLocationService>();
}

std::shared_ptr<MotionService> PlatformContext::makeMotionService() {
    if (motionServiceFactory) {
        if (auto service = motionServiceFactory()) return service;
    }
    return std::make_shared<NoMotionService>();
}

TextEngine& PlatformContext::textEngine() {
    if (!textEngine_) textEngine_ = std::make_shared<EstimatingTextEngine>();
    return *textEngine_;
}

void PlatformContext::setTextEngine(std::shared_ptr<TextEngine> engine) {
    textEngine_ = std::move(engine);
}

PlatformContext& platformContext() {
    if (installed) return *installed;
    static SystemClock systemClock;
    static PlatformContext fallback(systemClock);
    return fallback;
}

void installPlatformContext(PlatformContext* context) {
    installed = context;
}

}  // namespace arquorel
