#pragma once
// The distance shown on cards and list cells: metres and kilometres, or feet and miles when
// anything at all is stored under the setting "isMyleType" (even false). A mile counts as
// 1608 m here; the number is rounded (halves away from zero) to whole metres or feet, or to
// tenths of a kilometre or mile, and followed by the localised unit without a space.
#include <string>

namespace arquorel {

inline constexpr const char* kImperialUnitsKey = "isMyleType";

// "999m", "1.1km", "1000ft", "0.2Mi" (unit texts from the bundle); empty for a distance that
// is not a finite number.
std::string distanceText(double metres, bool imperial);
// With the unit system of the stored setting.
std::string distanceText(double metres);

// Whether the setting asks for feet and miles; read once, at first use.
bool usesImperialUnits();
// Makes the next usesImperialUnits() read the setting again (a new device in tests).
void rereadUnitSetting();

}  // namespace arquorel
