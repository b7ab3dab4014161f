#include "sim/host/DetailsCommand.h"

#include <algorithm>

#include "arquorel/arscreen/LocationManager.h"
#include "arquorel/placelist/PointsVC.h"
#include "arquorel/places/DistanceText.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimLocationService.h"
#include "sim/host/MapCommands.h"
#include "sim/host/PictureScene.h"

namespace arquorel::sim {

std::optional<DetailsRequest> parseDetailsRequest(std::vector<std::string> args,
                                                  std::string& error) {
    // The heading is optional here: north unless given.
    if (std::none_of(args.begin(), args.end(),
                     [](const std::string& a) { return a.starts_with("--heading"); })) {
        args.insert(args.end(), {"--heading", "0"});
    }
    DetailsRequest request;
    const auto readOwn = [&](const Flags& flags) {
        const auto id = flags.value("id");
        if (!id || id->empty()) {
            error = "--id ID is required (the id of a record of the places file)";
            return false;
        }
        request.id = *id;
        request.offline = flags.has("offline");
        request.pack = flags.value("pack").value_or("");
        return true;
    };
    if (!readPictureRequest(args, {{"id"}, {"offline", false}, {"pack"}}, request, error, readOwn))
        return std::nullopt;
    return request;
}

DetailsScene::DetailsScene(const DetailsRequest& request, std::shared_ptr<QuorelProperty> record,
                           std::shared_ptr<const MapPack> pack) {
    preparePictureDevice(device_, request);
    rereadUnitSetting();
    registerPlaceListLayouts();
    if (pack) device_.installMapPack(std::move(pack));
    device_.reachability().setConnected(!request.offline);
    if (request.offline) device_.directions().mode = SimDirectionsMode::offline;

    locateUser(device_, request);

    window_ = openHostWindow(device_, request.screen);
    details_ = PlaceVC::make();
    details_->place = std::move(record);
    window_->rootViewController()->present(details_, false);
    device_.runPending();
    reportHeading(device_, request);
    device_.advance(1);
}

DetailsScene::~DetailsScene() {
    window_.reset();
    details_.reset();
    LocationManager::resetSharedInstance();
    Bundle::framework().setLanguage({});
}

int runDetailsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CommandUsage command("details", kDetailsSynopsis, err);
    if (command.helpAsked(
            args,
            "Presents the details screen of the record ID of FILE on the simulated device, the\n"
            "user at LAT,LNG facing compass heading DEG (north by default), and draws it into\n"
            "OUT.png. With --pack (a map pack, or an OSM extract made into one) the map shows\n"
            "the streets and the walking route; --offline takes the network away (the large\n"
            "arrow instead of the map). The screen is 375x812 points at scale 2 by default;\n"
            "--tree prints the view tree, --a11y the accessibility tree.\n",
            out))
        return kExitOk;
    std::string error;
    const auto request = parseDetailsRequest(args, error);
    if (!request) return command.fail(error);
    const auto file = readPlacesFile(request->places, err);
    if (!file) return kExitUsage;
    const auto it = std::find_if(file->records.begin(), file->records.end(),
                                 [&](const auto& r) { return r->id == request->id; });
    if (it == file->records.end())
        return command.fail("no record with id " + printable(request->id) + " in " +
                            request->places);
    std::shared_ptr<const MapPack> pack;
    if (!request->pack.empty()) {
        pack = loadMapPackOrExtract(request->pack, error);
        if (!pack) return command.fail("--pack: " + error);
    }

    DetailsScene scene(*request, *it, pack);
    if (!writePicture("details", scene.window(), *request, Color::white(), out, err))
        return kExitUsage;
    const auto& screen = scene.details();
    // The pill pads its text with spaces.
    std::string distance = screen.distanceLabel->text();
    distance.erase(0, distance.find_first_not_of(' '));
    distance.erase(distance.find_last_not_of(' ') + 1);
    out << screen.place->displayTitle() << ": distance "
        << (screen.distanceLabel->isHidden() || distance.empty() ? std::string("unknown")
                                                                 : distance)
        << ", route " << (screen.mapp->overlayCount() ? "drawn" : "none")
        << (screen.isConnected() ? "" : " (offline: the large arrow)") << "\n";
    printPictureNotes(scene.device(), scene.window(), *request, out);
    return kExitOk;
}

}  // namespace arquorel::sim
