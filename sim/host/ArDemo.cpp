#include "sim/host/ArDemo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/sensors/Geodesy.h"

namespace arquorel::sim {

std::string formatDistance(double metres) {
    char text[32];
    if (!std::isfinite(metres) || metres < 0) return "?";
    if (metres < 1000) {
        std::snprintf(text, sizeof text, "%.0f m", metres);
    } else {
        std::snprintf(text, sizeof text, "%.1f km", metres / 1000);
    }
    return text;
}

void DemoCard::configureCard() {
    ++configureCount;
    auto place = std::dynamic_pointer_cast<Place>(annotation());
    title = place && place->property ? place->property->displayTitle() : std::string();
    refreshCard();
}

void DemoCard::refreshCard() {
    if (auto a = annotation()) distanceText = formatDistance(a->distanceFromUser());
}

ArDemo::ArDemo(Size screen) : screen_(screen) {}

std::shared_ptr<ArDemo> ArDemo::create(Size screen) {
    auto demo = std::shared_ptr<ArDemo>(new ArDemo(screen));
    auto& device = platformContext().device();
    device.setMainScreenBounds({0, 0, screen.width, screen.height});
    device.setInterfaceOrientation(InterfaceOrientation::portrait);
    applyFieldOfView(demo->status_, fieldOfView(screen, false, std::nullopt, screen));
    demo->tracking_ = ARTrackingManager::create();
    demo->tracking_->setDelegate(demo);
    demo->tracking_->setLocDelegate(demo);
    demo->presenter_ = ARPresenter::create(demo);
    demo->presenter_->setFrame({0, 0, screen.width, screen.height});
    return demo;
}

ArDemo::~ArDemo() {
    stop();
}

std::shared_ptr<ARDataSource> ArDemo::dataSource() const {
    return std::const_pointer_cast<ArDemo>(shared_from_this());
}

void ArDemo::setRecords(std::vector<std::shared_ptr<QuorelProperty>> records) {
    records_ = std::move(records);
    rebuildAnnotations();
    reload(ReloadType::annotationsChanged);
}

void ArDemo::start() {
    tracking_->startTracking(true);
    std::weak_ptr<ArDemo> weak = shared_from_this();
    displayLink_ = std::make_unique<DisplayLink>([weak] {
        if (auto self = weak.lock()) self->frame();
    });
    displayLink_->add();
}

void ArDemo::stop() {
    if (displayLink_) displayLink_->invalidate();
    displayLink_.reset();
    if (tracking_) tracking_->stopTracking();
}

void ArDemo::frame() {
    ++frames_;
    tracking_->filterPitch();
    tracking_->filterHeading();
    status_.pitch = tracking_->filteredPitch();
    status_.heading = tracking_->filteredHeading();
    reload(ReloadType::headingChanged);
}

void ArDemo::reload(ReloadType type) {
    if (!pending_ || static_cast<int>(*pending_) < static_cast<int>(type)) pending_ = type;
    if (!status_.ready() || !pending_) return;
    const ReloadType t = *pending_;
    pending_.reset();
    if (t == ReloadType::userLocationChanged || t == ReloadType::reloadLocationChanged ||
        t == ReloadType::annotationsChanged) {
        calculateDistancesAndAzimuths();
    }
    presenter_->reload(annotations_, t);
}

void ArDemo::rebuildAnnotations() {
    annotations_.clear();
    annotations_.reserve(records_.size());
    for (const auto& record : records_)
        if (auto place = Place::create(record)) annotations_.push_back(std::move(place));
}

void ArDemo::calculateDistancesAndAzimuths() {
    if (!status_.userLocation) return;
    const Location& user = *status_.userLocation;
    const GeodesicOrigin origin(user.coordinate);
    for (const auto& a : annotations_) {
        a->setDistanceFromUser(origin.distanceTo(a->location().coordinate));
        a->setAzimuth(bearing(user, a->location()));
    }
    std::stable_sort(annotations_.begin(), annotations_.end(), [](const auto& a, const auto& b) {
        return a->distanceFromUser() < b->distanceFromUser();
    });
    // Sectors farthest first, and nearer views in front.
    for (auto& sector : presenter_->visibleAnnotationViews()) {
        std::stable_sort(sector.begin(), sector.end(), [](const auto& a, const auto& b) {
            auto da = a->annotation() ? a->annotation()->distanceFromUser() : 0;
            auto db = b->annotation() ? b->annotation()->distanceFromUser() : 0;
            return da > db;
        });
    }
}

std::shared_ptr<ARAnnotationView> ArDemo::viewForAnnotation(ARController&,
                                                            const std::shared_ptr<ARAnnotation>&) {
    // Cards come with their base size, so that the first placement can centre them.
    const auto& factors = annotationViewSizeFactors();
    const double width = screen_.width * factors.width;
    return ARAnnotationView::make<DemoCard>(Rect{0, 0, width, width * factors.height});
}

void ArDemo::didUpdateLocation(ARTrackingManager&, const Location& location) {
    const bool first = !status_.userLocation.has_value();
    status_.userLocation = location;
    reload(first ? ReloadType::annotationsChanged : ReloadType::userLocationChanged);
}

void ArDemo::didUpdateReloadLocation(ARTrackingManager&, const Location& location) {
    status_.userLocation = location;
    // New places around the new reload location: new annotations, so a full rebuild.
    rebuildAnnotations();
    reload(ReloadType::annotationsChanged);
    if (onReloadLocation) onReloadLocation(location);
}

}  // namespace arquorel::sim
