#pragma once
// The points of a GPX track, for replaying a walk through the simulated location service.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "arquorel/platform/sensors/Location.h"

namespace arquorel::sim {

// One point of a GPX track.
struct TrackPoint {
    Coordinate coordinate;
    double time = 0;  // seconds since 1970
};

// The points of a GPX file, or the reason it could not be read.
struct GpxTrack {
    std::vector<TrackPoint> points;
    std::string error;  // empty when the file was read
    bool ok() const { return error.empty(); }
};

// Reads the <trkpt lat=".." lon=".."> points of a GPX document in file order, whatever their
// namespace prefix. The text must be well-formed XML; every point needs a valid coordinate and
// a <time> (ISO 8601, UTC or with an offset), and times must not go backwards. Anything else
// gives an error naming the line.
GpxTrack parseGpx(std::string_view text);
GpxTrack readGpxFile(const std::filesystem::path& path);

}  // namespace arquorel::sim
