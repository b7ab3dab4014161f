#include "arquorel/arcore/ARTrackingManager.h"

#include <cmath>

#include "arquorel/arcore/ARStatus.h"
#include "arquorel/platform/runtime/NotificationCenter.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/runtime/Timer.h"

namespace arquorel {

namespace {

bool isFinite(const Acceleration& a) {
    return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z);
}

void invalidate(std::shared_ptr<Timer>& timer) {
    if (timer) timer->invalidate();
    timer.reset();
}

}  // namespace

std::shared_ptr<ARTrackingManager> ARTrackingManager::create() {
    return std::shared_ptr<ARTrackingManager>(new ARTrackingManager());
}

ARTrackingManager::ARTrackingManager()
    : context_(&platformContext()),
      notifications_(context_->weakNotificationCenter()),
      locationManage_(context_->makeLocationService()),
      motionManager_(context_->makeMotionService()) {
    reloadDistanceFilter_ = 200;
    userDistanceFilter_ = 10;
    locationManage_->setDistanceFilter(10);
    locationManage_->setDesiredAccuracy(LocationService::kBestAccuracy);
    setUserDistanceFilter(userDistanceFilter_);
    locationManage_->setHeadingFilter(1.0);
    locationManage_->setDelegate(this);
    // Removed in the destructor, so the handler never outlives the manager.
    context_->notificationCenter().addObserver(
        this, kDeviceOrientationDidChange,
        [this](const Notification&) { deviceOrientationDidChange(); });
    // During construction only this class's own step can run.
    ARTrackingManager::deviceOrientationDidChange();
}

ARTrackingManager::~ARTrackingManager() {
    resetState();
    stopSensors();
    if (auto notifications = notifications_.lock()) notifications->removeObserver(this);
    if (locationManage_->delegate() == this) locationManage_->setDelegate(nullptr);
}

// ---- Settings ----

void ARTrackingManager::setUserDistanceFilter(std::optional<double> metres) {
    userDistanceFilter_ = metres;
    locationManage_->setDistanceFilter(metres ? *metres : LocationService::kDistanceFilterNone);
}

void ARTrackingManager::setHeadingFilterFactor(double factor) {
    if (std::isfinite(factor)) headingFilterFactor_ = factor;
}

void ARTrackingManager::setPitchFilterFactor(double factor) {
    if (std::isfinite(factor)) pitchFilterFactor_ = factor;
}

void ARTrackingManager::setMinimumHeadingAccuracy(double degrees) {
    if (!std::isnan(degrees)) minimumHeadingAccuracy_ = degrees;
}

void ARTrackingManager::setMinimumLocationHorizontalAccuracy(double metres) {
    if (!std::isnan(metres)) minimumLocationHorizontalAccuracy_ = metres;
}

void ARTrackingManager::setMinimumLocationAge(double seconds) {
    if (!std::isnan(seconds)) minimumLocationAge_ = seconds;
}

void ARTrackingManager::setFilteredPitch(double degrees) {
    if (std::isfinite(degrees)) filteredPitch_ = degrees;
}

ARTrackingManager::State ARTrackingManager::state() const {
    State s;
    s.headingFilterFactorInUse = headingFilterFactorInUse_;
    s.previousAcceleration = previousAcceleration_;
    s.catchupPitch = catchupPitch_;
    s.headingStartDate = headingStartDate_;
    s.reloadLocationPrevious = reloadLocationPrevious_;
    s.reportLocationDate = reportLocationDate_;
    s.reportLocationTimerPending = reportLocationTimer_ && reportLocationTimer_->isValid();
    s.locationSearchStartTime = locationSearchStartTime_;
    s.locationSearchTimerRunning = locationSearchTimer_ && locationSearchTimer_->isValid();
    return s;
}

// ---- Start, stop, reset ----

void ARTrackingManager::startTracking(bool notifyLocationFailure) {
    auto keepAlive = weak_from_this().lock();
    resetAllTrackingData();
    if (locationManage_->locationServicesEnabled() &&
        locationManage_->authorizationStatus() == AuthorizationStatus::notDetermined) {
        locationManage_->requestWhenInUseAuthorization();
    }
    if (notifyLocationFailure) {
        startLocationSearchTimer(true);
        if (auto d = delegate()) d->didFailToFindLocationAfter(*this, 0);
    }
    motionManager_->startAccelerometerUpdates();
    locationManage_->startUpdatingHeading();
    locationManage_->startUpdatingLocation();
    tracking_ = true;
    trackingStartTime_ = context_->now();
}

void ARTrackingManager::stopTracking() {
    resetAllTrackingData();
    stopSensors();
}

void ARTrackingManager::resetAllTrackingData() {
    resetState();
}

void ARTrackingManager::resetState() {
    ++resetCount_;
    invalidate(locationSearchTimer_);
    locationSearchStartTime_.reset();
    invalidate(reportLocationTimer_);
    reportLocationDate_.reset();
    previousAcceleration_ = Acceleration{};
    userLocation_.reset();
    heading_ = 0;
    filteredHeading_ = 0;
    filteredPitch_ = 0;
    catchupPitch_ = true;
    headingStartDate_.reset();
}

void ARTrackingManager::stopSensors() {
    motionManager_->stopAccelerometerUpdates();
    locationManage_->stopUpdatingHeading();
    locationManage_->stopUpdatingLocation();
    tracking_ = false;
    trackingStartTime_.reset();
}

bool ARTrackingManager::headingMissing() const {
    return tracking_ && trackingStartTime_ && !headingStartDate_ && !debugHeading_ &&
           context_->now() - *trackingStartTime_ >= kHeadingWait;
}

// ---- Orientation ----

void ARTrackingManager::deviceOrientationDidChange() {
    const DeviceOrientation o = context_->device().orientation();
    // Face up, face down and unknown say nothing about how the screen is held.
    if (o == DeviceOrientation::portrait || o == DeviceOrientation::portraitUpsideDown ||
        o == DeviceOrientation::landscapeLeft || o == DeviceOrientation::landscapeRight) {
        orientation_ = o;
    }
    locationManage_->setHeadingOrientation(orientation_);
}

// ---- Location fixes ----

void ARTrackingManager::didUpdateLocations(LocationService&, const std::vector<Location>& fixes) {
    if (fixes.empty()) return;
    const Location& fix = fixes.back();
    // Comparisons are written so that NaN in any field rejects the fix.
    const double age = fix.timestamp - context_->now();
    const bool fresh = std::isfinite(fix.timestamp) && !(age < -minimumLocationAge_);
    const bool accurate =
        fix.horizontalAccuracy >= 0 && fix.horizontalAccuracy <= minimumLocationHorizontalAccuracy_;
    if (!fresh || !accurate || !isValid(fix.coordinate)) return;

    invalidate(locationSearchTimer_);
    context_->mainLoop().async([weak = weak_from_this(), fix, resets = resetCount_] {
        auto self = weak.lock();
        // A fix accepted before a stop or restart belongs to the tracking that ended.
        if (!self || self->resetCount_ != resets) return;
        self->processAcceptedFix(fix);
    });
}

void ARTrackingManager::setUserLocation(const std::optional<Location>& location) {
    if (!location) {
        userLocation_.reset();
        return;
    }
    if (!isValid(location->coordinate)) return;
    userLocation_ = Location(location->coordinate, 0, location->horizontalAccuracy,
                             location->verticalAccuracy, location->timestamp);
}

void ARTrackingManager::processAcceptedFix(const Location& fix) {
    const std::uint64_t resets = resetCount_;
    userLocation_ =
        Location(fix.coordinate, 0, fix.horizontalAccuracy, fix.verticalAccuracy, fix.timestamp);
    if (auto d = locDelegate()) {
        d->didUpdateLocation(*this, *userLocation_);
        if (resetCount_ != resets) return;  // the delegate stopped or restarted tracking
    }
    if (!reloadLocationPrevious_) reloadLocationPrevious_ = userLocation_;
    if (!reportLocationDate_) {
        reportLocationToDelegate();
    } else if (!reportLocationTimer_) {
        reportLocationTimer_ =
            scheduleTimer(kReportLocationInterval, &ARTrackingManager::reportLocationToDelegate);
    }
}

void ARTrackingManager::reportLocationToDelegate() {
    auto keepAlive = weak_from_this().lock();
    invalidate(reportLocationTimer_);
    reportLocationDate_ = context_->now();
    if (!userLocation_ || !reloadLocationPrevious_ || !reloadDistanceFilter_) return;
    const Location previous(reloadLocationPrevious_->latitude(),
                            reloadLocationPrevious_->longitude());
    const double d = distanceFromUser(previous, *userLocation_);
    if (*reloadDistanceFilter_ < d) {
        reloadLocationPrevious_ = userLocation_;
        if (auto del = delegate()) del->didUpdateReloadLocation(*this, *reloadLocationPrevious_);
    }
}

// ---- Location watchdog ----

void ARTrackingManager::startLocationSearchTimer(bool resetStartTime) {
    invalidate(locationSearchTimer_);
    if (resetStartTime) locationSearchStartTime_ = context_->now();
    locationSearchTimer_ =
        scheduleTimer(kLocationSearchInterval, &ARTrackingManager::locationSearchTimerTick);
}

void ARTrackingManager::locationSearchTimerTick() {
    auto keepAlive = weak_from_this().lock();
    if (!locationSearchStartTime_) return;
    startLocationSearchTimer(false);
    const double elapsed = context_->now() - *locationSearchStartTime_;
    if (auto d = delegate()) d->didFailToFindLocationAfter(*this, elapsed);
}

std::shared_ptr<Timer> ARTrackingManager::scheduleTimer(double interval,
                                                        void (ARTrackingManager::*action)()) {
    // Timers hold the manager weakly: a pending check must not keep it alive.
    return Timer::scheduled(context_->mainLoop(), interval, false,
                            [weak = weak_from_this(), action](Timer&) {
                                if (auto self = weak.lock()) ((*self).*action)();
                            });
}

// ---- Headings ----

void ARTrackingManager::didUpdateHeading(LocationService&, const HeadingReading& reading) {
    if (!(reading.headingAccuracy >= 0 && reading.headingAccuracy <= minimumHeadingAccuracy_))
        return;
    const double raw = reading.trueHeading >= 0 ? reading.trueHeading : reading.magneticHeading;
    if (!std::isfinite(raw)) return;  // nothing to filter towards

    auto keepAlive = weak_from_this().lock();
    const std::uint64_t resets = resetCount_;
    const double previous = heading_;
    if (auto d = locDelegate()) {
        d->didUpdateHeading(*this, reading);
        if (resetCount_ != resets) return;  // the delegate stopped or restarted tracking
    }
    double h = std::fmod(raw, 360.0);
    if (h < 0) h += 360;  // a negative magnetic heading from a confused compass
    if (h >= 360) h = 0;
    heading_ = h;

    const double now = context_->now();
    if (!headingStartDate_) {
        headingStartDate_ = now;
        filteredHeading_ = heading_;
    }
    if (now - *headingStartDate_ >= kHeadingCatchUpPeriod) {
        headingFilterFactorInUse_ = headingFilterFactor_;
    } else {
        double delta = heading_ - previous;
        if (delta > 180) {
            delta -= 360;
        } else if (delta < -180) {
            delta += 360;
        }
        headingFilterFactorInUse_ =
            std::fabs(delta) > kHeadingCatchUpThreshold ? 1.0 : headingFilterFactor_;
    }
}

bool ARTrackingManager::shouldDisplayHeadingCalibration(LocationService&) {
    return allowCompassCalibration_;
}

// ---- Display-frame filters ----

namespace {
// A filter this close to its input has come to rest on it: a few thousandths of a point on
// the screen. Without it a filter only ever nears a steady input (the compass reports a heading
// only once it changed by a degree), and every frame of a phone held still moves the cards by
// nothing visible, which the renderer must walk the views to tell.
constexpr double kRestDegrees = 1e-3;
constexpr double kRestAcceleration = 1e-5;  // g
}  // namespace

void ARTrackingManager::filterHeading() {
    const double f = headingFilterFactorInUse_;
    const double p = filteredHeading_;
    double n = debugHeading_ ? *debugHeading_ : heading_;
    if (!std::isfinite(n)) return;
    if (std::fabs(n - p) > 180) {
        if (p < 180 && n > 180) {
            n -= 360;
        } else if (p > 180 && n < 180) {
            n += 360;
        }
    }
    double r = n * f + p * (1 - f);
    if (std::fabs(n - r) < kRestDegrees) r = n;
    r = std::fmod(r, 360.0);
    if (r < 0) r += 360;
    if (r >= 360) r = 0;  // a tiny negative remainder rounds up to 360
    if (std::isfinite(r)) filteredHeading_ = r;
}

void ARTrackingManager::filterPitch() {
    if (debugPitch_) return;
    const std::optional<Acceleration> data = motionManager_->accelerometerData();
    if (!data || !isFinite(*data)) return;
    const Acceleration& sample = *data;
    if (catchupPitch_ && !(sample == Acceleration{})) {
        previousAcceleration_ = sample;
        catchupPitch_ = false;
    }
    const double k = pitchFilterFactor_;
    Acceleration a{sample.x * k + previousAcceleration_.x * (1 - k),
                   sample.y * k + previousAcceleration_.y * (1 - k),
                   sample.z * k + previousAcceleration_.z * (1 - k)};
    if (!isFinite(a)) return;
    if (std::fabs(a.x - sample.x) < kRestAcceleration &&
        std::fabs(a.y - sample.y) < kRestAcceleration &&
        std::fabs(a.z - sample.z) < kRestAcceleration)
        a = sample;
    previousAcceleration_ = a;

    double u = a.y;
    switch (orientation_) {
        case DeviceOrientation::portraitUpsideDown:
            u = -a.y;
            break;
        case DeviceOrientation::landscapeLeft:
            u = a.x;
            break;
        case DeviceOrientation::landscapeRight:
            u = -a.x;
            break;
        default:
            break;
    }
    double pitch = std::atan2(u, a.z) * kRadiansToDegrees + 90;
    if (pitch > 180) pitch -= 360;
    const double halfway = (filteredPitch_ + pitch) * 0.5;
    filteredPitch_ = std::fabs(halfway - pitch) < kRestDegrees ? pitch : halfway;
}

}  // namespace arquorel
