#include "sim/device/SimGeocoder.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel::sim {
namespace {

TEST(SimGeocoderTest, CountryAreas) {
    const std::pair<Coordinate, const char*> cases[] = {
        {{43.7393682, 7.4272085}, "MC"},  // inside France's outline, Monaco first
        {{43.7034, 7.2663}, "FR"},        // Nice
        {{43.7750, 7.5000}, "FR"},        // Menton
        {{48.8566, 2.3522}, "FR"},        // Paris
        {{42.1500, 9.0800}, "FR"},        // Corsica
        {{43.7900, 7.6100}, "IT"},        // Ventimiglia
        {{41.9028, 12.4964}, "IT"},       // Rome
        {{37.5000, 14.0000}, "IT"},       // Sicily
        {{47.1410, 9.5209}, "LI"},        // Vaduz
        {{47.3769, 8.5417}, "CH"},        // Zurich
        {{46.9480, 7.4474}, "CH"},        // Bern
        {{48.2082, 16.3738}, "AT"},       // Vienna
        {{47.2692, 11.4041}, "AT"},       // Innsbruck
        {{52.5200, 13.4050}, "DE"},       // Berlin
        {{48.1351, 11.5820}, "DE"},       // Munich
        {{39.7392, -104.9903}, "US"},     // Denver
        {{37.7749, -122.4194}, "US"},     // San Francisco
        {{21.3069, -157.8583}, "US"},     // Honolulu
        {{40.0, 5.0}, nullptr},           // the Mediterranean
        {{0, 0}, nullptr},
        {{NAN, 7.4}, nullptr},
        {{43.7, 200}, nullptr},
    };
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
    ASSERT_EQ(answers[1].placemarks.size(), 1u);
    EXPECT_EQ(answers[1].placemarks[0].isoCountryCode, "MC");
    EXPECT_FALSE(answers[1].error);

    // Cancelled, failing, offline, and a geocoder that is gone before its answer.
    geocoder->reverseGeocodeLocation(Location(1, 1), record);
    geocoder->cancelGeocode();
    device.runPending();
    EXPECT_EQ(answers.back().error->code, GeocoderErrorCode::cancelled);
    device.advance(3);
    EXPECT_EQ(answers.size(), 3u);
    for (auto mode : {SimGeocoderSettings::Mode::fail, SimGeocoderSettings::Mode::offline}) {
        sim.settings().mode = mode;
        geocoder->reverseGeocodeLocation(Location(43.7393682, 7.4272085), record);
        device.advance(2);
        EXPECT_TRUE(answers.back().placemarks.empty());
        EXPECT_EQ(answers.back().error->code, mode == SimGeocoderSettings::Mode::fail
                                                  ? GeocoderErrorCode::noResult
                                                  : GeocoderErrorCode::network);
    }
    geocoder->reverseGeocodeLocation(Location(1, 1), record);
    geocoder.reset();
    device.advance(3);
    EXPECT_EQ(answers.size(), 5u);
    EXPECT_EQ(sim.state().inFlight, 0);
    EXPECT_EQ(sim.state().maxInFlight, 1);
    EXPECT_EQ(sim.state().requests, 6);
}

}  // namespace
}  // namespace arquorel::sim
