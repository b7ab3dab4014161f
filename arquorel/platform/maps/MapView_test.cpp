#include "arquorel/platform/maps/MapView.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/drawing/LayerStore.h"
#include "arquorel/platform/drawing/Renderer.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/sensors/Geodesy.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"
#include "sim/device/TouchDriver.h"

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

// A map in a window, touched by one or two fingers in simulated time.
struct MapGestureTest : MapViewTest {
    std::shared_ptr<Window> window = std::make_shared<Window>(Rect{0, 0, 375, 812});
    void SetUp() override {
        MapViewTest::SetUp();
        map->setFrame({0, 100, 375, 300});  // window points = map points + (0, 100)
        window->addSubview(map);
        map->setCamera({kCasino, 600, 30});  // turned: the gestures work on the turned map
    }
    Point inWindow(Point p) const { return {p.x, p.y + 100}; }
    void drag(Point from, Point to) {
        window->sendTouch(TouchPhase::began, inWindow(from));
        for (int i = 1; i <= 5; ++i) {
            device.advance(0.02);
            window->sendTouch(TouchPhase::moved, inWindow({from.x + (to.x - from.x) * i / 5,
                                                           from.y + (to.y - from.y) * i / 5}));
        }
        window->sendTouch(TouchPhase::ended, inWindow(to));
    }
    void tap(Point at) {
        window->sendTouch(TouchPhase::began, inWindow(at));
        device.advance(0.05);
        window->sendTouch(TouchPhase::ended, inWindow(at));
    }
    // Two fingers on either side of `from` spreading (or closing) from `apart` to `to`
    // points apart while their centre moves to `centre`.
    void pinch(Point from, double apart, Point centre, double to) {
        window->sendPinch(TouchPhase::began, inWindow({from.x - apart / 2, from.y}),
                          inWindow({from.x + apart / 2, from.y}));
        Point a, b;
        for (int i = 1; i <= 5; ++i) {
            device.advance(0.02);
            const double d = apart + (to - apart) * i / 5;
            const Point c{from.x + (centre.x - from.x) * i / 5,
                          from.y + (centre.y - from.y) * i / 5};
            a = inWindow({c.x - d / 2, c.y});
            b = inWindow({c.x + d / 2, c.y});
            window->sendPinch(TouchPhase::moved, a, b);
        }
        window->sendPinch(TouchPhase::ended, a, b);
    }
    // The ground under `p` follows the fingers to `q`.
    void expectUnder(const Coordinate& c, Point q) {
        const Point now = map->convert(c);
        EXPECT_NEAR(now.x, q.x, 0.5);
        EXPECT_NEAR(now.y, q.y, 0.5);
    }
};

TEST_F(MapGestureTest, TheGroundFollowsADragAPinchAndADoubleTapOnlyWhileTouchesAreTaken) {
    // Not taking touches: nothing moves.
    map->setUserInteractionEnabled(false);
    const MapCamera still = map->camera();
    drag({100, 100}, {200, 180});
    pinch({200, 150}, 100, {200, 150}, 300);
    tap({50, 50});
    tap({50, 50});
    EXPECT_EQ(map->camera().centerCoordinate, still.centerCoordinate);
    EXPECT_EQ(map->camera().altitude, still.altitude);

    map->setUserInteractionEnabled(true);
    Coordinate ground = map->convert(Point{100, 100});
    drag({100, 100}, {200, 180});
    expectUnder(ground, {200, 180});
    EXPECT_EQ(map->camera().altitude, 600);
    EXPECT_EQ(map->camera().heading, 30);

    // Spreading to twice the distance: twice as close, about the centre between the fingers.
    ground = map->convert(Point{200, 150});
    pinch({200, 150}, 100, {180, 120}, 200);
    EXPECT_NEAR(map->camera().altitude, 300, 1e-6);
    expectUnder(ground, {180, 120});
    // Closing to a third: three times as far.
    ground = map->convert(Point{150, 200});
    pinch({150, 200}, 240, {150, 200}, 80);
    EXPECT_NEAR(map->camera().altitude, 900, 1e-6);
    expectUnder(ground, {150, 200});

    // A double tap: twice as close, the tapped ground staying put. Taps too far apart in time
    // or place are single taps.
    ground = map->convert(Point{300, 250});
    tap({300, 250});
    device.advance(0.1);
    tap({300, 250});
    EXPECT_NEAR(map->camera().altitude, 450, 1e-6);
    expectUnder(ground, {300, 250});
    tap({300, 250});
    device.advance(1);
    tap({300, 250});
    tap({60, 60});
    EXPECT_NEAR(map->camera().altitude, 450, 1e-6);
}

TEST_F(MapGestureTest, ZoomingStopsAtTheStreetsAndAtARegion) {
    for (int i = 0; i < 12; ++i) pinch({187, 150}, 40, {187, 150}, 300);
    EXPECT_EQ(map->camera().altitude, MapView::kMinimumAltitude);
    for (int i = 0; i < 12; ++i) {
        tap({187, 150});
        tap({187, 150});
    }
    EXPECT_EQ(map->camera().altitude, MapView::kMinimumAltitude);
    for (int i = 0; i < 12; ++i) pinch({187, 150}, 300, {187, 150}, 40);
    EXPECT_EQ(map->camera().altitude, MapView::kMaximumGestureAltitude);
    // A pinch whose map left the window under the fingers changes nothing more.
    window->sendPinch(TouchPhase::began, inWindow({150, 150}), inWindow({250, 150}));
    window->sendPinch(TouchPhase::moved, inWindow({100, 150}), inWindow({300, 150}));
    const double altitude = map->camera().altitude;
    map->removeFromSuperview();
    window->sendPinch(TouchPhase::moved, inWindow({0, 150}), inWindow({375, 150}));
    window->sendPinch(TouchPhase::ended, inWindow({0, 150}), inWindow({375, 150}));
    EXPECT_EQ(map->camera().altitude, altitude);
    // A map freed under the fingers: the rest of the pinch reaches nothing.
    window->addSubview(map);
    window->sendPinch(TouchPhase::began, inWindow({150, 150}), inWindow({250, 150}));
    window->sendPinch(TouchPhase::moved, inWindow({100, 150}), inWindow({300, 150}));
    std::weak_ptr<MapView> gone = map;
    map->removeFromSuperview();
    map.reset();
    EXPECT_TRUE(gone.expired());
    window->sendPinch(TouchPhase::moved, inWindow({0, 150}), inWindow({375, 150}));
    window->sendPinch(TouchPhase::ended, inWindow({0, 150}), inWindow({375, 150}));
}

std::shared_ptr<MapAnnotation> pinAt(Coordinate c, std::string title) {
    auto a = std::make_shared<MapAnnotation>();
    a->coordinate = c;
    a->title = std::move(title);
    return a;
}

bool inside(const Rect& outer, const Rect& inner) {
    return inner.minX() >= outer.minX() && inner.maxX() <= outer.maxX() &&
           inner.minY() >= outer.minY() && inner.maxY() <= outer.maxY();
}

// Pins that crowd on the screen show as one cluster with their count; a tap on it zooms in
// until they stand apart. A tap on a pin shows its title above it, inside the map; a second
// tap hides it.
TEST_F(MapViewTest, CrowdedPinsClusterAndATappedPinShowsItsTitle) {
    auto window = std::make_shared<Window>(Rect{0, 0, 375, 300});
    window->addSubview(map);
    sim::TouchDriver finger(device, window);
    map->calloutsOnTap = true;
    map->clusterDistance = 36;
    // Three pins within 15 m of the casino (1 m a point here), one 70 m east and one near the
    // top left corner.
    const std::vector<std::shared_ptr<MapAnnotation>> pins = {
        pinAt(offset(0, 5), "North"),
        pinAt(offset(90, 15), "East"),
        pinAt(offset(200, 10), "South"),
        pinAt(offset(90, 70), "Café de Paris, AZ: 80, 121m"),
        pinAt(offset(330, 165), "A long name that would not fit beside the edge of the map"),
    };
    map->addAnnotations(pins);
    map->layoutIfNeeded();
    ASSERT_EQ(map->clusters().size(), 1u);
    EXPECT_EQ(map->clusters()[0].members,
              (std::vector<std::shared_ptr<MapAnnotation>>{pins[0], pins[1], pins[2]}));
    const auto cluster = map->clusterView(0);
    ASSERT_TRUE(cluster && !cluster->isHidden());
    EXPECT_EQ(cluster->text(), "3");
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(map->viewFor(*pins[i])->isHidden()) << i;
    for (int i = 3; i < 5; ++i) EXPECT_FALSE(map->viewFor(*pins[i])->isHidden()) << i;

    // A tap on the cluster: its pins stand apart, each shown.
    ASSERT_TRUE(finger.tap(*cluster));
    EXPECT_TRUE(map->clusters().empty());
    for (int i = 0; i < 3; ++i) {
        const auto view = map->viewFor(*pins[i]);
        EXPECT_FALSE(view->isHidden()) << i;
        EXPECT_TRUE(inside(map->bounds(), view->frame())) << i;
    }
    EXPECT_FALSE(map->clusterView(0));

    // Back out: a tap on the lone pin shows its title just above it.
    map->setCamera({kCasino, 600, 0});
    map->layoutIfNeeded();
    EXPECT_EQ(map->clusters().size(), 1u);
    const auto cafe = map->viewFor(*pins[3]);
    ASSERT_TRUE(finger.tap(*cafe));
    EXPECT_EQ(map->selectedAnnotation(), pins[3]);
    auto callout = map->callout();
    ASSERT_TRUE(callout);
    EXPECT_EQ(callout->text(), pins[3]->title);
    EXPECT_LE(callout->frame().maxY(), cafe->frame().minY());
    EXPECT_NEAR(callout->frame().midX(), cafe->frame().midX(), 1e-9);
    EXPECT_GE(callout->frame().width(), callout->sizeThatFits({}).width);  // the whole title
    ASSERT_TRUE(finger.tap(*cafe));
    EXPECT_FALSE(map->callout());
    EXPECT_FALSE(map->selectedAnnotation());

    // Near the corner a long title stays inside the map, below the pin when above has no room.
    ASSERT_TRUE(finger.tap(*map->viewFor(*pins[4])));
    callout = map->callout();
    ASSERT_TRUE(callout);
    EXPECT_TRUE(inside(map->bounds(), callout->frame()));
    EXPECT_FALSE(intersects(callout->frame(), map->viewFor(*pins[4])->frame()));
    // Removing the selected pin takes its callout away; a tap on the callout closes it.
    map->removeAnnotations({pins[4]});
    map->layoutIfNeeded();
    EXPECT_FALSE(map->callout());
    ASSERT_TRUE(finger.tap(*cafe));
    ASSERT_TRUE(map->callout());
    ASSERT_TRUE(finger.tap(*map->callout()));
    EXPECT_FALSE(map->callout());
}

// Two pins on top of each other are already a crowd: one cluster counting 2, not two pins
// drawn over each other.
TEST_F(MapViewTest, TwoCrowdedPinsMakeACluster) {
    auto window = std::make_shared<Window>(Rect{0, 0, 375, 300});
    window->addSubview(map);
    map->clusterDistance = 36;
    const std::vector<std::shared_ptr<MapAnnotation>> pins = {pinAt(offset(0, 5), "North"),
                                                              pinAt(offset(180, 5), "South")};
    map->addAnnotations(pins);
    map->layoutIfNeeded();
    ASSERT_EQ(map->clusters().size(), 1u);
    ASSERT_TRUE(map->clusterView(0));
    EXPECT_EQ(map->clusterView(0)->text(), "2");
    for (const auto& pin : pins) EXPECT_TRUE(map->viewFor(*pin)->isHidden()) << pin->title;
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

TEST_F(MapViewTest, PanningByWholePointsShiftsTheKeptDrawingAndOtherChangesDrawItAgain) {
    device.context().mapData = std::make_shared<FakeData>();
    map->setCamera({kCasino, 600, 30});
    map->layoutIfNeeded();
    LayerStore layers(2);
    int drawn = 0;
    layers.setRedrawObserver([&](const View& v) { drawn += &v == map.get(); });
    DisplayList frame;
    const auto render = [&] {
        map->layoutIfNeeded();
        Renderer().renderFrame(*map, frame, layers);
    };
    const auto pan = [&](double dx, double dy) {
        const MapCamera c = map->camera();
        map->setCamera(
            {map->convert(Point{187.5 - dx, 150 - dy}), c.altitude, c.heading});  // finger moves
        render();
    };
    render();
    ASSERT_EQ(drawn, 1);
    const auto layerStep = [&] {
        for (const auto& s : layers.lastFrame().steps())
            if (std::holds_alternative<step::DrawLayer>(s)) return true;
        return false;
    };
    EXPECT_TRUE(layerStep());
    // A drag of whole points (half points are whole pixels at 2 pixels a point) within the
    // margin kept around the view: the same drawing, shifted.
    for (int i = 0; i < 12; ++i) pan(i % 2 ? -3 : 5, 2.5);
    EXPECT_EQ(drawn, 1);
    // A step off the pixel grid, or past the margin, draws the map again.
    pan(0.3, 0);
    EXPECT_EQ(drawn, 2);
    pan(-80, 0);
    EXPECT_EQ(drawn, 3);
    // Drawn ahead of a drag that goes on: twice the margin that way before drawing again.
    for (int i = 0; i < 3; ++i) pan(-40, 4);
    EXPECT_EQ(drawn, 3);
    pan(-10, 0);
    EXPECT_EQ(drawn, 4);
    // Zooming, turning and a new route draw it again.
    map->setCamera({map->camera().centerCoordinate, 500, 30});
    render();
    EXPECT_EQ(drawn, 5);
    map->setCamera({map->camera().centerCoordinate, 500, 40});
    render();
    EXPECT_EQ(drawn, 6);
    map->addOverlay(
        std::make_shared<MapPolyline>(std::vector<Coordinate>{offset(180, 50), kCasino}));
    render();
    EXPECT_EQ(drawn, 7);
    map->removeOverlays();
    render();
    EXPECT_EQ(drawn, 8);
    // The compass turns with the heading but stays in its corner, over the kept drawing.
    pan(2, 0);
    EXPECT_EQ(drawn, 8);
    // Between the map's layer and the next (the attribution's).
    int fillsOverTheLayer = -1, layerSteps = 0;
    for (const auto& s : layers.lastFrame().steps()) {
        if (std::holds_alternative<step::DrawLayer>(s) && ++layerSteps == 1) fillsOverTheLayer = 0;
        if (layerSteps == 1 && std::holds_alternative<step::Fill>(s)) ++fillsOverTheLayer;
    }
    EXPECT_EQ(fillsOverTheLayer, 3) << "the compass's disc and needle, drawn in place";
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
