#include "sim/host/MapCommands.h"

#include <fstream>
#include <sstream>

#include "arquorel/platform/drawing/Renderer.h"
#include "arquorel/platform/drawing/cairo/CairoCanvas.h"
#include "arquorel/platform/maps/MapView.h"
#include "sim/device/SimPlatform.h"

#include "arquorel/platform/maps/pack/WalkingRouter.h"
#include "sim/host/CliArgs.h"
#include "sim/mappack/MapPackMaker.h"

namespace arquorel::sim {

std::string geoJsonLineString(const MapRoute& route) {
    std::string text = R"({"type":"LineString","coordinates":[)";
    for (std::size_t i = 0; i < route.polyline.size(); ++i) {
        if (i > 0) text += ',';
        text += '[' + formatFixed(route.polyline[i].longitude, 7) + ',' +
                formatFixed(route.polyline[i].latitude, 7) + ']';
    }
    return text + "]}";
}

int runMapPackCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CommandUsage command("mappack", kMapPackSynopsis, err);
    if (command.helpAsked(
            args,
            "Reads an OpenStreetMap extract (.osm.pbf, .osm, .osm.bz2) and writes the map pack\n"
            "the component reads: streets and footways by class, buildings, water, coastline,\n"
            "the sea (closed along the extract's box) and parks for drawing, and the graph of\n"
            "the walkable ways for routes. Coastlines that cannot be closed into sea are listed\n"
            "and drawn as lines only.\n",
            out))
        return kExitOk;
    std::string error;
    const auto flags = Flags::parse(args, {{"osm"}, {"out"}}, error);
    if (!flags) return command.fail(error);
    const auto osm = CommandUsage::required(*flags, "osm", "FILE.osm.pbf", error);
    const auto file = osm ? CommandUsage::required(*flags, "out", "FILE", error) : std::nullopt;
    if (!osm || !file) return command.fail(error);
    const MadePack made = makeMapPack(*osm);
    if (!made.pack) {
        err << "arquorel-sim mappack: " << made.error << "\n";
        return kExitUsage;
    }
    const std::string bytes = made.pack->write();
    std::ofstream to(*file, std::ios::binary);
    if (!(to << bytes) || !to.flush()) {
        err << "arquorel-sim mappack: cannot write " << *file << "\n";
        return kExitUsage;
    }
    const MapPackStats& stats = made.stats;
    out << *file << ": " << bytes.size() << " bytes, " << stats.features << " features of "
        << stats.ways << " ways, walking graph of " << stats.nodes << " nodes and "
        << stats.segments << " segments\n"
        << "sea: " << stats.seas << (stats.seas == 1 ? " area, " : " areas, ") << stats.islands
        << (stats.islands == 1 ? " island" : " islands") << " from the coastline\n";
    for (const auto& problem : stats.coastProblems) out << "  " << problem << "\n";
    out << "Map data \xC2\xA9 OpenStreetMap contributors, ODbL 1.0\n";
    return kExitOk;
}

int runRouteCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CommandUsage command("route", kRouteSynopsis, err);
    if (command.helpAsked(args,
                          "Prints the walking route between two positions over a map pack: its\n"
                          "length in metres, the walking time at 1.4 m/s and the route as a\n"
                          "GeoJSON LineString.\n",
                          out))
        return kExitOk;
    std::string error;
    const auto flags = Flags::parse(args, {{"pack"}, {"from"}, {"to"}}, error);
    if (!flags) return command.fail(error);
    const auto path = CommandUsage::required(*flags, "pack", "FILE", error);
    if (!path) return command.fail(error);
    std::optional<Coordinate> ends[2];
    const char* names[2] = {"from", "to"};
    for (int i = 0; i < 2; ++i) {
        const auto text = CommandUsage::required(*flags, names[i], "LAT,LNG", error);
        if (text) ends[i] = parseLatLng(*text, error);
        if (!ends[i]) return command.fail("--" + std::string(names[i]) + ": " + error);
    }
    const auto read = MapPack::readFile(*path);
    if (!read.pack) {
        err << "arquorel-sim route: " << read.error << "\n";
        return kExitUsage;
    }
    const WalkingRouter router(read.pack);
    const auto route = router.route(*ends[0], *ends[1]);
    if (!route) {
        out << "no walking route between the two positions (outside the pack's area, far from "
               "any walkable way, or not joined by one)\n";
        return 1;
    }
    out << "length: " << formatFixed(route->distance, 1) << " m\n"
        << "walking time: " << formatFixed(route->expectedTravelTime / 60, 1) << " min at 1.4 m/s\n"
        << geoJsonLineString(*route) << "\n";
    return kExitOk;
}

int runMapCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CommandUsage command("map", kMapSynopsis, err);
    if (command.helpAsked(args,
                          "Draws the map of a pack around LAT,LNG into a PNG at scale 2: the map\n"
                          "turned to HEADING (default 0, north up), seen from ALTITUDE metres\n"
                          "(default 600), with the walking route to --to drawn on it and the\n"
                          "user's position. SIZE defaults to 375x300 points.\n",
                          out))
        return kExitOk;
    std::string error;
    const auto flags = Flags::parse(
        args, {{"pack"}, {"at"}, {"to"}, {"heading"}, {"altitude"}, {"size"}, {"png"}}, error);
    if (!flags) return command.fail(error);
    const auto path = CommandUsage::required(*flags, "pack", "FILE", error);
    const auto png = path ? CommandUsage::required(*flags, "png", "OUT", error) : std::nullopt;
    const auto at = png ? requiredPosition(*flags, error) : std::nullopt;
    if (!path || !png || !at) return command.fail(error);
    std::optional<Coordinate> to;
    if (const auto text = flags->value("to")) {
        to = parseLatLng(*text, error);
        if (!to) return command.fail("--to: " + error);
    }
    double heading = 0, altitude = 600;
    for (const auto& [name, value] :
         {std::pair{"heading", &heading}, std::pair{"altitude", &altitude}})
        if (const auto text = flags->value(name)) {
            const auto number = parseNumber(*text);
            if (!number) return command.fail("--" + std::string(name) + ": not a number: " + *text);
            *value = *number;
        }
    Size size{375, 300};
    if (const auto text = flags->value("size")) {
        double w = 0, h = 0;
        char x = 0;
        std::istringstream in(*text);
        if (!(in >> w >> x >> h) || x != 'x' || !(w >= 50 && w <= 4000 && h >= 50 && h <= 4000))
            return command.fail("--size: WxH with sides from 50 to 4000 points: " + *text);
        size = {w, h};
    }
    const auto read = MapPack::readFile(*path);
    if (!read.pack) {
        err << "arquorel-sim map: " << read.error << "\n";
        return kExitUsage;
    }
    SimPlatform device;
    device.context().mapData = read.pack;
    auto map = std::make_shared<MapView>(Rect{{0, 0}, size});
    map->showsUserLocation = true;
    map->setUserLocation(Location(at->latitude, at->longitude));
    map->setCamera({*at, altitude, heading});
    if (to) {
        const WalkingRouter router(read.pack);
        if (const auto route = router.route(*at, *to)) {
            map->addOverlay(std::make_shared<MapPolyline>(route->polyline));
            out << "route: " << formatFixed(route->distance, 1) << " m\n";
        } else {
            out << "no walking route to " << formatFixed(to->latitude, 7) << ","
                << formatFixed(to->longitude, 7) << "\n";
        }
        auto pin = std::make_shared<MapAnnotation>();
        pin->coordinate = *to;
        map->addAnnotation(pin);
    }
    map->layoutIfNeeded();
    cairo::CairoCanvas canvas(size, 2, Color::white());
    Renderer().render(*map, canvas);
    if (const auto problem = canvas.writePng(*png)) {
        err << "arquorel-sim map: " << *problem << "\n";
        return kExitUsage;
    }
    out << *png << ": " << map->featuresDrawn() << " features drawn\n";
    return kExitOk;
}

std::shared_ptr<const MapPack> loadMapPackOrExtract(const std::string& path, std::string& error) {
    const bool extract =
        path.ends_with(".osm.pbf") || path.ends_with(".osm") || path.ends_with(".osm.bz2");
    if (extract) {
        MadePack made = makeMapPack(path);
        if (!made.pack) error = made.error;
        return made.pack;
    }
    auto read = MapPack::readFile(path);
    if (!read.pack) error = read.error;
    return read.pack;
}

}  // namespace arquorel::sim
