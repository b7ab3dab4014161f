#include "sim/phone/SimPhone.h"

#include <algorithm>
#include <cmath>
#include <sstream>

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

std::string number(double value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

// A finite heading brought into [0, 360).
double wrapped(double degrees) {
    const double d = std::fmod(degrees, 360.0);
    return d < 0 ? d + 360 : d;
}

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

SimPhoneSetup checked(SimPhoneSetup setup, std::vector<std::string>& problems) {
    const auto within = [](double v, double low, double high) { return v >= low && v <= high; };
    if (!within(setup.screen.width, 100, 10000) || !within(setup.screen.height, 100, 10000)) {
        problems.push_back("SimPhone: the screen must be 100 to 10000 points each way: " +
                           number(setup.screen.width) + " x " + number(setup.screen.height) +
                           "; 375 x 812 is used");
        setup.screen = SimPhoneSetup{}.screen;
    }
    if (!within(setup.scale, 1, 4)) {
        problems.push_back("SimPhone: the screen scale must be 1 to 4: " + number(setup.scale) +
                           "; 2 is used");
        setup.scale = SimPhoneSetup{}.scale;
    }
    return setup;
}

}  // namespace

SimPhone::SimPhone(SimPhoneSetup setup)
    : setup_(checked(std::move(setup), setupProblems_)),
      device_(setup_.settingsFile),
      camera_(device_.context()),
      finger_(device_),
      layers_(std::make_unique<LayerStore>(setup_.scale, cairo::makeCairoLayer)) {
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
    for (const auto& problem : setupProblems_) device_.context().console().writeLine(problem);
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

bool SimPhone::accept(const char* what, double value, double low, double high) {
    if (value >= low && value <= high) return true;
    device_.context().console().writeLine(std::string("SimPhone: ") + what + " must be in [" +
                                          number(low) + ", " + number(high) +
                                          "]: " + number(value) + "; nothing changed");
    return false;
}

bool SimPhone::setPose(double lat, double lng, double heading, double pitch) {
    if (!accept("the heading", heading, -1e9, 1e9) || !accept("the pitch", pitch, -90, 90) ||
        !setPosition(lat, lng))
        return false;
    pose_ = {wrapped(heading), pitch};
    feedReadings();
    readingsFlow();
    return true;
}

bool SimPhone::setPosition(double lat, double lng, double accuracy) {
    if (!accept("the latitude", lat, -90, 90) || !accept("the longitude", lng, -180, 180) ||
        !accept("the accuracy", accuracy, 0, 1e6))
        return false;
    position_ = FixEvent{Coordinate{lat, lng}, accuracy, 0};
    readingsSinceFix_ = 0;
    sensors_.apply({0, *position_});
    readingsFlow();
    return true;
}

bool SimPhone::setHeading(double heading, double accuracy) {
    if (!accept("the heading", heading, -1e9, 1e9) || !accept("the accuracy", accuracy, -1e9, 1e9))
        return false;
    pose_.heading = wrapped(heading);
    headingAccuracy_ = accuracy;
    sensors_.apply({0, HeadingEvent{pose_.heading, pose_.heading, accuracy}});
    readingsFlow();
    return true;
}

bool SimPhone::setPitch(double pitch) {
    if (!accept("the pitch", pitch, -90, 90)) return false;
    pose_.pitch = pitch;
    sensors_.apply({0, AccelerationEvent{gravityAt(pitch, landscape())}});
    readingsFlow();
    return true;
}

bool SimPhone::deliverAcceleration(Acceleration a) {
    if (!accept("the acceleration x", a.x, -16, 16) ||
        !accept("the acceleration y", a.y, -16, 16) || !accept("the acceleration z", a.z, -16, 16))
        return false;
    // gravityAt() inverted: the tilt towards the ground about the screen's horizontal axis.
    const double up = landscape() ? -a.x : -a.y;
    if (up != 0 || a.z != 0)
        pose_.pitch = std::clamp(std::atan2(a.z, up) / kDegreesToRadians, -90.0, 90.0);
    sensors_.apply({0, AccelerationEvent{a}});
    return true;
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
    layers_->clear();
}

bool SimPhone::drawFrame(Painter& painter) {
    if (!window_) return false;
    return Renderer().renderFrame(*window_, painter, *layers_);
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
    return place && place->property ? place->property->name.str() : std::string();
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
