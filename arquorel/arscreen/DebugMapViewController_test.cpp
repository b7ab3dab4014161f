#include "arquorel/arscreen/DebugMapViewController.h"

#include <gtest/gtest.h>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimCamera.h"
#include "sim/device/SimPlatform.h"
#include "sim/device/TouchDriver.h"

namespace arquorel {
namespace {

std::shared_ptr<ARAnnotation> annotation(std::optional<std::string> title, double lat, double lng,
                                         double azimuth = 0, double distance = 0) {
    auto a = ARAnnotation::create(std::string("id"), std::move(title), Location(lat, lng));
    a->setAzimuth(azimuth);
    a->setDistanceFromUser(distance);
    return a;
}

// An annotation that knows its name better than its (empty) title, as a place does.
class Named : public ARAnnotation {
  public:
    Named(std::string name, const Location& location)
        : ARAnnotation(std::string("id"), std::string(), location), name_(std::move(name)) {}
    std::string displayName() const override { return name_; }

  private:
    std::string name_;
};

DebugMapViewController::AnnotationList monaco() {
    return {annotation("Casino", 43.7393, 7.4279, 80.4, 120.6),
            annotation("Musée océanographique", 43.7308, 7.4253, 190, 1012),
            annotation(std::nullopt, 43.7350, 7.4210)};
}

// Titles and coordinates of the pins on the map, in order.
std::vector<std::pair<std::string, Coordinate>> pins(const MapView& map) {
    std::vector<std::pair<std::string, Coordinate>> out;
    for (const auto& pin : map.annotations()) out.emplace_back(pin->title, pin->coordinate);
    return out;
}

TEST(DebugMapViewControllerTest, PinTitlesNameAzimuthAndDistance) {
    struct Case {
        std::optional<std::string> title;
        double azimuth, distance;
        const char* expected;
    };
    const Case cases[] = {
        {"Casino", 80.4, 120.6, "Casino, AZ: 80, 121m"},
        {std::nullopt, 359.6, 0, ", AZ: 360, 0m"},
        {"", -12.2, 1500.49, ", AZ: -12, 1500m"},
        {"Café \"de\" Paris", 0, 12345678, "Café \"de\" Paris, AZ: 0, 12345678m"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DebugMapViewController::pinTitle(
                      *annotation(c.title, 43.7, 7.4, c.azimuth, c.distance)),
                  c.expected);
    Named place("Casino de Monte-Carlo", Location(43.7393, 7.4279));
    place.setAzimuth(80.4);
    place.setDistanceFromUser(120.6);
    EXPECT_EQ(DebugMapViewController::pinTitle(place), "Casino de Monte-Carlo, AZ: 80, 121m");
}

TEST(DebugMapViewControllerTest, AnnotationsBeforeOrAfterLoadingGiveTheSamePinsInSight) {
    sim::SimPlatform device;
    const auto list = monaco();
    const auto before = DebugMapViewController::make();
    before->addAnnotations(list);
    EXPECT_EQ(before->mapView(), nullptr);  // nothing loaded yet
    before->loadViewIfNeeded();
    const auto after = DebugMapViewController::make();
    after->loadViewIfNeeded();
    ASSERT_TRUE(after->mapView());
    EXPECT_TRUE(after->mapView()->annotations().empty());
    after->addAnnotations(list);

    for (const auto& screen : {before, after}) {
        const auto map = screen->mapView();
        ASSERT_TRUE(map);
        EXPECT_FALSE(map->isRotateEnabled);
        const auto shown = pins(*map);
        ASSERT_EQ(shown.size(), list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            EXPECT_EQ(shown[i].first, DebugMapViewController::pinTitle(*list[i]));
            EXPECT_EQ(shown[i].second, list[i]->location().coordinate);
            // Shown to fit: every pin lies inside the map.
            const Point p = map->convert(shown[i].second);
            const Rect b = map->bounds();
            EXPECT_TRUE(p.x > b.minX() && p.x < b.maxX() && p.y > b.minY() && p.y < b.maxY())
                << shown[i].first;
        }
    }
    EXPECT_EQ(pins(*before->mapView()), pins(*after->mapView()));
    EXPECT_EQ(before->mapView()->camera().altitude, after->mapView()->camera().altitude);
}

// Notes the reload locations it is told of.
class ReloadLocations : public ARViewController {
  public:
    std::vector<Coordinate> told;
    void didUpdateReloadLocation(ARTrackingManager&, const Location& location) override {
        told.push_back(location.coordinate);
    }
};

// The AR screen with three annotations, presented in a window, the user at the Casino.
struct Stage {
    sim::SimPlatform device;
    sim::SimCamera camera;
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<ViewController> host = std::make_shared<ViewController>();
    std::shared_ptr<ReloadLocations> ar = ARViewController::make<ReloadLocations>();
    sim::TouchDriver finger{device, window};
    std::vector<std::pair<double, Location>> posted;

    Stage() {
        platformContext().console().startCapture();
        ar->uiOptions.debugMap = true;
        window->setRootViewController(host);
        window->makeKeyAndVisible();
        host->present(ar, false);
        device.runPending();
        ar->mutableArStatus().userLocation = Location(43.7393, 7.4279);
        ar->setAnnotations(monaco());
        platformContext().notificationCenter().addObserver(
            this, kNotificationLocationSet, [this](const Notification& n) {
                const auto it = n.userInfo.find(kLocationUserInfoKey);
                if (it == n.userInfo.end()) return;
                if (const auto* location = std::any_cast<Location>(&it->second))
                    posted.emplace_back(device.now(), *location);
            });
    }
    ~Stage() { platformContext().notificationCenter().removeObserver(this); }
    std::shared_ptr<DebugMapViewController> openMap() {
        const auto tapped = finger.tap("debugMapButton");
        EXPECT_TRUE(tapped) << tapped.message;
        device.advance(1);
        return std::dynamic_pointer_cast<DebugMapViewController>(ar->presentedViewController());
    }
};

TEST(DebugMapViewControllerTest, TheMapButtonShowsTheAnnotationsAndCloseReturns) {
    Stage s;
    const auto map = s.openMap();
    ASSERT_TRUE(map);
    ASSERT_EQ(map->mapView()->annotations().size(), 3u);
    EXPECT_EQ(map->mapView()->frame(), s.window->bounds());
    const auto closed = s.finger.tap("debugMapClose");
    ASSERT_TRUE(closed) << closed.message;
    s.device.advance(2);
    EXPECT_EQ(s.ar->presentedViewController(), nullptr);
    EXPECT_TRUE(s.posted.empty());
}

// The view of the pin whose title begins with `name`.
std::shared_ptr<MapAnnotationView> pinNamed(const MapView& map, const std::string& name) {
    for (const auto& pin : map.annotations())
        if (pin->title.rfind(name, 0) == 0) return map.viewFor(*pin);
    return nullptr;
}

// Twenty places around the Casino crowd into one cluster with their count; the others stand
// alone. A tap on a pin shows its name, azimuth and distance; a tap on the cluster zooms in
// until its pins stand apart.
TEST(DebugMapViewControllerTest, CrowdedPinsClusterAndATappedPinShowsItsName) {
    Stage s;
    auto list = monaco();
    for (int i = 0; i < 20; ++i)
        list.push_back(std::make_shared<Named>(
            "Shop " + std::to_string(i),
            Location(43.7394 + 0.00002 * (i % 5), 7.4279 + 0.00003 * (i / 5))));
    s.ar->setAnnotations(list);
    const auto screen = s.openMap();
    ASSERT_TRUE(screen);
    const auto map = screen->mapView();
    ASSERT_EQ(map->annotations().size(), 23u);
    map->layoutIfNeeded();
    ASSERT_EQ(map->clusters().size(), 1u);
    EXPECT_EQ(map->clusters()[0].members.size(), 21u);  // the shops and the Casino
    EXPECT_EQ(map->clusterView(0)->text(), "21");

    const auto museum = pinNamed(*map, "Musée");
    ASSERT_TRUE(museum && !museum->isHidden());
    ASSERT_TRUE(s.finger.tap(*museum));
    ASSERT_TRUE(map->callout());
    EXPECT_EQ(map->callout()->text().rfind("Musée océanographique, AZ: ", 0), 0u);

    ASSERT_TRUE(s.finger.tap(*map->clusterView(0)));
    EXPECT_TRUE(map->clusters().empty());
    const auto shop = pinNamed(*map, "Shop 0,");
    ASSERT_TRUE(shop && !shop->isHidden());
    ASSERT_TRUE(s.finger.tap(*shop));
    ASSERT_TRUE(map->callout());
    EXPECT_EQ(map->callout()->text().rfind("Shop 0, AZ: ", 0), 0u) << map->callout()->text();
    EXPECT_EQ(s.ar->presentedViewController(), screen);  // taps never pick a position
}

TEST(DebugMapViewControllerTest, ALongPressPostsThePickedPositionOnceASecondLater) {
    Stage s;
    const auto map = s.openMap();
    ASSERT_TRUE(map);
    const Point point{120, 500};
    const Coordinate expected = map->mapView()->convert(point);
    const double start = s.device.now();
    // Held for 1.2 s: began at half a second, ended at the lift.
    s.finger.longPressAt(point, 1.2);
    EXPECT_EQ(s.ar->presentedViewController(), nullptr);  // dismissed at the beginning
    const double began = start + LongPressGestureRecognizer{}.minimumPressDuration();
    s.device.advance(began + kLocationSetDelay - 0.01 - s.device.now());
    EXPECT_TRUE(s.posted.empty());
    s.device.advance(5);
    ASSERT_EQ(s.posted.size(), 1u);
    EXPECT_NEAR(s.posted[0].first, began + kLocationSetDelay, 1e-4);
    EXPECT_NEAR(s.posted[0].second.coordinate.latitude, expected.latitude, 1e-9);
    EXPECT_NEAR(s.posted[0].second.coordinate.longitude, expected.longitude, 1e-9);
    EXPECT_EQ(s.posted[0].second.altitude, 0);

    // The AR screen now measures from the picked position.
    const auto& user = s.ar->trackingManager().userLocation();
    ASSERT_TRUE(user);
    EXPECT_EQ(user->coordinate, s.posted[0].second.coordinate);
    for (const auto& a : s.ar->getAnnotations())
        EXPECT_NEAR(a->distanceFromUser(), distance(*user, a->location()), 1e-6);

    // A tap is no long press.
    s.openMap();
    s.finger.tapAt(point);
    s.device.advance(5);
    EXPECT_EQ(s.posted.size(), 1u);
}

TEST(DebugMapViewControllerTest, APickedPositionMovesTheUserOnlyWhenValid) {
    struct Case {
        const char* name;
        std::any value;
        std::optional<Coordinate> user;  // none: the user location stays
    };
    const Case cases[] = {
        {"a position", Location(43.73, 7.42), Coordinate{43.73, 7.42}},
        {"off the globe", Location(91, 7.42), std::nullopt},
        {"not a location", std::string("43.73,7.42"), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Stage s;
        s.ar->trackingManager().setUserLocation(Location(43.7393, 7.4279));
        const auto before = s.ar->arStatus().userLocation;
        platformContext().notificationCenter().post(kNotificationLocationSet, nullptr,
                                                    {{kLocationUserInfoKey, c.value}});
        const auto& user = s.ar->trackingManager().userLocation();
        ASSERT_TRUE(user && s.ar->arStatus().userLocation);
        const Coordinate expected = c.user ? *c.user : Coordinate{43.7393, 7.4279};
        EXPECT_EQ(user->coordinate, expected);
        EXPECT_EQ(s.ar->arStatus().userLocation->coordinate, c.user ? *c.user : before->coordinate);
        EXPECT_EQ(s.ar->lastLocation.has_value(), c.user.has_value());
        if (c.user && s.ar->lastLocation) {
            EXPECT_EQ(s.ar->lastLocation->coordinate, *c.user);
        }
        // The jump is a new reload location for the subclass to rebuild around.
        EXPECT_EQ(s.ar->told,
                  c.user ? std::vector<Coordinate>{*c.user} : std::vector<Coordinate>{});
    }
}

}  // namespace
}  // namespace arquorel
