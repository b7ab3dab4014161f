#pragma once
// The demo host's AR screen: an AR view controller with the places of a file as simple cards.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/arcore/ARDataSource.h"
#include "arquorel/arcore/ARPresenter.h"
#include "arquorel/arcore/ARTrackingManager.h"
#include "arquorel/arscreen/ARViewController.h"
#include "arquorel/places/Place.h"
#include "arquorel/places/QuorelProperty.h"
#include "arquorel/platform/drawing/Painter.h"
#include "arquorel/platform/drawing/ViewDescription.h"
#include "arquorel/platform/ui/Label.h"

namespace arquorel::sim {

// A card showing a place: a white rounded card with its name and the distance text.
class DemoCard : public ARAnnotationView {
  public:
    explicit DemoCard(Rect frame = {});
    std::string title;
    std::string distanceText;
    int configureCount = 0;
    bool isCard() const override { return true; }
    void configureCard() override;
    void refreshCard() override;
    void draw(Painter& painter) const override;
    void describe(ViewDescription& description) const override;
    // A button read as its name and distance.
    AccessibilityDefaults accessibilityDefaults() const override;

  private:
    // The laid-out texts, kept until the texts or the card's size change.
    struct Texts {
        std::string title, distance;
        Size size;
        std::shared_ptr<const TextLayout> titleLayout, distanceLayout;
    };
    const Texts& texts() const;
    mutable Texts texts_;
};

// The demo host's AR screen: an AR view controller that is its own data source, shows the
// places of a file as simple cards, follows the accepted fixes as the user location and
// rebuilds the places when the tracking manager reports a new reload location.
class ArDemo : public ARViewController, public ARDataSource, public ARTrackingLocDelegate {
  public:
    // A screen of `screen` points in portrait, laid out once, shown in no window.
    static std::shared_ptr<ArDemo> create(Size screen);
    // A screen to present; it takes the size of the window it is shown in.
    static std::shared_ptr<ArDemo> make() { return ARViewController::make<ArDemo>(); }

    // A line of small print at the bottom of the screen (the data's attribution); empty: none.
    std::string attribution;

    void setRecords(std::vector<std::shared_ptr<QuorelProperty>> records);
    // Starts the camera, tracking and the display link; stop() ends them.
    void start() { startCameraAndTracking(true); }
    void stop() { stopCameraAndTracking(); }

    const std::vector<std::shared_ptr<ARAnnotation>>& annotations() const {
        return getAnnotations();
    }
    int frames() const { return frames_; }
    // Told when the tracking manager reports a new reload location (after the reload ran).
    std::function<void(const Location&)> onReloadLocation;

    void displayTimerTick() override;
    std::shared_ptr<ARAnnotationView> viewForAnnotation(
        ARController& controller, const std::shared_ptr<ARAnnotation>& annotation) override;
    void didUpdateReloadLocation(ARTrackingManager& manager, const Location& location) override;
    void didUpdateLocation(ARTrackingManager& manager, const Location& location) override;

  protected:
    ArDemo() = default;
    void initialize() override;
    void firstLayoutSteps() override;
    void layoutSteps() override;
    friend class ARViewController;

  private:
    std::vector<std::shared_ptr<ARAnnotation>> makeAnnotations() const;

    std::vector<std::shared_ptr<QuorelProperty>> records_;
    std::shared_ptr<Label> attributionLabel_;
    int frames_ = 0;
};

// Metres as the cards show them: "850 m", "1.2 km".
std::string formatDistance(double metres);

}  // namespace arquorel::sim
