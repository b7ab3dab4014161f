#pragma once
// Turns the raw sensor stream into what the AR picture needs: the accepted user location, a
// smoothed compass heading and a smoothed device pitch. Fixes are accepted by age and accuracy;
// the delegate hears when the user has moved far enough for a reload and, while no usable fix
// arrives, how long the search has lasted. The heading filter takes the short way across north.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/platform/sensors/Location.h"
#include "arquorel/platform/sensors/LocationService.h"
#include "arquorel/platform/sensors/MotionService.h"
#include "arquorel/platform/sensors/Readings.h"

namespace arquorel {

class ARTrackingManager;
class NotificationCenter;
class PlatformContext;
class Timer;

// Reload and failure notifications. Every operation is optional.
class ARTrackingManagerDelegate {
  public:
    virtual ~ARTrackingManagerDelegate() = default;
    // Declared for delegates; the tracking manager itself never sends it.
    virtual void didUpdateUserLocation(ARTrackingManager&, const Location&) {}
    // The user moved more than the reload distance; `location` is the new reload location.
    virtual void didUpdateReloadLocation(ARTrackingManager&, const Location&) {}
    // No usable fix for `elapsedSeconds` since tracking started (0 at the start).
    virtual void didFailToFindLocationAfter(ARTrackingManager&, double) {}
    // Declared for delegates; the tracking manager itself never sends it.
    virtual void logText(const std::string&) {}
};

// The accepted raw readings. Both operations are optional.
class ARTrackingLocDelegate {
  public:
    virtual ~ARTrackingLocDelegate() = default;
    virtual void didUpdateLocation(ARTrackingManager&, const Location&) {}
    virtual void didUpdateHeading(ARTrackingManager&, const HeadingReading&) {}
};

class ARTrackingManager : public LocationServiceDelegate,
                          public std::enable_shared_from_this<ARTrackingManager> {
  public:
    static constexpr double kReportLocationInterval = 5.0;  // seconds between reload checks
    static constexpr double kLocationSearchInterval = 5.0;  // seconds between failure reports
    static constexpr double kHeadingCatchUpPeriod = 5.0;    // seconds of fast heading catch-up
    static constexpr double kHeadingCatchUpThreshold = 10;  // degrees that trigger a catch-up
    static constexpr double kHeadingWait = 1.0;             // seconds without a heading: no compass

    // The manager must be owned by a shared_ptr: its timers and posted work hold it weakly.
    // It uses the platform context current at creation, which must outlive it.
    static std::shared_ptr<ARTrackingManager> create();
    ~ARTrackingManager() override;
    ARTrackingManager(const ARTrackingManager&) = delete;
    ARTrackingManager& operator=(const ARTrackingManager&) = delete;

    // ---- Settings ----
    // Movement from the last reload location that triggers a reload; none disables the rule.
    std::optional<double> reloadDistanceFilter() const { return reloadDistanceFilter_; }
    void setReloadDistanceFilter(std::optional<double> metres) { reloadDistanceFilter_ = metres; }
    // Also handed to the location service as its distance filter (none: every movement).
    std::optional<double> userDistanceFilter() const { return userDistanceFilter_; }
    void setUserDistanceFilter(std::optional<double> metres);
    // Weight of a new heading once the start-up phase is over. Non-finite values are ignored.
    double headingFilterFactor() const { return headingFilterFactor_; }
    void setHeadingFilterFactor(double factor);
    // Weight of a new acceleration sample. Non-finite values are ignored.
    double pitchFilterFactor() const { return pitchFilterFactor_; }
    void setPitchFilterFactor(double factor);
    // Headings with a larger error (degrees) are rejected. NaN is ignored.
    double minimumHeadingAccuracy() const { return minimumHeadingAccuracy_; }
    void setMinimumHeadingAccuracy(double degrees);
    // The answer when the platform asks whether it may show its compass calibration.
    bool allowCompassCalibration() const { return allowCompassCalibration_; }
    void setAllowCompassCalibration(bool allow) { allowCompassCalibration_ = allow; }
    // Fixes with a larger horizontal error (metres) are rejected. NaN is ignored.
    double minimumLocationHorizontalAccuracy() const { return minimumLocationHorizontalAccuracy_; }
    void setMinimumLocationHorizontalAccuracy(double metres);
    // Fixes older than this (seconds) are rejected. NaN is ignored.
    double minimumLocationAge() const { return minimumLocationAge_; }
    void setMinimumLocationAge(double seconds);

    // Delegates are held weakly.
    std::shared_ptr<ARTrackingLocDelegate> locDelegate() const { return locDelegate_.lock(); }
    void setLocDelegate(std::weak_ptr<ARTrackingLocDelegate> d) { locDelegate_ = std::move(d); }
    std::shared_ptr<ARTrackingManagerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ARTrackingManagerDelegate> d) { delegate_ = std::move(d); }

    // ---- Services and state ----
    LocationService& locationManage() const { return *locationManage_; }
    MotionService& motionManager() const { return *motionManager_; }
    bool tracking() const { return tracking_; }
    // The last accepted fix, with its altitude removed.
    const std::optional<Location>& userLocation() const { return userLocation_; }
    // Seeds the user location (a host that knows where the user is), with its altitude removed;
    // an invalid coordinate is ignored.
    void setUserLocation(const std::optional<Location>& location);
    // The last accepted raw heading, degrees in [0, 360).
    double heading() const { return heading_; }
    double filteredHeading() const { return filteredHeading_; }
    double filteredPitch() const { return filteredPitch_; }
    // Written by the view controller's debug sliders. A non-finite pitch is ignored.
    void setFilteredPitch(double degrees);
    // When present, replaces the heading as the filter's input.
    std::optional<double> debugHeading() const { return debugHeading_; }
    void setDebugHeading(std::optional<double> degrees) { debugHeading_ = degrees; }
    // Tracking has run for kHeadingWait seconds without one accepted heading and no debug
    // heading stands in: the device has no compass, or its use was refused. The filtered
    // heading then means nothing.
    bool headingMissing() const;
    // When present, the pitch update leaves filteredPitch alone.
    std::optional<double> debugPitch() const { return debugPitch_; }
    void setDebugPitch(std::optional<double> degrees) { debugPitch_ = degrees; }
    // The physical orientation used by the heading service and the pitch formula.
    DeviceOrientation orientation() const { return orientation_; }

    // The acceptance and filter state, read-only.
    struct State {
        double headingFilterFactorInUse = 0;  // the weight of the next heading filter step
        Acceleration previousAcceleration;    // the low-passed acceleration
        bool catchupPitch = false;            // the next sample seeds the pitch filter
        std::optional<double> headingStartDate;
        std::optional<Location> reloadLocationPrevious;
        std::optional<double> reportLocationDate;  // when the reload check last ran
        bool reportLocationTimerPending = false;
        std::optional<double> locationSearchStartTime;
        bool locationSearchTimerRunning = false;
    };
    State state() const;

    // ---- Operations ----
    // Resets the data, asks for authorisation when still undetermined, optionally starts the
    // location watchdog (reporting 0 at once), then starts the accelerometer, heading and
    // location updates.
    virtual void startTracking(bool notifyLocationFailure = false);
    // Resets the data and stops the sensors.
    virtual void stopTracking();
    virtual void resetAllTrackingData();
    // Run on every display frame, pitch first.
    virtual void filterPitch();
    virtual void filterHeading();
    // Takes the device's physical orientation when it is one of the four upright ones.
    virtual void deviceOrientationDidChange();

    // ---- Location service callbacks ----
    void didUpdateLocations(LocationService& service, const std::vector<Location>& fixes) override;
    void didUpdateHeading(LocationService& service, const HeadingReading& reading) override;
    bool shouldDisplayHeadingCalibration(LocationService& service) override;

  protected:
    ARTrackingManager();

    // The reload check, run at the first fix after a reset and then by the 5-second timer.
    virtual void reportLocationToDelegate();
    // (Re)starts the watchdog timer; a fresh start also records the start time.
    virtual void startLocationSearchTimer(bool resetStartTime);
    virtual void locationSearchTimerTick();

  private:
    void resetState();
    void stopSensors();
    void processAcceptedFix(const Location& fix);
    std::shared_ptr<Timer> scheduleTimer(double interval, void (ARTrackingManager::*action)());

    PlatformContext* context_;
    // The centre its observer was added to; the manager may outlive the context.
    std::weak_ptr<NotificationCenter> notifications_;

    std::optional<double> reloadDistanceFilter_;
    std::optional<double> userDistanceFilter_;
    double headingFilterFactor_ = 0.075;
    double headingFilterFactorInUse_ = 0.075;
    double pitchFilterFactor_ = 0.075;
    std::weak_ptr<ARTrackingLocDelegate> locDelegate_;
    std::weak_ptr<ARTrackingManagerDelegate> delegate_;
    std::shared_ptr<LocationService> locationManage_;
    bool tracking_ = false;
    std::optional<Location> userLocation_;
    double heading_ = 0;
    double filteredHeading_ = 0;
    double filteredPitch_ = 0;
    std::optional<double> debugHeading_;
    std::optional<double> debugPitch_;
    double minimumHeadingAccuracy_ = 120;
    bool allowCompassCalibration_ = false;
    double minimumLocationHorizontalAccuracy_ = 100;
    double minimumLocationAge_ = 30;
    std::shared_ptr<MotionService> motionManager_;
    Acceleration previousAcceleration_;
    std::optional<Location> reloadLocationPrevious_;
    std::shared_ptr<Timer> reportLocationTimer_;
    std::optional<double> reportLocationDate_;
    std::shared_ptr<Timer> locationSearchTimer_;
    std::optional<double> locationSearchStartTime_;
    bool catchupPitch_ = false;
    std::optional<double> headingStartDate_;
    std::optional<double> trackingStartTime_;
    DeviceOrientation orientation_ = DeviceOrientation::portrait;

    // Counts resets, so that work accepted before a reset is not applied after it.
    std::uint64_t resetCount_ = 0;
};

}  // namespace arquorel
