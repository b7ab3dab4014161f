#include "arquorel/platform/drawing/Path.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

namespace arquorel {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
// The control-point distance of a cubic quarter circle of radius 1.
constexpr double kKappa = 0.5522847498307936;

using Kind = PathElement::Kind;

PathElement element(Kind kind, std::initializer_list<Point> points) {
    PathElement e;
    e.kind = kind;
    std::size_t i = 0;
    for (const Point& p : points) e.points[i++] = p;
    return e;
}

Point arcPoint(Point c, double r, double angle) {
    return {c.x + r * std::cos(angle), c.y + r * std::sin(angle)};
}

// The signed sweep of an arc, from start to end in its direction, within one turn. Equal
// angles make no sweep; a clockwise arc from 0 to 2π makes a full turn.
double arcSweep(const PathElement& e) {
    double sweep = e.endAngle - e.startAngle;
    if (e.clockwise) {
        if (sweep > kTwoPi) sweep = kTwoPi;
        while (sweep < 0) sweep += kTwoPi;
    } else {
        if (sweep < -kTwoPi) sweep = -kTwoPi;
        while (sweep > 0) sweep -= kTwoPi;
    }
    return sweep;
}

std::string number(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", v);
    std::string s = buffer;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

std::string point(Point p) {
    return number(p.x) + "," + number(p.y);
}

}  // namespace

Path Path::rect(const Rect& r) {
    return Path().addRect(r);
}

Path Path::roundedRect(const Rect& r, double radius) {
    return Path().addRoundedRect(r, radius);
}

Path Path::ellipse(const Rect& r) {
    return Path().addEllipse(r);
}

Path Path::circle(Point center, double radius) {
    Path p;
    p.moveTo({center.x + radius, center.y});
    p.arc(center, radius, 0, kTwoPi);
    p.close();
    return p;
}

Path& Path::moveTo(Point p) {
    elements_.push_back(element(Kind::moveTo, {p}));
    return *this;
}

Path& Path::lineTo(Point p) {
    elements_.push_back(element(Kind::lineTo, {p}));
    return *this;
}

Path& Path::quadTo(Point control, Point end) {
    elements_.push_back(element(Kind::quadTo, {control, end}));
    return *this;
}

Path& Path::curveTo(Point control1, Point control2, Point end) {
    elements_.push_back(element(Kind::curveTo, {control1, control2, end}));
    return *this;
}

Path& Path::arc(Point center, double radius, double startAngle, double endAngle, bool clockwise) {
    PathElement e = element(Kind::arc, {center});
    e.radius = std::abs(radius);
    e.startAngle = startAngle;
    e.endAngle = endAngle;
    e.clockwise = clockwise;
    elements_.push_back(e);
    return *this;
}

Path& Path::addRect(const Rect& r) {
    PathElement e = element(Kind::rect, {r.origin});
    e.size = r.size;
    elements_.push_back(e);
    return *this;
}

Path& Path::addRoundedRect(const Rect& r, double radius) {
    const double limit = std::min(std::abs(r.width()), std::abs(r.height())) / 2;
    radius = std::clamp(radius, 0.0, limit);
    if (!(radius > 0)) return addRect(r);
    const double x0 = r.minX(), y0 = r.minY(), x1 = r.maxX(), y1 = r.maxY();
    const double q = std::numbers::pi / 2;
    moveTo({x0 + radius, y0});
    arc({x1 - radius, y0 + radius}, radius, -q, 0);
    arc({x1 - radius, y1 - radius}, radius, 0, q);
    arc({x0 + radius, y1 - radius}, radius, q, 2 * q);
    arc({x0 + radius, y0 + radius}, radius, 2 * q, 3 * q);
    return close();
}

Path& Path::addEllipse(const Rect& r) {
    const double cx = r.midX(), cy = r.midY(), rx = r.width() / 2, ry = r.height() / 2;
    const double kx = rx * kKappa, ky = ry * kKappa;
    moveTo({cx + rx, cy});
    curveTo({cx + rx, cy + ky}, {cx + kx, cy + ry}, {cx, cy + ry});
    curveTo({cx - kx, cy + ry}, {cx - rx, cy + ky}, {cx - rx, cy});
    curveTo({cx - rx, cy - ky}, {cx - kx, cy - ry}, {cx, cy - ry});
    curveTo({cx + kx, cy - ry}, {cx + rx, cy - ky}, {cx + rx, cy});
    return close();
}

Path& Path::addPath(const Path& other) {
    elements_.insert(elements_.end(), other.elements_.begin(), other.elements_.end());
    return *this;
}

Path& Path::close() {
    elements_.push_back(element(Kind::close, {}));
    return *this;
}

bool Path::isRect(Rect* out) const {
    if (elements_.size() != 1 || elements_[0].kind != Kind::rect) return false;
    if (out) *out = Rect{elements_[0].points[0], elements_[0].size};
    return true;
}

std::vector<std::vector<Point>> Path::flatten() const {
    std::vector<std::vector<Point>> result;
    std::vector<Point> current;
    Point start{}, at{};
    bool hasPoint = false;
    auto finish = [&] {
        if (current.size() > 1) result.push_back(std::move(current));
        current.clear();
    };
    auto to = [&](Point p) {
        if (current.empty()) current.push_back(hasPoint ? at : p);
        current.push_back(p);
        at = p;
        hasPoint = true;
    };
    constexpr int kSteps = 16;
    for (const PathElement& e : elements_) {
        switch (e.kind) {
            case Kind::moveTo:
                finish();
                start = at = e.points[0];
                hasPoint = true;
                current.push_back(at);
                break;
            case Kind::lineTo:
                to(e.points[0]);
                break;
            case Kind::quadTo: {
                const Point p0 = hasPoint ? at : e.points[0];
                for (int i = 1; i <= kSteps; ++i) {
                    const double t = double(i) / kSteps, u = 1 - t;
                    to({u * u * p0.x + 2 * u * t * e.points[0].x + t * t * e.points[1].x,
                        u * u * p0.y + 2 * u * t * e.points[0].y + t * t * e.points[1].y});
                }
                break;
            }
            case Kind::curveTo: {
                const Point p0 = hasPoint ? at : e.points[0];
                const Point c1 = e.points[0], c2 = e.points[1], p3 = e.points[2];
                for (int i = 1; i <= kSteps; ++i) {
                    const double t = double(i) / kSteps, u = 1 - t;
                    const double w0 = u * u * u, w1 = 3 * u * u * t, w2 = 3 * u * t * t,
                                 w3 = t * t * t;
                    to({w0 * p0.x + w1 * c1.x + w2 * c2.x + w3 * p3.x,
                        w0 * p0.y + w1 * c1.y + w2 * c2.y + w3 * p3.y});
                }
                break;
            }
            case Kind::arc: {
                const double sweep = arcSweep(e);
                const Point first = arcPoint(e.points[0], e.radius, e.startAngle);
                if (!hasPoint) {
                    start = first;
                    current.push_back(first);
                    at = first;
                    hasPoint = true;
                } else {
                    to(first);
                }
                const int steps = std::max(1, int(std::ceil(std::abs(sweep) / (kTwoPi / 64))));
                for (int i = 1; i <= steps; ++i)
                    to(arcPoint(e.points[0], e.radius, e.startAngle + sweep * i / steps));
                break;
            }
            case Kind::rect: {
                finish();
                const Point o = e.points[0];
                result.push_back({o,
                                  {o.x + e.size.width, o.y},
                                  {o.x + e.size.width, o.y + e.size.height},
                                  {o.x, o.y + e.size.height}});
                start = at = o;
                hasPoint = true;
                break;
            }
            case Kind::close:
                finish();
                at = start;
                break;
        }
    }
    finish();
    return result;
}

Rect Path::bounds() const {
    double x0 = std::numeric_limits<double>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;
    for (const auto& polygon : flatten()) {
        for (const Point& p : polygon) {
            x0 = std::min(x0, p.x);
            y0 = std::min(y0, p.y);
            x1 = std::max(x1, p.x);
            y1 = std::max(y1, p.y);
        }
    }
    if (x0 > x1) return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

bool Path::contains(Point p) const {
    int winding = 0;
    for (const auto& polygon : flatten()) {
        for (std::size_t i = 0; i < polygon.size(); ++i) {
            const Point a = polygon[i], b = polygon[(i + 1) % polygon.size()];
            if ((a.y <= p.y) != (b.y <= p.y)) {
                const double x = a.x + (p.y - a.y) / (b.y - a.y) * (b.x - a.x);
                if (x > p.x) winding += a.y <= p.y ? 1 : -1;
            }
        }
    }
    return fillRule_ == FillRule::evenOdd ? (winding % 2) != 0 : winding != 0;
}

Path Path::transformed(const Transform& t) const {
    Path out;
    out.fillRule_ = fillRule_;
    const bool axisAligned = t.b == 0 && t.c == 0;
    const bool translationOnly = axisAligned && t.a == 1 && t.d == 1;
    bool hasPoint = false;
    for (const PathElement& e : elements_) {
        PathElement m = e;
        switch (e.kind) {
            case Kind::moveTo:
            case Kind::lineTo:
            case Kind::quadTo:
            case Kind::curveTo:
                for (Point& p : m.points) p = apply(t, p);
                out.elements_.push_back(m);
                hasPoint = true;
                break;
            case Kind::rect:
                if (axisAligned) {
                    const Point a = apply(t, e.points[0]);
                    out.addRect({a, {e.size.width * t.a, e.size.height * t.d}});
                } else {
                    const Point o = e.points[0];
                    out.moveTo(apply(t, o));
                    out.lineTo(apply(t, {o.x + e.size.width, o.y}));
                    out.lineTo(apply(t, {o.x + e.size.width, o.y + e.size.height}));
                    out.lineTo(apply(t, {o.x, o.y + e.size.height}));
                    out.close();
                }
                hasPoint = true;
                break;
            case Kind::arc: {
                if (translationOnly) {
                    m.points[0] = apply(t, e.points[0]);
                    out.elements_.push_back(m);
                    hasPoint = true;
                    break;
                }
                // Cubic pieces of at most a quarter turn each.
                const double sweep = arcSweep(e);
                const int pieces = std::max(1, int(std::ceil(std::abs(sweep) / (kTwoPi / 4))));
                const double step = sweep / pieces;
                const double k = 4.0 / 3.0 * std::tan(step / 4);
                const Point c = e.points[0];
                const double r = e.radius;
                const Point first = arcPoint(c, r, e.startAngle);
                if (hasPoint)
                    out.lineTo(apply(t, first));
                else
                    out.moveTo(apply(t, first));
                hasPoint = true;
                for (int i = 0; i < pieces; ++i) {
                    const double a0 = e.startAngle + step * i, a1 = a0 + step;
                    const Point p0 = arcPoint(c, r, a0), p1 = arcPoint(c, r, a1);
                    const Point c1{p0.x - k * r * std::sin(a0), p0.y + k * r * std::cos(a0)};
                    const Point c2{p1.x + k * r * std::sin(a1), p1.y - k * r * std::cos(a1)};
                    out.curveTo(apply(t, c1), apply(t, c2), apply(t, p1));
                }
                break;
            }
            case Kind::close:
                out.elements_.push_back(m);
                break;
        }
    }
    return out;
}

std::string Path::describe() const {
    std::string s;
    Rect r;
    if (isRect(&r)) {
        s = "rect(" + number(r.x()) + "," + number(r.y()) + "," + number(r.width()) + "," +
            number(r.height()) + ")";
    } else {
        for (const PathElement& e : elements_) {
            if (!s.empty()) s += ' ';
            switch (e.kind) {
                case Kind::moveTo:
                    s += "M" + point(e.points[0]);
                    break;
                case Kind::lineTo:
                    s += "L" + point(e.points[0]);
                    break;
                case Kind::quadTo:
                    s += "Q" + point(e.points[0]) + " " + point(e.points[1]);
                    break;
                case Kind::curveTo:
                    s += "C" + point(e.points[0]) + " " + point(e.points[1]) + " " +
                         point(e.points[2]);
                    break;
                case Kind::arc:
                    s += "A" + point(e.points[0]) + " r" + number(e.radius) + " " +
                         number(e.startAngle) + ">" + number(e.endAngle) +
                         (e.clockwise ? "" : " ccw");
                    break;
                case Kind::rect:
                    s += "R" + point(e.points[0]) + " " + number(e.size.width) + "x" +
                         number(e.size.height);
                    break;
                case Kind::close:
                    s += "Z";
                    break;
            }
        }
    }
    if (fillRule_ == FillRule::evenOdd) s += " evenOdd";
    return s;
}

}  // namespace arquorel
