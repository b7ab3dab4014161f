// An example host: loads places, presents the main screen on the simulated phone, taps the card
// of a place and writes a picture of the screen (and its view tree beside it).
//
//   host PLACES.json OUT.png ["PLACE NAME"]
#include <arquorel/arscreen/LocationManager.h>
#include <arquorel/places/PlacesFile.h>
#include <arquorel/places/QuorelVC.h>
#include <arquorel/platform/ui/ViewController.h>
#include <sim/phone/SimPhone.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

namespace {

// The host's side of the main screen: told which place the user tapped.
struct Host : arquorel::QuorelVCDelegate {
    void openElementDetails(const std::shared_ptr<arquorel::QuorelProperty>& place) override {
        std::cout << "host: the user opened " << place->name << "\n";
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: host PLACES.json OUT.png [\"PLACE NAME\"]\n";
        return 2;
    }
    const std::filesystem::path picture = argv[2];
    const std::string tapped = argc > 3 ? argv[3] : "Casino de Monte Carlo";

    // The places: the valid records, and one line for each record left out.
    const auto loaded = arquorel::PlacesFile::fromPath(argv[1]);
    if (loaded.error) {
        std::cerr << argv[1] << ": " << loaded.error->message << "\n";
        return 1;
    }
    for (const auto& problem : loaded.problems) std::cerr << problem.text() << "\n";

    // The simulated phone (a real device backend installs its own platform context).
    arquorel::sim::SimPhone phone;

    // The shared location manager must know where the user is before the main screen loads:
    // started first, it takes the fix of the pose. The phone stands at Place du Casino,
    // Monaco, facing the Casino (108 degrees), held upright; its readings keep flowing.
    arquorel::LocationManager::sharedInstance()->start();
    phone.setPose(43.7393682, 7.4272085, 108, 0);

    // A window with the host's own root screen; the main screen is presented over it, and its
    // back button dismisses it.
    auto root = std::make_shared<arquorel::ViewController>();
    phone.show(root);
    auto screen = arquorel::QuorelVC::make();
    screen->serverPlaces = loaded.records;
    screen->delegate = std::make_shared<Host>();
    screen->attribution = "\u00A9 OpenStreetMap contributors";
    screen->showsFirstUseHints = false;
    root->present(screen, true);
    phone.advance(3);  // the transition, the first reloads and the sensor filters settling

    if (const auto tap = phone.tapCard(tapped); !tap) {
        std::cerr << "cannot tap the card of " << tapped << ": " << tap.message << "\n";
        return 1;
    }
    phone.advance(1);

    if (const auto problem = phone.writePng(picture)) {
        std::cerr << "cannot write " << picture.string() << ": " << *problem << "\n";
        return 1;
    }
    auto tree = picture;
    std::ofstream(tree.replace_extension(".tree")) << phone.viewTree();
    std::cout << "host: wrote " << picture.string() << " and " << tree.string() << "\n";

    // Later, e.g. when the application becomes active again, the host reloads the places.
    phone.context().notificationCenter().post(arquorel::kReloadOnBecomeActive);
    phone.advance(1);
    return 0;
}
