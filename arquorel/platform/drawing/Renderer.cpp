#include "arquorel/platform/drawing/Renderer.h"

#include <cmath>

#include "arquorel/platform/ui/View.h"

namespace arquorel {

namespace {

bool visible(const Color& c) {
    return c.alpha > 0;
}

// The transform that places a view of `size` turned by `t` about the centre of `frame`.
void placeView(Painter& painter, const Rect& frame, Size size, const Transform& t) {
    if (t.isIdentity()) {
        if (frame.x() != 0 || frame.y() != 0) painter.translate(frame.x(), frame.y());
        return;
    }
    painter.translate(frame.midX(), frame.midY());
    painter.concat(t);
    painter.translate(-size.width / 2, -size.height / 2);
}

// A layer gradient in the coordinates of a box of `size`.
Gradient gradientFor(const LayerGradient& g, Size size) {
    std::vector<GradientStop> stops;
    const std::size_t n = g.colors.size();
    for (std::size_t i = 0; i < n; ++i) {
        const double location = i < g.locations.size() ? g.locations[i]
                                : n > 1                ? double(i) / double(n - 1)
                                                       : 0;
        stops.push_back({location, g.colors[i]});
    }
    const Point start{g.startPoint.x * size.width, g.startPoint.y * size.height};
    const Point end{g.endPoint.x * size.width, g.endPoint.y * size.height};
    if (g.kind == LayerGradient::Kind::linear) return Gradient::linear(start, end, stops);
    const double angle = (start == end) ? 0 : std::atan2(end.y - start.y, end.x - start.x);
    return Gradient::angle(start, angle, stops);
}

void drawSublayer(const Sublayer& s, Painter& painter) {
    if (s.hidden || !(s.opacity > 0)) return;
    PainterStateSaver saved(painter);
    placeView(painter, s.frame, s.frame.size, s.transform);
    if (s.opacity < 1) painter.multiplyAlpha(s.opacity);
    const Rect box{0, 0, s.frame.width(), s.frame.height()};
    const Path shape = Path::roundedRect(box, s.cornerRadius);
    if (visible(s.backgroundColor)) painter.fill(shape, s.backgroundColor);
    if (s.gradient && !s.gradient->colors.empty())
        painter.fillGradient(s.path ? *s.path : shape, gradientFor(*s.gradient, box.size));
    if (s.path) {
        if (visible(s.fillColor)) painter.fill(*s.path, s.fillColor);
        if (visible(s.strokeColor) && s.lineWidth > 0)
            painter.stroke(*s.path, s.strokeColor, lineWidth(s.lineWidth));
    }
}

}  // namespace

void Renderer::render(const std::vector<std::shared_ptr<View>>& roots, Painter& painter) const {
    for (const auto& root : roots)
        if (root) drawLayer(*root, painter);
}

void Renderer::render(const View& root, Painter& painter) const {
    drawLayer(root, painter);
}

void Renderer::drawLayer(const View& view, Painter& painter) const {
    if (view.isHidden() || !(view.alpha() > 0)) return;
    const LayerStyle& layer = view.layer();
    const Rect bounds = view.bounds();
    const double radius = layer.cornerRadius;
    PainterStateSaver saved(painter);
    placeView(painter, view.frame(), view.bounds().size, view.transform());
    if (view.alpha() < 1) painter.multiplyAlpha(view.alpha());

    if (layer.shadowOpacity > 0 && !isEmpty(bounds)) {
        Shadow shadow;
        shadow.color = layer.shadowColor.withAlpha(layer.shadowColor.alpha *
                                                   std::min(layer.shadowOpacity, 1.0));
        shadow.offset = layer.shadowOffset;
        shadow.radius = options_.solidShadows ? 0 : layer.shadowRadius;
        painter.drawShadow(Path::roundedRect(bounds, radius), shadow);
    }
    if (layer.mask) painter.clip(*layer.mask);

    const Path shape = Path::roundedRect(bounds, radius);
    if (visible(view.backgroundColor())) painter.fill(shape, view.backgroundColor());
    if (layer.gradient && !layer.gradient->colors.empty())
        painter.fillGradient(shape, gradientFor(*layer.gradient, bounds.size));
    for (const Sublayer& s : layer.sublayers) drawSublayer(s, painter);

    const bool clips = view.clipsToBounds();
    if (clips) {
        painter.save();
        painter.clip(shape);
    }
    view.draw(painter);
    for (const auto& child : view.subviews()) drawLayer(*child, painter);
    if (clips) painter.restore();

    if (layer.borderWidth > 0 && visible(layer.borderColor)) {
        // The border lies inside the bounds, like the background it surrounds.
        const double inset = layer.borderWidth / 2;
        const Rect inner{inset, inset, bounds.width() - layer.borderWidth,
                         bounds.height() - layer.borderWidth};
        painter.stroke(Path::roundedRect(inner, std::max(0.0, radius - inset)), layer.borderColor,
                       lineWidth(layer.borderWidth));
    }
}

}  // namespace arquorel
