#include "arquorel/arscreen/CameraView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "arquorel/platform/camera/CameraService.h"
#include "arquorel/platform/camera/CaptureSession.h"
#include "arquorel/platform/camera/PreviewLayer.h"
#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/drawing/cairo/CairoCanvas.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimCamera.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

using Settings = sim::SimCameraSettings;
using Cameras = Settings::Cameras;
using Position = CaptureDevicePosition;
using Access = CameraAuthorizationStatus;

std::string formatRect(const Rect& r) {
    char text[80];
    std::snprintf(text, sizeof text, "%.1f,%.1f,%.1f,%.1f", r.x(), r.y(), r.width(), r.height());
    return text;
}

class CameraViewTest : public ::testing::Test {
  protected:
    CameraViewTest() { platformContext().console().startCapture(); }
    std::vector<std::string> console() {
        auto lines = platformContext().console().lines();
        platformContext().console().clear();
        return lines;
    }
    // A camera view put into a window-sized root view.
    std::shared_ptr<CameraView> shown() {
        auto view = std::make_shared<CameraView>(Rect{0, 0, 375, 812});
        root->addSubview(view);
        return view;
    }
    std::string describe(const View& v) { return v.descriptionEntries().at(0).second; }

    sim::SimPlatform device;
    sim::SimCamera camera;
    std::shared_ptr<View> root = std::make_shared<View>(Rect{0, 0, 375, 812});
};

// Each way a build can go: finding the camera, opening it, adding it to the session, and the
// focus setting, which is skipped (with one line) when the camera cannot be locked.
TEST_F(CameraViewTest, CreateCaptureSessionReportsTheThreeErrors) {
    const char* const kMessages[] = {"Back video device not found.",
                                     "Error creating capture device input.",
                                     "Error adding video input."};
    struct Case {
        Settings settings;
        Position position;
        int error;     // 0 for none
        bool session;  // a session comes back (without an input for 10002)
        FocusMode focus;
    };
    const auto continuous = FocusMode::continuousAutoFocus, fixed = FocusMode::autoFocus;
    const Case cases[] = {
        {{}, Position::back, 0, true, continuous},
        {{}, Position::front, 0, true, continuous},
        {{.cameras = Cameras::frontOnly}, Position::back, 10000, false, fixed},
        {{.cameras = Cameras::none}, Position::front, 10000, false, fixed},
        {{.inputFails = true}, Position::back, 10001, false, continuous},
        {{.authorization = Access::denied}, Position::back, 10001, false, continuous},
        {{.sessionRefusesInput = true}, Position::back, 10002, true, continuous},
        {{.continuousAutoFocus = false}, Position::back, 0, true, fixed},
        {{.focusLockFails = true}, Position::back, 0, true, fixed},
    };
    for (const auto& c : cases) {
        sim::SimCamera fresh;  // cameras with their initial focus
        fresh.settings() = c.settings;
        const auto result = CameraView::createCaptureSession(kMediaTypeVideo, c.position);
        const std::string name = std::to_string(&c - cases);
        ASSERT_EQ(result.session != nullptr, c.session) << name;
        std::optional<CameraView::Error> error;
        if (c.error) error = {"CameraView", c.error, {{"description", kMessages[c.error - 10000]}}};
        EXPECT_EQ(result.error, error) << name;
        if (result.session) {
            EXPECT_FALSE(result.session->isRunning()) << name;
            EXPECT_EQ(result.session->inputs().size(), c.error ? 0u : 1u) << name;
        }
        const auto found = platformContext().camera().devices(
            {CaptureDeviceType::builtInWideAngleCamera}, kMediaTypeVideo, c.position);
        if (!found.empty()) {
            EXPECT_EQ(found[0]->focusMode(), c.focus) << name;
        }
        EXPECT_EQ(console().size(), c.settings.focusLockFails ? 1u : 0u) << name;
    }
    // No camera service at all, and a media type no camera captures.
    platformContext().setCameraService(nullptr);
    EXPECT_EQ(CameraView::createCaptureSession(kMediaTypeVideo, Position::back).error->code, 10000);
    sim::SimCamera again;
    EXPECT_EQ(CameraView::createCaptureSession(kMediaTypeAudio, Position::back).error->code, 10000);
}

TEST_F(CameraViewTest, BuildsASessionPerSuperviewAndReleasesItWhenRemoved) {
    auto view = std::make_shared<CameraView>();
    EXPECT_EQ(view->devicePosition(), Position::back);
    EXPECT_FALSE(view->captureSession() || view->videoPreviewLayer() || view->inputDevice());
    root->addSubview(view);
    auto first = view->captureSession();
    ASSERT_TRUE(first && view->videoPreviewLayer());
    EXPECT_EQ(view->videoPreviewLayer()->session(), first);
    EXPECT_EQ(view->videoPreviewLayer()->videoGravity(), kVideoGravityResizeAspectFill);
    EXPECT_FALSE(first->isRunning());  // the controller starts it
    EXPECT_EQ(view->inputDevice()->activeFormat().videoFieldOfView, 60.0f);
    view->setFrame({0, 0, 300, 400});
    view->layoutIfNeeded();
    EXPECT_EQ(view->videoPreviewLayer()->frame(), (Rect{0, 0, 300, 400}));
    view->startRunning();

    // The picture turns with the interface, when its connection supports it.
    CaptureConnection* connection = view->videoPreviewLayer()->connection();
    for (auto o : {InterfaceOrientation::landscapeLeft, InterfaceOrientation::unknown}) {
        view->setVideoOrientation(o);
        EXPECT_EQ(connection->videoOrientation(), VideoOrientation::landscapeLeft);
    }
    connection->setVideoOrientationSupported(false);
    view->setVideoOrientation(InterfaceOrientation::portrait);
    EXPECT_EQ(connection->videoOrientation(), VideoOrientation::landscapeLeft);

    // Another superview: a fresh session with the new gravity; the first stopped and released.
    view->setVideoGravity(kVideoGravityResizeAspect);
    EXPECT_EQ(view->videoPreviewLayer()->videoGravity(), kVideoGravityResizeAspectFill);
    auto other = std::make_shared<View>();
    other->addSubview(view);
    EXPECT_FALSE(first->isRunning());
    EXPECT_NE(view->captureSession(), first);
    EXPECT_EQ(view->videoPreviewLayer()->videoGravity(), kVideoGravityResizeAspect);
    std::weak_ptr<CaptureSession> second = view->captureSession();
    view->startRunning();
    view->removeFromSuperview();
    EXPECT_FALSE(view->captureSession() || view->videoPreviewLayer() || view->inputDevice());
    EXPECT_TRUE(second.expired());
    EXPECT_EQ(camera.sessionsMade(), 2);
    EXPECT_EQ(camera.runningSessionCount(), 0);
    EXPECT_TRUE(console().empty());
}

TEST_F(CameraViewTest, AFailedBuildWritesOneLineAndLeavesAViewThatDoesNothing) {
    for (Settings settings : {Settings{.cameras = Cameras::frontOnly}, Settings{.inputFails = true},
                              Settings{.sessionRefusesInput = true}}) {
        camera.settings() = settings;
        auto view = shown();
        EXPECT_EQ(console(), std::vector<std::string>{CameraView::kCannotCreateSessionLine});
        EXPECT_FALSE(view->captureSession() || view->videoPreviewLayer() || view->inputDevice());
        view->startRunning();
        view->setVideoOrientation(InterfaceOrientation::landscapeLeft);
        view->layoutIfNeeded();
        EXPECT_EQ(camera.runningSessionCount(), 0);
        EXPECT_EQ(describe(*view), "none");
    }
}

// Decided answers come on the next turn of the main loop; an undecided one shows a prompt,
// answered once for every request made while it is shown.
TEST_F(CameraViewTest, AuthorisationRequestsAndThePrompt) {
    std::vector<std::pair<double, bool>> answers;
    const double t0 = device.now();
    const auto ask = [&] {
        platformContext().camera().requestAccess(kMediaTypeVideo, [&](bool granted) {
            answers.emplace_back(device.now() - t0, granted);
        });
    };
    ask();
    EXPECT_TRUE(answers.empty());
    camera.settings() = {
        .authorization = Access::notDetermined, .promptAnswer = false, .promptDelay = 2};
    device.advance(1);
    ask();
    device.advance(0.5);
    ask();
    device.advance(1.5);
    EXPECT_EQ(answers, (std::vector<std::pair<double, bool>>{{0, true}, {3, false}, {3, false}}));
    EXPECT_EQ(camera.settings().authorization, Access::denied);
    EXPECT_EQ(CameraView::createCaptureSession(kMediaTypeVideo, Position::back).error->code, 10001);

    // A user who does not answer, until answering by hand.
    camera.settings() = {.authorization = Access::notDetermined, .promptAnswer = std::nullopt};
    ask();
    device.advance(60);
    EXPECT_EQ(answers.size(), 3u);
    EXPECT_TRUE(camera.answerPrompt(true) && !camera.answerPrompt(true));
    EXPECT_EQ(answers.back(), std::pair(63.0, true));
    EXPECT_EQ(camera.accessRequestCount(), 4);
}

// While the session runs with camera access the preview paints the picture of the pose: sky
// down to the horizon, ground below it, "E" over the tick of bearing 90 and degrees over the
// others. Otherwise black.
TEST_F(CameraViewTest, PreviewDrawsThePictureOfThePose) {
    auto view = shown();
    view->layoutIfNeeded();
    camera.setPoseProvider([] { return sim::CameraPose{80, -20}; });
    const auto picture = sim::cameraPicture({375, 812}, 60, false, {80, -20});
    const auto draw = [&] {
        DisplayList list;
        view->draw(list);
        std::vector<std::string> found;  // fills, gradient areas and texts
        for (const auto& s : list.steps()) {
            if (auto f = std::get_if<step::Fill>(&s))
                found.push_back(f->color == Color::black() ? "black" : "fill");
            if (auto g = std::get_if<step::FillGradient>(&s))
                found.push_back(formatRect(g->area.bounds()));
            if (auto t = std::get_if<step::DrawText>(&s))
                found.push_back(
                    t->layout->lines().at(0).text + " at " +
                    std::to_string(std::lround(t->origin.x + t->layout->size().width / 2)));
        }
        return found;
    };
    EXPECT_EQ(draw(), std::vector<std::string>{"black"});
    EXPECT_EQ(describe(*view), "back, stopped");
    view->startRunning();
    EXPECT_EQ(describe(*view), "back, running");
    const double h = picture.horizonY;
    // Built piece by piece: g++ 12 at -O3 warns wrongly (-Wrestrict) about "literal" +
    // std::string temporaries.
    const auto at = [&](std::string label, int i) {
        label += " at ";
        label += std::to_string(std::lround(picture.ticks[i].x));
        return label;
    };
    // Black only under the row of pixels the horizon splits.
    EXPECT_EQ(draw(), (std::vector<std::string>{"black", formatRect({0, 0, 375, h}),
                                                formatRect({0, h, 375, 812 - h}), at("70", 0),
                                                at("80", 1), at("E", 2)}));
    camera.settings().authorization = Access::denied;
    EXPECT_EQ(draw(), std::vector<std::string>{"black"});
    view->removeFromSuperview();
    EXPECT_TRUE(draw().empty());
}

// The picture sets every pixel of its frame whatever lay under it (the renderer leaves out
// what is under a view that covers its bounds), also where the horizon splits a row of
// pixels; it draws so running, stopped and without access.
TEST_F(CameraViewTest, PreviewCoversItsFrameWhateverLiesUnder) {
    auto view = shown();
    view->layoutIfNeeded();
    for (const double pitch : {-20.0, -20.13, 0.0, 0.37, -90.0}) {
        camera.setPoseProvider([pitch] { return sim::CameraPose{80, pitch}; });
        for (const bool running : {true, false}) {
            if (running)
                view->startRunning();
            else
                view->stopRunning();
            ASSERT_TRUE(view->coversBounds());
            cairo::CairoCanvas overWhite({375, 812}, 2), overBlack({375, 812}, 2);
            overWhite.fillRect({0, 0, 375, 812}, Color::white());
            overBlack.fillRect({0, 0, 375, 812}, Color::black());
            view->draw(overWhite);
            view->draw(overBlack);
            const auto d = cairo::comparePixels(overWhite, overBlack);
            EXPECT_EQ(d.largest, 0) << pitch << " running " << running << ": " << d.share;
        }
    }
    view->removeFromSuperview();
    EXPECT_FALSE(view->coversBounds());
}

}  // namespace
}  // namespace arquorel
