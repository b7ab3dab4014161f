#include "arquorel/platform/geometry/Geometry.h"

namespace arquorel {

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
