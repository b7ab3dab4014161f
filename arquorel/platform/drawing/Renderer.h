#pragma once
// Draws view trees through a Painter. Roots are drawn in order, each at its frame in the
// painter's coordinates: a window passes its root view first and then the views of the
// presented controllers, so that later roots cover earlier ones.
//
// For each visible view (not hidden, alpha above 0), in this order: its shadow, then under
// its mask: background colour, gradient and sublayers (all within the rounded bounds), then
// within its bounds if it clips: its draw() hook and its subviews; last its border. Layer
// animations are not played: what is drawn is the model.

#include <memory>
#include <vector>

#include "arquorel/platform/drawing/Painter.h"

namespace arquorel {

class View;

struct RenderOptions {
    // Shadows as the shape moved by the offset, without blur: exact, for comparisons.
    bool solidShadows = false;
};

class Renderer {
  public:
    explicit Renderer(RenderOptions options = {}) : options_(options) {}

    void render(const std::vector<std::shared_ptr<View>>& roots, Painter& painter) const;
    void render(const View& root, Painter& painter) const;

  private:
    void drawLayer(const View& view, Painter& painter) const;

    RenderOptions options_;
};

}  // namespace arquorel
