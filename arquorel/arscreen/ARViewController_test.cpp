#include "arquorel/arscreen/ARViewController.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arquorel/platform/camera/PreviewLayer.h"
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

using sim::SimCameraSettings;
using R = ReloadType;
using Log = std::vector<std::string>;

constexpr Coordinate kUser{43.7393682, 7.4272085};

// Records the reloads handed to it, with the distance of the first annotation at that moment.
class RecordingPresenter : public ARPresenter {
  public:
    explicit RecordingPresenter(std::weak_ptr<ARController> c) : ARPresenter(std::move(c)) {}
    std::vector<R> reloads;
    std::vector<double> firstDistance;
    void reload(const AnnotationList& annotations, R type) override {
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
    void updateRadar(ARController&, double value) override { inclinations.push_back(value); }
};

// Notes each lifecycle call and whether the frame loop and the tracking run at that moment.
class LoggedController : public ARViewController {
  public:
    Log log;
    int frames = 0;
    void viewWillAppear(bool a) override {
        ARViewController::viewWillAppear(a), note("willAppear");
    }
    void viewDidAppear(bool a) override { ARViewController::viewDidAppear(a), note("didAppear"); }
    void viewWillDisappear(bool a) override {
        ARViewController::viewWillDisappear(a), note("willDisappear");
    }
    void viewDidLayoutSubviews() override {
        const bool first = !didLayoutSubviews();
        ARViewController::viewDidLayoutSubviews();
        if (first) note("firstLayout");
    }
    void displayTimerTick() override { ++frames, ARViewController::displayTimerTick(); }
    void note(const std::string& what) {
        log.push_back(what + (isDisplayTimerRunning() ? " running" : " stopped") +
                      (trackingManager().tracking() ? " tracking" : ""));
    }
};

std::shared_ptr<ARAnnotation> place(double lat, double lng) {
    return ARAnnotation::create(std::string("p"), std::string("p"), Location(lat, lng));
}

// A window with a host screen; the AR screen is presented over it or used on its own.
struct Stage {
    sim::SimPlatform device;
    sim::SimSensors sensors;
    sim::SimCamera camera;
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<ViewController> host = std::make_shared<ViewController>();
    std::shared_ptr<LoggedController> ar = ARViewController::make<LoggedController>();
    std::shared_ptr<RecordingPresenter> presenter = std::make_shared<RecordingPresenter>(ar);
    std::shared_ptr<CardSource> source = std::make_shared<CardSource>();

    Stage() {
        ARViewController::resetRadarInclination();
        platformContext().console().startCapture();
        ar->setDataSource(source);
        presenter->setFrame({0, 0, 375, 812});
        ar->setPresenter(presenter);
        window->setRootViewController(host);
        window->makeKeyAndVisible();
        device.runPending();
    }
    void present() {
        host->present(ar, false);
        device.runPending();
    }
    // The geometry of a 375 x 812 portrait screen without a camera, and the user location.
    void makeReady() {
        applyFieldOfView(ar->mutableArStatus(),
                         fieldOfView({375, 812}, false, std::nullopt, {375, 812}));
        ar->mutableArStatus().userLocation = Location(kUser.latitude, kUser.longitude);
    }
    // A fix, heading `heading` and the phone upright, played for `seconds`.
    void settle(double seconds = 2, double heading = 0, double z = 0) {
        sim::SensorScript script;
        script.fix(0.01, kUser);
        for (double t = 0; t < seconds; t += 0.05)
            script.heading(t, heading, heading).acceleration(t, {0, -1, z});
        script.play(sensors);
        device.advance(seconds);
    }
};

TEST(ARViewControllerTest, ReloadsWaitMergedByRankUntilTheStatusIsReady) {
    struct Case {
        bool setAnnotations;  // requests annotationsChanged
        std::vector<R> beforeReady;
        R firstReady;
        R carriedOut;
    };
    // A swipe outranks later headings; new annotations wait for the first frame; the strongest
    // of several; a stronger request once ready; nothing waiting.
    const Case cases[] = {
        {false, {R::swipe, R::headingChanged}, R::headingChanged, R::swipe},
        {true, {R::headingChanged}, R::headingChanged, R::annotationsChanged},
        {false,
         {R::userLocationChanged, R::reloadLocationChanged, R::userLocationChanged},
         R::headingChanged,
         R::reloadLocationChanged},
        {false, {R::userLocationChanged}, R::swipe, R::swipe},
        {false, {}, R::userLocationChanged, R::userLocationChanged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        Stage s;
        auto north = place(kUser.latitude + 0.001, kUser.longitude);
        if (c.setAnnotations) s.ar->setAnnotations({north});
        for (R r : c.beforeReady) s.ar->reload(r);
        EXPECT_TRUE(s.presenter->reloads.empty());
        s.makeReady();
        s.ar->reload(c.firstReady);
        ASSERT_EQ(s.presenter->reloads.size(), 1u);
        EXPECT_STREQ(toString(s.presenter->reloads[0]), toString(c.carriedOut));
        EXPECT_FALSE(s.ar->pendingHighestRankingReload());
        // Distances were computed before the presenter saw the new annotations.
        if (c.setAnnotations) {
            EXPECT_NEAR(s.presenter->firstDistance[0], 111.1, 0.1);
        }
    }
}

TEST(ARViewControllerTest, WhenReadyEachRequestRunsAtOnceAndOnlySomeRecomputeDistances) {
    Stage s;
    s.makeReady();
    auto north = place(kUser.latitude + 0.001, kUser.longitude);
    s.ar->setAnnotations({north});
    for (R type : {R::headingChanged, R::swipe, R::userLocationChanged, R::reloadLocationChanged,
                   R::annotationsChanged}) {
        north->setAzimuth(-5);
        s.ar->reload(type);
        EXPECT_EQ(s.presenter->reloads.back(), type);
        EXPECT_EQ(north->azimuth() != -5, type != R::headingChanged && type != R::swipe);
    }
}

TEST(ARViewControllerTest, DistanceAndAzimuthPassesAndTheCentreOption) {
    Stage s;
    s.makeReady();
    auto north = place(kUser.latitude + 0.002, kUser.longitude);
    auto west = place(kUser.latitude, kUser.longitude - 0.001);
    auto east = place(kUser.latitude, kUser.longitude + 0.003);
    s.ar->setAnnotations({east, north, west});
    EXPECT_EQ(s.ar->getAnnotations(), (ARViewController::AnnotationList{west, north, east}));
    EXPECT_EQ(north->azimuth(), 0);
    EXPECT_NEAR(west->azimuth(), 270, 0.01);
    EXPECT_NEAR(east->azimuth(), 90, 0.01);
    // The nearest card is in front.
    EXPECT_EQ(s.presenter->subviews().back(), west->annotationView());

    // The centre option: an empty list keeps the location and still asks for a reload.
    s.ar->uiOptions.setUserLocationToCenterOfAnnotations = true;
    s.ar->setAnnotations({});
    EXPECT_EQ(s.ar->arStatus().userLocation->coordinate, kUser);
    EXPECT_EQ(s.presenter->reloads.back(), R::annotationsChanged);
    s.ar->setAnnotations({place(10, 20), place(12, 24)});
    EXPECT_EQ(s.ar->arStatus().userLocation->coordinate, (Coordinate{11, 22}));

    // Without a user location both passes leave everything alone.
    s.ar->mutableArStatus().userLocation.reset();
    north->setAzimuth(-1);
    s.ar->reload(R::userLocationChanged);
    EXPECT_EQ(north->azimuth(), -1);
}

TEST(ARViewControllerTest, FailureCallbackAndLocationNotification) {
    Stage s;
    std::vector<std::pair<double, bool>> calls;
    s.ar->onDidFailToFindLocation = [&](double t, bool had) { calls.emplace_back(t, had); };
    s.ar->startCameraAndTracking(true);  // reports 0 s at once
    s.device.advance(5.01);
    s.ar->lastLocation = Location(1, 2);
    s.device.advance(5);
    EXPECT_EQ(calls, (std::vector<std::pair<double, bool>>{{0, false}, {5, false}, {10, true}}));

    s.makeReady();
    auto& center = platformContext().notificationCenter();
    center.post(kNotificationLocationSet, nullptr, {{"other", Location(1, 2)}});
    center.post(kNotificationLocationSet, nullptr, {{kLocationUserInfoKey, std::string("x")}});
    EXPECT_TRUE(s.presenter->reloads.empty());
    center.post(kNotificationLocationSet, nullptr, {{kLocationUserInfoKey, Location(1, 2)}});
    EXPECT_EQ(s.presenter->reloads, std::vector<R>{R::reloadLocationChanged});
}

TEST(ARViewControllerTest, FrameStepCopiesTheFilteredValuesAndFeedsTheRadar) {
    Stage s;
    s.makeReady();
    s.ar->startCameraAndTracking(false);
    s.settle(3, 80, -0.5);
    const auto& tracking = s.ar->trackingManager();
    EXPECT_EQ(s.ar->arStatus().heading, tracking.filteredHeading());
    EXPECT_EQ(s.ar->arStatus().pitch, tracking.filteredPitch());
    EXPECT_NEAR(s.ar->arStatus().heading, 80, 1e-6);
    // Frames before the first sample leave the radar alone; then the filter runs.
    ASSERT_GT(s.source->inclinations.size(), 100u);
    EXPECT_NEAR(s.source->inclinations.front(), -0.5 * 0.14285714285714288 * 0.7392, 1e-12);
    EXPECT_NEAR(s.source->inclinations.back(), -0.5 * 0.7392, 1e-6);
    EXPECT_NEAR(ARViewController::radarInclination(), -0.5, 1e-6);
}

TEST(ARViewControllerTest, StartingTwiceLeavesOneDisplayLinkAndNothingHoldsTheController) {
    Stage s;
    s.ar->startCameraAndTracking(true);
    s.ar->startCameraAndTracking(true);
    s.device.advance(1.0);
    EXPECT_NEAR(s.ar->frames, 60, 1);
    s.ar->stopCameraAndTracking();
    s.device.advance(1.0);
    EXPECT_NEAR(s.ar->frames, 60, 1);

    // Running, observing, tracking and laid out with its buttons: the last owner frees it.
    auto other = ARViewController::make<LoggedController>();
    other->viewDidLayoutSubviews();
    other->startCameraAndTracking(true);
    const std::weak_ptr<ARViewController> weak = other;
    other.reset();
    EXPECT_TRUE(weak.expired());
    s.device.advance(1.0);
    EXPECT_EQ(platformContext().notificationCenter().observerCount(kNotificationLocationSet), 1u);
}

TEST(ARViewControllerScreen, LifecycleBackgroundAndForeground) {
    for (const bool shown : {true, false}) {
        SCOPED_TRACE(shown ? "in a window" : "not in a window");
        Stage s;
        if (shown) {
            s.present();
            EXPECT_EQ(s.ar->log, (Log{"willAppear running tracking", "firstLayout running tracking",
                                      "didAppear running tracking"}));
        } else {
            s.ar->viewDidLayoutSubviews();  // laid out, but in no window
            s.ar->startCameraAndTracking(false);
        }
        s.makeReady();
        s.ar->setAnnotations({place(kUser.latitude + 0.001, kUser.longitude),
                              place(kUser.latitude, kUser.longitude + 0.001)});
        s.settle();
        EXPECT_EQ(s.presenter->subviews().size(), 2u);
        auto& app = platformContext().application();
        app.enterBackground();
        EXPECT_EQ(s.ar->isDisplayTimerRunning(), !shown);
        EXPECT_EQ(s.presenter->subviews().empty(), shown);
        app.enterForeground();  // the annotations are set again: the cards come back at once
        EXPECT_TRUE(s.ar->isDisplayTimerRunning() && s.ar->trackingManager().tracking());
        EXPECT_EQ(s.presenter->subviews().size(), 2u);
        if (!shown) continue;
        s.ar->log.clear();
        s.host->dismiss(false);
        s.device.runPending();
        EXPECT_EQ(s.ar->log, Log{"willDisappear stopped"});
        EXPECT_TRUE(s.ar->didLayoutSubviews());  // never goes back
    }
}

std::vector<std::string> identifiers(const View& view) {
    std::vector<std::string> names;
    for (const auto& child : view.subviews()) names.push_back(child->identifier());
    return names;
}

// The frames of the buttons, label and sliders are pinned by the screen's golden view tree.
TEST(ARViewControllerScreen, FirstLayoutPutsTheViewsInOrder) {
    const std::pair<UiOptions, std::vector<std::string>> cases[] = {
        {{}, {"cameraView", "presenter", "closeButton"}},
        {{.closeButtonEnabled = false}, {"cameraView", "presenter"}},
        {{.debugMap = true, .simulatorDebugging = true, .debugLabel = true},
         {"cameraView", "presenter", "closeButton", "debugMapButton", "debugLabel",
          "crossHairHorizontal", "crossHairVertical", "debugHeadingSlider", "debugPitchSlider"}},
    };
    for (const auto& [options, order] : cases) {
        Stage s;
        s.ar->uiOptions = options;
        s.present();
        const auto root = s.ar->view();
        EXPECT_EQ(identifiers(*root), order);
        EXPECT_EQ(s.ar->cameraView()->subviews().front(), s.ar->cameraView()->imageview());
        // A new presenter goes directly above the camera view.
        s.ar->setPresenter(ARPresenter::create(std::weak_ptr<ARController>(s.ar)));
        EXPECT_EQ(root->subviews()[1], s.ar->presenter());
    }
}

TEST(ARViewControllerScreen, SlidersDriveTheFrameStepAndTheLabelShowsIt) {
    Stage s;
    s.ar->uiOptions = {.simulatorDebugging = true, .debugLabel = true};
    s.present();
    EXPECT_EQ(s.ar->debugHeadingSlider()->value(), 1);
    s.ar->debugHeadingSlider()->setValue(-10);
    s.ar->debugPitchSlider()->setValue(-20);
    s.settle(3);
    EXPECT_EQ(s.ar->trackingManager().debugHeading(), 350);
    EXPECT_EQ(s.ar->arStatus().pitch, -20);
    EXPECT_NEAR(s.ar->arStatus().heading, 350, 1e-3);
    EXPECT_EQ(s.ar->debugLabel()->text(), "Heading: 350(350) -- Pitch: -20.000");
    // Sliders switched off at run time: the label keeps its text and the sensors rule again.
    s.ar->uiOptions = {};
    s.settle(3, 40);
    EXPECT_EQ(s.ar->debugLabel()->text(), "Heading: 350(350) -- Pitch: -20.000");
    EXPECT_FALSE(s.ar->trackingManager().debugHeading() || s.ar->trackingManager().debugPitch());
    EXPECT_NEAR(angleDifference(s.ar->arStatus().heading, 40), 0, 1e-3);
    EXPECT_NEAR(s.ar->arStatus().pitch, 0, 1e-3);
    // The tracking manager's log lines go to the label when there is one.
    s.ar->logText("fix accepted");
    EXPECT_EQ(s.ar->debugLabel()->text(), "fix accepted");
    Stage plain;
    plain.present();
    plain.ar->logText("nowhere to show it");  // no label: nothing happens
    EXPECT_EQ(plain.ar->debugLabel(), nullptr);
}

// Turning the phone lays the screen out again: the picture, the field of view and the cards
// all follow the new orientation at once, and back.
TEST(ARViewControllerScreen, RotatingThePhoneTurnsThePictureWithTheFieldOfView) {
    Stage s;
    s.present();
    s.makeReady();
    s.ar->setAnnotations({place(kUser.latitude + 0.0005, kUser.longitude)});
    s.settle();
    const auto orientation = [&] {
        return s.ar->cameraView()->videoPreviewLayer()->connection()->videoOrientation();
    };
    ASSERT_EQ(orientation(), VideoOrientation::portrait);
    s.ar->view()->setNeedsLayout();
    s.window->layoutIfNeededRecursively();
    const double portraitFov = s.ar->arStatus().hFov;
    // Where the card rests: points off the middle of the screen, and its share of the height.
    const auto card = [&] {
        const auto& view = dynamic_cast<ARAnnotationView&>(*s.presenter->subviews().at(0));
        const Rect screen = s.ar->view()->bounds();
        return Point{view.arZeroPoint.x - screen.width() / 2, view.arZeroPoint.y / screen.height()};
    };
    const Point ahead = card();
    struct Case {
        InterfaceOrientation turn;
        VideoOrientation picture;
        bool landscape;
    };
    for (const Case& c :
         {Case{InterfaceOrientation::landscapeLeft, VideoOrientation::landscapeLeft, true},
          Case{InterfaceOrientation::landscapeRight, VideoOrientation::landscapeRight, true},
          Case{InterfaceOrientation::portrait, VideoOrientation::portrait, false}}) {
        ASSERT_TRUE(s.window->rotate(c.turn));
        s.settle(1);
        EXPECT_EQ(orientation(), c.picture);
        const Rect screen = s.ar->view()->bounds();
        EXPECT_EQ(screen.width() > screen.height(), c.landscape);
        EXPECT_EQ(s.ar->arStatus().hFov > portraitFov + 1, c.landscape);
        EXPECT_EQ(s.ar->cameraView()->frame(), screen);
        EXPECT_EQ(s.presenter->frame(), screen);
        // The card keeps its place from the middle and its share of the height.
        ASSERT_EQ(s.presenter->subviews().size(), 1u);
        EXPECT_NEAR(card().x, ahead.x, 1e-9);
        EXPECT_NEAR(card().y, ahead.y, 1e-9);
        const Rect shown = s.presenter->subviews()[0]->frame();
        EXPECT_TRUE(shown.minX() < screen.width() / 2 && shown.maxX() > screen.width() / 2);
    }
}

TEST(ARViewControllerScreen, CloseButtonDebugMapAndDebugSquare) {
    Stage s;
    s.present();
    s.ar->showDebugViewWithColor(Color{1, 0, 0, 1});
    const auto square = s.ar->view()->subviews().back();
    EXPECT_EQ(square->frame(), (Rect{375 - 80, 10, 30, 30}));
    s.device.advance(1.49);
    EXPECT_TRUE(square->hasSuperview());
    s.device.advance(0.02);
    EXPECT_FALSE(square->hasSuperview());
    sim::TouchDriver finger(s.device, s.window);
    const auto result = finger.tap("closeButton");
    ASSERT_TRUE(result) << result.message;
    s.device.advance(1);
    EXPECT_EQ(s.host->presentedViewController(), nullptr);
    EXPECT_FALSE(s.ar->isDisplayTimerRunning());
}

TEST(ARViewControllerScreen, FieldOfViewFromTheCameraOrTheScreen) {
    const double tall = 2 * std::atan(375.0 / 812 * std::tan(30 * kDegreesToRadians));
    const double fallback = 2 * std::atan(375.0 / 812 * 0.554309051452769);
    struct Case {
        SimCameraSettings::Cameras cameras;
        Size screen;
        double hFov, vFov;
    };
    const Case cases[] = {
        {SimCameraSettings::Cameras::backAndFront, {375, 812}, tall * kRadiansToDegrees, 60},
        {SimCameraSettings::Cameras::backAndFront, {400, 400}, 60, 60},  // a square picture
        {SimCameraSettings::Cameras::frontOnly, {375, 812}, fallback * kRadiansToDegrees, 58},
        {SimCameraSettings::Cameras::none, {375, 812}, fallback * kRadiansToDegrees, 58},
    };
    for (const auto& c : cases) {
        Stage s;
        s.camera.settings().cameras = c.cameras;
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
    sim::SimPlatform device;
    auto ar = ARViewController::make();
    ar->view()->setFrame({0, 0, 300, 600});
    ar->calculateFovAndScale();
    EXPECT_NEAR(ar->arStatus().vPixelsPerDegree, 600 / 58.0, 1e-9);
}

TEST(ARViewControllerTest, TeardownInAnyOrderAfterTheDeviceIsGone) {
    // A host that keeps the screen in a global, or declares its window before the device: the
    // device goes first, then the screen and the window in either order.
    for (const bool controllerFirst : {true, false}) {
        SCOPED_TRACE(controllerFirst);
        std::shared_ptr<Window> window;
        std::shared_ptr<LoggedController> ar;
        {
            Stage s;
            s.makeReady();
            s.present();
            s.settle(1);
            ASSERT_TRUE(s.ar->isDisplayTimerRunning());
            window = s.window;
            ar = s.ar;
        }
        if (controllerFirst) ar.reset();
        window.reset();
        ar.reset();
        // A later device starts clean: nobody observes its notifications.
        sim::SimPlatform next;
        auto& center = platformContext().notificationCenter();
        for (const char* name : {kApplicationDidEnterBackground, kApplicationWillEnterForeground,
                                 kNotificationLocationSet, kDeviceOrientationDidChange})
            EXPECT_EQ(center.observerCount(name), 0u) << name;
        center.post(kApplicationDidEnterBackground);
    }
}

TEST(ARViewControllerRules, DebugSliderHeading) {
    const std::pair<double, double> headings[] = {
        {-10, 350}, {-180, 180}, {0, 0}, {180, 180}, {1, 1}, {359.5, 359.5}, {-0.25, 359.75}};
    for (const auto& [value, heading] : headings)
        EXPECT_EQ(ARViewController::debugHeadingForSliderValue(value), heading) << value;
}

}  // namespace
}  // namespace arquorel
