#include "arquorel/platform/browser/CanvasCommands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/drawing/Renderer.h"

namespace arquorel::browser {

namespace {

const char* cssWeight(FontWeight weight) {
    switch (weight) {
        case FontWeight::regular:
            return "400";
        case FontWeight::medium:
            return "500";
        case FontWeight::semibold:
            return "600";
        case FontWeight::bold:
            return "700";
    }
    return "400";
}

double channel(double v) {
    return std::isfinite(v) ? std::round(std::clamp(v, 0.0, 1.0) * 255) : 0;
}

double finite(double v) {
    return std::isfinite(v) ? v : 0;
}

// Marks an area to clear; it keeps no pixels.
class ClearedArea final : public LayerSurface {
  public:
    using LayerSurface::LayerSurface;

  protected:
    Painter& startContent() override {
        unused_.clear();
        return unused_;
    }

  private:
    DisplayList unused_;
};

// Rectangles that do not overlap and cover the union of `boxes`, band by band down the
// canvas: the cards' boxes overlap, and clearing a pixel twice costs twice.
std::vector<Rect> unionOf(const std::vector<Rect>& boxes) {
    std::vector<double> ys;
    for (const Rect& b : boxes) {
        ys.push_back(b.minY());
        ys.push_back(b.maxY());
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    std::vector<Rect> cover;
    std::vector<std::pair<double, double>> spans, last;
    std::vector<std::size_t> lastRects;  // the rectangles of the band above, grown downwards
    for (std::size_t i = 0; i + 1 < ys.size(); ++i) {
        const double top = ys[i], bottom = ys[i + 1];
        spans.clear();
        for (const Rect& b : boxes)
            if (b.minY() <= top && b.maxY() >= bottom && b.width() > 0)
                spans.emplace_back(b.minX(), b.maxX());
        std::sort(spans.begin(), spans.end());
        std::size_t merged = 0;
        for (const auto& s : spans) {
            if (merged > 0 && s.first <= spans[merged - 1].second)
                spans[merged - 1].second = std::max(spans[merged - 1].second, s.second);
            else
                spans[merged++] = s;
        }
        spans.resize(merged);
        if (spans == last && !spans.empty()) {
            for (std::size_t r : lastRects) cover[r].size.height += bottom - top;
            continue;
        }
        lastRects.clear();
        for (const auto& [left, right] : spans) {
            lastRects.push_back(cover.size());
            cover.push_back({left, top, right - left, bottom - top});
        }
        last = spans;
    }
    return cover;
}

}  // namespace

// A layer kept in a canvas of the replaying side, drawn through the painter that made it.
class CanvasLayer final : public LayerSurface {
  public:
    CanvasLayer(const LayerShape& shape, std::shared_ptr<CanvasCommands::LayerSink> sink)
        : LayerSurface(shape), sink_(std::move(sink)), id_(sink_->nextId++) {}
    ~CanvasLayer() override { sink_->freed.push_back(id_); }
    int id() const { return id_; }
    bool madeBy(const CanvasCommands::LayerSink* sink) const { return sink_.get() == sink; }

  protected:
    Painter& startContent() override {
        if (!sink_->commands) {  // the painter is gone: nothing to draw into
            unused_.clear();
            return unused_;
        }
        sink_->commands->beginLayer(id_, shape());
        return *sink_->commands;
    }
    void finishContent() override {
        if (sink_->commands) sink_->commands->endLayer();
    }

  private:
    std::shared_ptr<CanvasCommands::LayerSink> sink_;
    int id_;
    DisplayList unused_;
};

std::shared_ptr<const LayerSurface> makeClearedArea(const Rect& area) {
    LayerShape shape;
    shape.extent = area;
    return std::make_shared<ClearedArea>(shape);
}

CanvasCommands::CanvasCommands() : layers_(std::make_shared<LayerSink>()) {
    layers_->commands = this;
}

CanvasCommands::~CanvasCommands() {
    layers_->commands = nullptr;
}

std::string cssFont(const TextStyle& style) {
    const double size = std::isfinite(style.fontSize) && style.fontSize > 0 ? style.fontSize : 0;
    char px[32];
    std::snprintf(px, sizeof px, "%.4gpx", size);
    std::string family;
    for (char c : style.fontFamily)
        if (c != '"' && c != '\\' && c != ';') family += c;
    return std::string(style.italic ? "italic " : "") + cssWeight(style.weight) + " " + px + " \"" +
           family + "\"";
}

void CanvasCommands::put(const Color& c) {
    put(channel(c.red));
    put(channel(c.green));
    put(channel(c.blue));
    put(std::isfinite(c.alpha) ? std::clamp(c.alpha, 0.0, 1.0) : 0);
}

void CanvasCommands::put(const Path& path) {
    put(path.fillRule() == FillRule::evenOdd ? 1 : 0);
    put(static_cast<double>(path.elements().size()));
    for (const auto& e : path.elements()) {
        using K = PathElement::Kind;
        switch (e.kind) {
            case K::moveTo:
            case K::lineTo:
                put(static_cast<int>(e.kind == K::moveTo ? PathOp::moveTo : PathOp::lineTo));
                put(finite(e.points[0].x));
                put(finite(e.points[0].y));
                break;
            case K::quadTo:
                put(static_cast<int>(PathOp::quadTo));
                for (int i = 0; i < 2; ++i) {
                    put(finite(e.points[i].x));
                    put(finite(e.points[i].y));
                }
                break;
            case K::curveTo:
                put(static_cast<int>(PathOp::curveTo));
                for (int i = 0; i < 3; ++i) {
                    put(finite(e.points[i].x));
                    put(finite(e.points[i].y));
                }
                break;
            case K::arc:
                put(static_cast<int>(PathOp::arc));
                put(finite(e.points[0].x));
                put(finite(e.points[0].y));
                put(std::max(0.0, finite(e.radius)));
                put(finite(e.startAngle));
                put(finite(e.endAngle));
                put(e.clockwise ? 1 : 0);
                break;
            case K::rect:
                put(static_cast<int>(PathOp::rect));
                put(finite(e.points[0].x));
                put(finite(e.points[0].y));
                put(finite(e.size.width));
                put(finite(e.size.height));
                break;
            case K::close:
                put(static_cast<int>(PathOp::close));
                break;
        }
    }
}

void CanvasCommands::putStops(const Gradient& gradient) {
    put(static_cast<double>(gradient.stops.size()));
    for (const auto& stop : gradient.stops) {
        put(std::clamp(finite(stop.location), 0.0, 1.0));
        put(stop.color);
    }
}

int CanvasCommands::text(std::string s) {
    texts_.push_back(std::move(s));
    return static_cast<int>(texts_.size() - 1);
}

int CanvasCommands::imageId(const std::shared_ptr<const Image>& image) {
    auto it = images_.find(image.get());
    if (it != images_.end() && it->second.image.lock() == image) return it->second.id;
    // A new image, or another one at the address of one that is gone: the replaying side drops
    // the old one's picture (clear() will not see it again).
    if (it != images_.end()) {
        op(CanvasOp::forgetImage);
        put(it->second.id);
    }
    const int id = nextImageId_++;
    images_[image.get()] = {image, id};
    if (const auto& raster = image->raster()) {
        op(CanvasOp::defineRaster);
        put(id);
        put(raster->width);
        put(raster->height);
        put(static_cast<double>(reinterpret_cast<std::uintptr_t>(raster->rgba.data())));
        return id;
    }
    op(CanvasOp::defineImage);
    put(id);
    put(text(image->svg()));
    put(finite(image->size().width));
    put(finite(image->size().height));
    return id;
}

void CanvasCommands::save() {
    op(CanvasOp::save);
    target_.saved.push_back(target_.transform);
}

void CanvasCommands::restore() {
    op(CanvasOp::restore);
    // The replaying side ignores a restore without its save, as here.
    if (target_.saved.empty()) return;
    target_.transform = target_.saved.back();
    target_.saved.pop_back();
}

void CanvasCommands::concat(const Transform& t) {
    const Transform sent{finite(t.a), finite(t.b),  finite(t.c),
                         finite(t.d), finite(t.tx), finite(t.ty)};
    op(CanvasOp::concat);
    for (double v : {sent.a, sent.b, sent.c, sent.d, sent.tx, sent.ty}) put(v);
    target_.transform = arquorel::concat(sent, target_.transform);
}

void CanvasCommands::multiplyAlpha(double alpha) {
    op(CanvasOp::alpha);
    put(std::isfinite(alpha) ? std::clamp(alpha, 0.0, 1.0) : 0);
}

void CanvasCommands::clip(const Path& path) {
    op(CanvasOp::clip);
    put(path);
}

void CanvasCommands::fill(const Path& path, const Color& color) {
    op(CanvasOp::fill);
    put(path);
    put(color);
}

void CanvasCommands::stroke(const Path& path, const Color& color, const StrokeStyle& style) {
    op(CanvasOp::stroke);
    put(path);
    put(color);
    put(std::max(0.0, finite(style.width)));
    put(static_cast<int>(style.cap));
    put(static_cast<int>(style.join));
    put(static_cast<double>(style.dashes.size()));
    for (double d : style.dashes) put(std::max(0.0, finite(d)));
    put(finite(style.dashPhase));
}

void CanvasCommands::fillGradient(const Path& area, const Gradient& gradient) {
    if (gradient.kind == Gradient::Kind::linear) {
        op(CanvasOp::linear);
        put(area);
        putStops(gradient);
        for (double v : {gradient.start.x, gradient.start.y, gradient.end.x, gradient.end.y})
            put(finite(v));
    } else {
        op(CanvasOp::conic);
        put(area);
        putStops(gradient);
        for (double v : {gradient.center.x, gradient.center.y, gradient.startAngle}) put(finite(v));
    }
}

void CanvasCommands::drawShadow(const Path& shape, const Shadow& shadow) {
    op(CanvasOp::shadow);
    put(shape);
    put(shadow.color);
    put(finite(shadow.offset.width));
    put(finite(shadow.offset.height));
    put(std::max(0.0, finite(shadow.radius)));
}

void CanvasCommands::drawImage(const std::shared_ptr<const Image>& image, const Rect& dest,
                               std::optional<Color> tint) {
    if (!image) return;
    const auto& raster = image->raster();
    const bool drawable =
        raster ? raster->width > 0 && raster->height > 0 &&
                     raster->rgba.size() == std::size_t(raster->width) * raster->height * 4
               : !image->svg().empty();
    if (!drawable) return;
    const int id = imageId(image);
    op(CanvasOp::image);
    put(id);
    for (double v : {dest.origin.x, dest.origin.y, dest.size.width, dest.size.height})
        put(finite(v));
    put(tint ? 1 : 0);
    put(tint.value_or(Color::clear()));
}

void CanvasCommands::drawText(const std::shared_ptr<const TextLayout>& layout, Point origin) {
    if (!layout || layout->lines().empty()) return;
    op(CanvasOp::text);
    put(text(cssFont(layout->style())));
    put(layout->style().color);
    put(static_cast<double>(layout->lines().size()));
    for (const auto& line : layout->lines()) {
        put(text(line.text));
        put(finite(origin.x + line.frame.origin.x));
        put(finite(origin.y + line.baseline));
    }
}

void CanvasCommands::clearRect(const Rect& rect) {
    op(CanvasOp::clearRect);
    for (double v : {rect.origin.x, rect.origin.y, rect.size.width, rect.size.height})
        put(finite(v));
}

void CanvasCommands::drawLayer(const std::shared_ptr<const LayerSurface>& layer) {
    if (!layer) return;
    const LayerShape& shape = layer->shape();
    if (dynamic_cast<const ClearedArea*>(layer.get())) {
        // Before anything else of the frame the canvas is transparent already.
        if (outer_.empty() && drawnKnown_ && drawn_.empty()) return;
        return clearRect(shape.extent);
    }
    const auto* kept = dynamic_cast<const CanvasLayer*>(layer.get());
    if (!kept || !kept->madeBy(layers_.get())) return Painter::drawLayer(layer);
    const double sx = shape.scale > 0 ? shape.scale : 1;
    const double sy = shape.scaleY > 0 ? shape.scaleY : 1;
    // The layer's first pixel sits at this point of the view's coordinates.
    const double x = shape.extent.x() - shape.phase.x / sx;
    const double y = shape.extent.y() - shape.phase.y / sy;
    const Transform& m = target_.transform;
    Transform placed;
    if (m.b == 0 && m.c == 0 && std::fabs(m.a - sx) < 1e-9 && std::fabs(m.d - sy) < 1e-9) {
        // Only moved: the pixels land on whole device pixels, as they were drawn.
        placed = Transform::translation(std::round(m.a * x + m.tx), std::round(m.d * y + m.ty));
    } else {
        placed = arquorel::concat(
            arquorel::concat(Transform::scale(1 / sx, 1 / sy), Transform::translation(x, y)), m);
    }
    op(CanvasOp::drawLayer);
    put(kept->id());
    for (double v : {placed.a, placed.b, placed.c, placed.d, placed.tx, placed.ty}) put(finite(v));
    if (!outer_.empty()) return;
    // The box of the layer's pixels on the canvas, with two pixels for resampling's reach.
    const double w = shape.pixelWidth(), h = shape.pixelHeight();
    double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    for (const Point corner : {Point{0, 0}, Point{w, 0}, Point{0, h}, Point{w, h}}) {
        const Point p = apply(placed, corner);
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    }
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) {
        drawnKnown_ = false;
        return;
    }
    x0 = std::floor(x0) - 2;
    y0 = std::floor(y0) - 2;
    drawn_.push_back({x0, y0, std::ceil(x1) + 2 - x0, std::ceil(y1) + 2 - y0});
}

void CanvasCommands::beginLayer(int id, const LayerShape& shape) {
    const double sx = shape.scale > 0 ? shape.scale : 1;
    const double sy = shape.scaleY > 0 ? shape.scaleY : 1;
    op(CanvasOp::beginLayer);
    put(id);
    put(shape.pixelWidth());
    put(shape.pixelHeight());
    put(sx);
    put(sy);
    outer_.push_back(std::move(target_));
    target_ = Target{Transform::scale(sx, sy), {}};
}

void CanvasCommands::endLayer() {
    if (outer_.empty()) return;
    op(CanvasOp::endLayer);
    target_ = std::move(outer_.back());
    outer_.pop_back();
}

LayerStore::Factory CanvasCommands::layerFactory() {
    return [sink = layers_](const LayerShape& shape) -> std::shared_ptr<LayerSurface> {
        return std::make_shared<CanvasLayer>(shape, sink);
    };
}

bool CanvasCommands::drawFrame(const View* root, double scale, LayerStore& store) {
    startFrame();
    clearCanvas();
    concat(Transform::scale(scale, scale));
    if (root && !Renderer().renderFrame(*root, *this, store)) {
        startFrame();
        return false;
    }
    putReleases();
    lastDrawn_.swap(drawn_);
    lastKnown_ = drawnKnown_;
    return true;
}

std::string CanvasCommands::joinedTexts() const {
    std::string out;
    for (std::size_t i = 0; i < texts_.size(); ++i) {
        if (i) out += '\0';
        for (char c : texts_[i]) {
            if (c == '\0')
                out += "\xEF\xBF\xBD";
            else
                out += c;
        }
    }
    return out;
}

void CanvasCommands::clear() {
    startFrame();
    // What the caller draws now is not followed: the frame after it clears everything.
    lastKnown_ = false;
    drawnKnown_ = false;
    putReleases();
}

void CanvasCommands::startFrame() {
    numbers_.clear();
    texts_.clear();
    target_ = Target{};
    outer_.clear();
    drawn_.clear();
    drawnKnown_ = true;
}

void CanvasCommands::clearCanvas() {
    if (!lastKnown_) return clearRect({0, 0, 1e7, 1e7});  // the canvas clips it to its size
    for (const Rect& box : unionOf(lastDrawn_)) clearRect(box);
}

void CanvasCommands::putReleases() {
    for (int id : layers_->freed) {
        op(CanvasOp::freeLayer);
        put(id);
    }
    layers_->freed.clear();
    for (auto it = images_.begin(); it != images_.end();) {
        if (it->second.image.expired()) {
            op(CanvasOp::forgetImage);
            put(it->second.id);
            it = images_.erase(it);
        } else {
            ++it;
        }
    }
}

void CanvasCommands::forgetImages() {
    images_.clear();
}

}  // namespace arquorel::browser
