#include "arquorel/arscreen/AngleGradientLayer.h"

#include <cmath>

namespace arquorel {

std::optional<Gradient> AngleGradientLayer::gradientInRect(const Rect& rect) const {
    if (colors.empty()) return std::nullopt;
    const bool useLocations = locations.size() == colors.size();
    std::vector<GradientStop> stops;
    stops.reserve(colors.size());
    const double last = static_cast<double>(colors.size() - 1);
    for (std::size_t i = 0; i < colors.size(); ++i) {
        double at = useLocations ? locations[i] : (last > 0 ? static_cast<double>(i) / last : 0);
        if (!std::isfinite(at)) at = 0;
        stops.push_back({at, colors[i]});
    }
    // Angle 0 points right (+x) and angles grow clockwise on screen, as the turn does.
    return Gradient::angle({rect.midX(), rect.midY()}, 0, std::move(stops));
}

void AngleGradientLayer::drawInRect(Painter& painter, const Rect& rect) const {
    const bool drawable = rect.width() > 0 && rect.height() > 0 && std::isfinite(rect.x()) &&
                          std::isfinite(rect.y()) && std::isfinite(rect.width()) &&
                          std::isfinite(rect.height());
    if (!drawable) return;
    if (auto gradient = gradientInRect(rect)) painter.fillGradient(Path::rect(rect), *gradient);
}

}  // namespace arquorel
