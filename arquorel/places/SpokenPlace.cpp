#include "arquorel/places/SpokenPlace.h"

#include <cmath>

#include "arquorel/places/DistanceText.h"
#include "arquorel/platform/resources/Bundle.h"

namespace arquorel {

std::string spokenDistance(double metres) {
    std::string text = distanceText(metres);
    const auto unit = text.find_first_not_of("0123456789.-");
    if (unit == std::string::npos || unit == 0) return text;
    // Built step by step: g++ 12 at -O3 reports a false overlap for insert() here.
    std::string spoken(text, 0, unit);
    spoken += ' ';
    spoken.append(text, unit);
    return spoken;
}

std::string directionWords(double azimuth, double heading) {
    if (!std::isfinite(azimuth) || !std::isfinite(heading)) return {};
    double d = std::fmod(azimuth - heading, 360.0);
    if (d > 180) d -= 360;
    if (d <= -180) d += 360;
    const double off = std::fabs(d);
    if (off <= 10) return localized("a11yAhead");
    if (off > 135) return localized("a11yBehind");
    const bool right = d > 0;
    if (off <= 45) return localized(right ? "a11ySlightlyRight" : "a11ySlightlyLeft");
    return localized(right ? "a11yRight" : "a11yLeft");
}

std::string placeReading(const std::string& name, const std::string& category, double metres,
                         const std::string& direction) {
    std::string out;
    for (const auto& part : {name, category, spokenDistance(metres), direction}) {
        if (part.empty()) continue;
        if (!out.empty()) out += ", ";
        out += part;
    }
    return out;
}

std::string localizedFormat(const std::string& key, const std::string& first,
                            const std::string& second, const std::string& third) {
    std::string text = localized(key);
    const std::string* args[] = {&first, &second, &third};
    for (int i = 0; i < 3; ++i) {
        std::string mark = "{";
        mark += static_cast<char>('1' + i);
        mark += '}';
        for (auto at = text.find(mark); at != std::string::npos;
             at = text.find(mark, at + args[i]->size()))
            text.replace(at, mark.size(), *args[i]);
    }
    return text;
}

}  // namespace arquorel
