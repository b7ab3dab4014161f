#pragma once
// A retained layer: the pixels (or steps) of a view's drawing, kept between frames. A backend
// makes the surfaces; the renderer fills them and composites them with Painter::drawLayer().

#include <cstdint>
#include <memory>
#include <optional>

#include "arquorel/platform/geometry/Geometry.h"

namespace arquorel {

class Painter;

// What a layer covers and how it was placed on the device's pixel grid when it was drawn.
struct LayerShape {
    std::uint64_t id = 0;  // the view's layerId()
    // The area drawn, in the view's own coordinates (points).
    Rect extent;
    // Device pixels a point of the view across and down: the screen's scale times the scale
    // the view is shown at, so that the pixels need no resampling when only moved.
    double scale = 1;
    double scaleY = 1;
    // The fraction of a device pixel (0 to 1) by which the content was shifted right and down,
    // so that it lands on the same pixel grid as drawing it in place would.
    Point phase;
    int pixelWidth() const;
    int pixelHeight() const;
    std::size_t bytes() const {
        return std::size_t(4) * std::size_t(pixelWidth()) * std::size_t(pixelHeight());
    }
};

class LayerSurface {
  public:
    explicit LayerSurface(const LayerShape& shape) : shape_(shape) {}
    virtual ~LayerSurface() = default;
    LayerSurface(const LayerSurface&) = delete;
    LayerSurface& operator=(const LayerSurface&) = delete;

    const LayerShape& shape() const { return shape_; }
    // The content generation drawn last.
    std::uint64_t generation() const { return generation_; }
    // The alpha the view was shown with when drawn (its own times its superviews'): pixels
    // hold the content at that alpha, shape by shape as drawing in place does, so that
    // compositing them ignores the painter's alpha.
    double shownAlpha() const { return shownAlpha_; }
    // The view's own alpha, which replay() applies.
    double ownAlpha() const { return ownAlpha_; }
    // Clears the surface for new content at `phase` and returns the painter that draws it, in
    // the view's own coordinates. endContent() finishes it.
    Painter& beginContent(Point phase, std::uint64_t generation, double shownAlpha,
                          double ownAlpha);
    void endContent() { finishContent(); }
    // The part of the view's coordinates where the kept pixels are opaque (an opaque
    // background fills it), which a backend may copy instead of blending; none by default.
    const std::optional<Rect>& opaqueArea() const { return opaqueArea_; }
    void setOpaqueArea(std::optional<Rect> area) { opaqueArea_ = area; }
    // Draws the kept content through `painter` in the view's coordinates, step by step (with
    // the view's own alpha, under the painter's), for painters that cannot take the surface's
    // pixels. Surfaces without steps draw nothing.
    virtual void replay(Painter& painter) const;
    // Surfaces keeping steps leave the alpha to replay(), so one replayed within another would
    // take the view's alpha twice.
    virtual bool keepsSteps() const { return false; }

  protected:
    // The painter for new content, cleared; `keepsSteps` surfaces leave the alpha to replay().
    virtual Painter& startContent() = 0;
    virtual void finishContent() {}

  private:
    LayerShape shape_;
    std::uint64_t generation_ = 0;
    double shownAlpha_ = 1;
    double ownAlpha_ = 1;
    std::optional<Rect> opaqueArea_;
};

// Surfaces that keep the drawn steps (a DisplayList), for recording backends and tests.
std::shared_ptr<LayerSurface> makeRecordedLayer(const LayerShape& shape);

}  // namespace arquorel
