#pragma once
// Position, compass and accelerometer from the browser: the page's geolocation watch (high
// accuracy), its absolute device orientation (or the compass heading some browsers offer) and
// its motion events. Every service object the product makes shares one set of browser
// listeners, started while any of them asks for readings.

#include <memory>
#include <optional>
#include <vector>

#include "arquorel/platform/sensors/LocationService.h"
#include "arquorel/platform/sensors/MotionService.h"

namespace arquorel::browser {

class BrowserLocationService;
class BrowserMotionService;

class BrowserSensors : public std::enable_shared_from_this<BrowserSensors> {
  public:
    std::shared_ptr<LocationService> makeLocationService();
    std::shared_ptr<MotionService> makeMotionService();

    // What the page knows: whether it has geolocation, and the permission's state.
    bool geolocationAvailable() const { return geolocationAvailable_; }
    void setGeolocationAvailable(bool available) { geolocationAvailable_ = available; }
    AuthorizationStatus authorization() const { return authorization_; }
    // A new state of the permission; every service's delegate hears of a change.
    void setAuthorization(AuthorizationStatus status);
    // Asks the browser (once) for the position; its answer sets the authorisation.
    void requestAuthorization();

    // Readings from the page.
    void deliverFix(const Location& fix);
    void deliverHeading(const HeadingReading& reading);
    void deliverAcceleration(const Acceleration& sample);

    // Starts or stops the browser's listeners after a service changed what it asks for.
    void update();

  private:
    template <class T>
    std::vector<std::shared_ptr<T>> live(std::vector<std::weak_ptr<T>>& list);

    std::vector<std::weak_ptr<BrowserLocationService>> locationServices_;
    std::vector<std::weak_ptr<BrowserMotionService>> motionServices_;
    bool geolocationAvailable_ = true;
    AuthorizationStatus authorization_ = AuthorizationStatus::notDetermined;
    bool requested_ = false;
    bool watchingPosition_ = false;
    bool watchingHeading_ = false;
    bool watchingMotion_ = false;
};

class BrowserLocationService final : public LocationService {
  public:
    explicit BrowserLocationService(std::weak_ptr<BrowserSensors> sensors)
        : sensors_(std::move(sensors)) {}
    bool locationServicesEnabled() const override;
    AuthorizationStatus authorizationStatus() const override;
    void requestWhenInUseAuthorization() override;
    void startUpdatingLocation() override;
    void stopUpdatingLocation() override;
    void startUpdatingHeading() override;
    void stopUpdatingHeading() override;

    bool updatingLocation() const { return updatingLocation_; }
    bool updatingHeading() const { return updatingHeading_; }

  private:
    std::weak_ptr<BrowserSensors> sensors_;
    bool updatingLocation_ = false;
    bool updatingHeading_ = false;
};

class BrowserMotionService final : public MotionService {
  public:
    explicit BrowserMotionService(std::weak_ptr<BrowserSensors> sensors)
        : sensors_(std::move(sensors)) {}
    bool isAccelerometerAvailable() const override { return true; }
    bool isAccelerometerActive() const override { return active_; }
    void startAccelerometerUpdates() override;
    void startAccelerometerUpdates(OperationQueue& queue, AccelerometerHandler handler) override;
    void stopAccelerometerUpdates() override;
    std::optional<Acceleration> accelerometerData() const override;

    // A sample from the page: kept, and pushed to the handler when an update is due.
    void deliver(const Acceleration& sample);

  private:
    std::weak_ptr<BrowserSensors> sensors_;
    bool active_ = false;
    std::optional<Acceleration> latest_;
    OperationQueue* queue_ = nullptr;
    AccelerometerHandler handler_;
    std::optional<double> lastPush_;
};

}  // namespace arquorel::browser
