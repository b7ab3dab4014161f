#include "sim/host/PlacesCommand.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

#include "arquorel/arcore/ARPresenter.h"
#include "arquorel/arcore/ARStatus.h"
#include "arquorel/places/Place.h"
#include "sim/device/SimPlatform.h"
#include "sim/host/CliArgs.h"

namespace arquorel::sim {

namespace {

std::string nameCell(const QuorelProperty& record) {
    if (!record.name.empty()) return printable(record.name);
    return "(no name, id \"" + printable(record.id) + "\")";
}

}  // namespace

int compassSector(double azimuth) {
    return static_cast<int>(ARPresenter::sectorIndex(azimuth));
}

int runPlacesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CommandUsage command("places", kPlacesSynopsis, err);
    if (command.helpAsked(
            args,
            "Lists the places of FILE (a JSON array of place records) as seen from LAT,LNG:\n"
            "name, distance in metres, azimuth in degrees (0 = north) and compass sector\n"
            "0-7 (45 degrees each, clockwise from north), nearest first, then a summary of\n"
            "the records read and of those left out.\n",
            out))
        return kExitOk;
    const auto fail = [&](const std::string& message) { return command.fail(message); };
    std::string error;
    const auto flags = Flags::parse(args, {{"places"}, {"at"}}, error);
    if (!flags) return fail(error);
    const auto path = CommandUsage::required(*flags, "places", "FILE", error);
    if (!path) return fail(error);
    const auto at = requiredPosition(*flags, error);
    if (!at) return fail(error);
    const auto file = readPlacesFile(*path, err);
    if (!file) return kExitUsage;

    SimPlatform device;
    const Location user(*at, 0, 5, 5, device.now());
    std::vector<std::shared_ptr<Place>> places;
    places.reserve(file->records.size());
    std::size_t withoutPlace = 0;
    for (const auto& record : file->records) {
        auto place = Place::create(record);
        if (!place) {
            ++withoutPlace;
            continue;
        }
        place->setDistanceFromUser(distanceFromUser(user, place->location()));
        place->setAzimuth(bearing(user, place->location()));
        places.push_back(std::move(place));
    }
    // Nearest first; equal distances keep the file's order.
    const auto sortKey = [](const Place& p) {
        const double d = p.distanceFromUser();
        return std::isnan(d) ? std::numeric_limits<double>::infinity() : d;
    };
    std::stable_sort(places.begin(), places.end(),
                     [&](const auto& a, const auto& b) { return sortKey(*a) < sortKey(*b); });

    printDataSource(*path, out);
    out << places.size() << (places.size() == 1 ? " place" : " places") << " around "
        << formatFixed(at->latitude, 7) << ", " << formatFixed(at->longitude, 7)
        << ", nearest first\n";
    if (!places.empty()) {
        std::vector<std::vector<std::string>> rows;
        rows.reserve(places.size() + 1);
        rows.push_back({"#", "Name", "Distance m", "Azimuth \xC2\xB0", "Sector"});
        for (std::size_t i = 0; i < places.size(); ++i) {
            const Place& p = *places[i];
            rows.push_back({std::to_string(i + 1), nameCell(*p.property),
                            formatFixed(p.distanceFromUser(), 1), formatFixed(p.azimuth(), 1),
                            std::to_string(compassSector(p.azimuth()))});
        }
        out << "\n";
        printTable(rows, {true, false, true, true, true}, out);
        out << "\n";
    }
    printPlacesSummary(*file, out);
    if (withoutPlace > 0) out << "  " << withoutPlace << " records gave no place\n";
    return kExitOk;
}

}  // namespace arquorel::sim
