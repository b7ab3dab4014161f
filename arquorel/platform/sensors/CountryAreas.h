#pragma once
// An offline table of country areas: rough outlines, a few dozen corners each, of Monaco,
// Liechtenstein, France, Italy, Switzerland, Austria, Germany and the United States. Good to
// tell the countries apart away from their borders; every backend's geocoder without a
// geocoding service answers from it.

#include <vector>

#include "arquorel/platform/sensors/Location.h"

namespace arquorel {

struct CountryArea {
    const char* code;  // ISO 3166 alpha-2
    const char* name;
    std::vector<std::vector<Coordinate>> rings;  // corners, latitude and longitude in degrees
};

// The areas, small countries before the neighbours around them.
const std::vector<CountryArea>& countryAreas();
// The area holding `c`; none at sea, outside the table or for an invalid coordinate.
const CountryArea* countryAreaAt(const Coordinate& c);

}  // namespace arquorel
