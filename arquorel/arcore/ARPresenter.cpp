#include "arquorel/arcore/ARPresenter.h"

#include <algorithm>
#include <cmath>

#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel {

namespace {

constexpr double kFadeDuration = 0.2;
constexpr double kMainRemarkDelay = 0.1;
constexpr double kMaxDistanceOnSelection = 10000000;
constexpr double kStackGap = 5;

double distanceOf(const ARAnnotationView& view) {
    auto annotation = view.annotation();
    return annotation ? annotation->distanceFromUser() : 0;
}

// Stable sort of views, farthest annotation first.
void sortFarthestFirst(ARPresenter::ViewList& views) {
    std::stable_sort(views.begin(), views.end(),
                     [](const auto& a, const auto& b) { return distanceOf(*a) > distanceOf(*b); });
}

}  // namespace

ARPresenter::ARPresenter(std::weak_ptr<ARController> controller)
    : View(Rect{}),
      maxVisibleAnnotations(platformContext().device().mainScreenBounds().width() == 320 ? 100
                                                                                         : 250),
      controller_(std::move(controller)) {}

std::shared_ptr<ARPresenter> ARPresenter::create(std::weak_ptr<ARController> controller) {
    return std::shared_ptr<ARPresenter>(new ARPresenter(std::move(controller)));
}

const ARPresenter::ViewList& ARPresenter::visibleAnnotationsAsArray() {
    if (visibleAnnotationsAsArray_.empty()) {
        for (const auto& sector : visibleAnnotationViews_)
            visibleAnnotationsAsArray_.insert(visibleAnnotationsAsArray_.end(), sector.begin(),
                                              sector.end());
    }
    return visibleAnnotationsAsArray_;
}

void ARPresenter::reload(const AnnotationList& annotations, ReloadType reloadType) {
    auto controller = controller_.lock();
    if (!controller || !controller->arStatus().ready()) return;

    const bool rebuild = reloadType == ReloadType::reloadLocationChanged ||
                         reloadType == ReloadType::annotationsChanged || annotations_.empty();
    bool relayoutAll = false;
    bool stackingDue = false;
    if (rebuild) {
        annotations_ = annotations;
        activeAnnotations_ = activeAnnotationsFromAnnotations(annotations_);
        createAnnotationViews();
        relayoutAll = true;
        if (verticalStackingEnabled) {
            resetStackParameters();
            stackingDue = true;
        }
    }
    if ((reloadType == ReloadType::annotationsChanged && rebuild) ||
        reloadType == ReloadType::swipe || annotations_.empty()) {
        addRemoveAnnotationViews(controller->arStatus(), relayoutAll);
    }
    layoutAnnotationViews(controller->arStatus(), relayoutAll, reloadType);
    if (stackingDue) stackAnnotationViews();
}

ARPresenter::AnnotationList ARPresenter::activeAnnotationsFromAnnotations(
    const AnnotationList& annotations) {
    AnnotationList result;
    result.reserve(std::min(annotations.size(), maxVisibleAnnotations));
    for (const auto& annotation : annotations) {
        if (!annotation) continue;
        if (result.size() < maxVisibleAnnotations) {
            maxDistance = kMaxDistanceOnSelection;
            if (maxDistance != 0 && annotation->distanceFromUser() > maxDistance) {
                annotation->setActive(false);
            } else {
                annotation->setActive(true);
                result.push_back(annotation);
            }
        } else {
            annotation->setActive(false);
        }
    }
    return result;
}

void ARPresenter::createAnnotationViews() {
    for (const auto& view : annotationViews_) view->removeFromSuperview();
    for (const auto& annotation : annotations_)
        if (annotation && !annotation->active()) annotation->setAnnotationView(nullptr);

    auto controller = controller_.lock();
    auto dataSource = controller ? controller->dataSource() : nullptr;
    ViewList views;
    views.reserve(activeAnnotations_.size());
    for (const auto& annotation : activeAnnotations_) {
        auto view = annotation->annotationView();
        if (!view && dataSource) view = dataSource->viewForAnnotation(*controller, annotation);
        annotation->setAnnotationView(view);
        if (view) {
            view->setAnnotation(annotation);
            views.push_back(std::move(view));
        }
    }
    annotationViews_ = std::move(views);
    if (dataSource) dataSource->viewsDrawn(*controller, annotationViews_);
}

void ARPresenter::clear() {
    for (const auto& annotation : annotations_) {
        if (!annotation) continue;
        annotation->setActive(false);
        annotation->setAnnotationView(nullptr);
    }
    for (const auto& view : annotationViews_) view->removeFromSuperview();
    annotations_.clear();
    activeAnnotations_.clear();
    annotationViews_.clear();
    visibleAnnotationViews_.clear();
    visibleAnnotationsAsArray_.clear();
}

std::size_t ARPresenter::sectorIndex(double azimuth) {
    if (azimuth >= 0 && azimuth < 360) {
        return std::min<std::size_t>(static_cast<std::size_t>(azimuth / 45), kSectorCount - 1);
    }
    return kSectorCount - 1;
}

void ARPresenter::addRemoveAnnotationViews(const ARStatus&, bool relayoutAll) {
    visibleAnnotationViews_.clear();
    visibleAnnotationsAsArray_.clear();
    visibleAnnotationViews_.resize(kSectorCount);

    // Nearest first; the list is normally kept sorted already, so check before sorting.
    std::vector<ARAnnotation*> byDistance;
    byDistance.reserve(annotations_.size());
    for (const auto& a : annotations_)
        if (a) byDistance.push_back(a.get());
    const auto nearer = [](const ARAnnotation* a, const ARAnnotation* b) {
        return a->distanceFromUser() < b->distanceFromUser();
    };
    if (!std::is_sorted(byDistance.begin(), byDistance.end(), nearer))
        std::stable_sort(byDistance.begin(), byDistance.end(), nearer);

    for (ARAnnotation* annotation : byDistance) {
        auto view = annotation->annotationView();
        if (!view) continue;
        auto& sector = visibleAnnotationViews_[sectorIndex(annotation->azimuth())];
        if (sector.size() < maxAnnotations) {
            sector.push_back(view);
            annotation->setActive(true);
        } else {
            // The sector is full: fade the view out and take it off screen when the fade ends,
            // unless a later pass has given its annotation a place again in the meantime.
            std::weak_ptr<ARAnnotationView> weakView = view;
            View::animate(
                kFadeDuration, [&] { view->setAlpha(0); },
                [weakView](bool) {
                    auto v = weakView.lock();
                    if (!v) return;
                    auto a = v->annotation();
                    if (a && a->active() && a->annotationView() == v) return;
                    v->removeFromSuperview();
                });
            annotation->setActive(false);
        }
    }

    for (auto& sector : visibleAnnotationViews_) {
        sortFarthestFirst(sector);
        for (const auto& view : sector) view->isMainAnn = false;
        if (sector.empty()) continue;
        sector.back()->isMainAnn = true;
        if (relayoutAll) {
            std::weak_ptr<ARAnnotationView> last = sector.back();
            platformContext().mainLoop().asyncAfter(kMainRemarkDelay, [last] {
                if (auto v = last.lock()) v->isMainAnn = true;
            });
        }
    }

    bool firstDisplay = true;
    for (const auto& sector : visibleAnnotationViews_)
        for (const auto& view : sector)
            if (view->superview()) firstDisplay = false;

    for (const auto& sector : visibleAnnotationViews_) {
        for (const auto& view : sector) {
            if (view->superview()) continue;
            addSubview(view);
            if (!firstDisplay) {
                view->setAlpha(0);
                View::animate(kFadeDuration, [&] { view->setAlpha(0.5); });
            }
        }
    }

    // Nearer views cover farther ones.
    ViewList onScreen;
    for (const auto& child : subviews())
        if (auto view = std::dynamic_pointer_cast<ARAnnotationView>(child))
            onScreen.push_back(view);
    sortFarthestFirst(onScreen);
    for (const auto& view : onScreen) bringSubviewToFront(*view);
}

double ARPresenter::distanceScale(double distance, double farthest) {
    const double u = farthest * 0.125;
    if (distance < u) return 1.0;
    if (distance < 2 * u) return 0.95;
    if (distance < 3 * u) return 0.9;
    if (distance < 4 * u) return 0.85;
    if (distance < 5 * u) return 0.8;
    if (distance < 6 * u) return 0.75;
    if (distance < 7 * u) return 0.7;
    return 0.65;
}

void ARPresenter::layoutAnnotationViews(const ARStatus& arStatus, bool relayoutAll,
                                        ReloadType reloadType) {
    ViewList views = relayoutAll ? annotationViews_ : visibleAnnotationsAsArray();
    if (views.empty()) return;
    sortFarthestFirst(views);
    const double farthest = distanceOf(*views.front());
    const double h = arStatus.hPixelsPerDegree;
    const double v = arStatus.vPixelsPerDegree;
    const auto& factors = annotationViewSizeFactors();
    const double baseWidth = platformContext().device().mainScreenBounds().width() * factors.width;
    const double baseHeight = baseWidth * factors.height;
    bool sectorsResorted = false;

    for (const auto& view : views) {
        auto annotation = view->annotation();
        if (!annotation) continue;
        view->initialFrame = Rect{view->frame().x(), view->frame().y(), baseWidth, baseHeight};
        const bool mainSwipe = reloadType == ReloadType::swipe && view->isMainAnn;
        if (relayoutAll || mainSwipe) {
            view->arZeroPoint = {xPositionForAnnotationView(*view, arStatus),
                                 yPositionForAnnotationView(*view, arStatus).first};
            view->configureCard();
        }
        const double s = distanceScale(annotation->distanceFromUser(), farthest);
        const double delta = angleDifference(annotation->azimuth(), arStatus.heading);
        const double x = view->arZeroPoint.x + h * s * delta;
        const double y =
            v * arStatus.pitch * (s - 0.6) + view->arZeroPoint.y + view->arStackOffset.y;
        if (std::isfinite(x) && std::isfinite(y) && !view->disableMove) {
            view->initialFrame.origin = {x, y};
            if (view->initialFrame.width() == 0)
                view->initialFrame.size.width = view->frame().width();
            if (view->initialFrame.height() == 0)
                view->initialFrame.size.height = view->frame().height();
            view->updateMainState(reloadType == ReloadType::userLocationChanged || mainSwipe);
        }
        if (view->isCard() && reloadType == ReloadType::userLocationChanged) {
            view->refreshCard();
            // Re-sort the sectors with the new distances. Repeating the pass for every card
            // would find the same sectors again, so it runs once per placement pass.
            if (!sectorsResorted) {
                sectorsResorted = true;
                auto controller = controller_.lock();
                addRemoveAnnotationViews(controller ? controller->arStatus() : arStatus,
                                         relayoutAll);
            }
        }
    }
}

double ARPresenter::xPositionForAnnotationView(const ARAnnotationView& view, const ARStatus&) {
    return frame().width() * 0.5 - view.frame().width() * view.centerOffset().x;
}

std::pair<double, double> ARPresenter::yPositionForAnnotationView(const ARAnnotationView& view,
                                                                  const ARStatus&) {
    auto annotation = view.annotation();
    if (!annotation) return {0, 0};
    double r = annotation->verticalPlacementValue(view.isMainAnn).value_or(0);
    if (r == 0) {
        // Uniform over 150...549 from the engine's raw 32-bit output.
        r = 150 + static_cast<double>((static_cast<std::uint64_t>(random_()) * 400) >> 32);
    }
    const double spread = (frame().height() * bottomBorder - view.frame().height() - 100) / 1200;
    return {20 + r * spread, 0};
}

void ARPresenter::adjustDistanceOffsetParameters() {
    if (activeAnnotations_.empty()) return;
    const double first = activeAnnotations_.front()->distanceFromUser();
    const double last = activeAnnotations_.back()->distanceFromUser();
    const double minimum = std::min(first, last);
    switch (distanceOffsetMode) {
        case DistanceOffsetMode::automatic: {
            distanceOffsetMinThreshold = minimum;
            const double range = last - minimum;
            distanceOffsetMultiplier =
                range > 0 ? (frame().height() * bottomBorder - 30) / range : 0;
            break;
        }
        case DistanceOffsetMode::automaticOffsetMinDistance:
            distanceOffsetMinThreshold = minimum;
            break;
        case DistanceOffsetMode::none:
        case DistanceOffsetMode::manual:
            break;
    }
}

void ARPresenter::resetStackParameters() {
    for (const auto& view : annotationViews_) {
        view->arStackOffset = {0, 0};
        view->arStackAlternateFrame = Rect{};
    }
}

void ARPresenter::stackAnnotationViews() {
    auto controller = controller_.lock();
    if (annotationViews_.empty() || !controller) return;
    const double h = controller->arStatus().hPixelsPerDegree;
    const double presenterWidth = frame().width();

    ViewList order = annotationViews_;
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a->frame().y() > b->frame().y(); });

    const double fullTurn = h * 360;
    const double rightSeam = fullTurn / 2 + presenterWidth / 2;
    const double leftSeam = presenterWidth / 2 - fullTurn / 2;

    for (std::size_t i = 0; i < order.size(); ++i) {
        auto& view = *order[i];
        const Rect start = view.frame();
        const double w = start.width();
        bool hasAlternate = false;
        if (rightSeam - w < start.x() + w) {
            view.arStackAlternateFrame = offsetBy(start, -fullTurn, 0);
            hasAlternate = true;
        } else if (start.x() < leftSeam + w) {
            view.arStackAlternateFrame = offsetBy(start, fullTurn, 0);
            hasAlternate = true;
        }
        const double y0 = start.y();
        // Each preceding view can move this one at most once (moves only go up), so i + 1
        // scans always suffice; the bound also protects against degenerate frames.
        for (std::size_t scan = 0; scan <= i; ++scan) {
            bool moved = false;
            for (std::size_t j = 0; j < i; ++j) {
                const Rect other = order[j]->frame();
                if (intersects(view.frame(), other) ||
                    (hasAlternate && intersects(view.arStackAlternateFrame, other))) {
                    Rect moved_frame = view.frame();
                    moved_frame.origin.y = other.y() - moved_frame.height() - kStackGap;
                    view.setFrame(moved_frame);
                    view.arStackAlternateFrame.origin.y = moved_frame.origin.y;
                    moved = true;
                }
            }
            if (!moved) break;
        }
        view.arStackOffset.y = view.frame().y() - y0;
    }
}

}  // namespace arquorel
