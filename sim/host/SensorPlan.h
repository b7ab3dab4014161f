#pragma once
// The sensor readings of a scenario as functions of its time: the compass from its heading,
// turn and walk commands, the device tilt from its pitch commands, and the fixes of a walk
// along a track at walking pace.

#include <map>
#include <optional>
#include <vector>

#include "arquorel/platform/sensors/Location.h"
#include "sim/host/Scenario.h"

namespace arquorel::sim {

// One fix of a walk: where the user is at `time` and the way they face.
struct WalkFix {
    double time = 0;
    Coordinate coordinate;
    double heading = 0;  // degrees from true north, along the way of travel
};

inline constexpr double kWalkingSpeed = 1.4;  // metres a second

// A fix every second along the track's points at `speed` m/s from `start`, and one at the
// track's end; the first point of a track that does not move gives a single fix.
std::vector<WalkFix> walkFixes(const std::vector<Coordinate>& track, double speed, double start);

// The compass and the tilt a scenario gives, as functions of its time.
class SensorPlan {
  public:
    // `walks` holds the fixes of each walk, by the index of its event in `scenario.events`.
    SensorPlan(const Scenario& scenario, const std::map<std::size_t, std::vector<WalkFix>>& walks);

    // The compass reading at `t`: none before the first heading, turn or walk.
    std::optional<scenario::Heading> headingAt(double t) const;
    // The device pitch at `t`: none before the first pitch command, or after a raw sample.
    std::optional<double> pitchAt(double t) const;
    // When the last event happens or the last walk ends.
    double end() const { return end_; }

  private:
    struct Compass {
        double start = 0;
        enum class Kind { steady, turn, walk, single } kind = Kind::steady;
        double from = 0;  // turns: the heading when the turn starts
        scenario::Heading heading;
        double seconds = 0;
        const std::vector<WalkFix>* walk = nullptr;
    };
    std::optional<scenario::Heading> evaluate(const Compass& c, double t) const;

    std::vector<Compass> compass_;
    std::vector<std::pair<double, double>> pitch_;  // (start, degrees)
    double end_ = 0;
};

}  // namespace arquorel::sim
