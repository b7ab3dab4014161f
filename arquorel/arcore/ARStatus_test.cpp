#include "arquorel/arcore/ARStatus.h"

#include <gtest/gtest.h>
#include <GeographicLib/GeodesicExact.hpp>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

ARStatus readyStatus() {
    ARStatus s;
    s.hFov = 46.8;
    s.vFov = 60;
    s.hPixelsPerDegree = 6.4;
    s.vPixelsPerDegree = 6.67;
    s.heading = 350;
    s.pitch = -30;
    s.userLocation = Location(52.52, 13.405);
    return s;
}

TEST(ARStatusTest, Readiness) {
    EXPECT_FALSE(ARStatus{}.ready());
    EXPECT_TRUE(readyStatus().ready());

    auto s = readyStatus();
    s.userLocation.reset();
    EXPECT_FALSE(s.ready());

    for (const Coordinate bad :
         {Coordinate{91, 0}, Coordinate{-90.0001, 0}, Coordinate{0, 180.5}, Coordinate{0, -181},
          Coordinate{NAN, 0}, Coordinate{0, NAN}, Coordinate{INFINITY, 0}}) {
        s = readyStatus();
        s.userLocation = Location(bad, 0, 0, 0, 0);
        EXPECT_FALSE(s.ready()) << bad.latitude << ", " << bad.longitude;
    }
    s.userLocation = Location(-90, 180);  // the limits themselves are valid
    EXPECT_TRUE(s.ready());

    double ARStatus::*geometry[] = {&ARStatus::hFov, &ARStatus::vFov, &ARStatus::hPixelsPerDegree,
                                    &ARStatus::vPixelsPerDegree};
    for (auto field : geometry) {
        for (double value : {0.0, -0.0, -1.0, std::nan("")}) {
            s = readyStatus();
            s.*field = value;
            EXPECT_FALSE(s.ready()) << value;
        }
    }
}

TEST(FieldOfViewTest, WithACamera) {
    // Portrait, 4:3: the camera angle is the vertical one.
    FieldOfView p = fieldOfView({300, 400}, false, 60.0, {1, 1});
    EXPECT_NEAR(p.hFov, 46.826448892741, 1e-9);
    EXPECT_EQ(p.vFov, 60);
    EXPECT_NEAR(p.hPixelsPerDegree, 6.406635717502, 1e-9);
    EXPECT_DOUBLE_EQ(p.vPixelsPerDegree, 400.0 / 60);

    // Landscape: the camera angle is the horizontal one.
    FieldOfView l = fieldOfView({640, 400}, true, 60.0, {1, 1});
    EXPECT_EQ(l.hFov, 60);
    EXPECT_NEAR(l.vFov, 39.683340427516, 1e-9);
    EXPECT_DOUBLE_EQ(l.hPixelsPerDegree, 640.0 / 60);

    // A square area in portrait sees the camera angle both ways.
    FieldOfView square = fieldOfView({500, 500}, false, 60.0, {1, 1});
    EXPECT_NEAR(square.hFov, 60, 1e-12);
    EXPECT_EQ(square.vFov, 60);
}

TEST(FieldOfViewTest, WithoutACameraTheRootBoundsGiveTheProportions) {
    FieldOfView l = fieldOfView({640, 400}, true, std::nullopt, {1000, 10});
    EXPECT_EQ(l.hFov, 58);
    EXPECT_NEAR(l.vFov, 2 * std::atan(0.01 * 0.554309051452769) * kRadiansToDegrees, 1e-12);
    // Pixels per degree use the picture area, not the root bounds.
    EXPECT_DOUBLE_EQ(l.hPixelsPerDegree, 640.0 / 58);
    EXPECT_DOUBLE_EQ(l.vPixelsPerDegree, 400 / l.vFov);
    for (const Size any : {Size{1, 1}, Size{0, 0}, Size{2000, 3}})
        EXPECT_EQ(fieldOfView(any, true, std::nullopt, any).hFov, 58);

    FieldOfView p = fieldOfView({300, 400}, false, std::nullopt, {300, 400});
    EXPECT_EQ(p.vFov, 58);
    EXPECT_NEAR(p.hFov, 45.148417977144, 1e-9);
    EXPECT_NEAR(fieldOfView({10, 10}, false, std::nullopt, {7, 7}).hFov, 58, 1e-12);
}

TEST(FieldOfViewTest, DegenerateAreasGiveNoScaleAndAStatusThatIsNotReady) {
    // Zero height in landscape.
    FieldOfView flat = fieldOfView({640, 0}, true, 60.0, {640, 0});
    EXPECT_EQ(flat.vFov, 0);
    EXPECT_EQ(flat.vPixelsPerDegree, 0);
    EXPECT_GT(flat.hPixelsPerDegree, 0);
    ARStatus s = readyStatus();
    applyFieldOfView(s, flat);
    EXPECT_FALSE(s.ready());
    EXPECT_EQ(s.heading, 350);  // the other fields are left alone
    EXPECT_EQ(s.pitch, -30);

    // An empty area, with or without camera: zeros, never NaN.
    for (const FieldOfView f :
         {fieldOfView({0, 0}, true, 60.0, {0, 0}), fieldOfView({0, 0}, false, 60.0, {0, 0}),
          fieldOfView({0, 0}, true, std::nullopt, {0, 0}),
          fieldOfView({0, 0}, false, std::nullopt, {0, 0})}) {
        EXPECT_FALSE(std::isnan(f.hFov) || std::isnan(f.vFov));
        EXPECT_EQ(f.hPixelsPerDegree, 0);
        EXPECT_EQ(f.vPixelsPerDegree, 0);
    }
    // Zero width in portrait.
    FieldOfView narrow = fieldOfView({0, 400}, false, 60.0, {0, 400});
    EXPECT_EQ(narrow.hPixelsPerDegree, 0);
}

TEST(BearingTest, CompassDirections) {
    const Location origin(0, 0);
    EXPECT_DOUBLE_EQ(bearing(origin, Location(0, 1)), 90);
    EXPECT_DOUBLE_EQ(bearing(origin, Location(0, -1)), 270);
    EXPECT_EQ(bearing(origin, Location(1, 0)), 0);
    EXPECT_DOUBLE_EQ(bearing(origin, Location(-1, 0)), 180);
    EXPECT_NEAR(bearing(Location(45, 0), Location(45, 10)), 86.459975242644, 1e-9);
    // Altitude plays no part.
    EXPECT_EQ(bearing(Location({45, 0}, 3000, 5, 5, 0), Location({45, 10}, -50, 1, 1, 9)),
              bearing(Location(45, 0), Location(45, 10)));
}

TEST(BearingTest, StaysWithinZeroTo360) {
    // A hair west of north: atan2 gives a tiny negative angle, and adding 360 rounds to 360.
    const double b = bearing(Location(0, 0), Location(10, -1e-15));
    EXPECT_GE(b, 0);
    EXPECT_LT(b, 360);
    EXPECT_EQ(b, 0);
    // A slightly larger one keeps its value just below 360.
    EXPECT_NEAR(bearing(Location(0, 0), Location(10, -1e-6)), 360 - 5.67e-6, 1e-7);

    for (int lat = -89; lat <= 89; lat += 7)
        for (int lng = -180; lng <= 180; lng += 11)
            for (const Location to : {Location(lat + 0.5, lng - 1e-13), Location(-lat, -lng)}) {
                const double value = bearing(Location(lat, lng), to);
                ASSERT_GE(value, 0);
                ASSERT_LT(value, 360);
            }
}

TEST(UserOriginTest, GivesExactlyTheDistanceAndBearingOfTheSingleRules) {
    std::mt19937_64 engine(7);
    const auto between = [&](double lo, double hi) {
        return lo + (hi - lo) * (static_cast<double>(engine() >> 11) * 0x1p-53);
    };
    for (int i = 0; i < 5000; ++i) {
        // Braced lists are evaluated in order; call arguments are not.
        const Coordinate at{between(-90, 90), between(-180, 180)};
        const Location user(at, between(-10, 3000), 5, 5, 0);
        const UserOrigin origin(user);
        for (int j = 0; j < 4; ++j) {
            // Near the user (a city) and anywhere on Earth.
            const Coordinate anywhere{between(-90, 90), between(-180, 180)};
            const Coordinate near{user.latitude() + between(-0.3, 0.3),
                                  user.longitude() + between(-0.3, 0.3)};
            const Location place(j % 2 ? anywhere : near, 0, 0, 0, 0);
            const auto m = origin.measure(place);
            ASSERT_EQ(m.distance, distanceFromUser(user, place)) << i;
            ASSERT_EQ(m.azimuth, bearing(user, place)) << i;
        }
    }
    const auto same = UserOrigin(Location(10, 20)).measure(Location(10, 20));
    EXPECT_EQ(same.distance, 0);
    EXPECT_EQ(same.azimuth, 0);
    EXPECT_EQ(UserOrigin(Location(0, 0)).measure(Location(10, -1e-15)).azimuth, 0);
}

TEST(AngleDifferenceTest, FoldsIntoPlusMinus180) {
    EXPECT_EQ(angleDifference(350, 10), -20);
    EXPECT_EQ(angleDifference(10, 350), 20);
    EXPECT_EQ(angleDifference(190, 10), 180);   // exactly 180 stays
    EXPECT_EQ(angleDifference(10, 190), -180);  // and so does -180
    EXPECT_EQ(angleDifference(0, 180), -180);
    EXPECT_EQ(angleDifference(181, 0), -179);
    EXPECT_EQ(angleDifference(0, 181), 179);
    EXPECT_EQ(angleDifference(359.5, 0.5), -1);
    EXPECT_EQ(angleDifference(42, 42), 0);
}

TEST(DistanceFromUserTest, UsesOnlyLatitudeAndLongitude) {
    const Location user({48.8584, 2.2945}, 330, 65, 10, 1e9);
    const Location place({48.8606, 2.3376}, 35, -1, -1, 0);
    const double metres = distanceFromUser(user, place);
    double exact = 0;
    GeographicLib::GeodesicExact::WGS84().Inverse(48.8584, 2.2945, 48.8606, 2.3376, exact);
    EXPECT_NEAR(metres, exact, exact * 1e-4);
    EXPECT_EQ(metres, distanceFromUser(Location(48.8584, 2.2945), Location(48.8606, 2.3376)));
}

TEST(AnnotationViewSizeTest, FactorsByIdiom) {
    const auto phone = annotationViewSizeFactorsFor(InterfaceIdiom::phone);
    EXPECT_EQ(phone.width, 0.45);
    EXPECT_EQ(phone.height, 0.55);
    const auto pad = annotationViewSizeFactorsFor(InterfaceIdiom::pad);
    EXPECT_EQ(pad.width, 0.25);
    EXPECT_EQ(pad.height, 0.5);
    for (auto other : {InterfaceIdiom::unspecified, InterfaceIdiom::tv, InterfaceIdiom::carPlay}) {
        EXPECT_EQ(annotationViewSizeFactorsFor(other).width, 0.45);
        EXPECT_EQ(annotationViewSizeFactorsFor(other).height, 0.55);
    }
}

TEST(AnnotationViewSizeTest, ComputedOnceOnFirstUse) {
    sim::SimPlatform device;
    const auto& first = annotationViewSizeFactors();
    const double width = first.width;
    platformContext().device().setInterfaceIdiom(width == 0.25 ? InterfaceIdiom::phone
                                                               : InterfaceIdiom::pad);
    const auto& second = annotationViewSizeFactors();
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(second.width, width);
}

struct ModelRow {
    std::vector<std::string> identifiers;
    std::string name;
};

TEST(ModelNameTest, EveryRowOfTheTable) {
    const std::vector<ModelRow> table{
        {{"iPod5,1"}, "iPod Touch 5"},
        {{"iPod7,1"}, "iPod Touch 6"},
        {{"iPhone3,1", "iPhone3,2", "iPhone3,3"}, "iPhone 4"},
        {{"iPhone4,1"}, "iPhone 4s"},
        {{"iPhone5,1", "iPhone5,2"}, "iPhone 5"},
        {{"iPhone5,3", "iPhone5,4"}, "iPhone 5c"},
        {{"iPhone6,1", "iPhone6,2"}, "iPhone 5s"},
        {{"iPhone7,2"}, "iPhone 6"},
        {{"iPhone7,1"}, "iPhone 6 Plus"},
        {{"iPhone8,1"}, "iPhone 6s"},
        {{"iPhone8,2"}, "iPhone 6s Plus"},
        {{"iPhone9,1", "iPhone9,3"}, "iPhone 7"},
        {{"iPhone9,2", "iPhone9,4"}, "iPhone 7 Plus"},
        {{"iPhone8,4"}, "iPhone SE"},
        {{"iPhone10,1", "iPhone10,4"}, "iPhone 8"},
        {{"iPhone10,2", "iPhone10,5"}, "iPhone 8 Plus"},
        {{"iPhone10,3", "iPhone10,6"}, "iPhone X"},
        {{"iPad2,1", "iPad2,2", "iPad2,3", "iPad2,4"}, "iPad 2"},
        {{"iPad3,1", "iPad3,2", "iPad3,3"}, "iPad 3"},
        {{"iPad3,4", "iPad3,5", "iPad3,6"}, "iPad 4"},
        {{"iPad4,1", "iPad4,2", "iPad4,3"}, "iPad Air"},
        {{"iPad5,3", "iPad5,4"}, "iPad Air 2"},
        {{"iPad6,11", "iPad6,12"}, "iPad 5"},
        {{"iPad7,5", "iPad7,6"}, "iPad 6"},
        {{"iPad2,5", "iPad2,6", "iPad2,7"}, "iPad Mini"},
        {{"iPad4,4", "iPad4,5", "iPad4,6"}, "iPad Mini 2"},
        {{"iPad4,7", "iPad4,8", "iPad4,9"}, "iPad Mini 3"},
        {{"iPad5,1", "iPad5,2"}, "iPad Mini 4"},
        {{"iPad6,3", "iPad6,4"}, "iPad Pro 9.7 Inch"},
        {{"iPad6,7", "iPad6,8"}, "iPad Pro 12.9 Inch"},
        {{"iPad7,1", "iPad7,2"}, "iPad Pro 12.9 Inch 2. Generation"},
        {{"iPad7,3", "iPad7,4"}, "iPad Pro 10.5 Inch"},
        {{"AppleTV5,3"}, "Apple TV"},
        {{"AppleTV6,2"}, "Apple TV 4K"},
        {{"AudioAccessory1,1"}, "HomePod"},
        {{"i386", "x86_64"}, "Simulator"},
    };
    ASSERT_EQ(table.size(), 36u);
    for (const auto& row : table)
        for (const auto& id : row.identifiers) EXPECT_EQ(modelNameFor(id), row.name) << id;
}

TEST(ModelNameTest, UnknownIdentifiersComeBackUnchanged) {
    for (const std::string id : {"iPhone99,1", "iphone9,3", "iPhone9,3 ", " iPhone9,3", "iPad6,1",
                                 "aarch64", "iPhone9", ""})
        EXPECT_EQ(modelNameFor(id), id);
}

TEST(ModelNameTest, TheIdentifierEndsAtTheFirstNul) {
    EXPECT_EQ(modelNameFor(std::string("iPhone9,3\0\0junk", 15)), "iPhone 7");
    EXPECT_EQ(modelNameFor(std::string("iPhone99\0,1", 11)), "iPhone99");
    EXPECT_EQ(modelNameFor(std::string("\0x86_64", 7)), "");
}

TEST(ModelNameTest, ReadsTheDevicesMachineIdentifier) {
    sim::SimPlatform device;
    platformContext().device().setMachineIdentifier("iPad6,11");
    EXPECT_EQ(modelName(platformContext().device()), "iPad 5");
    platformContext().device().setMachineIdentifier("riscv64");
    EXPECT_EQ(modelName(platformContext().device()), "riscv64");
}

}  // namespace
}  // namespace arquorel
