#include "sim/host/SensorPlan.h"

#include <algorithm>
#include <cmath>

#include "arquorel/arcore/ARStatus.h"
#include "arquorel/platform/sensors/Geodesy.h"

namespace arquorel::sim {

namespace {

// The signed turn from `from` to `to` by the shorter way, in (-180, 180].
double shorterTurn(double from, double to) {
    double d = std::fmod(to - from, 360.0);
    if (d > 180) d -= 360;
    if (d <= -180) d += 360;
    return d;
}

double normalized(double degrees) {
    double d = std::fmod(degrees, 360.0);
    if (d < 0) d += 360;
    return d >= 360 ? 0 : d;
}

}  // namespace

std::vector<WalkFix> walkFixes(const std::vector<Coordinate>& track, double speed, double start) {
    std::vector<WalkFix> fixes;
    if (track.empty() || !(speed > 0)) return fixes;
    // Distance along the track at each point.
    std::vector<double> along(track.size(), 0);
    for (std::size_t i = 1; i < track.size(); ++i)
        along[i] = along[i - 1] + geodesicDistance(track[i - 1], track[i]);
    const double length = along.back();
    // The heading of the segment starting at i; a segment of no length takes the next one's.
    std::vector<double> headings(track.size(), 0);
    for (std::size_t n = track.size(); n-- > 1;) {
        const std::size_t i = n - 1;
        headings[i] = along[i + 1] > along[i]
                          ? bearing(Location(track[i].latitude, track[i].longitude),
                                    Location(track[i + 1].latitude, track[i + 1].longitude))
                          : headings[i + 1];
    }
    if (track.size() > 1) headings.back() = headings[track.size() - 2];
    std::size_t segment = 0;
    const auto at = [&](double d, double time) {
        while (segment + 2 < track.size() && along[segment + 1] <= d) ++segment;
        WalkFix fix;
        fix.time = time;
        if (track.size() == 1) {
            fix.coordinate = track[0];
            return fix;
        }
        const double span = along[segment + 1] - along[segment];
        const double f = span > 0 ? std::clamp((d - along[segment]) / span, 0.0, 1.0) : 1.0;
        const auto& a = track[segment];
        const auto& b = track[segment + 1];
        fix.coordinate = {a.latitude + (b.latitude - a.latitude) * f,
                          a.longitude + (b.longitude - a.longitude) * f};
        fix.heading = headings[segment];
        return fix;
    };
    const double duration = length / speed;
    // A fix a second; the end point closes the walk unless a fix fell (almost) on it.
    for (double s = 0; s < duration - 0.05; s += 1) fixes.push_back(at(s * speed, start + s));
    fixes.push_back(at(length, start + duration));
    return fixes;
}

SensorPlan::SensorPlan(const Scenario& scenario,
                       const std::map<std::size_t, std::vector<WalkFix>>& walks) {
    using namespace scenario;
    for (std::size_t i = 0; i < scenario.events.size(); ++i) {
        const auto& e = scenario.events[i];
        end_ = std::max(end_, e.time);
        Compass c;
        c.start = e.time;
        if (const auto* h = std::get_if<Heading>(&e.action)) {
            c.heading = *h;
        } else if (const auto* t = std::get_if<Turn>(&e.action)) {
            c.kind = Compass::Kind::turn;
            c.heading.degrees = t->degrees;
            c.seconds = t->seconds;
            // A turn starts from where the compass points; without a reading it is the target.
            const auto before = headingAt(e.time);
            c.from = before ? before->degrees : t->degrees;
            if (before) c.heading.accuracy = before->accuracy;
        } else if (std::holds_alternative<scenario::Compass>(e.action)) {
            // A single reading, delivered by the player: no readings from the plan after it.
            c.kind = Compass::Kind::single;
        } else if (std::get_if<Walk>(&e.action)) {
            const auto it = walks.find(i);
            if (it == walks.end() || it->second.empty()) continue;
            c.kind = Compass::Kind::walk;
            c.walk = &it->second;
            end_ = std::max(end_, it->second.back().time);
        } else {
            if (const auto* p = std::get_if<Pitch>(&e.action))
                pitch_.emplace_back(e.time, p->degrees);
            else if (std::holds_alternative<Raise>(e.action))
                pitch_.emplace_back(e.time, 0.0);  // upright
            else if (std::holds_alternative<Accel>(e.action))
                pitch_.emplace_back(e.time, std::nan(""));  // raw samples from now on
            continue;
        }
        compass_.push_back(c);
    }
}

std::optional<scenario::Heading> SensorPlan::evaluate(const Compass& c, double t) const {
    switch (c.kind) {
        case Compass::Kind::steady:
            return c.heading;
        case Compass::Kind::turn: {
            const double f = c.seconds > 0 ? std::clamp((t - c.start) / c.seconds, 0.0, 1.0) : 1;
            auto h = c.heading;
            h.degrees = normalized(c.from + shorterTurn(c.from, c.heading.degrees) * f);
            return h;
        }
        case Compass::Kind::single:
            return std::nullopt;
        case Compass::Kind::walk: {
            const auto& fixes = *c.walk;
            // The heading of the last fix at or before t.
            auto it = std::upper_bound(fixes.begin(), fixes.end(), t,
                                       [](double v, const WalkFix& f) { return v < f.time; });
            const auto& fix = it == fixes.begin() ? fixes.front() : *(it - 1);
            return scenario::Heading{fix.heading, 5};
        }
    }
    return std::nullopt;
}

std::optional<scenario::Heading> SensorPlan::headingAt(double t) const {
    // The latest compass command at or before t rules.
    for (auto it = compass_.rbegin(); it != compass_.rend(); ++it)
        if (it->start <= t) return evaluate(*it, t);
    return std::nullopt;
}

std::optional<double> SensorPlan::pitchAt(double t) const {
    for (auto it = pitch_.rbegin(); it != pitch_.rend(); ++it)
        if (it->first <= t)
            return std::isnan(it->second) ? std::nullopt : std::optional(it->second);
    return std::nullopt;
}

}  // namespace arquorel::sim
