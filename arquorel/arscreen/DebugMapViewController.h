#pragma once
// A debugging screen over the AR screen: every annotation as a pin on a map, titled with its
// name, azimuth and distance (shown in a callout when the pin is tapped; pins that crowd are
// shown as clusters with their count, and a tap on one zooms in to them), and a long press
// that picks a position. The picked position is
// announced one second after the screen was dismissed with kNotificationLocationSet, which the
// AR view controller takes as the user's new location. Made from the layout
// "DebugMapViewController": a map filling the screen, a close control at the top right and a
// long-press recogniser on the map.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/arscreen/ARViewController.h"
#include "arquorel/platform/maps/MapView.h"
#include "arquorel/platform/ui/Button.h"
#include "arquorel/platform/ui/GestureRecognizer.h"
#include "arquorel/platform/ui/ViewController.h"

namespace arquorel {

// Seconds from a long press to the notification of the picked position.
inline constexpr double kLocationSetDelay = 1.0;

// Registers the screen layout "DebugMapViewController" once; later calls do nothing.
void registerDebugMapLayout();

class DebugMapViewController : public ViewController, public DebugMapScreen {
  public:
    using AnnotationList = std::vector<std::shared_ptr<ARAnnotation>>;
    static std::shared_ptr<DebugMapViewController> make();

    // Stores the list; when the view is loaded, puts the pins on the map at once.
    void addAnnotations(const AnnotationList& annotations) override;
    const std::optional<AnnotationList>& annotations() const { return annotations_; }

    void loadView() override;
    // Turns map rotation off and puts the stored list's pins on the map.
    void viewDidLoad() override;
    void viewDidLayoutSubviews() override;

    // The beginning of a long press picks the position under the finger; its later states do
    // nothing.
    void longTap(GestureRecognizer& recognizer);
    void closeButtonTap();

    // The map, once the view is loaded (held by the view tree).
    std::shared_ptr<MapView> mapView() const { return mapView_.lock(); }
    const std::shared_ptr<Button>& closeButton() const { return closeButton_; }
    const std::shared_ptr<LongPressGestureRecognizer>& longPress() const { return longPress_; }

    // "NAME, AZ: 123, 456m": the annotation's name (empty when none), azimuth and distance,
    // rounded.
    static std::string pinTitle(const ARAnnotation& annotation);

  private:
    DebugMapViewController() = default;
    void addAnnotationsToMap(const AnnotationList& annotations);

    std::weak_ptr<MapView> mapView_;
    std::optional<AnnotationList> annotations_;
    std::shared_ptr<Button> closeButton_;
    std::shared_ptr<LongPressGestureRecognizer> longPress_;
};

}  // namespace arquorel
