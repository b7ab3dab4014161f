#include "arquorel/platform/geometry/Geometry.h"

namespace arquorel {

std::optional<Transform> inverted(const Transform& t) {
    const double det = t.a * t.d - t.b * t.c;
    if (det == 0 || !std::isfinite(det)) return std::nullopt;
    const double a = t.d / det, b = -t.b / det, c = -t.c / det, d = t.a / det;
    return Transform{a, b, c, d, -(a * t.tx + c * t.ty), -(b * t.tx + d * t.ty)};
}

void PrintTo(const Point& p, std::ostream* os) {
    *os << "(" << p.x << ", " << p.y << ")";
}
void PrintTo(const Size& s, std::ostream* os) {
    *os << "(" << s.width << " x " << s.height << ")";
}
void PrintTo(const Rect& r, std::ostream* os) {
    *os << r;
}
void PrintTo(const Transform& t, std::ostream* os) {
    *os << "[" << t.a << " " << t.b << " " << t.c << " " << t.d << " " << t.tx << " " << t.ty
        << "]";
}
std::ostream& operator<<(std::ostream& os, const Rect& r) {
    return os << "(" << r.origin.x << ", " << r.origin.y << ", " << r.size.width << ", "
              << r.size.height << ")";
}

}  // namespace arquorel
