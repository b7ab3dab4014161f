#include "sim/host/SimCli.h"

#include <algorithm>
#include <string_view>

#include "sim/host/CliArgs.h"
#include "sim/host/DetailsCommand.h"
#include "sim/host/ListCommand.h"
#include "sim/host/MapCommands.h"
#include "sim/host/PlacesCommand.h"
#include "sim/host/RegionPlaces.h"
#include "sim/host/ScenarioPlayer.h"
#include "sim/host/ScreenCommand.h"
#include "sim/host/Soak.h"
#include "sim/host/ViewCommand.h"
#include "sim/host/WalkCommand.h"

namespace arquorel::sim {

namespace {

using CommandFunction = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);

struct Command {
    std::string_view name;
    std::string_view synopsis;  // the command line, starting with the name
    std::string_view summary;
    CommandFunction run;
};

// One line per command.
const Command kCommands[] = {
    {"places", kPlacesSynopsis, "list the places of FILE around a position, nearest first",
     runPlacesCommand},
    {"view", kViewSynopsis, "the AR screen for one pose: the cards placed, back to front",
     runViewCommand},
    {"screen", kScreenSynopsis, "the AR screen for one pose as a picture (PNG), with its view tree",
     runScreenCommand},
    {"list", kListSynopsis, "the places list for a position and heading as a picture (PNG)",
     runListCommand},
    {"details", kDetailsSynopsis, "the details screen of one place as a picture (PNG)",
     runDetailsCommand},
    {"walk", kWalkSynopsis, "walk a GPX track facing the way of travel; reloads as the user moves",
     runWalkCommand},
    {"run", kRunSynopsis,
     "play a scenario on the main screen: pictures, view trees and the host's log",
     runScenarioCommand},
    {"soak", kSoakSynopsis,
     "hours of random use of the main screen, checked for growing counts; prints the peaks",
     runSoakCommand},
    {"mappack", kMapPackSynopsis,
     "make a map pack (drawing features, walking graph) from an OSM extract", runMapPackCommand},
    {"route", kRouteSynopsis, "the walking route between two positions over a map pack, as GeoJSON",
     runRouteCommand},
    {"region", kRegionSynopsis, "write a whole region's places file made from the Monaco places",
     runRegionCommand},
    {"map", kMapSynopsis, "the map of a pack around a position, with a walking route, as a picture",
     runMapCommand},
};

void printUsage(std::ostream& out) {
    // Synopses longer than this put their summary on the next line.
    constexpr std::size_t kLongSynopsis = 72;
    constexpr std::string_view kHelp = "help";
    std::size_t width = kHelp.size();
    for (const auto& c : kCommands) {
        const std::size_t n = characterCount(c.synopsis);
        if (n <= kLongSynopsis) width = std::max(width, n);
    }
    const auto line = [&](std::string_view synopsis, std::string_view summary) {
        const std::size_t n = characterCount(synopsis);
        if (n > width) {
            out << "  " << synopsis << "\n" << std::string(width + 5, ' ') << summary << "\n";
        } else {
            out << "  " << synopsis << std::string(width - n + 3, ' ') << summary << "\n";
        }
    };
    out << "usage: arquorel-sim <command> [options]\n\ncommands:\n";
    for (const auto& c : kCommands) line(c.synopsis, c.summary);
    line(kHelp, "show this text");
}

}  // namespace

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        printUsage(err);
        return kExitUsage;
    }
    const std::string& name = args.front();
    if (name == "help" || name == "--help" || name == "-h") {
        printUsage(out);
        return kExitOk;
    }
    for (const auto& c : kCommands) {
        if (c.name == name) return c.run({args.begin() + 1, args.end()}, out, err);
    }
    err << "arquorel-sim: unknown command: " << printable(name) << "\n";
    printUsage(err);
    return kExitUsage;
}

}  // namespace arquorel::sim
