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

class ARPresenter::Pass {
  public:
    explicit Pass(ARPresenter& presenter) : keep_(presenter.weak_from_this().lock()) {}

  private:
    std::shared_ptr<View> keep_;
};

template <class F>
bool ARPresenter::callOut(F&& f) {
    const auto before = listChanges_;
    f();
    if (listChanges_ == before) return true;
    ++interruptions_;
    return false;
}

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
    Pass pass(*this);
    // A call-out that reloads or clears the presenter supersedes the rest of this reload.
    const auto interruptions = interruptions_;
    const auto interrupted = [&] { return interruptions_ != interruptions; };

    const bool rebuild = reloadType == ReloadType::reloadLocationChanged ||
                         reloadType == ReloadType::annotationsChanged || annotations_.empty();
    bool relayoutAll = false;
    bool stackingDue = false;
    if (rebuild) {
        annotations_ = annotations;
        listsChanged();
        activeAnnotations_ = activeAnnotationsFromAnnotations(annotations_);
        createAnnotationViews();
        if (interrupted()) return;
        relayoutAll = true;
        if (verticalStackingEnabled) {
            resetStackParameters();
            stackingDue = true;
        }
    }
    if ((reloadType == ReloadType::annotationsChanged && rebuild) ||
        reloadType == ReloadType::swipe || annotations_.empty()) {
        addRemoveAnnotationViews(controller->arStatus(), relayoutAll);
        if (interrupted()) return;
    }
    layoutAnnotationViews(controller->arStatus(), relayoutAll, reloadType);
    if (interrupted()) return;
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
    Pass pass(*this);
    // Call-outs may change the lists: iterate over copies.
    const ViewList previous = annotationViews_;
    for (const auto& view : previous)
        if (!callOut([&] { view->removeFromSuperview(); })) return;
    for (const auto& annotation : annotations_)
        if (annotation && !annotation->active()) annotation->setAnnotationView(nullptr);

    auto controller = controller_.lock();
    auto dataSource = controller ? controller->dataSource() : nullptr;
    const AnnotationList active = activeAnnotations_;
    ViewList views;
    views.reserve(active.size());
    for (const auto& annotation : active) {
        auto view = annotation->annotationView();
        if (!view && dataSource &&
            !callOut([&] { view = dataSource->viewForAnnotation(*controller, annotation); }))
            return;
        annotation->setAnnotationView(view);
        if (view) {
            view->setAnnotation(annotation);
            views.push_back(std::move(view));
        }
    }
    annotationViews_ = std::move(views);
    listsChanged();
    if (dataSource) callOut([&] { dataSource->viewsDrawn(*controller, annotationViews_); });
}

void ARPresenter::clear() {
    Pass pass(*this);
    const AnnotationList annotations = std::move(annotations_);
    const ViewList views = std::move(annotationViews_);
    annotations_.clear();
    activeAnnotations_.clear();
    annotationViews_.clear();
    visibleAnnotationViews_.clear();
    visibleAnnotationsAsArray_.clear();
    listsChanged();
    for (const auto& annotation : annotations) {
        if (!annotation) continue;
        annotation->setActive(false);
        annotation->setAnnotationView(nullptr);
    }
    // A hook that fills the presenter again ends this clear.
    for (const auto& view : views)
        if (!callOut([&] { view->removeFromSuperview(); })) return;
}

std::size_t ARPresenter::sectorIndex(double azimuth) {
    if (azimuth >= 0 && azimuth < 360) {
        return std::min<std::size_t>(static_cast<std::size_t>(azimuth / 45), kSectorCount - 1);
    }
    return kSectorCount - 1;
}

void ARPresenter::addRemoveAnnotationViews(const ARStatus&, bool relayoutAll) {
    Pass pass(*this);
    std::vector<ViewList> sectors(kSectorCount);
    fadedOut_.clear();

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
        auto& sector = sectors[sectorIndex(annotation->azimuth())];
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
            fadedOut_.push_back(view.get());
            annotation->setActive(false);
        }
    }

    for (auto& sector : sectors) {
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
    visibleAnnotationViews_ = sectors;
    visibleAnnotationsAsArray_.clear();
    listsChanged();

    bool firstDisplay = true;
    for (const auto& sector : sectors)
        for (const auto& view : sector)
            if (view->hasSuperview()) firstDisplay = false;

    for (const auto& sector : sectors) {
        for (const auto& view : sector) {
            if (view->hasSuperview()) continue;
            if (!callOut([&] { addSubview(view); })) return;
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
    Pass pass(*this);
    ViewList views = relayoutAll ? annotationViews_ : visibleAnnotationsAsArray();
    if (views.empty()) return;
    sortFarthestFirst(views);
    const double farthest = distanceOf(*views.front());
    const double h = arStatus.hPixelsPerDegree;
    const double v = arStatus.vPixelsPerDegree;
    const auto& factors = annotationViewSizeFactors();
    const double baseWidth = platformContext().device().mainScreenBounds().width() * factors.width;
    const double baseHeight = baseWidth * factors.height;
    const bool located = reloadType == ReloadType::userLocationChanged;

    // After a fix every card's placement is followed by a visibility pass with the new
    // distances. Those passes find the same sectors, so only the first runs; what the later
    // ones would still change is the opacity of a view they push out of a full sector that was
    // placed after the first pass and before the last card: it fades out again (below).
    std::size_t lastCard = views.size();
    if (located)
        for (std::size_t i = 0; i < views.size(); ++i)
            if (views[i]->annotation() && views[i]->isCard()) lastCard = i;
    bool sectorsResorted = false;
    std::vector<const ARAnnotationView*> placedAfterResort;

    for (std::size_t i = 0; i < views.size(); ++i) {
        const auto& view = views[i];
        auto annotation = view->annotation();
        if (!annotation) continue;
        view->initialFrame = Rect{view->frame().x(), view->frame().y(), baseWidth, baseHeight};
        const bool mainSwipe = reloadType == ReloadType::swipe && view->isMainAnn;
        if (relayoutAll || mainSwipe) {
            Point zero;
            if (!callOut([&] {
                    zero = {xPositionForAnnotationView(*view, arStatus),
                            yPositionForAnnotationView(*view, arStatus).first};
                    view->arZeroPoint = zero;
                    view->configureCard();
                }))
                return;
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
            if (!callOut([&] { view->updateMainState(located || mainSwipe); })) return;
            if (sectorsResorted && i <= lastCard) placedAfterResort.push_back(view.get());
        }
        if (located && view->isCard()) {
            if (!callOut([&] { view->refreshCard(); })) return;
            if (!sectorsResorted) {
                sectorsResorted = true;
                auto controller = controller_.lock();
                const auto interruptions = interruptions_;
                addRemoveAnnotationViews(controller ? controller->arStatus() : arStatus,
                                         relayoutAll);
                if (interruptions_ != interruptions) return;
            }
        }
    }
    for (const auto* placed : placedAfterResort) {
        if (std::find(fadedOut_.begin(), fadedOut_.end(), placed) == fadedOut_.end()) continue;
        auto* view = const_cast<ARAnnotationView*>(placed);
        View::animate(kFadeDuration, [&] { view->setAlpha(0); });
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
