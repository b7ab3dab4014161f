#pragma once
// arquorel-sim view: the AR screen for one pose. The tracking manager and the presenter run on
// the simulated device until the filters have settled; then the placed cards are listed.

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace arquorel::sim {

inline constexpr std::string_view kViewSynopsis =
    "view --places FILE --at LAT,LNG --heading DEG --pitch DEG [--screen WxH]";

int runViewCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace arquorel::sim
