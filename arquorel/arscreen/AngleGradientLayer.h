#pragma once
// A colour gradient that turns once around the centre of a rectangle: the first colour just
// right of the centre, the others following clockwise, the last one reached just before the
// turn is complete. With locations (one per colour, in [0, 1]) the colours sit at those
// fractions of the turn; a location list of another length is ignored and the colours are
// spread evenly. Without colours nothing is drawn.

#include <optional>
#include <vector>

#include "arquorel/platform/drawing/Painter.h"
#include "arquorel/platform/geometry/Color.h"
#include "arquorel/platform/geometry/Geometry.h"

namespace arquorel {

class AngleGradientLayer {
  public:
    std::vector<Color> colors;
    std::vector<double> locations;

    // The gradient for `rect`; none without colours.
    std::optional<Gradient> gradientInRect(const Rect& rect) const;
    // Fills `rect` with the gradient; draws nothing without colours or without an area.
    void drawInRect(Painter& painter, const Rect& rect) const;
};

}  // namespace arquorel
