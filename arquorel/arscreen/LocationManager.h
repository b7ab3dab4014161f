#pragma once
// The process-wide keeper of the user's latest position, compass heading and country code,
// for the screens outside the AR view. It wraps a platform location service, asks for
// permission, tells the host through the "askForLocation" notification when location access
// is off or refused, finds the country by reverse geocoding and hands headings to subscribers.
//
// Every heading subscription is a HeadingSubscription token that the subscriber keeps: it lasts
// as long as the token, so a screen or a cell may hold several, and one that goes (a closed
// screen, a cell given another place) leaves nothing behind. Nothing is ever replaced silently.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/platform/sensors/Location.h"
#include "arquorel/platform/sensors/LocationService.h"

namespace arquorel {

class Geocoder;
class LocationManager;

// Posted, without object or user information, when location services are off or this
// application's access is refused.
inline constexpr const char* kAskForLocationNotification = "askForLocation";
// Posted, without object or user information, when the user's country code changes.
inline constexpr const char* kCountryChangedNotification = "countryChanged";
// The user-defaults key of the country code.
inline constexpr const char* kCountryDefaultsKey = "country";

// A heading subscription: the callback is called while this object lives and until cancel().
class [[nodiscard]] HeadingSubscription {
  public:
    HeadingSubscription() = default;
    ~HeadingSubscription() { cancel(); }
    HeadingSubscription(HeadingSubscription&& other) noexcept;
    HeadingSubscription& operator=(HeadingSubscription&& other) noexcept;
    HeadingSubscription(const HeadingSubscription&) = delete;
    HeadingSubscription& operator=(const HeadingSubscription&) = delete;

    void cancel();
    bool active() const;

  private:
    friend class LocationManager;
    HeadingSubscription(std::weak_ptr<LocationManager> manager, std::uint64_t id)
        : manager_(std::move(manager)), id_(id) {}
    std::weak_ptr<LocationManager> manager_;
    std::uint64_t id_ = 0;
};

class LocationManager final : public LocationServiceDelegate,
                              public std::enable_shared_from_this<LocationManager> {
  public:
    // Called with the heading in degrees from true north (magnetic north when the true
    // heading is unknown).
    using HeadingCallback = std::function<void(std::optional<double>)>;

    // The one instance, created on first use.
    static const std::shared_ptr<LocationManager>& sharedInstance();
    // Drops the instance (tests start each case with a fresh one). Subscriptions held by
    // tokens end with it.
    static void resetSharedInstance();

    ~LocationManager() override;
    LocationManager(const LocationManager&) = delete;
    LocationManager& operator=(const LocationManager&) = delete;

    // Configures the location service on first use and starts it as far as permissions allow.
    void start();
    // Re-checks permissions; starts no updates.
    void checkStatus();

    const std::optional<Location>& latestLocation() const { return latestLocation_; }
    void setLatestLocation(std::optional<Location> location) { latestLocation_ = location; }
    std::optional<double> latestHeading() const { return latestHeading_; }
    const std::string& country() const { return country_; }

    // Subscribes to heading changes while the returned token lives; called at once when a
    // heading is already known.
    HeadingSubscription addHeadingCallback(HeadingCallback callback);
    // Live subscriptions.
    std::size_t headingCallbackCount() const { return subscribers_.size(); }

    // Opens this application's page in the platform settings, when that address can be
    // opened, and writes "Settings opened: true" (or false) when the platform reports back.
    void buttonClicked();

    // Initial great-circle bearing in degrees from `from` to `to`, within (-180, 180]:
    // 0 north, 90 east, -90 west.
    static double bearingBetween(const Location& from, const Location& to);

    // The platform service; none before the first start() or checkStatus().
    LocationService* manager() const { return manager_.get(); }
    bool isGeocoding() const { return geocoding_; }

    void didUpdateLocations(LocationService& service,
                            const std::vector<Location>& locations) override;
    void didUpdateHeading(LocationService& service, const HeadingReading& heading) override;
    void didChangeAuthorization(LocationService& service, AuthorizationStatus status) override;

  private:
    LocationManager() = default;

    struct Subscriber {
        std::uint64_t id;
        HeadingCallback callback;
    };

    void configureManager();
    void postAskForLocation(double delay) const;
    void updateLocation(const Location& location);
    void updateHeading(double heading);
    std::uint64_t subscribe(HeadingCallback callback);
    void unsubscribe(std::uint64_t id);
    bool subscribed(std::uint64_t id) const;
    static void warnOnce(bool& warned, const char* line);

    friend class HeadingSubscription;

    std::optional<double> latestHeading_;
    std::vector<Subscriber> subscribers_;
    std::string country_;
    std::optional<Location> latestLocation_;
    std::shared_ptr<LocationService> manager_;
    std::shared_ptr<Geocoder> geocoder_;
    bool geocoding_ = false;
    std::uint64_t nextId_ = 1;
    bool warnedLocation_ = false;
    bool warnedHeading_ = false;
};

}  // namespace arquorel
