#include "sim/host/WalkCommand.h"

#include <cmath>

#include "arquorel/arcore/ARStatus.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SensorScript.h"
#include "sim/device/SimPlatform.h"
#include "sim/host/ArDemo.h"
#include "sim/host/CliArgs.h"

namespace arquorel::sim {

namespace {

struct Snapshot {
    std::size_t cardsOnScreen = 0;
    std::string ahead;  // the main card nearest the middle of the screen
};

Snapshot look(ArDemo& demo, Size screen) {
    Snapshot snap;
    const Rect screenRect{0, 0, screen.width, screen.height};
    double best = INFINITY;
    for (const auto& child : demo.presenter()->subviews()) {
        auto card = std::dynamic_pointer_cast<DemoCard>(child);
        if (!card || !intersects(card->frame(), screenRect)) continue;
        ++snap.cardsOnScreen;
        const double off = std::fabs(card->frame().midX() - screen.width / 2);
        if (card->isMainAnn && off < best) {
            best = off;
            snap.ahead = printable(card->title) + " (" + card->distanceText + ")";
        }
    }
    return snap;
}

}  // namespace

int runWalkCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CommandUsage command("walk", kWalkSynopsis, err);
    if (command.helpAsked(
            args,
            "Walks the GPX track with the phone upright, facing the way of travel, and reports\n"
            "every SECONDS of the walk (default 60) and at every reload of the places: time,\n"
            "position, heading, the cards on screen and the main card straight ahead.\n",
            out))
        return kExitOk;
    const auto fail = [&](const std::string& message) { return command.fail(message); };
    std::string error;
    const auto flags = Flags::parse(args, {{"places"}, {"gpx"}, {"every"}, {"screen"}}, error);
    if (!flags) return fail(error);
    const auto path = CommandUsage::required(*flags, "places", "FILE", error);
    if (!path) return fail(error);
    const auto gpxPath = CommandUsage::required(*flags, "gpx", "FILE", error);
    if (!gpxPath) return fail(error);
    double every = 60;
    if (const auto text = flags->value("every")) {
        const auto parsed = parseNumber(*text);
        if (!parsed || *parsed < 1 || *parsed > 86400)
            return fail("--every must be a number of seconds from 1 to 86400: " + printable(*text));
        every = *parsed;
    }
    Size screen{375, 812};
    if (const auto text = flags->value("screen")) {
        const auto parsed = parseScreenSize(*text, error);
        if (!parsed) return fail(error);
        screen = *parsed;
    }
    const auto track = readGpxFile(*gpxPath);
    if (!track.ok()) {
        err << "arquorel-sim walk: " << track.error << "\n";
        return kExitUsage;
    }
    if (track.points.size() < 2) return fail("the track needs at least two points");
    const auto file = readPlacesFile(*path, err);
    if (!file) return kExitUsage;

    SimPlatform device;
    device.context().console().startCapture();
    SimSensors sensors;
    auto demo = ArDemo::create(screen);
    demo->setRecords(file->records);
    int reloads = 0;
    double lastReport = -INFINITY;
    const double start = device.now();
    const auto report = [&](const char* why) {
        const auto& status = demo->arStatus();
        if (!status.userLocation) return;
        const Snapshot snap = look(*demo, screen);
        out << "t=" << formatFixed(device.now() - start, 0) << "s  "
            << formatFixed(status.userLocation->latitude(), 6) << ","
            << formatFixed(status.userLocation->longitude(), 6) << "  heading "
            << formatFixed(status.heading, 0) << "  " << snap.cardsOnScreen
            << " cards on screen  ahead: " << (snap.ahead.empty() ? "-" : snap.ahead) << why
            << "\n";
    };
    demo->onReloadLocation = [&](const Location&) {
        ++reloads;
        // The reload has placed new cards; report once the frames after it have settled.
        platformContext().mainLoop().asyncAfter(0.5, [&] { report("  [places reloaded]"); });
    };
    demo->start();

    // Fixes along the track; the compass follows the direction of travel.
    SensorScript script = SensorScript::fromTrack(track.points);
    const double t0 = track.points.front().time;
    for (std::size_t i = 0; i < track.points.size(); ++i) {
        const auto& a = track.points[i];
        const auto& b = track.points[std::min(i + 1, track.points.size() - 1)];
        const auto& from = i + 1 < track.points.size() ? a : track.points[i - 1];
        const double heading =
            bearing(Location(from.coordinate.latitude, from.coordinate.longitude),
                    Location(b.coordinate.latitude, b.coordinate.longitude));
        for (double dt = 0; dt < 5; dt += 0.5) script.heading(a.time - t0 + dt, heading, heading);
        script.acceleration(a.time - t0, {0, -1, 0});
    }
    script.play(sensors);

    const double duration = script.duration() + 2;
    for (double t = 0; t <= duration; t += 0.5) {
        device.advance(0.5);
        if (t - lastReport >= every) {
            lastReport = t;
            report("");
        }
    }
    report("  [end of walk]");
    out << track.points.size() << " fixes over " << formatFixed(script.duration(), 0) << " s, "
        << reloads << " reloads of the places\n";
    printDataSource(*path, out);
    return kExitOk;
}

}  // namespace arquorel::sim
