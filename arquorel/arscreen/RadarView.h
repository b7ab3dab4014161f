#pragma once
// The radar: a 90-point round map of the places around the user, made of a DotsView that it
// owns. The caller sets `points` and `farthest`, then calls updatePoints() with the centre
// coordinate whose azimuth must point up; rotateView() turns the whole radar.

#include <memory>
#include <vector>

#include "arquorel/arscreen/ARGeoCoordinate.h"
#include "arquorel/arscreen/DotsView.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

class RadarView : public View {
  public:
    static constexpr double kSize = 90;

    // A 90 x 90 radar at (0, 0) of its superview, transparent, with its dots view.
    static std::shared_ptr<RadarView> create();
    RadarView();

    // Hands points, farthest and (a copy of) the centre to the dots view and has it redrawn.
    void updatePoints(const std::shared_ptr<ARGeoCoordinate>& center);
    // Replaces the radar's rotation by `radians` (clockwise on screen); a value that is not a
    // finite number leaves the rotation as it is.
    void rotateView(double radians);

    const std::shared_ptr<DotsView>& dotsView() const { return dotsView_; }
    // The turn in degrees (clockwise on screen, within (-180, 180]) for the view-tree dump.
    void describe(ViewDescription& description) const override;

    std::vector<std::shared_ptr<ARGeoCoordinate>> points;
    double farthest = 0;  // metres

  private:
    std::shared_ptr<DotsView> dotsView_;
};

}  // namespace arquorel
