#include "arquorel/arscreen/ARViewController.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "arquorel/arcore/NearestSelection.h"
#include "arquorel/arscreen/DebugMapViewController.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/DisplayLink.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/sensors/Geodesy.h"
#include "arquorel/platform/ui/Button.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/LayoutRegistry.h"
#include "arquorel/platform/ui/Slider.h"
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
constexpr const char* kCloseImageName = "ovin_close";
constexpr double kPitchSliderRotation = -1.5707963267948966;  // -90 degrees
constexpr Color kCrossHairColor{0, 1, 0, 0.5};

// A control action that reaches the controller without keeping it alive.
template <class Method>
Control::Action weakAction(const std::shared_ptr<ARViewController>& controller, Method method) {
    return [weak = std::weak_ptr<ARViewController>(controller), method](Control&) {
        if (auto self = weak.lock()) ((*self).*method)();
    };
}

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

ARViewController::ARViewController()
    : trackingManager_(ARTrackingManager::create()), cameraView_(std::make_shared<CameraView>()) {}

ARViewController::~ARViewController() {
    removeObservers();
    if (displayTimer_) displayTimer_->invalidate();
    displayTimer_.reset();
    if (trackingManager_) trackingManager_->stopTracking();
}

void ARViewController::initialize() {
    if (initialized_) return;
    initialized_ = true;
    registerDebugMapLayout();
    const std::shared_ptr<ARViewController> me = self();
    setPresenter(ARPresenter::create(std::weak_ptr<ARController>(me)));
    cameraView_->setIdentifier("cameraView");
    trackingManager_->setDelegate(std::weak_ptr<ARTrackingManagerDelegate>(me));

    // The handlers hold the controller weakly; the destructor removes them.
    auto& center = platformContext().notificationCenter();
    observedCenter_ = platformContext().weakNotificationCenter();
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
    if (auto center = observedCenter_.lock()) center->removeObserver(this);
    observedCenter_.reset();
}

void ARViewController::setPresenter(std::shared_ptr<ARPresenter> presenter) {
    if (presenter_) presenter_->removeFromSuperview();
    presenter_ = std::move(presenter);
    if (presenter_ && presenter_->identifier().empty()) presenter_->setIdentifier("presenter");
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
    indexStale_ = true;
    reload(ReloadType::annotationsChanged);
}

void ARViewController::removeAnnotation(const ARAnnotation& annotation) {
    std::erase_if(annotations_, [&](const auto& a) { return a.get() == &annotation; });
    indexStale_ = true;
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
    // Every annotation measures itself from here when next read.
    measuring_->moveTo(*arStatus_.userLocation);
    arrangeNearestFirst();
    ++distancesMeasured_;
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

void ARViewController::indexAnnotations() {
    const std::size_t n = annotations_.size();
    std::vector<Coordinate> at(n, Coordinate{std::nan(""), std::nan("")});
    for (std::size_t i = 0; i < n; ++i) {
        if (!annotations_[i]) continue;
        annotations_[i]->measureFrom(measuring_);
        at[i] = annotations_[i]->location().coordinate;
    }
    index_ = NearestIndex(at);
    positionOf_.resize(n);
    std::iota(positionOf_.begin(), positionOf_.end(), 0u);
    pointAt_ = positionOf_;
    indexedMoves_ = measuring_->annotationsMoved();
    indexStale_ = false;
}

void ARViewController::arrangeNearestFirst() {
    // The presenter gives views to the first maxVisibleAnnotations of the list: those are
    // found through the index and put first, nearest first; the others follow in their former
    // order. A list of a whole region is neither measured nor sorted whole.
    if (indexStale_ || indexedMoves_ != measuring_->annotationsMoved()) indexAnnotations();
    const std::size_t n = annotations_.size();
    const std::size_t k = presenter_ ? presenter_->maxVisibleAnnotations : n;
    const Coordinate from = measuredFrom().value_or(Coordinate{std::nan(""), std::nan("")});
    const auto nearest = index_.nearest(
        from, k,
        [&](std::uint32_t point) {
            const auto& a = annotations_[positionOf_[point]];
            return a ? a->distanceFromUser() : 0.0;
        },
        [&](std::uint32_t point) { return positionOf_[point]; });
    std::vector<bool> chosen(n, false);
    AnnotationList arranged;
    arranged.reserve(n);
    std::vector<std::uint32_t> pointAt;
    pointAt.reserve(n);
    for (const std::uint32_t point : nearest) {
        const std::uint32_t i = positionOf_[point];
        chosen[i] = true;
        arranged.push_back(std::move(annotations_[i]));
        pointAt.push_back(point);
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (chosen[i]) continue;
        arranged.push_back(std::move(annotations_[i]));
        pointAt.push_back(pointAt_[i]);
    }
    annotations_ = std::move(arranged);
    pointAt_ = std::move(pointAt);
    for (std::uint32_t i = 0; i < n; ++i) positionOf_[pointAt_[i]] = i;
}

void ARViewController::calculateAzimuthsForAnnotations() {
    // The azimuths are measured with the distances, each when read.
}

// ---- Frame loop ----

void ARViewController::startCameraAndTracking(bool notifyLocationFailure) {
    cameraView_->startRunning();
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
    cameraView_->stopRunning();
    trackingManager_->stopTracking();
    if (displayTimer_) displayTimer_->invalidate();
    displayTimer_.reset();
}

void ARViewController::displayTimerTick() {
    ARTrackingManager& tracking = *trackingManager_;
    if (uiOptions.simulatorDebugging) {
        const double h = debugHeadingSlider_ ? debugHeadingSlider_->value() : 0;
        const double p = debugPitchSlider_ ? debugPitchSlider_->value() : 0;
        tracking.setDebugHeading(debugHeadingForSliderValue(h));
        tracking.setDebugPitch(p);
        tracking.setFilteredPitch(p);
        sliderOverrides_ = true;
    } else if (sliderOverrides_) {
        // Sliders switched off: the sensors drive heading and pitch again.
        tracking.setDebugHeading(std::nullopt);
        tracking.setDebugPitch(std::nullopt);
        sliderOverrides_ = false;
    }
    tracking.filterPitch();
    tracking.filterHeading();
    if (tracking.headingMissing() != headingMissing_) {
        headingMissing_ = !headingMissing_;
        headingAvailabilityChanged(headingMissing_);
    }
    arStatus_.pitch = tracking.filteredPitch();
    arStatus_.heading = tracking.filteredHeading();
    reload(ReloadType::headingChanged);

    if (uiOptions.debugLabel && debugLabel_) {
        debugLabel_->setText(debugLabelText(tracking.debugHeading().value_or(tracking.heading()),
                                            tracking.filteredHeading(), tracking.filteredPitch()));
    }

    if (auto sample = tracking.motionManager().accelerometerData()) {
        const double filtered = sample->z * kRadarNewWeight + gRadarInclination * kRadarOldWeight;
        if (auto source = dataSource())
            source->updateRadar(*this, filtered * kRadarInclinationScale);
        gRadarInclination = filtered;
    }
}

void ARViewController::calculateFovAndScale() {
    const auto root = view();
    // The picture area is the camera view's, or the screen's while the camera view has no size.
    Size picture = cameraView_->frame().size;
    if (isEmpty(cameraView_->frame())) picture = root->frame().size;
    const bool landscape = isLandscape(platformContext().device().interfaceOrientation());
    std::optional<double> cameraFov;
    if (auto device = cameraView_->inputDevice())
        cameraFov = static_cast<double>(device->activeFormat().videoFieldOfView);
    applyFieldOfView(arStatus_, fieldOfView(picture, landscape, cameraFov, root->bounds().size));
}

// ---- Lifecycle ----

void ARViewController::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    cameraView_->setVideoOrientation(platformContext().device().interfaceOrientation());
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
    if (!cameraView_->hasSuperview()) {
        root->insertSubview(cameraView_, 0);  // below the presenter
        cameraView_->insertSubview(cameraView_->imageview(), 0);
    }
    cameraView_->startRunning();
    if (uiOptions.closeButtonEnabled) addCloseButton();
    addDebugUi();
    cameraView_->setVideoOrientation(platformContext().device().interfaceOrientation());
    root->layoutIfNeeded();
}

void ARViewController::layoutSteps() {
    const auto root = view();
    const Rect bounds = root->bounds();
    cameraView_->setFrame(bounds);
    cameraView_->imageview()->setFrame(cameraView_->frame());
    // A rotation lays the screen out again: the picture turns with the field of view and the
    // cards instead of waiting for the screen to appear again.
    cameraView_->setVideoOrientation(platformContext().device().interfaceOrientation());
    // A new size (the phone turned): each card's resting point keeps its place relative to the
    // middle of the screen and its share of the height, and the cards are placed again once
    // the new field of view is known.
    const Size before = presenter_ ? presenter_->frame().size : Size{};
    const bool resized = presenter_ && !isEmpty(presenter_->frame()) && before != bounds.size;
    if (resized) {
        for (const auto& view : presenter_->annotationViews()) {
            view->arZeroPoint.x += (bounds.width() - before.width) / 2;
            view->arZeroPoint.y *= bounds.height() / before.height;
        }
    }
    if (presenter_) presenter_->setFrame(bounds);
    // The close button keeps to the top-right corner.
    if (closeButton_) closeButton_->setFrame({bounds.width() - 45, 5, 40, 40});
    layoutDebugSliders();
    layoutHeadingNotice();
    calculateFovAndScale();
    if (resized) reload(ReloadType::headingChanged);
}

void ARViewController::setCloseButtonImage(std::shared_ptr<const Image> image) {
    closeButtonImage_ = std::move(image);
    if (closeButton_) closeButton_->setImage(closeButtonImage_, ControlState::normal);
}

void ARViewController::addCloseButton() {
    const auto root = view();
    if (closeButton_) closeButton_->removeFromSuperview();
    // A missing resource leaves the button without an image.
    if (!closeButtonImage_) closeButtonImage_ = Bundle::framework().image(kCloseImageName);
    auto button = std::make_shared<Button>(Rect{root->bounds().width() - 45, 5, 40, 40});
    button->setIdentifier("closeButton");
    button->setImage(closeButtonImage_, ControlState::normal);
    button->accessibility().label = localized("a11yClose");
    button->accessibility().hint = localized("a11yCloseHint");
    button->addAction(ControlEvent::touchUpInside,
                      weakAction(self(), &ARViewController::closeButtonTap));
    root->addSubview(button);
    closeButton_ = std::move(button);
}

void ARViewController::addDebugUi() {
    const auto root = view();
    const double w = root->bounds().width(), h = root->bounds().height();
    if (uiOptions.debugMap) {
        if (debugMapButton_) debugMapButton_->removeFromSuperview();
        auto button = std::make_shared<Button>(Rect{5, 5, 40, 40});
        button->setIdentifier("debugMapButton");
        button->setTitle("map", ControlState::normal);
        button->accessibility().label = localized("a11yDebugMap");
        button->setTitleColor(Color::black(), ControlState::normal);
        button->setBackgroundColor(Color::white().withAlpha(0.5));
        button->addAction(ControlEvent::touchUpInside,
                          weakAction(self(), &ARViewController::debugButtonTap));
        root->addSubview(button);
        debugMapButton_ = std::move(button);
    }
    if (uiOptions.debugLabel) {
        if (debugLabel_) debugLabel_->removeFromSuperview();
        auto label = std::make_shared<Label>(Rect{5, h - 55, w - 10, 40});
        label->setIdentifier("debugLabel");
        label->setBackgroundColor(Color::white());
        label->setTextColor(Color::black());
        label->setFont(Font::boldSystem(10));
        label->setNumberOfLines(0);
        label->setTextAlignment(TextAlignment::left);
        root->addSubview(label);
        debugLabel_ = std::move(label);
        for (const auto& [name, frame] : {std::pair{"crossHairHorizontal", Rect{0, h / 2, w, 1}},
                                          std::pair{"crossHairVertical", Rect{w / 2, 0, 1, h}}}) {
            auto line = std::make_shared<View>(frame);
            line->setIdentifier(name);
            line->setBackgroundColor(kCrossHairColor);
            line->setUserInteractionEnabled(false);
            root->addSubview(line);
        }
    }
    if (uiOptions.simulatorDebugging) {
        const auto makeSlider = [&](const char* name, double minimum, double maximum) {
            auto slider = std::make_shared<Slider>();
            slider->setIdentifier(name);
            slider->setMinimumValue(minimum);
            slider->setMaximumValue(maximum);
            slider->setValue(1);
            root->addSubview(slider);
            return slider;
        };
        debugHeadingSlider_ = makeSlider("debugHeadingSlider", -180, 180);
        debugPitchSlider_ = makeSlider("debugPitchSlider", -90, 90);
        debugHeadingSlider_->accessibility().label = localized("a11yDebugHeading");
        debugPitchSlider_->accessibility().label = localized("a11yDebugPitch");
    }
}

std::string ARViewController::adviceText(const std::string& key, const std::string& platform) {
    if (!platform.empty()) {
        const std::string variant = key + "@" + platform;
        std::string text = localized(variant);
        if (text != variant) return text;
    }
    return localized(key);
}

void ARViewController::headingAvailabilityChanged(bool missing) {
    if (presenter_) presenter_->setHidden(missing);
    const auto root = viewIfLoaded();
    if (!missing || !root) {
        if (headingNotice_) headingNotice_->setHidden(true);
        return;
    }
    if (!headingNotice_) {
        auto label = std::make_shared<Label>();
        label->setIdentifier("headingNotice");
        label->setBackgroundColor(Color::black().withAlpha(0.75));
        label->setTextColor(Color::white());
        label->setFont(Font::system(15));
        label->setNumberOfLines(0);
        label->setTextAlignment(TextAlignment::center);
        label->setUserInteractionEnabled(false);
        label->layer().cornerRadius = 12;
        headingNotice_ = std::move(label);
    }
    headingNotice_->setText(localized("NoCompass") + "\n" +
                            adviceText("NoCompassDescription", advicePlatform));
    // Above the cards and the camera, below the buttons added after it.
    if (!headingNotice_->hasSuperview()) {
        if (presenter_ && presenter_->superview() == root)
            root->insertSubviewAbove(headingNotice_, *presenter_);
        else
            root->addSubview(headingNotice_);
    }
    headingNotice_->setHidden(false);
    layoutHeadingNotice();
}

void ARViewController::layoutHeadingNotice() {
    const auto root = viewIfLoaded();
    if (!headingNotice_ || !root) return;
    const Rect bounds = root->bounds();
    const double width = std::min(bounds.width() - 40, 400.0);
    headingNotice_->setFrame({(bounds.width() - width) / 2, bounds.height() * 0.3, width, 130});
}

void ARViewController::layoutDebugSliders() {
    if (!uiOptions.simulatorDebugging) return;
    const auto root = view();
    const Rect frame = root->frame();
    if (debugHeadingSlider_)
        debugHeadingSlider_->setFrame({20, frame.height() - 20, frame.width() - 40, 20});
    if (debugPitchSlider_) {
        const double w = root->bounds().width(), h = root->bounds().height();
        debugPitchSlider_->setTransform(Transform::identity());
        debugPitchSlider_->setFrame({w - (h - 40) / 2 - 20, h / 2, h - 40, 20});
        debugPitchSlider_->setTransform(Transform::rotation(kPitchSliderRotation));
    }
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
    if (it == notification.userInfo.end()) return;
    const Location* picked = std::any_cast<Location>(&it->second);
    if (!picked) return;
    if (!isValid(picked->coordinate)) {
        reload(ReloadType::reloadLocationChanged);
        return;
    }
    // The picked position becomes the user's until the next accepted fix: the tracking manager
    // holds it, the cards are measured from it (so the next fix is a move from there), and the
    // jump is handled as a change of the reload location, which lets a subclass rebuild its
    // annotations around it.
    trackingManager_->setUserLocation(*picked);
    arStatus_.userLocation = trackingManager_->userLocation();
    lastLocation = arStatus_.userLocation;
    reload(ReloadType::reloadLocationChanged);
    if (const auto& user = trackingManager_->userLocation())
        didUpdateReloadLocation(*trackingManager_, *user);
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

void ARViewController::logText(const std::string& text) {
    if (debugLabel_) debugLabel_->setText(text);
}

std::optional<CameraView::Error> ARViewController::isAllHardwareAvailable() {
    return CameraView::createCaptureSession(kMediaTypeVideo, CaptureDevicePosition::back).error;
}

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
