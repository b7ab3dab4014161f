#include "arquorel/arscreen/RadarFeed.h"

#include <gtest/gtest.h>
#include <GeographicLib/Geodesic.hpp>

#include <cmath>
#include <string>

#include "arquorel/arcore/ARStatus.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

const Location kCasino(43.7393682, 7.4272085);

Location along(double degrees, double metres) {
    double lat = 0, lon = 0;
    GeographicLib::Geodesic::WGS84().Direct(kCasino.latitude(), kCasino.longitude(), degrees,
                                            metres, lat, lon);
    return {lat, lon};
}

HeadingReading reading(double magnetic, double trueHeading, double accuracy = 5) {
    return {magnetic, trueHeading, accuracy, 0};
}

class RadarFeedTest : public ::testing::Test {
  protected:
    RadarFeedTest() { platformContext().console().startCapture(); }
    const std::vector<std::string>& lines() { return platformContext().console().lines(); }

    sim::SimPlatform device_;
    // North, east, south and west of the Casino, 100 to 400 m away.
    std::vector<Location> places_{along(0, 100), along(90, 200), along(180, 300), along(270, 400)};
    int builds_ = 0;
    RadarFeed feed_{RadarView::create(), [this] {
                        ++builds_;
                        RadarFeed::Points points;
                        for (const auto& p : places_)
                            points.push_back(ARGeoCoordinate::coordinateWithLocation(p));
                        return points;
                    }};
};

TEST_F(RadarFeedTest, RecalibratesOnFiftyUpdatesAfterAResetThenTurnsWithTheCompass) {
    feed_.update(0.1);  // no location yet
    feed_.locationChanged(kCasino);
    EXPECT_NEAR(feed_.radar()->farthest, 400, 0.01);
    for (int frame = 1; frame <= 50; ++frame) {
        feed_.headingChanged(reading(0, frame));  // turning while it recalibrates
        feed_.update(0.1);
        ASSERT_TRUE(feed_.radar()->transform().isIdentity());
        ASSERT_EQ(feed_.updateCount(), frame);
    }
    EXPECT_EQ(builds_, 51);
    feed_.update(0.2);                     // the 51st freezes at the current heading
    feed_.headingChanged(reading(0, 80));  // turned 30 degrees right: the radar turns left
    feed_.update(NAN);
    const Transform& t = feed_.radar()->transform();
    EXPECT_NEAR(std::atan2(t.b, t.a), -30 * kDegreesToRadians, 1e-12);
    EXPECT_EQ(feed_.centerCoordinate()->inclination, 0);
    EXPECT_EQ(feed_.updateCount(), 50);
    EXPECT_TRUE(lines().empty());  // frames write nothing to the console
    EXPECT_EQ(builds_, 51);

    feed_.locationChanged(along(0, 50));  // a fix starts over
    EXPECT_EQ(feed_.updateCount(), 0);
    EXPECT_NEAR(feed_.maximumScaleDistance(), std::hypot(400, 50), 0.05);  // the western place
    feed_.update(0.2);
    EXPECT_FALSE(feed_.frozenAngle());
    EXPECT_TRUE(feed_.radar()->transform().isIdentity());
}

// Where a dot appears on screen: its place in the dots view, turned with the whole radar about
// the radar's centre. 0 is straight up, clockwise positive, in degrees.
double onScreen(const RadarView& radar, const RadarDot& dot) {
    const Transform& t = radar.transform();
    const double x = dot.rect.x() - 45, y = dot.rect.y() - 45;
    return std::atan2(t.a * x + t.c * y, -(t.b * x + t.d * y)) * kRadiansToDegrees;
}

// Once frozen, the dots stay where the last calibration drew them and only the radar turns:
// a place due north, looked at after turning east, is to the left, never behind.
TEST_F(RadarFeedTest, FrozenDotsStayPutAndOnlyTheRadarTurns) {
    places_ = {along(0, 100), along(90, 200)};
    feed_.locationChanged(kCasino);
    feed_.headingChanged(reading(0, 0));
    for (int frame = 0; frame <= 50; ++frame) feed_.update(0);
    const auto frozen = feed_.radar()->dotsView()->dots();
    for (const double facing : {90.0, 180.0, 300.0}) {
        feed_.headingChanged(reading(facing, facing));
        feed_.update(0);
        const auto dots = feed_.radar()->dotsView()->dots();
        EXPECT_EQ(dots, frozen) << facing;
        ASSERT_EQ(dots.size(), 2u);
        for (std::size_t i = 0; i < dots.size(); ++i)
            EXPECT_NEAR(angleDifference(onScreen(*feed_.radar(), dots[i]),
                                        bearing(kCasino, places_[i]) - facing),
                        0, 1)
                << "facing " << facing << ", place " << i;
    }
}

// New places (a reload) show at once, recalibrated around the same centre; before the first
// fix there is nothing to show.
TEST_F(RadarFeedTest, NewPlacesShowAtOnce) {
    feed_.placesChanged();
    EXPECT_TRUE(feed_.radar()->dotsView()->dots().empty());
    feed_.locationChanged(kCasino);
    for (int frame = 0; frame <= 50; ++frame) feed_.update(0);
    ASSERT_TRUE(feed_.frozenAngle());
    places_ = {along(0, 30)};
    feed_.placesChanged();
    EXPECT_EQ(feed_.updateCount(), 0);
    EXPECT_EQ(feed_.radar()->dotsView()->dots().size(), 1u);
    EXPECT_NEAR(feed_.radar()->farthest, 30, 0.01);
    places_.clear();
    feed_.placesChanged();
    EXPECT_TRUE(feed_.radar()->dotsView()->dots().empty());
}

TEST_F(RadarFeedTest, DotsPointWhereTheCardsAreAtTheTrueHeading) {
    feed_.locationChanged(kCasino);
    // Without a true heading, the magnetic one; a reading of invalid accuracy changes nothing.
    for (const auto& r : {reading(370, -1), reading(200, 210, -1), reading(NAN, NAN)})
        feed_.headingChanged(r);
    EXPECT_NEAR(feed_.centerCoordinate()->azimuth * kRadiansToDegrees, 10, 1e-9);
    // North-east and south-west of the Casino; the compass reads 2 degrees of declination.
    places_ = {along(45, 300), along(200, 600)};
    feed_.locationChanged(kCasino);
    for (const double facing : {0.0, 45.0, 120.0}) {
        feed_.headingChanged(reading(facing - 2, facing));
        feed_.update(0);
        const auto dots = feed_.radar()->dotsView()->dots();
        ASSERT_EQ(dots.size(), 2u);
        for (std::size_t i = 0; i < dots.size(); ++i) {
            const double onRadar = std::atan2(dots[i].rect.x() - 45, 45 - dots[i].rect.y());
            EXPECT_NEAR(
                angleDifference(onRadar * kRadiansToDegrees, bearing(kCasino, places_[i]) - facing),
                0, 0.5)
                << "facing " << facing << ", place " << i;
        }
    }
}

}  // namespace
}  // namespace arquorel
