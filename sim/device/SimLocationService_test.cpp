#include "sim/device/SimLocationService.h"

#include <gtest/gtest.h>

#include <vector>

#include "sim/device/SimPlatform.h"

namespace arquorel::sim {
namespace {

struct RecordingDelegate : LocationServiceDelegate {
    std::vector<AuthorizationStatus> changes;
    void didChangeAuthorization(LocationService&, AuthorizationStatus s) override {
        changes.push_back(s);
    }
};

TEST(SimLocationServiceTest, DeliversOnlyWhileStartedAndAuthorisedAndAnswersRequestsOnce) {
    SimPlatform device;
    auto service = std::make_shared<SimLocationService>();
    const Location fix(43.7, 7.4);
    const HeadingReading north{1, 2, 5, 0};
    EXPECT_FALSE(service->deliverLocation(fix) || service->deliverHeading(north));
    service->startUpdatingLocation();
    service->startUpdatingHeading();
    EXPECT_TRUE(service->deliverLocation(fix) && service->deliverHeading(north));
    // Refused or switched off: no fixes, but the compass still works.
    service->setAuthorizationStatus(AuthorizationStatus::denied);
    EXPECT_FALSE(service->deliverLocation(fix));
    EXPECT_TRUE(service->deliverHeading(north));
    service->setAuthorizationStatus(AuthorizationStatus::authorizedAlways);
    service->setLocationServicesEnabled(false);
    EXPECT_FALSE(service->deliverLocation(fix));
    service->setLocationServicesEnabled(true);
    service->stopUpdatingLocation();
    service->stopUpdatingHeading();
    EXPECT_FALSE(service->deliverLocation(fix) || service->deliverHeading(north));

    // A request is answered once, and the answer reported to the delegate.
    RecordingDelegate delegate;
    service->setAuthorizationStatus(AuthorizationStatus::notDetermined);
    service->setDelegate(&delegate);
    service->requestWhenInUseAuthorization();
    EXPECT_TRUE(service->answerAuthorizationRequest(AuthorizationStatus::denied));
    EXPECT_FALSE(service->answerAuthorizationRequest(AuthorizationStatus::denied));
    EXPECT_EQ(delegate.changes, std::vector{AuthorizationStatus::denied});
    service->requestWhenInUseAuthorization();  // already decided: not asked again
    EXPECT_FALSE(service->isAuthorizationRequestPending());

    // The automatic answer comes on the main loop, and not to a service that is gone.
    service->setAuthorizationStatus(AuthorizationStatus::notDetermined);
    service->automaticAuthorizationAnswer = AuthorizationStatus::authorizedWhenInUse;
    service->requestWhenInUseAuthorization();
    EXPECT_EQ(service->authorizationStatus(), AuthorizationStatus::notDetermined);
    device.runPending();
    EXPECT_EQ(service->authorizationStatus(), AuthorizationStatus::authorizedWhenInUse);
    service->setAuthorizationStatus(AuthorizationStatus::notDetermined);
    service->requestWhenInUseAuthorization();
    service.reset();
    device.runPending();
}

}  // namespace
}  // namespace arquorel::sim
