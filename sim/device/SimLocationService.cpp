#include "sim/device/SimLocationService.h"

#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel::sim {

void SimLocationService::setAuthorizationStatus(AuthorizationStatus status) {
    if (status == status_) return;
    status_ = status;
    // Keep ourselves alive in case the delegate drops its owner of this service.
    auto self = weak_from_this().lock();
    if (auto* d = delegate()) d->didChangeAuthorization(*this, status_);
}

void SimLocationService::requestWhenInUseAuthorization() {
    ++requestCount_;
    // As on a device, the question is only asked once, and not with location services off.
    if (!servicesEnabled_ || status_ != AuthorizationStatus::notDetermined || requestPending_)
        return;
    requestPending_ = true;
    if (automaticAuthorizationAnswer) {
        platformContext().mainLoop().async(
            [weak = weak_from_this(), answer = *automaticAuthorizationAnswer] {
                if (auto self = weak.lock()) self->answerAuthorizationRequest(answer);
            });
    }
}

bool SimLocationService::answerAuthorizationRequest(AuthorizationStatus status) {
    if (!requestPending_) return false;
    requestPending_ = false;
    auto self = weak_from_this().lock();  // the callbacks may drop the last other owner
    setAuthorizationStatus(status);
    if (auto answered = onAuthorizationAnswered) answered(status);
    return true;
}

bool SimLocationService::deliversLocations() const {
    return updatingLocation_ && servicesEnabled_ &&
           (status_ == AuthorizationStatus::authorizedWhenInUse ||
            status_ == AuthorizationStatus::authorizedAlways);
}

bool SimLocationService::deliverLocation(const Location& fix) {
    if (!deliversLocations()) return false;
    ++deliveredLocations_;
    auto self = weak_from_this().lock();
    if (auto* d = delegate()) d->didUpdateLocations(*this, std::vector<Location>{fix});
    return true;
}

bool SimLocationService::deliverHeading(const HeadingReading& reading) {
    if (!updatingHeading_) return false;
    ++deliveredHeadings_;
    auto self = weak_from_this().lock();
    if (auto* d = delegate()) d->didUpdateHeading(*this, reading);
    return true;
}

}  // namespace arquorel::sim
