#pragma once
// Scripted sensors for the simulated device.
//
// SimSensors installs factories into a platform context so that every location or motion
// service the product asks for is a simulated one, and keeps track of the services created.
// Sensor events reach every live service, as readings of the one device reach every client on
// a phone (the shared location manager and the AR tracking manager each hold a service), and
// the user's answer to the location permission request reaches them all. A SensorScript is a
// timed list of sensor events; played on the main loop, each event reaches the services at its
// time, so a test replays a sensor stream with SimPlatform::advance(). A script of fixes can
// be made from a GPX track (GpxReader.h).

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "arquorel/platform/sensors/Location.h"
#include "arquorel/platform/sensors/LocationService.h"
#include "arquorel/platform/sensors/MotionService.h"
#include "arquorel/platform/sensors/Readings.h"
#include "sim/device/GpxReader.h"

namespace arquorel {
class PlatformContext;
}

namespace arquorel::sim {

class SimLocationService;
class SimMotionService;

// A position fix; its timestamp is the time of delivery minus `age`.
struct FixEvent {
    Coordinate coordinate;
    double horizontalAccuracy = 5;  // metres
    double age = 0;                 // seconds
};
struct HeadingEvent {
    double trueHeading = -1;  // degrees; negative when unknown
    double magneticHeading = 0;
    double accuracy = 5;  // degrees; negative means invalid
};
struct AccelerationEvent {
    Acceleration acceleration;
};
// A change of the device's physical orientation.
struct OrientationEvent {
    DeviceOrientation orientation = DeviceOrientation::portrait;
};
// The user's authorisation decision: the answer to a pending request, otherwise a change made
// in the settings.
struct AuthorizationEvent {
    AuthorizationStatus status = AuthorizationStatus::authorizedWhenInUse;
};

struct SensorEvent {
    double time = 0;  // seconds after the start of the script
    std::variant<FixEvent, HeadingEvent, AccelerationEvent, OrientationEvent, AuthorizationEvent>
        what;
};

// What every service created from now on starts with.
struct SimSensorSettings {
    bool locationServicesEnabled = true;
    AuthorizationStatus initialAuthorization = AuthorizationStatus::authorizedWhenInUse;
    // The user's answer to an authorisation request; none leaves the request pending.
    std::optional<AuthorizationStatus> authorizationAnswer =
        AuthorizationStatus::authorizedWhenInUse;
    bool accelerometerAvailable = true;
};

class SimSensors {
  public:
    // The services created through the installed factories, shared with scheduled events.
    struct Registry {
        PlatformContext* context = nullptr;
        SimSensorSettings settings;
        // Every service created, oldest first; expired ones are pruned as new ones come.
        std::vector<std::weak_ptr<SimLocationService>> locations;
        std::vector<std::weak_ptr<SimMotionService>> motions;
        int locationServicesCreated = 0;
        int motionServicesCreated = 0;
    };

    // Installs the factories into `context` (the current platform context by default), which
    // must outlive this object; the destructor puts the previous factories back.
    SimSensors();
    explicit SimSensors(PlatformContext& context);
    ~SimSensors();
    SimSensors(const SimSensors&) = delete;
    SimSensors& operator=(const SimSensors&) = delete;

    SimSensorSettings& settings() { return registry_->settings; }

    // The latest service created that is still alive, or none.
    std::shared_ptr<SimLocationService> location() const;
    std::shared_ptr<SimMotionService> motion() const;
    // Every service still alive, oldest first.
    std::vector<std::shared_ptr<SimLocationService>> locations() const;
    std::vector<std::shared_ptr<SimMotionService>> motions() const;
    int locationServicesCreated() const { return registry_->locationServicesCreated; }
    int motionServicesCreated() const { return registry_->motionServicesCreated; }

    // Applies one event now to every live service; returns whether it reached a sensor (a fix
    // no service delivers, or an event for services not yet created, does not).
    bool apply(const SensorEvent& event);

    std::weak_ptr<Registry> registry() const { return registry_; }

  private:
    PlatformContext& context_;
    std::shared_ptr<Registry> registry_;
    std::function<std::shared_ptr<LocationService>()> previousLocationFactory_;
    std::function<std::shared_ptr<MotionService>()> previousMotionFactory_;
};

class SensorScript {
  public:
    SensorScript& fix(double time, Coordinate coordinate, double horizontalAccuracy = 5,
                      double age = 0);
    SensorScript& heading(double time, double trueHeading, double magneticHeading,
                          double accuracy = 5);
    SensorScript& acceleration(double time, Acceleration sample);
    SensorScript& orientation(double time, DeviceOrientation orientation);
    SensorScript& authorization(double time, AuthorizationStatus status);
    SensorScript& add(SensorEvent event);

    const std::vector<SensorEvent>& events() const { return events_; }
    bool empty() const { return events_.empty(); }
    // The time of the last event.
    double duration() const;

    // Schedules every event on the sensors' main loop, `time` seconds from now. Events of the
    // same time run in script order. Events still pending when the sensors go away are dropped.
    void play(SimSensors& sensors) const;

    // One fix per track point, timed from the first point.
    static SensorScript fromTrack(const std::vector<TrackPoint>& points,
                                  double horizontalAccuracy = 5);

  private:
    std::vector<SensorEvent> events_;
};

}  // namespace arquorel::sim
