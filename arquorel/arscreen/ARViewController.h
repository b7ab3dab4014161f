#pragma once
// The screen of the AR engine. It owns the sensor tracking, the presenter that places the
// annotation views and the live status; a display-frame loop copies the filtered heading and
// pitch into the status and asks the presenter to move the views. Reload requests are merged by
// rank and wait until the status is ready. It keeps the annotations with their distances and
// azimuths from the user, computes the field of view and the scale of the screen, and offers a
// close button and debugging aids (a text label with a cross-hair, heading and pitch sliders
// that replace the sensors, a debug map button, a short-lived coloured square).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/arcore/ARAnnotation.h"
#include "arquorel/arcore/ARAnnotationView.h"
#include "arquorel/arcore/ARDataSource.h"
#include "arquorel/arcore/ARPresenter.h"
#include "arquorel/arcore/ARStatus.h"
#include "arquorel/arcore/ARTrackingManager.h"
#include "arquorel/arcore/MeasuringOrigin.h"
#include "arquorel/arcore/NearestIndex.h"
#include "arquorel/arscreen/CameraView.h"
#include "arquorel/platform/runtime/NotificationCenter.h"
#include "arquorel/platform/ui/ViewController.h"

namespace arquorel {

class Button;
class DisplayLink;
class Image;
class Label;
class Slider;

// The controller's option flags. The debug aids and the close button are read at the first
// layout; simulatorDebugging and debugLabel on every frame; the centre option on every
// setAnnotations call.
struct UiOptions {
    bool debugMap = false;
    bool simulatorDebugging = false;
    bool debugLabel = false;
    bool setUserLocationToCenterOfAnnotations = false;
    bool closeButtonEnabled = true;
    // The user asked for less motion: the radar's sweep stands still and the cards move to
    // their places without animation.
    bool reduceMotion = false;
    friend constexpr bool operator==(const UiOptions&, const UiOptions&) = default;
};

// The notification the debug map posts when a position was picked; its user information holds
// the Location under kLocationUserInfoKey.
inline constexpr const char* kNotificationLocationSet = "kNotificationLocationSet";
inline constexpr const char* kLocationUserInfoKey = "location";

// The debug map screen, as far as this controller needs it: it is handed the annotations.
class DebugMapScreen {
  public:
    virtual ~DebugMapScreen() = default;
    virtual void addAnnotations(const std::vector<std::shared_ptr<ARAnnotation>>& annotations) = 0;
};
inline constexpr const char* kDebugMapLayoutName = "DebugMapViewController";

class ARViewController : public ViewController,
                         public ARController,
                         public ARTrackingManagerDelegate {
  public:
    using AnnotationList = std::vector<std::shared_ptr<ARAnnotation>>;
    // Told when the tracking manager gives up waiting for a location: the seconds waited and
    // whether a location had been received before.
    using FailureCallback = std::function<void(double elapsedSeconds, bool hadLocation)>;

    // A controller of type T, initialised once it is owned (its presenter and observers hold it
    // weakly, so initialisation needs the shared owner).
    template <class T = ARViewController, class... Args>
    static std::shared_ptr<T> make(Args&&... args) {
        auto controller = std::shared_ptr<T>(new T(std::forward<Args>(args)...));
        controller->initialize();
        return controller;
    }
    ~ARViewController() override;
    ARViewController(const ARViewController&) = delete;
    ARViewController& operator=(const ARViewController&) = delete;

    // ---- ARController ----
    const ARStatus& arStatus() const override { return arStatus_; }
    std::shared_ptr<ARDataSource> dataSource() const override { return dataSource_.lock(); }

    // ---- Properties ----
    void setDataSource(std::weak_ptr<ARDataSource> source) { dataSource_ = std::move(source); }
    ARStatus& mutableArStatus() { return arStatus_; }
    ARTrackingManager& trackingManager() const { return *trackingManager_; }
    const std::shared_ptr<ARPresenter>& presenter() const { return presenter_; }
    // Takes the old presenter out of the view; after the first layout the new one goes directly
    // above the camera view.
    void setPresenter(std::shared_ptr<ARPresenter> presenter);
    UiOptions uiOptions;
    FailureCallback onDidFailToFindLocation;
    // The last user location recorded by a subclass; the failure callback reports its presence.
    std::optional<Location> lastLocation;
    bool initialized() const { return initialized_; }
    std::shared_ptr<ARViewController> self() {
        return std::static_pointer_cast<ARViewController>(shared_from_this());
    }
    bool didLayoutSubviews() const { return didLayoutSubviews_; }
    std::optional<ReloadType> pendingHighestRankingReload() const { return pendingReload_; }
    bool isDisplayTimerRunning() const;
    const std::shared_ptr<CameraView>& cameraView() const { return cameraView_; }

    // Whether the device can run the AR screen: the error of building a capture session for
    // video on the back camera, none when one could be built.
    static std::optional<CameraView::Error> isAllHardwareAvailable();

    // ---- Annotations and reloads ----
    // Replaces the annotations (first moving the user location to their centre when the option
    // asks for it) and requests an annotationsChanged reload.
    virtual void setAnnotations(AnnotationList annotations);
    const AnnotationList& getAnnotations() const { return annotations_; }
    // Takes one annotation (by identity) out of the list, without a reload.
    void removeAnnotation(const ARAnnotation& annotation);
    // Requests a reload. It is merged with the waiting one by rank and carried out as soon as
    // the status is ready (at once when it already is).
    virtual void reload(ReloadType reloadType);
    // Distances from the user (then the nearest put first, sectors and z-order re-sorted) and
    // azimuths; nothing without a user location.
    virtual void calculateDistancesForAnnotations();
    // Puts the presenter's maxVisibleAnnotations nearest annotations first, nearest first (ties
    // in list order); the others follow in their former order. Only the annotations that may
    // be among them are measured (through a spatial index of the list).
    void arrangeNearestFirst();
    // How many times the distances were measured; a change means they may have changed.
    std::uint64_t distancesMeasured() const { return distancesMeasured_; }
    // Where the distances were last measured from; none before the first measuring.
    const std::optional<Coordinate>& measuredFrom() const { return measuring_->position(); }
    virtual void calculateAzimuthsForAnnotations();
    // The centre of the annotations' bounding box; none for an empty list or an invalid result.
    static std::optional<Location> centerLocationOfAnnotations(const AnnotationList& annotations);

    // ---- Frame loop ----
    // Starts the camera, the tracking and a fresh display-frame timer (never two at once).
    virtual void startCameraAndTracking(bool notifyLocationFailure);
    virtual void stopCameraAndTracking();
    // One display frame: debug sliders, filters, status, heading reload, debug text, radar.
    virtual void displayTimerTick();
    // The four geometry values of the status from the picture area and the camera.
    virtual void calculateFovAndScale();

    // ---- Lifecycle ----
    // Will-appear starts the camera, tracking and frame loop; will-disappear stops them.
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    // The first pass inserts the views and adds the close button and debug aids; every pass
    // lays them out and recomputes the field of view.
    void viewDidLayoutSubviews() override;
    OrientationMask supportedInterfaceOrientations() const override {
        return interfaceOrientationMask;
    }
    bool shouldAutorotate() const override { return true; }
    OrientationMask interfaceOrientationMask = OrientationMask::all();

    // ---- Buttons and debug aids ----
    // The close button's image; when none at the first layout, the framework's "ovin_close".
    const std::shared_ptr<const Image>& closeButtonImage() const { return closeButtonImage_; }
    // Also shows the image on an existing close button.
    void setCloseButtonImage(std::shared_ptr<const Image> image);
    const std::shared_ptr<Button>& closeButton() const { return closeButton_; }
    const std::shared_ptr<Label>& debugLabel() const { return debugLabel_; }
    const std::shared_ptr<Button>& debugMapButton() const { return debugMapButton_; }
    const std::shared_ptr<Slider>& debugHeadingSlider() const { return debugHeadingSlider_; }
    const std::shared_ptr<Slider>& debugPitchSlider() const { return debugPitchSlider_; }
    // The close button dismisses this screen when another one presented it.
    virtual void closeButtonTap();
    // Presents the debug map with the current annotations.
    virtual void debugButtonTap();
    // A 30-point square of that colour near the top-right corner for 1.5 seconds.
    void showDebugViewWithColor(const Color& color);

    // ---- Notifications and tracking ----
    virtual void locationNotification(const Notification& notification);
    virtual void appDidEnterBackground(const Notification& notification);
    virtual void appWillEnterForeground(const Notification& notification);
    void didUpdateUserLocation(ARTrackingManager&, const Location&) override {}
    void didUpdateReloadLocation(ARTrackingManager&, const Location&) override {}
    void didFailToFindLocationAfter(ARTrackingManager& manager, double elapsedSeconds) override;
    void logText(const std::string& text) override;

    // The heading a debug slider value stands for: the value modulo 360, within [0, 360).
    static double debugHeadingForSliderValue(double value);
    // The debug label's text: "Heading: <raw or debug heading>(<filtered>) -- Pitch: <pitch>".
    static std::string debugLabelText(double heading, double filteredHeading, double pitch);

    // ---- Missing compass ----
    // No heading for a second after tracking started: the cards are hidden (they would stand
    // where a phone facing north would see them) and a notice says how to allow the compass.
    // A heading arriving later brings the cards back and takes the notice away.
    bool headingMissing() const { return headingMissing_; }
    const std::shared_ptr<Label>& headingNotice() const { return headingNotice_; }
    // Whose settings the advice texts name: empty for this app's own (a native host), "ios" or
    // "android" for a web page in those systems' browsers, "web" for other browsers.
    std::string advicePlatform;
    // The text for `key` in the variant for `platform` ("<key>@<platform>"), else `key`'s own.
    static std::string adviceText(const std::string& key, const std::string& platform);

    // The radar inclination shared by every controller of the process.
    static double radarInclination();
    static void resetRadarInclination();

  protected:
    ARViewController();
    // Runs once: presenter, tracking delegate, observers.
    virtual void initialize();

    virtual void firstLayoutSteps();
    virtual void layoutSteps();
    virtual void addCloseButton();
    virtual void addDebugUi();
    virtual void layoutDebugSliders();
    // Hides or shows the cards and the notice when the compass goes missing or answers.
    virtual void headingAvailabilityChanged(bool missing);
    void layoutHeadingNotice();

  private:
    void removeObservers();
    void indexAnnotations();
    void insertPresenter();

    std::weak_ptr<ARDataSource> dataSource_;
    std::shared_ptr<ARTrackingManager> trackingManager_;
    std::shared_ptr<ARPresenter> presenter_;
    ARStatus arStatus_;
    AnnotationList annotations_;
    std::uint64_t distancesMeasured_ = 0;
    // The annotations' distances and azimuths are measured from here, each when read.
    std::shared_ptr<MeasuringOrigin> measuring_ = std::make_shared<MeasuringOrigin>();
    // The index of annotations_ as it was when built (its points are those positions), and
    // where each of its points stands in annotations_ now; made again when the list changes.
    NearestIndex index_;
    bool indexStale_ = true;
    std::uint64_t indexedMoves_ = 0;  // measuring_->annotationsMoved() when it was built
    std::vector<std::uint32_t> positionOf_;
    std::vector<std::uint32_t> pointAt_;  // the other way: the index's point at a position
    bool initialized_ = false;
    std::unique_ptr<DisplayLink> displayTimer_;
    bool didLayoutSubviews_ = false;
    std::optional<ReloadType> pendingReload_;
    // Held weakly: a controller kept after its platform context is gone has nothing to remove.
    std::weak_ptr<NotificationCenter> observedCenter_;
    std::shared_ptr<CameraView> cameraView_;
    std::shared_ptr<const Image> closeButtonImage_;
    std::shared_ptr<Button> closeButton_;
    std::shared_ptr<Label> debugLabel_;
    bool sliderOverrides_ = false;  // the last frame took heading and pitch from the sliders
    std::shared_ptr<Button> debugMapButton_;
    std::shared_ptr<Slider> debugHeadingSlider_;
    std::shared_ptr<Slider> debugPitchSlider_;
    bool headingMissing_ = false;
    std::shared_ptr<Label> headingNotice_;
};

}  // namespace arquorel
