#include "sim/device/SimLocationService.h"

#include <gtest/gtest.h>

#include <vector>

#include "sim/device/SimPlatform.h"

namespace arquorel::sim {
namespace {

struct RecordingDelegate : LocationServiceDelegate {
    std::vector<std::vector<Location>> fixes;
    std::vector<HeadingReading> headings;
    std::vector<AuthorizationStatus> changes;
    void didUpdateLocations(LocationService&, const std::vector<Location>& l) override {
        fixes.push_back(l);
    }
    void didUpdateHeading(LocationService&, const HeadingReading& h) override {
        headings.push_back(h);
    }
    void didChangeAuthorization(LocationService&, AuthorizationStatus s) override {
        changes.push_back(s);
    }
};

class SimLocationServiceTest : public ::testing::Test {
  protected:
    void SetUp() override { service->setDelegate(&delegate); }
    SimPlatform device;
    RecordingDelegate delegate;
    std::shared_ptr<SimLocationService> service = std::make_shared<SimLocationService>();
};

TEST_F(SimLocationServiceTest, DeliversOnlyWhileStartedAndAuthorised) {
    const Location fix(43.7, 7.4);
    const HeadingReading north{1, 2, 5, 0};
    EXPECT_FALSE(service->deliverLocation(fix));
    EXPECT_FALSE(service->deliverHeading(north));

    service->startUpdatingLocation();
    service->startUpdatingHeading();
    EXPECT_TRUE(service->deliverLocation(fix));
    EXPECT_TRUE(service->deliverHeading(north));
    ASSERT_EQ(delegate.fixes.size(), 1u);
    EXPECT_EQ(delegate.fixes[0], std::vector<Location>{fix});
    EXPECT_EQ(delegate.headings, std::vector<HeadingReading>{north});

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
    EXPECT_FALSE(service->deliverLocation(fix));
    EXPECT_FALSE(service->deliverHeading(north));
    EXPECT_EQ(service->deliveredLocationCount(), 1);
    EXPECT_EQ(service->deliveredHeadingCount(), 2);
}

TEST_F(SimLocationServiceTest, AuthorisationRequestIsAnsweredOnce) {
    service->setAuthorizationStatus(AuthorizationStatus::notDetermined);
    delegate.changes.clear();
    EXPECT_FALSE(service->answerAuthorizationRequest(AuthorizationStatus::denied));

    service->requestWhenInUseAuthorization();
    service->requestWhenInUseAuthorization();
    EXPECT_TRUE(service->isAuthorizationRequestPending());
    EXPECT_EQ(service->authorizationRequestCount(), 2);
    EXPECT_TRUE(service->answerAuthorizationRequest(AuthorizationStatus::denied));
    EXPECT_FALSE(service->isAuthorizationRequestPending());
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

    // With location services off nothing is asked.
    SimLocationService off;
    off.setAuthorizationStatus(AuthorizationStatus::notDetermined);
    off.setLocationServicesEnabled(false);
    off.requestWhenInUseAuthorization();
    EXPECT_FALSE(off.isAuthorizationRequestPending());
}

}  // namespace
}  // namespace arquorel::sim
