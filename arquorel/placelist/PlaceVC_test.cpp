#include "arquorel/placelist/PlaceVC.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "arquorel/placelist/MicrodataTable.h"
#include "arquorel/placelist/WebViewVC.h"
#include "arquorel/places/DistanceText.h"
#include "arquorel/places/LogoLoader.h"
#include "arquorel/platform/maps/pack/MapPack.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/NotificationCenter.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/sensors/Geodesy.h"
#include "arquorel/platform/ui/AlertController.h"
#include "arquorel/platform/ui/HitTest.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SensorScript.h"
#include "sim/device/SimDataLoader.h"
#include "sim/device/SimDirections.h"
#include "sim/device/SimGeocoder.h"
#include "sim/device/SimLocationService.h"
#include "sim/device/SimPlatform.h"
#include "sim/device/TouchDriver.h"

namespace arquorel {
namespace {

namespace fs = std::filesystem;

constexpr Coordinate kUser{43.7393682, 7.4272085};      // Place du Casino
constexpr Coordinate kPlace{43.7391605, 7.4280230};     // about 70 m east
constexpr Coordinate kFarPlace{43.7298619, 7.4159056};  // about 1.4 km south-west

std::shared_ptr<QuorelProperty> richPlace() {
    auto p = std::make_shared<QuorelProperty>();
    p->id = "casino";
    p->name = "Casino de Monte Carlo";
    p->category = "Casino";
    p->parent_category_title = "Leisure";
    p->category_id = 6;
    p->category_color = "#5aa150";
    p->lat = kPlace.latitude;
    p->lng = kPlace.longitude;
    p->street = "Place du Casino";
    p->city = "Monaco";
    p->opening_hours = "Mo-Fr 9-18;Sa 10-14";
    p->phone = "+377 98 06 21 21";
    p->email = " vip@casino.example ";
    p->link = "www.casino.example";
    p->facebook = "javascript:alert(1)";
    p->wikipedia = "en:Monte Carlo Casino";
    p->shareText = "The Casino";
    p->shareurl = "https://casino.example/a%20b#top";
    const std::string micro =
        R"([{"name":"wheelchair","words":["limited"]},{"name":"brand","words":["SBM"]},)"
        R"({"name":"operator","words":["SBM"]}])";
    p->micro_data.emplace(micro.begin(), micro.end());
    return p;
}

// A small pack: two streets meeting at a corner between the user and the place.
std::shared_ptr<const MapPack> cornerPack() {
    const Coordinate corner{kUser.latitude, kPlace.longitude};
    return std::make_shared<MapPack>(
        MapBox{{43.73, 7.42}, {43.75, 7.44}},
        std::vector<MapFeature>{{MapFeatureKind::minorRoad, false, {kUser, corner, kPlace}}},
        WalkGraph{{kUser, corner, kPlace}, {{0, 1}, {1, 2}}});
}

Location at(const Coordinate& c) {
    return Location(c.latitude, c.longitude);
}

// The angle of a rotation transform, in (-pi, pi].
double rotationAngle(const Transform& t) {
    return std::atan2(t.b, t.a);
}

struct Stage {
    sim::SimPlatform device;
    sim::SimSensors sensors;
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<ViewController> root = std::make_shared<ViewController>();
    std::shared_ptr<PlaceVC> details;

    explicit Stage(std::optional<Coordinate> user = kUser) {
        LocationManager::resetSharedInstance();
        LogoLoader::reset();
        Bundle::framework().setLanguage("en");
        rereadUnitSetting();
        platformContext().console().startCapture();
        platformContext().device().setMainScreenBounds({{0, 0}, {375, 812}});
        device.installMapPack(cornerPack());
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        device.runPending();
        LocationManager::sharedInstance()->start();
        if (user) locate(*user);
        registerPlaceDetailsLayout();
    }
    ~Stage() {
        details.reset();
        window.reset();
        LocationManager::resetSharedInstance();
        LogoLoader::reset();
    }
    void locate(const Coordinate& at) {
        LocationManager::sharedInstance()->setLatestLocation(Location(at, 0, 5, 5, device.now()));
    }
    void heading(double degrees) {
        auto* service =
            dynamic_cast<sim::SimLocationService*>(LocationManager::sharedInstance()->manager());
        ASSERT_NE(service, nullptr);
        service->deliverHeading({degrees, degrees, 5, device.now()});
        device.runPending();
    }
    PlaceVC& open(std::shared_ptr<QuorelProperty> place = richPlace()) {
        details = PlaceVC::make();
        details->place = std::move(place);
        root->present(details, false);
        device.advance(1);
        return *details;
    }
    std::shared_ptr<AlertController> alert() const {
        return std::dynamic_pointer_cast<AlertController>(details->presentedViewController());
    }
    std::vector<std::string> alertTitles() const {
        std::vector<std::string> out;
        if (auto a = alert())
            for (const auto& action : a->actions()) out.push_back(action.title);
        return out;
    }
};

bool shown(const View& v) {
    return !v.isHidden() && v.frame().height() > 0;
}

// What the screen makes of a record's texts (the layout of a full record is in the details
// screen's view-tree golden).
TEST(PlaceVCTest, LoadFillsTheHeaderRowsAndTable) {
    Stage stage;
    auto& s = stage.open();
    EXPECT_EQ(s.headerColor(), (Color{0x5a / 255.0, 0xa1 / 255.0, 0x50 / 255.0, 1}));
    EXPECT_EQ(s.timeLabel->text(), "Mo-Fr 9-18,Sa 10-14 ");
    EXPECT_EQ(s.collectionView->tagCount(), 2u);

    // Rows: the mail trimmed, the web site given a scheme, the hostile social link hidden, the
    // article's address built from its language and title.
    EXPECT_EQ(s.emailLabel->text(), "vip@casino.example");
    EXPECT_EQ(s.websitelabel->text(), "https://www.casino.example");
    EXPECT_TRUE(s.facebookRow->isHidden());
    EXPECT_EQ(s.placeWikiPedia, "https://en.wikipedia.org/wiki/Monte_Carlo_Casino");
    EXPECT_EQ(s.wikipediaLabel->text(), "Monte Carlo Casino");
    EXPECT_TRUE(s.shareButton->isEnabled());
    // The missing map style is reported once per process, by whichever screen loads first.
    auto lines = platformContext().console().lines();
    std::erase(lines, "Unable to find style.json");
    EXPECT_EQ(lines, std::vector<std::string>{});
}

TEST(PlaceVCTest, AMinimalRecordHidesWhatItLacks) {
    Stage stage;
    auto p = std::make_shared<QuorelProperty>();
    p->name = "Bench";
    p->lat = kPlace.latitude;
    p->lng = kPlace.longitude;
    p->phone = "call us; n/a";
    auto& s = stage.open(p);
    EXPECT_EQ(s.headerColor(), kLightGray);
    EXPECT_TRUE(s.iconIv->isHidden());
    EXPECT_TRUE(s.timeLabel->isHidden());
    EXPECT_TRUE(s.tagsView->isHidden());
    for (const auto* row :
         {s.emailRow.get(), s.websiteRow.get(), s.facebookRow.get(), s.wikipediaRow.get()})
        EXPECT_TRUE(row->isHidden()) << row->identifier();
    EXPECT_EQ(s.mixroTableview->frame().height(), 0);
    EXPECT_TRUE(s.phoneButton->isHidden());  // no valid number
    EXPECT_FALSE(s.shareButton->isEnabled());
    EXPECT_FALSE(s.routeButton->isHidden());

    // An invalid coordinate: no route offer and no distance.
    Stage other;
    auto bad = std::make_shared<QuorelProperty>(*p);
    bad->lat = std::numeric_limits<double>::quiet_NaN();
    auto& t = other.open(bad);
    EXPECT_TRUE(t.routeButton->isHidden());
    EXPECT_TRUE(t.distanceLabel->isHidden());
    t.openRoute();
    EXPECT_TRUE(other.device.mapsApplication().launches().empty());
}

TEST(PlaceVCTest, DistanceAndArrowsFollowTheCompassInEitherUnit) {
    for (const bool imperial : {false, true}) {
        Stage stage;
        if (imperial) platformContext().userDefaults().set(kImperialUnitsKey, false);
        auto p = richPlace();
        p->lat = kFarPlace.latitude;
        p->lng = kFarPlace.longitude;
        auto& s = stage.open(p);
        const Location user(kUser.latitude, kUser.longitude),
            place(kFarPlace.latitude, kFarPlace.longitude);
        const double metres = distance(user, place);
        EXPECT_EQ(s.distanceLabel->text(), "  " + distanceText(metres, imperial) + "  ");
        EXPECT_EQ(s.isKMType, !imperial);
        for (const double heading : {0.0, 90.0, 250.0}) {
            stage.heading(heading);
            const double expected = (360 - heading + LocationManager::bearingBetween(user, place)) *
                                    std::numbers::pi / 180;
            for (const auto* arrow : {s.dirArrow.get(), s.dirArrowSmall.get()})
                EXPECT_NEAR(rotationAngle(arrow->transform()),
                            std::remainder(expected, 2 * std::numbers::pi), 1e-9)
                    << heading;
        }
    }
}

TEST(PlaceVCTest, ThePositionMayComeAfterTheScreenLoaded) {
    Stage stage(std::nullopt);
    auto& s = stage.open();
    EXPECT_TRUE(s.distanceLabel->isHidden());
    EXPECT_TRUE(s.distansBackView->isHidden());
    EXPECT_EQ(s.directionsRequests(), 0);
    // No position: the map looks down at the place from a street-level height, not at the
    // whole globe from above latitude 0, longitude 0.
    EXPECT_NEAR(s.mapp->camera().centerCoordinate.latitude, kPlace.latitude, 1e-9);
    EXPECT_NEAR(s.mapp->camera().centerCoordinate.longitude, kPlace.longitude, 1e-9);
    EXPECT_EQ(s.mapp->camera().altitude, PlaceVC::kPlaceAltitude);

    stage.locate(kUser);
    stage.heading(10);
    EXPECT_FALSE(s.distanceLabel->isHidden());
    EXPECT_EQ(s.distanceLabel->text(),
              "  " + distanceText(distance(at(kUser), at(kPlace)), false) + "  ");
}

TEST(PlaceVCTest, TheCompactMapTurnsWithTheCompassFromAboveTheUser) {
    struct Case {
        Coordinate place;
        double altitude;
    };
    const double far = distance(at(kUser), at(kFarPlace));
    const Case cases[] = {
        {kUser, PlaceVC::kMinimumAltitude},  // at the place: the floor
        {kFarPlace, 6 * far},
    };
    for (const auto& c : cases) {
        Stage stage;
        auto p = richPlace();
        p->lat = c.place.latitude;
        p->lng = c.place.longitude;
        auto& s = stage.open(p);
        stage.heading(120);
        const auto& camera = s.mapp->camera();
        EXPECT_NEAR(camera.centerCoordinate.latitude, kUser.latitude, 1e-9);
        EXPECT_NEAR(camera.altitude, c.altitude, 1e-6);
        EXPECT_EQ(camera.heading, 120);
        // Enlarged, the map stays where the user moved it; back restores the stored camera.
        s.largeMap();
        ASSERT_TRUE(s.isMapEnlarged());
        MapCamera moved = camera;
        moved.heading = 10;
        s.mapp->setCamera(moved);
        stage.heading(200);
        EXPECT_EQ(s.mapp->camera().heading, 10);
        s.back();
        EXPECT_FALSE(s.isMapEnlarged());
        EXPECT_EQ(s.mapp->camera().heading, 0);  // the stored camera, looking straight down
        EXPECT_NEAR(s.mapp->camera().altitude, c.altitude, 1e-6);
    }
}

TEST(PlaceVCTest, DirectionsAnswersDrawTheRouteOrKeepThePins) {
    struct Case {
        sim::SimDirectionsMode mode;
        std::size_t overlays;
        std::vector<std::string> console;
    };
    const Case cases[] = {
        {sim::SimDirectionsMode::answer, 1, {}},
        {sim::SimDirectionsMode::error, 0, {std::string("Error: ") + sim::kSimDirectionsError}},
        {sim::SimDirectionsMode::none, 0, {"No walking route to Casino de Monte Carlo"}},
        {sim::SimDirectionsMode::offline, 0, {}},
    };
    for (const auto& c : cases) {
        Stage stage;
        stage.device.directions().mode = c.mode;
        platformContext().console().clear();
        auto& s = stage.open();
        EXPECT_EQ(s.directionsRequests(), 1);
        EXPECT_EQ(s.mapp->overlayCount(), c.overlays) << static_cast<int>(c.mode);
        EXPECT_EQ(s.mapp->annotations().size(), 2u);  // the user and the place
        auto lines = platformContext().console().lines();
        std::erase(lines, "Unable to find style.json");
        EXPECT_EQ(lines, c.console);
        const auto renderer = s.rendererForOverlay(*s.mapp, MapPolyline({}));
        ASSERT_TRUE(renderer);
        EXPECT_EQ(renderer->strokeColor, (Color{17.0 / 255, 147.0 / 255, 1, 1}));
        EXPECT_EQ(renderer->lineWidth, 5);
    }
}

// The point `north` and `east` metres from the user (flat earth, fine at a few hundred metres).
Coordinate fromUser(double north, double east) {
    return {
        kUser.latitude + north / 110'574.0,
        kUser.longitude + east / (111'320.0 * std::cos(kUser.latitude * std::numbers::pi / 180))};
}

// Every point whole on the map (a pin's half width from the edges), and the walk filling at
// least half of the map's width or height: not zoomed out to a speck either.
void expectWholeWalk(const MapView& map, const std::vector<Coordinate>& walk) {
    const double w = map.bounds().width(), h = map.bounds().height();
    double left = w, right = 0, top = h, bottom = 0;
    for (const auto& c : walk) {
        const Point p = map.convert(c);
        EXPECT_TRUE(p.x >= 15 && p.x <= w - 15 && p.y >= 15 && p.y <= h - 15)
            << "off the " << w << "x" << h << " map at " << p.x << "," << p.y;
        left = std::min(left, p.x), right = std::max(right, p.x);
        top = std::min(top, p.y), bottom = std::max(bottom, p.y);
    }
    EXPECT_GT(std::max((right - left) / w, (bottom - top) / h), 0.5);
}

TEST(PlaceVCTest, BothMapsShowTheWholeWalkWhereverItGoes) {
    struct Case {
        const char* name;
        Coordinate place;
        Coordinate bend;  // the only path passes here
    };
    const Case cases[] = {
        // 600 m due south, the path a little east of the line: the height limits the fit.
        {"north-south", fromUser(-600, 0), fromUser(-300, 80)},
        // 200 m east, the path swinging 450 m north of both pins.
        {"detour", fromUser(0, 200), fromUser(450, 100)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Stage stage;
        stage.device.installMapPack(std::make_shared<MapPack>(
            MapBox{{43.72, 7.41}, {43.76, 7.45}},
            std::vector<MapFeature>{{MapFeatureKind::footway, false, {kUser, c.bend, c.place}}},
            WalkGraph{{kUser, c.bend, c.place}, {{0, 1}, {1, 2}}}));
        auto p = richPlace();
        p->lat = c.place.latitude;
        p->lng = c.place.longitude;
        auto& s = stage.open(p);
        ASSERT_EQ(s.mapp->overlayCount(), 1u);
        // Without a compass the compact map keeps the walk's view.
        expectWholeWalk(*s.mapp, {kUser, c.bend, c.place});
        s.largeMap();
        stage.device.advance(1);
        ASSERT_TRUE(s.isMapEnlarged());
        EXPECT_EQ(s.mapp->camera().heading, 0);
        expectWholeWalk(*s.mapp, {kUser, c.bend, c.place});
    }
}

TEST(PlaceVCTest, OfflineTheLargeArrowStandsInForTheMap) {
    Stage stage;
    stage.device.reachability().setConnected(false);
    auto& s = stage.open();
    EXPECT_FALSE(s.isConnected());
    // A position without a compass: the distance shows, no arrow points a random way.
    EXPECT_FALSE(s.distanceLabel->isHidden());
    EXPECT_TRUE(s.dirArrow->isHidden());
    EXPECT_TRUE(s.dirArrowSmall->isHidden());
    stage.heading(30);
    EXPECT_FALSE(s.dirArrowSmall->isHidden());
    EXPECT_FALSE(s.dirArrow->isHidden());
    EXPECT_TRUE(s.dirArrow->isDescendantOf(*s.mapHolderView));
    EXPECT_FALSE(s.mapp->hasSuperview());
    s.largeMap();
    EXPECT_FALSE(s.isMapEnlarged());
    EXPECT_TRUE(s.nameForTopLabel->isHidden());
}

TEST(PlaceVCTest, EnlargeHidesTheButtonsAndBackLeavesInTwoSteps) {
    Stage stage;
    auto& s = stage.open();
    sim::TouchDriver finger(stage.device);
    EXPECT_FALSE(s.favoriteButton->isSelected());
    ASSERT_TRUE(finger.tap(*s.favoriteButton));
    EXPECT_TRUE(s.favoriteButton->isSelected());
    stage.heading(120);
    ASSERT_TRUE(finger.tap(*s.mapClickButton));
    EXPECT_TRUE(s.isMapEnlarged());
    EXPECT_FALSE(s.nameForTopLabel->isHidden());
    EXPECT_TRUE(s.routeButton->isHidden());
    EXPECT_TRUE(s.phoneButton->isHidden());
    EXPECT_TRUE(s.mapp->isUserInteractionEnabled());
    EXPECT_EQ(s.mapHolderView->frame().height(), s.scrollView->bounds().height());
    EXPECT_EQ(s.mapheight, PlaceVC::kMapHeight);
    // The enlarged map follows a dragging finger; the compact one (below) does not.
    stage.device.advance(1);
    const auto dragAcross = [&] {
        const Point centre = convertToRoot(*s.mapp, {s.mapp->bounds().midX(), 200});
        const Coordinate before = s.mapp->camera().centerCoordinate;
        finger.drag(centre, {centre.x + 80, centre.y + 60});
        return !(s.mapp->camera().centerCoordinate == before);
    };
    // It opens north up (the whole walk: BothMapsShowTheWholeWalkWhereverItGoes).
    EXPECT_EQ(s.mapp->camera().heading, 0);
    EXPECT_TRUE(dragAcross());

    s.back();
    stage.device.advance(1);
    EXPECT_FALSE(s.isMapEnlarged());
    EXPECT_FALSE(s.routeButton->isHidden());
    EXPECT_FALSE(s.phoneButton->isHidden());
    EXPECT_FALSE(s.mapp->isUserInteractionEnabled());
    EXPECT_EQ(s.mapHolderView->frame().height(), PlaceVC::kMapHeight);
    EXPECT_EQ(stage.root->presentedViewController(), stage.details);
    EXPECT_FALSE(dragAcross());

    const auto subscriptions = LocationManager::sharedInstance()->headingCallbackCount();
    s.back();
    stage.device.advance(1);
    EXPECT_EQ(stage.root->presentedViewController(), nullptr);
    EXPECT_EQ(s.mapp->mapType, MapType::hybrid);
    EXPECT_FALSE(s.mapp->hasSuperview());
    EXPECT_EQ(LocationManager::sharedInstance()->headingCallbackCount(), subscriptions - 2);
}

TEST(PlaceVCTest, FromSiriClosesTheScreenAndWhatItShowsAndEndsWithIt) {
    // Over the details: nothing, the web page, the call choice.
    for (const int over : {0, 1, 2}) {
        SCOPED_TRACE(over);
        Stage stage;
        auto p = richPlace();
        p->phone = "+377 98 06 21 21 / +377 98 06 20 00";
        auto& s = stage.open(p);
        if (over == 1) s.openLink();
        if (over == 2) s.phoneClicked();
        stage.device.advance(1);
        EXPECT_EQ(s.presentedViewController() != nullptr, over != 0);
        platformContext().notificationCenter().post(kFromSiriNotification);
        stage.device.advance(2);
        EXPECT_EQ(stage.root->presentedViewController(), nullptr);
        std::weak_ptr<PlaceVC> gone = stage.details;
        stage.details.reset();
        EXPECT_TRUE(gone.expired());
        platformContext().notificationCenter().post(kFromSiriNotification);  // nobody listens
    }

    // A screen without a place leaves at once.
    Stage empty;
    empty.details = PlaceVC::make();
    empty.root->present(empty.details, false);
    empty.device.advance(1);
    EXPECT_EQ(empty.root->presentedViewController(), nullptr);
}

TEST(PlaceVCTest, RouteOffersTheInstalledAppsOrOpensTheSystemMaps) {
    Stage stage;
    auto& s = stage.open();
    s.openRoute();
    // No other map application: the system maps open at once, without a choice.
    ASSERT_EQ(stage.device.mapsApplication().launches().size(), 1u);
    EXPECT_EQ(stage.device.mapsApplication().launches()[0].items.at(1).name,
              "Casino de Monte Carlo");

    stage.device.urlOpener().install("waze");
    s.openRoute();
    stage.device.advance(1);
    ASSERT_NE(stage.alert(), nullptr);
    EXPECT_EQ(stage.alertTitles(), (std::vector<std::string>{"Apple Maps", "Waze", "Cancel"}));
    ASSERT_TRUE(stage.alert()->pickAction("Waze"));
    stage.device.advance(1);
    EXPECT_EQ(stage.device.urlOpener().openedURLs(),
              (std::vector<std::string>{"waze://?ll=43.7391605,7.428023&navigate=yes"}));
}

TEST(PlaceVCTest, CallsDialOneNumberOfferSeveralAndSayWhenTheyFail) {
    Stage stage;
    auto p = richPlace();
    p->phone = "+377 98 06 21 21 / +377 98 06 20 00";
    auto& s = stage.open(p);
    s.phoneClicked();
    stage.device.advance(1);
    ASSERT_NE(stage.alert(), nullptr);
    EXPECT_EQ(stage.alertTitles(),
              (std::vector<std::string>{"+377 98 06 21 21", "+377 98 06 20 00", "Cancel"}));
    EXPECT_EQ(stage.alert()->actions().back().style, AlertActionStyle::cancel);
    ASSERT_TRUE(stage.alert()->pickAction("+377 98 06 20 00"));
    stage.device.advance(1);
    EXPECT_EQ(stage.device.urlOpener().openedURLs(),
              (std::vector<std::string>{"tel:+37798062000"}));

    // One number, and a device that cannot call: the user is told.
    Stage single;
    single.device.urlOpener().uninstall("tel");
    auto& t = single.open();
    t.phoneClicked();
    single.device.advance(1);
    ASSERT_NE(single.alert(), nullptr);
    EXPECT_EQ(single.alert()->message(), "This device cannot place the call.");
    EXPECT_EQ(single.alertTitles(), std::vector<std::string>{"OK"});
}

// A fix from the location service, with the country looked up from it.
void fixAt(Stage& stage, const Coordinate& c) {
    auto* service =
        dynamic_cast<sim::SimLocationService*>(LocationManager::sharedInstance()->manager());
    ASSERT_NE(service, nullptr);
    ASSERT_TRUE(service->deliverLocation(Location(c, 0, 5, 5, stage.device.now())));
    stage.device.advance(1);
}

TEST(PlaceVCTest, NumbersAreReadInThePlacesCountryWhereverTheUserIs) {
    constexpr Coordinate kMunich{48.137, 11.575}, kParis{48.857, 2.352};
    struct Case {
        std::optional<Coordinate> user;
        const char* country;
    };
    const Case cases[] = {{kUser, "MC"}, {kMunich, "DE"}, {kParis, "FR"}, {std::nullopt, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.country);
        Stage stage(std::nullopt);
        sim::SimGeocoder geocoder;
        if (c.user) fixAt(stage, *c.user);
        ASSERT_EQ(LocationManager::sharedInstance()->country(), c.country);
        auto p = richPlace();
        p->phone = "93 25 00 00";  // a Monaco number written without its country code
        auto& s = stage.open(p);
        EXPECT_TRUE(shown(*s.phoneButton));
        s.phoneClicked();
        stage.device.advance(1);
        EXPECT_EQ(stage.device.urlOpener().openedURLs(),
                  (std::vector<std::string>{"tel:+37793250000"}));
    }

    // A place beyond the table's countries: its numbers are read in the user's country, and the
    // call button comes when that country becomes known.
    Stage stage(std::nullopt);
    sim::SimGeocoder geocoder;
    auto p = richPlace();
    p->lat = 40.4168;  // Madrid
    p->lng = -3.7038;
    p->phone = "030 22 70 00";
    auto& s = stage.open(p);
    EXPECT_TRUE(s.phoneButton->isHidden());
    fixAt(stage, kMunich);
    EXPECT_EQ(s.phoneNumbers, (std::vector<std::string>{"+4930227000"}));
    EXPECT_TRUE(shown(*s.phoneButton));
}

TEST(PlaceVCTest, MailComposesToTheCheckedAddressesOrExplains) {
    struct Case {
        bool account;
        MailComposeResult result;
        std::string title, alert;
    };
    const Case cases[] = {
        {true, MailComposeResult::sent, "", ""},
        {false, MailComposeResult::sent, "", "No mail account is set up on this device."},
        {true, MailComposeResult::failed, "The mail could not be sent", "disk full"},
    };
    for (const auto& c : cases) {
        Stage stage;
        stage.device.mailService().setAccount(c.account);
        stage.device.mailService().setOutcome({c.result, "disk full"});
        auto& s = stage.open();
        s.openEmail();
        stage.device.advance(1);
        EXPECT_EQ(stage.alert() ? stage.alert()->title() : "", c.title) << c.account;
        EXPECT_EQ(stage.alert() ? stage.alert()->message() : "", c.alert) << c.account;
        if (c.account) {
            ASSERT_EQ(stage.device.mailService().drafts().size(), 1u);
            EXPECT_EQ(stage.device.mailService().drafts()[0].recipients,
                      (std::vector<std::string>{"vip@casino.example"}));
        }
    }
}

TEST(PlaceVCTest, PagesOpenInTheApp) {
    Stage stage;
    auto& s = stage.open();
    s.openWiki();
    stage.device.advance(1);
    auto page = std::dynamic_pointer_cast<WebViewVC>(s.presentedViewController());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->url, "https://en.wikipedia.org/wiki/Monte_Carlo_Casino");
    EXPECT_EQ(page->navTitle, "Casino de Monte Carlo");
    EXPECT_TRUE(page->hideNavigation);
    EXPECT_TRUE(stage.device.urlOpener().openedURLs().empty());  // not also outside the app
    s.dismiss(false);
    stage.device.advance(1);

    s.openLink();
    stage.device.advance(1);
    page = std::dynamic_pointer_cast<WebViewVC>(s.presentedViewController());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->url, "https://www.casino.example");
}

TEST(PlaceVCTest, LogosShowWhenTheyArriveAndNotAfterTheScreenLeft) {
    const fs::path dir =
        fs::path(::testing::TempDir()) / ("details_logos_" + std::to_string(::getpid()));
    fs::create_directories(dir / "logos.example");
    std::ofstream(dir / "logos.example" / "a.svg")
        << R"(<svg xmlns="http://www.w3.org/2000/svg" width="4" height="4"/>)";
    for (const bool leaveFirst : {false, true}) {
        Stage stage;
        auto loader = std::make_shared<sim::SimDataLoader>(dir);
        loader->setDelay(2);
        stage.device.context().setDataLoader(loader);
        LogoLoader::reset();
        auto p = richPlace();
        p->logo = "https://logos.example/a.svg";
        auto& s = stage.open(p);
        EXPECT_EQ(s.iconIv->frame().width(), 55);
        const auto categoryIcon = s.iconIv->image();
        if (leaveFirst) s.back();
        stage.device.advance(3);
        EXPECT_EQ(s.iconIv->image() != categoryIcon, !leaveFirst);
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace arquorel
