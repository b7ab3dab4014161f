#pragma once
// A simulated location service: the test or a sensor script decides whether location services
// are on, what the user answers to the authorisation request, and which fixes and headings
// arrive. Readings reach the delegate only while the matching updates are started, and fixes
// only while the app is authorised.

#include <functional>
#include <memory>
#include <optional>

#include "arquorel/platform/sensors/LocationService.h"

namespace arquorel::sim {

class SimLocationService final : public LocationService,
                                 public std::enable_shared_from_this<SimLocationService> {
  public:
    bool locationServicesEnabled() const override { return servicesEnabled_; }
    void setLocationServicesEnabled(bool enabled) { servicesEnabled_ = enabled; }

    AuthorizationStatus authorizationStatus() const override { return status_; }
    // Changes the status as the user would in the settings; the delegate hears of a change.
    void setAuthorizationStatus(AuthorizationStatus status);

    // Shows the request when services are on and the status is still undetermined. With an
    // automatic answer set, the user gives it on the main loop right after the request.
    void requestWhenInUseAuthorization() override;
    std::optional<AuthorizationStatus> automaticAuthorizationAnswer;
    bool isAuthorizationRequestPending() const { return requestPending_; }
    int authorizationRequestCount() const { return requestCount_; }
    // The user's answer to the pending request; false (and nothing changes) when none is shown.
    bool answerAuthorizationRequest(AuthorizationStatus status);
    // Told of every answer given to this service's request, after its delegate heard of it.
    std::function<void(AuthorizationStatus)> onAuthorizationAnswered;

    void startUpdatingLocation() override { updatingLocation_ = true; }
    void stopUpdatingLocation() override { updatingLocation_ = false; }
    void startUpdatingHeading() override { updatingHeading_ = true; }
    void stopUpdatingHeading() override { updatingHeading_ = false; }
    bool isUpdatingLocation() const { return updatingLocation_; }
    bool isUpdatingHeading() const { return updatingHeading_; }

    // Whether a fix handed in now would reach the delegate.
    bool deliversLocations() const;
    // Hands a fix (as a one-element list) or a heading to the delegate when the service
    // delivers it; returns whether it was delivered.
    bool deliverLocation(const Location& fix);
    bool deliverHeading(const HeadingReading& reading);
    int deliveredLocationCount() const { return deliveredLocations_; }
    int deliveredHeadingCount() const { return deliveredHeadings_; }

  private:
    bool servicesEnabled_ = true;
    AuthorizationStatus status_ = AuthorizationStatus::authorizedWhenInUse;
    bool requestPending_ = false;
    int requestCount_ = 0;
    bool updatingLocation_ = false;
    bool updatingHeading_ = false;
    int deliveredLocations_ = 0;
    int deliveredHeadings_ = 0;
};

}  // namespace arquorel::sim
