#include "arquorel/places/QuorelVC.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "arquorel/arcore/NearestSelection.h"
#include "arquorel/arscreen/LocationManager.h"
#include "arquorel/arscreen/RadarAnimation.h"
#include "arquorel/arscreen/RadarView.h"
#include "arquorel/places/DistanceText.h"
#include "arquorel/places/ToolTipEstate.h"
#include "arquorel/platform/drawing/Golden.h"
#include "arquorel/platform/drawing/ViewTreeDump.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/sensors/Geodesy.h"
#include "arquorel/platform/ui/AlertController.h"
#include "arquorel/platform/ui/Button.h"
#include "arquorel/platform/ui/ImageView.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/LayoutRegistry.h"
#include "arquorel/platform/ui/NavigationController.h"
#include "arquorel/platform/ui/Storyboard.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SensorScript.h"
#include "sim/device/SimCamera.h"
#include "sim/device/SimLocationService.h"
#include "sim/device/SimPlatform.h"
#include "sim/device/TouchDriver.h"

namespace arquorel {
namespace {

constexpr Coordinate kUser{43.7393682, 7.4272085};

struct Host : QuorelVCDelegate {
    std::vector<std::shared_ptr<QuorelProperty>> opened;
    void openElementDetails(const std::shared_ptr<QuorelProperty>& p) override {
        opened.push_back(p);
    }
};

// Places 40, 50, 60... m away, `spread` degrees apart clockwise from north.
std::vector<std::shared_ptr<QuorelProperty>> ring(int count = 10, double spread = 36) {
    std::vector<std::shared_ptr<QuorelProperty>> records;
    for (int i = 0; i < count; ++i) {
        auto r = std::make_shared<QuorelProperty>();
        r->id = "p" + std::to_string(i);
        r->name = "Place " + std::to_string(i);
        const double metres = 40 + 10 * i;
        const double bearing = i * spread * kDegreesToRadians;
        r->lat = kUser.latitude + metres * std::cos(bearing) / 111'200;
        r->lng = kUser.longitude +
                 metres * std::sin(bearing) / (111'200 * std::cos(43.74 * kDegreesToRadians));
        if (i % 2 == 1) r->category_color = "#FF8800";
        records.push_back(r);
    }
    return records;
}

// A window with a host screen that presents the main screen, on a simulated phone in Monaco.
struct Stage {
    sim::SimPlatform device;
    sim::SimSensors sensors;
    sim::SimCamera camera{device.context()};
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<ViewController> root = std::make_shared<ViewController>();
    std::shared_ptr<QuorelVC> screen;
    std::shared_ptr<Host> host = std::make_shared<Host>();
    sim::TouchDriver finger{device};

    explicit Stage(bool hintsSeen = true, bool located = true) {
        LocationManager::resetSharedInstance();
        Bundle::framework().setLanguage("en");
        rereadUnitSetting();
        platformContext().console().startCapture();
        if (hintsSeen) platformContext().userDefaults().set(kFirstTimeQuorelHintKey, true);
        if (located)
            LocationManager::sharedInstance()->setLatestLocation(
                Location(kUser, 0, 5, 5, device.now()));
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        device.runPending();
        screen = QuorelVC::make();
    }
    ~Stage() {
        window.reset();
        screen.reset();
        LocationManager::resetSharedInstance();
        Bundle::framework().setLanguage("");
    }
    void present(std::vector<std::shared_ptr<QuorelProperty>> places = ring(),
                 bool withDelegate = true) {
        screen->serverPlaces = std::move(places);
        if (withDelegate) screen->delegate = host;
        root->present(screen, false);
        device.runPending();
    }
    // The phone held upright facing `heading` at the user's place for `seconds`.
    void hold(double seconds, double heading = 0, bool fix = true) {
        sim::SensorScript script;
        if (fix) script.fix(0.01, kUser);
        for (double t = 0; t < seconds; t += 0.05)
            script.heading(t, heading, heading).acceleration(t, {0, -1, 0});
        script.play(sensors);
        device.advance(seconds);
    }
    std::shared_ptr<AnnnotationView> card(const std::string& name) const {
        for (const auto& v : screen->presenter()->subviews())
            if (auto card = std::dynamic_pointer_cast<AnnnotationView>(v))
                if (auto place = std::dynamic_pointer_cast<Place>(card->annotation());
                    place && place->property->name == name)
                    return card;
        return nullptr;
    }
    std::shared_ptr<AlertController> alert() const {
        return std::dynamic_pointer_cast<AlertController>(screen->presentedViewController());
    }
    std::vector<std::string> consoleLines(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& l : platformContext().console().lines())
            if (l.rfind(prefix, 0) == 0) out.push_back(l);
        return out;
    }
};

TEST(QuorelVCTest, HintsRunTwoThenOneThenNoneAndStoreTheKeyOnlyAtTheEnd) {
    Stage stage(/*hintsSeen=*/false);
    stage.present();
    auto& screen = *stage.screen;
    auto& defaults = platformContext().userDefaults();
    EXPECT_EQ(screen.visibleHint(), 2);
    EXPECT_FALSE(screen.radarV->isHidden());  // hint 2 is about the radar
    EXPECT_EQ(screen.quorelHintTitle2->text(), "Your radar");

    stage.finger.tapAt({180, 500});
    stage.device.advance(0.2);
    EXPECT_EQ(screen.visibleHint(), 1);
    EXPECT_TRUE(screen.radarV->isHidden());
    EXPECT_FALSE(defaults.contains(kFirstTimeQuorelHintKey));

    stage.finger.swipeAt({300, 500}, SwipeDirection::left);
    stage.device.advance(0.2);
    EXPECT_EQ(screen.visibleHint(), 0);
    EXPECT_FALSE(screen.radarV->isHidden());
    EXPECT_TRUE(screen.radarAnimation->isHidden());  // places are there: no searching sweep
    EXPECT_TRUE(defaults.boolForKey(kFirstTimeQuorelHintKey));

    stage.finger.tapAt({180, 500});  // no hint left: nothing changes
    stage.device.advance(0.2);
    EXPECT_EQ(screen.visibleHint(), 0);

    Stage again(/*hintsSeen=*/true);
    again.present();
    EXPECT_EQ(again.screen->visibleHint(), 0);

    // Without places the sweep goes on searching once the hints are dismissed.
    Stage empty(/*hintsSeen=*/false);
    empty.present({});
    empty.screen->closeHelp();
    empty.screen->closeHelp();
    empty.device.advance(0.2);
    EXPECT_FALSE(empty.screen->radarAnimation->isHidden());
}

TEST(QuorelVCTest, CameraRefusalOffersTheAllowAccessButtonOnceTheHintsAreDone) {
    // A camera allowed (before or at the prompt) never brings the button, hints seen or not;
    // nor does a camera there is no access to give (none, or locked by the system).
    for (const bool hintsSeen : {true, false})
        for (const auto status :
             {CameraAuthorizationStatus::authorized, CameraAuthorizationStatus::notDetermined,
              CameraAuthorizationStatus::restricted}) {
            Stage stage(hintsSeen);
            stage.camera.settings().authorization = status;
            stage.camera.settings().promptAnswer = status != CameraAuthorizationStatus::restricted;
            stage.present();
            stage.device.advance(1.5);
            stage.screen->viewDidAppear(false);  // appearing again changes nothing
            EXPECT_FALSE(stage.screen->doWeNeedCameraAccessButton);
            EXPECT_TRUE(stage.screen->allovCameraAccessButton->isHidden());
        }
    // Hints dismissed before (the stored key), skipped by the host, or a fresh install.
    enum class Hints { seen, skipped, fresh };
    for (const Hints hints : {Hints::seen, Hints::skipped, Hints::fresh}) {
        SCOPED_TRACE(static_cast<int>(hints));
        const bool hintsSeen = hints != Hints::fresh;
        Stage stage(hints == Hints::seen);
        stage.screen->showsFirstUseHints = hints != Hints::skipped;
        stage.camera.settings().authorization = CameraAuthorizationStatus::notDetermined;
        stage.camera.settings().promptAnswer = false;
        stage.present();
        stage.device.advance(1.5);
        auto& screen = *stage.screen;
        EXPECT_EQ(screen.visibleHint(), hintsSeen ? 0 : 2);
        // Skipping stores nothing: a later screen that shows hints still runs them.
        EXPECT_EQ(platformContext().userDefaults().contains(kFirstTimeQuorelHintKey),
                  hints == Hints::seen);
        EXPECT_TRUE(screen.doWeNeedCameraAccessButton);
        EXPECT_EQ(screen.allovCameraAccessButton->isHidden(), !hintsSeen);
        EXPECT_EQ(screen.allovCameraAccessButton->currentTitle(), "Allow camera access");
        if (!hintsSeen) {
            screen.closeHelp();
            screen.closeHelp();
            EXPECT_FALSE(screen.allovCameraAccessButton->isHidden());
        }
        stage.device.urlOpener().install("app-settings");
        EXPECT_TRUE(stage.finger.tap(*screen.allovCameraAccessButton));
        stage.device.advance(0.1);
        EXPECT_EQ(stage.consoleLines("Settings opened"),
                  std::vector<std::string>{"Settings opened: true"});
    }
}

TEST(QuorelVCTest, ReloadAlertsComeAfterThreeSecondsWithBackAndRetry) {
    struct Case {
        const char* name;
        bool places;
        bool located;
        const char* title;
        bool refused = false;
    };
    for (const Case& c : {Case{"no places", false, true, "Something went wrong"},
                          Case{"no location", true, false, "Weak GPS signal"},
                          Case{"location refused", true, false, "Location access is off", true}}) {
        SCOPED_TRACE(c.name);
        Stage stage(true, c.located);
        stage.present(c.places ? ring() : std::vector<std::shared_ptr<QuorelProperty>>{});
        if (c.refused) {
            stage.sensors.location()->setAuthorizationStatus(AuthorizationStatus::denied);
            stage.screen->advicePlatform = "android";
        }
        if (!c.located) {
            EXPECT_DOUBLE_EQ(stage.screen->placeRequest.lat, QuorelVC::kFallbackLat);
            EXPECT_DOUBLE_EQ(stage.screen->placeRequest.lng, QuorelVC::kFallbackLng);
        }
        stage.hold(2, 0, /*fix=*/false);
        stage.screen->reloadPage();  // voids the alerts of the reloads before
        stage.hold(2.9, 0, false);
        EXPECT_EQ(stage.alert(), nullptr);
        stage.hold(0.5, 0, false);
        auto alert = stage.alert();
        ASSERT_NE(alert, nullptr);
        EXPECT_EQ(alert->title(), c.title);
        if (c.refused) {
            EXPECT_NE(alert->message().find("Site settings > Location"), std::string::npos);
        }
        ASSERT_EQ(alert->actions().size(), 2u);
        EXPECT_EQ(alert->actions()[0].title, "Back");
        EXPECT_EQ(alert->actions()[1].title, "Retry");

        const int reloads = stage.screen->reloadCount();
        EXPECT_TRUE(alert->pickAction("Retry"));
        stage.device.advance(0.5);
        EXPECT_EQ(stage.screen->reloadCount(), reloads + 1);
        stage.hold(3.5, 0, false);
        ASSERT_NE(stage.alert(), nullptr);
        EXPECT_TRUE(stage.alert()->pickAction("Back"));
        stage.device.advance(1);
        // Back leaves the modally presented screen, the way the back button does.
        EXPECT_EQ(stage.root->presentedViewController(), nullptr);
        EXPECT_TRUE(stage.screen->isClosed());
    }
}

TEST(QuorelVCTest, WithoutACompassTheCardsHideAndANoticeSaysHowToAllowIt) {
    Stage stage;
    stage.screen->advicePlatform = "ios";
    stage.present();
    sim::SensorScript fixOnly;
    fixOnly.fix(0.01, kUser);
    for (double t = 0; t < 1.5; t += 0.05) fixOnly.acceleration(t, {0, -1, 0});
    fixOnly.play(stage.sensors);
    stage.device.advance(0.8);
    EXPECT_FALSE(stage.screen->headingMissing());  // a compass may take a moment to answer
    stage.device.advance(0.7);
    auto& screen = *stage.screen;
    ASSERT_TRUE(screen.headingMissing());
    EXPECT_TRUE(screen.presenter()->isHidden());  // no cards placed as if facing north
    ASSERT_NE(screen.headingNotice(), nullptr);
    EXPECT_FALSE(screen.headingNotice()->isHidden());
    EXPECT_NE(screen.headingNotice()->text().find("No compass reading"), std::string::npos);
    EXPECT_NE(screen.headingNotice()->text().find("Motion & Orientation Access"),
              std::string::npos);

    stage.hold(0.5, 90);  // the compass answers after all
    EXPECT_FALSE(screen.headingMissing());
    EXPECT_FALSE(screen.presenter()->isHidden());
    EXPECT_TRUE(screen.headingNotice()->isHidden());
    EXPECT_NEAR(screen.arStatus().heading, 90, 1);
}

TEST(QuorelVCTest, TenRecordsGiveTenCardsAndTenRadarPointsInOrder) {
    Stage stage;
    stage.present(ring(10, 6));  // in two sectors: the presenter shows some of them
    stage.hold(3);
    auto& screen = *stage.screen;
    ASSERT_EQ(screen.places.size(), 10u);
    ASSERT_EQ(screen.ar_coordinates().size(), 10u);
    EXPECT_EQ(screen.presenter()->annotationViews().size(), 10u);
    int dimmed = 0;
    for (std::size_t i = 0; i < 10; ++i) {
        const auto& point = *screen.ar_coordinates()[i];
        EXPECT_EQ(point.unique, "p" + std::to_string(i));
        const Color expected = i % 2 ? Color{1, 136 / 255.0, 0, 1} : RadarFeed::kDefaultDotColor;
        EXPECT_EQ(point.color, expected) << i;
        const auto view = screen.places[i]->annotationView();
        const bool shown = view && view->hasSuperview();
        EXPECT_EQ(point.alpha, shown ? 1.0 : 0.5) << i;
        dimmed += !shown;
    }
    EXPECT_GT(dimmed, 0);
    // The radar recalibrates on 50 frames after a fix, then freezes and turns.
    EXPECT_EQ(screen.radarFeed().updateCount(), 50);
    EXPECT_TRUE(screen.radarFeed().frozenAngle().has_value());
    EXPECT_FALSE(screen.radarAnimation->isSpinning());
}

TEST(QuorelVCTest, ARecordWithoutAValidCoordinateIsLeftOutWithALine) {
    Stage stage;
    auto records = ring(3);
    records[1]->lat = 91;
    stage.present(records);
    ASSERT_EQ(stage.screen->places.size(), 2u);
    EXPECT_EQ(stage.screen->tableData.size(), 3u);
    EXPECT_EQ(stage.consoleLines("Place 1 ").size(), 1u);
    EXPECT_EQ(stage.consoleLines("Place 1 ")[0],
              "Place 1 (id \"p1\") left out: lat and lng are not a valid coordinate");
}

TEST(QuorelVCTest, SwipedPlaceLeavesUntilTheNextReloadAndTapsReachTheHost) {
    Stage stage;
    auto records = ring();
    // Ids repeat in real data: a place behind the user, listed first, shares the swiped one's.
    auto twin = std::make_shared<QuorelProperty>(*records[5]);
    twin->name = "Twin";
    twin->id = records[0]->id;
    records.insert(records.begin(), twin);
    stage.present(records);
    stage.hold(3);
    auto& screen = *stage.screen;
    auto north = stage.card("Place 0");
    ASSERT_NE(north, nullptr);

    ASSERT_TRUE(stage.finger.tap(*north));
    stage.device.advance(0.1);
    ASSERT_EQ(stage.host->opened.size(), 1u);
    EXPECT_EQ(stage.host->opened[0], records[1]);

    ASSERT_TRUE(stage.finger.swipe(*north, SwipeDirection::left));
    stage.device.advance(0.3);
    EXPECT_LT(north->frame().maxX(), 0);  // on its way out along the width
    EXPECT_EQ(screen.tableData.size(), 11u);
    stage.device.advance(0.4);
    EXPECT_EQ(screen.tableData.size(), 10u);
    EXPECT_EQ(std::count(screen.tableData.begin(), screen.tableData.end(), records[1]), 0);
    EXPECT_EQ(std::count(screen.tableData.begin(), screen.tableData.end(), twin), 1);
    EXPECT_EQ(screen.places.size(), 10u);
    EXPECT_EQ(screen.getAnnotations().size(), 10u);
    EXPECT_FALSE(north->hasSuperview());
    EXPECT_EQ(stage.card("Place 0"), nullptr);

    platformContext().notificationCenter().post(kReloadOnBecomeActive);
    stage.hold(1);
    EXPECT_EQ(screen.tableData.size(), 11u);
    EXPECT_NE(stage.card("Place 0"), nullptr);
    // Reloads reuse the cards: each shows its own place, none is left flying.
    for (const auto& v : screen.presenter()->subviews()) {
        auto card = std::dynamic_pointer_cast<AnnnotationView>(v);
        if (!card) continue;
        const auto place = std::dynamic_pointer_cast<Place>(card->annotation());
        ASSERT_NE(place, nullptr);
        EXPECT_EQ(card->card()->nameLabel->text(), place->property->name);
        EXPECT_FALSE(card->disableMove);
        EXPECT_EQ(card->isMainAnn, card->transform() != Transform::identity());
    }
}

TEST(QuorelVCTest, QuickReloadsLeaveOneMainCardASector) {
    Stage stage;
    stage.present(ring(24, 15));
    stage.hold(3);
    stage.screen->reloadPage();
    stage.device.advance(0.05);
    stage.screen->reloadPage();  // reuses the cards while the first rebuild's marks are due
    stage.hold(1);
    int shown = 0;
    for (const auto& sector : stage.screen->presenter()->visibleAnnotationViews()) {
        if (sector.empty()) continue;
        ++shown;
        EXPECT_EQ(
            std::count_if(sector.begin(), sector.end(), [](const auto& v) { return v->isMainAnn; }),
            1);
        EXPECT_TRUE(sector.back()->isMainAnn);
    }
    EXPECT_GE(shown, 4);  // the ring's places fill most sectors
}

TEST(QuorelVCTest, SwipeDuringAReloadFliesOutButRemovesNothing) {
    Stage stage;
    stage.present();
    stage.hold(3);
    auto card = stage.card("Place 0");
    ASSERT_NE(card, nullptr);
    stage.screen->swipeHandle(*card, SwipeDirection::up);
    stage.screen->serverPlaces = ring(4);
    stage.screen->reloadPage();  // the swiped place's annotation is gone before it lands
    stage.device.advance(0.7);
    EXPECT_EQ(stage.screen->tableData.size(), 4u);
    EXPECT_EQ(stage.screen->flyingOutCards(), 0);
}

// The place `metres` due east of the user, to a micrometre.
Location east(double metres, double time) {
    const Location user(kUser, 0, 5, 5, time);
    Location probe(Coordinate{kUser.latitude, kUser.longitude + 1e-4}, 0, 5, 5, time);
    const double scale = metres / distance(user, probe);
    probe.coordinate.longitude = kUser.longitude + 1e-4 * scale;
    return probe;
}

class CountingPresenter : public ARPresenter {
  public:
    explicit CountingPresenter(std::weak_ptr<ARController> c) : ARPresenter(std::move(c)) {}
    std::vector<ReloadType> reloads;
    void reload(const AnnotationList& annotations, ReloadType type) override {
        reloads.push_back(type);
        ARPresenter::reload(annotations, type);
    }
};

TEST(QuorelVCTest, LocationFixesMoveTheRadarAndReloadPastFiveMetres) {
    Stage stage;
    auto presenter = std::make_shared<CountingPresenter>(stage.screen);
    stage.screen->setPresenter(presenter);
    stage.present();
    stage.hold(3);
    auto& screen = *stage.screen;
    const auto& manager = LocationManager::sharedInstance();
    struct Case {
        const char* name;
        double metres;
        double age;
        double accuracy;
        bool reload;
        bool accepted;
    };
    for (const Case& c :
         {Case{"5 m", 5.0 - 1e-7, 0, 5, false, true}, Case{"5.1 m", 5.1, 0, 5, true, true},
          Case{"49.9 s old", 500, 49.9, 5, true, true}, Case{"60 s old", 500, 60, 5, false, false},
          Case{"accuracy 100 m", 50, 0, 100, true, true},
          Case{"accuracy 100.1 m", 50, 0, 100.1, false, false}}) {
        SCOPED_TRACE(c.name);
        const double now = stage.device.now();
        screen.lastLocation = Location(kUser, 0, 5, 5, now);
        screen.mutableArStatus().userLocation = screen.lastLocation;
        for (int i = 0; i < 60; ++i) screen.updateRadar(screen, 0);
        manager->setLatestLocation(east(c.metres, now - c.age));
        presenter->reloads.clear();
        Location fix = east(c.metres, now - c.age);
        fix.horizontalAccuracy = c.accuracy;
        screen.didUpdateLocation(screen.trackingManager(), fix);
        EXPECT_EQ(presenter->reloads.size(), c.reload ? 1u : 0u);
        EXPECT_EQ(screen.radarFeed().updateCount() == 0, c.accepted);
        EXPECT_EQ(screen.arStatus().userLocation->coordinate.longitude != kUser.longitude,
                  c.accepted);
        EXPECT_EQ(screen.lastLocation->coordinate.longitude != kUser.longitude, c.reload);
    }
}

// The place `metres` due north of the user at `time`.
Location north(double metres, double time) {
    return Location(Coordinate{kUser.latitude + metres / 111'132.0, kUser.longitude}, 0, 5, 5,
                    time);
}

// Whichever of the shared location manager and the tracking manager takes a fix first, the
// cards and the radar measure from the newest position, and stay right while the user stands.
TEST(QuorelVCTest, CardsAndRadarMeasureFromTheNewestFix) {
    Stage stage;
    stage.present(ring(1));  // Place 0, about 40 m north
    stage.hold(3);
    auto& screen = *stage.screen;
    auto& manager = *LocationManager::sharedInstance();
    const auto place = screen.places.at(0)->location();
    struct Case {
        const char* name;
        double sharedMetres, sharedAge;  // the shared manager's position
        double fixMetres, fixAge;        // the fix the tracking manager accepted
        double expected;                 // where the user is: metres north
    };
    for (const Case& c :
         {Case{"the fix first", 0, 5, 25, 0, 25}, Case{"both have it", 32, 0, 32, 0, 32},
          Case{"the shared one is newer", 15, 0, 35, 1, 15}}) {
        SCOPED_TRACE(c.name);
        const double now = stage.device.now();
        manager.setLatestLocation(north(c.sharedMetres, now - c.sharedAge));
        screen.didUpdateLocation(screen.trackingManager(), north(c.fixMetres, now - c.fixAge));
        stage.device.advance(2);  // standing still: no more fixes
        const Location user = north(c.expected, 0);
        const auto card = stage.card("Place 0");
        ASSERT_NE(card, nullptr);
        EXPECT_EQ(card->card()->distanceLabel->text(), distanceText(distance(user, place)));
        EXPECT_NEAR(screen.places[0]->distanceFromUser(), distance(user, place), 0.01);
        ASSERT_TRUE(screen.centerCoordinate() && screen.centerCoordinate()->geoLocation);
        EXPECT_NEAR(distance(*screen.centerCoordinate()->geoLocation, user), 0, 0.01);
        EXPECT_NEAR(screen.radarV->points.at(0)->radialDistance, distance(user, place), 0.01);
    }
}

// A reload with other places shows them on the radar at once, not at the next fix.
TEST(QuorelVCTest, TheRadarShowsTheNewPlacesOfAReloadAtOnce) {
    Stage stage;
    stage.present(ring(10));
    stage.hold(3);  // calibrated and frozen
    auto& screen = *stage.screen;
    ASSERT_TRUE(screen.radarFeed().frozenAngle());
    ASSERT_EQ(screen.radarV->dotsView()->dots().size(), 10u);
    screen.serverPlaces = ring(3);
    screen.reloadPage();
    EXPECT_EQ(screen.radarV->dotsView()->dots().size(), 3u);
    EXPECT_EQ(screen.radarFeed().updateCount(), 0);
    screen.serverPlaces.clear();
    screen.reloadPage();
    EXPECT_TRUE(screen.radarV->dotsView()->dots().empty());
}

// A whole region: the radar shows only the kRadarPlaces nearest places and the cards go to
// the nearest ones, wherever they stand in the records; both follow the user.
TEST(QuorelVCTest, AWholeRegionShowsOnlyTheNearestOnTheRadarAndAsCards) {
    Stage stage;
    const std::size_t count = QuorelVC::kRadarPlaces + 500;
    auto records = ring(static_cast<int>(count), 0);  // in a line to the north
    std::reverse(records.begin(), records.end());     // the nearest last in the records
    stage.present(records);
    stage.hold(3);
    auto& screen = *stage.screen;
    const auto radarIds = [&] {
        std::set<std::string> ids;
        for (const auto& point : screen.radarV->points) ids.insert(point->unique.value_or(""));
        return ids;
    };
    auto ids = radarIds();
    EXPECT_EQ(ids.size(), QuorelVC::kRadarPlaces);
    EXPECT_TRUE(ids.count("p0") && ids.count("p999") && !ids.count("p1000"));
    EXPECT_EQ(screen.radarV->dotsView()->dots().size(), QuorelVC::kRadarPlaces);
    EXPECT_NEAR(screen.radarV->farthest, 40 + 10 * 999, 15);
    const std::size_t cards = screen.presenter()->maxVisibleAnnotations;
    ASSERT_EQ(screen.presenter()->annotationViews().size(), cards);
    for (const auto& view : screen.presenter()->annotationViews()) {
        const auto place = std::dynamic_pointer_cast<Place>(view->annotation());
        ASSERT_TRUE(place);
        EXPECT_LT(std::stoul(place->property->id.substr(1)), cards) << place->property->id;
    }

    // At the farthest place the radar shows the places nearest to it.
    const auto& far = *records.front();
    screen.didUpdateLocation(screen.trackingManager(),
                             Location({far.lat, far.lng}, 0, 5, 5, stage.device.now()));
    stage.hold(1, 0, /*fix=*/false);
    ids = radarIds();
    EXPECT_EQ(ids.size(), QuorelVC::kRadarPlaces);
    EXPECT_TRUE(ids.count(far.id) && ids.count("p500") && !ids.count("p499"));
}

// The details screen as far as the main screen sees it.
class FakeDetails : public ViewController, public PlaceDetailsScreen {
  public:
    std::shared_ptr<QuorelProperty> place;
    void setPlace(const std::shared_ptr<QuorelProperty>& p) override { place = p; }
};

// A tap goes to the host's delegate and nowhere else; without a delegate it opens the details.
TEST(QuorelVCTest, ATapGoesToTheHostOrElseToTheDetailsScreen) {
    auto& storyboard = LayoutRegistry::shared().defineStoryboard(kMainStoryboard);
    auto before = storyboard.screenBuilder(kPlaceVCIdentifier);
    storyboard.addScreen(kPlaceVCIdentifier, [] { return std::make_shared<FakeDetails>(); });
    for (const bool withDelegate : {true, false}) {
        SCOPED_TRACE(withDelegate ? "host delegate" : "no delegate");
        Stage stage;
        stage.present(ring(), withDelegate);
        stage.hold(3);
        auto card = stage.card("Place 0");
        ASSERT_NE(card, nullptr);
        ASSERT_TRUE(stage.finger.tap(*card));
        stage.device.advance(1);
        auto details =
            std::dynamic_pointer_cast<FakeDetails>(stage.screen->presentedViewController());
        EXPECT_EQ(stage.host->opened.size(), withDelegate ? 1u : 0u);
        EXPECT_EQ(details != nullptr, !withDelegate);
        if (details) {
            EXPECT_EQ(details->place->name, "Place 0");
            EXPECT_EQ(details->modalPresentationStyle(), ModalPresentationStyle::overFullScreen);
        }
    }
    storyboard.addScreen(kPlaceVCIdentifier, std::move(before));
}

TEST(QuorelVCTest, ClosingTearsDownAndVoidsDelayedSteps) {
    Stage stage;
    std::weak_ptr<QuorelVC> weak = stage.screen;
    stage.present({});
    stage.hold(1);
    auto& notifications = platformContext().notificationCenter();
    const auto foreground = notifications.observerCount(kApplicationWillEnterForeground);
    EXPECT_EQ(notifications.observerCount(kReloadOnBecomeActive), 1u);

    // Covered by another full-screen screen: stops observing reloads only, keeps its places.
    auto cover = std::make_shared<ViewController>();
    stage.screen->present(cover, false);
    stage.device.runPending();
    EXPECT_EQ(notifications.observerCount(kReloadOnBecomeActive), 0u);
    EXPECT_EQ(notifications.observerCount(kApplicationWillEnterForeground), foreground);
    EXPECT_FALSE(stage.screen->isClosed());
    stage.device.advance(3);
    EXPECT_EQ(stage.alert(), nullptr);  // not on top: no alert
    cover->dismiss(false);
    stage.device.runPending();
    auto& application = platformContext().application();
    application.enterBackground();
    stage.screen->reloadPage();
    stage.device.advance(3.5);
    EXPECT_EQ(stage.alert(), nullptr);  // in the background: no alert
    application.enterForeground();
    stage.device.runPending();

    stage.screen->reloadPage();
    stage.screen->reloadPage();  // the first reload's steps are void
    EXPECT_EQ(stage.screen->pendingDelayedSteps(), 3u);
    stage.screen->back();
    stage.device.advance(1);
    EXPECT_TRUE(stage.screen->isClosed());
    EXPECT_EQ(stage.screen->pendingDelayedSteps(), 0u);
    // The leaves are gone; the screen's lists are empty.
    EXPECT_TRUE(stage.screen->radarV->subviews().empty());
    EXPECT_TRUE(stage.screen->help1View->subviews().empty());
    EXPECT_FALSE(stage.screen->backbutton->hasSuperview());
    EXPECT_TRUE(stage.screen->tableData.empty() && stage.screen->places.empty());
    EXPECT_TRUE(stage.screen->presenter()->annotations().empty());
    stage.device.advance(5);
    EXPECT_EQ(stage.screen->presentedViewController(), nullptr);
    stage.screen.reset();
    EXPECT_TRUE(weak.expired());  // no cycle through the cards' delegate
}

TEST(QuorelVCTest, InANavigationStackOnlyPoppingCloses) {
    Stage stage;
    auto navigation = std::make_shared<NavigationController>(std::make_shared<ViewController>());
    stage.root->present(navigation, false);
    stage.device.runPending();
    stage.screen->isViewPresented = false;
    stage.screen->serverPlaces = ring();
    navigation->pushViewController(stage.screen, false);
    stage.hold(3);
    navigation->pushViewController(std::make_shared<ViewController>(), false);
    stage.device.runPending();
    EXPECT_EQ(stage.screen->appearance(), Appearance::disappeared);
    EXPECT_FALSE(stage.screen->isClosed());
    EXPECT_EQ(stage.screen->tableData.size(), 10u);
    navigation->popViewController(false);
    stage.hold(1);
    EXPECT_FALSE(stage.screen->isClosed());
    stage.screen->back();
    stage.device.runPending();
    EXPECT_TRUE(stage.screen->isClosed());
    EXPECT_TRUE(stage.screen->tableData.empty());
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
}

TEST(QuorelVCTest, SegueAndDetailsWithoutTheirScreensWriteOneLine) {
    Stage stage;
    stage.present(ring(), /*withDelegate=*/false);
    stage.hold(3);
    platformContext().console().startCapture();
    stage.screen->openPointsList();
    stage.device.runPending();
    auto card = stage.card("Place 0");
    ASSERT_NE(card, nullptr);
    stage.screen->annotationViewTapped(card);
    stage.device.runPending();
    EXPECT_EQ(platformContext().console().lines().size(), 2u);
    EXPECT_EQ(stage.screen->presentedViewController(), nullptr);
}

TEST(QuorelVCTest, MainScreenTree) {
    Stage stage(/*hintsSeen=*/false);
    stage.present(ring(4));
    stage.hold(3);
    const auto check =
        checkGolden(goldenPath(__FILE__, "main_screen_hint2"), dumpViewTree(*stage.window));
    EXPECT_TRUE(check.passed) << check.message;
}

// Along a walk through a dense town, the cards kept, the radar's places and the distances read
// are exactly those of measuring every place again at every fix.
TEST(QuorelVCTest, AWalkKeepsExactlyTheNearestOfMeasuringEveryPlace) {
    std::uint64_t state = 7;
    const auto random = [&] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    };
    std::vector<std::shared_ptr<QuorelProperty>> records;
    for (int i = 0; i < 5000; ++i) {
        auto r = std::make_shared<QuorelProperty>();
        r->id = "p" + std::to_string(i);
        r->name = "Place " + std::to_string(i);
        // Every tenth place shares another's position: equal distances.
        const auto& twin = i % 10 == 9 ? records[static_cast<std::size_t>(i) / 2] : nullptr;
        r->lat = twin ? twin->lat : kUser.latitude - 0.01 + 0.03 * random();
        r->lng = twin ? twin->lng : kUser.longitude - 0.01 + 0.03 * random();
        records.push_back(r);
    }
    Stage stage;
    stage.present(records);
    stage.hold(4);
    QuorelVC& screen = *stage.screen;
    ASSERT_EQ(screen.places.size(), records.size());
    const std::size_t kept = screen.presenter()->maxVisibleAnnotations;
    for (int step = 1; step <= 12; ++step) {
        SCOPED_TRACE(step);
        const auto before = screen.getAnnotations();
        const Coordinate at{kUser.latitude + step * 0.0009, kUser.longitude + step * 0.0007};
        screen.didUpdateLocation(screen.trackingManager(),
                                 Location(at, 0, 5, 5, stage.device.now()));
        stage.device.advance(0.1);
        ASSERT_TRUE(screen.arStatus().userLocation);
        const GeodesicOrigin origin(screen.arStatus().userLocation->coordinate);
        const auto measured = [&](const ARAnnotation& a) {
            return origin.distanceTo(a.location().coordinate);
        };

        // The cards' share of the list: its first places, nearest first, ties in list order.
        const auto nearest = nearestIndices(before.size(), kept,
                                            [&](std::size_t i) { return measured(*before[i]); });
        const auto& now = screen.getAnnotations();
        ASSERT_EQ(now.size(), before.size());
        for (std::size_t i = 0; i < nearest.size(); ++i) {
            ASSERT_EQ(now[i].get(), before[nearest[i]].get()) << i;
            EXPECT_EQ(now[i]->distanceFromUser(), measured(*now[i]));
            EXPECT_EQ(now[i]->azimuth(),
                      bearing(*screen.arStatus().userLocation, now[i]->location()));
        }

        // The radar's places: the nearest of all, in the places' order.
        auto chosen = nearestIndices(screen.places.size(), QuorelVC::kRadarPlaces,
                                     [&](std::size_t i) { return measured(*screen.places[i]); });
        std::sort(chosen.begin(), chosen.end());
        const auto& radar = screen.radarPlaces();
        ASSERT_EQ(radar.size(), chosen.size());
        for (std::size_t i = 0; i < chosen.size(); ++i)
            ASSERT_EQ(radar[i].get(), screen.places[chosen[i]].get()) << i;

        // A step too short to measure again, then a place fewer: the radar is chosen again,
        // from where the distances were measured.
        const Coordinate near{at.latitude + 0.00003, at.longitude + 0.00003};
        screen.didUpdateLocation(screen.trackingManager(),
                                 Location(near, 0, 5, 5, stage.device.now()));
        screen.places.pop_back();
        auto again = nearestIndices(screen.places.size(), QuorelVC::kRadarPlaces,
                                    [&](std::size_t i) { return measured(*screen.places[i]); });
        std::sort(again.begin(), again.end());
        const auto& chosenAgain = screen.radarPlaces();
        ASSERT_EQ(chosenAgain.size(), again.size());
        for (std::size_t i = 0; i < again.size(); ++i)
            ASSERT_EQ(chosenAgain[i].get(), screen.places[again[i]].get()) << i;

        // Whatever place is read, near or far, reads as measured now.
        for (const std::size_t i :
             {std::size_t{0}, screen.places.size() / 2, screen.places.size() - 1})
            EXPECT_EQ(screen.places[i]->distanceFromUser(), measured(*screen.places[i]));
    }
}

}  // namespace
}  // namespace arquorel
