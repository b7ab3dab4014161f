#include "sim/host/ScreenCommand.h"

#include <cmath>
#include <sstream>

#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/Slider.h"
#include "arquorel/platform/ui/ViewController.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SensorScript.h"
#include "sim/device/SimCamera.h"
#include "sim/device/SimPlatform.h"
#include "sim/host/ArDemo.h"
#include "sim/host/CliArgs.h"
#include "sim/host/PictureScene.h"

namespace arquorel::sim {

namespace {

// Long enough for the pitch filter to converge and for the fades of the first rebuild to end.
constexpr double kSettleSeconds = 6.0;
constexpr double kSensorPeriod = 0.05;
constexpr const char* kAttribution = "\xC2\xA9 OpenStreetMap contributors";

// Accelerometer reading of a device held in portrait at `pitch` degrees (0 upright, -90 face up).
Acceleration gravityAtPitch(double pitch) {
    const double r = pitch * kDegreesToRadians;
    return {0, -std::cos(r), std::sin(r)};
}

bool parseOptions(const std::string& text, UiOptions& options, std::string& error) {
    std::istringstream list(text);
    std::string name;
    while (std::getline(list, name, ',')) {
        if (name == "debugLabel") {
            options.debugLabel = true;
        } else if (name == "debugSliders") {
            options.simulatorDebugging = true;
        } else if (name == "debugMap") {
            options.debugMap = true;
        } else if (name == "noCloseButton") {
            options.closeButtonEnabled = false;
        } else {
            error =
                "--options takes debugLabel, debugSliders, debugMap and noCloseButton, "
                "separated by commas: " +
                printable(text);
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<ScreenRequest> parseScreenRequest(const std::vector<std::string>& args,
                                                std::string& error) {
    ScreenRequest request;
    const auto readOwn = [&](const Flags& flags) {
        const auto pitch = requiredPitch(flags, error);
        if (!pitch) return false;
        request.pitch = *pitch;
        if (const auto text = flags.value("options");
            text && !parseOptions(*text, request.options, error))
            return false;
        if (const auto text = flags.value("camera")) {
            if (*text == "back") {
                request.camera = CameraChoice::back;
            } else if (*text == "front") {
                request.camera = CameraChoice::front;
            } else if (*text == "none") {
                request.camera = CameraChoice::none;
            } else {
                error = "--camera must be back, front or none: " + printable(*text);
                return false;
            }
        }
        return true;
    };
    if (!readPictureRequest(args, {{"pitch"}, {"options"}, {"camera"}}, request, error, readOwn))
        return std::nullopt;
    return request;
}

ScreenScene::ScreenScene(const ScreenRequest& request,
                         std::vector<std::shared_ptr<QuorelProperty>> records)
    : camera_(device_.context()) {
    preparePictureDevice(device_, request);
    switch (request.camera) {
        case CameraChoice::back:
            camera_.settings().cameras = SimCameraSettings::Cameras::backAndFront;
            break;
        case CameraChoice::front:
            camera_.settings().cameras = SimCameraSettings::Cameras::frontOnly;
            break;
        case CameraChoice::none:
            camera_.settings().cameras = SimCameraSettings::Cameras::none;
            break;
    }
    // The camera sees the world as the user holds the phone.
    camera_.setPoseProvider([pose = CameraPose{request.heading, request.pitch}] { return pose; });

    window_ = openHostWindow(device_, request.screen);
    screen_ = ArDemo::make();
    screen_->uiOptions = request.options;
    screen_->attribution = kAttribution;
    screen_->setRecords(std::move(records));
    window_->rootViewController()->present(screen_, false);
    device_.runPending();
    if (request.options.simulatorDebugging) {
        // The sliders stand in for the sensors: set them to the pose.
        if (const auto& slider = screen_->debugHeadingSlider())
            slider->setValue(request.heading > 180 ? request.heading - 360 : request.heading);
        if (const auto& slider = screen_->debugPitchSlider()) slider->setValue(request.pitch);
    }

    SensorScript script;
    script.fix(0.1, request.at, 5);
    for (double t = 0; t <= kSettleSeconds; t += kSensorPeriod) {
        script.heading(t, request.heading, request.heading, 5);
        script.acceleration(t, gravityAtPitch(request.pitch));
    }
    script.play(sensors_);
    device_.advance(kSettleSeconds);
}

ScreenScene::~ScreenScene() {
    // The screen goes before the devices it uses; the next scene picks its own language.
    window_.reset();
    screen_.reset();
    Bundle::framework().setLanguage({});
}

int runScreenCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CommandUsage command("screen", kScreenSynopsis, err);
    if (command.helpAsked(
            args,
            "Presents the AR screen with simple labelled cards on the simulated device, held in\n"
            "portrait at LAT,LNG facing compass heading DEG and tilted by pitch DEG (0 upright,\n"
            "negative down), runs it until the filters have settled and draws it into OUT.png.\n"
            "The screen is 375x812 points at scale 2 by default. --options adds the debugging\n"
            "aids (debugSliders sets the sliders to the pose) or removes the close button;\n"
            "--camera chooses the simulated camera; --tree prints the view tree, --a11y the\n"
            "accessibility tree.\n",
            out))
        return kExitOk;
    std::string error;
    const auto request = parseScreenRequest(args, error);
    if (!request) return command.fail(error);
    const auto file = readPlacesFile(request->places, err);
    if (!file) return kExitUsage;

    ScreenScene scene(*request, file->records);
    auto& screen = scene.screen();
    if (!writePicture("screen", scene.window(), *request, Color::black(), out, err))
        return kExitUsage;

    const ARStatus& status = screen.arStatus();
    std::size_t onScreen = 0;
    const Rect screenRect{{0, 0}, request->screen};
    for (const auto& child : screen.presenter()->subviews())
        if (std::dynamic_pointer_cast<DemoCard>(child) && intersects(child->frame(), screenRect))
            ++onScreen;
    out << onScreen << " cards on screen; heading " << formatFixed(status.heading, 1)
        << "\xC2\xB0, pitch " << formatFixed(status.pitch, 1) << "\xC2\xB0, field of view "
        << formatFixed(status.hFov, 1) << "\xC2\xB0 x " << formatFixed(status.vFov, 1)
        << "\xC2\xB0\n";
    printPictureNotes(scene.device(), scene.window(), *request, out);
    return kExitOk;
}

}  // namespace arquorel::sim
