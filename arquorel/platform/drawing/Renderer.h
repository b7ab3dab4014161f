#pragma once
// Draws view trees through a Painter. Roots are drawn in order, each at its frame in the
// painter's coordinates: a window passes its root view first and then the views of the
// presented controllers, so that later roots cover earlier ones.
//
// For each visible view (not hidden, alpha above 0), in this order: its shadow, then under
// its mask: background colour, gradient and sublayers (all within the rounded bounds), then
// within its bounds if it clips: its draw() hook and its subviews; last its border. Layer
// animations are not played: what is drawn is the model.
//
// renderFrame() draws with retained layers: a layer-backed view is drawn with its subviews into
// its layer when its content generation changed, and composited with its placement and alpha
// otherwise. Its shadow is kept in a layer of its own, drawn again only when the view's own
// drawing changes, not when a subview's does (a text), and taken into the view's layer under
// its content, so that a frame composites one layer a view. A first subview covering its
// frame on whole device pixels, with an opaque picture or an opaque square background, hides
// its superview's background there, which the frame leaves out. A view with a panned drawing (a
// map) keeps it in a layer larger than the view, composited shifted while it pans by whole pixels.
// A frame in which no view moved by more than a tenth of a point and nothing was marked as changed
// draws nothing at all.

#include <memory>
#include <vector>

#include "arquorel/platform/drawing/Painter.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

class LayerStore;

struct RenderOptions {
    // Shadows as the shape moved by the offset, without blur: exact, for comparisons.
    bool solidShadows = false;
};

class Renderer {
  public:
    explicit Renderer(RenderOptions options = {}) : options_(options) {}

    void render(const std::vector<std::shared_ptr<View>>& roots, Painter& painter) const;
    void render(const View& root, Painter& painter) const;
    // Draws a frame of `root` with the layers kept in `store`; false when nothing changed since
    // the last frame drawn with it, and nothing was drawn.
    bool renderFrame(const View& root, Painter& painter, LayerStore& store) const;

  private:
    struct Frame;
    // What of a view drawContent() draws: all of it, its shadow only, or all but its shadow.
    enum class Part { whole, shadow, overShadow };
    void drawLayer(const View& view, Painter& painter) const;
    void drawContent(const View& view, Painter& painter, Frame* frame, const Transform& m,
                     double alpha, Part part = Part::whole) const;
    void drawShadow(const View& view, Painter& painter) const;
    // Composites a view's panned drawing from its layer, shifted, drawing the layer when stale.
    void drawPanned(const View& view, const View::PannedDrawing& panned, Painter& painter,
                    Frame& frame, const Transform& m, double alpha) const;
    void compose(const View& view, Frame& frame, const Transform& parent, double parentAlpha) const;
    // Whether composing `view` would show what the store's last drawn frame shows from mark
    // `next` on, every layer kept; walks as compose() does without recording or allocating.
    // The views drawing without setters that it passes are noted in the store.
    bool unchanged(const View& view, const LayerStore& store, std::size_t& next,
                   const Transform& parent, double parentAlpha, const Rect& visible) const;

    RenderOptions options_;
};

}  // namespace arquorel
