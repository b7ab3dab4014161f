#pragma once
// arquorel-sim places: the places of a file as the AR screen sees them from one position,
// nearest first, with distance, azimuth and compass sector.

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace arquorel::sim {

inline constexpr std::string_view kPlacesSynopsis = "places --places FILE --at LAT,LNG";

// `args` are the arguments after the command name.
int runPlacesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The 45-degree compass sector of an azimuth: 0 for [0, 45) up to 7 for [315, 360); anything
// outside [0, 360), NaN included, counts as sector 7.
int compassSector(double azimuth);

}  // namespace arquorel::sim
