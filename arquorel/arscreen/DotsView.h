#pragma once
// Draws the radar's dots: one 2-point dot per point, placed by its azimuth relative to the
// centre coordinate's azimuth (which points up) and by its distance relative to `farthest`
// (which lands 2 points inside the edge).

#include <memory>
#include <vector>

#include "arquorel/arscreen/ARGeoCoordinate.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

struct RadarDot {
    Rect rect;  // the dot's oval is inscribed in it, in the dots view's coordinates
    Color color;
    friend bool operator==(const RadarDot&, const RadarDot&) = default;
};

class DotsView : public View {
  public:
    // The colour of a dot without its own colour, or of a point that is not fully shown.
    static constexpr Color kUncolouredDot{2.0 / 3, 2.0 / 3, 2.0 / 3, 1};
    // The scale used while `farthest` is 0 (or not a positive number).
    static constexpr double kUnsetFarthest = 0.5;

    using View::View;

    // The dots as drawn, in the order of `points`; a point whose place would not be a finite
    // number (an infinite distance) has no dot.
    std::vector<RadarDot> dots() const;
    void draw(Painter& painter) const override;
    void describe(ViewDescription& description) const override;

    std::shared_ptr<ARGeoCoordinate> centerCoord;
    std::vector<std::shared_ptr<ARGeoCoordinate>> points;
    double farthest = 0;  // metres
};

}  // namespace arquorel
