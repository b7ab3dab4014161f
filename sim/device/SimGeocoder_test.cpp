#include "sim/device/SimGeocoder.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel::sim {
namespace {

TEST(SimGeocoderTest, AnswersAfterTheDelayOneRequestAtATime) {
    SimPlatform device;
    SimGeocoder sim;
    sim.settings().delay = 2;
    auto geocoder = platformContext().makeGeocoder();
    struct Answer {
        double time;
        std::vector<Placemark> placemarks;
        std::optional<GeocoderError> error;
    };
    std::vector<Answer> answers;
    const auto record = [&](const auto& p, const auto& e) {
        answers.push_back({device.now(), p, e});
    };
    const double t0 = device.now();
    geocoder->reverseGeocodeLocation(Location(43.7393682, 7.4272085), record);
    geocoder->reverseGeocodeLocation(Location(48.8566, 2.3522), record);  // refused: busy
    EXPECT_TRUE(answers.empty());                                         // never inside the call
    device.advance(1.9);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].error->code, GeocoderErrorCode::busy);
    EXPECT_TRUE(geocoder->isGeocoding());
    device.advance(0.2);
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[1].time, t0 + 2);
    EXPECT_FALSE(answers[1].error);
    EXPECT_EQ(answers[1].placemarks.at(0).isoCountryCode, "MC");

    // Cancelled: answered at once with that error, not again later. Gone: not answered.
    geocoder->reverseGeocodeLocation(Location(1, 1), record);
    geocoder->cancelGeocode();
    device.runPending();
    EXPECT_EQ(answers.back().error->code, GeocoderErrorCode::cancelled);
    geocoder->reverseGeocodeLocation(Location(1, 1), record);
    geocoder.reset();
    device.advance(3);
    EXPECT_EQ(answers.size(), 3u);
    EXPECT_EQ(sim.state().inFlight, 0);
    EXPECT_EQ(sim.state().maxInFlight, 1);
    EXPECT_EQ(sim.state().requests, 4);
}

}  // namespace
}  // namespace arquorel::sim
