#include "sim/device/SensorScript.h"

#include <algorithm>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimLocationService.h"
#include "sim/device/SimMotionService.h"

namespace arquorel::sim {

namespace {

template <class Service>
std::vector<std::shared_ptr<Service>> alive(const std::vector<std::weak_ptr<Service>>& services) {
    std::vector<std::shared_ptr<Service>> result;
    for (const auto& weak : services)
        if (auto service = weak.lock()) result.push_back(std::move(service));
    return result;
}

template <class Service>
void track(std::vector<std::weak_ptr<Service>>& services, const std::shared_ptr<Service>& added) {
    std::erase_if(services, [](const auto& weak) { return weak.expired(); });
    services.push_back(added);
}

// The user's decision applies to the whole app: it answers a request pending on a service or
// changes the status of the others as a change in the settings would.
void applyAuthorization(SimLocationService& service, AuthorizationStatus status) {
    if (!service.answerAuthorizationRequest(status)) service.setAuthorizationStatus(status);
}

bool applyEvent(SimSensors::Registry& registry, const SensorEvent& event) {
    struct Visitor {
        SimSensors::Registry& r;
        bool operator()(const FixEvent& e) const {
            const Location fix(e.coordinate, 0, e.horizontalAccuracy, -1, r.context->now() - e.age);
            bool delivered = false;
            for (const auto& service : alive(r.locations))
                delivered = service->deliverLocation(fix) || delivered;
            return delivered;
        }
        bool operator()(const HeadingEvent& e) const {
            const HeadingReading reading{e.magneticHeading, e.trueHeading, e.accuracy,
                                         r.context->now()};
            bool delivered = false;
            for (const auto& service : alive(r.locations))
                delivered = service->deliverHeading(reading) || delivered;
            return delivered;
        }
        bool operator()(const AccelerationEvent& e) const {
            bool delivered = false;
            for (const auto& service : alive(r.motions))
                delivered = service->deliverAcceleration(e.acceleration) || delivered;
            return delivered;
        }
        bool operator()(const OrientationEvent& e) const {
            r.context->device().setOrientation(e.orientation);
            return true;
        }
        bool operator()(const AuthorizationEvent& e) const {
            const auto services = alive(r.locations);
            for (const auto& service : services) applyAuthorization(*service, e.status);
            return !services.empty();
        }
    };
    return std::visit(Visitor{registry}, event.what);
}

}  // namespace

// ---- SimSensors ----

SimSensors::SimSensors() : SimSensors(platformContext()) {}

SimSensors::SimSensors(PlatformContext& context)
    : context_(context),
      registry_(std::make_shared<Registry>()),
      previousLocationFactory_(std::move(context.locationServiceFactory)),
      previousMotionFactory_(std::move(context.motionServiceFactory)) {
    registry_->context = &context;
    // The factories share the registry, so they stay safe even if the context keeps them.
    context.locationServiceFactory = [registry = registry_]() -> std::shared_ptr<LocationService> {
        auto service = std::make_shared<SimLocationService>();
        const auto& s = registry->settings;
        service->setLocationServicesEnabled(s.locationServicesEnabled);
        service->setAuthorizationStatus(s.initialAuthorization);
        service->automaticAuthorizationAnswer = s.authorizationAnswer;
        // An answer given to this service's request reaches the other services too.
        service->onAuthorizationAnswered =
            [weak = std::weak_ptr<Registry>(registry),
             from = std::weak_ptr<SimLocationService>(service)](AuthorizationStatus status) {
                auto r = weak.lock();
                if (!r) return;
                const auto asker = from.lock();
                for (const auto& other : alive(r->locations))
                    if (other != asker) applyAuthorization(*other, status);
            };
        track(registry->locations, service);
        ++registry->locationServicesCreated;
        return service;
    };
    context.motionServiceFactory = [registry = registry_]() -> std::shared_ptr<MotionService> {
        auto service = std::make_shared<SimMotionService>();
        service->setAccelerometerAvailable(registry->settings.accelerometerAvailable);
        track(registry->motions, service);
        ++registry->motionServicesCreated;
        return service;
    };
}

SimSensors::~SimSensors() {
    context_.locationServiceFactory = std::move(previousLocationFactory_);
    context_.motionServiceFactory = std::move(previousMotionFactory_);
}

std::shared_ptr<SimLocationService> SimSensors::location() const {
    const auto services = alive(registry_->locations);
    return services.empty() ? nullptr : services.back();
}

std::shared_ptr<SimMotionService> SimSensors::motion() const {
    const auto services = alive(registry_->motions);
    return services.empty() ? nullptr : services.back();
}

std::vector<std::shared_ptr<SimLocationService>> SimSensors::locations() const {
    return alive(registry_->locations);
}

std::vector<std::shared_ptr<SimMotionService>> SimSensors::motions() const {
    return alive(registry_->motions);
}

bool SimSensors::apply(const SensorEvent& event) {
    return applyEvent(*registry_, event);
}

// ---- SensorScript ----

SensorScript& SensorScript::fix(double time, Coordinate coordinate, double horizontalAccuracy,
                                double age) {
    return add({time, FixEvent{coordinate, horizontalAccuracy, age}});
}

SensorScript& SensorScript::heading(double time, double trueHeading, double magneticHeading,
                                    double accuracy) {
    return add({time, HeadingEvent{trueHeading, magneticHeading, accuracy}});
}

SensorScript& SensorScript::acceleration(double time, Acceleration sample) {
    return add({time, AccelerationEvent{sample}});
}

SensorScript& SensorScript::orientation(double time, DeviceOrientation orientation) {
    return add({time, OrientationEvent{orientation}});
}

SensorScript& SensorScript::authorization(double time, AuthorizationStatus status) {
    return add({time, AuthorizationEvent{status}});
}

SensorScript& SensorScript::add(SensorEvent event) {
    // The main loop runs negative or NaN delays at once; say so in the script too.
    if (!(event.time > 0)) event.time = 0;
    events_.push_back(std::move(event));
    return *this;
}

double SensorScript::duration() const {
    double last = 0;
    for (const auto& e : events_) last = std::max(last, e.time);
    return last;
}

void SensorScript::play(SimSensors& sensors) const {
    auto weak = sensors.registry();
    auto registry = weak.lock();
    auto& loop = registry->context->mainLoop();
    for (const auto& event : events_) {
        loop.asyncAfter(event.time, [weak, event] {
            if (auto r = weak.lock()) applyEvent(*r, event);
        });
    }
}

SensorScript SensorScript::fromTrack(const std::vector<TrackPoint>& points,
                                     double horizontalAccuracy) {
    SensorScript script;
    if (points.empty()) return script;
    const double start = points.front().time;
    for (const auto& p : points) script.fix(p.time - start, p.coordinate, horizontalAccuracy);
    return script;
}

}  // namespace arquorel::sim
