#pragma once
// A whole region's places file made up from a small one: the records of a template file (the
// bundled Monaco places) repeated and scattered over a city-sized square, with a few invalid
// elements mixed in. The same recipe always gives the same bytes, so that benches and tests can
// make a large file when they run instead of keeping one.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "arquorel/platform/sensors/Location.h"

namespace arquorel::sim {

struct RegionRecipe {
    std::size_t count = 100000;  // elements of the array, invalid ones included
    std::uint64_t seed = 1;
    Coordinate centre{43.7393682, 7.4272085};
    double halfSide = 5000;           // metres from the centre to each side of the square
    std::size_t invalidEvery = 1000;  // every n-th element is invalid; 0 for none
};

// The Monaco places of the source tree.
std::filesystem::path bundledPlacesPath();

// The JSON text of the region's places file. Record i is template record i modulo the
// template count with a new id ("r<i>-<template id>") and a position drawn evenly over the
// square. Every invalid element is one of: latitude out of range, latitude as text, longitude
// missing, a number instead of an object. Empty when the template file cannot be read or
// holds no object.
std::string regionPlacesText(const RegionRecipe& recipe,
                             const std::filesystem::path& templates = bundledPlacesPath());

inline constexpr std::string_view kRegionSynopsis = "region --out FILE [--count N] [--seed S]";

// arquorel-sim region: writes a region's places file; `args` follow the command name.
int runRegionCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// How many elements of a region made with `recipe` are invalid.
std::size_t regionInvalidCount(const RegionRecipe& recipe);

}  // namespace arquorel::sim
