#include "arquorel/arscreen/LocationManager.h"

#include <algorithm>
#include <cmath>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/sensors/Geocoder.h"

namespace arquorel {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kAskDelayAfterStart = 0.5;
constexpr double kAskDelayAfterCheck = 0.1;
constexpr double kStartDelayAfterAuthorization = 0.5;
constexpr double kMinimumFixIntervalMs = 100;

std::shared_ptr<LocationManager>& instance() {
    static std::shared_ptr<LocationManager> shared;
    return shared;
}

bool authorized(AuthorizationStatus status) {
    return status == AuthorizationStatus::authorizedAlways ||
           status == AuthorizationStatus::authorizedWhenInUse;
}

// A compass angle the subscribers can use: finite and within [0, 360).
bool usableHeading(double degrees) {
    return std::isfinite(degrees) && degrees >= 0 && degrees < 360;
}

}  // namespace

// ---- HeadingSubscription ----

HeadingSubscription::HeadingSubscription(HeadingSubscription&& other) noexcept
    : manager_(std::move(other.manager_)), id_(other.id_) {
    other.id_ = 0;
}

HeadingSubscription& HeadingSubscription::operator=(HeadingSubscription&& other) noexcept {
    if (this != &other) {
        cancel();
        manager_ = std::move(other.manager_);
        id_ = other.id_;
        other.id_ = 0;
    }
    return *this;
}

void HeadingSubscription::cancel() {
    if (auto manager = manager_.lock()) manager->unsubscribe(id_);
    manager_.reset();
    id_ = 0;
}

bool HeadingSubscription::active() const {
    auto manager = manager_.lock();
    return manager && manager->subscribed(id_);
}

// ---- LocationManager ----

const std::shared_ptr<LocationManager>& LocationManager::sharedInstance() {
    auto& shared = instance();
    if (!shared) shared.reset(new LocationManager());
    return shared;
}

void LocationManager::resetSharedInstance() {
    // Moved out first, so that code run by the destructor sees no instance.
    auto old = std::move(instance());
    instance().reset();
}

LocationManager::~LocationManager() {
    if (manager_ && manager_->delegate() == this) manager_->setDelegate(nullptr);
    if (geocoder_ && geocoding_) geocoder_->cancelGeocode();
}

void LocationManager::configureManager() {
    if (manager_) return;
    manager_ = platformContext().makeLocationService();
    manager_->setDelegate(this);
    manager_->setHeadingFilter(10);
    manager_->setDesiredAccuracy(LocationService::kBestAccuracy);
    manager_->setDistanceFilter(10);
}

void LocationManager::start() {
    configureManager();
    auto keep = manager_;  // the service's callbacks may replace it
    if (!keep->locationServicesEnabled()) return postAskForLocation(kAskDelayAfterStart);
    const AuthorizationStatus status = keep->authorizationStatus();
    if (authorized(status)) {
        keep->startUpdatingLocation();
        keep->startUpdatingHeading();
    } else if (status == AuthorizationStatus::denied) {
        postAskForLocation(kAskDelayAfterStart);
    } else {
        keep->requestWhenInUseAuthorization();
    }
}

void LocationManager::checkStatus() {
    configureManager();
    auto keep = manager_;
    if (!keep->locationServicesEnabled()) return postAskForLocation(kAskDelayAfterCheck);
    const AuthorizationStatus status = keep->authorizationStatus();
    if (authorized(status)) return;
    if (status == AuthorizationStatus::denied) return postAskForLocation(kAskDelayAfterCheck);
    keep->requestWhenInUseAuthorization();
}

void LocationManager::postAskForLocation(double delay) const {
    platformContext().mainLoop().asyncAfter(
        delay, [] { platformContext().notificationCenter().post(kAskForLocationNotification); });
}

void LocationManager::didChangeAuthorization(LocationService&, AuthorizationStatus status) {
    if (authorized(status)) {
        platformContext().mainLoop().asyncAfter(kStartDelayAfterAuthorization,
                                                [weak = weak_from_this()] {
                                                    auto self = weak.lock();
                                                    if (!self || !self->manager_) return;
                                                    auto service = self->manager_;
                                                    service->startUpdatingLocation();
                                                    service->startUpdatingHeading();
                                                });
    } else if (status == AuthorizationStatus::denied) {
        // Refused at the permission prompt (or later in the settings): the host hears of it
        // as it does of a refusal found by start().
        postAskForLocation(kAskDelayAfterStart);
    }
}

void LocationManager::didUpdateLocations(LocationService&, const std::vector<Location>& locations) {
    if (locations.empty()) return;
    const Location location = locations.back();
    if (!isValid(location.coordinate) || !std::isfinite(location.timestamp)) {
        return warnOnce(warnedLocation_,
                        "LocationManager: ignoring a location without a valid coordinate or time");
    }
    auto self = shared_from_this();  // subscribers may drop the shared instance
    if (!latestLocation_) return updateLocation(location);
    if (!((location.timestamp - latestLocation_->timestamp) * 1000 > kMinimumFixIntervalMs)) return;
    // The new location is stored first, so subscribers told of the heading measure from it.
    updateLocation(location);
    if (latestHeading_) updateHeading(*latestHeading_);
}

void LocationManager::updateLocation(const Location& location) {
    if (country_.empty() && !geocoding_) {
        if (!geocoder_) geocoder_ = platformContext().makeGeocoder();
        geocoding_ = true;
        geocoder_->reverseGeocodeLocation(
            location, [weak = weak_from_this()](const std::vector<Placemark>& placemarks,
                                                const std::optional<GeocoderError>&) {
                auto self = weak.lock();
                if (!self) return;
                self->geocoding_ = false;
                // No answer (or an error) changes nothing; the next accepted fix tries again.
                if (placemarks.empty()) return;
                const std::string before = self->country_;
                if (const auto& code = placemarks.front().isoCountryCode) self->country_ = *code;
                platformContext().userDefaults().set(kCountryDefaultsKey, self->country_);
                if (self->country_ != before)
                    platformContext().notificationCenter().post(kCountryChangedNotification);
            });
    }
    latestLocation_ = location;
}

void LocationManager::didUpdateHeading(LocationService&, const HeadingReading& heading) {
    // The true heading needs a position; until there is one the magnetic heading stands in.
    std::optional<double> value;
    if (heading.headingAccuracy >= 0) {
        if (usableHeading(heading.trueHeading))
            value = heading.trueHeading;
        else if (usableHeading(heading.magneticHeading))
            value = heading.magneticHeading;
    }
    if (!value)
        return warnOnce(warnedHeading_,
                        "LocationManager: ignoring a heading reading without a "
                        "valid true or magnetic heading");
    updateHeading(*value);
}

void LocationManager::updateHeading(double heading) {
    auto self = shared_from_this();
    latestHeading_ = heading;
    // A snapshot: a subscriber may subscribe or unsubscribe others while it is called; one
    // that was removed meanwhile is not called any more.
    std::vector<std::pair<std::uint64_t, HeadingCallback>> calls;
    calls.reserve(subscribers_.size());
    for (const auto& s : subscribers_) calls.emplace_back(s.id, s.callback);
    for (const auto& [id, callback] : calls)
        if (subscribed(id)) callback(heading);
}

HeadingSubscription LocationManager::addHeadingCallback(HeadingCallback callback) {
    if (!callback) return {};
    return HeadingSubscription(weak_from_this(), subscribe(std::move(callback)));
}

std::uint64_t LocationManager::subscribe(HeadingCallback callback) {
    if (latestHeading_) callback(latestHeading_);
    const std::uint64_t id = nextId_++;
    subscribers_.push_back({id, std::move(callback)});
    return id;
}

void LocationManager::unsubscribe(std::uint64_t id) {
    std::erase_if(subscribers_, [id](const Subscriber& s) { return s.id == id; });
}

bool LocationManager::subscribed(std::uint64_t id) const {
    return std::any_of(subscribers_.begin(), subscribers_.end(),
                       [id](const Subscriber& s) { return s.id == id; });
}

void LocationManager::buttonClicked() {
    platformContext().application().openSettings();
}

void LocationManager::warnOnce(bool& warned, const char* line) {
    if (warned) return;
    warned = true;
    platformContext().console().writeLine(line);
}

double LocationManager::bearingBetween(const Location& from, const Location& to) {
    const double phi1 = from.latitude() * kPi / 180;
    const double lambda1 = from.longitude() * kPi / 180;
    const double phi2 = to.latitude() * kPi / 180;
    const double lambda2 = to.longitude() * kPi / 180;
    const double dLambda = lambda2 - lambda1;
    const double y = std::sin(dLambda) * std::cos(phi2);
    const double x =
        std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dLambda);
    return std::atan2(y, x) * 180 / kPi;
}

}  // namespace arquorel
