#pragma once
// What the presenter needs from the AR view controller that owns it, and the data source
// through which that controller obtains annotation views. They live in the engine so that
// the presenter can be embedded and tested without the screen layer.

#include <memory>
#include <optional>
#include <vector>

#include "arquorel/arcore/ARStatus.h"

namespace arquorel {

class ARAnnotation;
class ARAnnotationView;
class ARDataSource;

// Reasons for a reload; the raw value is also the rank (higher outranks lower).
enum class ReloadType {
    headingChanged = 0,
    userLocationChanged = 1,
    reloadLocationChanged = 2,
    annotationsChanged = 3,
    swipe = 4,
};

// The reload type of a raw value; none outside 0...4.
std::optional<ReloadType> reloadTypeFromRaw(long raw);
const char* toString(ReloadType type);

// The controller side of the presenter: its current status and its data source.
class ARController {
  public:
    virtual ~ARController() = default;
    virtual const ARStatus& arStatus() const = 0;
    virtual std::shared_ptr<ARDataSource> dataSource() const = 0;
};

class ARDataSource {
  public:
    virtual ~ARDataSource() = default;
    // The view to show for an annotation (required).
    virtual std::shared_ptr<ARAnnotationView> viewForAnnotation(
        ARController& controller, const std::shared_ptr<ARAnnotation>& annotation) = 0;
    // The annotations to show around a new reload location; none when not implemented.
    virtual std::optional<std::vector<std::shared_ptr<ARAnnotation>>> shouldReloadWithLocation(
        ARController& controller, const Location& location);
    // Told about the views just created; may hand back a changed list (none: not implemented).
    virtual std::optional<std::vector<std::shared_ptr<ARAnnotationView>>> viewsDrawn(
        ARController& controller, const std::vector<std::shared_ptr<ARAnnotationView>>& views);
    // A new radar inclination, once per frame with accelerometer data.
    virtual void updateRadar(ARController& controller, double inclination);
};

}  // namespace arquorel
