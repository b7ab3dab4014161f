#pragma once
// How a place is read to a person who listens instead of looking: its distance with a space
// before the unit ("70 m"), where it lies from the way the phone looks ("ahead", "slightly
// left", "to the right", "behind"), and the texts of cards, rows and the radar, in the
// bundle's language.

#include <cstddef>
#include <string>

namespace arquorel {

class QuorelProperty;

// "70 m", "1.1 km", "230 ft" in the user's units; empty for a distance that is not finite.
std::string spokenDistance(double metres);

// Where a place at compass `azimuth` lies for a phone looking at compass `heading` (degrees):
// ahead within 10 degrees either way, slightly left or right within 45, to the left or right
// within 135, behind beyond.
std::string directionWords(double azimuth, double heading);

// "Casino de Monte Carlo, Casino, 70 m, ahead": the parts that are known, in that order.
std::string placeReading(const std::string& name, const std::string& category, double metres,
                         const std::string& direction);

// The localised text of `key` with {1}, {2}... replaced by the arguments in order.
std::string localizedFormat(const std::string& key, const std::string& first,
                            const std::string& second = {}, const std::string& third = {});

}  // namespace arquorel
