#pragma once
// Position fixes and compass headings. Callbacks arrive on the main loop.

#include <vector>

#include "arquorel/platform/sensors/Location.h"
#include "arquorel/platform/sensors/Readings.h"

namespace arquorel {

class LocationService;

enum class AuthorizationStatus {
    notDetermined = 0,
    restricted = 1,
    denied = 2,
    authorizedAlways = 3,
    authorizedWhenInUse = 4,
};

class LocationServiceDelegate {
  public:
    virtual ~LocationServiceDelegate() = default;
    virtual void didUpdateLocations(LocationService&, const std::vector<Location>&) {}
    virtual void didUpdateHeading(LocationService&, const HeadingReading&) {}
    // Whether the platform may show its compass calibration screen.
    virtual bool shouldDisplayHeadingCalibration(LocationService&) { return false; }
    virtual void didChangeAuthorization(LocationService&, AuthorizationStatus) {}
};

class LocationService {
  public:
    static constexpr double kBestAccuracy = -1;        // desired accuracy: best available
    static constexpr double kDistanceFilterNone = -1;  // every movement is reported

    virtual ~LocationService() = default;

    virtual bool locationServicesEnabled() const = 0;
    virtual AuthorizationStatus authorizationStatus() const = 0;
    virtual void requestWhenInUseAuthorization() = 0;

    virtual void startUpdatingLocation() = 0;
    virtual void stopUpdatingLocation() = 0;
    virtual void startUpdatingHeading() = 0;
    virtual void stopUpdatingHeading() = 0;

    // Settings; the delegate is not owned and must outlive its registration.
    void setDelegate(LocationServiceDelegate* delegate) { delegate_ = delegate; }
    LocationServiceDelegate* delegate() const { return delegate_; }
    double desiredAccuracy() const { return desiredAccuracy_; }
    void setDesiredAccuracy(double metres) { desiredAccuracy_ = metres; }
    double distanceFilter() const { return distanceFilter_; }
    void setDistanceFilter(double metres) { distanceFilter_ = metres; }
    double headingFilter() const { return headingFilter_; }
    void setHeadingFilter(double degrees) { headingFilter_ = degrees; }
    DeviceOrientation headingOrientation() const { return headingOrientation_; }
    void setHeadingOrientation(DeviceOrientation o) { headingOrientation_ = o; }

  private:
    LocationServiceDelegate* delegate_ = nullptr;
    double desiredAccuracy_ = kBestAccuracy;
    double distanceFilter_ = kDistanceFilterNone;
    double headingFilter_ = 1;
    DeviceOrientation headingOrientation_ = DeviceOrientation::portrait;
};

}  // namespace arquorel
