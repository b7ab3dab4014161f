#include "sim/host/ArDemo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "arquorel/platform/runtime/PlatformContext.h"

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

std::shared_ptr<ArDemo> ArDemo::create(Size screen) {
    auto& device = platformContext().device();
    device.setMainScreenBounds({0, 0, screen.width, screen.height});
    device.setInterfaceOrientation(InterfaceOrientation::portrait);
    auto demo = ARViewController::make<ArDemo>();
    demo->view()->setFrame({0, 0, screen.width, screen.height});
    demo->viewDidLayoutSubviews();
    return demo;
}

void ArDemo::initialize() {
    ARViewController::initialize();
    setDataSource(std::static_pointer_cast<ArDemo>(shared_from_this()));
    trackingManager().setLocDelegate(std::static_pointer_cast<ArDemo>(shared_from_this()));
}

void ArDemo::setRecords(std::vector<std::shared_ptr<QuorelProperty>> records) {
    records_ = std::move(records);
    setAnnotations(makeAnnotations());
}

void ArDemo::displayTimerTick() {
    ++frames_;
    ARViewController::displayTimerTick();
}

std::vector<std::shared_ptr<ARAnnotation>> ArDemo::makeAnnotations() const {
    std::vector<std::shared_ptr<ARAnnotation>> annotations;
    annotations.reserve(records_.size());
    for (const auto& record : records_)
        if (auto place = Place::create(record)) annotations.push_back(std::move(place));
    return annotations;
}

std::shared_ptr<ARAnnotationView> ArDemo::viewForAnnotation(ARController&,
                                                            const std::shared_ptr<ARAnnotation>&) {
    // Cards come with their base size, so that the first placement can centre them.
    const auto& factors = annotationViewSizeFactors();
    const double width = view()->bounds().width() * factors.width;
    return ARAnnotationView::make<DemoCard>(Rect{0, 0, width, width * factors.height});
}

void ArDemo::didUpdateLocation(ARTrackingManager&, const Location& location) {
    const bool first = !arStatus().userLocation.has_value();
    mutableArStatus().userLocation = location;
    reload(first ? ReloadType::annotationsChanged : ReloadType::userLocationChanged);
}

void ArDemo::didUpdateReloadLocation(ARTrackingManager&, const Location& location) {
    mutableArStatus().userLocation = location;
    // New places around the new reload location: new annotations, so a full rebuild.
    setAnnotations(makeAnnotations());
    if (onReloadLocation) onReloadLocation(location);
}

}  // namespace arquorel::sim
