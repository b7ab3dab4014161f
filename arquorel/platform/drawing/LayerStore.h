#pragma once
// The retained layers of the views a frame drawer shows, kept from frame to frame. Whoever
// draws frames (a phone, the browser page, a benchmark) owns one and hands it to
// Renderer::renderFrame(). Layers are surfaces at the screen's scale made by a backend's
// factory; they are bounded by a byte budget, the least recently drawn going first, and freed
// when their views go.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/drawing/LayerSurface.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

class LayerStore {
  public:
    using Factory = std::function<std::shared_ptr<LayerSurface>(const LayerShape&)>;

    // 32 MB at 3 pixels a point, in proportion to the pixels a point holds at other scales.
    static std::size_t defaultBudget(double scale);

    // Without a factory the layers record steps (makeRecordedLayer). A budget of 0 is the
    // default one for `scale`.
    explicit LayerStore(double scale, Factory factory = {}, std::size_t budgetBytes = 0);
    LayerStore(const LayerStore&) = delete;
    LayerStore& operator=(const LayerStore&) = delete;

    double scale() const { return scale_; }
    std::size_t budget() const { return budget_; }
    // The bytes the kept surfaces hold, and how many there are.
    std::size_t bytes() const { return bytes_; }
    std::size_t size() const { return entries_.size(); }
    // Frees every layer; the next frame draws them all again.
    void clear();

    // Counts since the store was made.
    struct Stats {
        std::uint64_t frames = 0;         // frames rendered
        std::uint64_t idleFrames = 0;     // frames in which nothing changed and nothing was drawn
        std::uint64_t quietFrames = 0;    // of which those no setter changed anything in
        std::uint64_t redraws = 0;        // layers drawn (again)
        std::uint64_t shadowRedraws = 0;  // of which layers holding a view's shadow
        std::uint64_t evictions = 0;      // layers dropped to stay within the budget
        std::uint64_t unlayered = 0;      // layers drawn in place as they would not fit
    };
    const Stats& stats() const { return stats_; }
    // Called with each view whose layer is drawn (again), before it is drawn.
    void setRedrawObserver(std::function<void(const View&)> observer) {
        redrawObserver_ = std::move(observer);
    }

    // The steps of the last drawn frame, layer steps included.
    const DisplayList& lastFrame() const { return frame_; }

  private:
    friend class Renderer;

    struct Entry {
        std::weak_ptr<const View> view;
        std::shared_ptr<LayerSurface> surface;
        std::uint64_t lastUsed = 0;  // the frame that composited it last
        // A panned drawing's offset when it was drawn, and how far its content was moved
        // within the surface then (whole pixels), so that it reaches further one way.
        Point pannedOffset;
        Point pannedLead;
    };
    // What a frame showed of one view, to tell whether the next frame differs.
    struct Mark {
        std::uint64_t id = 0;
        std::uint64_t generation = 0;
        std::uint64_t liveKey = 0;
        Transform transform;  // the view's coordinates to the root's, in points
        Size size;
        double alpha = 1;
    };
    struct Redraw {
        const View* view;
        std::shared_ptr<LayerSurface> surface;
        Point phase;
        double shownAlpha;
        bool panned = false;  // the view's panned drawing, not the view with its subviews
        Point lead;           // where a panned drawing's content sits in its surface
        int part = 0;         // what of the view the layer holds (Renderer::Part)
        std::shared_ptr<const LayerSurface> under;  // composited first: the view's shadow
    };

    // Starts a frame: drops the layers of views that have gone.
    void beginFrame();
    // Frees the layers of views that have gone.
    void dropGone();
    // The surface for `view` covering `extent` this frame, with whether it must be drawn
    // again; none when it does not fit in the budget.
    std::shared_ptr<LayerSurface> surfaceFor(const View& view, const Rect& extent, Size viewScale,
                                             double shownAlpha, bool& stale);
    // The same for a layer `id` of the view holding what changes with `generation`.
    std::shared_ptr<LayerSurface> surfaceFor(const View& view, std::uint64_t id,
                                             std::uint64_t generation, const Rect& extent,
                                             Size viewScale, double shownAlpha, bool& stale);
    // The id of the layer keeping a view's shadow (layer ids stay far below 2^63).
    static std::uint64_t shadowId(const View& view) {
        return view.layerId() | (std::uint64_t(1) << 63);
    }
    // The surface keeping the panned drawing of `view` over `extent`, with the shift to
    // composite it with; stale when it must be drawn again, its content moved by the shift.
    std::shared_ptr<LayerSurface> pannedSurfaceFor(const View& view, const Rect& extent,
                                                   Size viewScale, double shownAlpha,
                                                   const View::PannedDrawing& panned, Point& shift,
                                                   bool& stale);
    std::shared_ptr<LayerSurface> makeSurface(const View& view, const LayerShape& shape);
    bool sameAsLastDrawn() const;
    // Whether two marks show a view alike (within a tenth of a point and 1/512 of alpha).
    static bool still(const Mark& a, const Mark& b);
    // Whether surfaceFor() / pannedSurfaceFor() would hand out a kept layer as it is.
    bool keeps(const View& view, std::uint64_t id, std::uint64_t generation, const Rect& extent,
               Size viewScale, double shownAlpha) const;
    bool keepsPanned(const View& view, const Rect& extent, Size viewScale, double shownAlpha,
                     const View::PannedDrawing& panned) const;
    void evict(const std::unordered_map<std::uint64_t, Entry>::iterator& it);

    double scale_;
    Factory factory_;
    std::size_t budget_;
    std::size_t bytes_ = 0;
    std::uint64_t frameNumber_ = 0;
    std::unordered_map<std::uint64_t, Entry> entries_;
    Stats stats_;
    std::function<void(const View&)> redrawObserver_;
    // The frame being made and the last one drawn.
    DisplayList frame_;
    DisplayList building_;
    std::vector<Mark> marks_;
    std::vector<Mark> drawnMarks_;
    std::vector<Redraw> redraws_;
    bool drawnOnce_ = false;
    // The last frame found to show what the last drawn one shows: the root as it was then
    // (its layer id, content generation, placement) and the views drawing without setters
    // with their keys. A frame with all of these alike is unchanged without a walk.
    struct Unsetter {
        const View* view;
        std::uint64_t liveKey;
        std::optional<View::PannedDrawing> panned;
    };
    struct Quiet {
        bool valid = false;
        std::uint64_t root = 0;
        std::uint64_t generation = 0;
        Rect frame;
        Size size;
        Transform transform;
        double alpha = 1;
        std::vector<Unsetter> unsetters;
    };
    Quiet quiet_;
    // Gathered by a frame's walk (which leaves the store otherwise alone), then quiet_'s.
    mutable std::vector<Unsetter> unsetters_;
    // Whether `root` is as quiet_ found it.
    bool stillQuiet(const View& root) const;
    void rememberQuiet(const View& root, std::vector<Unsetter>& unsetters);
};

}  // namespace arquorel
