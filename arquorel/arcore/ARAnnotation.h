#pragma once
// One thing shown in the AR picture: identifier, title and position, plus what the engine
// computes for it (distance and azimuth from the user) and the presenter's flags.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "arquorel/arcore/MeasuringOrigin.h"
#include "arquorel/platform/sensors/Location.h"

namespace arquorel {

class ARAnnotationView;

class ARAnnotation : public std::enable_shared_from_this<ARAnnotation> {
  public:
    // No annotation when the location's coordinate is not valid.
    static std::shared_ptr<ARAnnotation> create(std::optional<std::string> identifier,
                                                std::optional<std::string> title,
                                                const Location& location);
    virtual ~ARAnnotation() = default;
    ARAnnotation(const ARAnnotation&) = delete;
    ARAnnotation& operator=(const ARAnnotation&) = delete;

    const std::optional<std::string>& identifier() const { return identifier_; }
    void setIdentifier(std::optional<std::string> v) { identifier_ = std::move(v); }
    const std::optional<std::string>& title() const { return title_; }
    void setTitle(std::optional<std::string> v) { title_ = std::move(v); }
    const Location& location() const { return location_; }
    // The name a person reads for it (on the debug map's pins): its title, unless a subclass
    // knows better.
    virtual std::string displayName() const { return title_.value_or(std::string()); }

    // Replaces the location when its coordinate is valid; otherwise keeps the old one.
    virtual bool validateAndSetLocation(const Location& location);

    std::shared_ptr<ARAnnotationView> annotationView() const { return annotationView_; }
    // The view without taking a reference (valid while the link is unchanged).
    ARAnnotationView* annotationViewPointer() const { return annotationView_.get(); }
    void setAnnotationView(std::shared_ptr<ARAnnotationView> view) {
        annotationView_ = std::move(view);
    }
    double distanceFromUser() const {
        refresh();
        return distanceFromUser_;
    }
    void setDistanceFromUser(double metres) {
        refresh();
        distanceFromUser_ = metres;
    }
    double azimuth() const {
        refresh();
        return azimuth_;
    }
    void setAzimuth(double degrees) {
        refresh();
        azimuth_ = degrees;
    }
    // From now on measured from `origin`: the distance and azimuth are measured again when read
    // after the origin moved. A value set in between holds until the next move.
    void measureFrom(std::shared_ptr<const MeasuringOrigin> origin);
    bool active() const { return active_; }
    void setActive(bool active) { active_ = active; }

    // The vertical placement value of this annotation's view (a place record's stored value),
    // for the main view of a sector or for the others; none when the annotation carries no
    // such value, in which case the presenter draws one at random.
    virtual std::optional<double> verticalPlacementValue(bool mainView) const;

  protected:
    ARAnnotation(std::optional<std::string> identifier, std::optional<std::string> title,
                 const Location& location);

  private:
    void refresh() const {
        if (measuredFrom_ && measuredAt_ != measuredFrom_->generation()) remeasure();
    }
    void remeasure() const;

    std::optional<std::string> identifier_;
    std::optional<std::string> title_;
    Location location_;
    // The view is owned here; the view refers back weakly.
    std::shared_ptr<ARAnnotationView> annotationView_;
    std::shared_ptr<const MeasuringOrigin> measuredFrom_;
    mutable std::uint64_t measuredAt_ = 0;  // the origin's generation of the values below
    mutable double distanceFromUser_ = 0;
    mutable double azimuth_ = 0;
    bool active_ = false;
};

}  // namespace arquorel
