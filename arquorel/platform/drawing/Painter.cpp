#include "arquorel/platform/drawing/Painter.h"

#include <algorithm>

namespace arquorel {

namespace {
void sortStops(std::vector<GradientStop>& stops) {
    std::stable_sort(stops.begin(), stops.end(), [](const GradientStop& a, const GradientStop& b) {
        return a.location < b.location;
    });
}
}  // namespace

Gradient Gradient::linear(Point start, Point end, std::vector<GradientStop> stops) {
    Gradient g;
    g.kind = Kind::linear;
    g.start = start;
    g.end = end;
    sortStops(stops);
    g.stops = std::move(stops);
    return g;
}

Gradient Gradient::angle(Point center, double startAngle, std::vector<GradientStop> stops) {
    Gradient g;
    g.kind = Kind::angle;
    g.center = center;
    g.startAngle = startAngle;
    sortStops(stops);
    g.stops = std::move(stops);
    return g;
}

Color Gradient::colorAt(double location) const {
    if (stops.empty()) return Color::clear();
    location = std::clamp(location, 0.0, 1.0);
    if (!(location > stops.front().location)) return stops.front().color;
    for (std::size_t i = 1; i < stops.size(); ++i) {
        const GradientStop &a = stops[i - 1], &b = stops[i];
        if (location <= b.location) {
            const double span = b.location - a.location;
            const double t = span > 0 ? (location - a.location) / span : 1;
            auto mix = [t](double x, double y) { return x + (y - x) * t; };
            return {mix(a.color.red, b.color.red), mix(a.color.green, b.color.green),
                    mix(a.color.blue, b.color.blue), mix(a.color.alpha, b.color.alpha)};
        }
    }
    return stops.back().color;
}

void Painter::drawLayer(const std::shared_ptr<const LayerSurface>& layer) {
    if (layer) layer->replay(*this);
}

}  // namespace arquorel
