#include "sim/host/PictureScene.h"

#include "arquorel/arscreen/LocationManager.h"
#include "arquorel/platform/drawing/Renderer.h"
#include "arquorel/platform/drawing/ViewTreeDump.h"
#include "arquorel/platform/drawing/cairo/CairoBackend.h"
#include "arquorel/platform/drawing/cairo/CairoCanvas.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/Accessibility.h"
#include "arquorel/platform/ui/ViewController.h"
#include "sim/device/SimLocationService.h"

namespace arquorel::sim {

void preparePictureDevice(SimPlatform& device, const PictureRequest& request) {
    auto& context = device.context();
    context.console().startCapture();
    cairo::installCairoBackend(context);
    context.device().setMainScreenBounds({{0, 0}, request.screen});
    context.device().setScreenScale(request.scale);
    context.device().setInterfaceOrientation(InterfaceOrientation::portrait);
    Bundle::framework().setLanguage(request.language);
}

std::shared_ptr<Window> openHostWindow(SimPlatform& device, Size size) {
    auto window = std::make_shared<Window>(Rect{{0, 0}, size});
    window->setRootViewController(std::make_shared<ViewController>());
    window->makeKeyAndVisible();
    device.runPending();
    return window;
}

bool writePicture(std::string_view command, const Window& window, const PictureRequest& request,
                  Color background, std::ostream& out, std::ostream& err) {
    cairo::CairoCanvas canvas(request.screen, request.scale, background);
    Renderer().render(window, canvas);
    if (const auto problem = canvas.writePng(request.png)) {
        err << "arquorel-sim " << command << ": cannot write " << printable(request.png) << ": "
            << *problem << "\n";
        return false;
    }
    out << "Wrote " << request.png << " (" << canvas.pixelWidth() << "x" << canvas.pixelHeight()
        << " pixels): ";
    return true;
}

void printPictureNotes(SimPlatform& device, const Window& window, const PictureRequest& request,
                       std::ostream& out) {
    for (const auto& line : device.context().console().lines()) out << "Console: " << line << "\n";
    if (request.tree) out << dumpViewTree(window);
    if (request.a11y) out << AccessibilityTree::build(window).dump();
    printDataSource(request.places, out);
}

void locateUser(SimPlatform& device, const PictureRequest& request) {
    LocationManager::resetSharedInstance();
    const auto& manager = LocationManager::sharedInstance();
    manager->start();
    manager->setLatestLocation(Location(request.at, 0, 5, 5, device.now()));
}

void reportHeading(SimPlatform& device, const PictureRequest& request) {
    if (auto* service =
            dynamic_cast<SimLocationService*>(LocationManager::sharedInstance()->manager()))
        service->deliverHeading({request.heading, request.heading, 5, device.now()});
}

}  // namespace arquorel::sim
