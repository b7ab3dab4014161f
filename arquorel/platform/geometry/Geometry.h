#pragma once
// Small value types for screen measures (points) and their free functions.

#include <algorithm>
#include <cmath>
#include <optional>
#include <ostream>

namespace arquorel {

struct Point {
    double x = 0;
    double y = 0;
    friend constexpr bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend constexpr bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    Point origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(Point o, Size s) : origin(o), size(s) {}
    constexpr Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}

    constexpr double x() const { return origin.x; }
    constexpr double y() const { return origin.y; }
    constexpr double width() const { return size.width; }
    constexpr double height() const { return size.height; }
    constexpr double minX() const { return std::min(origin.x, origin.x + size.width); }
    constexpr double maxX() const { return std::max(origin.x, origin.x + size.width); }
    constexpr double minY() const { return std::min(origin.y, origin.y + size.height); }
    constexpr double maxY() const { return std::max(origin.y, origin.y + size.height); }
    constexpr double midX() const { return origin.x + size.width / 2; }
    constexpr double midY() const { return origin.y + size.height / 2; }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

struct Insets {
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;
    friend constexpr bool operator==(const Insets&, const Insets&) = default;
};

// Affine transform: x' = a x + c y + tx, y' = b x + d y + ty.
struct Transform {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    static constexpr Transform identity() { return {}; }
    static constexpr Transform scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
    static constexpr Transform translation(double dx, double dy) { return {1, 0, 0, 1, dx, dy}; }
    static Transform rotation(double radians) {
        const double s = std::sin(radians), co = std::cos(radians);
        return {co, s, -s, co, 0, 0};
    }
    constexpr bool isIdentity() const { return *this == Transform{}; }
    friend constexpr bool operator==(const Transform&, const Transform&) = default;
};

constexpr Point apply(const Transform& t, Point p) {
    return {t.a * p.x + t.c * p.y + t.tx, t.b * p.x + t.d * p.y + t.ty};
}

// The transform that applies `first`, then `then`.
constexpr Transform concat(const Transform& first, const Transform& then) {
    return {first.a * then.a + first.b * then.c,
            first.a * then.b + first.b * then.d,
            first.c * then.a + first.d * then.c,
            first.c * then.b + first.d * then.d,
            first.tx * then.a + first.ty * then.c + then.tx,
            first.tx * then.b + first.ty * then.d + then.ty};
}

// The inverse transform; none when `t` squashes the plane (zero or non-finite determinant).
std::optional<Transform> inverted(const Transform& t);

// True when the rectangle has no area.
constexpr bool isEmpty(const Rect& r) {
    return r.size.width == 0 || r.size.height == 0;
}

// True when the two rectangles share an area; rectangles that only touch do not intersect.
// Written with strict comparisons only, so that a NaN anywhere means "no intersection".
constexpr bool intersects(const Rect& a, const Rect& b) {
    return a.minX() < a.maxX() && a.minY() < a.maxY() && b.minX() < b.maxX() &&
           b.minY() < b.maxY() && a.minX() < b.maxX() && b.minX() < a.maxX() &&
           a.minY() < b.maxY() && b.minY() < a.maxY();
}

constexpr Rect offsetBy(const Rect& r, double dx, double dy) {
    return {r.origin.x + dx, r.origin.y + dy, r.size.width, r.size.height};
}

void PrintTo(const Point& p, std::ostream* os);
void PrintTo(const Size& s, std::ostream* os);
void PrintTo(const Rect& r, std::ostream* os);
void PrintTo(const Transform& t, std::ostream* os);
std::ostream& operator<<(std::ostream& os, const Rect& r);

}  // namespace arquorel
