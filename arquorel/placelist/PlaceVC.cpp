#include "arquorel/placelist/PlaceVC.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "arquorel/placelist/Handoffs.h"
#include "arquorel/placelist/MicrodataTable.h"
#include "arquorel/placelist/PointsVC.h"
#include "arquorel/placelist/ReachabilityTest.h"
#include "arquorel/placelist/WebViewVC.h"
#include "arquorel/places/CategoryColor.h"
#include "arquorel/places/DistanceText.h"
#include "arquorel/places/LogoLoader.h"
#include "arquorel/places/SpokenPlace.h"
#include "arquorel/platform/maps/MapItem.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/Console.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/runtime/UserDefaults.h"
#include "arquorel/platform/sensors/Geodesy.h"
#include "arquorel/platform/system/MailService.h"
#include "arquorel/platform/ui/AlertController.h"
#include "arquorel/platform/ui/LayoutRegistry.h"
#include "arquorel/platform/ui/NavigationController.h"
#include "arquorel/platform/ui/Storyboard.h"
#include "arquorel/platform/web/DataLoader.h"
#include "arquorel/platform/web/ShareSheet.h"

namespace arquorel {

namespace {

constexpr Color kPageBackground{0.96, 0.96, 0.97, 1};
constexpr Color kTitleColor{62.0 / 255, 62.0 / 255, 68.0 / 255, 1};
constexpr Color kCaptionColor{0.45, 0.45, 0.48, 1};
constexpr Color kLinkColor{0.0, 0.42, 0.86, 1};
constexpr Color kRouteButtonColor{0.0, 0.48, 1.0, 1};
constexpr Color kPhoneButtonColor{0.2, 0.66, 0.33, 1};
constexpr double kMargin = 16;
constexpr double kBarHeight = 44;
constexpr double kIconSize = 44;
constexpr double kLogoSize = 55;
constexpr double kTagsHeight = 30;
constexpr double kRowHeight = 22;
constexpr double kPillHeight = 36;
constexpr double kButtonHeight = 44;
constexpr const char* kMapStyleMissing = "Unable to find style.json";

std::shared_ptr<Label> makeLabel(const char* identifier, Font font, const Color& color,
                                 int lines = 1) {
    auto label = std::make_shared<Label>();
    label->setIdentifier(identifier);
    label->setFont(std::move(font));
    label->setTextColor(color);
    label->setNumberOfLines(lines);
    return label;
}

std::shared_ptr<Button> makeButton(const char* identifier) {
    auto button = std::make_shared<Button>();
    button->setIdentifier(identifier);
    return button;
}

// The map style is looked up once per process; nothing depends on it.
void probeMapStyle() {
    static bool probed = false;
    if (probed) return;
    probed = true;
    if (!Bundle::framework().path("MapStyle", "json"))
        platformContext().console().writeLine(kMapStyleMissing);
}

}  // namespace

void registerPlaceDetailsLayout() {
    registerQuorelLayouts();
    auto& storyboard = LayoutRegistry::shared().defineStoryboard(kMainStoryboard);
    if (storyboard.hasScreen(kPlaceVCIdentifier)) return;
    storyboard.addScreen(kPlaceVCIdentifier, [] { return PlaceVC::make(); });
}

std::shared_ptr<PlaceVC> PlaceVC::make() {
    auto screen = std::shared_ptr<PlaceVC>(new PlaceVC());
    screen->mapp = std::make_shared<MapView>();
    return screen;
}

PlaceVC::~PlaceVC() {
    if (auto centre = notifications_.lock()) {
        if (siriToken_) centre->removeObserver(siriToken_);
        if (countryToken_) centre->removeObserver(countryToken_);
    }
}

std::shared_ptr<PlaceVC> PlaceVC::me() {
    return std::static_pointer_cast<PlaceVC>(shared_from_this());
}

// ---- The views ----------------------------------------------------------------------

void PlaceVC::loadView() {
    auto& bundle = Bundle::framework();
    const auto act = [weak = std::weak_ptr<PlaceVC>(me())](void (PlaceVC::*action)()) {
        return [weak, action](Control&) {
            if (auto self = weak.lock()) ((*self).*action)();
        };
    };
    auto root = std::make_shared<View>(platformContext().device().mainScreenBounds());
    root->setIdentifier("placeView");
    root->setBackgroundColor(kPageBackground);
    setView(root);

    scrollView = std::make_shared<ScrollView>();
    scrollView->setIdentifier("scrollView");
    scrollView->setShowsHorizontalScrollIndicator(false);
    root->addSubview(scrollView);
    const auto& content = scrollView->contentView();

    // Header: colour, icon or logo, name, tags, hours and address.
    ttopView = std::make_shared<View>();
    ttopView->setIdentifier("ttopView");
    content->addSubview(ttopView);
    iconIv = std::make_shared<ImageView>();
    iconIv->setIdentifier("iconIv");
    iconIv->setContentMode(ContentMode::scaleAspectFit);
    ttopView->addSubview(iconIv);
    titlelabel = makeLabel("titlelabel", Font::boldSystem(22), Color::white(), 3);
    ttopView->addSubview(titlelabel);
    tagsView = std::make_shared<View>();
    tagsView->setIdentifier("tagsView");
    ttopView->addSubview(tagsView);
    collectionView = std::make_shared<TagCloud>();
    collectionView->setScrollDirection(TagScrollDirection::horizontal);
    collectionView->setAlignment(TagAlignment::left);
    collectionView->setTagSelectionEnabled(false);
    collectionView->scrollView()->setShowsHorizontalScrollIndicator(false);
    tagsView->addSubview(collectionView);
    timeLabel = std::make_shared<InsetsLabel>();
    timeLabel->setIdentifier("timeLabel");
    adressLabel = std::make_shared<InsetsLabel>();
    adressLabel->setIdentifier("adressLabel");
    for (const auto& l : {timeLabel, adressLabel}) {
        l->setFont(Font::system(14));
        l->setTextColor(Color::white());
        l->setNumberOfLines(2);
        ttopView->addSubview(l);
    }

    // Distance pill, straddling the header's lower edge.
    distansBackView = std::make_shared<View>();
    distansBackView->setIdentifier("distansBackView");
    distansBackView->setBackgroundColor(Color::white());
    distansBackView->layer().cornerRadius = kPillHeight / 2;
    distansBackView->layer().shadowColor = Color::black();
    distansBackView->layer().shadowOpacity = 0.15;
    distansBackView->layer().shadowRadius = 4;
    distansBackView->layer().shadowOffset = {0, 2};
    content->addSubview(distansBackView);
    distanceLabel = makeLabel("distanceLabel", Font::boldSystem(15), kTitleColor);
    distansBackView->addSubview(distanceLabel);
    dirArrowSmall = std::make_shared<ImageView>(Rect{}, bundle.image("arrow"));
    dirArrowSmall->setIdentifier("dirArrowSmall");
    dirArrowSmall->setContentMode(ContentMode::scaleAspectFit);
    distansBackView->addSubview(dirArrowSmall);

    // The map, or the large arrow in its place.
    mapHolderView = std::make_shared<View>();
    mapHolderView->setIdentifier("mapHolderView");
    mapHolderView->setBackgroundColor(Color{0.9, 0.91, 0.93, 1});
    mapHolderView->layer().cornerRadius = 12;
    mapHolderView->setClipsToBounds(true);
    content->addSubview(mapHolderView);
    mapp->setIdentifier("mapp");
    dirArrow = std::make_shared<ImageView>(Rect{}, bundle.image("arrow"));
    dirArrow->setIdentifier("dirArrow");
    dirArrow->setContentMode(ContentMode::scaleAspectFit);
    mapClickButton = makeButton("mapClickButton");
    mapClickButton->addAction(ControlEvent::touchUpInside, act(&PlaceVC::largeMap));
    mapHolderView->addSubview(mapClickButton);

    // Actions.
    routeButton = makeButton("routeButton");
    routeButton->setImage(bundle.image("route"));
    routeButton->setBackgroundColor(kRouteButtonColor);
    routeButton->addAction(ControlEvent::touchUpInside, act(&PlaceVC::openRoute));
    phoneButton = makeButton("phoneButton");
    phoneButton->setImage(bundle.image("phone"));
    phoneButton->setBackgroundColor(kPhoneButtonColor);
    phoneButton->addAction(ControlEvent::touchUpInside, act(&PlaceVC::phoneClicked));
    for (const auto& b : {routeButton, phoneButton}) {
        b->setTitleColor(Color::white());
        b->setImageTintColor(Color::white());
        b->setTitleFont(Font::boldSystem(16));
        b->layer().cornerRadius = 10;
        content->addSubview(b);
    }
    favoriteButton = makeButton("favoriteButton");
    favoriteButton->setImage(bundle.image("favorite"));
    favoriteButton->setImage(bundle.image("favorite_selected"), ControlState::selected);
    favoriteButton->setBackgroundColor(Color::white());
    favoriteButton->layer().cornerRadius = 10;
    favoriteButton->addAction(ControlEvent::touchUpInside, act(&PlaceVC::favoriteClicked));
    content->addSubview(favoriteButton);

    // Contact rows: a caption over the value, the whole row a button.
    const auto row = [&](std::shared_ptr<Button>& button, std::shared_ptr<Label>& caption,
                         std::shared_ptr<Label>& value, const char* id, const char* captionId,
                         const char* valueId, void (PlaceVC::*action)()) {
        button = makeButton(id);
        button->setBackgroundColor(Color::white());
        button->addAction(ControlEvent::touchUpInside, act(action));
        caption = makeLabel(captionId, Font::system(13), kCaptionColor);
        value = makeLabel(valueId, Font::system(16), kLinkColor);
        value->setLineBreakMode(LineBreakMode::truncateTail);
        for (const auto& l : {caption, value}) {
            l->setUserInteractionEnabled(false);
            button->addSubview(l);
        }
        content->addSubview(button);
    };
    row(emailRow, emaillLabel, emailLabel, "emailRow", "emaillLabel", "emailLabel",
        &PlaceVC::openEmail);
    row(websiteRow, webLabel, websitelabel, "websiteRow", "webLabel", "websitelabel",
        &PlaceVC::openLink);
    row(facebookRow, facebookLabel, facebooklabel, "facebookRow", "facebookLabel", "facebooklabel",
        &PlaceVC::openLink2);
    row(wikipediaRow, wikipediaCaption, wikipediaLabel, "wikipediaRow", "wikipediaCaption",
        "wikipediaLabel", &PlaceVC::openWiki);

    // The bar over the scrolling content: back, the name while the map is enlarged, share.
    navbarBgView = std::make_shared<View>();
    navbarBgView->setIdentifier("navbarBgView");
    root->addSubview(navbarBgView);
    backButton = makeButton("backButton");
    backButton->setImage(bundle.image("back"));
    backButton->setImageTintColor(Color::white());
    backButton->addAction(ControlEvent::touchUpInside, act(&PlaceVC::back));
    navbarBgView->addSubview(backButton);
    shareButton = makeButton("shareButton");
    shareButton->setImage(bundle.image("share"));
    shareButton->setImageTintColor(Color::white());
    shareButton->addAction(ControlEvent::touchUpInside, act(&PlaceVC::share));
    navbarBgView->addSubview(shareButton);
    nameForTopLabel = makeLabel("nameForTopLabel", Font::boldSystem(17), Color::white());
    nameForTopLabel->setTextAlignment(TextAlignment::center);
    nameForTopLabel->setLineBreakMode(LineBreakMode::truncateTail);
    nameForTopLabel->setHidden(true);
    navbarBgView->addSubview(nameForTopLabel);
}

// ---- Loading ------------------------------------------------------------------------

void PlaceVC::setUpAccessibility() {
    backButton->accessibility().label = localized("back");
    shareButton->accessibility().label = localized("a11yShare");
    favoriteButton->accessibility().label = localized("a11yFavourite");
    titlelabel->accessibility().traits = AccessibilityTrait::header;
    // The category icon repeats the tags, read next; the tags read as one element.
    iconIv->accessibility().elementsHidden = true;
    tagsView->accessibility().isElement = true;
    // The distance reads with its direction (updateHeading), the map as the walk it shows.
    distansBackView->accessibility().isElement = true;
    mapClickButton->accessibility().label = localizedFormat("a11yMapOf", place->displayTitle());
    mapp->accessibility().elementsHidden = true;  // the map reads as one element, above
    // A reader's escape goes back as the back button does.
    view()->accessibility().escape = [weak = std::weak_ptr<PlaceVC>(me())] {
        auto self = weak.lock();
        if (!self) return false;
        self->backButton->sendActions(ControlEvent::touchUpInside);
        return true;
    };
}

void PlaceVC::viewDidLoad() {
    BaseVC::viewDidLoad();
    auto& context = platformContext();
    if (!place) {
        // Nothing to show: leave as soon as the presentation allows.
        context.console().writeLine("PlaceVC: no place to show");
        left_ = true;
        dismiss(false);
        return;
    }
    const auto self = me();
    setUpAccessibility();
    routeButton->setTitle(localized("routeButton"));
    phoneButton->setTitle(localized("callButton"));
    webLabel->setText(localized("web"));
    facebookLabel->setText(localized("fb"));
    emaillLabel->setText(localized("email"));
    wikipediaCaption->setText(localized("wikipedia"));
    selectionFeedbackGenerator_.prepare();
    notifications_ = context.weakNotificationCenter();
    siriToken_ = context.notificationCenter().addObserver(
        this, kFromSiriNotification, [weak = std::weak_ptr<PlaceVC>(self)](const auto&) {
            if (auto screen = weak.lock()) screen->fromSiri();
        });
    // The user's country reads the numbers of a place outside the country table: the call
    // button follows when the country becomes known or changes.
    countryToken_ = context.notificationCenter().addObserver(
        this, kCountryChangedNotification, [weak = std::weak_ptr<PlaceVC>(self)](const auto&) {
            // The enlarged map hides the buttons; closing it recomputes them.
            auto screen = weak.lock();
            if (!screen || screen->left_ || screen->enlarged_) return;
            screen->updateButtons();
            screen->view()->setNeedsLayout();
        });

    isKMType = !context.userDefaults().contains(kImperialUnitsKey);
    headerColor_ =
        place->category_color.empty() ? kLightGray : colorFromHexText(place->category_color, 1.0);
    ttopView->setBackgroundColor(headerColor_);
    // White reads on the category colours; on a light header (no colour) the text is dark.
    const double luminance =
        0.2126 * headerColor_.red + 0.7152 * headerColor_.green + 0.0722 * headerColor_.blue;
    lightHeader_ = luminance > 0.6;
    const Color ink = lightHeader_ ? kTitleColor : Color::white();
    for (const auto& l : {titlelabel, nameForTopLabel}) l->setTextColor(ink);
    for (const auto& l : {timeLabel, adressLabel}) l->setTextColor(ink);
    shareButton->setImageTintColor(ink);
    navbarBgView->setBackgroundColor(headerColor_);
    dirArrow->setTintColor(headerColor_);
    dirArrowSmall->setTintColor(headerColor_);
    probeMapStyle();

    mapp->showsUserLocation = true;
    mapp->showsCompass = false;
    mapp->setUserInteractionEnabled(false);
    mapp->setDelegate(std::static_pointer_cast<MapViewDelegate>(self));
    connected_ = ReachabilityTest::isConnectedToNetwork();
    if (connected_) {
        dirArrow->setHidden(true);
        mapHolderView->insertSubview(mapp, 0);
    } else {
        mapHolderView->insertSubview(dirArrow, 0);
    }

    const auto& manager = LocationManager::sharedInstance();
    const auto& location = manager->latestLocation();
    const Coordinate target{place->lat, place->lng};
    if (isValid(target)) courseStartLocation = target;

    mixroTableview = MicrodataTable::create(*place);
    mixroTableview->setIdentifier("mixroTableview");
    scrollView->contentView()->addSubview(mixroTableview);
    fillContactRows();

    // The distance follows every heading report, also when the position only comes later.
    updateHeading(manager->latestHeading());
    distanceSubscription_ = manager->addHeadingCallback(
        [weak = std::weak_ptr<PlaceVC>(self)](std::optional<double> heading) {
            if (auto screen = weak.lock()) screen->updateHeading(heading);
        });
    requestRoute();
    cameraPosition = makeCamera();
    mapp->setUserLocation(location);
    mapp->setCamera(*cameraPosition, true);

    updateButtons();
    favoriteButton->setSelected(false);
    shareButton->setEnabled(!shareItems(*place, context.urlService()).empty());
    shareButton->setAlpha(shareButton->isEnabled() ? 1 : 0.35);
    fillTitle();
    mapSubscription_ = manager->addHeadingCallback(
        [weak = std::weak_ptr<PlaceVC>(self)](std::optional<double> heading) {
            if (auto screen = weak.lock()) screen->followHeading(heading);
        });
}

void PlaceVC::fillContactRows() {
    auto& urls = platformContext().urlService();
    mailAddresses = arquorel::mailRecipients(place->email);
    std::string shown;
    for (const auto& a : mailAddresses) shown += (shown.empty() ? "" : ", ") + a;
    emailLabel->setText(shown);
    websiteURL = webLinkURL(place->link, urls).value_or("");
    websitelabel->setText(websiteURL);
    facebookURL = webLinkURL(place->facebook, urls).value_or("");
    facebooklabel->setText(facebookURL);
    placeWikiPedia = encyclopediaURL(place->wikipedia).value_or("");
    // The row shows the article's title, without its language.
    const auto colon = place->wikipedia.find(':');
    wikipediaLabel->setText(placeWikiPedia.empty() || colon == std::string::npos
                                ? ""
                                : place->wikipedia.substr(colon + 1));
    emailRow->setHidden(mailAddresses.empty());
    websiteRow->setHidden(websiteURL.empty());
    facebookRow->setHidden(facebookURL.empty());
    wikipediaRow->setHidden(placeWikiPedia.empty());
}

void PlaceVC::fillTitle() {
    auto& bundle = Bundle::framework();
    titlelabel->setText(place->displayTitle());
    nameForTopLabel->setText(place->displayTitle());
    if (auto icon = bundle.image("cat_" + std::to_string(place->category_id))) {
        iconIv->setImage(std::move(icon));
        iconIv->setTintColor(lightHeader_ ? kTitleColor : Color::white());
        iconIv->setHidden(false);
        nameForTopLabel->setText(place->displayTitle() + " ");
    } else {
        iconIv->setHidden(true);
    }
    hasLogo_ = place->logo.size() >= 2 && !checkLoadableAddress(place->logo);
    if (hasLogo_) loadLogo();

    if (place->opening_hours.empty()) {
        timeLabel->setText({});
    } else {
        std::string hours = place->opening_hours;
        std::replace(hours.begin(), hours.end(), ';', ',');
        timeLabel->setText(hours + " ",
                           bundle.image(lightHeader_ ? "clock_icon" : "clock_icon_white"), {14, 14},
                           ImagePosition::left);
    }
    // Without a house number the address starts with a space; the row shows it trimmed.
    std::string address = place->displayAddress();
    address.erase(0, address.find_first_not_of(' '));
    address.erase(address.find_last_not_of(' ') + 1);
    if (address.empty())
        adressLabel->setText({});
    else
        adressLabel->setText(address + " ", bundle.image(lightHeader_ ? "addr" : "addr_white"),
                             {13, 17}, ImagePosition::left);
    rebuildTags();
}

void PlaceVC::loadLogo() {
    iconIv->layer().cornerRadius = 3;
    iconIv->setClipsToBounds(true);
    const std::string address = place->logo;
    LogoLoader::shared().load(address, [weak = std::weak_ptr<PlaceVC>(me()),
                                        address](std::shared_ptr<const Image> image) {
        auto self = weak.lock();
        // A late answer for a screen that has gone, or a logo that did not load, changes
        // nothing: the category icon stays.
        if (!self || self->left_ || !image || !self->place || self->place->logo != address) return;
        self->iconIv->setHidden(false);
        self->iconIv->setTintColor(std::nullopt);
        self->iconIv->setBackgroundColor(Color::white());
        self->iconIv->setImage(std::move(image));
    });
}

void PlaceVC::rebuildTags() {
    collectionView->removeAllTags();
    TagStyle style;
    style.font = Font::boldSystem(12);
    const Color ink = lightHeader_ ? kTitleColor : Color::white();
    style.textColor = style.selectedTextColor = ink;
    style.backgroundColor = style.selectedBackgroundColor = headerColor_;
    style.borderColor = style.selectedBorderColor = ink.withAlpha(0.6);
    style.borderWidth = style.selectedBorderWidth = 1;
    style.cornerRadius = style.selectedCornerRadius = 4;
    style.extraSpace = {8, 14};
    for (const PlaceText* field : {&place->parent_category_title, &place->category})
        if (!field->empty()) collectionView->addTag(*field + "  ", style);
    collectionView->reload();
    tagsView->setHidden(collectionView->tagCount() == 0);
}

void PlaceVC::updateButtons() {
    auto& context = platformContext();
    const auto& location = LocationManager::sharedInstance()->latestLocation();
    const std::optional<Coordinate> user =
        location ? std::optional(location->coordinate) : std::nullopt;
    routeButton->setHidden(!routePlan(*place, user, context.urlService(), context.application()));
    const auto choices = phoneChoicesNow();
    phoneNumbers.clear();
    for (const auto& c : choices) phoneNumbers.push_back(c.e164);
    phoneButton->setHidden(phoneNumbers.empty());
}

// ---- Distance, arrows and the map camera ---------------------------------------------

void PlaceVC::updateHeading(std::optional<double> heading) {
    if (!place) return;
    const auto& location = LocationManager::sharedInstance()->latestLocation();
    const bool known = location.has_value() && courseStartLocation.has_value();
    distanceLabel->setHidden(!known);
    distansBackView->setHidden(!known);
    // An arrow turned by a heading that is not known would point somewhere at random: the
    // arrows wait for the compass.
    dirArrowSmall->setHidden(!known || !heading);
    // The large arrow stands in for the map only while offline.
    if (!connected_) dirArrow->setHidden(!known || !heading);
    if (!known) {
        distanceLabel->setText({});
        return;
    }
    const Location target(courseStartLocation->latitude, courseStartLocation->longitude);
    const double metres = distance(*location, target);
    distansBackView->accessibility().label = placeReading(
        {}, {}, metres,
        heading ? directionWords(LocationManager::bearingBetween(*location, target), *heading)
                : std::string());
    std::string text = "  " + distanceText(metres, !isKMType) + "  ";
    if (text != distanceLabel->text()) {
        distanceLabel->setText(std::move(text));
        view()->setNeedsLayout();
    }
    if (!heading) return;
    const double angle = 360 - *heading + LocationManager::bearingBetween(*location, target);
    const Transform turn = Transform::rotation(angle * std::numbers::pi / 180);
    View::animate(kArrowAnimation, [&] {
        dirArrow->setTransform(turn);
        dirArrowSmall->setTransform(turn);
    });
}

MapCamera PlaceVC::makeCamera() const {
    const auto& location = LocationManager::sharedInstance()->latestLocation();
    const Coordinate target = courseStartLocation.value_or(Coordinate{0, 0});
    if (location && courseStartLocation) {
        // Far enough up to see the place, never so low that the streets fill the view.
        const double d = distance(*location, Location(target.latitude, target.longitude));
        const double altitude = std::max(kMinimumAltitude, kAltitudePerMetre * d);
        return MapCamera::lookingAt(location->coordinate, location->coordinate, altitude);
    }
    if (location)
        return MapCamera::lookingAt(location->coordinate, location->coordinate, kPlaceAltitude);
    return MapCamera::lookingAt(target, target, kPlaceAltitude);
}

void PlaceVC::followHeading(std::optional<double> heading) {
    if (!place || left_) return;
    MapCamera camera = makeCamera();
    cameraPosition = camera;
    mapp->setUserLocation(LocationManager::sharedInstance()->latestLocation());
    if (enlarged_) return;  // the user moves the enlarged map
    if (heading) camera.heading = *heading;
    mapp->setCamera(camera, true);
}

void PlaceVC::requestRoute() {
    if (!courseStartLocation) return;
    const Coordinate target = *courseStartLocation;
    auto destination = std::make_shared<MapAnnotation>();
    destination->coordinate = target;
    destination->title = place->displayTitle();
    const auto& location = LocationManager::sharedInstance()->latestLocation();
    if (!location) {
        mapp->addAnnotation(destination);
        mapp->setRegion({target, kNoLocationSpan, kNoLocationSpan}, true);
        return;
    }
    auto start = std::make_shared<MapAnnotation>();
    start->coordinate = location->coordinate;
    start_ = start;
    mapp->addAnnotations({start, destination});
    mapp->showAnnotations(mapp->annotations(), true);

    directions_ = platformContext().makeDirections();
    ++directionsRequests_;
    directions_->calculate({location->coordinate, target}, [weak = std::weak_ptr<PlaceVC>(me())](
                                                               const DirectionsResponse& response) {
        auto self = weak.lock();
        if (!self || self->left_) return;
        auto& console = platformContext().console();
        if (response.error) {
            console.writeLine("Error: " + *response.error);
            return;
        }
        // No route between the two points: the two pins stay, without a line.
        if (response.routes.empty() || response.routes.front().polyline.size() < 2) {
            console.writeLine("No walking route to " + self->place->displayTitle());
            return;
        }
        self->route_ = std::make_shared<MapPolyline>(response.routes.front().polyline);
        self->mapClickButton->accessibility().label =
            localizedFormat("a11yWalkingRoute", spokenDistance(response.routes.front().distance),
                            self->place->displayTitle());
        self->mapp->addOverlay(self->route_, OverlayLevel::aboveRoads);
        // The map shows the whole walk; the enlarged map stays north up.
        if (const auto region = self->walkRegion()) self->mapp->setRegion(*region, true);
    });
}

std::optional<MapRegion> PlaceVC::walkRegion() const {
    std::vector<Coordinate> points;
    for (const auto& a : mapp->annotations())
        if (isValid(a->coordinate)) points.push_back(a->coordinate);
    if (route_) points.insert(points.end(), route_->points.begin(), route_->points.end());
    if (points.size() < 2) return std::nullopt;
    // A margin of 15 % on every side keeps the pins whole at the edges.
    return regionAround(boxAround(points), 1.3);
}

std::optional<PolylineRenderer> PlaceVC::rendererForOverlay(MapView&, const MapPolyline&) {
    return PolylineRenderer{kRouteColor, kRouteWidth};
}

std::shared_ptr<MapAnnotationView> PlaceVC::viewForAnnotation(
    MapView& map, const std::shared_ptr<MapAnnotation>& annotation) {
    if (std::dynamic_pointer_cast<UserLocationAnnotation>(annotation)) {
        auto view = map.dequeueReusableAnnotationView("user");
        if (!view) view = std::make_shared<MapAnnotationView>(annotation, "user");
        view->setImage(Bundle::framework().image("1"));
        view->setFrame({0, 0, 22, 22});
        return view;
    }
    auto view = map.dequeueReusableAnnotationView("demo");
    if (!view) view = std::make_shared<MapAnnotationView>(annotation, "demo");
    view->canShowCallout = true;
    view->setImage(nullptr);
    view->setBackgroundColor(Color::clear());
    view->layer().borderWidth = 0;
    if (annotation == start_.lock()) {
        // The walk's start lies under the user's own dot: a small mark that the dot covers.
        view->setFrame({0, 0, 8, 8});
        view->setBackgroundColor(headerColor_);
        view->layer().cornerRadius = 4;
    } else {
        view->setFrame({0, 0, 30, 30});
        view->setImage(Bundle::framework().image("2"));
        view->setTintColor(headerColor_);
    }
    return view;
}

// ---- Appearing and layout -----------------------------------------------------------

void PlaceVC::viewDidAppear(bool animated) {
    BaseVC::viewDidAppear(animated);
    View::animate(0.1, [this] { view()->layoutIfNeeded(); });
}

void PlaceVC::viewWillDisappear(bool animated) {
    BaseVC::viewWillDisappear(animated);
    if (fromPointsVC) return;
    if (auto nav = navigationController()) nav->setNavigationBarHidden(false, animated);
}

double PlaceVC::layoutHeader(double w, double y) {
    const double iconSize = iconIv->isHidden() ? 0 : (hasLogo_ ? kLogoSize : kIconSize);
    iconIv->setFrame({kMargin, y + 2, iconSize, iconSize});
    const double textX = kMargin + (iconSize > 0 ? iconSize + 12 : 0);
    const double textWidth = std::max(1.0, w - textX - kMargin);
    const double titleHeight = titlelabel->sizeThatFits({textWidth, 0}).height;
    titlelabel->setFrame(
        {textX, y + std::max(0.0, (iconSize - titleHeight) / 2), textWidth, titleHeight});
    y += std::max(iconSize + 2, titleHeight) + 12;
    if (!tagsView->isHidden()) {
        tagsView->setFrame({kMargin, y, w - 2 * kMargin, kTagsHeight});
        collectionView->setFrame(tagsView->bounds());
        collectionView->layoutIfNeeded();
        y += kTagsHeight + 10;
    }
    const double rowWidth = w - 2 * kMargin;
    for (const auto& l : {timeLabel, adressLabel}) {
        const bool shown = !l->text().empty();
        l->setHidden(!shown);
        const double h = shown ? std::max(kRowHeight, l->sizeThatFits({rowWidth, 0}).height) : 0;
        l->setFrame({kMargin, y, rowWidth, h});
        if (shown) y += h + 4;
    }
    return y + kPillHeight / 2 + 10;
}

double PlaceVC::layoutContent(double w, double y) {
    // The distance pill sits on the header's lower edge, right-aligned.
    const Size text = distanceLabel->sizeThatFits({0, 0});
    const double pillWidth = text.width + 34 + 8;
    distansBackView->setFrame(
        {w - kMargin - pillWidth, y - kPillHeight / 2, pillWidth, kPillHeight});
    distanceLabel->setFrame({6, 0, text.width, kPillHeight});
    const Transform turn = dirArrowSmall->transform();
    dirArrowSmall->setTransform({});
    dirArrowSmall->setFrame({pillWidth - 34, 6, 24, 24});
    dirArrowSmall->setTransform(turn);
    y += kPillHeight / 2 + 12;

    const double scrollHeight = scrollView->bounds().height();
    if (enlarged_) {
        mapHolderView->setFrame({0, y, w, scrollHeight});
        mapHolderView->layer().cornerRadius = 0;
    } else {
        mapHolderView->setFrame({kMargin, y, w - 2 * kMargin, kMapHeight});
        mapHolderView->layer().cornerRadius = 12;
    }
    const Rect holder = mapHolderView->bounds();
    mapp->setFrame(holder);
    mapClickButton->setFrame(holder);
    const Transform arrowTurn = dirArrow->transform();
    dirArrow->setTransform({});
    const double arrow = std::min(120.0, holder.height() * 0.6);
    dirArrow->setFrame({holder.midX() - arrow / 2, holder.midY() - arrow / 2, arrow, arrow});
    dirArrow->setTransform(arrowTurn);
    y += mapHolderView->frame().height() + 16;

    // Route and call share the row; the favourite button ends it.
    const double favourite = kButtonHeight;
    const double room = w - 2 * kMargin - favourite - 8;
    const bool route = !routeButton->isHidden(), phone = !phoneButton->isHidden();
    const double each = route && phone ? (room - 8) / 2 : room;
    double x = kMargin;
    if (route) {
        routeButton->setFrame({x, y, each, kButtonHeight});
        x += each + 8;
    }
    if (phone) phoneButton->setFrame({x, y, each, kButtonHeight});
    favoriteButton->setFrame({w - kMargin - favourite, y, favourite, kButtonHeight});
    y += kButtonHeight + 16;

    const std::pair<Button*, std::pair<Label*, Label*>> rows[] = {
        {emailRow.get(), {emaillLabel.get(), emailLabel.get()}},
        {websiteRow.get(), {webLabel.get(), websitelabel.get()}},
        {facebookRow.get(), {facebookLabel.get(), facebooklabel.get()}},
        {wikipediaRow.get(), {wikipediaCaption.get(), wikipediaLabel.get()}},
    };
    for (const auto& [button, labels] : rows) {
        if (button->isHidden()) continue;
        button->setFrame({0, y, w, kContactRowHeight - 1});
        labels.first->setFrame({kMargin, 9, w - 2 * kMargin, 18});
        labels.second->setFrame({kMargin, 28, w - 2 * kMargin, 22});
        y += kContactRowHeight;
    }
    if (mixroTableview) {
        const double h = mixroTableview->contentHeight();
        mixroTableview->setFrame({0, y + (h > 0 ? 8 : 0), w, h});
        y += h > 0 ? h + 8 : 0;
    }
    return y + 24;
}

void PlaceVC::viewDidLayoutSubviews() {
    BaseVC::viewDidLayoutSubviews();
    const Rect screen = view()->bounds();
    const double w = screen.width();
    const double top = screen.height() >= 812 ? 44 : 20;
    navbarBgView->setFrame({0, 0, w, top + kBarHeight});
    const Transform turn = backButton->transform();
    backButton->setTransform({});
    backButton->setFrame({4, top, 44, kBarHeight});
    backButton->setTransform(turn);
    shareButton->setFrame({w - 48, top, 44, kBarHeight});
    nameForTopLabel->setFrame({52, top, w - 104, kBarHeight});
    scrollView->setFrame({0, top + kBarHeight, w, screen.height() - top - kBarHeight});

    const double headerHeight = layoutHeader(w, 4);
    ttopView->setFrame({0, 0, w, headerHeight});
    const double contentHeight = layoutContent(w, headerHeight);
    scrollView->setContentSize({w, contentHeight});
}

// ---- Enlarging the map and leaving ---------------------------------------------------

void PlaceVC::largeMap() {
    if (!connected_ || !dirArrow->isHidden() || enlarged_ || left_) return;
    enlarged_ = true;
    // The enlarged map takes touches: a reader reaches it as one element reading the walk.
    mapp->accessibility().elementsHidden = false;
    mapp->accessibility().isElement = true;
    mapp->accessibility().label = mapClickButton->accessibility().label;
    nameForTopLabel->setHidden(false);
    mapheight = mapHolderView->frame().height();
    mapp->setUserInteractionEnabled(true);
    mapClickButton->setUserInteractionEnabled(false);
    routeButton->setHidden(true);
    phoneButton->setHidden(true);
    scrollView->setScrollEnabled(false);
    view()->setNeedsLayout();
    view()->layoutIfNeeded();
    fitWalk();
    View::animate(kEnlargeAnimation, [this] {
        backButton->setTransform(Transform::rotation(-std::numbers::pi / 2));
        scrollView->setContentOffset({0, mapHolderView->frame().minY()});
    });
}

void PlaceVC::fitWalk() {
    // The enlarged map opens north up on the whole walk: both pins and the route.
    const auto region = walkRegion();
    if (!region) return;
    MapCamera upright = mapp->camera();
    upright.heading = 0;
    mapp->setCamera(upright);
    mapp->setRegion(*region, true);
}

void PlaceVC::back() {
    if (left_) return;
    if (enlarged_) {
        enlarged_ = false;
        mapp->accessibility().elementsHidden = true;
        updateButtons();
        if (cameraPosition) mapp->setCamera(*cameraPosition, true);
        mapClickButton->setUserInteractionEnabled(true);
        mapp->setUserInteractionEnabled(false);
        nameForTopLabel->setHidden(true);
        scrollView->setScrollEnabled(true);
        view()->setNeedsLayout();
        view()->layoutIfNeeded();
        View::animate(kEnlargeAnimation, [this] {
            backButton->setTransform({});
            scrollView->setContentOffset({0, 0});
        });
        return;
    }
    left_ = true;
    mapp->mapType = mapp->mapType == MapType::standard ? MapType::hybrid : MapType::standard;
    mapp->showsUserLocation = false;
    mapp->setDelegate({});
    mapp->removeFromSuperview();
    LogoLoader::shared().emptyCache();
    distanceSubscription_.cancel();
    mapSubscription_.cancel();
    if (auto list = delegate.lock(); list && fromPointsVC) {
        list->isPlaceVCShowed = false;
        list->startRaiseToClose();
    }
    dismiss(true);
}

void PlaceVC::favoriteClicked() {
    selectionFeedbackGenerator_.selectionChanged();
    favoriteButton->setSelected(!favoriteButton->isSelected());
}

void PlaceVC::fromSiri() {
    if (auto nav = navigationController()) nav->popToRootViewController(false);
    if (left_ || !presentingViewController()) return;
    // A page, sheet or alert shown over the details closes first, then the details. The screen
    // counts as left only once it is gone: until then back and the hand-offs still work.
    const auto leave = [weak = std::weak_ptr<PlaceVC>(me())] {
        auto self = weak.lock();
        if (!self || self->left_ || !self->presentingViewController()) return;
        self->dismiss(false, [weak] {
            if (auto gone = weak.lock()) gone->left_ = true;
        });
    };
    if (presentedViewController())
        dismiss(false, leave);
    else
        leave();
}

// ---- Hand-offs ----------------------------------------------------------------------

void PlaceVC::present(std::shared_ptr<ViewController> screen) {
    if (!screen || left_ || presentedViewController()) return;
    ViewController::present(std::move(screen), true);
}

void PlaceVC::openRoute() {
    if (!courseStartLocation || !place) return;
    auto& context = platformContext();
    const auto& location = LocationManager::sharedInstance()->latestLocation();
    auto plan = routePlan(*place, location ? std::optional(location->coordinate) : std::nullopt,
                          context.urlService(), context.application());
    if (!plan) return;
    if (plan->apps.empty()) {
        arquorel::openRoute(*plan, nullptr, context.application(), context.mapsApplication());
        return;
    }
    auto sheet = makeRouteSheet(*plan, [plan = *plan](const RouteApp* app) {
        auto& c = platformContext();
        arquorel::openRoute(plan, app, c.application(), c.mapsApplication());
    });
    sheet->popoverSourceView = view();
    sheet->popoverSourceRect = {view()->bounds().midX(), view()->bounds().midY(), 0, 0};
    present(sheet);
}

std::vector<PhoneChoice> PlaceVC::phoneChoicesNow() const {
    // Numbers without a country code are the place's country's, not the user's.
    const auto region =
        phoneRegion({place->lat, place->lng}, LocationManager::sharedInstance()->country());
    return phoneChoices(place->phone, region, platformContext().phoneNumberService());
}

void PlaceVC::call(const PhoneChoice& choice) {
    placeCall(platformContext().application(), choice, [weak = std::weak_ptr<PlaceVC>(me())] {
        if (auto self = weak.lock()) self->present(makeCallFailedAlert());
    });
}

void PlaceVC::phoneClicked() {
    if (!place) return;
    const auto choices = phoneChoicesNow();
    if (choices.empty()) return;
    if (choices.size() == 1) {
        call(choices.front());
        return;
    }
    present(makePhoneChoiceSheet(choices, [weak = std::weak_ptr<PlaceVC>(me())](const auto& c) {
        if (auto self = weak.lock()) self->call(c);
    }));
}

void PlaceVC::openEmail() {
    if (mailAddresses.empty()) return;
    auto& mail = platformContext().mailService();
    if (!mail.canSendMail()) {
        present(makeNoMailAlert());
        return;
    }
    mail.compose({mailAddresses, {}, {}},
                 [weak = std::weak_ptr<PlaceVC>(me())](const MailComposeOutcome& outcome) {
                     auto self = weak.lock();
                     if (self && outcome.result == MailComposeResult::failed)
                         self->present(makeMailFailedAlert(outcome.error));
                 });
}

void PlaceVC::openWebPage(const std::string& address) {
    if (address.empty()) return;
    auto page = WebViewVC::create();
    page->hideNavigation = true;
    page->url = address;
    page->navTitle = titlelabel->text();
    present(page);
}

void PlaceVC::openLink() {
    openWebPage(websiteURL);
}

void PlaceVC::openLink2() {
    openWebPage(facebookURL);
}

void PlaceVC::openWiki() {
    // In the app's web page only: switching to the browser as well would leave the user two
    // copies of the article.
    openWebPage(placeWikiPedia);
}

void PlaceVC::share() {
    if (!place) return;
    auto items = shareItems(*place, platformContext().urlService());
    if (items.empty()) return;
    auto sheet = ShareSheetController::create(std::move(items));
    sheet->popoverSourceView = view();
    present(sheet);
}

}  // namespace arquorel
