#include "arquorel/arscreen/ARViewController.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "arquorel/platform/runtime/DisplayLink.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/sensors/Geodesy.h"
#include "arquorel/platform/ui/LayoutRegistry.h"
#include "arquorel/platform/ui/View.h"
#include "arquorel/platform/ui/Window.h"

namespace arquorel {

namespace {

// The radar's low-pass filter on the accelerometer's z axis: the first weight is the double
// just above 1/7, the second 6/7; the result is scaled before it reaches the data source.
constexpr double kRadarNewWeight = 0.14285714285714288;
constexpr double kRadarOldWeight = 0.8571428571428571;
constexpr double kRadarInclinationScale = 0.7392;

constexpr double kDebugSquareSeconds = 1.5;

double gRadarInclination = 0;

bool recomputesDistances(ReloadType type) {
    return type == ReloadType::userLocationChanged || type == ReloadType::reloadLocationChanged ||
           type == ReloadType::annotationsChanged;
}

double distanceOf(const ARAnnotationView& view) {
    auto annotation = view.annotation();
    return annotation ? annotation->distanceFromUser() : 0;
}

}  // namespace

ARViewController::ARViewController() : trackingManager_(ARTrackingManager::create()) {}

ARViewController::~ARViewController() {
    removeObservers();
    if (displayTimer_) displayTimer_->invalidate();
    displayTimer_.reset();
    if (trackingManager_) trackingManager_->stopTracking();
}

void ARViewController::initialize() {
    if (initialized_) return;
    initialized_ = true;
    const std::shared_ptr<ARViewController> me = self();
    setPresenter(ARPresenter::create(std::weak_ptr<ARController>(me)));
    trackingManager_->setDelegate(std::weak_ptr<ARTrackingManagerDelegate>(me));

    // The handlers hold the controller weakly; the destructor removes them.
    auto& center = platformContext().notificationCenter();
    observedCenter_ = &center;
    const std::weak_ptr<ARViewController> weak = me;
    using Handler = void (ARViewController::*)(const Notification&);
    const auto observe = [&](const char* name, Handler handler) {
        center.addObserver(this, name, [weak, handler](const Notification& n) {
            if (auto self = weak.lock()) ((*self).*handler)(n);
        });
    };
    observe(kNotificationLocationSet, &ARViewController::locationNotification);
    observe(kApplicationWillEnterForeground, &ARViewController::appWillEnterForeground);
    observe(kApplicationDidEnterBackground, &ARViewController::appDidEnterBackground);
}

void ARViewController::removeObservers() {
    if (observedCenter_) observedCenter_->removeObserver(this);
    observedCenter_ = nullptr;
}

void ARViewController::setPresenter(std::shared_ptr<ARPresenter> presenter) {
    if (presenter_) presenter_->removeFromSuperview();
    presenter_ = std::move(presenter);
    if (didLayoutSubviews_ && presenter_) insertPresenter();
}

void ARViewController::insertPresenter() {
    const auto root = view();
    // Directly above the camera view, below everything else.
    std::size_t index = 0;
    const auto& children = root->subviews();
    for (std::size_t i = 0; i < children.size(); ++i)
        if (children[i] == cameraView_) index = i + 1;
    root->insertSubview(presenter_, index);
}

bool ARViewController::isDisplayTimerRunning() const {
    return displayTimer_ && displayTimer_->isRunning();
}

// ---- Annotations and reloads ----

void ARViewController::setAnnotations(AnnotationList annotations) {
    if (uiOptions.setUserLocationToCenterOfAnnotations) {
        if (auto centre = centerLocationOfAnnotations(annotations)) arStatus_.userLocation = centre;
    }
    annotations_ = std::move(annotations);
    reload(ReloadType::annotationsChanged);
}

void ARViewController::reload(ReloadType reloadType) {
    if (!pendingReload_ || static_cast<int>(*pendingReload_) < static_cast<int>(reloadType))
        pendingReload_ = reloadType;
    if (!arStatus_.ready() || !pendingReload_) return;
    const ReloadType type = *pendingReload_;
    pendingReload_.reset();
    if (recomputesDistances(type)) {
        calculateDistancesForAnnotations();
        calculateAzimuthsForAnnotations();
    }
    if (presenter_) presenter_->reload(annotations_, type);
}

std::optional<Location> ARViewController::centerLocationOfAnnotations(
    const AnnotationList& annotations) {
    if (annotations.empty()) return std::nullopt;
    double minLat = 1000, maxLat = -1000, minLng = 1000, maxLng = -1000;
    for (const auto& a : annotations) {
        if (!a) continue;
        const Coordinate& c = a->location().coordinate;
        minLat = std::min(minLat, c.latitude);
        maxLat = std::max(maxLat, c.latitude);
        minLng = std::min(minLng, c.longitude);
        maxLng = std::max(maxLng, c.longitude);
    }
    const Location centre((minLat + maxLat) / 2, (minLng + maxLng) / 2);
    if (!isValid(centre.coordinate)) return std::nullopt;
    return centre;
}

void ARViewController::calculateDistancesForAnnotations() {
    if (!arStatus_.userLocation) return;
    const GeodesicOrigin origin(arStatus_.userLocation->coordinate);
    for (const auto& a : annotations_)
        if (a) a->setDistanceFromUser(origin.distanceTo(a->location().coordinate));
    std::stable_sort(annotations_.begin(), annotations_.end(), [](const auto& a, const auto& b) {
        return (a ? a->distanceFromUser() : 0) < (b ? b->distanceFromUser() : 0);
    });
    if (!presenter_) return;
    const auto farthestFirst = [](const auto& a, const auto& b) {
        return distanceOf(*a) > distanceOf(*b);
    };
    for (auto& sector : presenter_->visibleAnnotationViews())
        std::stable_sort(sector.begin(), sector.end(), farthestFirst);
    // Nearer views in front.
    std::vector<std::shared_ptr<ARAnnotationView>> views;
    for (const auto& child : presenter_->subviews())
        if (auto view = std::dynamic_pointer_cast<ARAnnotationView>(child)) views.push_back(view);
    std::stable_sort(views.begin(), views.end(), farthestFirst);
    for (const auto& view : views) presenter_->bringSubviewToFront(*view);
}

void ARViewController::calculateAzimuthsForAnnotations() {
    if (!arStatus_.userLocation) return;
    const Location& user = *arStatus_.userLocation;
    for (const auto& a : annotations_)
        if (a) a->setAzimuth(bearing(user, a->location()));
}

// ---- Frame loop ----

void ARViewController::startCameraAndTracking(bool notifyLocationFailure) {
    trackingManager_->startTracking(notifyLocationFailure);
    // A second start replaces the running link instead of leaving two firing.
    if (displayTimer_) displayTimer_->invalidate();
    const std::weak_ptr<ARViewController> weak = self();
    displayTimer_ = std::make_unique<DisplayLink>([weak] {
        if (auto self = weak.lock()) self->displayTimerTick();
    });
    displayTimer_->add();
}

void ARViewController::stopCameraAndTracking() {
    trackingManager_->stopTracking();
    if (displayTimer_) displayTimer_->invalidate();
    displayTimer_.reset();
}

void ARViewController::displayTimerTick() {
    ARTrackingManager& tracking = *trackingManager_;
    tracking.filterPitch();
    tracking.filterHeading();
    arStatus_.pitch = tracking.filteredPitch();
    arStatus_.heading = tracking.filteredHeading();
    reload(ReloadType::headingChanged);

    if (auto sample = tracking.motionManager().accelerometerData()) {
        const double filtered = sample->z * kRadarNewWeight + gRadarInclination * kRadarOldWeight;
        if (auto source = dataSource())
            source->updateRadar(*this, filtered * kRadarInclinationScale);
        gRadarInclination = filtered;
    }
}

void ARViewController::calculateFovAndScale() {
    const auto root = view();
    const Size picture = root->frame().size;
    const bool landscape = isLandscape(platformContext().device().interfaceOrientation());
    applyFieldOfView(arStatus_, fieldOfView(picture, landscape, std::nullopt, root->bounds().size));
}

// ---- Lifecycle ----

void ARViewController::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    startCameraAndTracking(true);
    view()->setNeedsLayout();
}

void ARViewController::viewDidAppear(bool animated) {
    ViewController::viewDidAppear(animated);
}

void ARViewController::viewWillDisappear(bool animated) {
    ViewController::viewWillDisappear(animated);
    stopCameraAndTracking();
}

void ARViewController::viewDidLayoutSubviews() {
    ViewController::viewDidLayoutSubviews();
    if (!didLayoutSubviews_) {
        didLayoutSubviews_ = true;
        firstLayoutSteps();
    }
    layoutSteps();
}

void ARViewController::firstLayoutSteps() {
    const auto root = view();
    if (presenter_ && !presenter_->hasSuperview()) root->insertSubview(presenter_, 0);
    root->layoutIfNeeded();
}

void ARViewController::layoutSteps() {
    const auto root = view();
    if (presenter_) presenter_->setFrame(root->bounds());
    calculateFovAndScale();
}

// ---- Buttons and debug aids ----

void ARViewController::closeButtonTap() {
    if (auto presenting = presentingViewController()) presenting->dismiss(true);
}

void ARViewController::debugButtonTap() {
    // An unknown layout writes its own console line and gives no screen.
    auto screen = LayoutRegistry::shared().loadScreen(kDebugMapLayoutName);
    if (!screen) return;
    present(screen, true);
    if (auto map = std::dynamic_pointer_cast<DebugMapScreen>(screen))
        map->addAnnotations(annotations_);
}

void ARViewController::showDebugViewWithColor(const Color& color) {
    const auto root = view();
    auto square = std::make_shared<View>(Rect{root->bounds().width() - 80, 10, 30, 30});
    square->setBackgroundColor(color);
    square->setIdentifier("debugSquare");
    root->addSubview(square);
    const std::weak_ptr<View> weak = square;
    platformContext().mainLoop().asyncAfter(kDebugSquareSeconds, [weak] {
        if (auto shown = weak.lock()) shown->removeFromSuperview();
    });
}

// ---- Notifications and tracking ----

void ARViewController::locationNotification(const Notification& notification) {
    const auto it = notification.userInfo.find(kLocationUserInfoKey);
    if (it == notification.userInfo.end() || !std::any_cast<Location>(&it->second)) return;
    reload(ReloadType::reloadLocationChanged);
}

void ARViewController::appDidEnterBackground(const Notification&) {
    const auto root = viewIfLoaded();
    if (!root || !isInWindow(*root)) return;
    stopCameraAndTracking();
    if (presenter_) presenter_->clear();
}

void ARViewController::appWillEnterForeground(const Notification&) {
    const auto root = viewIfLoaded();
    if (!root || !isInWindow(*root)) return;
    startCameraAndTracking(true);
    setAnnotations(annotations_);
}

void ARViewController::didFailToFindLocationAfter(ARTrackingManager&, double elapsedSeconds) {
    if (onDidFailToFindLocation) onDidFailToFindLocation(elapsedSeconds, lastLocation.has_value());
}

void ARViewController::logText(const std::string&) {}

double ARViewController::debugHeadingForSliderValue(double value) {
    double heading = std::fmod(value, 360);
    if (heading < 0) heading += 360;
    return heading;
}

std::string ARViewController::debugLabelText(double heading, double filteredHeading, double pitch) {
    char text[128];
    std::snprintf(text, sizeof text, "Heading: %.0f(%.0f) -- Pitch: %.3f", heading, filteredHeading,
                  pitch);
    return text;
}

double ARViewController::radarInclination() {
    return gRadarInclination;
}

void ARViewController::resetRadarInclination() {
    gRadarInclination = 0;
}

}  // namespace arquorel
