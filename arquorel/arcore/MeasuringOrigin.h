#pragma once
// Where the distances and azimuths of a list of annotations are measured from, shared by the
// annotations of the list. A new user position only moves the origin; an annotation measures
// itself again when its distance or azimuth is next read, so that a fix costs nothing for the
// annotations of a whole region that nobody looks at.

#include <cstdint>
#include <optional>

#include "arquorel/arcore/ARStatus.h"

namespace arquorel {

class MeasuringOrigin {
  public:
    void moveTo(const Location& user) {
        origin_.emplace(user);
        position_ = user.coordinate;
        ++generation_;
    }
    // None before the first position.
    const UserOrigin* origin() const { return origin_ ? &*origin_ : nullptr; }
    const std::optional<Coordinate>& position() const { return position_; }
    // Changes with every move.
    std::uint64_t generation() const { return generation_; }
    // Counts the annotations measured from here that changed their location, so that an index
    // of their positions knows it must be made again.
    void annotationMoved() const { ++annotationsMoved_; }
    std::uint64_t annotationsMoved() const { return annotationsMoved_; }

  private:
    std::optional<UserOrigin> origin_;
    std::optional<Coordinate> position_;
    std::uint64_t generation_ = 1;
    mutable std::uint64_t annotationsMoved_ = 0;
};

}  // namespace arquorel
