#pragma once
// The view over the camera picture that holds the annotation views. It selects the annotations
// that get a view, obtains the views from the data source, shows at most `maxAnnotations` per
// 45-degree compass sector (nearest first, the nearest one as the sector's main annotation),
// places every view from azimuth, heading, pitch and distance, and can stack overlapping views
// upwards across the whole panorama.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "arquorel/arcore/ARAnnotation.h"
#include "arquorel/arcore/ARAnnotationView.h"
#include "arquorel/arcore/ARDataSource.h"
#include "arquorel/arcore/ARStatus.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

enum class DistanceOffsetMode { none, manual, automaticOffsetMinDistance, automatic };

class ARPresenter : public View {
  public:
    using AnnotationList = std::vector<std::shared_ptr<ARAnnotation>>;
    using ViewList = std::vector<std::shared_ptr<ARAnnotationView>>;
    static constexpr std::size_t kSectorCount = 8;

    // A presenter for the controller (held weakly), with an empty frame.
    static std::shared_ptr<ARPresenter> create(std::weak_ptr<ARController> controller);

    // Settings.
    bool verticalStackingEnabled = false;
    std::optional<double> distanceOffsetMultiplier;
    double distanceOffsetMinThreshold = 0;
    DistanceOffsetMode distanceOffsetMode = DistanceOffsetMode::automatic;
    std::function<double(double)> distanceOffsetFunction;
    double bottomBorder = 0.55;
    std::size_t maxAnnotations = 5;
    std::size_t maxVisibleAnnotations;
    double maxDistance = 0;

    std::shared_ptr<ARController> arViewController() const { return controller_.lock(); }
    void setArViewController(std::weak_ptr<ARController> c) { controller_ = std::move(c); }

    const AnnotationList& annotations() const { return annotations_; }
    const AnnotationList& activeAnnotations() const { return activeAnnotations_; }
    const ViewList& annotationViews() const { return annotationViews_; }
    // The views shown, by compass sector; the controller re-sorts them after a distance pass.
    std::vector<ViewList>& visibleAnnotationViews() { return visibleAnnotationViews_; }
    const std::vector<ViewList>& visibleAnnotationViews() const { return visibleAnnotationViews_; }
    // The sectors concatenated in sector order (rebuilt on first use after a visibility pass).
    const ViewList& visibleAnnotationsAsArray();

    // The entry point: rebuilds, re-sorts sectors and places views as the reload type asks,
    // and only while the controller's status is ready.
    virtual void reload(const AnnotationList& annotations, ReloadType reloadType);
    // The annotations that get views, in the given order; marks every annotation active or not.
    virtual AnnotationList activeAnnotationsFromAnnotations(const AnnotationList& annotations);
    virtual void createAnnotationViews();
    virtual void clear();
    // Takes one annotation (by identity) out of the annotations and the active annotations;
    // its view goes at the next rebuild.
    void removeAnnotation(const ARAnnotation& annotation);
    // Visibility pass: sectors, main annotations, subviews and z-order.
    virtual void addRemoveAnnotationViews(const ARStatus& arStatus, bool relayoutAll);
    // Placement pass: base size and position, distance scale, frame.
    virtual void layoutAnnotationViews(const ARStatus& arStatus, bool relayoutAll,
                                       ReloadType reloadType);
    virtual double xPositionForAnnotationView(const ARAnnotationView& view,
                                              const ARStatus& arStatus);
    virtual std::pair<double, double> yPositionForAnnotationView(const ARAnnotationView& view,
                                                                 const ARStatus& arStatus);
    // Derives the distance-offset settings from the active annotations' distances.
    virtual void adjustDistanceOffsetParameters();

    // Moves overlapping views up so that each clears the views below it, also across the seam
    // behind the user; the displacement is kept in each view's arStackOffset.
    void stackAnnotationViews();
    void resetStackParameters();

    // The seed of the random base heights (150...549) used when a place has none. Every full
    // layout starts again from it, so the same views in the same order get the same heights
    // however many rebuilds came before.
    void seedRandom(std::uint32_t seed) {
        seed_ = seed;
        random_.seed(seed);
    }

    // The distance scale of a view at `distance` when the farthest shown view is at `farthest`.
    static double distanceScale(double distance, double farthest);
    // The compass sector (0...7) of an azimuth; anything outside [0, 360) is sector 7.
    static std::size_t sectorIndex(double azimuth);

  protected:
    explicit ARPresenter(std::weak_ptr<ARController> controller);

  private:
    // Held for the length of every operation that calls out (to the data source, a view's
    // hooks, an annotation's overrides): keeps the presenter alive when the callee drops the
    // last reference to it.
    class Pass;
    // Runs a call-out; false when the presenter's lists were changed during it (the callee
    // reloaded or cleared the presenter), in which case the calling pass stops where it is.
    template <class F>
    bool callOut(F&& f);
    void listsChanged() { ++listChanges_; }

    // A view to place with its annotation and its sort key.
    struct Placed {
        ARAnnotationView* view;
        ARAnnotation* annotation;  // none when the view has lost its annotation
        std::weak_ptr<ARAnnotation> link;
        double distance;
        std::uint32_t order;  // position in the list being placed
    };
    // The shown views of a display frame, farthest first: visibleAnnotationsAsArray() with
    // the annotations and distances they were last sorted by.
    const std::vector<Placed>& shownFarthestFirst();
    bool placeViews(std::vector<Placed>& views, const ARStatus& arStatus, bool relayoutAll,
                    ReloadType reloadType);
    struct FadeBatch;
    void bringNearerViewsToFront();
    // The annotations with a view, nearest first (ties in list order).
    const std::vector<ARAnnotation*>& nearestFirst();

    std::uint64_t listChanges_ = 0;
    std::uint64_t interruptions_ = 0;
    std::vector<Placed> shown_;
    bool shownValid_ = false;
    // The fades of recent visibility passes whose ends are still to run.
    std::vector<std::shared_ptr<FadeBatch>> pendingFades_;
    // Indices into annotations_ of those with a view, nearest first (scratch).
    std::vector<std::uint32_t> nearOrder_;
    // Scratch lists kept for their capacity.
    std::vector<ARAnnotation*> byDistance_;
    std::vector<const ARAnnotationView*> fadedOut_;  // by the last visibility pass
    std::weak_ptr<ARController> controller_;
    AnnotationList annotations_;
    AnnotationList activeAnnotations_;
    ViewList annotationViews_;
    std::vector<ViewList> visibleAnnotationViews_;
    ViewList visibleAnnotationsAsArray_;
    std::uint32_t seed_ = 20260601u;
    std::mt19937 random_{seed_};
};

}  // namespace arquorel
