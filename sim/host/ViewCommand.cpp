#include "sim/host/ViewCommand.h"

#include <cmath>
#include <cstdio>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SensorScript.h"
#include "sim/device/SimPlatform.h"
#include "sim/host/ArDemo.h"
#include "sim/host/CliArgs.h"

namespace arquorel::sim {

namespace {

// Long enough for the pitch filter to converge and for the delayed main-annotation marks and
// fades of the first rebuild to have run.
constexpr double kSettleSeconds = 6.0;
constexpr double kSensorPeriod = 0.05;

// Accelerometer reading of a device held in portrait at `pitch` degrees (0 upright, -90 face up).
Acceleration gravityAtPitch(double pitch) {
    const double r = pitch * kDegreesToRadians;
    return {0, -std::cos(r), std::sin(r)};
}

}  // namespace

int runViewCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CommandUsage command("view", kViewSynopsis, err);
    if (command.helpAsked(
            args,
            "Runs the AR screen on the simulated device, held in portrait at LAT,LNG facing\n"
            "compass heading DEG and tilted by pitch DEG (0 upright, negative down), until the\n"
            "sensor filters have settled, then lists the cards on screen from back to front:\n"
            "name, compass sector, main card of its sector or not, frame (x, y, w, h in\n"
            "points), alpha, distance scale and distance. The screen is 375x812 by default.\n",
            out))
        return kExitOk;
    const auto fail = [&](const std::string& message) { return command.fail(message); };
    std::string error;
    const auto flags =
        Flags::parse(args, {{"places"}, {"at"}, {"heading"}, {"pitch"}, {"screen"}}, error);
    if (!flags) return fail(error);
    const auto path = CommandUsage::required(*flags, "places", "FILE", error);
    if (!path) return fail(error);
    const auto at = requiredPosition(*flags, error);
    if (!at) return fail(error);
    const auto heading = requiredHeading(*flags, error);
    if (!heading) return fail(error);
    const auto pitch = requiredPitch(*flags, error);
    if (!pitch) return fail(error);
    Size screen{375, 812};
    if (const auto screenText = flags->value("screen")) {
        const auto parsed = parseScreenSize(*screenText, error);
        if (!parsed) return fail(error);
        screen = *parsed;
    }
    const auto file = readPlacesFile(*path, err);
    if (!file) return kExitUsage;

    SimPlatform device;
    device.context().console().startCapture();  // the engine's diagnostics are not the report
    SimSensors sensors;
    auto demo = ArDemo::create(screen);
    demo->setRecords(file->records);
    demo->start();

    SensorScript script;
    script.fix(0.1, *at, 5);
    for (double t = 0; t <= kSettleSeconds; t += kSensorPeriod) {
        script.heading(t, *heading, *heading, 5);
        script.acceleration(t, gravityAtPitch(*pitch));
    }
    script.play(sensors);
    device.advance(kSettleSeconds);

    const ARStatus& status = demo->arStatus();
    printDataSource(*path, out);
    out << "Screen " << formatFixed(screen.width, 0) << "x" << formatFixed(screen.height, 0)
        << " portrait, field of view " << formatFixed(status.hFov, 1) << "\xC2\xB0 x "
        << formatFixed(status.vFov, 1) << "\xC2\xB0; at " << formatFixed(at->latitude, 7) << ", "
        << formatFixed(at->longitude, 7) << ", heading " << formatFixed(status.heading, 1)
        << "\xC2\xB0, pitch " << formatFixed(status.pitch, 1) << "\xC2\xB0\n";
    if (!status.ready()) {
        out << "The AR status never became ready: no card is shown.\n";
        return kExitOk;
    }

    auto& presenter = *demo->presenter();
    double farthest = 0;
    for (const auto& view : presenter.visibleAnnotationsAsArray())
        if (auto a = view->annotation()) farthest = std::max(farthest, a->distanceFromUser());

    std::vector<std::vector<std::string>> rows;
    rows.push_back(
        {"#", "Name", "Sector", "Main", "x", "y", "w", "h", "Alpha", "Scale", "Distance"});
    std::size_t onScreen = 0;
    const Rect screenRect{0, 0, screen.width, screen.height};
    for (const auto& child : presenter.subviews()) {
        auto card = std::dynamic_pointer_cast<DemoCard>(child);
        if (!card) continue;
        auto annotation = card->annotation();
        if (!annotation) continue;
        const Rect& f = card->frame();
        if (intersects(f, screenRect)) ++onScreen;
        rows.push_back(
            {std::to_string(rows.size()), printable(card->title),
             std::to_string(ARPresenter::sectorIndex(annotation->azimuth())),
             card->isMainAnn ? "main" : "", formatFixed(f.x(), 1), formatFixed(f.y(), 1),
             formatFixed(f.width(), 1), formatFixed(f.height(), 1), formatFixed(card->alpha(), 2),
             formatFixed(ARPresenter::distanceScale(annotation->distanceFromUser(), farthest), 2),
             card->distanceText});
    }
    out << rows.size() - 1 << " cards placed from back to front (" << onScreen
        << " within the screen), " << presenter.activeAnnotations().size() << " of "
        << demo->annotations().size() << " places active\n\n";
    printTable(rows, {true, false, true, false, true, true, true, true, true, true, true}, out);
    out << "\n";
    printPlacesSummary(*file, out);
    return kExitOk;
}

}  // namespace arquorel::sim
