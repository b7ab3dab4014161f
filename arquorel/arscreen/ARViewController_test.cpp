#include "arquorel/arscreen/ARViewController.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arquorel/platform/device/Application.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/Button.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/Slider.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SensorScript.h"
#include "sim/device/SimCamera.h"
#include "sim/device/SimPlatform.h"
#include "sim/device/TouchDriver.h"

namespace arquorel {
namespace {

using sim::SensorScript;
using sim::SimCamera;
using sim::SimCameraSettings;
using sim::SimPlatform;
using sim::SimSensors;

constexpr Coordinate kUser{43.7393682, 7.4272085};

// Records every reload the controller hands to it, with the distances seen at that moment.
class RecordingPresenter : public ARPresenter {
  public:
    explicit RecordingPresenter(std::weak_ptr<ARController> c) : ARPresenter(std::move(c)) {}
    std::vector<ReloadType> reloads;
    std::vector<double> firstDistance;
    void reload(const AnnotationList& annotations, ReloadType type) override {
        reloads.push_back(type);
        firstDistance.push_back(annotations.empty() ? -1 : annotations.front()->distanceFromUser());
        ARPresenter::reload(annotations, type);
    }
};

class CardSource : public ARDataSource {
  public:
    std::vector<double> inclinations;
    std::shared_ptr<ARAnnotationView> viewForAnnotation(
        ARController&, const std::shared_ptr<ARAnnotation>&) override {
        return ARAnnotationView::create(Rect{0, 0, 100, 60});
    }
    void updateRadar(ARController&, double inclination) override {
        inclinations.push_back(inclination);
    }
};

std::shared_ptr<ARAnnotation> place(double lat, double lng) {
    return ARAnnotation::create(std::string("p"), std::string("p"), Location(lat, lng));
}

class ARViewControllerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ARViewController::resetRadarInclination();
        controller = ARViewController::make();
        presenter = std::make_shared<RecordingPresenter>(controller);
        presenter->setFrame({0, 0, 375, 812});
        controller->setPresenter(presenter);
        source = std::make_shared<CardSource>();
        controller->setDataSource(source);
    }

    // Geometry of a 375x812 portrait screen without a camera.
    void giveGeometry() {
        applyFieldOfView(controller->mutableArStatus(),
                         fieldOfView({375, 812}, false, std::nullopt, {375, 812}));
    }
    void giveLocation() {
        controller->mutableArStatus().userLocation = Location(kUser.latitude, kUser.longitude);
    }

    SimPlatform device;
    SimSensors sensors;
    std::shared_ptr<ARViewController> controller;
    std::shared_ptr<RecordingPresenter> presenter;
    std::shared_ptr<CardSource> source;
};

TEST_F(ARViewControllerTest, ReloadsWaitMergedByRankUntilTheStatusIsReady) {
    using R = ReloadType;
    struct Case {
        const char* name;
        bool setAnnotations;  // requests annotationsChanged
        std::vector<R> beforeReady;
        R firstReady;
        R carriedOut;
    };
    const Case cases[] = {
        {"swipe outranks later headings",
         false,
         {R::swipe, R::headingChanged, R::headingChanged},
         R::headingChanged,
         R::swipe},
        {"new annotations wait for the first frame",
         true,
         {R::headingChanged},
         R::headingChanged,
         R::annotationsChanged},
        {"the strongest of several",
         false,
         {R::userLocationChanged, R::reloadLocationChanged, R::userLocationChanged},
         R::headingChanged,
         R::reloadLocationChanged},
        {"a stronger request once ready", false, {R::userLocationChanged}, R::swipe, R::swipe},
        {"nothing waiting", false, {}, R::userLocationChanged, R::userLocationChanged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        auto north = place(kUser.latitude + 0.001, kUser.longitude);
        if (c.setAnnotations) controller->setAnnotations({north});
        for (R r : c.beforeReady) controller->reload(r);
        EXPECT_TRUE(presenter->reloads.empty());
        EXPECT_EQ(north->distanceFromUser(), 0);
        giveGeometry();
        giveLocation();
        controller->reload(c.firstReady);
        ASSERT_EQ(presenter->reloads.size(), 1u);
        EXPECT_STREQ(toString(presenter->reloads[0]), toString(c.carriedOut));
        EXPECT_FALSE(controller->pendingHighestRankingReload());
        // Distances and azimuths were computed before the presenter saw the new annotations.
        if (c.setAnnotations) {
            EXPECT_NEAR(presenter->firstDistance[0], 111.1, 0.1);
        }
    }
}

TEST_F(ARViewControllerTest, WhenReadyEveryRequestRunsAtOnceUnderItsOwnType) {
    giveGeometry();
    giveLocation();
    const std::vector<ReloadType> types = {
        ReloadType::headingChanged, ReloadType::swipe, ReloadType::userLocationChanged,
        ReloadType::headingChanged, ReloadType::annotationsChanged};
    for (auto t : types) controller->reload(t);
    EXPECT_EQ(presenter->reloads, types);
}

TEST_F(ARViewControllerTest, OnlyLocationAndAnnotationReloadsRecomputeDistancesAndAzimuths) {
    giveGeometry();
    giveLocation();
    auto north = place(kUser.latitude + 0.001, kUser.longitude);
    controller->setAnnotations({north});
    EXPECT_NEAR(north->distanceFromUser(), 111.1, 0.1);
    EXPECT_EQ(presenter->firstDistance.back(), north->distanceFromUser());
    struct Case {
        ReloadType type;
        bool recomputes;
    };
    for (const Case& c : {Case{ReloadType::headingChanged, false}, Case{ReloadType::swipe, false},
                          Case{ReloadType::userLocationChanged, true},
                          Case{ReloadType::reloadLocationChanged, true},
                          Case{ReloadType::annotationsChanged, true}}) {
        SCOPED_TRACE(toString(c.type));
        north->setDistanceFromUser(-5);
        north->setAzimuth(-5);
        controller->reload(c.type);
        EXPECT_EQ(north->distanceFromUser() != -5, c.recomputes);
        EXPECT_EQ(north->azimuth() != -5, c.recomputes);
    }
}

TEST_F(ARViewControllerTest, DistancePassSortsNearestFirstAndAzimuthsFollowTheCompass) {
    giveLocation();
    auto north = place(kUser.latitude + 0.002, kUser.longitude);
    auto west = place(kUser.latitude, kUser.longitude - 0.001);
    auto east = place(kUser.latitude, kUser.longitude + 0.003);
    controller->setAnnotations({east, north, west});
    controller->calculateDistancesForAnnotations();
    controller->calculateAzimuthsForAnnotations();
    const auto& list = controller->getAnnotations();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0], west);
    EXPECT_EQ(list[1], north);
    EXPECT_EQ(list[2], east);
    EXPECT_DOUBLE_EQ(north->azimuth(), 0);
    EXPECT_NEAR(west->azimuth(), 270, 1e-3);
    EXPECT_NEAR(east->azimuth(), 90, 0.01);

    // Without a user location both passes leave everything alone.
    controller->mutableArStatus().userLocation.reset();
    north->setAzimuth(-1);
    north->setDistanceFromUser(-1);
    controller->calculateDistancesForAnnotations();
    controller->calculateAzimuthsForAnnotations();
    EXPECT_EQ(north->azimuth(), -1);
    EXPECT_EQ(north->distanceFromUser(), -1);
}

TEST_F(ARViewControllerTest, CentreOfAnnotationsOption) {
    const auto centre =
        ARViewController::centerLocationOfAnnotations({place(10, 20), place(12, 24)});
    ASSERT_TRUE(centre);
    EXPECT_DOUBLE_EQ(centre->latitude(), 11);
    EXPECT_DOUBLE_EQ(centre->longitude(), 22);
    EXPECT_FALSE(ARViewController::centerLocationOfAnnotations({}));

    controller->uiOptions.setUserLocationToCenterOfAnnotations = true;
    giveGeometry();
    giveLocation();
    controller->setAnnotations({});  // the location stays, the reload is still requested
    EXPECT_EQ(controller->arStatus().userLocation->coordinate, kUser);
    EXPECT_EQ(presenter->reloads, std::vector<ReloadType>{ReloadType::annotationsChanged});
    controller->setAnnotations({place(10, 20), place(12, 24)});
    EXPECT_EQ(controller->arStatus().userLocation->coordinate, (Coordinate{11, 22}));

    controller->uiOptions.setUserLocationToCenterOfAnnotations = false;
    controller->setAnnotations({place(30, 30)});
    EXPECT_EQ(controller->arStatus().userLocation->coordinate, (Coordinate{11, 22}));
}

TEST_F(ARViewControllerTest, FailureCallbackTellsWhetherALocationWasEverRecorded) {
    std::vector<std::pair<double, bool>> calls;
    controller->onDidFailToFindLocation = [&](double s, bool had) { calls.emplace_back(s, had); };
    controller->startCameraAndTracking(true);  // reports 0 s at once
    device.advance(5.01);
    controller->lastLocation = Location(1, 2);
    device.advance(5);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0], std::make_pair(0.0, false));
    EXPECT_NEAR(calls[1].first, 5, 1e-6);
    EXPECT_FALSE(calls[1].second);
    EXPECT_TRUE(calls[2].second);
}

TEST_F(ARViewControllerTest, LocationNotificationReloadsOnlyWithALocation) {
    giveGeometry();
    giveLocation();
    auto& center = platformContext().notificationCenter();
    center.post(kNotificationLocationSet, nullptr, {{"other", Location(1, 2)}});
    center.post(kNotificationLocationSet, nullptr, {{kLocationUserInfoKey, std::string("x")}});
    EXPECT_TRUE(presenter->reloads.empty());
    center.post(kNotificationLocationSet, nullptr, {{kLocationUserInfoKey, Location(1, 2)}});
    EXPECT_EQ(presenter->reloads, std::vector<ReloadType>{ReloadType::reloadLocationChanged});
}

TEST_F(ARViewControllerTest, FrameStepCopiesTheFilteredValuesAndFeedsTheRadar) {
    giveGeometry();
    controller->startCameraAndTracking(false);
    SensorScript script;
    script.fix(0.01, kUser);
    for (double t = 0; t < 3; t += 0.05) {
        script.heading(t, 80, 80);
        script.acceleration(t, {0, -1, -0.5});
    }
    script.play(sensors);
    device.advance(3);
    const auto& tracking = controller->trackingManager();
    EXPECT_EQ(controller->arStatus().heading, tracking.filteredHeading());
    EXPECT_EQ(controller->arStatus().pitch, tracking.filteredPitch());
    EXPECT_NEAR(controller->arStatus().heading, 80, 1e-6);
    // Frames before the first sample do not touch the radar; afterwards the filter runs.
    ASSERT_GT(source->inclinations.size(), 100u);
    EXPECT_NEAR(source->inclinations.front(), -0.5 * 0.14285714285714288 * 0.7392, 1e-12);
    EXPECT_NEAR(source->inclinations.back(), -0.5 * 0.7392, 1e-6);
    EXPECT_NEAR(ARViewController::radarInclination(), -0.5, 1e-6);
}

TEST_F(ARViewControllerTest, StartingTwiceLeavesOneDisplayLinkAndNoneHoldsTheController) {
    int frames = 0;
    struct CountingController : ARViewController {
        int* frames = nullptr;
        void displayTimerTick() override {
            ++*frames;
            ARViewController::displayTimerTick();
        }
    };
    auto counting = ARViewController::make<CountingController>();
    counting->frames = &frames;
    counting->startCameraAndTracking(true);
    counting->startCameraAndTracking(true);
    device.advance(1.0);
    EXPECT_NEAR(frames, 60, 1);
    counting->stopCameraAndTracking();
    EXPECT_FALSE(counting->isDisplayTimerRunning());
    device.advance(1.0);
    EXPECT_NEAR(frames, 60, 1);

    // Running, observing and tracking: the last owner still frees it.
    counting->startCameraAndTracking(true);
    std::weak_ptr<ARViewController> weak = counting;
    counting.reset();
    EXPECT_TRUE(weak.expired());
    device.advance(1.0);
    EXPECT_NEAR(frames, 60, 1);
    EXPECT_EQ(platformContext().notificationCenter().observerCount(kNotificationLocationSet), 1u);
}

// Notes each lifecycle call with what is running at that moment.
class LoggedController : public ARViewController {
  public:
    std::vector<std::string> log;
    void viewWillAppear(bool animated) override {
        ARViewController::viewWillAppear(animated);
        note("willAppear");
    }
    void viewDidAppear(bool animated) override {
        ARViewController::viewDidAppear(animated);
        note("didAppear");
    }
    void viewWillDisappear(bool animated) override {
        ARViewController::viewWillDisappear(animated);
        note("willDisappear");
    }
    void viewDidLayoutSubviews() override {
        const bool first = !didLayoutSubviews();
        ARViewController::viewDidLayoutSubviews();
        if (first) note("firstLayout");
    }
    void note(const std::string& what) {
        log.push_back(what + (isDisplayTimerRunning() ? " running" : " stopped") +
                      (trackingManager().tracking() ? " tracking" : ""));
    }
};

// A host screen in a window presenting the AR screen over the full screen.
struct Stage {
    SimPlatform device;
    SimSensors sensors;
    SimCamera camera;
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<ViewController> host = std::make_shared<ViewController>();
    std::shared_ptr<LoggedController> ar = ARViewController::make<LoggedController>();
    std::shared_ptr<CardSource> source = std::make_shared<CardSource>();

    Stage() {
        platformContext().console().startCapture();
        ar->setDataSource(source);
        window->setRootViewController(host);
        window->makeKeyAndVisible();
        device.runPending();
    }
    void present() {
        host->present(ar, false);
        device.runPending();
    }
    // A fix and a steady pose, played until the filters settle.
    void settle(double seconds = 2) {
        SensorScript script;
        script.fix(0.01, kUser);
        for (double t = 0; t < seconds; t += 0.05) {
            script.heading(t, 0, 0);
            script.acceleration(t, {0, -1, 0});
        }
        script.play(sensors);
        device.advance(seconds);
    }
    // The user location follows the accepted fix, as the main screen does.
    void followFixes() {
        ar->mutableArStatus().userLocation = Location(kUser.latitude, kUser.longitude);
    }
};

TEST(ARViewControllerScreen, RunsWhileOnScreenInTheLifecycleOrder) {
    Stage s;
    s.present();
    EXPECT_EQ(s.ar->log, (std::vector<std::string>{"willAppear running tracking",
                                                   "firstLayout running tracking",
                                                   "didAppear running tracking"}));
    EXPECT_TRUE(s.ar->didLayoutSubviews());
    EXPECT_EQ(s.ar->presenter()->frame(), s.ar->view()->bounds());
    EXPECT_TRUE(s.ar->arStatus().hFov > 0 && s.ar->arStatus().vPixelsPerDegree > 0);
    s.ar->log.clear();
    s.host->dismiss(false);
    s.device.runPending();
    EXPECT_EQ(s.ar->log, (std::vector<std::string>{"willDisappear stopped"}));
    EXPECT_TRUE(s.ar->didLayoutSubviews());  // never goes back
}

TEST(ARViewControllerScreen, BackgroundStopsAndClearsForegroundRestartsAndReloads) {
    for (const bool shown : {true, false}) {
        SCOPED_TRACE(shown ? "in a window" : "not in a window");
        Stage s;
        if (shown) {
            s.present();
        } else {
            s.ar->viewDidLayoutSubviews();  // laid out, but in no window
            s.ar->startCameraAndTracking(false);
        }
        s.followFixes();
        s.ar->setAnnotations({place(kUser.latitude + 0.001, kUser.longitude),
                              place(kUser.latitude, kUser.longitude + 0.001)});
        s.settle();
        EXPECT_EQ(s.ar->presenter()->subviews().size(), 2u);

        auto& app = platformContext().application();
        app.enterBackground();
        EXPECT_EQ(s.ar->isDisplayTimerRunning(), !shown);
        EXPECT_EQ(s.ar->presenter()->subviews().empty(), shown);
        EXPECT_EQ(s.ar->presenter()->annotations().empty(), shown);

        app.enterForeground();
        EXPECT_TRUE(s.ar->isDisplayTimerRunning());
        EXPECT_EQ(s.ar->trackingManager().tracking(), true);
        // The annotations are set again at once: the presenter rebuilds its cards.
        EXPECT_EQ(s.ar->presenter()->subviews().size(), 2u);
    }
}

std::vector<std::string> identifiers(const View& view) {
    std::vector<std::string> names;
    for (const auto& child : view.subviews()) names.push_back(child->identifier());
    return names;
}

TEST(ARViewControllerScreen, FirstLayoutPutsTheViewsInOrder) {
    struct Case {
        const char* name;
        UiOptions options;
        std::vector<std::string> order;
    };
    const Case cases[] = {
        {"defaults", {}, {"cameraView", "presenter", "closeButton"}},
        {"no close button", {.closeButtonEnabled = false}, {"cameraView", "presenter"}},
        {"every debug aid",
         {.debugMap = true, .simulatorDebugging = true, .debugLabel = true},
         {"cameraView", "presenter", "closeButton", "debugMapButton", "debugLabel",
          "crossHairHorizontal", "crossHairVertical", "debugHeadingSlider", "debugPitchSlider"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Stage s;
        s.ar->uiOptions = c.options;
        s.present();
        const auto root = s.ar->view();
        EXPECT_EQ(identifiers(*root), c.order);
        EXPECT_EQ(s.ar->cameraView()->subviews().front(), s.ar->cameraView()->imageview());
        EXPECT_EQ(s.ar->cameraView()->frame(), root->bounds());
        // A second layout pass adds nothing.
        root->setNeedsLayout();
        s.window->layoutIfNeededRecursively();
        EXPECT_EQ(identifiers(*root), c.order);
        // A new presenter goes directly above the camera view.
        s.ar->setPresenter(ARPresenter::create(std::weak_ptr<ARController>(s.ar)));
        EXPECT_EQ(root->subviews()[1], s.ar->presenter());
    }
    Stage s;
    s.ar->uiOptions = {.debugMap = true, .simulatorDebugging = true, .debugLabel = true};
    s.present();
    EXPECT_EQ(s.ar->closeButton()->frame(), (Rect{330, 5, 40, 40}));
    EXPECT_EQ(s.ar->closeButton()->currentImage()->name(), "ovin_close");
    EXPECT_EQ(s.ar->debugLabel()->frame(), (Rect{5, 812 - 55, 365, 40}));
    EXPECT_EQ(s.ar->debugHeadingSlider()->frame(), (Rect{20, 792, 335, 20}));
    // The pitch slider stands upright near the right edge.
    EXPECT_NEAR(s.ar->debugPitchSlider()->center().x, 355, 1e-9);
    EXPECT_NEAR(s.ar->debugPitchSlider()->center().y, 416, 1e-9);
    EXPECT_NEAR(s.ar->debugPitchSlider()->frame().height(), 772, 1e-9);
}

TEST(ARViewControllerScreen, SlidersDriveTheFrameStepAndTheLabelShowsIt) {
    Stage s;
    s.ar->uiOptions = {.simulatorDebugging = true, .debugLabel = true};
    s.present();
    EXPECT_EQ(s.ar->debugHeadingSlider()->value(), 1);
    s.ar->debugHeadingSlider()->setValue(-10);
    s.ar->debugPitchSlider()->setValue(-20);
    s.settle(3);
    const auto& tracking = s.ar->trackingManager();
    EXPECT_EQ(tracking.debugHeading(), 350);
    EXPECT_EQ(tracking.debugPitch(), -20);
    EXPECT_EQ(s.ar->arStatus().pitch, -20);
    EXPECT_NEAR(s.ar->arStatus().heading, 350, 1e-3);
    EXPECT_EQ(s.ar->debugLabel()->text(), "Heading: 350(350) -- Pitch: -20.000");

    // Without the option the label keeps its last text and the sensors rule again.
    s.ar->uiOptions.simulatorDebugging = false;
    s.ar->uiOptions.debugLabel = false;
    s.ar->trackingManager().setDebugHeading(std::nullopt);
    s.ar->trackingManager().setDebugPitch(std::nullopt);
    s.settle(3);
    EXPECT_EQ(s.ar->debugLabel()->text(), "Heading: 350(350) -- Pitch: -20.000");
    EXPECT_NEAR(angleDifference(s.ar->arStatus().heading, 0), 0, 1e-3);
}

TEST(ARViewControllerScreen, CloseButtonTapDismissesTheScreen) {
    Stage s;
    s.present();
    sim::TouchDriver finger(s.device, s.window);
    const auto result = finger.tap("closeButton");
    ASSERT_TRUE(result) << result.message;
    s.device.advance(1);
    EXPECT_EQ(s.host->presentedViewController(), nullptr);
    EXPECT_FALSE(s.ar->isDisplayTimerRunning());
    EXPECT_FALSE(isInWindow(*s.ar->view()));

    // The root screen has nobody to dismiss it: the tap does nothing.
    Stage root;
    root.window->setRootViewController(root.ar);
    root.device.advance(0.1);
    sim::TouchDriver rootFinger(root.device, root.window);
    ASSERT_TRUE(rootFinger.tap("closeButton"));
    root.device.advance(1);
    EXPECT_TRUE(isInWindow(*root.ar->view()));
}

TEST(ARViewControllerScreen, DebugMapAndDebugSquare) {
    Stage s;
    s.ar->uiOptions.debugMap = true;
    s.present();
    auto& console = platformContext().console();
    console.clear();
    s.ar->debugButtonTap();  // no debug map layout yet: one console line, nothing presented
    s.device.advance(0.5);
    EXPECT_EQ(console.lines().size(), 1u);
    EXPECT_EQ(s.ar->presentedViewController(), nullptr);

    s.ar->showDebugViewWithColor(Color{1, 0, 0, 1});
    const auto square = s.ar->view()->subviews().back();
    EXPECT_EQ(square->frame(), (Rect{375 - 80, 10, 30, 30}));
    s.device.advance(1.4);
    EXPECT_TRUE(square->hasSuperview());
    s.device.advance(0.2);
    EXPECT_FALSE(square->hasSuperview());
}

TEST(ARViewControllerScreen, FieldOfViewFromTheCameraOrTheScreen) {
    struct Case {
        const char* name;
        SimCameraSettings::Cameras cameras;
        Size screen;
        double hFov, vFov;
    };
    const double narrow =
        2 * std::atan(375.0 / 812 * std::tan(30 * kDegreesToRadians)) * kRadiansToDegrees;
    const double fallback = 2 * std::atan(375.0 / 812 * 0.554309051452769) * kRadiansToDegrees;
    const Case cases[] = {
        {"back camera of 60 degrees",
         SimCameraSettings::Cameras::backAndFront,
         {375, 812},
         narrow,
         60},
        {"square picture", SimCameraSettings::Cameras::backAndFront, {400, 400}, 60, 60},
        {"front camera only: 58 degrees",
         SimCameraSettings::Cameras::frontOnly,
         {375, 812},
         fallback,
         58},
        {"no camera", SimCameraSettings::Cameras::none, {375, 812}, fallback, 58},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Stage s;
        s.camera.settings().cameras = c.cameras;
        s.ar->view()->setFrame({{0, 0}, c.screen});
        s.present();
        s.ar->view()->setFrame({{0, 0}, c.screen});
        s.window->layoutIfNeededRecursively();
        const ARStatus& status = s.ar->arStatus();
        EXPECT_NEAR(status.hFov, c.hFov, 1e-9);
        EXPECT_NEAR(status.vFov, c.vFov, 1e-9);
        EXPECT_NEAR(status.hPixelsPerDegree, c.screen.width / c.hFov, 1e-9);
        EXPECT_EQ(ARViewController::isAllHardwareAvailable().has_value(),
                  c.cameras != SimCameraSettings::Cameras::backAndFront);
    }
    // Before the camera view has a size, the controller's view gives the picture area.
    SimPlatform device;
    auto ar = ARViewController::make();
    ar->view()->setFrame({0, 0, 300, 600});
    ar->calculateFovAndScale();
    EXPECT_NEAR(ar->arStatus().hPixelsPerDegree, 300 / ar->arStatus().hFov, 1e-9);
    EXPECT_NEAR(ar->arStatus().vPixelsPerDegree, 600 / 58.0, 1e-9);
}

TEST(ARViewControllerRules, DebugSliderHeadingAndLabelText) {
    const std::pair<double, double> headings[] = {
        {-10, 350}, {-180, 180}, {0, 0}, {180, 180}, {1, 1}, {359.5, 359.5}, {-0.25, 359.75}};
    for (const auto& [value, heading] : headings)
        EXPECT_EQ(ARViewController::debugHeadingForSliderValue(value), heading) << value;
    EXPECT_EQ(ARViewController::debugLabelText(349.6, 12.4, -3.14159),
              "Heading: 350(12) -- Pitch: -3.142");
}

}  // namespace
}  // namespace arquorel
