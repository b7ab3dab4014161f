#include "sim/host/ListCommand.h"

#include "arquorel/arscreen/LocationManager.h"
#include "arquorel/places/DistanceText.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/ViewController.h"
#include "sim/device/SimLocationService.h"
#include "sim/host/CliArgs.h"
#include "sim/host/PictureScene.h"

namespace arquorel::sim {

std::optional<ListRequest> parseListRequest(const std::vector<std::string>& args,
                                            std::string& error) {
    ListRequest request;
    const auto readUnits = [&](const Flags& flags) {
        const auto text = flags.value("units");
        if (!text) return true;
        if (*text != "metric" && *text != "imperial") {
            error = "--units must be metric or imperial: " + printable(*text);
            return false;
        }
        request.imperial = *text == "imperial";
        return true;
    };
    if (!readPictureRequest(args, {{"units"}}, request, error, readUnits)) return std::nullopt;
    return request;
}

ListScene::ListScene(const ListRequest& request,
                     std::vector<std::shared_ptr<QuorelProperty>> records) {
    preparePictureDevice(device_, request);
    if (request.imperial) device_.context().userDefaults().set(kImperialUnitsKey, true);
    rereadUnitSetting();
    registerPlaceListLayouts();

    locateUser(device_, request);

    window_ = openHostWindow(device_, request.screen);
    list_ = PointsVC::make();
    list_->tableData = std::move(records);
    window_->rootViewController()->present(list_, false);
    device_.runPending();
    list_->closeHintButton();
    reportHeading(device_, request);
    device_.advance(1);
}

ListScene::~ListScene() {
    window_.reset();
    list_.reset();
    LocationManager::resetSharedInstance();
    Bundle::framework().setLanguage({});
    rereadUnitSetting();
}

int runListCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CommandUsage command("list", kListSynopsis, err);
    if (command.helpAsked(
            args,
            "Presents the places list on the simulated device with the places of FILE, the user\n"
            "at LAT,LNG facing compass heading DEG, the hint overlay closed, and draws it into\n"
            "OUT.png. Each row shows the distance and an arrow towards its place. The screen is\n"
            "375x812 points at scale 2 by default; --units imperial shows feet and miles;\n"
            "--tree prints the view tree, --a11y the accessibility tree.\n",
            out))
        return kExitOk;
    std::string error;
    const auto request = parseListRequest(args, error);
    if (!request) return command.fail(error);
    const auto file = readPlacesFile(request->places, err);
    if (!file) return kExitUsage;

    ListScene scene(*request, file->records);
    if (!writePicture("list", scene.window(), *request, Color::white(), out, err))
        return kExitUsage;
    const auto& table = *scene.list().tableView;
    out << table.numberOfRows() << " rows, " << table.visibleCells().size()
        << " on screen; heading " << formatFixed(request->heading, 1) << "\xC2\xB0\n";
    printPictureNotes(scene.device(), scene.window(), *request, out);
    return kExitOk;
}

}  // namespace arquorel::sim
