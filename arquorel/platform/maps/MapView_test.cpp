#include "arquorel/platform/maps/MapView.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/sensors/Geodesy.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

constexpr Coordinate kCasino{43.7393682, 7.4272085};

// The point `metres` away from the casino along `bearing` degrees (flat earth, fine at 100 m).
Coordinate offset(double bearing, double metres) {
    const double b = bearing * 3.141592653589793 / 180;
    return {
        kCasino.latitude + metres * std::cos(b) / 110'574.0,
        kCasino.longitude + metres * std::sin(b) /
                                (111'320.0 * std::cos(kCasino.latitude * 3.141592653589793 / 180))};
}

// A park, a building and a road around the casino, and a footway far away.
class FakeData : public MapData {
  public:
    std::vector<MapFeature> features{
        {MapFeatureKind::minorRoad, false, {offset(270, 100), offset(90, 100)}},
        {MapFeatureKind::building,
         true,
         {offset(0, 20), offset(45, 28), offset(90, 20), offset(0, 20)}},
        {MapFeatureKind::park,
         true,
         {offset(180, 40), offset(200, 60), offset(160, 60), offset(180, 40)}},
        {MapFeatureKind::footway, false, {{43.80, 7.50}, {43.81, 7.51}}},
    };
    void visitFeatures(const MapBox& box,
                       const std::function<void(const MapFeature&)>& visit) const override {
        for (const auto& f : features)
            for (const auto& p : f.points)
                if (box.contains(p)) {
                    visit(f);
                    break;
                }
    }
};

struct MapViewTest : ::testing::Test {
    sim::SimPlatform device;
    std::shared_ptr<MapView> map = std::make_shared<MapView>(Rect{0, 0, 375, 300});
    void SetUp() override { map->setCamera({kCasino, 600, 0}); }
};

TEST_F(MapViewTest, PointsAndCoordinatesMeetUnderEveryHeading) {
    // With the map turned to face a direction, a place that way is straight up from the centre.
    for (const double heading : {0.0, 90.0, 200.0, 359.0}) {
        map->setCamera({kCasino, 600, heading});
        const Point ahead = map->convert(offset(heading, 100));
        EXPECT_NEAR(ahead.x, 187.5, 0.05) << heading;
        EXPECT_NEAR(300.0 / 2 - ahead.y, 100 / map->metresPerPoint(), 0.05) << heading;
        const Point right = map->convert(offset(heading + 90, 50));
        EXPECT_GT(right.x, 187.5) << heading;
        for (const Point p : {Point{0, 0}, Point{375, 300}, Point{12.5, 250}}) {
            const Point back = map->convert(map->convert(p));
            EXPECT_NEAR(back.x, p.x, 1e-6);
            EXPECT_NEAR(back.y, p.y, 1e-6);
        }
    }
}

TEST_F(MapViewTest, RegionsAndCameras) {
    // A region is shown whole: the view's region holds it, tight on one axis.
    map->setRegion({kCasino, 0.01, 0.002});
    const MapRegion shown = map->region();
    EXPECT_NEAR(shown.latitudeDelta, 0.01, 1e-9);
    EXPECT_GE(shown.longitudeDelta, 0.002);
    // Altitudes are clamped; a camera that is not finite changes nothing.
    map->setCamera({kCasino, 1, 0});
    EXPECT_EQ(map->camera().altitude, MapView::kMinimumAltitude);
    map->setCamera({kCasino, NAN, 0});
    map->setCamera({{NAN, 7}, 500, 0});
    EXPECT_EQ(map->camera().altitude, MapView::kMinimumAltitude);
    map->setCamera({kCasino, 500, -90});
    EXPECT_EQ(map->camera().heading, 270);
    // A camera looking from an eye south of the centre faces north; from the centre, down.
    EXPECT_NEAR(MapCamera::lookingAt(kCasino, offset(180, 300), 900).heading, 0, 0.01);
    EXPECT_NEAR(MapCamera::lookingAt(kCasino, offset(270, 300), 900).heading, 90, 0.01);
    EXPECT_EQ(MapCamera::lookingAt(kCasino, kCasino, 900).heading, 0);
}

struct Pins : MapViewDelegate {
    int made = 0;
    std::shared_ptr<MapAnnotationView> viewForAnnotation(
        MapView& map, const std::shared_ptr<MapAnnotation>& a) override {
        if (std::dynamic_pointer_cast<UserLocationAnnotation>(a))
            return std::make_shared<MapAnnotationView>(a, "user");
        auto view = map.dequeueReusableAnnotationView("demo");
        if (!view) {
            ++made;
            view = std::make_shared<MapAnnotationView>(a, "demo");
        }
        return view;
    }
    std::optional<PolylineRenderer> rendererForOverlay(MapView&, const MapPolyline&) override {
        return PolylineRenderer{{17 / 255.0, 147 / 255.0, 1, 1}, 5};
    }
};

TEST_F(MapViewTest, PinsSitOnTheirPlacesFitAndAreReused) {
    auto pins = std::make_shared<Pins>();
    map->setDelegate(pins);
    std::vector<std::shared_ptr<MapAnnotation>> annotations;
    for (const double bearing : {0.0, 120.0, 240.0}) {
        auto a = std::make_shared<MapAnnotation>();
        a->coordinate = offset(bearing, 400);
        annotations.push_back(a);
    }
    map->addAnnotations(annotations);
    map->showAnnotations(annotations);
    map->layoutIfNeeded();
    for (const auto& a : annotations) {
        const auto view = map->viewFor(*a);
        ASSERT_TRUE(view);
        const Point at = map->convert(a->coordinate);
        EXPECT_NEAR(view->center().x, at.x, 1e-9);
        EXPECT_TRUE(at.x > 0 && at.x < 375 && at.y > 0 && at.y < 300);
    }
    map->removeAnnotations({annotations[0]});
    auto again = std::make_shared<MapAnnotation>();
    map->addAnnotation(again);
    EXPECT_EQ(pins->made, 3);       // the removed pin's view came back
    map->showAnnotations({again});  // one pin: centred, same scale
    EXPECT_EQ(map->camera().centerCoordinate, again->coordinate);
}

TEST_F(MapViewTest, DrawsTheDataInViewThenTheRouteThenTheUser) {
    auto pins = std::make_shared<Pins>();
    map->setDelegate(pins);
    DisplayList bare;
    map->draw(bare);
    EXPECT_EQ(bare.steps().size(), 1u);  // no data: the background only
    EXPECT_EQ(map->featuresDrawn(), 0u);

    device.context().mapData = std::make_shared<FakeData>();
    map->addOverlay(
        std::make_shared<MapPolyline>(std::vector<Coordinate>{offset(180, 50), kCasino}));
    map->showsUserLocation = true;
    map->setUserLocation(Location(kCasino.latitude, kCasino.longitude));
    DisplayList list;
    map->draw(list);
    EXPECT_EQ(map->featuresDrawn(), 3u);  // the far footway is not looked at
    std::vector<std::string> order;
    for (const auto& s : list.steps()) {
        if (std::holds_alternative<step::Fill>(s)) order.push_back("fill");
        if (const auto* stroke = std::get_if<step::Stroke>(&s))
            order.push_back(stroke->style.width == 5 ? "route" : "stroke");
    }
    // Background, park, building (fill and outline), road, route, and the user's dot.
    EXPECT_EQ(order, (std::vector<std::string>{"fill", "fill", "fill", "stroke", "stroke", "route",
                                               "fill", "fill"}));
    map->layoutIfNeeded();
    EXPECT_FALSE(map->subviews().front()->isHidden());  // the data's attribution
}

// Every feature, whatever the box.
class AllData : public MapData {
  public:
    std::vector<MapFeature> features;
    void visitFeatures(const MapBox&,
                       const std::function<void(const MapFeature&)>& visit) const override {
        for (const auto& f : features) visit(f);
    }
};

// Streets are as wide on the screen as on the ground: zooming out to twice the scale halves
// them, and on a map of a whole town every street is a thin line, the widest classes widest.
TEST_F(MapViewTest, StreetsNarrowAsTheMapZoomsOut) {
    auto data = std::make_shared<AllData>();
    for (const auto kind : {MapFeatureKind::minorRoad, MapFeatureKind::road,
                            MapFeatureKind::majorRoad, MapFeatureKind::footway})
        data->features.push_back({kind, false, {offset(270, 100), offset(90, 100)}});
    device.context().mapData = data;
    const auto widths = [&](double metresPerPoint) {
        map->setCamera({kCasino, metresPerPoint * 300 / MapView::kGroundPerAltitude, 0});
        EXPECT_NEAR(map->metresPerPoint(), metresPerPoint, 1e-9);
        DisplayList list;
        map->draw(list);
        std::vector<double> out;
        for (const auto& s : list.steps())
            if (const auto* stroke = std::get_if<step::Stroke>(&s))
                out.push_back(stroke->style.width);
        return out;  // minor road, road, major road, footway
    };
    const auto near = widths(1), far = widths(2), town = widths(20);
    ASSERT_EQ(near.size(), 4u);
    ASSERT_EQ(far.size(), 4u);
    ASSERT_EQ(town.size(), 4u);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_GT(near[k], 3) << k;
        EXPECT_NEAR(far[k], near[k] / 2, 1e-9) << k;
        EXPECT_LE(town[k], 2) << k;
        EXPECT_GE(town[k], 1) << k;  // still seen
    }
    EXPECT_LT(near[0], near[1]);
    EXPECT_LT(near[1], near[2]);
    EXPECT_LE(town[0], town[1]);
    EXPECT_LE(town[1], town[2]);
}

TEST_F(MapViewTest, TheSeaLiesUnderEverythingWithItsIslandsLeftOut) {
    // The sea clockwise round the view, an island 100 m east of the centre counter-clockwise,
    // and a park on the island listed before them.
    const double d = 0.01, h = 0.0003;
    const Coordinate c = kCasino, island{c.latitude, c.longitude + 0.00125};
    const auto at = [](const Coordinate& o, double north, double east) {
        return Coordinate{o.latitude + north, o.longitude + east};
    };
    auto data = std::make_shared<AllData>();
    data->features = {
        {MapFeatureKind::park,
         true,
         {at(island, 0, 0), at(island, h / 2, 0), at(island, h / 2, h / 2), at(island, 0, 0)}},
        {MapFeatureKind::sea,
         true,
         {at(c, d, -d), at(c, d, d), at(c, -d, d), at(c, -d, -d), at(c, d, -d)}},
        {MapFeatureKind::sea,
         true,
         {at(island, -h, -h), at(island, -h, h), at(island, h, h), at(island, h, -h),
          at(island, -h, -h)}},
    };
    device.context().mapData = data;
    for (const double heading : {0.0, 135.0}) {
        map->setCamera({kCasino, 600, heading});
        for (const MapType type : {MapType::standard, MapType::hybrid}) {
            map->mapType = type;
            DisplayList list;
            map->draw(list);
            std::vector<const step::Fill*> fills;
            for (const auto& s : list.steps())
                if (const auto* fill = std::get_if<step::Fill>(&s)) fills.push_back(fill);
            ASSERT_GE(fills.size(), 3u);
            // The background, then the sea in the water's colour, then the park over it.
            const step::Fill& sea = *fills[1];
            const Color water = type == MapType::hybrid
                                    ? Color{40 / 255.0, 70 / 255.0, 96 / 255.0, 1}
                                    : Color{170 / 255.0, 211 / 255.0, 223 / 255.0, 1};
            EXPECT_NEAR(sea.color.red, water.red, 1e-9) << heading;
            EXPECT_NEAR(sea.color.blue, water.blue, 1e-9) << heading;
            EXPECT_TRUE(sea.path.contains(map->convert(kCasino))) << heading;
            EXPECT_TRUE(sea.path.contains(map->convert(at(island, 2 * h, 0)))) << heading;
            EXPECT_FALSE(sea.path.contains(map->convert(island))) << heading;
            EXPECT_FALSE(sea.path.contains(map->convert(at(island, h / 2, -h / 2)))) << heading;
            EXPECT_TRUE(fills[2]->path.contains(map->convert(at(island, h / 3, h / 6)))) << heading;
        }
    }
}

}  // namespace
}  // namespace arquorel
