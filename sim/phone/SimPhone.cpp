#include "sim/phone/SimPhone.h"

#include <algorithm>
#include <cmath>

#include "arquorel/arcore/ARStatus.h"
#include "arquorel/arscreen/LocationManager.h"
#include "arquorel/places/AnnnotationView.h"
#include "arquorel/places/Place.h"
#include "arquorel/places/QuorelVC.h"
#include "arquorel/platform/drawing/Renderer.h"
#include "arquorel/platform/drawing/ViewTreeDump.h"
#include "arquorel/platform/drawing/cairo/CairoCanvas.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/Timer.h"
#include "arquorel/platform/ui/HitTest.h"
#include "arquorel/platform/ui/ViewController.h"
#include "arquorel/platform/ui/Window.h"

namespace arquorel::sim {

namespace {

bool centreOnScreen(const View& view, Size screen) {
    const auto b = view.bounds();
    const Point c = convertToRoot(view, {b.midX(), b.midY()});
    return c.x >= 0 && c.y >= 0 && c.x <= screen.width && c.y <= screen.height &&
           !view.isHidden() && view.alpha() > 0.01;
}

double distanceOf(const AnnnotationView& card) {
    const auto a = card.annotation();
    return a ? a->distanceFromUser() : INFINITY;
}

}  // namespace

SimPhone::SimPhone(SimPhoneSetup setup)
    : setup_(std::move(setup)),
      device_(setup_.settingsFile),
      camera_(device_.context()),
      finger_(device_) {
    auto& device = device_.context().device();
    device.setMainScreenBounds({{0, 0}, setup_.screen});
    device.setScreenScale(setup_.scale);
    device.setOrientation(landscape() ? DeviceOrientation::landscapeLeft
                                      : DeviceOrientation::portrait);
    device.setInterfaceOrientation(landscape() ? InterfaceOrientation::landscapeRight
                                               : InterfaceOrientation::portrait);
    Bundle::framework().setLanguage(setup_.language);
    camera_.setPoseProvider([this] { return pose_; });
    sensors_.settings().locationServicesEnabled = setup_.locationServices;
    // The shared location manager of an earlier device listens to sensors that are gone.
    LocationManager::resetSharedInstance();
}

SimPhone::~SimPhone() {
    if (readings_) readings_->invalidate();
    readings_.reset();
    window_.reset();
    LocationManager::resetSharedInstance();
    Bundle::framework().setLanguage({});
}

Acceleration SimPhone::gravityAt(double pitch, bool landscape) {
    const double r = pitch * kDegreesToRadians;
    if (landscape) return {-std::cos(r), 0, std::sin(r)};
    return {0, -std::cos(r), std::sin(r)};
}

void SimPhone::setPose(double lat, double lng, double heading, double pitch) {
    setPosition(lat, lng);
    pose_ = {heading, pitch};
    feedReadings();
    readingsFlow();
}

void SimPhone::setPosition(double lat, double lng, double accuracy) {
    position_ = FixEvent{Coordinate{lat, lng}, accuracy, 0};
    readingsSinceFix_ = 0;
    sensors_.apply({0, *position_});
    readingsFlow();
}

void SimPhone::setHeading(double heading, double accuracy) {
    pose_.heading = heading;
    headingAccuracy_ = accuracy;
    sensors_.apply({0, HeadingEvent{heading, heading, accuracy}});
    readingsFlow();
}

void SimPhone::setPitch(double pitch) {
    pose_.pitch = pitch;
    sensors_.apply({0, AccelerationEvent{gravityAt(pitch, landscape())}});
    readingsFlow();
}

void SimPhone::feedReadings() {
    sensors_.apply({0, HeadingEvent{pose_.heading, pose_.heading, headingAccuracy_}});
    sensors_.apply({0, AccelerationEvent{gravityAt(pose_.pitch, landscape())}});
}

void SimPhone::readingsFlow() {
    if (!setup_.steadyReadings || readings_) return;
    readings_ =
        Timer::scheduled(device_.context().mainLoop(), kReadingPeriod, true, [this](Timer&) {
            feedReadings();
            if (position_ && ++readingsSinceFix_ >= kReadingsPerFix) {
                readingsSinceFix_ = 0;
                sensors_.apply({0, *position_});
            }
        });
}

Window& SimPhone::show(std::shared_ptr<ViewController> root) {
    window_ = std::make_shared<Window>(Rect{{0, 0}, setup_.screen});
    window_->setRootViewController(std::move(root));
    window_->makeKeyAndVisible();
    device_.runPending();
    return *window_;
}

void SimPhone::closeWindow() {
    window_.reset();
}

std::optional<std::string> SimPhone::writePng(const std::filesystem::path& file) const {
    if (!window_) return std::string("no window is shown");
    cairo::CairoCanvas canvas(setup_.screen, setup_.scale, Color::black());
    Renderer().render(*window_, canvas);
    return canvas.writePng(file);
}

std::string SimPhone::viewTree() const {
    return window_ ? dumpViewTree(*window_) : std::string();
}

std::shared_ptr<QuorelVC> SimPhone::mainScreen() const {
    if (!window_) return nullptr;
    const auto stack = window_->presentationStack();
    for (auto it = stack.rbegin(); it != stack.rend(); ++it)
        if (auto screen = std::dynamic_pointer_cast<QuorelVC>(*it)) return screen;
    return nullptr;
}

std::string SimPhone::placeName(const AnnnotationView& card) {
    const auto place = std::dynamic_pointer_cast<Place>(card.annotation());
    return place && place->property ? place->property->name : std::string();
}

std::vector<std::shared_ptr<AnnnotationView>> SimPhone::cardsNamed(const std::string& name,
                                                                   const QuorelVC* screen) const {
    std::vector<std::shared_ptr<AnnnotationView>> cards;
    const auto top = screen ? nullptr : mainScreen();
    if (!screen) screen = top.get();
    if (!screen || !screen->presenter()) return cards;
    for (const auto& child : screen->presenter()->subviews())
        if (auto card = std::dynamic_pointer_cast<AnnnotationView>(child);
            card && placeName(*card) == name)
            cards.push_back(card);
    const Size size = setup_.screen;
    std::stable_sort(cards.begin(), cards.end(), [&](const auto& a, const auto& b) {
        const bool sa = centreOnScreen(*a, size), sb = centreOnScreen(*b, size);
        if (sa != sb) return sa;
        return distanceOf(*a) < distanceOf(*b);
    });
    return cards;
}

std::vector<std::shared_ptr<AnnnotationView>> SimPhone::cardsOnScreen(
    const QuorelVC* screen) const {
    std::vector<std::shared_ptr<AnnnotationView>> cards;
    const auto top = screen ? nullptr : mainScreen();
    if (!screen) screen = top.get();
    if (!screen || !screen->presenter() || !isInWindow(*screen->presenter())) return cards;
    for (const auto& child : screen->presenter()->subviews())
        if (auto card = std::dynamic_pointer_cast<AnnnotationView>(child);
            card && centreOnScreen(*card, setup_.screen))
            cards.push_back(card);
    return cards;
}

TouchResult SimPhone::tapCard(const std::string& name) {
    const auto cards = cardsNamed(name);
    if (cards.empty()) return {false, "no card shows \"" + name + "\""};
    return finger_.tap(*cards.front());
}

}  // namespace arquorel::sim
