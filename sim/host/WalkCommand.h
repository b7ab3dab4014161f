#pragma once
// arquorel-sim walk: a walk along a GPX track with the phone held upright, facing the way of
// travel. The tracking manager accepts the fixes and signals reloads as the user moves on; the
// command reports the walk as the user would see it.

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace arquorel::sim {

inline constexpr std::string_view kWalkSynopsis =
    "walk --places FILE --gpx FILE [--every SECONDS] [--screen WxH]";

int runWalkCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace arquorel::sim
