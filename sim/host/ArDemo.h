#pragma once
// The demo host's AR screen: the tracking manager and the presenter driven by a display link,
// with the places of a file as annotations. It plays the part a host's AR view controller plays
// on a phone: it keeps the status (field of view, filtered heading and pitch, user location),
// recomputes distances and azimuths when the user moves, merges reload requests by rank until
// the status is ready, and makes a simple card view per place.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/arcore/ARDataSource.h"
#include "arquorel/arcore/ARPresenter.h"
#include "arquorel/arcore/ARTrackingManager.h"
#include "arquorel/places/Place.h"
#include "arquorel/places/QuorelProperty.h"
#include "arquorel/platform/runtime/DisplayLink.h"

namespace arquorel::sim {

// A card showing a place: its name and the distance text.
class DemoCard : public ARAnnotationView {
  public:
    explicit DemoCard(Rect frame = {}) : ARAnnotationView(frame) {}
    std::string title;
    std::string distanceText;
    int configureCount = 0;
    bool isCard() const override { return true; }
    void configureCard() override;
    void refreshCard() override;
};

class ArDemo : public ARController,
               public ARDataSource,
               public ARTrackingManagerDelegate,
               public ARTrackingLocDelegate,
               public std::enable_shared_from_this<ArDemo> {
  public:
    // A screen of `screen` points in portrait, without a camera (58-degree field of view).
    static std::shared_ptr<ArDemo> create(Size screen);
    ~ArDemo() override;

    void setRecords(std::vector<std::shared_ptr<QuorelProperty>> records);
    // Starts tracking and the display link; stop() ends both.
    void start();
    void stop();

    // Requests a reload; it runs at once when the status is ready, otherwise it waits,
    // merged with later requests by rank.
    void reload(ReloadType type);

    const ARStatus& arStatus() const override { return status_; }
    std::shared_ptr<ARDataSource> dataSource() const override;
    ARPresenter& presenter() { return *presenter_; }
    ARTrackingManager& trackingManager() { return *tracking_; }
    const std::vector<std::shared_ptr<ARAnnotation>>& annotations() const { return annotations_; }
    int frames() const { return frames_; }
    // Told when the tracking manager reports a new reload location (after the reload ran).
    std::function<void(const Location&)> onReloadLocation;

    std::shared_ptr<ARAnnotationView> viewForAnnotation(
        ARController& controller, const std::shared_ptr<ARAnnotation>& annotation) override;
    void didUpdateReloadLocation(ARTrackingManager& manager, const Location& location) override;
    void didUpdateLocation(ARTrackingManager& manager, const Location& location) override;

  private:
    explicit ArDemo(Size screen);
    void frame();
    void rebuildAnnotations();
    void calculateDistancesAndAzimuths();

    Size screen_;
    ARStatus status_;
    std::shared_ptr<ARTrackingManager> tracking_;
    std::shared_ptr<ARPresenter> presenter_;
    std::unique_ptr<DisplayLink> displayLink_;
    std::vector<std::shared_ptr<QuorelProperty>> records_;
    std::vector<std::shared_ptr<ARAnnotation>> annotations_;
    std::optional<ReloadType> pending_;
    int frames_ = 0;
};

// Metres as the cards show them: "850 m", "1.2 km".
std::string formatDistance(double metres);

}  // namespace arquorel::sim
