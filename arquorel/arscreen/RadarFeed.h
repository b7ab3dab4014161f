#pragma once
// What the main screen does with its radar: one point per place around the user's centre
// coordinate, recalibrated (distances and bearings measured again, dots redrawn, no rotation)
// on each of the first `reloadCount` updates after a reset, then frozen: from then on the
// points stay and only the radar turns with the compass, by the angle turned since it froze.
// A location fix, a swipe, a reload of the places, a reload location or the screen
// disappearing resets it.
//
// The owner supplies the points through `PointsBuilder` (new coordinates for its places, with
// their colours and alphas), calls update() once per display frame while it has places, and
// hands over location fixes and compass readings.

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "arquorel/arscreen/ARGeoCoordinate.h"
#include "arquorel/arscreen/RadarView.h"
#include "arquorel/platform/sensors/Readings.h"

namespace arquorel {

class RadarFeed {
  public:
    using Points = std::vector<std::shared_ptr<ARGeoCoordinate>>;
    using PointsBuilder = std::function<Points()>;

    static constexpr int kReloadCount = 50;
    // The dot colour of a place without a category colour: #23D2D6.
    static constexpr Color kDefaultDotColor{35 / 255.0, 210 / 255.0, 214 / 255.0, 1};

    RadarFeed(std::shared_ptr<RadarView> radar, PointsBuilder builder);

    // One display frame with the device's inclination: recalibrates while fewer than
    // reloadCount updates ran since the reset, else turns the radar. Does nothing before the
    // first location fix.
    void update(double inclination);
    // A location fix was accepted and `latest` is the user's position: centres the radar on
    // it, rebuilds and calibrates the points and starts recalibrating.
    void locationChanged(const Location& latest);
    // A compass reading: the centre's azimuth follows the true heading when the reading has
    // one, else the magnetic heading. Readings with an invalid accuracy are ignored.
    void headingChanged(const HeadingReading& reading);
    // A new centre coordinate at `location` (the screen appears where the user already is).
    void centerOn(const Location& location) {
        center_ = ARGeoCoordinate::coordinateWithLocation(location);
    }
    // The places changed (a reload): new points, calibrated at once around the centre when
    // there is one, and recalibration starts over.
    void placesChanged();
    // Starts recalibrating again on the next update.
    void reset() { updates_ = 0; }
    // Replaces the points by new ones from the builder.
    void rebuildPoints();

    // The radar's azimuth in radians for a compass reading; none when the reading is not valid.
    static std::optional<double> azimuthFor(const HeadingReading& reading);

    const std::shared_ptr<RadarView>& radar() const { return radar_; }
    const std::shared_ptr<ARGeoCoordinate>& centerCoordinate() const { return center_; }
    const Points& points() const { return points_; }
    // Largest radial distance among the points at the last calibration, metres.
    double maximumScaleDistance() const { return maximumScaleDistance_; }
    // Updates since the last reset (the recalibration counter).
    int updateCount() const { return updates_; }
    // The centre's azimuth when the radar froze; none while recalibrating.
    const std::optional<double>& frozenAngle() const { return frozenAngle_; }
    int reloadCount = kReloadCount;

  private:
    void calibrate(const Location& origin);

    std::shared_ptr<RadarView> radar_;
    PointsBuilder builder_;
    std::shared_ptr<ARGeoCoordinate> center_;
    Points points_;
    double maximumScaleDistance_ = 0;
    int updates_ = 0;
    std::optional<double> frozenAngle_;
};

}  // namespace arquorel
