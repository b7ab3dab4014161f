#include "arquorel/places/QuorelVC.h"

#include <algorithm>
#include <cmath>

#include "arquorel/arcore/NearestSelection.h"
#include "arquorel/arscreen/LocationManager.h"
#include "arquorel/arscreen/RadarAnimation.h"
#include "arquorel/arscreen/RadarView.h"
#include "arquorel/places/CategoryColor.h"
#include "arquorel/places/SpokenPlace.h"
#include "arquorel/places/ToolTipEstate.h"
#include "arquorel/platform/camera/CameraService.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/sensors/Geodesy.h"
#include "arquorel/platform/sensors/MotionService.h"
#include "arquorel/platform/ui/AlertController.h"
#include "arquorel/platform/ui/Button.h"
#include "arquorel/platform/ui/GestureRecognizer.h"
#include "arquorel/platform/ui/ImageView.h"
#include "arquorel/platform/ui/Label.h"
#include "arquorel/platform/ui/LayoutConstraint.h"
#include "arquorel/platform/ui/LayoutRegistry.h"
#include "arquorel/platform/ui/NavigationController.h"
#include "arquorel/platform/ui/Storyboard.h"

namespace arquorel {

namespace {

constexpr double kHintFade = 0.2;
constexpr double kHintSwitch = 0.1;
constexpr double kRelayoutDuration = 0.5;
constexpr double kRadarMargin = 12;
constexpr double kTopMargin = 48;
constexpr Color kHintBackground{0.02, 0.06, 0.09, 0.86};
constexpr Color kAccent{35 / 255.0, 210 / 255.0, 214 / 255.0, 1};

using Attr = LayoutAttribute;

std::shared_ptr<Label> hintLabel(const std::string& name, Font font, TextAlignment alignment) {
    auto label = std::make_shared<Label>();
    label->setIdentifier(name);
    label->setFont(std::move(font));
    label->setTextColor(Color::white());
    label->setTextAlignment(alignment);
    label->setNumberOfLines(0);
    label->setUserInteractionEnabled(false);
    return label;
}

// Pins `view` horizontally inside its superview with `inset` on both sides and gives it a
// height; its top follows `top`.
void pinRow(const std::shared_ptr<View>& view, const std::shared_ptr<LayoutConstraint>& top,
            double inset, double height) {
    const auto parent = view->superview();
    LayoutConstraint::activate(
        {top, LayoutConstraint::make(view, Attr::left, parent, Attr::left, inset),
         LayoutConstraint::make(view, Attr::right, parent, Attr::right, -inset),
         LayoutConstraint::make(view, Attr::height, height)});
}

bool isTallScreen(const Rect& screen) {
    return screen.width() == 414 || screen.height() == 812 || screen.height() == 896;
}

}  // namespace

void registerQuorelLayouts() {
    registerToolTipEstateLayout();
    auto& storyboard = LayoutRegistry::shared().defineStoryboard(kMainStoryboard);
    if (storyboard.hasScreen(kQuorelVCIdentifier)) return;
    storyboard.addScreen(kQuorelVCIdentifier, [] { return ARViewController::make<QuorelVC>(); });
    storyboard.addSegue(kQuorelVCIdentifier, kPointTableSegue, "PointsVC");
}

std::shared_ptr<QuorelVC> QuorelVC::make() {
    registerQuorelLayouts();
    return ARViewController::make<QuorelVC>();
}

QuorelVC::QuorelVC()
    : radarFeed_(
          std::make_unique<RadarFeed>(RadarView::create(), [this] { return makeRadarPoints(); })),
      motionManager_(platformContext().makeMotionService()) {}

QuorelVC::~QuorelVC() {
    if (auto center = reloadCenter_.lock()) center->removeObserver(this);
}

std::shared_ptr<QuorelVC> QuorelVC::me() {
    return std::static_pointer_cast<QuorelVC>(shared_from_this());
}

void QuorelVC::initialize() {
    ARViewController::initialize();
    const auto self = me();
    setDataSource(self);
    trackingManager().setLocDelegate(self);
}

// ---- The layout ----------------------------------------------------------------------

void QuorelVC::loadView() {
    auto root = std::make_shared<View>(platformContext().device().mainScreenBounds());
    setView(root);
    auto& bundle = Bundle::framework();

    loadingView = std::make_shared<ImageView>(Rect{0, 0, RadarView::kSize, RadarView::kSize},
                                              bundle.image("radar_disc"));
    loadingView->setIdentifier("loadingView");
    root->addSubview(loadingView);
    LayoutConstraint::activate(
        {LayoutConstraint::make(loadingView, Attr::centerX, root, Attr::centerX),
         LayoutConstraint::make(loadingView, Attr::centerY, root, Attr::centerY),
         LayoutConstraint::make(loadingView, Attr::width, RadarView::kSize),
         LayoutConstraint::make(loadingView, Attr::height, RadarView::kSize)});

    // Hint 1: how to look around, a picture above a title and two lines of text.
    help1View = std::make_shared<View>();
    help1View->setIdentifier("help1View");
    help1View->setBackgroundColor(kHintBackground);
    root->addSubview(help1View);
    pinEdges(help1View);
    auto picture = std::make_shared<ImageView>(Rect{}, bundle.image("hint_look"));
    picture->setIdentifier("hintImage");
    picture->setContentMode(ContentMode::scaleAspectFit);
    help1View->addSubview(picture);
    imageTopConstrait = LayoutConstraint::make(picture, Attr::top, help1View, Attr::top, 90);
    imageTopConstrait->setIdentifier("imageTopConstrait");
    LayoutConstraint::activate(
        {imageTopConstrait,
         LayoutConstraint::make(picture, Attr::centerX, help1View, Attr::centerX),
         LayoutConstraint::make(picture, Attr::width, 120),
         LayoutConstraint::make(picture, Attr::height, 120)});
    quorelHintTitle1 = hintLabel("quorelHintTitle1", Font::boldSystem(26), TextAlignment::center);
    help1View->addSubview(quorelHintTitle1);
    titleTopConstrait =
        LayoutConstraint::make(quorelHintTitle1, Attr::top, picture, Attr::bottom, 12);
    titleTopConstrait->setIdentifier("titleTopConstrait");
    pinRow(quorelHintTitle1, titleTopConstrait, 24, 34);
    quorelHintDescription1 =
        hintLabel("quorelHintDescription1", Font::system(17), TextAlignment::center);
    help1View->addSubview(quorelHintDescription1);
    pinRow(quorelHintDescription1,
           LayoutConstraint::make(quorelHintDescription1, Attr::top, quorelHintTitle1, Attr::bottom,
                                  16),
           32, 72);
    quorelHintDescription11 =
        hintLabel("quorelHintDescription11", Font::system(17), TextAlignment::center);
    help1View->addSubview(quorelHintDescription11);
    pinRow(quorelHintDescription11,
           LayoutConstraint::make(quorelHintDescription11, Attr::top, quorelHintDescription1,
                                  Attr::bottom, 12),
           32, 72);
    tapOrSwipeLabel = hintLabel("tapOrSwipeLabel", Font::system(15), TextAlignment::center);
    tapOrSwipeLabel->setTextColor(kAccent);
    help1View->addSubview(tapOrSwipeLabel);
    pinRow(tapOrSwipeLabel,
           LayoutConstraint::make(tapOrSwipeLabel, Attr::bottom, help1View, Attr::bottom, -56), 24,
           22);

    // Hint 2: the radar. The overlay lies under the radar so that the radar stands out.
    help2View = std::make_shared<View>();
    help2View->setIdentifier("help2View");
    help2View->setBackgroundColor(kHintBackground);
    root->addSubview(help2View);
    pinEdges(help2View);
    radarLabel = hintLabel("radarLabel", Font::boldSystem(15), TextAlignment::right);
    radarLabel->setTextColor(kAccent);
    help2View->addSubview(radarLabel);
    LayoutConstraint::activate(
        {LayoutConstraint::make(radarLabel, Attr::top, help2View, Attr::top,
                                kTopMargin + RadarView::kSize + 6),
         LayoutConstraint::make(radarLabel, Attr::right, help2View, Attr::right, -kRadarMargin),
         LayoutConstraint::make(radarLabel, Attr::width, 160),
         LayoutConstraint::make(radarLabel, Attr::height, 20)});
    quorelHintTitle2 = hintLabel("quorelHintTitle2", Font::boldSystem(26), TextAlignment::center);
    help2View->addSubview(quorelHintTitle2);
    pinRow(quorelHintTitle2,
           LayoutConstraint::make(quorelHintTitle2, Attr::centerY, help2View, Attr::centerY, -40),
           24, 34);
    quorelDescription2 = hintLabel("quorelDescription2", Font::system(17), TextAlignment::center);
    help2View->addSubview(quorelDescription2);
    pinRow(
        quorelDescription2,
        LayoutConstraint::make(quorelDescription2, Attr::top, quorelHintTitle2, Attr::bottom, 16),
        32, 72);
    auto tapOrSwipe2 = hintLabel("tapOrSwipeLabel2", Font::system(15), TextAlignment::center);
    tapOrSwipe2->setTextColor(kAccent);
    help2View->addSubview(tapOrSwipe2);
    pinRow(tapOrSwipe2,
           LayoutConstraint::make(tapOrSwipe2, Attr::bottom, help2View, Attr::bottom, -56), 24, 22);

    // The radar's corner.
    contentView = std::make_shared<View>();
    contentView->setIdentifier("contentView");
    root->addSubview(contentView);
    LayoutConstraint::activate(
        {LayoutConstraint::make(contentView, Attr::top, root, Attr::top, kTopMargin),
         LayoutConstraint::make(contentView, Attr::right, root, Attr::right, -kRadarMargin),
         LayoutConstraint::make(contentView, Attr::width, RadarView::kSize),
         LayoutConstraint::make(contentView, Attr::height, RadarView::kSize)});

    // The allow-access button at the bottom.
    contentView2 = std::make_shared<View>();
    contentView2->setIdentifier("contentView2");
    allovCameraAccessButton = std::make_shared<Button>();
    allovCameraAccessButton->setIdentifier("allovCameraAccessButton");
    allovCameraAccessButton->setTitleColor(Color::white());
    allovCameraAccessButton->setTitleFont(Font::boldSystem(16));
    allovCameraAccessButton->setBackgroundColor(kAccent.withAlpha(0.9));
    allovCameraAccessButton->layer().cornerRadius = 22;
    allovCameraAccessButton->setHidden(true);
    contentView2->addSubview(allovCameraAccessButton);
    pinEdges(allovCameraAccessButton);

    backbutton = std::make_shared<Button>();
    backbutton->setIdentifier("backbutton");
    backbutton->setImage(bundle.image("back"));
    root->addSubview(backbutton);
    LayoutConstraint::activate(
        {LayoutConstraint::make(backbutton, Attr::top, root, Attr::top, kTopMargin),
         LayoutConstraint::make(backbutton, Attr::left, root, Attr::left, 8),
         LayoutConstraint::make(backbutton, Attr::width, 44),
         LayoutConstraint::make(backbutton, Attr::height, 44)});

    attributionLabel_ = std::make_shared<Label>();
    attributionLabel_->setIdentifier("attribution");
    attributionLabel_->setFont(Font::system(9));
    attributionLabel_->setTextColor(Color::white());
    attributionLabel_->setTextAlignment(TextAlignment::left);
    attributionLabel_->setUserInteractionEnabled(false);
    attributionLabel_->setHidden(true);
    root->addSubview(attributionLabel_);
    pinRow(attributionLabel_,
           LayoutConstraint::make(attributionLabel_, Attr::bottom, root, Attr::bottom, -4), 8, 12);

    const auto weak = std::weak_ptr<QuorelVC>(me());
    backbutton->addAction(ControlEvent::touchUpInside, [weak](Control&) {
        if (auto self = weak.lock()) self->back();
    });
    allovCameraAccessButton->addAction(ControlEvent::touchUpInside, [weak](Control&) {
        if (auto self = weak.lock()) self->askForCameraPermission();
    });
}

// ---- Life cycle ----------------------------------------------------------------------

void QuorelVC::viewDidLoad() {
    ARViewController::viewDidLoad();
    auto& context = platformContext();
    loadingView->setHidden(true);
    view()->setBackgroundColor(Color::black());
    help1View->setAlpha(0);
    help2View->setAlpha(0);
    if (isTallScreen(context.device().mainScreenBounds())) {
        imageTopConstrait->setConstant(130);
        titleTopConstrait->setConstant(24);
    }
    if (auto navigation = navigationController()) navigation->setNavigationBarHidden(true, true);

    radarV = radarFeed_->radar();
    radarV->setFrame({0, 0, RadarView::kSize, RadarView::kSize});
    radarV->setIdentifier("radarV");
    radarBackgr = std::make_shared<ImageView>(radarV->frame(), loadingView->image());
    radarBackgr->setIdentifier("radarBackgr");

    auto& tracking = trackingManager();
    tracking.setAllowCompassCalibration(true);
    tracking.setUserDistanceFilter(10);
    tracking.setReloadDistanceFilter(200);
    presenter()->bottomBorder = 1.0;
    radarFeed_->rebuildPoints();
    tracking.setMinimumLocationHorizontalAccuracy(kMaximumFixError);
    uiOptions.simulatorDebugging = false;
    uiOptions.setUserLocationToCenterOfAnnotations = false;
    uiOptions.closeButtonEnabled = false;
    presenter()->setClipsToBounds(true);

    arrowFloor =
        std::make_shared<ImageView>(Rect{29, 29, 32, 32}, Bundle::framework().image("arrow"));
    arrowFloor->setIdentifier("arrowFloor");
    arrowFloor->setHidden(true);
    contentView->addSubview(arrowFloor);
    contentView->addSubview(radarBackgr);
    contentView->addSubview(radarV);
    radarAnimation = RadarAnimation::create(radarV->frame());
    radarAnimation->setIdentifier("radarAnimation");
    radarAnimation->setHidden(true);
    radarAnimation->setStill(uiOptions.reduceMotion);
    contentView->addSubview(radarAnimation);
    view()->addSubview(contentView2);
    LayoutConstraint::activate(
        {LayoutConstraint::make(contentView2, Attr::left, view(), Attr::left, 40),
         LayoutConstraint::make(contentView2, Attr::right, view(), Attr::right, -40),
         LayoutConstraint::make(contentView2, Attr::bottom, view(), Attr::bottom, -40),
         LayoutConstraint::make(contentView2, Attr::height, 44)});
    view()->bringSubviewToFront(*backbutton);

    // Loading needs a position: the shared location manager's, else the tracking manager keeps
    // what it has (the first accepted fix then seeds everything).
    if (const auto& latest = LocationManager::sharedInstance()->latestLocation())
        tracking.setUserLocation(latest);
    backbutton->setHidden(true);
    View::animate(kHintFade, [this] { help2View->setAlpha(1); });

    later(kReloadDelayAfterLoad, false, [](QuorelVC& self) { self.reloadPage(); });
    reloadPlaces();

    const auto weak = std::weak_ptr<QuorelVC>(me());
    helpTap = std::make_shared<TapGestureRecognizer>([weak](GestureRecognizer&) {
        if (auto self = weak.lock()) self->dismissViewWithGesture();
    });
    helpTap->setCancelsTouchesInView(false);
    slideLeft = std::make_shared<SwipeGestureRecognizer>(
        [weak](GestureRecognizer&) {
            if (auto self = weak.lock()) self->dismissViewWithGesture();
        },
        SwipeDirection::left);
    view()->addGestureRecognizer(helpTap);
    view()->addGestureRecognizer(slideLeft);
    setHintTexts();
    setUpAccessibility();
}

void QuorelVC::setUpAccessibility() {
    const auto weak = std::weak_ptr<QuorelVC>(me());
    backbutton->accessibility().label = localized("back");
    // A reader's escape leaves the screen as the back button does.
    view()->accessibility().escape = [weak] {
        auto self = weak.lock();
        if (!self) return false;
        self->back();
        return true;
    };
    // A hint covers the screen until it is dismissed: it reads as one element whose
    // activation (or escape) does what a tap or swipe on it does.
    for (const auto& hint : {help1View, help2View}) {
        auto& a11y = hint->accessibility();
        a11y.isElement = true;
        a11y.isModal = true;
        a11y.traits = AccessibilityTrait::button;
        a11y.activate = [weak] {
            auto self = weak.lock();
            if (!self) return false;
            self->dismissViewWithGesture();
            // The hint went: the reader moves on to what shows now.
            postAccessibilityLayoutChanged();
            return true;
        };
        a11y.escape = a11y.activate;
    }
    help1View->setIdentifier("help1View");
    help2View->setIdentifier("help2View");
    radarBackgr->accessibility().elementsHidden = true;
    contentView->accessibility().isElement = true;
    contentView->accessibility().traits = AccessibilityTrait::image;
    updateAccessibility();
}

void QuorelVC::updateAccessibility() {
    constexpr double kAheadAnnouncementInterval = 3;
    constexpr double kUpdatePeriod = 0.25;
    if (!isViewLoaded() || !contentView) return;
    const double now = platformContext().now();
    if (accessibilityUpdatedAt_ && now - *accessibilityUpdatedAt_ < kUpdatePeriod) return;
    accessibilityUpdatedAt_ = now;
    const double heading = arStatus().heading;
    const auto reading = [heading](const Place& p, bool category) {
        return placeReading(p.displayName(), category && p.property ? p.property->category : "",
                            p.distanceFromUser(), directionWords(p.azimuth(), heading));
    };

    // The nearest place is among the radar's (all places, or the nearest of a whole region).
    const Place* nearest = nullptr;
    for (const auto& p : radarPlaces())
        if (p && std::isfinite(p->distanceFromUser()) &&
            (!nearest || p->distanceFromUser() < nearest->distanceFromUser()))
            nearest = p.get();
    std::string radar = localized("a11yRadarNone");
    if (nearest && places.size() == 1)
        radar = localizedFormat("a11yRadarOne", reading(*nearest, false));
    if (nearest && places.size() > 1)
        radar =
            localizedFormat("a11yRadar", std::to_string(places.size()), reading(*nearest, false));
    contentView->accessibility().label = radar;

    // The place straight ahead: of the cards shown, the one nearest the line of sight within
    // the "ahead" band.
    if (appearance() != Appearance::appeared) return;
    const Place* ahead = nullptr;
    double best = 10;
    for (const auto& sector : presenter()->visibleAnnotationViews()) {
        for (const auto& v : sector) {
            auto place = std::dynamic_pointer_cast<Place>(v ? v->annotation() : nullptr);
            if (!place) continue;
            double d = std::fmod(place->azimuth() - heading, 360.0);
            if (d > 180) d -= 360;
            if (d <= -180) d += 360;
            if (std::fabs(d) <= best) {
                best = std::fabs(d);
                ahead = place.get();
            }
        }
    }
    if (!ahead) return;
    const std::string id =
        ahead->property ? std::string(ahead->property->id) : ahead->displayName();
    if (id == aheadAnnounced_) return;
    // Too soon: a later frame says it once the interval is over, if it is still ahead.
    if (aheadAnnouncedAt_ && now - *aheadAnnouncedAt_ < kAheadAnnouncementInterval) return;
    aheadAnnounced_ = id;
    aheadAnnouncedAt_ = now;
    postPoliteAccessibilityAnnouncement(reading(*ahead, false));
}

void QuorelVC::setHintTexts() {
    quorelHintTitle1->setText(localized("quorelHintTitle1"));
    quorelHintDescription1->setText(localized("quorelHintDescription1"));
    quorelHintDescription11->setText(localized("quorelHintDescription11"));
    quorelHintTitle2->setText(localized("quorelHintTitle2"));
    quorelDescription2->setText(localized("quorelDescription2"));
    tapOrSwipeLabel->setText(localized("tapOrSwipe"));
    for (const auto& child : help2View->subviews())
        if (child->identifier() == "tapOrSwipeLabel2")
            std::static_pointer_cast<Label>(child)->setText(localized("tapOrSwipe"));
    radarLabel->setText(localized("radar"));
}

void QuorelVC::viewWillAppear(bool animated) {
    ARViewController::viewWillAppear(animated);
    closed_ = false;
    auto& context = platformContext();
    if (const auto& latest = LocationManager::sharedInstance()->latestLocation()) {
        radarFeed_->centerOn(*latest);
        mutableArStatus().userLocation = latest;
        lastLocation = latest;
    }
    auto& notifications = context.notificationCenter();
    reloadCenter_ = context.weakNotificationCenter();
    notifications.removeObserver(this, kReloadOnBecomeActive);
    const auto weak = std::weak_ptr<QuorelVC>(me());
    notifications.addObserver(this, kReloadOnBecomeActive, [weak](const Notification&) {
        if (auto self = weak.lock()) self->reloadPage();
    });
    context.application().setIdleTimerDisabled(true);
    if (auto navigation = navigationController()) navigation->setNavigationBarHidden(true);

    // The hints run until the user has dismissed them once: a fresh install keeps hint 2, which
    // loading faded in, and a screen coming back keeps the hint it showed.
    if (hintsDone()) {
        help1View->setAlpha(0);
        help2View->setAlpha(0);
    }
    backbutton->setHidden(false);
    attributionLabel_->setText(attribution);
    attributionLabel_->setHidden(attribution.empty());
    styleCameraAccessButton();

    auto& camera = context.camera();
    if (camera.authorizationStatus(kMediaTypeVideo) != CameraAuthorizationStatus::authorized) {
        camera.requestAccess(kMediaTypeVideo, [weak](bool granted) {
            if (granted) return;
            platformContext().mainLoop().async([weak] {
                auto self = weak.lock();
                if (!self) return;
                // No camera at all (or its use locked by the system): there is nothing the
                // user could allow, so no button.
                if (platformContext().camera().authorizationStatus(kMediaTypeVideo) ==
                    CameraAuthorizationStatus::restricted)
                    return;
                self->doWeNeedCameraAccessButton = true;
                // Refused after the hints were done: offer the button now rather than at the
                // next appearance.
                if (self->appearance() == Appearance::appeared && self->visibleHint() == 0 &&
                    self->hintsDone())
                    self->allovCameraAccessButton->setHidden(false);
            });
        });
    }
}

void QuorelVC::styleCameraAccessButton() {
    auto& button = *allovCameraAccessButton;
    if (auto image = Bundle::framework().image("camera")) button.setImage(image);
    button.setImageTintColor(button.currentTitleColor());
    button.setTitle(localized("allowAccess"));
}

void QuorelVC::viewDidAppear(bool animated) {
    ARViewController::viewDidAppear(animated);
    auto& context = platformContext();
    context.application().setStatusBarStyle(StatusBarStyle::lightContent);
    if (auto navigation = navigationController()) navigation->setNavigationBarHidden(true, true);
    if (hintsDone() && doWeNeedCameraAccessButton) allovCameraAccessButton->setHidden(false);
}

bool QuorelVC::isClosing() const {
    // Dismissed itself or with a screen that holds it.
    for (const ViewController* c = this; c; c = c->parent().get()) {
        if (c->presentationState() == PresentationState::dismissing) return true;
        for (auto p = c->presentingViewController(); p; p = p->presentingViewController())
            if (p->presentationState() == PresentationState::dismissing) return true;
    }
    // Popped from its navigation stack.
    if (auto navigation = navigationController()) {
        const auto& stack = navigation->viewControllers();
        return std::none_of(stack.begin(), stack.end(),
                            [this](const auto& c) { return c.get() == this; });
    }
    return false;
}

void QuorelVC::viewWillDisappear(bool animated) {
    ARViewController::viewWillDisappear(animated);
    auto& context = platformContext();
    radarFeed_->reset();
    context.application().setStatusBarStyle(StatusBarStyle::defaultStyle);
    if (isClosing()) {
        closed_ = true;
        clearAllPlaces();
        tearDownSubviews(*view());
    }
    context.application().setIdleTimerDisabled(false);
    loadingView->setHidden(true);
    radarAnimation->setHidden(true);
    // Only this screen's own observer: the engine's foreground and background observers stay.
    context.notificationCenter().removeObserver(this, kReloadOnBecomeActive);
}

void QuorelVC::clearAllPlaces() {
    for (const auto& annotation : AnnotationList(getAnnotations())) removeAnnotation(*annotation);
    presenter()->clear();
    places.clear();
    serverPlaces.clear();
    tableData.clear();
    radarFeed_->rebuildPoints();
    radarV->points.clear();
}

void QuorelVC::tearDownSubviews(View& parent) {
    for (const auto& child : std::vector<std::shared_ptr<View>>(parent.subviews())) {
        if (child->subviews().empty()) {
            child->layer().sublayers.clear();
            child->removeFromSuperview();
        } else {
            tearDownSubviews(*child);
        }
    }
}

void QuorelVC::prepare(StoryboardSegue& segue, const std::any& sender) {
    ARViewController::prepare(segue, sender);
    if (segue.identifier() != kPointTableSegue) return;
    if (auto list = std::dynamic_pointer_cast<PointsListScreen>(segue.destination())) {
        list->setTableData(tableData);
        list->setTitleText(titleTextToShow);
    }
}

void QuorelVC::openPointsList() {
    performSegue(kPointTableSegue);
}

// ---- Hints and leaving ---------------------------------------------------------------

int QuorelVC::visibleHint() const {
    if (help2View && help2View->alpha() == 1) return 2;
    if (help1View && help1View->alpha() == 1) return 1;
    return 0;
}

bool QuorelVC::hintsDone() const {
    return !showsFirstUseHints ||
           platformContext().userDefaults().contains(kFirstTimeQuorelHintKey);
}

void QuorelVC::dismissHint() {
    if (!help1View || !help2View) return;
    if (help1View->alpha() == 1) {
        backbutton->setHidden(false);
        radarBackgr->setHidden(false);
        radarV->setHidden(false);
        if (serverPlaces.empty()) radarAnimation->setHidden(false);
        View::animate(kHintSwitch, [this] {
            help1View->setAlpha(0);
            help2View->setAlpha(0);
            if (doWeNeedCameraAccessButton) allovCameraAccessButton->setHidden(false);
        });
        platformContext().userDefaults().set(kFirstTimeQuorelHintKey, true);
    } else if (help2View->alpha() == 1) {
        View::animate(kHintSwitch, [this] {
            help1View->setAlpha(1);
            help2View->setAlpha(0);
            radarBackgr->setHidden(true);
            radarV->setHidden(true);
            radarAnimation->setHidden(true);
        });
    }
}

void QuorelVC::askForCameraPermission() {
    platformContext().application().openSettings();
}

void QuorelVC::back() {
    if (motionManager_) motionManager_->stopAccelerometerUpdates();
    leave(true);
}

void QuorelVC::leaveARScreen() {
    leave(false);
}

void QuorelVC::leave(bool animated) {
    if (isViewPresented) {
        dismiss(animated);
    } else if (auto navigation = navigationController()) {
        navigation->popViewController(animated);
    }
}

// ---- Delayed steps -------------------------------------------------------------------

void QuorelVC::later(double delay, bool reloadStep, std::function<void(QuorelVC&)> step) {
    const std::uint64_t token = nextStep_++;
    steps_->emplace(token,
                    reloadStep ? std::optional<std::uint64_t>(reloadGeneration_) : std::nullopt);
    platformContext().mainLoop().asyncAfter(delay, [weak = std::weak_ptr<QuorelVC>(me()),
                                                    steps = steps_, token, step = std::move(step)] {
        const auto entry = steps->find(token);
        if (entry == steps->end()) return;
        const auto generation = entry->second;
        steps->erase(entry);
        auto self = weak.lock();
        if (!self || self->closed_) return;
        if (generation && *generation != self->reloadGeneration_) return;
        step(*self);
    });
}

std::size_t QuorelVC::pendingDelayedSteps() const {
    if (closed_) return 0;
    return static_cast<std::size_t>(std::count_if(
        steps_->begin(), steps_->end(),
        [this](const auto& entry) { return !entry.second || *entry.second == reloadGeneration_; }));
}

// ---- Places --------------------------------------------------------------------------

void QuorelVC::reloadPlaces() {
    ++reloads_;
    ++reloadGeneration_;  // the delayed steps of an earlier reload are void from now on
    if (radarV && radarV->hasSuperview() && !radarV->isHidden()) radarAnimation->setHidden(false);
    placeRequest.country = LocationManager::sharedInstance()->country();
    if (const auto latest = currentLocation(trackingManager().userLocation())) {
        placeRequest.lat = latest->coordinate.latitude;
        placeRequest.lng = latest->coordinate.longitude;
    } else {
        placeRequest.lat = kFallbackLat;
        placeRequest.lng = kFallbackLng;
    }
    if (auto root = viewIfLoaded()) {
        root->setNeedsLayout();
        View::animate(uiOptions.reduceMotion ? 0 : kRelayoutDuration,
                      [&root] { root->layoutIfNeeded(); });
    }
    later(kLoadingHideDelay, true, [](QuorelVC& self) {
        self.radarAnimation->setHidden(true);
        self.loadingView->setHidden(true);
        if (auto navigation = self.navigationController()) navigation->setNavigationBarHidden(true);
    });
    later(kAlertDelay, true, [](QuorelVC& self) {
        if (self.centerCoordinate()) return;
        self.loadingView->setHidden(true);
        self.radarAnimation->setHidden(true);
        // A refused permission needs the settings, not an open sky.
        const auto& service = self.trackingManager().locationManage();
        const auto status = service.authorizationStatus();
        if (!service.locationServicesEnabled() || status == AuthorizationStatus::denied ||
            status == AuthorizationStatus::restricted)
            self.showReloadAlert("LocationDenied", "LocationDeniedDescription");
        else
            self.showReloadAlert("BadGPSSignal", "BadGPSSignalDescription");
    });
    tableData = serverPlaces;
    rebuildPlaces();
    if (serverPlaces.empty()) {
        places.clear();
        later(kAlertDelay, true, [](QuorelVC& self) {
            self.loadingView->setHidden(true);
            self.radarAnimation->setHidden(true);
            self.showReloadAlert("somethingWentWrong", "checkConnection");
        });
    }
}

void QuorelVC::rebuildPlaces() {
    places.clear();
    places.reserve(tableData.size());
    for (std::size_t i = 0; i < tableData.size(); ++i) {
        const auto& record = tableData[i];
        if (!record) continue;
        if (auto place = Place::create(record)) {
            places.push_back(std::move(place));
        } else {
            platformContext().console().writeLine(
                "Place " + std::to_string(i) + " (id \"" + record->id +
                "\") left out: lat and lng are not a valid coordinate");
        }
    }
    applyPlaces();
}

void QuorelVC::applyPlaces() {
    // Nearest first by the distances last measured, ties in the records' order. Sorted by
    // keys taken once: a whole region's places are many.
    std::vector<std::pair<double, std::uint32_t>> keys(places.size());
    for (std::size_t i = 0; i < places.size(); ++i)
        keys[i] = {places[i]->distanceFromUser(), static_cast<std::uint32_t>(i)};
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::shared_ptr<Place>> sorted(places.size());
    for (std::size_t i = 0; i < keys.size(); ++i) sorted[i] = std::move(places[keys[i].second]);
    places = std::move(sorted);
    radarChosenFrom_.reset();
    placesIndexed_.reset();
    // A rebuild replaces every card: the cards of the places before serve the new ones (all
    // but those flying out after a swipe, which still belong to their place).
    reusableViews_.clear();
    for (const auto& view : presenter()->annotationViews())
        if (auto card = std::dynamic_pointer_cast<AnnnotationView>(view);
            card && !card->disableMove)
            reusableViews_.push_back(std::move(card));
    setAnnotations(AnnotationList(places.begin(), places.end()));
    reusableViews_.clear();
    radarFeed_->placesChanged();
    const auto latest = currentLocation(trackingManager().userLocation());
    if (!latest) return;
    auto& tracking = trackingManager();
    tracking.setUserLocation(latest);
    if (platformContext().device().systemMajorVersion() < 11)
        tracking.didUpdateLocations(tracking.locationManage(), {*latest});
}

void QuorelVC::showReloadAlert(const std::string& titleKey, const std::string& messageKey) {
    // Only while this screen is the one the user looks at, and one alert at a time.
    if (closed_ || !window() || presentedViewController() ||
        platformContext().application().state() == ApplicationState::background ||
        appearance() != Appearance::appeared)
        return;
    if (auto navigation = navigationController();
        navigation && navigation->topViewController().get() != this)
        return;
    auto alert =
        AlertController::create(localized(titleKey), adviceText(messageKey, advicePlatform));
    const auto weak = std::weak_ptr<QuorelVC>(me());
    alert->addAction(
        {localized("back"), AlertActionStyle::defaultStyle, [weak](const AlertAction&) {
             if (auto self = weak.lock()) self->back();
         }});
    alert->addAction(
        {localized("retry"), AlertActionStyle::defaultStyle, [weak](const AlertAction&) {
             if (auto self = weak.lock()) self->reloadPlaces();
         }});
    present(alert, true);
}

std::shared_ptr<ARAnnotationView> QuorelVC::viewForAnnotation(
    ARController&, const std::shared_ptr<ARAnnotation>& annotation) {
    constexpr Rect kFrame{0, 0, 100, 50};
    if (!reusableViews_.empty()) {
        auto view = std::move(reusableViews_.back());
        reusableViews_.pop_back();
        // A view of the presenter just replaced: detached, with its card and gestures.
        view->removeFromSuperview();
        view->prepareForReuse(kFrame);
        view->setAnnotation(annotation);
        return view;
    }
    auto view = AnnnotationView::createWithCard(kFrame);
    view->setAnnotation(annotation);
    view->setDelegate(me());
    const auto weakSelf = std::weak_ptr<QuorelVC>(me());
    const auto weakView = std::weak_ptr<AnnnotationView>(view);
    for (const auto direction : {SwipeDirection::left, SwipeDirection::right, SwipeDirection::up}) {
        view->addGestureRecognizer(std::make_shared<SwipeGestureRecognizer>(
            [weakSelf, weakView, direction](GestureRecognizer&) {
                auto self = weakSelf.lock();
                auto card = weakView.lock();
                if (self && card) self->swipeHandle(*card, direction);
            },
            direction));
    }
    return view;
}

std::optional<std::vector<std::shared_ptr<ARAnnotationView>>> QuorelVC::viewsDrawn(
    ARController&, const std::vector<std::shared_ptr<ARAnnotationView>>& views) {
    auto sorted = views;
    // Farthest first; a view that lost its annotation goes last.
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
        const auto x = a ? a->annotation() : nullptr;
        const auto y = b ? b->annotation() : nullptr;
        if (!x || !y) return x != nullptr && y == nullptr;
        return x->distanceFromUser() > y->distanceFromUser();
    });
    return sorted;
}

void QuorelVC::swipeHandle(ARAnnotationView& view, SwipeDirection direction) {
    if (direction == SwipeDirection::down) return;  // cards leave left, right or up
    radarFeed_->reset();
    view.disableMove = true;
    const Rect screen = platformContext().device().mainScreenBounds();
    Rect target = view.frame();
    switch (direction) {
        case SwipeDirection::left:
            target.origin.x = -screen.width();
            break;
        case SwipeDirection::right:
            target.origin.x = screen.width();
            break;
        case SwipeDirection::up:
            target.origin.y -= screen.height();
            break;
        case SwipeDirection::down:
            return;
    }
    auto card = std::static_pointer_cast<ARAnnotationView>(view.shared_from_this());
    ++flyOuts_;
    View::animate(
        uiOptions.reduceMotion ? 0 : kFlyOutDuration,
        [&] {
            view.initialFrame.origin = target.origin;
            if (view.initialFrame.width() == 0) view.initialFrame.size.width = target.width();
            if (view.initialFrame.height() == 0) view.initialFrame.size.height = target.height();
            view.updateMainState(false);
        },
        [weak = std::weak_ptr<QuorelVC>(me()), card](bool) {
            auto self = weak.lock();
            if (!self) return;
            --self->flyOuts_;
            if (!self->closed_) self->removeSwipedPlace(*card);
        });
}

void QuorelVC::removeSwipedPlace(ARAnnotationView& view) {
    // A reload during the fly-out took the annotation away: nothing to remove.
    const auto place = std::dynamic_pointer_cast<Place>(view.annotation());
    if (!place || !place->property) return;
    // The record itself, not the first one with its id (ids repeat, some are empty).
    const auto record = std::find(tableData.begin(), tableData.end(), place->property);
    if (record == tableData.end()) return;
    removeAnnotation(*place);
    presenter()->removeAnnotation(*place);
    tableData.erase(record);
    std::erase(places, place);
    radarChosenFrom_.reset();
    placesIndexed_.reset();
    view.removeFromSuperview();
    reload(ReloadType::swipe);
    radarFeed_->rebuildPoints();
}

void QuorelVC::annotationViewTapped(const std::shared_ptr<AnnnotationView>& view) {
    const auto place = view ? std::dynamic_pointer_cast<Place>(view->annotation()) : nullptr;
    if (!place || !place->property) return;
    if (delegate) {
        delegate->openElementDetails(place->property);
        return;
    }
    const auto storyboard = LayoutRegistry::shared().storyboard(kMainStoryboard);
    auto screen = storyboard ? storyboard->instantiateViewController(kPlaceVCIdentifier) : nullptr;
    if (!screen) return;
    screen->setModalPresentationStyle(ModalPresentationStyle::overFullScreen);
    if (auto details = std::dynamic_pointer_cast<PlaceDetailsScreen>(screen))
        details->setPlace(place->property);
    present(screen, true);
}

// ---- Radar ---------------------------------------------------------------------------

RadarFeed::Points QuorelVC::makeRadarPoints() const {
    // Runs on every recalibration frame: the shown views are looked up in a sorted list and
    // each distinct colour text is parsed once.
    std::vector<const ARAnnotationView*> shown;
    for (const auto& sector : presenter()->visibleAnnotationViews())
        for (const auto& view : sector) shown.push_back(view.get());
    std::sort(shown.begin(), shown.end());
    const auto& onRadar = radarPlaces();
    RadarFeed::Points points;
    points.reserve(onRadar.size());
    for (const auto& place : onRadar) {
        auto point = ARGeoCoordinate::coordinateWithLocation(place->location());
        const auto& record = place->property;
        if (record) point->unique = record->id;
        if (record && !record->category_color.empty()) {
            auto colour = dotColours_.find(record->category_color);
            if (colour == dotColours_.end())
                colour = dotColours_
                             .emplace(record->category_color,
                                      colorFromHexText(record->category_color, 1.0))
                             .first;
            point->color = colour->second;
        } else {
            point->color = RadarFeed::kDefaultDotColor;
        }
        const auto* view = place->annotationViewPointer();
        point->alpha = view && std::binary_search(shown.begin(), shown.end(), view) ? 1.0 : 0.5;
        points.push_back(std::move(point));
    }
    return points;
}

const std::vector<std::shared_ptr<Place>>& QuorelVC::radarPlaces() const {
    if (places.size() <= kRadarPlaces) return places;
    const auto from =
        std::tuple(static_cast<const void*>(places.data()), places.size(), distancesMeasured());
    if (radarChosenFrom_ == from) return radarPlaces_;
    // Chosen through an index of the places' positions: only the places that may be among the
    // nearest are measured.
    const auto stored = std::tuple(static_cast<const void*>(places.data()), places.size());
    if (placesIndexed_ != stored) {
        std::vector<Coordinate> at;
        at.reserve(places.size());
        for (const auto& place : places) at.push_back(place->location().coordinate);
        placesIndex_ = NearestIndex(at);
        placesIndexed_ = stored;
    }
    // From where the distances were measured (the user may have moved a little since); from
    // nowhere, every place is measured.
    auto chosen = placesIndex_.nearest(
        measuredFrom().value_or(Coordinate{std::nan(""), std::nan("")}), kRadarPlaces,
        [&](std::uint32_t i) { return places[i]->distanceFromUser(); });
    std::sort(chosen.begin(), chosen.end());
    radarPlaces_.clear();
    radarPlaces_.reserve(chosen.size());
    for (const std::uint32_t i : chosen) radarPlaces_.push_back(places[i]);
    radarChosenFrom_ = from;
    return radarPlaces_;
}

void QuorelVC::updateRadar(ARController&, double inclination) {
    updateAccessibility();
    if (tableData.empty()) return;
    radarFeed_->update(inclination);
}

std::optional<Location> QuorelVC::currentLocation(const std::optional<Location>& fix) {
    const auto& shared = LocationManager::sharedInstance()->latestLocation();
    if (!shared || (fix && fix->timestamp > shared->timestamp)) return fix;
    return shared;
}

void QuorelVC::didUpdateLocation(ARTrackingManager&, const Location& fix) {
    const double age = platformContext().now() - fix.timestamp;
    if (!(age < kMaximumFixAge) || !(fix.horizontalAccuracy <= kMaximumFixError)) return;
    const Location latest = *currentLocation(fix);
    radarFeed_->locationChanged(latest);
    // lastLocation is where the cards were last measured from: a walk of small steps adds up
    // to a reload every few metres instead of never moving 5 m from the fix before.
    const bool moved =
        lastLocation && distance(*lastLocation, latest) > kUserLocationReloadDistance;
    // The status first: the reload measures the distances from it.
    mutableArStatus().userLocation = latest;
    if (!lastLocation || moved) lastLocation = latest;
    if (moved) reload(ReloadType::userLocationChanged);
    if (auto navigation = navigationController()) navigation->setNavigationBarHidden(true);
}

void QuorelVC::didUpdateHeading(ARTrackingManager&, const HeadingReading& heading) {
    radarFeed_->headingChanged(heading);
}

void QuorelVC::didUpdateReloadLocation(ARTrackingManager&, const Location& location) {
    radarFeed_->reset();
    const Location latest = *currentLocation(location);
    mutableArStatus().userLocation = latest;
    lastLocation = latest;
    const auto source = dataSource();
    if (auto annotations =
            source ? source->shouldReloadWithLocation(*this, latest) : std::nullopt) {
        setAnnotations(std::move(*annotations));
    } else {
        reloadPlaces();
    }
    if (uiOptions.debugLabel) showDebugViewWithColor(Color{0, 0, 1, 1});
}

}  // namespace arquorel
