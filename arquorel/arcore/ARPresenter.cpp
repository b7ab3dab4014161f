#include "arquorel/arcore/ARPresenter.h"

#include <algorithm>
#include <array>
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

// Stable sort, farthest first, of items with a `distance`; insertion sort for short lists (a
// sector, the shown views).
template <class T>
void sortFarthestFirst(std::vector<T>& items) {
    const auto farther = [](const T& a, const T& b) { return a.distance > b.distance; };
    // Keys that do not compare (NaN) make the result depend on the algorithm: use the library's.
    const bool comparable = std::none_of(items.begin(), items.end(),
                                         [](const T& item) { return std::isnan(item.distance); });
    if (items.size() > 64 || !comparable)
        return std::stable_sort(items.begin(), items.end(), farther);
    for (std::size_t i = 1; i < items.size(); ++i)
        for (std::size_t j = i; j > 0 && farther(items[j], items[j - 1]); --j)
            std::swap(items[j], items[j - 1]);
}

// At the end of a fade out: takes the view off screen unless a later pass has given its
// annotation a place again in the meantime.
void finishFadeOut(const std::weak_ptr<View>& weakView) {
    auto v = std::static_pointer_cast<ARAnnotationView>(weakView.lock());
    if (!v) return;
    auto a = v->annotation();
    if (a && a->active() && a->annotationViewPointer() == v.get()) return;
    v->removeFromSuperview();
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
    shownValid_ = false;
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

void ARPresenter::removeAnnotation(const ARAnnotation& annotation) {
    const auto same = [&](const std::shared_ptr<ARAnnotation>& a) {
        return a.get() == &annotation;
    };
    const auto before = annotations_.size() + activeAnnotations_.size();
    std::erase_if(annotations_, same);
    std::erase_if(activeAnnotations_, same);
    if (annotations_.size() + activeAnnotations_.size() == before) return;
    shownValid_ = false;
    listsChanged();
}

std::size_t ARPresenter::sectorIndex(double azimuth) {
    if (azimuth >= 0 && azimuth < 360) {
        return std::min<std::size_t>(static_cast<std::size_t>(azimuth / 45), kSectorCount - 1);
    }
    return kSectorCount - 1;
}

// The ends of the fades of one visibility pass, run as one piece of main-loop work in the
// order of the pass. A view faded while off screen has nothing to take off screen at the end
// unless a later pass puts it back on screen before then: only then does it join the batch.
struct ARPresenter::FadeBatch {
    struct Faded {
        std::uint32_t sequence;
        std::weak_ptr<View> view;
    };
    std::vector<Faded> onScreen;
    std::vector<const View*> offScreen;  // identity only, with their sequence numbers below
    std::vector<std::uint32_t> offScreenSequence;
    bool done = false;

    void rejoin(View& view) {
        for (std::size_t k = 0; k < offScreen.size(); ++k) {
            if (offScreen[k] != &view) continue;
            const Faded faded{offScreenSequence[k], view.weak_from_this()};
            auto at =
                std::upper_bound(onScreen.begin(), onScreen.end(), faded.sequence,
                                 [](std::uint32_t s, const Faded& f) { return s < f.sequence; });
            onScreen.insert(at, faded);
            offScreen[k] = nullptr;
        }
    }
};

const std::vector<ARAnnotation*>& ARPresenter::nearestFirst() {
    // Only annotations with a view take part (at most the active ones, however long the list):
    // ordered by distance, then by place in the list.
    nearOrder_.clear();
    for (std::uint32_t i = 0; i < annotations_.size(); ++i)
        if (annotations_[i] && annotations_[i]->annotationViewPointer()) nearOrder_.push_back(i);
    std::stable_sort(nearOrder_.begin(), nearOrder_.end(), [&](std::uint32_t a, std::uint32_t b) {
        return annotations_[a]->distanceFromUser() < annotations_[b]->distanceFromUser();
    });
    byDistance_.clear();
    for (std::uint32_t i : nearOrder_) byDistance_.push_back(annotations_[i].get());
    return byDistance_;
}

void ARPresenter::addRemoveAnnotationViews(const ARStatus&, bool relayoutAll) {
    Pass pass(*this);
    visibleAnnotationViews_.resize(kSectorCount);
    for (auto& sector : visibleAnnotationViews_) sector.clear();
    visibleAnnotationsAsArray_.clear();
    shownValid_ = false;
    fadedOut_.clear();
    listsChanged();
    std::erase_if(pendingFades_, [](const auto& batch) { return batch->done; });

    // A view pushed out of a full sector fades out and leaves the screen when its fade ends.
    struct Entry {
        std::shared_ptr<ARAnnotationView> view;
        double distance;
    };
    std::array<std::vector<Entry>, kSectorCount> sectors;
    auto batch = std::make_shared<FadeBatch>();
    std::uint32_t sequence = 0;
    for (ARAnnotation* annotation : nearestFirst()) {
        ARAnnotationView* view = annotation->annotationViewPointer();
        if (!view) continue;
        auto& sector = sectors[sectorIndex(annotation->azimuth())];
        if (sector.size() < maxAnnotations) {
            sector.push_back({annotation->annotationView(), distanceOf(*view)});
            annotation->setActive(true);
        } else {
            if (view->alpha() != 0) View::animate(kFadeDuration, [&] { view->setAlpha(0); });
            if (view->hasSuperview()) {
                batch->onScreen.push_back({sequence, view->weak_from_this()});
            } else {
                batch->offScreen.push_back(view);
                batch->offScreenSequence.push_back(sequence);
            }
            ++sequence;
            fadedOut_.push_back(view);
            annotation->setActive(false);
        }
    }
    if (sequence > 0) {
        pendingFades_.push_back(batch);
        platformContext().mainLoop().asyncAfter(kFadeDuration, [batch] {
            batch->done = true;
            for (const auto& faded : batch->onScreen) finishFadeOut(faded.view);
        });
    }

    for (std::size_t i = 0; i < kSectorCount; ++i) {
        auto& entries = sectors[i];
        sortFarthestFirst(entries);
        auto& sector = visibleAnnotationViews_[i];
        for (auto& entry : entries) {
            entry.view->isMainAnn = false;
            sector.push_back(std::move(entry.view));
        }
        if (sector.empty()) continue;
        sector.back()->isMainAnn = true;
        if (relayoutAll) {
            // Only while the view still shows that annotation (views may be reused).
            std::weak_ptr<ARAnnotationView> last = sector.back();
            platformContext().mainLoop().asyncAfter(
                kMainRemarkDelay, [last, shown = sector.back()->annotationLink()] {
                    auto v = last.lock();
                    if (v && !v->annotationLink().owner_before(shown) &&
                        !shown.owner_before(v->annotationLink()))
                        v->isMainAnn = true;
                });
        }
    }

    bool firstDisplay = true;
    for (const auto& sector : visibleAnnotationViews_)
        for (const auto& view : sector)
            if (view->hasSuperview()) firstDisplay = false;

    // A hook may change the sectors: stop then (their size is checked on every step).
    auto& sectorsNow = visibleAnnotationViews_;
    for (std::size_t i = 0; i < sectorsNow.size(); ++i) {
        for (std::size_t j = 0; j < sectorsNow[i].size(); ++j) {
            const std::shared_ptr<ARAnnotationView> view = sectorsNow[i][j];
            if (view->hasSuperview()) continue;
            for (const auto& pending : pendingFades_)
                if (!pending->done) pending->rejoin(*view);
            if (!callOut([&] { addSubview(view); })) return;
            if (!firstDisplay) {
                view->setAlpha(0);
                View::animate(kFadeDuration, [&] { view->setAlpha(0.5); });
            }
        }
    }
    bringNearerViewsToFront();
}

// Nearer views cover farther ones: the annotation views among the subviews, farthest first,
// are brought to the front one by one (nothing to do when they already end the list so).
void ARPresenter::bringNearerViewsToFront() {
    struct Child {
        ARAnnotationView* view;
        double distance;
    };
    std::vector<Child> children;
    const auto& subs = subviews();
    std::size_t others = 0, lastOther = 0;
    for (std::size_t i = 0; i < subs.size(); ++i) {
        if (auto* view = dynamic_cast<ARAnnotationView*>(subs[i].get())) {
            children.push_back({view, distanceOf(*view)});
        } else {
            ++others;
            lastOther = i + 1;
        }
    }
    sortFarthestFirst(children);
    // Views already in place at the front of the annotation views need not move, as long as
    // no other subview lies among them.
    std::size_t inPlace = 0;
    if (lastOther == others) {
        while (inPlace < children.size() && subs[others + inPlace].get() == children[inPlace].view)
            ++inPlace;
    }
    if (inPlace == children.size()) return;
    std::vector<const View*> order;
    order.reserve(children.size() - inPlace);
    for (std::size_t i = inPlace; i < children.size(); ++i) order.push_back(children[i].view);
    bringSubviewsToFront(order);
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

const std::vector<ARPresenter::Placed>& ARPresenter::shownFarthestFirst() {
    // Rebuilt like the array itself: after a visibility pass, and while it is empty.
    bool resort = !shownValid_ || visibleAnnotationsAsArray_.empty();
    if (resort) {
        const auto& views = visibleAnnotationsAsArray();
        shown_.clear();
        shown_.reserve(views.size());
        for (std::size_t i = 0; i < views.size(); ++i) {
            shown_.push_back({views[i].get(), nullptr, views[i]->annotationLink(), 0,
                              static_cast<std::uint32_t>(i)});
        }
        shownValid_ = true;
    }
    // The key of each view is its annotation's distance now (0 without one); the order only
    // changes when a key did.
    for (auto& item : shown_) {
        const auto& link = item.view->annotationLink();
        if (item.link.owner_before(link) || link.owner_before(item.link)) {
            item.link = link;
            item.annotation = nullptr;
        }
        if (item.link.expired()) {
            item.annotation = nullptr;
        } else if (!item.annotation) {
            item.annotation = item.link.lock().get();
            resort = true;
        }
        const double d = item.annotation ? item.annotation->distanceFromUser() : 0;
        if (!(d == item.distance)) {
            item.distance = d;
            resort = true;
        }
    }
    if (resort) {
        // The same stable sort as over the list itself: from its own order.
        std::sort(shown_.begin(), shown_.end(),
                  [](const Placed& a, const Placed& b) { return a.order < b.order; });
        std::stable_sort(shown_.begin(), shown_.end(),
                         [](const Placed& a, const Placed& b) { return a.distance > b.distance; });
        listsChanged();
    }
    return shown_;
}

void ARPresenter::layoutAnnotationViews(const ARStatus& arStatus, bool relayoutAll,
                                        ReloadType reloadType) {
    Pass pass(*this);
    if (!relayoutAll && reloadType != ReloadType::userLocationChanged) {
        // A display frame: the shown views with their cached order.
        shownFarthestFirst();
        placeViews(shown_, arStatus, false, reloadType);
        return;
    }
    // A rebuild or a fix: the list may change under the pass (the fix re-sorts the sectors),
    // so it works on its own copy and keeps the views alive.
    // A rebuild draws its random heights afresh from the seed: the layout of a list of places
    // seen from a position does not depend on how many rebuilds (start-up reloads, a return to
    // the foreground, the order of the first fix and the camera) happened before.
    if (relayoutAll) random_.seed(seed_);
    const ViewList keep = relayoutAll ? annotationViews_ : visibleAnnotationsAsArray();
    std::vector<Placed> views;
    views.reserve(keep.size());
    std::vector<std::shared_ptr<ARAnnotation>> annotations;
    annotations.reserve(keep.size());
    for (std::size_t i = 0; i < keep.size(); ++i) {
        annotations.push_back(keep[i]->annotation());
        const auto& a = annotations.back();
        views.push_back({keep[i].get(),
                         a.get(),
                         {},
                         a ? a->distanceFromUser() : 0,
                         static_cast<std::uint32_t>(i)});
    }
    sortFarthestFirst(views);
    placeViews(views, arStatus, relayoutAll, reloadType);
}

bool ARPresenter::placeViews(std::vector<Placed>& views, const ARStatus& arStatus, bool relayoutAll,
                             ReloadType reloadType) {
    if (views.empty()) return true;
    const double farthest = views.front().distance;
    const double h = arStatus.hPixelsPerDegree;
    const double v = arStatus.vPixelsPerDegree;
    const double heading = arStatus.heading;
    const double pitch = arStatus.pitch;
    const auto& factors = annotationViewSizeFactors();
    // Sized from the screen's shorter side: a card keeps its size when the phone turns, rather
    // than covering most of a landscape screen's height.
    const Rect screen = platformContext().device().mainScreenBounds();
    const double baseWidth = std::min(screen.width(), screen.height()) * factors.width;
    const double baseHeight = baseWidth * factors.height;
    const bool located = reloadType == ReloadType::userLocationChanged;
    const bool swipe = reloadType == ReloadType::swipe;

    // After a fix every card's placement is followed by a visibility pass with the new
    // distances. Those passes find the same sectors, so only the first runs; what the later
    // ones would still change is the opacity of a view they push out of a full sector that was
    // placed after the first pass and before the last card: it fades out again (below).
    std::size_t lastCard = views.size();
    if (located)
        for (std::size_t i = 0; i < views.size(); ++i)
            if (views[i].annotation && views[i].view->isCard()) lastCard = i;
    bool sectorsResorted = false;
    std::vector<ARAnnotationView*> placedAfterResort;

    for (std::size_t i = 0; i < views.size(); ++i) {
        ARAnnotationView& view = *views[i].view;
        ARAnnotation* annotation = views[i].annotation;
        if (!annotation) continue;
        view.initialFrame = Rect{view.frame().x(), view.frame().y(), baseWidth, baseHeight};
        const bool mainSwipe = swipe && view.isMainAnn;
        if (relayoutAll || mainSwipe) {
            if (!callOut([&] {
                    const Point zero{xPositionForAnnotationView(view, arStatus),
                                     yPositionForAnnotationView(view, arStatus).first};
                    view.arZeroPoint = zero;
                    view.configureCard();
                }))
                return false;
        }
        const double s = distanceScale(annotation->distanceFromUser(), farthest);
        const double delta = angleDifference(annotation->azimuth(), heading);
        const double x = view.arZeroPoint.x + h * s * delta;
        const double y = v * pitch * (s - 0.6) + view.arZeroPoint.y + view.arStackOffset.y;
        if (std::isfinite(x) && std::isfinite(y) && !view.disableMove) {
            view.initialFrame.origin = {x, y};
            if (view.initialFrame.width() == 0) view.initialFrame.size.width = view.frame().width();
            if (view.initialFrame.height() == 0)
                view.initialFrame.size.height = view.frame().height();
            if (!callOut([&] { view.updateMainState(located || mainSwipe); })) return false;
            if (sectorsResorted && i <= lastCard) placedAfterResort.push_back(&view);
        }
        if (located && view.isCard()) {
            if (!callOut([&] { view.refreshCard(); })) return false;
            if (!sectorsResorted) {
                sectorsResorted = true;
                auto controller = controller_.lock();
                const auto interruptions = interruptions_;
                addRemoveAnnotationViews(controller ? controller->arStatus() : arStatus,
                                         relayoutAll);
                if (interruptions_ != interruptions) return false;
            }
        }
    }
    for (ARAnnotationView* view : placedAfterResort)
        if (std::find(fadedOut_.begin(), fadedOut_.end(), view) != fadedOut_.end())
            View::animate(kFadeDuration, [&] { view->setAlpha(0); });
    return true;
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

namespace {

// The stacking as written: every view is tested against every view before it, scan after scan.
// Used for frames where the faster one below does not apply (a view listed twice, an empty or
// non-finite frame).
void stackInOrder(const std::vector<ARAnnotationView*>& order, double fullTurn, double rightSeam,
                  double leftSeam) {
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
                    Rect movedFrame = view.frame();
                    movedFrame.origin.y = other.y() - movedFrame.height() - kStackGap;
                    view.setFrame(movedFrame);
                    view.arStackAlternateFrame.origin.y = movedFrame.origin.y;
                    moved = true;
                }
            }
            if (!moved) break;
        }
        view.arStackOffset.y = view.frame().y() - y0;
    }
}

// The same moves, found faster. For frames of positive finite size, a preceding view can only
// ever stop a view if their horizontal extents overlap (its own or its copy one turn away), so
// only those are scanned, in the same order; and since a view only moves up, a preceding view
// that lies wholly below it can never stop it again and leaves its scan for good.
void stackFast(const std::vector<ARAnnotationView*>& order, double fullTurn, double rightSeam,
               double leftSeam) {
    std::vector<Rect> frames(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) frames[i] = order[i]->frame();
    const auto overlapsX = [](double x, double w, const Rect& o) {
        return x < o.x() + o.width() && o.x() < x + w;
    };
    std::vector<std::uint32_t> candidates;
    for (std::size_t i = 0; i < order.size(); ++i) {
        auto& view = *order[i];
        Rect& f = frames[i];
        const double x = f.x(), w = f.width(), ht = f.height(), y0 = f.y();
        bool hasAlternate = false;
        double alternateX = x;
        if (rightSeam - w < x + w) {
            alternateX = x - fullTurn;
            hasAlternate = true;
        } else if (x < leftSeam + w) {
            alternateX = x + fullTurn;
            hasAlternate = true;
        }
        candidates.clear();
        for (std::uint32_t j = 0; j < i; ++j) {
            if (overlapsX(x, w, frames[j]) || (hasAlternate && overlapsX(alternateX, w, frames[j])))
                candidates.push_back(j);
        }
        double y = y0;
        for (bool moved = true; moved;) {
            moved = false;
            std::size_t kept = 0;
            for (const std::uint32_t j : candidates) {
                const Rect& o = frames[j];
                if (!(o.y() < y + ht)) continue;  // wholly below: never again
                if (y < o.y() + o.height()) {
                    y = o.y() - ht - kStackGap;
                    moved = true;
                }
                candidates[kept++] = j;
            }
            candidates.resize(kept);
        }
        // A move also sets the y of an alternate frame left from an earlier run.
        if (hasAlternate) view.arStackAlternateFrame = Rect{alternateX, y, w, ht};
        if (y != y0) {
            f.origin.y = y;
            view.setFrame(f);
            view.arStackAlternateFrame.origin.y = y;
        }
        view.arStackOffset.y = y - y0;
    }
}

}  // namespace

void ARPresenter::stackAnnotationViews() {
    auto controller = controller_.lock();
    if (annotationViews_.empty() || !controller) return;
    const double h = controller->arStatus().hPixelsPerDegree;
    const double presenterWidth = frame().width();

    // Lowest on screen first (largest y); equal values keep their order.
    std::vector<ARAnnotationView*> order;
    order.reserve(annotationViews_.size());
    for (const auto& view : annotationViews_) order.push_back(view.get());
    std::stable_sort(order.begin(), order.end(),
                     [](const auto* a, const auto* b) { return a->frame().y() > b->frame().y(); });

    const double fullTurn = h * 360;
    const double rightSeam = fullTurn / 2 + presenterWidth / 2;
    const double leftSeam = presenterWidth / 2 - fullTurn / 2;

    std::vector<ARAnnotationView*> distinct(order);
    std::sort(distinct.begin(), distinct.end());
    const bool regular = std::adjacent_find(distinct.begin(), distinct.end()) == distinct.end() &&
                         std::isfinite(fullTurn) && std::isfinite(rightSeam) &&
                         std::isfinite(leftSeam) &&
                         std::all_of(order.begin(), order.end(), [](const ARAnnotationView* v) {
                             const Rect& f = v->frame();
                             return std::isfinite(f.x()) && std::isfinite(f.y()) && f.width() > 0 &&
                                    f.height() > 0 && std::isfinite(f.x() + f.width()) &&
                                    std::isfinite(f.y() + f.height());
                         });
    if (regular) {
        stackFast(order, fullTurn, rightSeam, leftSeam);
    } else {
        stackInOrder(order, fullTurn, rightSeam, leftSeam);
    }
}

}  // namespace arquorel
