#include "arquorel/arscreen/RadarFeed.h"

#include <gtest/gtest.h>
#include <GeographicLib/Geodesic.hpp>

#include <cmath>
#include <numbers>
#include <string>

#include "arquorel/arcore/ARStatus.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

const Location kCasino(43.7393682, 7.4272085);

Location along(const Location& from, double degrees, double metres) {
    double lat = 0, lon = 0;
    GeographicLib::Geodesic::WGS84().Direct(from.latitude(), from.longitude(), degrees, metres, lat,
                                            lon);
    return {lat, lon};
}

HeadingReading reading(double magnetic, double trueHeading, double accuracy = 5) {
    return {magnetic, trueHeading, accuracy, 0};
}

// The compass direction of a dot on the radar, in degrees clockwise from up.
double dotDirection(const RadarDot& dot) {
    const double d = std::atan2(dot.rect.x() - 45, 45 - dot.rect.y()) * kRadiansToDegrees;
    return d < 0 ? d + 360 : d;
}

class RadarFeedTest : public ::testing::Test {
  protected:
    RadarFeedTest() {
        platformContext().console().startCapture();
        // Places to the north, east, south and west of the Casino, 100 to 400 m away.
        for (int i = 0; i < 4; ++i) places_.push_back(along(kCasino, 90 * i, 100 * (i + 1)));
    }
    RadarFeed::Points build() {
        ++builds_;
        RadarFeed::Points points;
        for (const auto& place : places_)
            points.push_back(ARGeoCoordinate::coordinateWithLocation(place));
        return points;
    }
    double rotation() const {
        return std::atan2(feed_.radar()->transform().b, feed_.radar()->transform().a);
    }
    const std::vector<std::string>& lines() { return platformContext().console().lines(); }

    sim::SimPlatform device_;
    std::vector<Location> places_;
    int builds_ = 0;
    RadarFeed feed_{RadarView::create(), [this] { return build(); }};
};

TEST_F(RadarFeedTest, RecalibratesOnFiftyUpdatesAfterAResetThenTurnsWithTheCompass) {
    feed_.update(0.1);  // no location yet
    EXPECT_FALSE(feed_.centerCoordinate());
    EXPECT_TRUE(lines().empty());

    feed_.locationChanged(kCasino);
    feed_.headingChanged(reading(0, 0));
    ASSERT_EQ(feed_.points().size(), 4u);
    EXPECT_NEAR(feed_.maximumScaleDistance(), 400, 0.01);
    EXPECT_EQ(feed_.radar()->farthest, feed_.maximumScaleDistance());
    EXPECT_EQ(feed_.radar()->dotsView()->dots().size(), 4u);

    for (int frame = 1; frame <= 50; ++frame) {
        feed_.headingChanged(reading(0, frame));  // turning while it recalibrates
        feed_.update(0.1);
        ASSERT_EQ(feed_.updateCount(), frame);
        ASSERT_FALSE(feed_.frozenAngle());
        ASSERT_TRUE(feed_.radar()->transform().isIdentity());
        ASSERT_EQ(lines().size(), 2u * frame);
        ASSERT_EQ(lines()[2 * frame - 2], std::to_string(frame - 1));
        ASSERT_EQ(lines()[2 * frame - 1], std::to_string(frame));
    }
    EXPECT_EQ(builds_, 51);  // the fix and every recalibrating frame
    EXPECT_EQ(feed_.centerCoordinate()->inclination, 0.1);

    feed_.update(0.2);  // the 51st freezes at the current heading
    EXPECT_NEAR(*feed_.frozenAngle(), 50 * kDegreesToRadians, 1e-12);
    EXPECT_NEAR(rotation(), 0, 1e-12);
    feed_.headingChanged(reading(0, 80));  // turned 30 degrees right: the radar turns left
    feed_.update(0.2);
    EXPECT_NEAR(rotation(), -30 * kDegreesToRadians, 1e-12);
    EXPECT_EQ(lines().size(), 100u);  // nothing per frame once frozen
    EXPECT_EQ(builds_, 51);

    feed_.reset();
    feed_.update(0.2);
    EXPECT_EQ(feed_.updateCount(), 1);
    EXPECT_FALSE(feed_.frozenAngle());
    EXPECT_TRUE(feed_.radar()->transform().isIdentity());

    feed_.update(std::nan(""));
    EXPECT_EQ(feed_.centerCoordinate()->inclination, 0);
    feed_.locationChanged(along(kCasino, 0, 50));
    EXPECT_EQ(feed_.updateCount(), 0);
    EXPECT_NEAR(feed_.maximumScaleDistance(), std::hypot(400, 50), 0.05);  // the western place
}

TEST_F(RadarFeedTest, TheTrueHeadingPointsUpWhenValidElseTheMagneticOne) {
    feed_.locationChanged(kCasino);
    struct Case {
        HeadingReading reading;
        double azimuth;  // degrees afterwards
    };
    const Case cases[] = {
        {reading(100, 102), 102},     {reading(100, -1), 100}, {reading(100, std::nan("")), 100},
        {reading(200, 210, -1), 100},  // invalid accuracy: ignored
        {reading(370, -1), 10},       {reading(-10, -1), 350}, {reading(std::nan(""), -1), 350},
        {reading(5, 720), 0},
    };
    for (const auto& c : cases) {
        feed_.headingChanged(c.reading);
        EXPECT_NEAR(feed_.centerCoordinate()->azimuth * kRadiansToDegrees, c.azimuth, 1e-9)
            << c.reading.magneticHeading << " / " << c.reading.trueHeading;
    }
}

TEST_F(RadarFeedTest, DotsPointWhereTheCardsAreAtTheTrueHeading) {
    // North-east and south-west of the Casino; the compass reads 2 degrees of declination.
    places_ = {along(kCasino, 45, 300), along(kCasino, 200, 600)};
    feed_.locationChanged(kCasino);
    for (const double facing : {0.0, 45.0, 120.0}) {
        feed_.headingChanged(reading(facing - 2, facing));
        feed_.update(0);
        const auto dots = feed_.radar()->dotsView()->dots();
        ASSERT_EQ(dots.size(), 2u);
        for (std::size_t i = 0; i < dots.size(); ++i) {
            const double card = bearing(kCasino, places_[i]);
            EXPECT_NEAR(angleDifference(dotDirection(dots[i]), card - facing), 0, 0.5)
                << "facing " << facing << ", place " << i;
        }
    }
}

}  // namespace
}  // namespace arquorel
