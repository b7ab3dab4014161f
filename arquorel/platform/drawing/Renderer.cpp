#include "arquorel/platform/drawing/Renderer.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/drawing/LayerStore.h"
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

Rect unionOf(const Rect& a, const Rect& b) {
    const double x0 = std::min(a.minX(), b.minX()), y0 = std::min(a.minY(), b.minY());
    const double x1 = std::max(a.maxX(), b.maxX()), y1 = std::max(a.maxY(), b.maxY());
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect outset(const Rect& r, double d) {
    return {r.x() - d, r.y() - d, r.width() + 2 * d, r.height() + 2 * d};
}

constexpr double kExtentMargin = 2;

bool castsShadow(const View& view) {
    return view.layer().shadowOpacity > 0 && !isEmpty(view.bounds());
}

// What a frame shows of a view's picture that changes without setters: its live content
// key, mixed with its panned drawing's key and where that stands (a pan by whole pixels keeps
// the layer but moves what the frame shows).
std::uint64_t unsetKey(const View& view) {
    std::uint64_t key = view.liveContentKey();
    if (const auto panned = view.pannedDrawing()) {
        const auto mix = [&key](std::uint64_t v) {
            key = (key ^ v) * 0x100000001b3ull + (key >> 29);
        };
        mix(panned->key);
        mix(std::hash<double>{}(panned->offset.x));
        mix(std::hash<double>{}(panned->offset.y));
    }
    return key;
}

// The extent of a view's shadow in its own coordinates, with the margin drawnExtent() adds.
Rect shadowExtent(const View& view) {
    const LayerStyle& layer = view.layer();
    const Rect shadow =
        offsetBy(view.bounds(), layer.shadowOffset.width, layer.shadowOffset.height);
    return outset(shadow, 2 * layer.shadowRadius + kExtentMargin);
}

// The extent of what `view` draws, in its own coordinates: its bounds, shadow (unless
// `ownShadow` is false) and sublayers, and its subviews' unless it clips them, with a margin
// for strokes and text past the edges.
Rect drawnExtent(const View& view, bool ownShadow = true) {
    // Everything it depends on changes the view's content generation: worked out once each.
    View::ExtentNote& note = view.extentNote(ownShadow);
    if (note.generation == view.contentGeneration()) return note.extent;
    constexpr double kMargin = kExtentMargin;
    const LayerStyle& layer = view.layer();
    Rect extent = view.bounds();
    if (ownShadow && layer.shadowOpacity > 0) {
        const double blur = 2 * layer.shadowRadius;
        Rect shadow = offsetBy(view.bounds(), layer.shadowOffset.width, layer.shadowOffset.height);
        extent = unionOf(extent, outset(shadow, blur));
    }
    for (const Sublayer& s : layer.sublayers)
        if (!s.hidden) extent = unionOf(extent, s.frame);
    if (!view.clipsToBounds()) {
        for (const auto& child : view.subviews()) {
            if (child->isHidden() || !(child->alpha() > 0)) continue;
            const Rect inner = drawnExtent(*child);
            // The child's extent placed as the renderer places the child.
            const Rect& f = child->frame();
            if (child->transform().isIdentity()) {
                extent = unionOf(extent, offsetBy(inner, f.x(), f.y()));
            } else {
                const double grow = std::max({inner.width() - child->bounds().width(),
                                              inner.height() - child->bounds().height(), 0.0});
                extent = unionOf(extent, outset(f, grow));
            }
        }
    }
    note = {view.contentGeneration(), outset(extent, kMargin)};
    return note.extent;
}

// The scale a view is shown at across and down: that of its axes when it is not turned, the
// square root of the area's scale otherwise.
Size viewScale(const Transform& m) {
    if (m.b == 0 && m.c == 0 && m.a > 0 && m.d > 0) return {m.a, m.d};
    // Rounded, so that turning (whose scale comes out a hair off 1) keeps the layer.
    const double det = std::round(std::sqrt(std::fabs(m.a * m.d - m.b * m.c)) * 1024) / 1024;
    return {det, det};
}

// The fraction of a device pixel a layer's content is shifted by, so that it lands on the
// pixel grid as drawing in place does, when the view is shown without turning.
Point pixelPhase(const Transform& m, const Rect& extent, double scale) {
    if (m.b != 0 || m.c != 0 || m.a <= 0 || m.d <= 0) return {};
    const double x = (m.tx + m.a * extent.x()) * scale, y = (m.ty + m.d * extent.y()) * scale;
    if (!std::isfinite(x) || !std::isfinite(y)) return {};
    return {x - std::floor(x), y - std::floor(y)};
}

// The transform placeView() applies.
Transform placement(const Rect& frame, Size size, const Transform& t) {
    if (t.isIdentity()) return Transform::translation(frame.x(), frame.y());
    Transform m = Transform::translation(-size.width / 2, -size.height / 2);
    m = concat(m, t);
    return concat(m, Transform::translation(frame.midX(), frame.midY()));
}

// The box around `r` mapped by `m`.
Rect boxAround(const Transform& m, const Rect& r) {
    const Point corners[] = {apply(m, {r.minX(), r.minY()}), apply(m, {r.maxX(), r.minY()}),
                             apply(m, {r.minX(), r.maxY()}), apply(m, {r.maxX(), r.maxY()})};
    double x0 = corners[0].x, x1 = x0, y0 = corners[0].y, y1 = y0;
    for (const Point& p : corners) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect intersection(const Rect& a, const Rect& b) {
    const double x0 = std::max(a.minX(), b.minX()), y0 = std::max(a.minY(), b.minY());
    const double x1 = std::min(a.maxX(), b.maxX()), y1 = std::min(a.maxY(), b.maxY());
    return {x0, y0, std::max(0.0, x1 - x0), std::max(0.0, y1 - y0)};
}

// The first subview of a view placed by `m` and shown at `alpha` when it hides what the view
// draws under it on its frame, shown opaque, upright and on whole device pixels at `scale`:
// its own drawing covers its bounds (View::coversBounds), or an opaque square background
// does. None otherwise.
const View* opaqueFirstSubview(const View& view, const Transform& m, double alpha, double scale) {
    if (view.subviews().empty() || m.b != 0 || m.c != 0) return nullptr;
    const View& c = *view.subviews().front();
    // A layer may hold its pixels at the phase it was drawn at, a fraction of a pixel off.
    if (c.isHidden() || c.isLayerBacked() || !(alpha * c.alpha() >= 1) ||
        !c.transform().isIdentity() || c.layer().mask)
        return nullptr;
    const bool square = c.layer().cornerRadius == 0;
    const bool covers = (square || !c.clipsToBounds()) && c.coversBounds();
    if (!covers && !(square && c.backgroundColor().alpha >= 1)) return nullptr;
    const Rect& f = c.frame();
    const auto whole = [](double v) {
        return std::isfinite(v) && std::fabs(v - std::round(v)) < 1e-6;
    };
    const bool onPixels =
        whole((m.tx + m.a * f.minX()) * scale) && whole((m.tx + m.a * f.maxX()) * scale) &&
        whole((m.ty + m.d * f.minY()) * scale) && whole((m.ty + m.d * f.maxY()) * scale);
    return onPixels ? &c : nullptr;
}

// Fills the square `bounds` but for the part `over` hides when that spans them across or
// down; all of them otherwise.
void fillAround(Painter& painter, const Rect& b, const Rect& over, const Color& color) {
    if (over.minX() <= b.minX() && over.maxX() >= b.maxX()) {
        const double top = std::clamp(over.minY(), b.minY(), b.maxY());
        const double bottom = std::clamp(over.maxY(), top, b.maxY());
        if (top > b.minY())
            painter.fillRect({b.minX(), b.minY(), b.width(), top - b.minY()}, color);
        if (bottom < b.maxY())
            painter.fillRect({b.minX(), bottom, b.width(), b.maxY() - bottom}, color);
    } else if (over.minY() <= b.minY() && over.maxY() >= b.maxY()) {
        const double left = std::clamp(over.minX(), b.minX(), b.maxX());
        const double right = std::clamp(over.maxX(), left, b.maxX());
        if (left > b.minX())
            painter.fillRect({b.minX(), b.minY(), left - b.minX(), b.height()}, color);
        if (right < b.maxX())
            painter.fillRect({right, b.minY(), b.maxX() - right, b.height()}, color);
    } else {
        painter.fillRect(b, color);
    }
}

}  // namespace

struct Renderer::Frame {
    LayerStore& store;
    DisplayList& list;
    // What can still be seen, in the root's coordinates: the root's frame within the clips of
    // the views being drawn. Views wholly outside it are left out of the frame.
    Rect visible;
};

void Renderer::render(const std::vector<std::shared_ptr<View>>& roots, Painter& painter) const {
    for (const auto& root : roots)
        if (root) drawLayer(*root, painter);
}

void Renderer::render(const View& root, Painter& painter) const {
    drawLayer(root, painter);
}

bool Renderer::renderFrame(const View& root, Painter& painter, LayerStore& store) const {
    // Most frames change nothing: they are told apart before any step is recorded, at once
    // when no setter changed anything since a frame found unchanged, by a walk otherwise.
    if (store.stillQuiet(root)) {
        ++store.stats_.frames;
        ++store.stats_.idleFrames;
        ++store.stats_.quietFrames;
        // The views are those of the last walk, which dropped the layers of views gone then;
        // those of views let go since go with the next frame that walks.
        return false;
    }
    store.unsetters_.clear();
    if (std::size_t next = 0; store.drawnOnce_ &&
                              unchanged(root, store, next, Transform{}, 1, root.frame()) &&
                              next == store.drawnMarks_.size()) {
        ++store.stats_.frames;
        ++store.stats_.idleFrames;
        store.rememberQuiet(root, store.unsetters_);
        store.dropGone();
        return false;
    }
    store.beginFrame();
    Frame frame{store, store.building_, root.frame()};
    compose(root, frame, Transform{}, 1);
    if (store.sameAsLastDrawn()) {
        ++store.stats_.idleFrames;
        return false;
    }
    for (const auto& redraw : store.redraws_) {
        if (store.redrawObserver_ && redraw.part != int(Part::shadow))
            store.redrawObserver_(*redraw.view);
        ++store.stats_.redraws;
        if (redraw.panned) {
            // The view's own alpha is already in the frame's painter, around the layer.
            const auto panned = redraw.view->pannedDrawing();
            Painter& content = redraw.surface->beginContent(redraw.phase, panned ? panned->key : 0,
                                                            redraw.shownAlpha, 1);
            // The content moved within the surface by the lead: the area drawn moves the
            // other way.
            const Point lead = redraw.lead;
            content.translate(-lead.x, -lead.y);
            redraw.view->drawPanned(content,
                                    offsetBy(redraw.surface->shape().extent, lead.x, lead.y));
            redraw.surface->endContent();
            continue;
        }
        const auto part = static_cast<Part>(redraw.part);
        if (part == Part::shadow) ++store.stats_.shadowRedraws;
        Painter& content =
            redraw.surface->beginContent(redraw.phase,
                                         part == Part::shadow ? redraw.view->displayGeneration()
                                                              : redraw.view->contentGeneration(),
                                         redraw.shownAlpha, redraw.view->alpha());
        if (redraw.under) content.drawLayer(redraw.under);
        drawContent(*redraw.view, content, nullptr, Transform{}, 1, part);
        redraw.surface->endContent();
        if (part == Part::shadow) continue;
        // An opaque square background under everything else leaves the bounds opaque.
        const View& v = *redraw.view;
        const bool opaque = v.backgroundColor().alpha >= 1 && v.layer().cornerRadius == 0 &&
                            !v.layer().mask && redraw.shownAlpha >= 1;
        redraw.surface->setOpaqueArea(opaque ? std::optional<Rect>(v.bounds()) : std::nullopt);
    }
    store.redraws_.clear();
    std::swap(store.frame_, store.building_);
    std::swap(store.drawnMarks_, store.marks_);
    store.drawnOnce_ = true;
    store.frame_.replay(painter);
    return true;
}

void Renderer::drawLayer(const View& view, Painter& painter) const {
    if (view.isHidden() || !(view.alpha() > 0)) return;
    PainterStateSaver saved(painter);
    placeView(painter, view.frame(), view.bounds().size, view.transform());
    if (view.alpha() < 1) painter.multiplyAlpha(view.alpha());
    drawContent(view, painter, nullptr, Transform{}, 1);
}

void Renderer::compose(const View& view, Frame& frame, const Transform& parent,
                       double parentAlpha) const {
    if (view.isHidden() || !(view.alpha() > 0)) return;
    const double alpha = parentAlpha * std::min(view.alpha(), 1.0);
    const Transform m =
        concat(placement(view.frame(), view.bounds().size, view.transform()), parent);
    if (m.a * m.d - m.b * m.c == 0) return;  // squashed to nothing
    const Rect extent = drawnExtent(view);
    if (!intersects(boxAround(m, extent), frame.visible)) return;
    LayerStore& store = frame.store;
    std::shared_ptr<LayerSurface> surface, shadow;
    const bool ownShadow = view.isLayerBacked() && castsShadow(view);
    if (view.isLayerBacked()) {
        bool stale = false;
        surface = store.surfaceFor(view, extent, viewScale(m), alpha, stale);
        // The shadow is kept in a layer of its own, which the view's layer takes in under its
        // content when drawn: drawing the view again for a changed subview (a text) does not
        // blur the shadow again, and a frame composites one layer a view. Layers keeping steps
        // hold the shadow's steps themselves.
        if (surface && ownShadow && !surface->keepsSteps()) {
            const Rect around = shadowExtent(view);
            bool shadowStale = false;
            shadow = store.surfaceFor(view, LayerStore::shadowId(view), view.displayGeneration(),
                                      around, viewScale(m), alpha, shadowStale);
            // Drawn only for the view's layer: one kept as it is already holds the shadow.
            if (shadow && shadowStale && stale)
                store.redraws_.push_back({&view,
                                          shadow,
                                          pixelPhase(m, around, store.scale()),
                                          alpha,
                                          false,
                                          {},
                                          int(Part::shadow),
                                          nullptr});
        }
        if (surface && stale)
            store.redraws_.push_back({&view,
                                      surface,
                                      pixelPhase(m, extent, store.scale()),
                                      alpha,
                                      false,
                                      {},
                                      int(shadow ? Part::overShadow : Part::whole),
                                      shadow});
    }
    store.marks_.push_back({view.layerId(),
                            surface ? view.contentGeneration() : view.displayGeneration(),
                            unsetKey(view), m, view.bounds().size, view.alpha()});
    DisplayList& list = frame.list;
    PainterStateSaver saved(list);
    placeView(list, view.frame(), view.bounds().size, view.transform());
    if (surface) {
        // The layer holds the content, with its shadow, at the alpha it is shown with.
        list.drawLayer(surface);
        return;
    }
    if (view.alpha() < 1) list.multiplyAlpha(view.alpha());
    const Rect visible = frame.visible;
    if (view.clipsToBounds()) frame.visible = intersection(visible, boxAround(m, view.bounds()));
    drawContent(view, list, &frame, m, alpha);
    frame.visible = visible;
}

bool Renderer::unchanged(const View& view, const LayerStore& store, std::size_t& next,
                         const Transform& parent, double parentAlpha, const Rect& visible) const {
    if (view.isHidden() || !(view.alpha() > 0)) return true;
    if (view.drawsWithoutSetters())
        store.unsetters_.push_back({&view, view.liveContentKey(), view.pannedDrawing()});
    const double alpha = parentAlpha * std::min(view.alpha(), 1.0);
    const Transform m =
        concat(placement(view.frame(), view.bounds().size, view.transform()), parent);
    if (m.a * m.d - m.b * m.c == 0) return true;
    const Rect extent = drawnExtent(view);
    if (!intersects(boxAround(m, extent), visible)) return true;
    const bool layered = view.isLayerBacked();
    if (layered &&
        !store.keeps(view, view.layerId(), view.contentGeneration(), extent, viewScale(m), alpha))
        return false;
    if (next >= store.drawnMarks_.size()) return false;
    const LayerStore::Mark mark{
        view.layerId(),     layered ? view.contentGeneration() : view.displayGeneration(),
        unsetKey(view),     m,
        view.bounds().size, view.alpha()};
    if (!LayerStore::still(mark, store.drawnMarks_[next++])) return false;
    if (layered) return true;
    if (const auto panned = view.pannedDrawing();
        panned && !store.keepsPanned(view, outset(view.bounds(), std::max(0.0, panned->margin)),
                                     viewScale(m), alpha, *panned))
        return false;
    const Rect inner =
        view.clipsToBounds() ? intersection(visible, boxAround(m, view.bounds())) : visible;
    for (const auto& child : view.subviews())
        if (!unchanged(*child, store, next, m, alpha, inner)) return false;
    return true;
}

void Renderer::drawPanned(const View& view, const View::PannedDrawing& panned, Painter& painter,
                          Frame& frame, const Transform& m, double alpha) const {
    LayerStore& store = frame.store;
    const Rect area = outset(view.bounds(), std::max(0.0, panned.margin));
    Point shift;
    bool stale = false;
    const auto surface =
        store.pannedSurfaceFor(view, area, viewScale(m), alpha, panned, shift, stale);
    if (!surface) {
        view.draw(painter);
        return;
    }
    if (stale)
        store.redraws_.push_back(
            {&view, surface, pixelPhase(m, area, store.scale()), alpha, true, shift, 0, nullptr});
    {
        PainterStateSaver saved(painter);
        if (shift.x != 0 || shift.y != 0) painter.translate(shift.x, shift.y);
        painter.drawLayer(surface);
    }
    view.drawOverPanned(painter);
}

void Renderer::drawShadow(const View& view, Painter& painter) const {
    const LayerStyle& layer = view.layer();
    Shadow shadow;
    shadow.color =
        layer.shadowColor.withAlpha(layer.shadowColor.alpha * std::min(layer.shadowOpacity, 1.0));
    shadow.offset = layer.shadowOffset;
    shadow.radius = options_.solidShadows ? 0 : layer.shadowRadius;
    painter.drawShadow(Path::roundedRect(view.bounds(), layer.cornerRadius), shadow);
}

void Renderer::drawContent(const View& view, Painter& painter, Frame* frame, const Transform& m,
                           double alpha, Part part) const {
    const LayerStyle& layer = view.layer();
    const Rect bounds = view.bounds();
    const double radius = layer.cornerRadius;

    if (part != Part::overShadow && castsShadow(view)) drawShadow(view, painter);
    if (part == Part::shadow) return;
    if (layer.mask) painter.clip(*layer.mask);

    const Path shape = Path::roundedRect(bounds, radius);
    // A full-screen picture or list over a background would fill those pixels twice.
    const View* over = frame ? opaqueFirstSubview(view, m, alpha, frame->store.scale()) : nullptr;
    const bool covered = over && over->frame().minX() <= 0 && over->frame().minY() <= 0 &&
                         over->frame().maxX() >= bounds.maxX() &&
                         over->frame().maxY() >= bounds.maxY();
    if (!covered && visible(view.backgroundColor())) {
        if (over && radius == 0)
            fillAround(painter, bounds, over->frame(), view.backgroundColor());
        else
            painter.fill(shape, view.backgroundColor());
    }
    if (!covered && layer.gradient && !layer.gradient->colors.empty())
        painter.fillGradient(shape, gradientFor(*layer.gradient, bounds.size));
    for (const Sublayer& s : layer.sublayers) drawSublayer(s, painter);

    const bool clips = view.clipsToBounds();
    if (clips) {
        painter.save();
        painter.clip(shape);
    }
    const auto panned = frame ? view.pannedDrawing() : std::nullopt;
    if (panned)
        drawPanned(view, *panned, painter, *frame, m, alpha);
    else
        view.draw(painter);
    for (const auto& child : view.subviews()) {
        if (frame)
            compose(*child, *frame, m, alpha);
        else
            drawLayer(*child, painter);
    }
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
