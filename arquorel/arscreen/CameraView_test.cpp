#include "arquorel/arscreen/CameraView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

#include "arquorel/platform/camera/CameraService.h"
#include "arquorel/platform/camera/CaptureSession.h"
#include "arquorel/platform/camera/PreviewLayer.h"
#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/drawing/ViewDescription.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimCamera.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

using Settings = sim::SimCameraSettings;
using Position = CaptureDevicePosition;

const std::string kFocusLine =
    "CameraView: Cannot lock the camera for configuration, its focus is left as it is.";

class CameraViewTest : public ::testing::Test {
  protected:
    CameraViewTest() { platformContext().console().startCapture(); }
    std::vector<std::string> console() {
        auto lines = platformContext().console().lines();
        platformContext().console().clear();
        return lines;
    }

    sim::SimPlatform device;
    sim::SimCamera camera;
};

// Each way the build can go: the device search, opening the camera, adding it to the
// session, and the focus setting that may or may not be applied.
TEST_F(CameraViewTest, CreateCaptureSessionReportsTheThreeErrors) {
    struct Case {
        const char* name;
        std::function<void(Settings&)> set;
        Position position;
        std::optional<int> error;
        bool session;  // a session comes back
        FocusMode focus;
        std::vector<std::string> lines;
    };
    const auto none = [](Settings&) {};
    const Case cases[] = {
        {"back camera", none, Position::back, {}, true, FocusMode::continuousAutoFocus, {}},
        {"front camera", none, Position::front, {}, true, FocusMode::continuousAutoFocus, {}},
        {"front only",
         [](Settings& s) { s.cameras = Settings::Cameras::frontOnly; },
         Position::back,
         10000,
         false,
         FocusMode::autoFocus,
         {}},
        {"no camera",
         [](Settings& s) { s.cameras = Settings::Cameras::none; },
         Position::front,
         10000,
         false,
         FocusMode::autoFocus,
         {}},
        {"input fails",
         [](Settings& s) { s.inputFails = true; },
         Position::back,
         10001,
         false,
         FocusMode::continuousAutoFocus,
         {}},
        {"access refused",
         [](Settings& s) { s.authorization = CameraAuthorizationStatus::denied; },
         Position::back,
         10001,
         false,
         FocusMode::continuousAutoFocus,
         {}},
        {"session refuses",
         [](Settings& s) { s.sessionRefusesInput = true; },
         Position::back,
         10002,
         true,
         FocusMode::continuousAutoFocus,
         {}},
        {"no continuous focus",
         [](Settings& s) { s.continuousAutoFocus = false; },
         Position::back,
         {},
         true,
         FocusMode::autoFocus,
         {}},
        {"focus lock fails",
         [](Settings& s) { s.focusLockFails = true; },
         Position::back,
         {},
         true,
         FocusMode::autoFocus,
         {kFocusLine}},
    };
    const std::map<int, std::string> messages = {{10000, "Back video device not found."},
                                                 {10001, "Error creating capture device input."},
                                                 {10002, "Error adding video input."}};
    for (const auto& c : cases) {
        sim::SimCamera fresh;  // devices with their initial focus
        c.set(fresh.settings());
        const auto result = CameraView::createCaptureSession(kMediaTypeVideo, c.position);
        EXPECT_EQ(result.session != nullptr, c.session) << c.name;
        EXPECT_EQ(result.error.has_value(), c.error.has_value()) << c.name;
        if (result.error) {
            EXPECT_EQ(*result.error,
                      (CameraView::Error{
                          "CameraView", *c.error, {{"description", messages.at(*c.error)}}}))
                << c.name;
            EXPECT_EQ(result.error->description(), messages.at(*c.error));
        }
        if (result.session) {
            EXPECT_FALSE(result.session->isRunning()) << c.name;
            // 10002 comes with a session that holds no input.
            EXPECT_EQ(result.session->inputs().size(), c.error ? 0u : 1u) << c.name;
        }
        const auto found = platformContext().camera().devices(
            {CaptureDeviceType::builtInWideAngleCamera}, kMediaTypeVideo, c.position);
        if (!found.empty()) {
            EXPECT_EQ(found[0]->focusMode(), c.focus) << c.name;
        }
        EXPECT_EQ(console(), c.lines) << c.name;
    }
    // A device without a camera service at all, and a media type no camera captures.
    platformContext().setCameraService(nullptr);
    EXPECT_EQ(CameraView::createCaptureSession(kMediaTypeVideo, Position::back).error->code, 10000);
    sim::SimCamera again;
    EXPECT_EQ(CameraView::createCaptureSession(kMediaTypeAudio, Position::back).error->code, 10000);
}

TEST_F(CameraViewTest, BuildsASessionPerSuperviewAndReleasesItWhenRemoved) {
    auto root = std::make_shared<View>(Rect{0, 0, 375, 812});
    auto other = std::make_shared<View>(Rect{0, 0, 375, 812});
    auto view = std::make_shared<CameraView>();
    EXPECT_EQ(view->mediaType(), kMediaTypeVideo);
    EXPECT_EQ(view->devicePosition(), Position::back);
    EXPECT_FALSE(view->captureSession() || view->videoPreviewLayer() || view->inputDevice());

    root->addSubview(view);
    auto first = view->captureSession();
    ASSERT_TRUE(first && view->videoPreviewLayer());
    EXPECT_EQ(view->videoPreviewLayer()->session(), first);
    EXPECT_EQ(view->videoPreviewLayer()->videoGravity(), kVideoGravityResizeAspectFill);
    EXPECT_FALSE(first->isRunning());  // started by the controller, not by the view
    EXPECT_EQ(view->inputDevice()->position(), Position::back);
    EXPECT_EQ(view->inputDevice()->activeFormat().videoFieldOfView, 60.0f);
    EXPECT_TRUE(view->needsLayout());
    view->setFrame({0, 0, 300, 400});
    view->layoutIfNeeded();
    EXPECT_EQ(view->videoPreviewLayer()->frame(), (Rect{0, 0, 300, 400}));
    view->startRunning();
    EXPECT_EQ(camera.runningSessionCount(), 1);

    // Moved to another superview: a fresh session; the first one stopped and released.
    view->setVideoGravity(kVideoGravityResizeAspect);
    EXPECT_EQ(view->videoPreviewLayer()->videoGravity(), kVideoGravityResizeAspectFill);
    other->addSubview(view);
    EXPECT_FALSE(first->isRunning());
    EXPECT_NE(view->captureSession(), first);
    EXPECT_EQ(view->videoPreviewLayer()->videoGravity(), kVideoGravityResizeAspect);
    EXPECT_EQ(camera.sessionsMade(), 2);
    std::weak_ptr<CaptureSession> second = view->captureSession();
    view->startRunning();

    view->removeFromSuperview();
    EXPECT_FALSE(view->captureSession() || view->videoPreviewLayer() || view->inputDevice());
    EXPECT_TRUE(second.expired());
    EXPECT_EQ(camera.runningSessionCount(), 0);
    EXPECT_TRUE(console().empty());
}

TEST_F(CameraViewTest, AFailedBuildWritesOneLineAndLeavesAViewThatDoesNothing) {
    for (auto set : std::vector<std::function<void(Settings&)>>{
             [](Settings& s) { s.cameras = Settings::Cameras::frontOnly; },
             [](Settings& s) { s.inputFails = true; },
             [](Settings& s) { s.sessionRefusesInput = true; }}) {
        sim::SimCamera failing;
        set(failing.settings());
        auto root = std::make_shared<View>(Rect{0, 0, 375, 812});
        auto view = std::make_shared<CameraView>();
        root->addSubview(view);
        EXPECT_EQ(console(), std::vector<std::string>{CameraView::kCannotCreateSessionLine});
        EXPECT_FALSE(view->captureSession() || view->videoPreviewLayer() || view->inputDevice());
        view->startRunning();
        view->setVideoOrientation(InterfaceOrientation::landscapeLeft);
        view->layoutIfNeeded();
        view->stopRunning();
        EXPECT_EQ(failing.runningSessionCount(), 0);
    }
}

TEST_F(CameraViewTest, VideoOrientationFollowsTheInterfaceOrientation) {
    auto root = std::make_shared<View>(Rect{0, 0, 375, 812});
    auto view = std::make_shared<CameraView>();
    root->addSubview(view);
    CaptureConnection* connection = view->videoPreviewLayer()->connection();
    ASSERT_NE(connection, nullptr);
    const std::pair<InterfaceOrientation, VideoOrientation> cases[] = {
        {InterfaceOrientation::landscapeLeft, VideoOrientation::landscapeLeft},
        {InterfaceOrientation::unknown, VideoOrientation::landscapeLeft},  // ignored
        {InterfaceOrientation::landscapeRight, VideoOrientation::landscapeRight},
        {InterfaceOrientation::portraitUpsideDown, VideoOrientation::portraitUpsideDown},
        {InterfaceOrientation::portrait, VideoOrientation::portrait},
    };
    for (const auto& [interface, video] : cases) {
        view->setVideoOrientation(interface);
        EXPECT_EQ(connection->videoOrientation(), video) << static_cast<int>(interface);
    }
    connection->setVideoOrientationSupported(false);
    view->setVideoOrientation(InterfaceOrientation::landscapeLeft);
    EXPECT_EQ(connection->videoOrientation(), VideoOrientation::portrait);
}

// Asking for camera access: decided answers come on the next turn of the main loop; an
// undecided one shows a prompt, answered once for every request made while it is shown.
TEST_F(CameraViewTest, AuthorisationRequestsAndThePrompt) {
    auto& service = platformContext().camera();
    std::vector<std::pair<double, bool>> answers;
    const double t0 = device.now();
    const auto ask = [&] {
        service.requestAccess(kMediaTypeVideo, [&](bool granted) {
            answers.emplace_back(device.now() - t0, granted);
        });
    };
    ask();
    EXPECT_TRUE(answers.empty());
    device.runPending();
    EXPECT_EQ(answers, (std::vector<std::pair<double, bool>>{{0, true}}));

    answers.clear();
    camera.settings().authorization = CameraAuthorizationStatus::notDetermined;
    camera.settings().promptAnswer = false;
    camera.settings().promptDelay = 2;
    ask();
    device.advance(1);
    ask();
    EXPECT_TRUE(camera.isPromptShown());
    device.advance(1.5);
    EXPECT_EQ(answers, (std::vector<std::pair<double, bool>>{{2, false}, {2, false}}));
    EXPECT_EQ(service.authorizationStatus(kMediaTypeVideo), CameraAuthorizationStatus::denied);
    EXPECT_EQ(CameraView::createCaptureSession(kMediaTypeVideo, Position::back).error->code, 10001);
    ask();
    device.runPending();
    EXPECT_EQ(answers.back(), std::pair(2.5, false));

    // A user who never answers, then one who answers by hand.
    answers.clear();
    camera.settings().authorization = CameraAuthorizationStatus::notDetermined;
    camera.settings().promptAnswer.reset();
    ask();
    device.advance(60);
    EXPECT_TRUE(answers.empty());
    EXPECT_TRUE(camera.answerPrompt(true));
    EXPECT_FALSE(camera.answerPrompt(true));
    EXPECT_EQ(answers.size(), 1u);
    EXPECT_TRUE(answers[0].second);
    EXPECT_EQ(camera.accessRequestCount(), 5);
}

// The preview shows the synthetic picture while the session runs with camera access: sky above
// the horizon, ground below it, and N/E/S/W over the ticks at their bearings.
TEST_F(CameraViewTest, PreviewDrawsThePictureOfThePose) {
    auto root = std::make_shared<View>(Rect{0, 0, 375, 812});
    auto view = std::make_shared<CameraView>(Rect{0, 0, 375, 812});
    root->addSubview(view);
    view->layoutIfNeeded();
    sim::CameraPose pose{80, 10};
    camera.setPoseProvider([&] { return pose; });
    const auto draw = [&] {
        DisplayList list;
        view->draw(list);
        return list;
    };
    const auto describeView = [&] {
        ViewDescription d;
        view->describe(d);
        return d.entries.at(0).second;
    };
    const auto isBlack = [](const DisplayList& list) {
        return std::any_of(list.steps().begin(), list.steps().end(), [](const DrawStep& s) {
            auto fill = std::get_if<step::Fill>(&s);
            return fill && fill->color == Color::black();
        });
    };
    EXPECT_TRUE(isBlack(draw()));  // not running yet
    EXPECT_EQ(describeView(), "back, stopped");
    view->startRunning();
    EXPECT_EQ(describeView(), "back, running");

    const double ppd = 812 / 60.0;  // the camera's 60 degrees run along the long side
    for (double pitch : {10.0, -20.0}) {
        pose.pitch = pitch;
        const DisplayList list = draw();
        EXPECT_FALSE(isBlack(list));
        std::vector<Rect> areas;
        std::map<std::string, double> labels;  // label -> its centre
        for (const auto& s : list.steps()) {
            if (auto g = std::get_if<step::FillGradient>(&s)) areas.push_back(g->area.bounds());
            if (auto t = std::get_if<step::DrawText>(&s))
                labels[t->layout->lines().at(0).text] = t->origin.x + t->layout->size().width / 2;
        }
        const double horizon = 406 + pitch * ppd;
        ASSERT_EQ(areas.size(), 2u);
        EXPECT_NEAR(areas[0].height(), horizon, 1e-9);  // sky
        EXPECT_NEAR(areas[1].y(), horizon, 1e-9);       // ground
        const double hppd = 375 / (2 * std::atan(375.0 / 812 * std::tan(M_PI / 6)) * 180 / M_PI);
        ASSERT_EQ(labels.size(), 1u);
        EXPECT_NEAR(labels.at("E"), 187.5 + 10 * hppd, 1e-6);  // 10 degrees right of 80
    }

    // Refused access shows nothing, and a view without a session draws nothing at all.
    camera.settings().authorization = CameraAuthorizationStatus::denied;
    EXPECT_TRUE(isBlack(draw()));
    view->removeFromSuperview();
    EXPECT_TRUE(draw().steps().empty());
    EXPECT_EQ(describeView(), "none");
}

}  // namespace
}  // namespace arquorel
