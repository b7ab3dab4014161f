#include "arquorel/arscreen/DebugMapViewController.h"

#include <cstdio>

#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/LayoutRegistry.h"

namespace arquorel {

namespace {
constexpr const char* kCloseImageName = "ovin_close";
constexpr double kCloseSize = 40;
constexpr double kCloseInset = 10;
constexpr double kCloseTop = 50;  // below the status bar
// Pins nearer each other than this (points) show as one cluster with their count, so that a
// town's hundreds of places stay readable until the map is zoomed in on them.
constexpr double kPinClusterDistance = 44;
}  // namespace

void registerDebugMapLayout() {
    auto& registry = LayoutRegistry::shared();
    if (registry.contains(kDebugMapLayoutName)) return;
    registry.registerScreenLayout(kDebugMapLayoutName,
                                  [] { return DebugMapViewController::make(); });
}

std::shared_ptr<DebugMapViewController> DebugMapViewController::make() {
    return std::shared_ptr<DebugMapViewController>(new DebugMapViewController());
}

std::string DebugMapViewController::pinTitle(const ARAnnotation& annotation) {
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, ", AZ: %.0f, %.0fm", annotation.azimuth(),
                  annotation.distanceFromUser());
    return annotation.displayName() + numbers;
}

void DebugMapViewController::loadView() {
    const Rect bounds = platformContext().device().mainScreenBounds();
    auto root = std::make_shared<View>(bounds);
    root->setBackgroundColor(Color::white());

    auto map = std::make_shared<MapView>(bounds);
    map->setIdentifier("debugMapView");
    map->calloutsOnTap = true;
    map->clusterDistance = kPinClusterDistance;
    // The recogniser holds the screen weakly: the view tree must not keep it alive.
    const std::weak_ptr<DebugMapViewController> weak =
        std::static_pointer_cast<DebugMapViewController>(shared_from_this());
    longPress_ = std::make_shared<LongPressGestureRecognizer>([weak](GestureRecognizer& r) {
        if (auto self = weak.lock()) self->longTap(r);
    });
    map->addGestureRecognizer(longPress_);
    root->addSubview(map);
    mapView_ = map;

    closeButton_ = std::make_shared<Button>(
        Rect{bounds.width() - kCloseSize - kCloseInset, kCloseTop, kCloseSize, kCloseSize});
    closeButton_->setIdentifier("debugMapClose");
    closeButton_->accessibility().label = localized("a11yClose");
    closeButton_->setImage(Bundle::framework().image(kCloseImageName), ControlState::normal);
    closeButton_->addAction(ControlEvent::touchUpInside, [weak](Control&) {
        if (auto self = weak.lock()) self->closeButtonTap();
    });
    root->addSubview(closeButton_);
    setView(std::move(root));
}

void DebugMapViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    if (auto map = mapView()) map->isRotateEnabled = false;
    if (annotations_) addAnnotationsToMap(*annotations_);
}

void DebugMapViewController::viewDidLayoutSubviews() {
    const auto root = viewIfLoaded();
    if (!root) return;
    const Rect bounds = root->bounds();
    if (auto map = mapView(); map && map->frame() != bounds) {
        // A new size keeps every pin in sight.
        map->setFrame(bounds);
        map->showAnnotations(map->annotations(), false);
    }
    if (closeButton_)
        closeButton_->setFrame(
            {bounds.width() - kCloseSize - kCloseInset, kCloseTop, kCloseSize, kCloseSize});
}

void DebugMapViewController::addAnnotations(const AnnotationList& annotations) {
    annotations_ = annotations;
    if (isViewLoaded()) addAnnotationsToMap(annotations);
}

void DebugMapViewController::addAnnotationsToMap(const AnnotationList& annotations) {
    const auto map = mapView();
    if (!map) return;
    std::vector<std::shared_ptr<MapAnnotation>> pins;
    pins.reserve(annotations.size());
    for (const auto& annotation : annotations) {
        if (!annotation) continue;
        auto pin = std::make_shared<MapAnnotation>();
        pin->coordinate = annotation->location().coordinate;
        pin->title = pinTitle(*annotation);
        pins.push_back(std::move(pin));
    }
    map->addAnnotations(pins);
    map->showAnnotations(pins, false);
}

void DebugMapViewController::longTap(GestureRecognizer& recognizer) {
    if (recognizer.state() != GestureState::began) return;
    const auto map = mapView();
    if (!map) return;
    const Coordinate picked = map->convert(recognizer.locationInView(map.get()));
    Location location(picked.latitude, picked.longitude);
    location.timestamp = platformContext().now();
    if (auto presenting = presentingViewController()) presenting->dismiss(true);
    platformContext().mainLoop().asyncAfter(kLocationSetDelay, [location] {
        platformContext().notificationCenter().post(kNotificationLocationSet, nullptr,
                                                    {{kLocationUserInfoKey, location}});
    });
}

void DebugMapViewController::closeButtonTap() {
    if (auto presenting = presentingViewController()) presenting->dismiss(true);
}

}  // namespace arquorel
