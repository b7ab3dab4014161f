#include "sim/host/PlacesCommand.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

#include "arquorel/arcore/ARPresenter.h"
#include "arquorel/arcore/ARStatus.h"
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
    // A row per record with a place: measured without making the places themselves, so that a
    // whole region's file costs little beyond its records.
    struct Row {
        std::uint32_t record;
        double distance;
        double azimuth;
    };
    std::vector<Row> rows;
    rows.reserve(file->records.size());
    std::size_t withoutPlace = 0;
    const UserOrigin origin(user);
    for (std::size_t i = 0; i < file->records.size(); ++i) {
        const auto& record = file->records[i];
        const Location location({record->lat, record->lng}, 0, 9, 9, device.now());
        if (!isValid(location.coordinate)) {
            ++withoutPlace;
            continue;
        }
        const auto measure = origin.measure(location);
        rows.push_back({static_cast<std::uint32_t>(i), measure.distance, measure.azimuth});
    }
    // Nearest first; equal distances keep the file's order.
    const auto sortKey = [](const Row& r) {
        return std::isnan(r.distance) ? std::numeric_limits<double>::infinity() : r.distance;
    };
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const Row& a, const Row& b) { return sortKey(a) < sortKey(b); });

    printDataSource(*path, out);
    out << rows.size() << (rows.size() == 1 ? " place" : " places") << " around "
        << formatFixed(at->latitude, 7) << ", " << formatFixed(at->longitude, 7)
        << ", nearest first\n";
    if (!rows.empty()) {
        // The table's cells are made twice (for the column widths, then to print) rather than
        // kept for every row.
        const auto cells = [&](std::size_t i) -> std::vector<std::string> {
            const Row& r = rows[i];
            return {std::to_string(i + 1), nameCell(*file->records[r.record]),
                    formatFixed(r.distance, 1), formatFixed(r.azimuth, 1),
                    std::to_string(compassSector(r.azimuth))};
        };
        const std::vector<std::string> header = {"#", "Name", "Distance m", "Azimuth \xC2\xB0",
                                                 "Sector"};
        std::vector<std::size_t> widths(header.size(), 0);
        const auto widen = [&](const std::vector<std::string>& row) {
            for (std::size_t c = 0; c < row.size(); ++c)
                widths[c] = std::max(widths[c], characterCount(row[c]));
        };
        widen(header);
        for (std::size_t i = 0; i < rows.size(); ++i) widen(cells(i));
        // Laid out as printTable lays out a table of all the rows, a row at a time.
        const std::vector<bool> right = {true, false, true, true, true};
        std::string line;
        const auto printRow = [&](const std::vector<std::string>& row) {
            line.clear();
            for (std::size_t c = 0; c < row.size(); ++c) {
                const std::size_t padding = widths[c] - characterCount(row[c]);
                if (c > 0) line += "  ";
                if (right[c]) line.append(padding, ' ');
                line += row[c];
                if (!right[c]) line.append(padding, ' ');
            }
            while (!line.empty() && line.back() == ' ') line.pop_back();
            line += '\n';
            out.write(line.data(), static_cast<std::streamsize>(line.size()));
        };
        out << "\n";
        printRow(header);
        for (std::size_t i = 0; i < rows.size(); ++i) printRow(cells(i));
        out << "\n";
    }
    printPlacesSummary(*file, out);
    if (withoutPlace > 0) out << "  " << withoutPlace << " records gave no place\n";
    return kExitOk;
}

}  // namespace arquorel::sim
