#include "arquorel/platform/sensors/Location.h"

namespace arquorel {

void PrintTo(const Coordinate& c, std::ostream* os) {
    *os << "(" << c.latitude << ", " << c.longitude << ")";
}

void PrintTo(const Location& l, std::ostream* os) {
    PrintTo(l.coordinate, os);
    *os << " alt " << l.altitude << " acc " << l.horizontalAccuracy << "/" << l.verticalAccuracy
        << " t " << l.timestamp;
}

}  // namespace arquorel
