#include "arquorel/arscreen/DotsView.h"

#include <cmath>
#include <numbers>
#include <string>

#include "arquorel/platform/drawing/Painter.h"
#include "arquorel/platform/drawing/ViewDescription.h"

namespace arquorel {

std::vector<RadarDot> DotsView::dots() const {
    constexpr double kTwoPi = 2 * std::numbers::pi;
    double reference = (centerCoord ? centerCoord->azimuth : 0) + std::numbers::pi / 2;
    if (reference < 0) reference += kTwoPi;
    const double scale = farthest > 0 ? farthest : kUnsetFarthest;
    // The centre of this view in its container's coordinates, as the dots are placed.
    const Point centre = center();
    const double w = frame().width(), h = frame().height();
    std::vector<RadarDot> out;
    out.reserve(points.size());
    for (const auto& point : points) {
        if (!point) continue;
        double a = point->azimuth - reference;
        if (a < 0) a += kTwoPi;
        const double x = centre.x + std::cos(a) * point->radialDistance * (w - 4) / (2 * scale);
        const double y = centre.y + std::sin(a) * point->radialDistance * (h - 4) / (2 * scale);
        if (!std::isfinite(x) || !std::isfinite(y)) continue;
        const bool coloured = point->color && point->alpha == 1.0;
        out.push_back({Rect(x, y, 2, 2), coloured ? *point->color : kUncolouredDot});
    }
    return out;
}

void DotsView::draw(Painter& painter) const {
    for (const auto& dot : dots()) painter.fill(Path::ellipse(dot.rect), dot.color);
}

void DotsView::describe(ViewDescription& description) const {
    View::describe(description);
    description.add("dots", std::to_string(dots().size()));
}

}  // namespace arquorel
