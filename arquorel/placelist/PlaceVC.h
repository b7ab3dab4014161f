#pragma once
// The details of one place: a header in the place's category colour with its icon or logo,
// name, tags, opening hours and address; the distance from the user with an arrow that follows
// the compass; a small map with the walking route from the user (a large arrow instead while
// offline) that can be enlarged, north up on the whole walk, to be dragged, pinched and
// double-tapped; route, call and favourite buttons (numbers are read in the place's own
// country); contact rows for mail, web site, social page and encyclopedia article, shown only
// when the record has a usable value; and the table of the place's micro-data. The buttons and
// rows hand the user over to other applications (Handoffs.h).
//
// Opened by the main screen or the list (which sets `fromPointsVC` and `delegate`) from the
// layout "Storyboard" with identifier "PlaceVC". A screen without a place leaves at once. The
// notification "fromSiri" closes it, after what it shows over itself.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/arscreen/LocationManager.h"
#include "arquorel/placelist/BaseVC.h"
#include "arquorel/places/QuorelProperty.h"
#include "arquorel/places/QuorelVC.h"
#include "arquorel/platform/device/Application.h"
#include "arquorel/platform/maps/Directions.h"
#include "arquorel/platform/maps/MapView.h"
#include "arquorel/platform/runtime/NotificationCenter.h"
#include "arquorel/platform/ui/Button.h"
#include "arquorel/platform/ui/ImageView.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/ScrollView.h"
#include "arquorel/toolkit/InsetsLabel.h"
#include "arquorel/toolkit/TagCloud.h"

namespace arquorel {

class MicrodataTable;
class PointsVC;
struct PhoneChoice;

inline constexpr const char* kFromSiriNotification = "fromSiri";

// Adds the screen "PlaceVC" to the layout "Storyboard". Idempotent.
void registerPlaceDetailsLayout();

class PlaceVC : public BaseVC, public PlaceDetailsScreen, public MapViewDelegate {
  public:
    static constexpr double kMapHeight = 220;
    static constexpr double kMicroRowHeight = 50;
    static constexpr double kContactRowHeight = 58;
    static constexpr double kArrowAnimation = 0.5;
    static constexpr double kEnlargeAnimation = 0.2;
    // The compact map looks down from 6 x the distance to the place, never lower than this.
    static constexpr double kAltitudePerMetre = 6;
    static constexpr double kMinimumAltitude = 400;
    // Without the user's position the map looks down at the place from this altitude.
    static constexpr double kPlaceAltitude = 1200;
    static constexpr double kNoLocationSpan = 0.05;  // degrees
    static inline const Color kRouteColor{17.0 / 255, 147.0 / 255, 1.0, 1};
    static constexpr double kRouteWidth = 5;

    static std::shared_ptr<PlaceVC> make();
    ~PlaceVC() override;

    // ---- Inputs ----
    std::shared_ptr<QuorelProperty> place;
    bool fromPointsVC = false;
    // The list that opened the screen (held weakly: the list holds the screen it presents).
    std::weak_ptr<PointsVC> delegate;
    void setPlace(const std::shared_ptr<QuorelProperty>& record) override { place = record; }

    // ---- State ----
    std::shared_ptr<MapView> mapp;
    std::optional<Coordinate> courseStartLocation;
    double mapheight = 0;
    std::optional<MapCamera> cameraPosition;
    bool isKMType = true;
    std::string placeWikiPedia;
    // The valid addresses and numbers the mail row and the call button use.
    std::vector<std::string> mailAddresses;
    std::vector<std::string> phoneNumbers;  // E.164
    std::string websiteURL;                 // empty: row hidden
    std::string facebookURL;                // empty: row hidden
    bool isMapEnlarged() const { return enlarged_; }
    bool isConnected() const { return connected_; }

    // ---- Views ----
    std::shared_ptr<ScrollView> scrollView;
    std::shared_ptr<View> ttopView;
    std::shared_ptr<View> navbarBgView;
    std::shared_ptr<Button> backButton;
    std::shared_ptr<Button> shareButton;
    std::shared_ptr<Label> nameForTopLabel;
    std::shared_ptr<Label> titlelabel;
    std::shared_ptr<ImageView> iconIv;
    std::shared_ptr<View> tagsView;
    std::shared_ptr<TagCloud> collectionView;
    std::shared_ptr<InsetsLabel> timeLabel;
    std::shared_ptr<InsetsLabel> adressLabel;
    std::shared_ptr<View> distansBackView;
    std::shared_ptr<Label> distanceLabel;
    std::shared_ptr<ImageView> dirArrowSmall;
    std::shared_ptr<View> mapHolderView;
    std::shared_ptr<ImageView> dirArrow;
    std::shared_ptr<Button> mapClickButton;
    std::shared_ptr<Button> routeButton;
    std::shared_ptr<Button> phoneButton;
    std::shared_ptr<Button> favoriteButton;
    std::shared_ptr<Label> emaillLabel, emailLabel;
    std::shared_ptr<Label> webLabel, websitelabel;
    std::shared_ptr<Label> facebookLabel, facebooklabel;
    std::shared_ptr<Label> wikipediaCaption, wikipediaLabel;
    std::shared_ptr<Button> emailRow, websiteRow, facebookRow, wikipediaRow;
    std::shared_ptr<MicrodataTable> mixroTableview;

    // ---- Life cycle ----
    void loadView() override;
    void viewDidLoad() override;
    // What a screen reader reads of the screen's own views.
    void setUpAccessibility();
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidLayoutSubviews() override;
    StatusBarStyle preferredStatusBarStyle() const override { return StatusBarStyle::lightContent; }

    // ---- Actions ----
    void back();
    void largeMap();
    void openRoute();
    void phoneClicked();
    void openEmail();
    void openLink();
    void openLink2();
    void openWiki();
    void share();
    void fromSiri();
    // The favourite button marks the place for as long as the screen shows it, with a
    // selection tick (the system keeps no favourites).
    void favoriteClicked();

    // One heading report: the distance text and the arrows; then the map follows.
    void updateHeading(std::optional<double> heading);
    void followHeading(std::optional<double> heading);
    // The camera for the user's position now (or the place without one).
    MapCamera makeCamera() const;

    // ---- Map delegate ----
    std::optional<PolylineRenderer> rendererForOverlay(MapView&, const MapPolyline&) override;
    std::shared_ptr<MapAnnotationView> viewForAnnotation(
        MapView& map, const std::shared_ptr<MapAnnotation>& annotation) override;

    // The header colour: the category colour, light grey without one.
    const Color& headerColor() const { return headerColor_; }
    // Directions requests made (the route is asked once per screen).
    int directionsRequests() const { return directionsRequests_; }

  protected:
    PlaceVC() = default;

  private:
    void fillContactRows();
    void fillTitle();
    void loadLogo();
    void rebuildTags();
    void requestRoute();
    void fitWalk();
    // The region of both pins and the route, with a margin; none with fewer than two points.
    std::optional<MapRegion> walkRegion() const;
    void updateButtons();
    void present(std::shared_ptr<ViewController> screen);
    void openWebPage(const std::string& address);
    void call(const PhoneChoice& choice);
    std::vector<PhoneChoice> phoneChoicesNow() const;
    double layoutHeader(double width, double top);
    double layoutContent(double width, double y);

    Color headerColor_ = kLightGray;
    bool enlarged_ = false;
    bool lightHeader_ = false;
    bool connected_ = true;
    bool hasLogo_ = false;
    bool left_ = false;
    int directionsRequests_ = 0;
    std::shared_ptr<Directions> directions_;
    std::weak_ptr<MapAnnotation> start_;  // the walk's start pin
    std::shared_ptr<MapPolyline> route_;  // the walking route, once it came
    SelectionFeedbackGenerator selectionFeedbackGenerator_;
    HeadingSubscription distanceSubscription_;
    HeadingSubscription mapSubscription_;
    NotificationCenter::Token siriToken_ = 0;
    NotificationCenter::Token countryToken_ = 0;
    std::weak_ptr<NotificationCenter> notifications_;
    std::shared_ptr<PlaceVC> me();
};

}  // namespace arquorel
