#include "arquorel/places/DistanceText.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/system/DecimalText.h"

namespace arquorel {
namespace {

constexpr double kThousandFeet = 304.79999024640034;  // metres
constexpr double kMetresPerMile = 1608;
constexpr double kFeetPerMetre = 3.28084;

std::optional<bool> imperialSetting;

std::string shortestText(double v) {
    return shortestDecimal(v);
}

}  // namespace

std::string distanceText(double d, bool imperial) {
    // Infinity would read back as a number but has no sensible text.
    if (!std::isfinite(d)) return {};
    double v;
    const char* unit;
    if (!imperial) {
        if (d >= 1000) {
            v = std::round(d / 1000 * 10) / 10;
            unit = "km";
        } else {
            v = std::round(d);
            unit = "m";
        }
    } else if (d >= kThousandFeet) {
        v = std::round(d / kMetresPerMile * 10) / 10;
        unit = "Mi";
    } else {
        v = std::round(d * kFeetPerMetre);
        unit = "ft";
    }
    std::string number;
    if (v != std::trunc(v)) {
        number = shortestText(v);
    } else {
        char text[400];
        std::snprintf(text, sizeof text, "%.0f", v);
        number = text;
    }
    return number + localized(unit);
}

std::string distanceText(double metres) {
    return distanceText(metres, usesImperialUnits());
}

bool usesImperialUnits() {
    if (!imperialSetting)
        imperialSetting = platformContext().userDefaults().contains(kImperialUnitsKey);
    return *imperialSetting;
}

void rereadUnitSetting() {
    imperialSetting.reset();
}

}  // namespace arquorel
