#pragma once
// The main screen a host embeds: the camera picture with a card per place, a radar in the
// corner, a loading picture, two first-use hints and a back button.
//
// Embedding: the host makes the screen (make() or the layout "Storyboard", identifier
// "QuorelVC"), sets serverPlaces and optionally a delegate, and presents it modally. Posting
// "reloadOnBecomeActive" reloads the places. A tap on a card goes to the delegate, or without
// one to the details screen "PlaceVC" of the layout "Storyboard".
//
// Every delayed step (the reload's 2 s and 3 s steps, the 0.2 s second reload of loading, the
// swipe fly-out) belongs to the screen that scheduled it: it does nothing once the screen is
// gone, and a new reload cancels the steps of the one before.

#include <any>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "arquorel/arcore/ARTrackingManager.h"
#include "arquorel/arcore/NearestIndex.h"
#include "arquorel/arscreen/ARViewController.h"
#include "arquorel/arscreen/RadarFeed.h"
#include "arquorel/places/AnnnotationView.h"
#include "arquorel/places/Place.h"
#include "arquorel/places/QuorelProperty.h"
#include "arquorel/platform/ui/GestureRecognizer.h"

namespace arquorel {

class Button;
class ImageView;
class Label;
class LayoutConstraint;
class MotionService;
class RadarAnimation;
class RadarView;

// The host's side: told about the place the user tapped.
class QuorelVCDelegate {
  public:
    virtual ~QuorelVCDelegate() = default;
    virtual void openElementDetails(const std::shared_ptr<QuorelProperty>& quorelProperty) = 0;
};

// What the places list tells the screen that opened it.
class BackDelegate {
  public:
    virtual ~BackDelegate() = default;
    virtual void leaveARScreen() = 0;
    virtual void pointsListDidClose() = 0;
};

// The places list, as far as the main screen hands it data.
class PointsListScreen {
  public:
    virtual ~PointsListScreen() = default;
    virtual void setTableData(const std::vector<std::shared_ptr<QuorelProperty>>& places) = 0;
    virtual void setTitleText(const std::string& title) = 0;
};

// The details screen of one place.
class PlaceDetailsScreen {
  public:
    virtual ~PlaceDetailsScreen() = default;
    virtual void setPlace(const std::shared_ptr<QuorelProperty>& place) = 0;
};

inline constexpr const char* kReloadOnBecomeActive = "reloadOnBecomeActive";
inline constexpr const char* kFirstTimeQuorelHintKey = "firstTimeQuorelHint";
inline constexpr const char* kMainStoryboard = "Storyboard";
inline constexpr const char* kQuorelVCIdentifier = "QuorelVC";
inline constexpr const char* kPointTableSegue = "pointTable";
inline constexpr const char* kPlaceVCIdentifier = "PlaceVC";

// Adds the screen "QuorelVC" and its segue "pointTable" (to "PointsVC") to the layout
// "Storyboard". Idempotent; make() calls it.
void registerQuorelLayouts();

class QuorelVC : public ARViewController,
                 public ARDataSource,
                 public ARTrackingLocDelegate,
                 public AnnotationViewDelegate,
                 public BackDelegate {
  public:
    using Records = std::vector<std::shared_ptr<QuorelProperty>>;

    static std::shared_ptr<QuorelVC> make();
    ~QuorelVC() override;

    // ---- Host interface ----
    Records serverPlaces;
    Records tableData;
    // Held strongly, as the host hands it over.
    std::shared_ptr<QuorelVCDelegate> delegate;
    // A line of small print at the bottom (the places' data attribution); empty: none.
    std::string attribution;
    // False: the screen opens without the first-use hints, as once the user has dismissed
    // them ("firstTimeQuorelHint" in the user defaults), and stores nothing. Read as the
    // screen appears.
    bool showsFirstUseHints = true;

    // ---- State ----
    bool isViewPresented = true;
    PlaceRequest placeRequest;
    bool doWeNeedCameraAccessButton = false;
    bool isPointsVCShowed = false;
    std::string titleTextToShow;
    std::vector<std::shared_ptr<Place>> places;
    // The most places the radar shows: the nearest ones, so that its work per frame does not
    // grow with a whole region's places.
    static constexpr std::size_t kRadarPlaces = 1000;
    // The places on the radar: all of them up to kRadarPlaces, else the kRadarPlaces nearest;
    // in the order of `places` either way. Chosen again only when the places or their
    // distances changed, never on every frame.
    const std::vector<std::shared_ptr<Place>>& radarPlaces() const;
    static constexpr double kReloadDelayAfterLoad = 0.2;
    static constexpr double kLoadingHideDelay = 2.0;
    static constexpr double kAlertDelay = 3.0;
    static constexpr double kFlyOutDuration = 0.6;
    // The request position of a reload without any location.
    static constexpr double kFallbackLat = 40.202312;
    static constexpr double kFallbackLng = 44.499013;
    // A fix counts when younger than this and at most this inaccurate.
    static constexpr double kMaximumFixAge = 50;
    static constexpr double kMaximumFixError = 100;
    // Moving farther than this asks for a user-location reload.
    static constexpr double kUserLocationReloadDistance = 5.0;

    // ---- Views (the layout's, connected by name) ----
    std::shared_ptr<View> contentView;
    std::shared_ptr<View> contentView2;
    std::shared_ptr<Button> backbutton;
    std::shared_ptr<View> help1View;
    std::shared_ptr<View> help2View;
    std::shared_ptr<ImageView> loadingView;
    std::shared_ptr<Button> allovCameraAccessButton;
    std::shared_ptr<Label> quorelHintTitle1;
    std::shared_ptr<Label> quorelHintDescription1;
    std::shared_ptr<Label> quorelHintDescription11;
    std::shared_ptr<Label> quorelHintTitle2;
    std::shared_ptr<Label> quorelDescription2;
    std::shared_ptr<Label> tapOrSwipeLabel;
    std::shared_ptr<Label> radarLabel;
    std::shared_ptr<LayoutConstraint> imageTopConstrait;
    std::shared_ptr<LayoutConstraint> titleTopConstrait;
    // Made while loading.
    std::shared_ptr<RadarView> radarV;
    std::shared_ptr<ImageView> radarBackgr;
    std::shared_ptr<ImageView> arrowFloor;
    std::shared_ptr<RadarAnimation> radarAnimation;
    std::shared_ptr<TapGestureRecognizer> helpTap;
    std::shared_ptr<SwipeGestureRecognizer> slideLeft;

    // ---- Radar ----
    RadarFeed& radarFeed() { return *radarFeed_; }
    const RadarFeed& radarFeed() const { return *radarFeed_; }
    // One radar point per place, as the radar draws them.
    const RadarFeed::Points& ar_coordinates() const { return radarFeed_->points(); }
    const std::shared_ptr<ARGeoCoordinate>& centerCoordinate() const {
        return radarFeed_->centerCoordinate();
    }

    // ---- Life cycle ----
    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    StatusBarStyle preferredStatusBarStyle() const override { return StatusBarStyle::lightContent; }
    void prepare(StoryboardSegue& segue, const std::any& sender) override;

    // ---- Actions ----
    void back();
    void closeHelp() { dismissHint(); }
    void dismissViewWithGesture() { dismissHint(); }
    void askForCameraPermission();
    void reloadPage() { reloadPlaces(); }
    void leaveARScreen() override;
    void pointsListDidClose() override { isPointsVCShowed = false; }
    // Opens the places list ("pointTable").
    void openPointsList();

    // ---- Places ----
    void reloadPlaces();
    void rebuildPlaces();
    void applyPlaces();
    // Empties every place list (the screen's, the engine's, the presenter's and the radar's).
    void clearAllPlaces();
    // Flies a card out along the swipe and, when it has landed, removes its place until the
    // next reload.
    void swipeHandle(ARAnnotationView& view, SwipeDirection direction);
    void annotationViewTapped(const std::shared_ptr<AnnnotationView>& view) override;

    // ---- Engine callbacks ----
    std::shared_ptr<ARAnnotationView> viewForAnnotation(
        ARController& controller, const std::shared_ptr<ARAnnotation>& annotation) override;
    std::optional<std::vector<std::shared_ptr<ARAnnotationView>>> viewsDrawn(
        ARController& controller,
        const std::vector<std::shared_ptr<ARAnnotationView>>& views) override;
    void updateRadar(ARController& controller, double inclination) override;
    void didUpdateReloadLocation(ARTrackingManager& manager, const Location& location) override;
    void didUpdateLocation(ARTrackingManager& manager, const Location& location) override;
    void didUpdateHeading(ARTrackingManager& manager, const HeadingReading& heading) override;

    // ---- For hosts' diagnostics and tests ----
    // Delayed steps scheduled by this screen that have not run yet (cancelled ones excluded).
    std::size_t pendingDelayedSteps() const;
    // How many reloads ran since the screen was made.
    int reloadCount() const { return reloads_; }
    // Cards still flying out after a swipe.
    int flyingOutCards() const { return flyOuts_; }
    // Whether the screen was closed (dismissed or popped) and torn down.
    bool isClosed() const { return closed_; }
    // The hint on screen: 2, 1, or 0 for none.
    int visibleHint() const;
    // Whether the hints are done with: skipped by the host or dismissed once by the user.
    bool hintsDone() const;

  protected:
    QuorelVC();
    void initialize() override;
    friend class ARViewController;

  private:
    void dismissHint();
    void setHintTexts();
    void buildRadarViews();
    void styleCameraAccessButton();
    RadarFeed::Points makeRadarPoints() const;
    // The user's position now: the newer (by timestamp) of the shared location manager's and
    // `fix`, so that whichever of the two receivers gets a fix first, the screen uses it.
    static std::optional<Location> currentLocation(const std::optional<Location>& fix);
    void showReloadAlert(const std::string& titleKey, const std::string& messageKey);
    // Leaves the screen the way the back button does (without stopping the accelerometer
    // and without animation when `fromList`).
    void leave(bool animated);
    void tearDownSubviews(View& view);
    // Runs `step` after `delay` seconds if this screen still lives and, for a reload step,
    // while no newer reload started.
    void later(double delay, bool reloadStep, std::function<void(QuorelVC&)> step);
    // Keeps what a screen reader reads of the radar current and announces the place straight
    // ahead when it changes: at most once every kAheadAnnouncementInterval, never the same
    // place twice in a row.
    void updateAccessibility();
    // The accessibility properties of the screen's own views (buttons, hints, radar).
    void setUpAccessibility();
    bool isClosing() const;
    void removeSwipedPlace(ARAnnotationView& view);
    std::shared_ptr<QuorelVC> me();

    std::unique_ptr<RadarFeed> radarFeed_;
    std::shared_ptr<MotionService> motionManager_;
    // Scheduled steps not run yet: token -> the reload generation of a reload step.
    std::shared_ptr<std::map<std::uint64_t, std::optional<std::uint64_t>>> steps_ =
        std::make_shared<std::map<std::uint64_t, std::optional<std::uint64_t>>>();
    std::uint64_t nextStep_ = 0;
    std::string aheadAnnounced_;              // the place last announced as ahead
    std::optional<double> aheadAnnouncedAt_;  // when
    std::optional<double> accessibilityUpdatedAt_;
    int flyOuts_ = 0;
    std::vector<std::shared_ptr<AnnnotationView>> reusableViews_;  // during a rebuild
    mutable std::map<std::string, Color> dotColours_;              // by colour text
    mutable std::vector<std::shared_ptr<Place>> radarPlaces_;
    // What radarPlaces_ was chosen from: the places' storage, their count and the distances.
    mutable std::optional<std::tuple<const void*, std::size_t, std::uint64_t>> radarChosenFrom_;
    // An index of the places' positions, and the storage and count it was made for.
    mutable NearestIndex placesIndex_;
    mutable std::optional<std::tuple<const void*, std::size_t>> placesIndexed_;
    std::shared_ptr<Label> attributionLabel_;
    std::uint64_t reloadGeneration_ = 0;
    int reloads_ = 0;
    bool closed_ = false;
    // Where the reload observer was added; held weakly, as the screen may outlive the context.
    std::weak_ptr<NotificationCenter> reloadCenter_;
};

}  // namespace arquorel
