#include "arquorel/platform/drawing/cairo/CairoCanvas.h"

#include <cairo.h>
#include <librsvg/rsvg.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <map>
#include <numbers>
#include <optional>
#include <vector>

#include "arquorel/platform/drawing/cairo/PangoTextEngine.h"

namespace arquorel::cairo {

namespace {

using Kind = PathElement::Kind;

bool finite(Point p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// Cairo stops drawing for good after a path with non-finite numbers; such paths are skipped.
bool drawable(const Path& path) {
    for (const PathElement& e : path.elements()) {
        for (const Point& p : e.points)
            if (!finite(p)) return false;
        if (!std::isfinite(e.radius) || !std::isfinite(e.startAngle) ||
            !std::isfinite(e.endAngle) || !std::isfinite(e.size.width) ||
            !std::isfinite(e.size.height))
            return false;
    }
    return true;
}

void appendPath(cairo_t* cr, const Path& path) {
    cairo_new_path(cr);
    for (const PathElement& e : path.elements()) {
        const Point* p = e.points;
        switch (e.kind) {
            case Kind::moveTo:
                cairo_move_to(cr, p[0].x, p[0].y);
                break;
            case Kind::lineTo:
                cairo_line_to(cr, p[0].x, p[0].y);
                break;
            case Kind::quadTo: {
                double x0 = p[0].x, y0 = p[0].y;
                if (cairo_has_current_point(cr)) cairo_get_current_point(cr, &x0, &y0);
                cairo_curve_to(cr, x0 + 2.0 / 3 * (p[0].x - x0), y0 + 2.0 / 3 * (p[0].y - y0),
                               p[1].x + 2.0 / 3 * (p[0].x - p[1].x),
                               p[1].y + 2.0 / 3 * (p[0].y - p[1].y), p[1].x, p[1].y);
                break;
            }
            case Kind::curveTo:
                cairo_curve_to(cr, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y);
                break;
            case Kind::arc: {
                // Clamp to one turn: more turns draw nothing new.
                constexpr double turn = 2 * std::numbers::pi;
                const double end = e.clockwise ? std::min(e.endAngle, e.startAngle + turn)
                                               : std::max(e.endAngle, e.startAngle - turn);
                if (e.clockwise)
                    cairo_arc(cr, p[0].x, p[0].y, e.radius, e.startAngle, end);
                else
                    cairo_arc_negative(cr, p[0].x, p[0].y, e.radius, e.startAngle, end);
                break;
            }
            case Kind::rect:
                cairo_rectangle(cr, p[0].x, p[0].y, e.size.width, e.size.height);
                break;
            case Kind::close:
                cairo_close_path(cr);
                break;
        }
    }
    cairo_set_fill_rule(cr, path.fillRule() == FillRule::evenOdd ? CAIRO_FILL_RULE_EVEN_ODD
                                                                 : CAIRO_FILL_RULE_WINDING);
}

double clamp01(double v) {
    return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0;
}

// Native objects made from images, kept while their Image lives and freed with `Release`. An
// entry whose Image has gone stays until more than `Limit` entries are held.
template <class Handle, void (*Release)(Handle*), std::size_t Limit>
class ImageCache {
  public:
    ImageCache() = default;
    ImageCache(const ImageCache&) = delete;
    ImageCache& operator=(const ImageCache&) = delete;
    ~ImageCache() {
        for (auto& [key, entry] : entries_) release(entry.handle);
    }

    // The object of `image`, made with `make(image)` when it has none yet. A new image at the
    // address of one that has gone gets an object of its own.
    template <class Make>
    Handle* get(const std::shared_ptr<const Image>& image, Make make) {
        const auto it = entries_.find(image.get());
        if (it != entries_.end() && it->second.image.lock() == image) return it->second.handle;
        if (entries_.size() > Limit) prune();  // may erase the stale entry `it` points to
        Handle* handle = make(*image);
        Entry& entry = entries_[image.get()];
        release(entry.handle);
        entry = {image, handle};
        return handle;
    }

  private:
    struct Entry {
        std::weak_ptr<const Image> image;
        Handle* handle = nullptr;
    };
    static void release(Handle* handle) {
        if (handle) Release(handle);
    }
    void prune() {
        for (auto it = entries_.begin(); it != entries_.end();) {
            if (it->second.image.expired()) {
                release(it->second.handle);
                it = entries_.erase(it);
            } else {
                ++it;
            }
        }
    }
    std::map<const Image*, Entry> entries_;
};

void unrefSvg(RsvgHandle* handle) {
    g_object_unref(handle);
}

// Parsed SVG documents; none for a document librsvg cannot read.
RsvgHandle* svgHandle(const std::shared_ptr<const Image>& image) {
    static ImageCache<RsvgHandle, unrefSvg, 256> cache;
    return cache.get(image, [](const Image& from) {
        const std::string& svg = from.svg();
        GError* error = nullptr;
        RsvgHandle* handle = rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.data()),
                                                       svg.size(), &error);
        if (error) g_error_free(error);
        return handle;
    });
}

// Cairo surfaces (premultiplied ARGB) of raster images.
cairo_surface_t* rasterSurface(const std::shared_ptr<const Image>& image) {
    static ImageCache<cairo_surface_t, cairo_surface_destroy, 64> cache;
    return cache.get(image, [](const Image& from) {
        const RasterPixels& pixels = *from.raster();
        cairo_surface_t* surface =
            cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixels.width, pixels.height);
        cairo_surface_flush(surface);
        unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        for (int y = 0; y < pixels.height; ++y) {
            const std::uint8_t* in = pixels.rgba.data() + std::size_t(y) * pixels.width * 4;
            auto* out = reinterpret_cast<std::uint32_t*>(data + std::size_t(y) * stride);
            for (int x = 0; x < pixels.width; ++x, in += 4) {
                const std::uint32_t a = in[3];
                const auto pre = [a](std::uint32_t c) { return (c * a + 127) / 255; };
                out[x] = a << 24 | pre(in[0]) << 16 | pre(in[1]) << 8 | pre(in[2]);
            }
        }
        cairo_surface_mark_dirty(surface);
        return surface;
    });
}

// Blurs an A8 image in place with three box passes in each direction (close to a Gaussian of
// standard deviation `sigma` pixels). Each pass keeps running sums, so the cost does not grow
// with the radius; the vertical pass walks rows to stay in cache.
void blurAlpha(unsigned char* data, int width, int height, int stride, double sigma) {
    // Three passes of width 2b+1 have the variance b(b+1).
    const int box =
        std::max(1, static_cast<int>(std::lround(std::sqrt(sigma * sigma + 0.25) - 0.5)));
    const int span = 2 * box + 1;
    // (sum * scale) >> 16 == sum / span for the sums a box can reach.
    const std::uint32_t scale =
        (65536u + static_cast<std::uint32_t>(span) - 1) / static_cast<std::uint32_t>(span);
    std::vector<unsigned char> copy(static_cast<std::size_t>(stride) *
                                    static_cast<std::size_t>(height));
    std::vector<std::uint32_t> sums(static_cast<std::size_t>(width));
    for (int round = 0; round < 3; ++round) {
        std::memcpy(copy.data(), data, copy.size());
        for (int y = 0; y < height; ++y) {
            const unsigned char* in = copy.data() + y * stride;
            unsigned char* out = data + y * stride;
            std::uint32_t sum = 0;
            for (int k = 0; k <= box && k < width; ++k) sum += in[k];
            for (int x = 0; x < width; ++x) {
                out[x] = static_cast<unsigned char>((sum * scale) >> 16);
                if (x - box >= 0) sum -= in[x - box];
                if (x + box + 1 < width) sum += in[x + box + 1];
            }
        }
        std::memcpy(copy.data(), data, copy.size());
        std::fill(sums.begin(), sums.end(), 0u);
        for (int k = 0; k <= box && k < height; ++k)
            for (int x = 0; x < width; ++x)
                sums[std::size_t(x)] += copy[std::size_t(k * stride + x)];
        for (int y = 0; y < height; ++y) {
            unsigned char* out = data + y * stride;
            const unsigned char* leaving =
                y - box >= 0 ? copy.data() + (y - box) * stride : nullptr;
            const unsigned char* entering =
                y + box + 1 < height ? copy.data() + (y + box + 1) * stride : nullptr;
            for (int x = 0; x < width; ++x) {
                std::uint32_t& sum = sums[std::size_t(x)];
                out[x] = static_cast<unsigned char>((sum * scale) >> 16);
                if (leaving) sum -= leaving[x];
                if (entering) sum += entering[x];
            }
        }
    }
}

// Blurred shadow masks by shape (in device pixels, placed at a whole pixel) and blur, so that
// many cards of one shape blur once.
class ShadowCache {
  public:
    ~ShadowCache() {
        for (auto& [key, mask] : masks_) cairo_surface_destroy(mask);
    }
    cairo_surface_t* find(const std::string& key) {
        auto it = masks_.find(key);
        return it == masks_.end() ? nullptr : it->second;
    }
    void add(const std::string& key, cairo_surface_t* mask) {
        if (masks_.size() >= 64) {
            for (auto& [k, m] : masks_) cairo_surface_destroy(m);
            masks_.clear();
        }
        masks_.emplace(key, mask);
    }

  private:
    std::map<std::string, cairo_surface_t*> masks_;
};

ShadowCache& shadowCache() {
    static ShadowCache cache;
    return cache;
}

}  // namespace

struct CairoCanvas::Impl {
    Size size;
    double scale;
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    struct State {
        double alpha = 1;
        bool invisible = false;  // a transform squashed everything to nothing
    };
    std::vector<State> states{State{}};

    State& state() { return states.back(); }
    bool skip() const { return states.back().invisible || !(states.back().alpha > 0); }

    void setColor(const Color& c, double extraAlpha = 1) {
        cairo_set_source_rgba(cr, clamp01(c.red), clamp01(c.green), clamp01(c.blue),
                              clamp01(c.alpha) * state().alpha * extraAlpha);
    }

    void addStops(cairo_pattern_t* pattern, const Gradient& g) {
        for (const GradientStop& s : g.stops)
            cairo_pattern_add_color_stop_rgba(pattern, clamp01(s.location), clamp01(s.color.red),
                                              clamp01(s.color.green), clamp01(s.color.blue),
                                              clamp01(s.color.alpha) * state().alpha);
    }

    // A mesh of thin wedges around the centre, each shaded from the colour at its start angle
    // to the colour at its end angle, reaching past `radius`.
    cairo_pattern_t* anglePattern(const Gradient& g, double radius) {
        cairo_pattern_t* mesh = cairo_pattern_create_mesh();
        constexpr int kWedges = 180;
        const double step = 2 * std::numbers::pi / kWedges;
        auto corner = [&](int index, double location) {
            const Color c = g.colorAt(location);
            cairo_mesh_pattern_set_corner_color_rgba(
                mesh, static_cast<unsigned>(index), clamp01(c.red), clamp01(c.green),
                clamp01(c.blue), clamp01(c.alpha) * state().alpha);
        };
        for (int i = 0; i < kWedges; ++i) {
            const double a0 = g.startAngle + step * i, a1 = a0 + step;
            cairo_mesh_pattern_begin_patch(mesh);
            cairo_mesh_pattern_move_to(mesh, g.center.x, g.center.y);
            cairo_mesh_pattern_line_to(mesh, g.center.x + radius * std::cos(a0),
                                       g.center.y + radius * std::sin(a0));
            cairo_mesh_pattern_line_to(mesh, g.center.x + radius * std::cos(a1),
                                       g.center.y + radius * std::sin(a1));
            cairo_mesh_pattern_line_to(mesh, g.center.x, g.center.y);
            corner(0, double(i) / kWedges);
            corner(1, double(i) / kWedges);
            corner(2, double(i + 1) / kWedges);
            corner(3, double(i + 1) / kWedges);
            cairo_mesh_pattern_end_patch(mesh);
        }
        return mesh;
    }

    PangoTextEngine& fallbackEngine() {
        static PangoTextEngine engine;
        return engine;
    }

    void showLines(const PangoTextLayout& layout, Point origin) {
        PangoLayout* pango = layout.pangoLayout();
        const auto& lines = layout.lines();
        if (layout.clipsToWidth()) {
            cairo_save(cr);
            cairo_rectangle(cr, origin.x, origin.y, layout.maxWidth(), layout.size().height);
            cairo_clip(cr);
        }
        for (std::size_t i = 0; i < lines.size(); ++i) {
            PangoLayoutLine* line = pango_layout_get_line_readonly(pango, static_cast<int>(i));
            if (!line) break;
            cairo_move_to(cr, origin.x + lines[i].frame.x() - layout.lineShift(i),
                          origin.y + lines[i].baseline);
            pango_cairo_show_layout_line(cr, line);
        }
        if (layout.clipsToWidth()) cairo_restore(cr);
    }
};

CairoCanvas::CairoCanvas(Size size, double scale, Color background) : impl_(new Impl) {
    if (!(scale > 0) || !std::isfinite(scale)) scale = 1;
    auto pixels = [scale](double points) {
        const double px = std::ceil(points * scale);
        return std::isfinite(px) ? static_cast<int>(std::clamp(px, 1.0, 16384.0)) : 1;
    };
    impl_->size = size;
    impl_->scale = scale;
    impl_->surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixels(size.width), pixels(size.height));
    impl_->cr = cairo_create(impl_->surface);
    cairo_scale(impl_->cr, scale, scale);
    if (background.alpha > 0) {
        impl_->setColor(background);
        cairo_paint(impl_->cr);
    }
}

CairoCanvas::~CairoCanvas() {
    cairo_destroy(impl_->cr);
    cairo_surface_destroy(impl_->surface);
}

void CairoCanvas::save() {
    cairo_save(impl_->cr);
    impl_->states.push_back(impl_->state());
}

void CairoCanvas::restore() {
    if (impl_->states.size() < 2) return;  // unbalanced: ignored
    impl_->states.pop_back();
    cairo_restore(impl_->cr);
}

void CairoCanvas::concat(const Transform& t) {
    const auto inverse = inverted(t);
    if (!inverse || !std::isfinite(t.tx) || !std::isfinite(t.ty)) {
        impl_->state().invisible = true;
        return;
    }
    cairo_matrix_t m;
    cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
    cairo_transform(impl_->cr, &m);
}

void CairoCanvas::multiplyAlpha(double alpha) {
    impl_->state().alpha *= clamp01(alpha);
}

void CairoCanvas::clip(const Path& path) {
    if (!drawable(path)) {
        impl_->state().invisible = true;
        return;
    }
    appendPath(impl_->cr, path);
    cairo_clip(impl_->cr);
}

void CairoCanvas::fill(const Path& path, const Color& color) {
    if (impl_->skip() || !drawable(path)) return;
    appendPath(impl_->cr, path);
    impl_->setColor(color);
    cairo_fill(impl_->cr);
}

void CairoCanvas::stroke(const Path& path, const Color& color, const StrokeStyle& style) {
    if (impl_->skip() || !drawable(path) || !(style.width > 0) || !std::isfinite(style.width))
        return;
    cairo_t* cr = impl_->cr;
    appendPath(cr, path);
    impl_->setColor(color);
    cairo_set_line_width(cr, style.width);
    cairo_set_line_cap(cr, style.cap == LineCap::round    ? CAIRO_LINE_CAP_ROUND
                           : style.cap == LineCap::square ? CAIRO_LINE_CAP_SQUARE
                                                          : CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr, style.join == LineJoin::round   ? CAIRO_LINE_JOIN_ROUND
                            : style.join == LineJoin::bevel ? CAIRO_LINE_JOIN_BEVEL
                                                            : CAIRO_LINE_JOIN_MITER);
    // Dashes must be finite and non-negative with some length, else the line is solid.
    const auto& d = style.dashes;
    const bool dashed =
        !d.empty() &&
        std::all_of(d.begin(), d.end(), [](double v) { return v >= 0 && std::isfinite(v); }) &&
        std::any_of(d.begin(), d.end(), [](double v) { return v > 0; }) &&
        std::isfinite(style.dashPhase);
    cairo_set_dash(cr, dashed ? d.data() : nullptr, dashed ? static_cast<int>(d.size()) : 0,
                   dashed ? style.dashPhase : 0);
    cairo_stroke(cr);
}

namespace {

// The whole device pixels of `r` in user space under `m` (scaling and moving only), when its
// edges lie on them.
std::optional<std::array<int, 4>> wholePixels(const cairo_matrix_t& m, double x, double y, double w,
                                              double h) {
    const double x0 = m.xx * x + m.x0, y0 = m.yy * y + m.y0;
    const double x1 = m.xx * (x + w) + m.x0, y1 = m.yy * (y + h) + m.y0;
    std::array<int, 4> box{};
    const double edges[] = {x0, y0, x1, y1};
    for (int i = 0; i < 4; ++i) {
        const double e = std::round(edges[i]);
        if (std::fabs(edges[i] - e) > 1e-7 || std::fabs(e) > 1e6) return std::nullopt;
        box[std::size_t(i)] = static_cast<int>(e);
    }
    return box;
}

// Fills [from, to) with `c`: through the C library's wide-character fill where a wchar_t is a
// pixel's 32 bits, which it writes with the widest stores the processor has.
void fillRow(std::uint32_t* from, std::uint32_t* to, std::uint32_t c) {
    if constexpr (sizeof(wchar_t) == sizeof(std::uint32_t)) {
        std::wmemset(reinterpret_cast<wchar_t*>(from), static_cast<wchar_t>(c),
                     static_cast<std::size_t>(to - from));
    } else {
        std::fill(from, to, c);
    }
}

// An opaque top-to-bottom gradient filling a rectangle on whole device pixels, under a clip of
// such rectangles: each row is one colour, so the rows are filled with the colours Cairo gives
// a one-pixel column of the same pattern. The same pixels as filling the path, without
// working out the gradient for every pixel of a camera picture that covers the screen.
bool fillVerticalGradient(cairo_t* cr, cairo_surface_t* target, const Rect& rect,
                          cairo_pattern_t* pattern) {
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    if (m.xy != 0 || m.yx != 0 || !(m.xx > 0) || !(m.yy > 0)) return false;
    const auto box = wholePixels(m, rect.x(), rect.y(), rect.width(), rect.height());
    if (!box) return false;
    int left = (*box)[0], top = (*box)[1], right = (*box)[2], bottom = (*box)[3];
    // One clip rectangle on whole pixels (the target's bounds when nothing clips).
    cairo_rectangle_list_t* clips = cairo_copy_clip_rectangle_list(cr);
    bool ok = clips->status == CAIRO_STATUS_SUCCESS && clips->num_rectangles == 1;
    if (ok) {
        const cairo_rectangle_t& c = clips->rectangles[0];
        const auto clip = wholePixels(m, c.x, c.y, c.width, c.height);
        ok = clip.has_value();
        if (ok) {
            left = std::max(left, (*clip)[0]);
            top = std::max(top, (*clip)[1]);
            right = std::min(right, (*clip)[2]);
            bottom = std::min(bottom, (*clip)[3]);
        }
    }
    cairo_rectangle_list_destroy(clips);
    if (!ok) return false;
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, cairo_image_surface_get_width(target));
    bottom = std::min(bottom, cairo_image_surface_get_height(target));
    if (left >= right || top >= bottom) return true;
    // The column at the rectangle's left edge, in the target's device pixels.
    cairo_surface_t* column = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, bottom - top);
    cairo_t* ccr = cairo_create(column);
    cairo_matrix_t shifted = m;
    shifted.x0 -= left;
    shifted.y0 -= top;
    cairo_set_matrix(ccr, &shifted);
    cairo_set_operator(ccr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source(ccr, pattern);
    cairo_paint(ccr);
    cairo_destroy(ccr);
    cairo_surface_flush(column);
    const unsigned char* colours = cairo_image_surface_get_data(column);
    const int columnStride = cairo_image_surface_get_stride(column);
    bool opaque = true;
    for (int y = 0; opaque && y < bottom - top; ++y) {
        std::uint32_t c;
        std::memcpy(&c, colours + std::ptrdiff_t(y) * columnStride, 4);
        opaque = (c >> 24) == 0xFF;
    }
    if (opaque) {
        cairo_surface_flush(target);
        unsigned char* data = cairo_image_surface_get_data(target);
        const int stride = cairo_image_surface_get_stride(target);
        for (int y = top; y < bottom; ++y) {
            std::uint32_t c;
            std::memcpy(&c, colours + std::ptrdiff_t(y - top) * columnStride, 4);
            auto* row = reinterpret_cast<std::uint32_t*>(data + std::ptrdiff_t(y) * stride);
            fillRow(row + left, row + right, c);
        }
        cairo_surface_mark_dirty_rectangle(target, left, top, right - left, bottom - top);
    }
    cairo_surface_destroy(column);
    return opaque;
}

}  // namespace

void CairoCanvas::fillGradient(const Path& area, const Gradient& g) {
    if (impl_->skip() || !drawable(area) || g.stops.empty()) return;
    cairo_t* cr = impl_->cr;
    cairo_pattern_t* pattern = nullptr;
    if (g.kind == Gradient::Kind::linear) {
        if (!finite(g.start) || !finite(g.end)) return;
        pattern = cairo_pattern_create_linear(g.start.x, g.start.y, g.end.x, g.end.y);
        impl_->addStops(pattern, g);
        Rect rect;
        if (g.start.x == g.end.x && area.isRect(&rect) && rect.width() > 0 && rect.height() > 0 &&
            impl_->state().alpha >= 1 &&
            std::all_of(g.stops.begin(), g.stops.end(),
                        [](const GradientStop& s) { return s.color.alpha >= 1; }) &&
            fillVerticalGradient(cr, impl_->surface, rect, pattern)) {
            cairo_pattern_destroy(pattern);
            return;
        }
    } else {
        if (!finite(g.center) || !std::isfinite(g.startAngle)) return;
        const Rect b = area.bounds();
        double radius = 1;
        for (Point p : {b.origin, Point{b.maxX(), b.minY()}, Point{b.minX(), b.maxY()},
                        Point{b.maxX(), b.maxY()}})
            radius = std::max(radius, std::hypot(p.x - g.center.x, p.y - g.center.y) * 1.1);
        pattern = impl_->anglePattern(g, radius);
    }
    appendPath(cr, area);
    cairo_set_source(cr, pattern);
    cairo_fill(cr);
    cairo_pattern_destroy(pattern);
}

void CairoCanvas::drawShadow(const Path& shape, const Shadow& shadow) {
    if (impl_->skip() || !drawable(shape) || !(shadow.color.alpha > 0)) return;
    cairo_t* cr = impl_->cr;
    const double dx = std::isfinite(shadow.offset.width) ? shadow.offset.width : 0;
    const double dy = std::isfinite(shadow.offset.height) ? shadow.offset.height : 0;
    const Path moved = shape.transformed(Transform::translation(dx, dy));
    if (!(shadow.radius > 0) || !std::isfinite(shadow.radius)) {
        appendPath(cr, moved);
        impl_->setColor(shadow.color);
        cairo_fill(cr);
        return;
    }
    // The shape in device pixels, blurred in an alpha mask, then the colour painted through
    // the mask. The blur radius follows the device scale of the current transform.
    cairo_matrix_t ctm;
    cairo_get_matrix(cr, &ctm);
    const double deviceScale = std::sqrt(std::abs(ctm.xx * ctm.yy - ctm.xy * ctm.yx));
    const double sigma = shadow.radius * deviceScale / 2;
    const Path device =
        moved.transformed(Transform{ctm.xx, ctm.yx, ctm.xy, ctm.yy, ctm.x0, ctm.y0});
    const Rect b = device.bounds();
    const double pad = std::ceil(sigma * 3) + 1;
    const double left = std::floor(b.minX() - pad), top = std::floor(b.minY() - pad);
    const double w = std::ceil(b.maxX() + pad) - left, h = std::ceil(b.maxY() + pad) - top;
    if (!(w > 0) || !(h > 0) || w > 4096 || h > 4096) return;
    const Path placed = device.transformed(Transform::translation(-left, -top));
    const std::string key = placed.describe() + " blur " + std::to_string(sigma);
    cairo_surface_t* mask = shadowCache().find(key);
    if (!mask) {
        mask = cairo_image_surface_create(CAIRO_FORMAT_A8, int(w), int(h));
        cairo_t* mcr = cairo_create(mask);
        appendPath(mcr, placed);
        cairo_set_source_rgba(mcr, 0, 0, 0, 1);
        cairo_fill(mcr);
        cairo_destroy(mcr);
        cairo_surface_flush(mask);
        blurAlpha(cairo_image_surface_get_data(mask), int(w), int(h),
                  cairo_image_surface_get_stride(mask), sigma);
        cairo_surface_mark_dirty(mask);
        shadowCache().add(key, mask);
    }
    cairo_save(cr);
    cairo_identity_matrix(cr);
    impl_->setColor(shadow.color);
    cairo_mask_surface(cr, mask, left, top);
    cairo_restore(cr);
}

void CairoCanvas::drawImage(const std::shared_ptr<const Image>& image, const Rect& dest,
                            std::optional<Color> tint) {
    if (impl_->skip() || !image || !finite(dest.origin) || !(dest.width() > 0) ||
        !(dest.height() > 0) || !std::isfinite(dest.width()) || !std::isfinite(dest.height()))
        return;
    cairo_t* cr = impl_->cr;
    if (image->raster()) {
        const RasterPixels& pixels = *image->raster();
        cairo_save(cr);
        cairo_rectangle(cr, dest.x(), dest.y(), dest.width(), dest.height());
        cairo_clip(cr);
        cairo_translate(cr, dest.x(), dest.y());
        cairo_scale(cr, dest.width() / pixels.width, dest.height() / pixels.height);
        cairo_set_source_surface(cr, rasterSurface(image), 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
        if (tint) {
            // The picture's coverage, painted in the tint colour.
            cairo_push_group(cr);
            cairo_paint(cr);
            cairo_pattern_t* coverage = cairo_pop_group(cr);
            impl_->setColor(*tint);
            cairo_mask(cr, coverage);
            cairo_pattern_destroy(coverage);
        } else {
            cairo_paint_with_alpha(cr, impl_->state().alpha);
        }
        cairo_restore(cr);
        return;
    }
    RsvgHandle* handle = svgHandle(image);
    if (!handle) return;
    const RsvgRectangle viewport{dest.x(), dest.y(), dest.width(), dest.height()};
    const bool direct = !tint && impl_->state().alpha >= 1;
    if (!direct) {
        // A group as large as the image, not as the whole clip.
        cairo_save(cr);
        cairo_rectangle(cr, dest.x(), dest.y(), dest.width(), dest.height());
        cairo_clip(cr);
        cairo_push_group(cr);
    }
    GError* error = nullptr;
    rsvg_handle_render_document(handle, cr, &viewport, &error);
    if (error) g_error_free(error);
    if (direct) return;
    cairo_pattern_t* group = cairo_pop_group(cr);
    if (tint) {
        impl_->setColor(*tint);
        cairo_mask(cr, group);
    } else {
        cairo_set_source(cr, group);
        cairo_paint_with_alpha(cr, impl_->state().alpha);
    }
    cairo_pattern_destroy(group);
    cairo_restore(cr);
}

void CairoCanvas::drawText(const std::shared_ptr<const TextLayout>& layout, Point origin) {
    if (impl_->skip() || !layout || !finite(origin)) return;
    cairo_t* cr = impl_->cr;
    const double alpha = impl_->state().alpha;
    // Colour glyphs ignore the source alpha, so partly transparent text is drawn as a group
    // covering the text with room for glyphs that reach outside their lines.
    if (alpha < 1) {
        const double pad = layout->style().fontSize;
        const double width = std::isfinite(layout->maxWidth())
                                 ? std::max(layout->maxWidth(), layout->size().width)
                                 : layout->size().width;
        cairo_save(cr);
        cairo_rectangle(cr, origin.x - pad, origin.y - pad, width + 2 * pad,
                        layout->size().height + 2 * pad);
        cairo_clip(cr);
        cairo_push_group(cr);
    }
    const Color c = layout->style().color;
    cairo_set_source_rgba(cr, clamp01(c.red), clamp01(c.green), clamp01(c.blue), clamp01(c.alpha));
    if (const auto* pango = dynamic_cast<const PangoTextLayout*>(layout.get())) {
        impl_->showLines(*pango, origin);
    } else {
        // A layout from another engine: draw its lines as it placed them.
        TextStyle single = layout->style();
        single.maxLines = 1;
        single.alignment = TextAlignment::left;
        for (const TextLine& line : layout->lines()) {
            const auto own = impl_->fallbackEngine().layout(line.text, single);
            impl_->showLines(static_cast<const PangoTextLayout&>(*own),
                             {origin.x + line.frame.x(), origin.y + line.frame.y()});
        }
    }
    if (alpha < 1) {
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, alpha);
        cairo_restore(cr);
    }
}

// A layer's pixels: a canvas of the layer's pixel size.
class CairoLayer final : public LayerSurface {
  public:
    explicit CairoLayer(const LayerShape& shape)
        : LayerSurface(shape),
          canvas_({shape.pixelWidth() / shape.scale, shape.pixelHeight() / shape.scale},
                  shape.scale) {}
    cairo_surface_t* surface() const { return canvas_.impl_->surface; }

  protected:
    Painter& startContent() override {
        canvas_.clear();
        canvas_.save();
        const LayerShape& s = shape();
        if (s.scaleY != s.scale) canvas_.concat(Transform::scale(1, s.scaleY / s.scale));
        return canvas_;
    }
    void finishContent() override {
        auto& impl = *canvas_.impl_;
        while (impl.states.size() > 1) canvas_.restore();
        cairo_surface_flush(impl.surface);
    }

  private:
    CairoCanvas canvas_;
};

PixelDifference comparePixels(const CairoCanvas& a, const CairoCanvas& b) {
    cairo_surface_t* sa = a.impl_->surface;
    cairo_surface_t* sb = b.impl_->surface;
    cairo_surface_flush(sa);
    cairo_surface_flush(sb);
    const int w = cairo_image_surface_get_width(sa), h = cairo_image_surface_get_height(sa);
    if (w != cairo_image_surface_get_width(sb) || h != cairo_image_surface_get_height(sb))
        return {255, 1};
    const int strideA = cairo_image_surface_get_stride(sa);
    const int strideB = cairo_image_surface_get_stride(sb);
    const unsigned char* da = cairo_image_surface_get_data(sa);
    const unsigned char* db = cairo_image_surface_get_data(sb);
    PixelDifference d;
    std::size_t differing = 0;
    for (int y = 0; y < h; ++y) {
        const unsigned char* ra = da + std::ptrdiff_t(y) * strideA;
        const unsigned char* rb = db + std::ptrdiff_t(y) * strideB;
        for (int x = 0; x < w; ++x) {
            int most = 0;
            for (int c = 0; c < 4; ++c)
                most = std::max(most, std::abs(ra[4 * x + c] - rb[4 * x + c]));
            if (most > 0) ++differing;
            d.largest = std::max(d.largest, most);
        }
    }
    d.share = w > 0 && h > 0 ? double(differing) / (double(w) * double(h)) : 0;
    return d;
}

std::shared_ptr<LayerSurface> makeCairoLayer(const LayerShape& shape) {
    return std::make_shared<CairoLayer>(shape);
}

void CairoCanvas::drawLayer(const std::shared_ptr<const LayerSurface>& layer) {
    const auto* pixels = dynamic_cast<const CairoLayer*>(layer.get());
    if (!pixels) return Painter::drawLayer(layer);
    if (impl_->skip()) return;
    cairo_t* cr = impl_->cr;
    const LayerShape& shape = layer->shape();
    const double sx = shape.scale, sy = shape.scaleY;
    // The surface's first pixel sits at this point of the view's coordinates.
    const double x = shape.extent.x() - shape.phase.x / sx,
                 y = shape.extent.y() - shape.phase.y / sy;
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    cairo_save(cr);
    if (m.xy == 0 && m.yx == 0 && std::fabs(m.xx - sx) < 1e-9 && std::fabs(m.yy - sy) < 1e-9) {
        // Only moved: copy the pixels onto whole device pixels, as they were drawn.
        const double dx = std::round(m.xx * x + m.x0), dy = std::round(m.yy * y + m.y0);
        cairo_identity_matrix(cr);
        cairo_set_source_surface(cr, pixels->surface(), dx, dy);
        if (const auto& opaque = layer->opaqueArea()) {
            // The whole pixels inside the opaque area are copied, the rest blended: the same
            // pixels as blending all, without the arithmetic for most of a row's cells.
            const double x0 = std::ceil((opaque->minX() - x) * sx - 1e-6);
            const double y0 = std::ceil((opaque->minY() - y) * sy - 1e-6);
            const double x1 = std::floor((opaque->maxX() - x) * sx + 1e-6);
            const double y1 = std::floor((opaque->maxY() - y) * sy + 1e-6);
            if (x1 - x0 >= 8 && y1 - y0 >= 8) {
                cairo_save(cr);
                cairo_rectangle(cr, dx + x0, dy + y0, x1 - x0, y1 - y0);
                cairo_clip(cr);
                cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
                cairo_paint(cr);
                cairo_restore(cr);
                cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
                cairo_rectangle(cr, dx, dy, cairo_image_surface_get_width(pixels->surface()),
                                cairo_image_surface_get_height(pixels->surface()));
                cairo_rectangle(cr, dx + x0, dy + y0, x1 - x0, y1 - y0);
                cairo_fill(cr);
                cairo_restore(cr);
                return;
            }
        }
    } else {
        cairo_translate(cr, x, y);
        cairo_scale(cr, 1 / sx, 1 / sy);
        cairo_set_source_surface(cr, pixels->surface(), 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    }
    // The pixels hold the content at the alpha it is shown with.
    cairo_paint(cr);
    cairo_restore(cr);
}

void CairoCanvas::clear() {
    while (impl_->states.size() > 1) restore();
    cairo_t* cr = impl_->cr;
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_restore(cr);
}

Size CairoCanvas::size() const {
    return impl_->size;
}
double CairoCanvas::scale() const {
    return impl_->scale;
}
int CairoCanvas::pixelWidth() const {
    return cairo_image_surface_get_width(impl_->surface);
}
int CairoCanvas::pixelHeight() const {
    return cairo_image_surface_get_height(impl_->surface);
}

Color CairoCanvas::pixel(int px, int py) const {
    if (px < 0 || py < 0 || px >= pixelWidth() || py >= pixelHeight()) return Color::clear();
    cairo_surface_flush(impl_->surface);
    const unsigned char* data = cairo_image_surface_get_data(impl_->surface);
    const int stride = cairo_image_surface_get_stride(impl_->surface);
    std::uint32_t v;
    std::memcpy(&v, data + py * stride + px * 4, 4);
    const double a = (v >> 24) / 255.0;
    if (a == 0) return Color::clear();
    auto channel = [&](int shift) { return std::min(1.0, ((v >> shift) & 0xFF) / 255.0 / a); };
    return {channel(16), channel(8), channel(0), a};
}

Color CairoCanvas::colorAt(Point p) const {
    return pixel(static_cast<int>(std::floor(p.x * impl_->scale)),
                 static_cast<int>(std::floor(p.y * impl_->scale)));
}

std::optional<std::string> CairoCanvas::writePng(const std::filesystem::path& file) const {
    cairo_surface_flush(impl_->surface);
    const cairo_status_t status = cairo_surface_write_to_png(impl_->surface, file.c_str());
    if (status == CAIRO_STATUS_SUCCESS) return std::nullopt;
    return "cannot write " + file.string() + ": " + cairo_status_to_string(status);
}

}  // namespace arquorel::cairo
