#include "arquorel/platform/browser/emscripten/BrowserSensors.h"

#include <emscripten.h>

#include "arquorel/platform/runtime/OperationQueue.h"
#include "arquorel/platform/runtime/PlatformContext.h"

// The page's listeners (browser.js).
EM_JS(void, arq_js_watch_position, (int on), { ARQ.watchPosition(!!on); });
EM_JS(void, arq_js_watch_heading, (int on), { ARQ.watchHeading(!!on); });
EM_JS(void, arq_js_watch_motion, (int on), { ARQ.watchMotion(!!on); });
EM_JS(void, arq_js_request_position, (), { ARQ.requestPosition(); });

namespace arquorel::browser {

template <class T>
std::vector<std::shared_ptr<T>> BrowserSensors::live(std::vector<std::weak_ptr<T>>& list) {
    std::vector<std::shared_ptr<T>> out;
    std::erase_if(list, [](const auto& w) { return w.expired(); });
    for (const auto& w : list)
        if (auto s = w.lock()) out.push_back(std::move(s));
    return out;
}

std::shared_ptr<LocationService> BrowserSensors::makeLocationService() {
    auto service = std::make_shared<BrowserLocationService>(weak_from_this());
    locationServices_.push_back(service);
    return service;
}

std::shared_ptr<MotionService> BrowserSensors::makeMotionService() {
    auto service = std::make_shared<BrowserMotionService>(weak_from_this());
    motionServices_.push_back(service);
    return service;
}

void BrowserSensors::setAuthorization(AuthorizationStatus status) {
    if (status == authorization_) return;
    authorization_ = status;
    for (const auto& service : live(locationServices_))
        if (auto* d = service->delegate()) d->didChangeAuthorization(*service, status);
    update();
}

void BrowserSensors::requestAuthorization() {
    if (!geolocationAvailable_ || authorization_ != AuthorizationStatus::notDetermined ||
        requested_)
        return;
    requested_ = true;
    arq_js_request_position();
}

void BrowserSensors::deliverFix(const Location& fix) {
    // A fix means the user allowed the position.
    setAuthorization(AuthorizationStatus::authorizedWhenInUse);
    for (const auto& service : live(locationServices_)) {
        if (!service->updatingLocation()) continue;
        if (auto* d = service->delegate()) d->didUpdateLocations(*service, {fix});
    }
}

void BrowserSensors::deliverHeading(const HeadingReading& reading) {
    for (const auto& service : live(locationServices_)) {
        if (!service->updatingHeading()) continue;
        if (auto* d = service->delegate()) d->didUpdateHeading(*service, reading);
    }
}

void BrowserSensors::deliverAcceleration(const Acceleration& sample) {
    for (const auto& service : live(motionServices_)) service->deliver(sample);
}

void BrowserSensors::update() {
    bool position = false, heading = false, motion = false;
    for (const auto& service : live(locationServices_)) {
        position |= service->updatingLocation();
        heading |= service->updatingHeading();
    }
    for (const auto& service : live(motionServices_)) motion |= service->isAccelerometerActive();
    position &= geolocationAvailable_ && authorization_ != AuthorizationStatus::denied &&
                authorization_ != AuthorizationStatus::restricted;
    if (position != watchingPosition_) arq_js_watch_position(position);
    if (heading != watchingHeading_) arq_js_watch_heading(heading);
    if (motion != watchingMotion_) arq_js_watch_motion(motion);
    watchingPosition_ = position;
    watchingHeading_ = heading;
    watchingMotion_ = motion;
}

// --- Location service -----------------------------------------------------------------------

bool BrowserLocationService::locationServicesEnabled() const {
    auto sensors = sensors_.lock();
    return sensors && sensors->geolocationAvailable();
}

AuthorizationStatus BrowserLocationService::authorizationStatus() const {
    auto sensors = sensors_.lock();
    return sensors ? sensors->authorization() : AuthorizationStatus::restricted;
}

void BrowserLocationService::requestWhenInUseAuthorization() {
    if (auto sensors = sensors_.lock()) sensors->requestAuthorization();
}

void BrowserLocationService::startUpdatingLocation() {
    updatingLocation_ = true;
    if (auto sensors = sensors_.lock()) sensors->update();
}

void BrowserLocationService::stopUpdatingLocation() {
    updatingLocation_ = false;
    if (auto sensors = sensors_.lock()) sensors->update();
}

void BrowserLocationService::startUpdatingHeading() {
    updatingHeading_ = true;
    if (auto sensors = sensors_.lock()) sensors->update();
}

void BrowserLocationService::stopUpdatingHeading() {
    updatingHeading_ = false;
    if (auto sensors = sensors_.lock()) sensors->update();
}

// --- Motion service -------------------------------------------------------------------------

void BrowserMotionService::startAccelerometerUpdates() {
    if (!active_) latest_.reset();
    active_ = true;
    queue_ = nullptr;
    handler_ = nullptr;
    lastPush_.reset();
    if (auto sensors = sensors_.lock()) sensors->update();
}

void BrowserMotionService::startAccelerometerUpdates(OperationQueue& queue,
                                                     AccelerometerHandler handler) {
    startAccelerometerUpdates();
    queue_ = &queue;
    handler_ = std::move(handler);
}

void BrowserMotionService::stopAccelerometerUpdates() {
    active_ = false;
    latest_.reset();
    queue_ = nullptr;
    handler_ = nullptr;
    if (auto sensors = sensors_.lock()) sensors->update();
}

std::optional<Acceleration> BrowserMotionService::accelerometerData() const {
    return active_ ? latest_ : std::nullopt;
}

void BrowserMotionService::deliver(const Acceleration& sample) {
    if (!active_) return;
    latest_ = sample;
    if (!handler_ || !queue_) return;
    const double now = platformContext().now();
    if (lastPush_ && now - *lastPush_ < accelerometerUpdateInterval()) return;
    lastPush_ = now;
    queue_->addOperation([handler = handler_, sample] { handler(sample, std::nullopt); });
}

}  // namespace arquorel::browser
