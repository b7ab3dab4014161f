#include "sim/host/ScenarioPlayer.h"

#include <algorithm>
#include <fstream>

#include "arquorel/arscreen/DebugMapViewController.h"
#include "arquorel/arscreen/LocationManager.h"
#include "arquorel/placelist/WebViewVC.h"
#include "arquorel/places/DistanceText.h"
#include "arquorel/places/Place.h"
#include "arquorel/places/PlacesFile.h"
#include "arquorel/places/QuorelVC.h"
#include "arquorel/platform/maps/pack/MapPack.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/SessionRecorder.h"
#include "arquorel/platform/ui/AlertController.h"
#include "arquorel/platform/ui/HitTest.h"
#include "arquorel/platform/ui/LayoutRegistry.h"
#include "arquorel/platform/ui/Storyboard.h"
#include "arquorel/platform/ui/ViewController.h"
#include "arquorel/platform/web/ShareSheet.h"
#include "arquorel/platform/web/WebView.h"
#include "sim/device/GpxReader.h"
#include "sim/host/CliArgs.h"
#include "sim/host/MapCommands.h"
#include "sim/mappack/MapPackMaker.h"

namespace arquorel::sim {

namespace {

SimPhoneSetup phoneSetup(const DeviceSetup& setup) {
    SimPhoneSetup phone;
    phone.screen = setup.screen;
    phone.scale = setup.scale;
    phone.language = setup.language;
    phone.locationServices = setup.locationServices;
    phone.steadyReadings = false;
    return phone;
}

// The time at the start of a log line, right-aligned: "   12.35  ".
std::string stamp(double seconds) {
    const std::string t = formatFixed(seconds, 2);
    return std::string(t.size() < 8 ? 8 - t.size() : 0, ' ') + t + "  ";
}

std::string htmlEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

// ---- The host ----------------------------------------------------------------------------

class ScenarioHost::Delegate : public QuorelVCDelegate {
  public:
    explicit Delegate(ScenarioHost& host) : host_(&host), calls_(host.delegateCalls_) {}
    void openElementDetails(const std::shared_ptr<QuorelProperty>& place) override {
        ++*calls_;
        if (!place) {
            host_->note("delegate: openElementDetails without a place");
            return;
        }
        host_->note("delegate: openElementDetails " + printable(place->name) + " (id " +
                    printable(place->id) + ")");
    }

  private:
    // The screen may outlive the host in a test that keeps it; the host's destructor takes the
    // delegates off every screen, so this pointer is never used after the host is gone.
    ScenarioHost* host_;
    std::shared_ptr<std::size_t> calls_;
};

ScenarioHost::ScenarioHost(const Setup& setup, std::ostream* log)
    : log_(log), setup_(setup), phone_(phoneSetup(setup)) {
    auto& context = phone_.context();
    start_ = phone_.device().now();
    context.console().startCapture();
    if (setup.imperial) context.userDefaults().set(kImperialUnitsKey, true);
    rereadUnitSetting();
    registerPlaceListLayouts();
    auto& camera = phone_.camera().settings();
    switch (setup.camera) {
        case ScenarioCamera::authorized:
            camera.authorization = CameraAuthorizationStatus::authorized;
            break;
        case ScenarioCamera::denied:
            camera.authorization = CameraAuthorizationStatus::denied;
            break;
        case ScenarioCamera::undecided:
            camera.authorization = CameraAuthorizationStatus::notDetermined;
            camera.promptAnswer = true;
            break;
        case ScenarioCamera::none:
            camera.cameras = SimCameraSettings::Cameras::none;
            break;
    }
    if (!setup.pages.empty()) {
        pages_ = std::make_shared<SimDataLoader>(setup.pages);
        context.setDataLoader(pages_);
    }
    phone_.device().directions().mode = setup.directions;
    phone_.device().urlOpener().setInstalledMapApps(setup.mapApps);
    phone_.device().mailService().setAccount(setup.mail);
    phone_.device().reachability().setConnected(setup.network);
    if (pages_) pages_->setOffline(!setup.network);

    // The host starts the shared location manager first, so that a position is known before
    // the main screen loads.
    context.notificationCenter().addObserver(
        this, kAskForLocationNotification, [this](const auto&) {
            note(std::string("host: told to ask the user for location access (") +
                 kAskForLocationNotification + ")");
        });
    context.notificationCenter().addObserver(
        this, kNotificationLocationSet, [this](const Notification& n) {
            const auto it = n.userInfo.find(kLocationUserInfoKey);
            const Location* picked =
                it == n.userInfo.end() ? nullptr : std::any_cast<Location>(&it->second);
            if (!picked) return;
            note(std::string("debug map: posts ") + kNotificationLocationSet + " at " +
                 formatFixed(picked->coordinate.latitude, 6) + ", " +
                 formatFixed(picked->coordinate.longitude, 6));
        });
    LocationManager::sharedInstance()->start();

    root_ = std::make_shared<ViewController>();
    phone_.show(root_);
    look();
}

ScenarioHost::~ScenarioHost() {
    log_ = nullptr;
    phone_.device().context().notificationCenter().removeObserver(this);
    for (const auto& weak : screens_)
        if (auto screen = weak.lock()) screen->delegate.reset();
    // Screens hold on to the device's services until they are gone: close the one shown and
    // let its transition and delayed steps end while the device still runs.
    if (root_->presentedViewController()) root_->dismiss(false);
    phone_.advance(QuorelVC::kAlertDelay + 1);
    phone_.closeWindow();
    root_.reset();
    phone_.runPending();
}

double ScenarioHost::time() const {
    return phone_.now() - start_;
}

void ScenarioHost::note(const std::string& text) {
    if (!log_) return;
    flushCounters();
    *log_ << stamp(time()) << text << "\n";
}

void ScenarioHost::flushCounters() {
    if (!counters_) return;
    const Counters run = *counters_;
    counters_.reset();
    if (!log_) return;
    *log_ << stamp(run.start) << "console: " << run.first;
    if (run.lines > 1)
        *log_ << " ... " << run.last << " (" << run.lines << " lines of numbers, the last at "
              << formatFixed(run.end, 2) << ")";
    *log_ << "\n";
}

void ScenarioHost::present() {
    if (root_->presentedViewController()) {
        note("host: a screen is already presented over the root screen; nothing presented");
        return;
    }
    // Made from the layout, as a host does, so that its segues (the list) lead somewhere.
    auto screen =
        std::dynamic_pointer_cast<QuorelVC>(LayoutRegistry::shared()
                                                .storyboard(kMainStoryboard)
                                                ->instantiateViewController(kQuorelVCIdentifier));
    if (!screen) return;
    screen->serverPlaces = records;
    screen->attribution = setup_.attribution;
    if (setup_.delegate) screen->delegate = std::make_shared<Delegate>(*this);
    screen->uiOptions.debugMap = setup_.debugMap;
    screen->uiOptions.debugLabel = setup_.debugLabel;
    screen->showsFirstUseHints = setup_.hints;
    screen_ = screen;
    screens_.push_back(screen);
    reloadsSeen_ = 0;
    note("host: presents the main screen with " + std::to_string(records.size()) + " places");
    root_->present(screen, true);
    phone_.device().runPending();
    look();
}

bool ScenarioHost::screenOnTop() const {
    auto screen = screen_.lock();
    return screen && phone_.window()->topViewController() == screen;
}

void ScenarioHost::background() {
    note("host: the application goes to the background");
    phone_.device().context().application().enterBackground();
    phone_.device().runPending();
    look();
}

void ScenarioHost::foreground() {
    note("host: the application comes back to the foreground");
    phone_.device().context().application().enterForeground();
    phone_.device().runPending();
    look();
}

void ScenarioHost::postReloadNotification() {
    note(std::string("host: posts ") + kReloadOnBecomeActive);
    phone_.device().context().notificationCenter().post(kReloadOnBecomeActive);
    phone_.device().runPending();
    look();
}

std::string ScenarioHost::placeName(const AnnnotationView& card) {
    return SimPhone::placeName(card);
}

std::vector<std::shared_ptr<AnnnotationView>> ScenarioHost::cardsNamed(
    const std::string& name) const {
    const auto screen = screen_.lock();
    if (!screen) return {};
    return phone_.cardsNamed(name, screen.get());
}

std::vector<std::shared_ptr<AnnnotationView>> ScenarioHost::cardsOnScreen() const {
    const auto screen = screen_.lock();
    if (!screen) return {};
    return phone_.cardsOnScreen(screen.get());
}

bool ScenarioHost::tapAt(Point point) {
    note("user: taps at (" + formatFixed(point.x, 0) + ", " + formatFixed(point.y, 0) + ")");
    phone_.finger().tapAt(point);
    look();
    return true;
}

bool ScenarioHost::longPressAt(Point point) {
    note("user: long-presses at (" + formatFixed(point.x, 0) + ", " + formatFixed(point.y, 0) +
         ")");
    phone_.finger().longPressAt(point);
    look();
    return true;
}

void ScenarioHost::touch(TouchPhase phase, Point point) {
    if (phase == TouchPhase::began)
        note("user: finger down at (" + formatFixed(point.x, 0) + ", " + formatFixed(point.y, 0) +
             ") on " + touchTargetName(*phone_.window(), point));
    phone_.finger().touchAt(phase, point);
    phone_.device().runPending();
    if (phase == TouchPhase::ended || phase == TouchPhase::cancelled)
        note(std::string("user: finger ") + (phase == TouchPhase::ended ? "up" : "cancelled") +
             " at (" + formatFixed(point.x, 0) + ", " + formatFixed(point.y, 0) + ")");
    look();
}

void ScenarioHost::rotate(DeviceOrientation orientation) {
    static const char* const names[] = {"unknown",        "portrait",        "upside down",
                                        "landscape left", "landscape right", "face up",
                                        "face down"};
    const auto index = static_cast<std::size_t>(orientation);
    note(std::string("user: turns the phone ") + (index < std::size(names) ? names[index] : "?"));
    phone_.device().context().device().setOrientation(orientation);
    phone_.device().runPending();
    look();
}

std::string ScenarioHost::missed(const AnnnotationView& card, const std::string& message) const {
    // A card covered by another: name the place the finger would have touched instead.
    const auto b = card.bounds();
    const Point centre = convertToRoot(card, {b.midX(), b.midY()});
    const auto w = phone_.window()->bounds();
    if (centre.x < 0 || centre.y < 0 || centre.x > w.width() || centre.y > w.height())
        return "the card of " + printable(placeName(card)) + " is off screen, its centre at (" +
               formatFixed(centre.x, 0) + ", " + formatFixed(centre.y, 0) + ")";
    auto hit = hitTest(*phone_.window(), centre);
    for (auto v = hit; v; v = v->superview()) {
        if (auto other = std::dynamic_pointer_cast<AnnnotationView>(v))
            return "the card of " + printable(placeName(card)) + " lies under the card of " +
                   printable(placeName(*other));
    }
    return message;
}

bool ScenarioHost::tap(AnnnotationView& card) {
    const auto result = phone_.finger().tap(card);
    if (!result) note("user: the tap missed: " + missed(card, result.message));
    look();
    return result.ok;
}

bool ScenarioHost::swipe(AnnnotationView& card, SwipeDirection direction) {
    const auto result = phone_.finger().swipe(card, direction);
    if (!result) note("user: the swipe missed: " + missed(card, result.message));
    look();
    return result.ok;
}

bool ScenarioHost::tapCard(const std::string& name) {
    const auto cards = cardsNamed(name);
    note("user: taps the card of " + printable(name));
    if (cards.empty()) {
        note("user: no card shows " + printable(name));
        return false;
    }
    return tap(*cards.front());
}

bool ScenarioHost::swipeCard(SwipeDirection direction, const std::string& name) {
    const auto cards = cardsNamed(name);
    const char* way = direction == SwipeDirection::left    ? "left"
                      : direction == SwipeDirection::right ? "right"
                                                           : "up";
    note(std::string("user: swipes ") + way + " the card of " + printable(name));
    if (cards.empty()) {
        note("user: no card shows " + printable(name));
        return false;
    }
    return swipe(*cards.front(), direction);
}

bool ScenarioHost::tapView(const std::string& identifier) {
    note("user: taps " + printable(identifier));
    const auto result = phone_.finger().tap(identifier);
    if (!result) note("user: the tap missed: " + result.message);
    look();
    return result.ok;
}

bool ScenarioHost::pressAlertButton(const std::string& button) {
    auto alert = std::dynamic_pointer_cast<AlertController>(phone_.window()->topViewController());
    note("user: presses \"" + printable(button) + "\" on the alert");
    if (!alert) {
        note("user: no alert is shown");
        return false;
    }
    return pickButton(*alert, button, "alert");
}

bool ScenarioHost::pickButton(AlertController& alert, const std::string& button, const char* what) {
    const std::string text = localized(button);
    for (const auto& action : alert.actions()) {
        if (action.title == button || action.title == text) {
            const bool picked = alert.pickAction(action.title);
            phone_.device().runPending();
            look();
            return picked;
        }
    }
    std::string buttons;
    for (const auto& action : alert.actions()) buttons += " [" + printable(action.title) + "]";
    note(std::string("user: the ") + what + " has no button \"" + printable(button) +
         "\":" + buttons);
    return false;
}

void ScenarioHost::openList() {
    auto screen = screen_.lock();
    if (!screen || !screenOnTop()) {
        note("user: cannot open the list: the main screen is not on top");
        return;
    }
    note("user: opens the list");
    screen->openPointsList();
    phone_.device().runPending();
    if (auto shown = list())
        note("screen: the list shows " + std::to_string(shown->tableData.size()) + " places");
    look();
}

std::shared_ptr<PointsVC> ScenarioHost::list() const {
    return std::dynamic_pointer_cast<PointsVC>(phone_.window()->topViewController());
}

void ScenarioHost::scrollBy(ScrollView& scroll, double dy) {
    constexpr double kStrokeSeconds = 0.06;
    // Quick strokes of at most 80 % of the view's height, through its middle.
    const Rect frame = scroll.frame();
    const auto parent = scroll.superview();
    const Point middle = parent ? convertToRoot(*parent, {frame.midX(), frame.midY()})
                                : Point{frame.midX(), frame.midY()};
    const double stroke = std::max(20.0, frame.height() * 0.8);
    double left = dy;
    while (std::fabs(left) > 0.5) {
        const double step = std::clamp(left, -stroke, stroke);
        phone_.finger().drag({middle.x, middle.y + step / 2}, {middle.x, middle.y - step / 2},
                             kStrokeSeconds, 3);
        left -= step;
    }
}

bool ScenarioHost::scrollList(double dy) {
    const auto shown = list();
    if (!shown) {
        note("user: no list is shown to scroll");
        return false;
    }
    const auto& table = shown->tableView;
    const double before = table->contentOffset().y;
    note("user: scrolls the list by " + formatFixed(dy, 0) + " points");
    scrollBy(*table, dy);
    note("screen: the list's offset went from " + formatFixed(before, 0) + " to " +
         formatFixed(table->contentOffset().y, 0) + " points");
    look();
    return true;
}

bool ScenarioHost::tapRow(std::optional<int> row, const std::string& name) {
    const auto shown = list();
    const std::string what = row ? "row " + std::to_string(*row) : "row " + printable(name);
    if (!shown) {
        note("user: no list is shown to tap " + what);
        return false;
    }
    if (!row) {
        const auto& data = shown->tableData;
        const auto it = std::find_if(data.begin(), data.end(),
                                     [&](const auto& p) { return p && p->name == name; });
        if (it == data.end()) {
            note("user: the list has no row " + printable(name));
            return false;
        }
        row = static_cast<int>(it - data.begin());
    }
    if (*row >= shown->tableView->numberOfRows()) {
        note("user: the list has no row " + std::to_string(*row) + " (it has " +
             std::to_string(shown->tableView->numberOfRows()) + ")");
        return false;
    }
    shown->tableView->scrollToRow(*row);
    phone_.device().runPending();
    const auto cell = shown->tableView->cellForRow(*row);
    note("user: taps " + what);
    const auto result = cell ? phone_.finger().tap(*cell->contentView())
                             : TouchResult{false, "the row is not on screen"};
    if (!result) note("user: the tap missed: " + result.message);
    look();
    return result.ok;
}

void ScenarioHost::setNetwork(bool on) {
    note(std::string("device: the network is ") + (on ? "on" : "off"));
    phone_.device().reachability().setConnected(on);
    if (pages_) pages_->setOffline(!on);
    phone_.device().runPending();
    look();
}

void ScenarioHost::browse(const std::string& url, const std::string& title) {
    auto top = phone_.window()->topViewController();
    note("host: opens the web page " + printable(url));
    if (!top) return;
    auto web = WebViewVC::create();
    web->url = url;
    web->navTitle = title;
    web->loadViewIfNeeded();
    web->webView->onFinished = [this](WebView& view) {
        note("web: loaded " + printable(view.url()));
    };
    screensSeen_.push_back(web);  // logged above
    top->present(web, true);
    phone_.device().runPending();
    look();
}

void ScenarioHost::setMapApps(const std::vector<std::string>& schemes) {
    std::string names;
    for (const auto& scheme : schemes) names += (names.empty() ? "" : ", ") + scheme;
    note("device: the installed map applications are " + (names.empty() ? "none" : names));
    phone_.device().urlOpener().setInstalledMapApps(schemes);
}

void ScenarioHost::setMail(bool on) {
    note(std::string("device: the mail account is ") + (on ? "set up" : "gone"));
    phone_.device().mailService().setAccount(on);
}

bool ScenarioHost::openDetails(const std::string& name) {
    if (auto shown = list()) {
        const auto& data = shown->tableData;
        const auto it = std::find_if(data.begin(), data.end(),
                                     [&](const auto& p) { return p && p->name == name; });
        note("user: opens the details of " + printable(name) + " from the list");
        if (it == data.end()) {
            note("user: the list has no row " + printable(name));
            return false;
        }
        shown->selectRow(static_cast<int>(it - data.begin()));
        phone_.device().runPending();
        look();
        return true;
    }
    auto screen = screen_.lock();
    note("user: opens the details of " + printable(name));
    if (!screen || !screenOnTop()) {
        note("user: cannot open details: neither the list nor the main screen is on top");
        return false;
    }
    // The card on screen when there is one, else the place's own card, shown or not: the
    // screen reads only the place from it.
    std::shared_ptr<AnnnotationView> card;
    if (const auto cards = cardsNamed(name); !cards.empty()) card = cards.front();
    if (!card) {
        for (const auto& place : screen->places) {
            if (!place || !place->property || place->property->name != name) continue;
            card = std::dynamic_pointer_cast<AnnnotationView>(place->annotationView());
            if (!card) {
                card = AnnnotationView::create();
                card->setAnnotation(place);
            }
            break;
        }
    }
    if (!card) {
        note("user: the main screen has no place " + printable(name));
        return false;
    }
    screen->annotationViewTapped(card);
    phone_.device().runPending();
    look();
    return true;
}

std::shared_ptr<PlaceVC> ScenarioHost::details() const {
    return std::dynamic_pointer_cast<PlaceVC>(phone_.window()->topViewController());
}

bool ScenarioHost::scrollDetails(double dy) {
    const auto shown = details();
    if (!shown || !shown->scrollView) {
        note("user: no details screen is shown to scroll");
        return false;
    }
    const auto& scroll = shown->scrollView;
    const double before = scroll->contentOffset().y;
    note("user: scrolls the details by " + formatFixed(dy, 0) + " points");
    scrollBy(*scroll, dy);
    phone_.device().runPending();
    note("screen: the details' offset went from " + formatFixed(before, 0) + " to " +
         formatFixed(scroll->contentOffset().y, 0) + " points");
    look();
    return true;
}

bool ScenarioHost::tapMap(Point point) {
    const std::string where = "(" + formatFixed(point.x, 0) + ", " + formatFixed(point.y, 0) + ")";
    std::shared_ptr<View> map;
    const auto top = phone_.window()->topViewController();
    if (const auto shown = std::dynamic_pointer_cast<PlaceVC>(top))
        map = shown->mapHolderView;
    else if (const auto debug = std::dynamic_pointer_cast<DebugMapViewController>(top))
        map = debug->mapView();
    if (!map || !map->superview()) {
        note("user: no map is shown to tap at " + where);
        return false;
    }
    const Point at = convertToRoot(*map, point);
    note("user: taps the map at " + where + ", (" + formatFixed(at.x, 0) + ", " +
         formatFixed(at.y, 0) + ") in the window");
    const auto hit = hitTest(*phone_.window(), at);
    bool onMap = false;
    for (auto v = hit; v && !onMap; v = v->superview()) onMap = v == map;
    if (!onMap) {
        note("user: the tap missed: the point is not on the map" +
             (hit && !hit->identifier().empty() ? ", it would hit '" + hit->identifier() + "'"
                                                : std::string()));
        return false;
    }
    phone_.finger().tapAt(at);
    look();
    return true;
}

bool ScenarioHost::pressSheetButton(const std::string& button) {
    const auto top = phone_.window()->topViewController();
    note("user: presses \"" + printable(button) + "\" on the sheet");
    if (const auto share = std::dynamic_pointer_cast<ShareSheetController>(top)) {
        // The share sheet's one button.
        if (button != "Cancel" && button != "cancel" && button != localized("cancel")) {
            note("user: the share sheet has no button \"" + printable(button) + "\": [Cancel]");
            return false;
        }
        const bool cancelled = share->cancel();
        phone_.device().runPending();
        look();
        return cancelled;
    }
    const auto sheet = std::dynamic_pointer_cast<AlertController>(top);
    if (!sheet) {
        note("user: no action sheet or alert is shown");
        return false;
    }
    return pickButton(*sheet, button, "sheet");
}

void ScenarioHost::look() {
    auto& console = phone_.device().context().console();
    if (!console.lines().empty()) {
        const auto lines = console.lines();
        console.clear();
        for (const auto& line : lines) {
            // Numbers written frame after frame (the radar's calibration counters) make one
            // line of the log.
            const bool number = !line.empty() && line.size() < 12 &&
                                line.find_first_not_of("0123456789-") == std::string::npos;
            if (number && log_) {
                if (!counters_) counters_ = Counters{time(), time(), line, line, 0};
                counters_->end = time();
                counters_->last = line;
                ++counters_->lines;
            } else {
                note("console: " + printable(line));
            }
        }
    }
    if (auto screen = screen_.lock(); screen && screen->reloadCount() != reloadsSeen_) {
        reloadsSeen_ = screen->reloadCount();
        note("screen: reload " + std::to_string(reloadsSeen_) + " of the places");
    }
    std::erase_if(alertsSeen_, [](const auto& w) { return w.expired(); });
    for (const auto& controller : phone_.window()->presentationStack()) {
        auto alert = std::dynamic_pointer_cast<AlertController>(controller);
        if (!alert) continue;
        const bool seen = std::any_of(alertsSeen_.begin(), alertsSeen_.end(),
                                      [&](const auto& w) { return w.lock() == alert; });
        if (seen) continue;
        alertsSeen_.push_back(alert);
        std::string text = "alert: \"" + printable(alert->title()) + "\"";
        if (!alert->message().empty()) text += " \"" + printable(alert->message()) + "\"";
        text += " buttons:";
        for (const auto& action : alert->actions()) text += " [" + printable(action.title) + "]";
        note(text);
    }
    // Details screens and web pages, once each.
    std::erase_if(screensSeen_, [](const auto& w) { return w.expired(); });
    for (const auto& controller : phone_.window()->presentationStack()) {
        const auto shown = std::dynamic_pointer_cast<PlaceVC>(controller);
        const auto page = std::dynamic_pointer_cast<WebViewVC>(controller);
        if ((!shown || !shown->place) && !page) continue;
        const bool seen = std::any_of(screensSeen_.begin(), screensSeen_.end(),
                                      [&](const auto& w) { return w.lock() == controller; });
        if (seen) continue;
        screensSeen_.push_back(controller);
        if (shown)
            note("screen: the details of " + printable(shown->place->name) + " (id " +
                 printable(shown->place->id) + ")");
        else
            note("screen: the web page " + printable(page->url));
    }
    auto& device = phone_.device();
    const auto& urls = device.urlOpener().openedURLs();
    for (; urlsSeen_ < urls.size(); ++urlsSeen_)
        note("device: opens " + printable(urls[urlsSeen_]));
    const auto& launches = device.mapsApplication().launches();
    for (; launchesSeen_ < launches.size(); ++launchesSeen_) {
        std::string text = "device: the system map application opens";
        const auto& launch = launches[launchesSeen_];
        if (launch.directionsMode)
            text += *launch.directionsMode == DirectionsMode::walking   ? " a walking route"
                    : *launch.directionsMode == DirectionsMode::driving ? " a driving route"
                                                                        : " a transit route";
        const char* joint = " from ";
        for (const auto& item : launch.items) {
            text += joint;
            joint = " to ";
            if (item.isCurrentLocation) {
                text += "the current location";
                continue;
            }
            text += (item.name.empty() ? std::string("a point") : printable(item.name)) + " (" +
                    formatFixed(item.coordinate.latitude, 6) + ", " +
                    formatFixed(item.coordinate.longitude, 6) + ")";
        }
        note(text);
    }
    const auto& shares = device.shareService().shared();
    for (; sharesSeen_ < shares.size(); ++sharesSeen_) {
        std::string text = "device: the share sheet offers";
        const char* joint = " ";
        for (const auto& item : shares[sharesSeen_].items) {
            text += joint;
            joint = " and ";
            text += std::string(item.kind == ShareItem::Kind::url ? "the address" : "the text") +
                    " \"" + printable(item.value) + "\"";
        }
        note(text);
    }
    const auto& drafts = device.mailService().drafts();
    for (; draftsSeen_ < drafts.size(); ++draftsSeen_) {
        std::string to;
        for (const auto& r : drafts[draftsSeen_].recipients)
            to += (to.empty() ? "" : ", ") + printable(r);
        note("device: a mail to " + to + " is being written");
    }
    if (reader_) reader_->refresh();
}

ScreenReader& ScenarioHost::screenReader() {
    if (!reader_) {
        reader_ = std::make_unique<ScreenReader>(phone_.window());
        reader_->onSpeak = [this](const Utterance& u) { note("reader " + u.kind + ": " + u.text); };
    }
    return *reader_;
}

void ScenarioHost::a11y(const scenario::A11y& gesture) {
    using scenario::A11yGesture;
    auto& reader = screenReader();
    reader.refresh();
    switch (gesture.gesture) {
        case A11yGesture::next:
            note("user: a11y next");
            reader.next();
            break;
        case A11yGesture::previous:
            note("user: a11y previous");
            reader.previous();
            break;
        case A11yGesture::activate:
            note("user: a11y activate");
            reader.activate();
            break;
        case A11yGesture::escape:
            note("user: a11y escape");
            reader.escape();
            break;
        case A11yGesture::adjustUp:
        case A11yGesture::adjustDown:
            note(std::string("user: a11y adjust ") +
                 (gesture.gesture == A11yGesture::adjustUp ? "up" : "down"));
            reader.adjust(gesture.gesture == A11yGesture::adjustUp);
            break;
        case A11yGesture::action:
            note("user: a11y action " + printable(gesture.action));
            reader.perform(gesture.action);
            break;
    }
}

void ScenarioHost::advance(double seconds) {
    phone_.device().advance(seconds);
    look();
}

// ---- The player --------------------------------------------------------------------------

ScenarioPlayer::ScenarioPlayer(Scenario scenario, std::ostream& log)
    : scenario_(std::move(scenario)), log_(log) {}

ScenarioPlayer::~ScenarioPlayer() = default;

std::string ScenarioPlayer::load() {
    std::vector<std::shared_ptr<QuorelProperty>> records;
    if (!scenario_.device.pages.empty() && !std::filesystem::is_directory(scenario_.device.pages))
        return "line " + std::to_string(scenario_.pagesLine) + ": pages: no folder " +
               printable(scenario_.device.pages.string());
    for (const auto& path : scenario_.places) {
        const auto file = PlacesFile::fromPath(path);
        std::string where = "line " + std::to_string(scenario_.placesLine) + ": ";
        if (scenario_.places.size() > 1) where += printable(path.filename().string()) + ": ";
        if (file.error) return where + file.error->message;
        for (const auto& problem : file.problems)
            log_ << where << "places: " << printable(problem.text()) << "\n";
        records.insert(records.end(), file.records.begin(), file.records.end());
    }
    if (!scenario_.inlinePlaces.empty()) {
        const auto file = PlacesFile::fromText(scenario_.inlinePlaces);
        const std::string where = "line " + std::to_string(scenario_.placesLine) + ": ";
        if (file.error) return where + "places-inline: " + file.error->message;
        for (const auto& problem : file.problems)
            log_ << where << "places: " << printable(problem.text()) << "\n";
        records.insert(records.end(), file.records.begin(), file.records.end());
    }
    // A place to open must be one of the host's.
    for (const auto& event : scenario_.events) {
        const auto* open = std::get_if<scenario::OpenDetails>(&event.action);
        if (!open) continue;
        const bool known = std::any_of(records.begin(), records.end(),
                                       [&](const auto& r) { return r && r->name == open->name; });
        if (!known)
            return "line " + std::to_string(event.line) + ": open details: no place is named " +
                   printable(open->name);
    }
    for (std::size_t i = 0; i < scenario_.events.size(); ++i) {
        const auto& event = scenario_.events[i];
        const auto* walk = std::get_if<scenario::Walk>(&event.action);
        if (!walk) continue;
        const std::string where = "line " + std::to_string(event.line) + ": ";
        const auto track = readGpxFile(walk->gpx);
        if (!track.ok()) return where + track.error;
        if (track.points.empty()) return where + "the track has no points";
        std::vector<Coordinate> points;
        for (const auto& p : track.points) points.push_back(p.coordinate);
        walks_[i] = walkFixes(points, kWalkingSpeed * walk->speed, event.time);
    }
    for (const auto& [index, fixes] : walks_)
        fixes_.insert(fixes_.end(), fixes.begin(), fixes.end());
    std::stable_sort(fixes_.begin(), fixes_.end(),
                     [](const auto& a, const auto& b) { return a.time < b.time; });
    std::shared_ptr<const MapPack> pack;
    if (!scenario_.mapPack.empty()) {
        const std::string where = "line " + std::to_string(scenario_.mapPackLine) + ": map-pack: ";
        std::string error;
        pack = loadMapPackOrExtract(scenario_.mapPack.string(), error);
        if (!pack) return where + error;
    }
    plan_ = std::make_unique<SensorPlan>(scenario_, walks_);

    ScenarioHost::Setup setup = scenario_.device;
    if (!scenario_.places.empty() || !scenario_.inlinePlaces.empty())
        setup.attribution = kOnScreenAttribution;
    host_ = std::make_unique<ScenarioHost>(setup, &log_);
    host_->records = std::move(records);
    if (pack) host_->device().installMapPack(std::move(pack));
    // A person who uses the screen reader has it on from the start: they hear what comes on.
    if (std::any_of(scenario_.events.begin(), scenario_.events.end(),
                    [](const auto& e) { return std::holds_alternative<scenario::A11y>(e.action); }))
        host_->screenReader();
    return {};
}

void ScenarioPlayer::feedSensors(double t) {
    auto& phone = host_->phone();
    if (const auto heading = plan_->headingAt(t))
        phone.setHeading(heading->degrees, heading->accuracy);
    if (const auto pitch = plan_->pitchAt(t)) phone.setPitch(*pitch);
}

bool ScenarioPlayer::play(const std::filesystem::path& out) {
    if (!host_) {
        if (const auto problem = load(); !problem.empty()) {
            log_ << problem << "\n";
            return false;
        }
    }
    out_ = out;
    if (!out_.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(out_, ec);
        if (ec) {
            log_ << "cannot make " << printable(out_.string()) << ": " << ec.message() << "\n";
            return false;
        }
    }
    auto& host = *host_;
    // The device's clock counts seconds since 1970, so times within a fraction of a
    // millisecond are the same time.
    constexpr double kSameTime = 1e-4;
    std::size_t nextEvent = 0;
    std::size_t nextFix = 0;
    double nextTick = 0;
    const double end = plan_->end();
    const auto& events = scenario_.events;
    bool ok = true;
    for (;;) {
        const double now = host.time();
        // Sensor readings first, then the fixes and the actions due now, in file order.
        if (nextTick <= now + kSameTime) {
            while (nextTick <= now + kSameTime) nextTick += kSensorPeriod;
            feedSensors(now);
        }
        while (nextFix < fixes_.size() && fixes_[nextFix].time <= now + kSameTime) {
            const auto& fix = fixes_[nextFix++];
            host.sensors().apply({0, FixEvent{fix.coordinate, 5, 0}});
        }
        while (nextEvent < events.size() && events[nextEvent].time <= now + kSameTime) {
            const auto& event = events[nextEvent++];
            if (const auto* shot = std::get_if<scenario::Shot>(&event.action)) {
                ok = shoot(*shot) && ok;
            } else {
                run(event);
            }
        }
        if (nextEvent >= events.size() && nextFix >= fixes_.size() && now >= end - kSameTime) break;
        double next = nextTick;
        if (nextEvent < events.size()) next = std::min(next, events[nextEvent].time);
        if (nextFix < fixes_.size()) next = std::min(next, fixes_[nextFix].time);
        host.advance(std::max(next - host.time(), kSameTime));
    }
    host.flushCounters();
    if (!out_.empty()) ok = writeIndex() && ok;
    return ok;
}

void ScenarioPlayer::run(const ScenarioEvent& event) {
    using namespace scenario;
    auto& host = *host_;
    std::visit(
        [&](const auto& a) {
            using A = std::decay_t<decltype(a)>;
            if constexpr (std::is_same_v<A, Fix>) {
                host.sensors().apply({0, FixEvent{a.coordinate, a.accuracy, a.age}});
            } else if constexpr (std::is_same_v<A, Present>) {
                host.present();
            } else if constexpr (std::is_same_v<A, Background>) {
                host.background();
            } else if constexpr (std::is_same_v<A, Foreground>) {
                host.foreground();
            } else if constexpr (std::is_same_v<A, ReloadNotification>) {
                host.postReloadNotification();
            } else if constexpr (std::is_same_v<A, TapPoint>) {
                host.tapAt(a.point);
            } else if constexpr (std::is_same_v<A, LongPress>) {
                host.longPressAt(a.point);
            } else if constexpr (std::is_same_v<A, TapCard>) {
                host.tapCard(a.name);
            } else if constexpr (std::is_same_v<A, TapView>) {
                host.tapView(a.identifier);
            } else if constexpr (std::is_same_v<A, SwipeCard>) {
                host.swipeCard(a.direction, a.name);
            } else if constexpr (std::is_same_v<A, AlertButton>) {
                host.pressAlertButton(a.button);
            } else if constexpr (std::is_same_v<A, OpenList>) {
                host.openList();
            } else if constexpr (std::is_same_v<A, ScrollList>) {
                host.scrollList(a.dy);
            } else if constexpr (std::is_same_v<A, TapRow>) {
                host.tapRow(a.row, a.name);
            } else if constexpr (std::is_same_v<A, Raise>) {
                host.note("user: raises the phone upright");
                feedSensors(host.time());
            } else if constexpr (std::is_same_v<A, Network>) {
                host.setNetwork(a.on);
            } else if constexpr (std::is_same_v<A, Browse>) {
                host.browse(a.url, a.title);
            } else if constexpr (std::is_same_v<A, MapApps>) {
                host.setMapApps(a.schemes);
            } else if constexpr (std::is_same_v<A, Mail>) {
                host.setMail(a.on);
            } else if constexpr (std::is_same_v<A, OpenDetails>) {
                host.openDetails(a.name);
            } else if constexpr (std::is_same_v<A, SheetButton>) {
                host.pressSheetButton(a.button);
            } else if constexpr (std::is_same_v<A, TapMap>) {
                host.tapMap(a.point);
            } else if constexpr (std::is_same_v<A, ScrollDetails>) {
                host.scrollDetails(a.dy);
            } else if constexpr (std::is_same_v<A, Compass>) {
                host.phone().setHeading(a.degrees, a.accuracy);
            } else if constexpr (std::is_same_v<A, Accel>) {
                host.phone().deliverAcceleration(a.sample);
            } else if constexpr (std::is_same_v<A, Rotate>) {
                host.rotate(a.orientation);
            } else if constexpr (std::is_same_v<A, TouchPath>) {
                host.touch(a.phase, a.point);
            } else if constexpr (std::is_same_v<A, End>) {
                host.note("the recording ends");
            } else if constexpr (std::is_same_v<A, A11y>) {
                host.a11y(a);
            } else if constexpr (std::is_same_v<A, Heading> || std::is_same_v<A, Turn> ||
                                 std::is_same_v<A, Walk> || std::is_same_v<A, Pitch>) {
                // The sensor plan gives their readings; take the first one now.
                feedSensors(host.time());
            }
        },
        event.action);
}

bool ScenarioPlayer::shoot(const scenario::Shot& shot) {
    auto& host = *host_;
    const auto top = host.window().topViewController();
    shots_.push_back({host.time(), shot.name, shot.caption, top ? top->typeName() : ""});
    if (onShot) onShot(shots_.back());
    if (out_.empty()) {
        host.note("shot " + shot.name + " (not written)");
        return true;
    }
    const auto png = out_ / (shot.name + ".png");
    const auto tree = out_ / (shot.name + ".tree");
    if (const auto problem = host.phone().writePng(png)) {
        host.note("shot " + shot.name + ": cannot write " + printable(png.string()) + ": " +
                  *problem);
        return false;
    }
    std::ofstream dump(tree, std::ios::binary);
    dump << host.phone().viewTree();
    if (!dump) {
        host.note("shot " + shot.name + ": cannot write " + printable(tree.string()));
        return false;
    }
    const auto a11y = out_ / (shot.name + ".a11y");
    std::ofstream readerDump(a11y, std::ios::binary);
    readerDump << AccessibilityTree::build(host.window()).dump();
    if (!readerDump) {
        host.note("shot " + shot.name + ": cannot write " + printable(a11y.string()));
        return false;
    }
    host.note("shot " + shot.name + ": wrote " + printable(png.string()) + " and " +
              printable(tree.filename().string()));
    return true;
}

bool ScenarioPlayer::writeIndex() const {
    const auto path = out_ / "index.html";
    std::ofstream html(path, std::ios::binary);
    html << "<!doctype html>\n<meta charset=utf-8>\n<title>ARQuorel scenario</title>\n"
         << "<style>figure{display:inline-block;margin:8px;vertical-align:top}"
            "figcaption{max-width:"
         << scenario_.device.screen.width << "px;font:14px sans-serif}</style>\n"
         << "<h1>ARQuorel: a scenario on the simulated phone</h1>\n";
    for (const auto& shot : shots_) {
        html << "<figure><img src=\"" << htmlEscaped(shot.name)
             << ".png\" width=" << scenario_.device.screen.width << " alt=\""
             << htmlEscaped(shot.name) << "\"><figcaption><b>" << formatFixed(shot.time, 1)
             << " s</b> " << htmlEscaped(shot.caption) << " <a href=\"" << htmlEscaped(shot.name)
             << ".tree\">view tree</a></figcaption></figure>\n";
    }
    html << "<p>" << htmlEscaped(kMapDataAttribution) << "</p>\n";
    html.close();
    if (!html) {
        log_ << "cannot write " << printable(path.string()) << "\n";
        return false;
    }
    return true;
}

int runScenarioCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CommandUsage command("run", kRunSynopsis, err);
    if (command.helpAsked(
            args,
            "Plays a scenario on the simulated phone: a host application presents the main\n"
            "screen with the scenario's places while a person holds, turns, tilts and touches\n"
            "the phone. Each shot writes DIR/NAME.png and DIR/NAME.tree; DIR/index.html shows\n"
            "the shots in order. Standard output is the log of what the host saw, each line\n"
            "with its virtual time in seconds: delegate calls, alerts, console lines, touches\n"
            "and shots. The scenario format is described in the README.\n",
            out))
        return kExitOk;
    std::string error;
    const auto flags = Flags::parse(args, {{"scenario"}, {"out"}}, error);
    if (!flags) return command.fail(error);
    const auto file = CommandUsage::required(*flags, "scenario", "FILE", error);
    if (!file) return command.fail(error);
    const auto dir = CommandUsage::required(*flags, "out", "DIR", error);
    if (!dir) return command.fail(error);
    const auto parsed = readScenarioFile(*file);
    if (!parsed.scenario) {
        err << "arquorel-sim run: " << printable(*file) << ": " << parsed.error << "\n";
        return kExitUsage;
    }
    ScenarioPlayer player(*parsed.scenario, out);
    if (const auto problem = player.load(); !problem.empty()) {
        err << "arquorel-sim run: " << printable(*file) << ": " << problem << "\n";
        return kExitUsage;
    }
    if (!player.play(*dir)) return 1;
    out << "Index of the shots: "
        << printable((std::filesystem::path(*dir) / "index.html").string()) << "\n";
    return kExitOk;
}

}  // namespace arquorel::sim
