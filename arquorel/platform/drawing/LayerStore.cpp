#include "arquorel/platform/drawing/LayerStore.h"

#include <algorithm>
#include <cmath>

#include "arquorel/platform/ui/View.h"

namespace arquorel {

namespace {

constexpr std::size_t kBudgetAtScale3 = std::size_t(32) << 20;
// A frame is the same as the last drawn one when no corner of any view moved further.
constexpr double kStillDistance = 0.1;
constexpr double kStillAlpha = 1.0 / 512;
// A panned drawing shifted by this close to whole device pixels keeps its pixels: a map's
// projection is not quite a translation, and moves far points by a few thousandths of a pixel
// over a long drag; a 64th of a pixel changes an edge's coverage by a level or four of 255.
constexpr double kWholePixel = 1.0 / 64;

int pixels(double points, double scale) {
    const double px = std::ceil(points * scale + 1);  // one more for the phase shift
    return std::isfinite(px) ? static_cast<int>(std::clamp(px, 1.0, 16384.0)) : 1;
}

// A surface that keeps the steps drawn into it.
class RecordedLayer final : public LayerSurface {
  public:
    using LayerSurface::LayerSurface;
    void replay(Painter& painter) const override {
        PainterStateSaver saved(painter);
        if (ownAlpha() < 1) painter.multiplyAlpha(ownAlpha());
        steps_.replay(painter);
    }

    bool keepsSteps() const override { return true; }

  protected:
    Painter& startContent() override {
        steps_.clear();
        return steps_;
    }

  private:
    DisplayList steps_;
};

bool closeTo(Point a, Point b) {
    return std::fabs(a.x - b.x) <= kStillDistance && std::fabs(a.y - b.y) <= kStillDistance;
}

}  // namespace

int LayerShape::pixelWidth() const {
    return pixels(extent.width(), scale);
}

int LayerShape::pixelHeight() const {
    return pixels(extent.height(), scaleY);
}

Painter& LayerSurface::beginContent(Point phase, std::uint64_t generation, double shownAlpha,
                                    double ownAlpha) {
    shape_.phase = phase;
    generation_ = generation;
    shownAlpha_ = shownAlpha;
    ownAlpha_ = ownAlpha;
    Painter& painter = startContent();
    const double sx = shape_.scale > 0 ? shape_.scale : 1;
    const double sy = shape_.scaleY > 0 ? shape_.scaleY : 1;
    painter.translate(phase.x / sx - shape_.extent.x(), phase.y / sy - shape_.extent.y());
    if (!keepsSteps() && shownAlpha < 1) painter.multiplyAlpha(shownAlpha);
    return painter;
}

void LayerSurface::replay(Painter&) const {}

std::shared_ptr<LayerSurface> makeRecordedLayer(const LayerShape& shape) {
    return std::make_shared<RecordedLayer>(shape);
}

std::size_t LayerStore::defaultBudget(double scale) {
    const double s = std::isfinite(scale) && scale > 0 ? scale : 1;
    return static_cast<std::size_t>(double(kBudgetAtScale3) * (s / 3) * (s / 3));
}

LayerStore::LayerStore(double scale, Factory factory, std::size_t budgetBytes)
    : scale_(std::isfinite(scale) && scale > 0 ? scale : 1),
      factory_(factory ? std::move(factory) : Factory(makeRecordedLayer)),
      budget_(budgetBytes ? budgetBytes : defaultBudget(scale_)) {}

void LayerStore::clear() {
    entries_.clear();
    bytes_ = 0;
    drawnOnce_ = false;
    quiet_.valid = false;
}

bool LayerStore::stillQuiet(const View& root) const {
    if (!quiet_.valid || !drawnOnce_ || root.layerId() != quiet_.root ||
        root.contentGeneration() != quiet_.generation || !(root.frame() == quiet_.frame) ||
        root.bounds().size != quiet_.size || !(root.transform() == quiet_.transform) ||
        root.alpha() != quiet_.alpha)
        return false;
    // With the generation unchanged the tree is the same: these views are still in it.
    for (const Unsetter& u : quiet_.unsetters) {
        if (u.view->liveContentKey() != u.liveKey) return false;
        const auto panned = u.view->pannedDrawing();
        if (panned.has_value() != u.panned.has_value()) return false;
        if (panned && (panned->key != u.panned->key || !(panned->offset == u.panned->offset) ||
                       panned->margin != u.panned->margin))
            return false;
    }
    return true;
}

void LayerStore::rememberQuiet(const View& root, std::vector<Unsetter>& unsetters) {
    quiet_.valid = true;
    quiet_.root = root.layerId();
    quiet_.generation = root.contentGeneration();
    quiet_.frame = root.frame();
    quiet_.size = root.bounds().size;
    quiet_.transform = root.transform();
    quiet_.alpha = root.alpha();
    std::swap(quiet_.unsetters, unsetters);
}

void LayerStore::evict(const std::unordered_map<std::uint64_t, Entry>::iterator& it) {
    bytes_ -= it->second.surface->shape().bytes();
    entries_.erase(it);
}

void LayerStore::beginFrame() {
    ++frameNumber_;
    ++stats_.frames;
    quiet_.valid = false;
    building_.clear();
    marks_.clear();
    redraws_.clear();
    dropGone();
}

void LayerStore::dropGone() {
    for (auto it = entries_.begin(); it != entries_.end();) {
        auto next = std::next(it);
        if (it->second.view.expired()) evict(it);
        it = next;
    }
}

std::shared_ptr<LayerSurface> LayerStore::surfaceFor(const View& view, const Rect& extent,
                                                     Size viewScale, double shownAlpha,
                                                     bool& stale) {
    return surfaceFor(view, view.layerId(), view.contentGeneration(), extent, viewScale, shownAlpha,
                      stale);
}

std::shared_ptr<LayerSurface> LayerStore::surfaceFor(const View& view, std::uint64_t id,
                                                     std::uint64_t generation, const Rect& extent,
                                                     Size viewScale, double shownAlpha,
                                                     bool& stale) {
    LayerShape shape;
    shape.id = id;
    shape.extent = extent;
    shape.scale = scale_ * viewScale.width;
    shape.scaleY = scale_ * viewScale.height;
    auto it = entries_.find(shape.id);
    if (it != entries_.end()) {
        const LayerShape& kept = it->second.surface->shape();
        if (kept.extent == extent && kept.scale == shape.scale && kept.scaleY == shape.scaleY) {
            it->second.lastUsed = frameNumber_;
            const LayerSurface& surface = *it->second.surface;
            stale = surface.generation() != generation || surface.shownAlpha() != shownAlpha ||
                    surface.ownAlpha() != view.alpha();
            return it->second.surface;
        }
        evict(it);
    }
    stale = true;
    return makeSurface(view, shape);
}

std::shared_ptr<LayerSurface> LayerStore::pannedSurfaceFor(const View& view, const Rect& extent,
                                                           Size viewScale, double shownAlpha,
                                                           const View::PannedDrawing& panned,
                                                           Point& shift, bool& stale) {
    LayerShape shape;
    shape.id = view.layerId();
    shape.extent = extent;
    shape.scale = scale_ * viewScale.width;
    shape.scaleY = scale_ * viewScale.height;
    shift = {};
    stale = true;
    auto it = entries_.find(shape.id);
    if (it != entries_.end()) {
        Entry& entry = it->second;
        const LayerShape& kept = entry.surface->shape();
        if (kept.extent == extent && kept.scale == shape.scale && kept.scaleY == shape.scaleY) {
            entry.lastUsed = frameNumber_;
            // The shift since the drawing, in device pixels: whole ones keep the pixels as they
            // would be drawn, and the drawing must still cover the bounds.
            const double px = (panned.offset.x - entry.pannedOffset.x) * shape.scale;
            const double py = (panned.offset.y - entry.pannedOffset.y) * shape.scaleY;
            const double lx = entry.pannedLead.x * shape.scale;
            const double ly = entry.pannedLead.y * shape.scaleY;
            const double mx = std::floor(panned.margin * shape.scale);
            const double my = std::floor(panned.margin * shape.scaleY);
            const bool whole = std::fabs(px - std::round(px)) < kWholePixel &&
                               std::fabs(py - std::round(py)) < kWholePixel;
            const bool sameDrawing = entry.surface->generation() == panned.key &&
                                     entry.surface->shownAlpha() == shownAlpha && whole;
            const bool covered = -mx - lx <= std::round(px) && std::round(px) <= mx - lx &&
                                 -my - ly <= std::round(py) && std::round(py) <= my - ly;
            if (sameDrawing && covered) {
                shift = {(std::round(px) + lx) / shape.scale, (std::round(py) + ly) / shape.scaleY};
                stale = false;
                return entry.surface;
            }
            // Drawn again; a drag that ran past the drawing will likely go on the same way, so
            // the new drawing reaches the whole margin ahead of it on that axis and none behind.
            const auto lead = [&](double past, double low, double high, double margin) {
                return !sameDrawing ? 0.0 : past > high ? -margin : past < low ? margin : 0.0;
            };
            entry.pannedLead = {lead(std::round(px), -mx - lx, mx - lx, mx) / shape.scale,
                                lead(std::round(py), -my - ly, my - ly, my) / shape.scaleY};
            entry.pannedOffset = panned.offset;
            shift = entry.pannedLead;
            return entry.surface;
        }
        evict(it);
    }
    auto surface = makeSurface(view, shape);
    if (surface) entries_[shape.id].pannedOffset = panned.offset;
    return surface;
}

std::shared_ptr<LayerSurface> LayerStore::makeSurface(const View& view, const LayerShape& shape) {
    // Make room by dropping the least recently drawn layers not in this frame.
    const std::size_t need = shape.bytes();
    while (bytes_ + need > budget_) {
        auto oldest = entries_.end();
        for (auto e = entries_.begin(); e != entries_.end(); ++e)
            if (e->second.lastUsed < frameNumber_ &&
                (oldest == entries_.end() || e->second.lastUsed < oldest->second.lastUsed))
                oldest = e;
        if (oldest == entries_.end()) {
            ++stats_.unlayered;
            return nullptr;
        }
        evict(oldest);
        ++stats_.evictions;
    }
    auto surface = factory_(shape);
    if (!surface) return nullptr;
    entries_[shape.id] = Entry{view.weak_from_this(), surface, frameNumber_, {}, {}};
    bytes_ += need;
    return surface;
}

bool LayerStore::sameAsLastDrawn() const {
    if (!drawnOnce_ || !redraws_.empty() || marks_.size() != drawnMarks_.size()) return false;
    for (std::size_t i = 0; i < marks_.size(); ++i)
        if (!still(marks_[i], drawnMarks_[i])) return false;
    return true;
}

bool LayerStore::still(const Mark& a, const Mark& b) {
    if (a.id != b.id || a.generation != b.generation || a.liveKey != b.liveKey ||
        a.size != b.size || std::fabs(a.alpha - b.alpha) > kStillAlpha)
        return false;
    const Point corners[] = {
        {0, 0}, {a.size.width, 0}, {0, a.size.height}, {a.size.width, a.size.height}};
    for (const Point& c : corners)
        if (!closeTo(apply(a.transform, c), apply(b.transform, c))) return false;
    return true;
}

bool LayerStore::keeps(const View& view, std::uint64_t id, std::uint64_t generation,
                       const Rect& extent, Size viewScale, double shownAlpha) const {
    const auto it = entries_.find(id);
    if (it == entries_.end()) return false;
    const LayerSurface& surface = *it->second.surface;
    const LayerShape& kept = surface.shape();
    return kept.extent == extent && kept.scale == scale_ * viewScale.width &&
           kept.scaleY == scale_ * viewScale.height && surface.generation() == generation &&
           surface.shownAlpha() == shownAlpha && surface.ownAlpha() == view.alpha();
}

bool LayerStore::keepsPanned(const View& view, const Rect& extent, Size viewScale,
                             double shownAlpha, const View::PannedDrawing& panned) const {
    const auto it = entries_.find(view.layerId());
    if (it == entries_.end()) return false;
    const Entry& entry = it->second;
    const LayerShape& kept = entry.surface->shape();
    const double sx = scale_ * viewScale.width, sy = scale_ * viewScale.height;
    if (kept.extent != extent || kept.scale != sx || kept.scaleY != sy) return false;
    // As pannedSurfaceFor(): shifted by whole device pixels and still covering the bounds.
    const double px = (panned.offset.x - entry.pannedOffset.x) * sx;
    const double py = (panned.offset.y - entry.pannedOffset.y) * sy;
    const double lx = entry.pannedLead.x * sx, ly = entry.pannedLead.y * sy;
    const double mx = std::floor(panned.margin * sx), my = std::floor(panned.margin * sy);
    const bool whole = std::fabs(px - std::round(px)) < kWholePixel &&
                       std::fabs(py - std::round(py)) < kWholePixel;
    return entry.surface->generation() == panned.key && entry.surface->shownAlpha() == shownAlpha &&
           whole && -mx - lx <= std::round(px) && std::round(px) <= mx - lx &&
           -my - ly <= std::round(py) && std::round(py) <= my - ly;
}

}  // namespace arquorel
