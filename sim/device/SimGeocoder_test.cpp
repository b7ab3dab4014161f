#include "sim/device/SimGeocoder.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel::sim {
namespace {

TEST(SimGeocoderTest, CountryAreas) {
    // Monaco lies inside France's outline; Menton is France, Ventimiglia Italy.
    const std::pair<Coordinate, const char*> cases[] = {
        {{43.7393682, 7.4272085}, "MC"}, {{43.7034, 7.2663}, "FR"},  {{43.7750, 7.5000}, "FR"},
        {{48.8566, 2.3522}, "FR"},       {{42.1500, 9.0800}, "FR"},  {{43.7900, 7.6100}, "IT"},
        {{41.9028, 12.4964}, "IT"},      {{37.5000, 14.0000}, "IT"}, {{47.1410, 9.5209}, "LI"},
        {{47.3769, 8.5417}, "CH"},       {{46.9480, 7.4474}, "CH"},  {{48.2082, 16.3738}, "AT"},
        {{47.2692, 11.4041}, "AT"},      {{52.5200, 13.4050}, "DE"}, {{48.1351, 11.5820}, "DE"},
        {{39.7392, -104.99}, "US"},      {{37.7749, -122.42}, "US"}, {{21.3069, -157.86}, "US"},
        {{40.0, 5.0}, nullptr},          {{0, 0}, nullptr},          {{NAN, 7.4}, nullptr},
        {{43.7, 200}, nullptr}};
    for (const auto& [c, code] : cases) {
        const auto found = SimGeocoder::countryAt(c);
        EXPECT_EQ(found.value_or("none"), code ? code : "none") << c.latitude << "," << c.longitude;
    }
}

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
