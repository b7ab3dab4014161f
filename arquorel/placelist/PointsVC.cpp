#include "arquorel/placelist/PointsVC.h"

#include <algorithm>
#include <utility>

#include "arquorel/placelist/PlaceVC.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/Console.h"
#include "arquorel/platform/runtime/MainLoop.h"
#include "arquorel/platform/runtime/NotificationCenter.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/sensors/Geodesy.h"
#include "arquorel/platform/ui/LayoutRegistry.h"
#include "arquorel/platform/ui/NavigationController.h"
#include "arquorel/platform/ui/Storyboard.h"
#include "arquorel/platform/ui/Window.h"
#include "arquorel/platform/web/ShareSheet.h"

namespace arquorel {

namespace {

constexpr Color kHintBackground{0.02, 0.06, 0.09, 0.86};
constexpr Color kTitleColor{62.0 / 255, 62.0 / 255, 68.0 / 255, 1};
constexpr double kHintCardMargin = 24;

std::shared_ptr<Label> makeLabel(const char* identifier, Font font, const Color& color,
                                 TextAlignment alignment) {
    auto label = std::make_shared<Label>();
    label->setIdentifier(identifier);
    label->setFont(std::move(font));
    label->setTextColor(color);
    label->setTextAlignment(alignment);
    label->setNumberOfLines(0);
    return label;
}

}  // namespace

void registerPlaceListLayouts() {
    registerQuorelLayouts();
    auto& storyboard = LayoutRegistry::shared().defineStoryboard(kMainStoryboard);
    if (storyboard.hasScreen(kPointsVCIdentifier)) return;
    storyboard.addScreen(kPointsVCIdentifier, [] { return PointsVC::make(); });
    storyboard.addSegue(kPointsVCIdentifier, kFromTablePlaceSegue, kPlaceVCIdentifier,
                        SegueKind::presentOverFullScreen);
    registerPlaceDetailsLayout();
}

std::shared_ptr<PointsVC> PointsVC::make() {
    return std::shared_ptr<PointsVC>(new PointsVC());
}

PointsVC::PointsVC()
    : motionManager_(platformContext().makeMotionService()),
      queue_(std::make_unique<OperationQueue>(platformContext().mainLoop())) {}

std::shared_ptr<PointsVC> PointsVC::me() {
    return std::static_pointer_cast<PointsVC>(shared_from_this());
}

double PointsVC::topInset() const {
    return platformContext().device().mainScreenBounds().height() >= 812 ? 44 : 20;
}

// ---- The layout ----------------------------------------------------------------------

void PointsVC::loadView() {
    auto& bundle = Bundle::framework();
    // The views may outlive the screen (a window still showing them): actions hold it weakly.
    const auto act = [weak = std::weak_ptr<PointsVC>(me())](void (PointsVC::*action)()) {
        return [weak, action](Control&) {
            if (auto self = weak.lock()) ((*self).*action)();
        };
    };
    testView = std::make_shared<View>(platformContext().device().mainScreenBounds());
    testView->setIdentifier("testView");
    testView->setBackgroundColor(Color::white());
    setView(testView);

    tableView = std::make_shared<TableView>();
    tableView->setIdentifier("tableView");
    tableView->setBackgroundColor(Color::white());
    tableView->registerCell(kArPlaceCellIdentifier, [] { return std::make_shared<ArPlaceCell>(); });
    tableView->setRowHeight(TableView::kAutomaticDimension);
    tableView->setEstimatedRowHeight(110);
    testView->addSubview(tableView);

    emptyLabel = makeLabel("emptyLabel", Font::system(17), Color{0.42, 0.42, 0.45, 1},
                           TextAlignment::center);
    emptyLabel->setHidden(true);
    testView->addSubview(emptyLabel);

    topView = std::make_shared<View>();
    topView->setIdentifier("topView");
    topView->setBackgroundColor(Color::white());
    topView->setClipsToBounds(false);
    topView->setLayerBacked(true);  // kept while the rows scroll under it
    testView->addSubview(topView);
    backButton = std::make_shared<Button>();
    backButton->setIdentifier("backButton");
    backButton->setImage(bundle.image("list_back"));
    backButton->addAction(ControlEvent::touchUpInside, act(&PointsVC::backClicked));
    topView->addSubview(backButton);
    // The hint label slides out from under the hint button; it is cut off at the button.
    hintClip_ = std::make_shared<View>();
    hintClip_->setClipsToBounds(true);
    hintClip_->setUserInteractionEnabled(false);
    topView->addSubview(hintClip_);
    hintLabel = makeLabel("hintLabel", Font::system(13), kTitleColor, TextAlignment::left);
    hintLabel->setNumberOfLines(2);
    hintClip_->addSubview(hintLabel);
    hintButton = std::make_shared<Button>();
    hintButton->setIdentifier("hintButton");
    hintButton->setImage(bundle.image("hint_raise"));
    hintButton->setBackgroundColor(Color::white());
    hintButton->addAction(ControlEvent::touchUpInside, act(&PointsVC::hintPressed));
    topView->addSubview(hintButton);

    hintView = std::make_shared<View>();
    hintView->setIdentifier("hintView");
    hintView->setBackgroundColor(kHintBackground);
    testView->addSubview(hintView);
    pointHintTitle =
        makeLabel("pointHintTitle", Font::boldSystem(24), Color::white(), TextAlignment::center);
    pointHintDescription1 =
        makeLabel("pointHintDescription1", Font::system(17), Color::white(), TextAlignment::center);
    pointHintDescription2 =
        makeLabel("pointHintDescription2", Font::system(17), Color::white(), TextAlignment::center);
    keepItStrightLabel = makeLabel("keepItStrightLabel", Font::boldSystem(15),
                                   Color{1, 0.8, 0.2, 1}, TextAlignment::center);
    for (const auto& l :
         {pointHintTitle, pointHintDescription1, pointHintDescription2, keepItStrightLabel})
        hintView->addSubview(l);
    closeHintButtonView = std::make_shared<Button>();
    closeHintButtonView->setIdentifier("closeHintButton");
    closeHintButtonView->setImage(bundle.image("ovin_close"));
    closeHintButtonView->addAction(ControlEvent::touchUpInside, act(&PointsVC::closeHintButton));
    hintView->addSubview(closeHintButtonView);
    helpTap = std::make_shared<TapGestureRecognizer>(
        [weak = std::weak_ptr<PointsVC>(me())](GestureRecognizer& r) {
            auto self = weak.lock();
            if (self && r.state() == GestureState::ended) self->dismissViewWithGesture();
        });
    hintView->addGestureRecognizer(helpTap);

    // What a screen reader reads: the icon buttons by name, the hint over the list as a modal
    // panel that escape closes, as its close button does.
    backButton->accessibility().label = localized("back");
    hintButton->accessibility().label = localized("a11yHints");
    closeHintButtonView->accessibility().label = localized("a11yClose");
    pointHintTitle->accessibility().traits = AccessibilityTrait::header;
    hintView->accessibility().isModal = true;
    hintView->accessibility().escape = [weak = std::weak_ptr<PointsVC>(me())] {
        auto self = weak.lock();
        if (!self || self->hintView->isHidden()) return false;
        self->closeHintButton();
        postAccessibilityLayoutChanged();
        return true;
    };
}

void PointsVC::viewDidLoad() {
    BaseVC::viewDidLoad();
    const auto self = me();
    tableView->setDataSource(self);
    tableView->setTableDelegate(self);
    // The header's shadow: its colour follows the scrolling.
    auto& shadow = topView->layer();
    shadow.shadowOffset = {0, 1.5};
    shadow.shadowRadius = 2;
    shadow.shadowOpacity = 0.1;
    shadow.shadowColor = Color::clear();

    const Rect screen = platformContext().device().mainScreenBounds();
    if (screen.width() == 320) hintLabel->setFont(Font::system(11));
    if (screen.height() == 812 || screen.height() == 896) {
        botomTableViewConst -= 34;
        hintButtonTopConst += 15;
    }

    // Moved-away check: only when a location is already known.
    const auto& manager = LocationManager::sharedInstance();
    if (manager->latestLocation()) {
        movedAwaySubscription_ = manager->addHeadingCallback(
            [weak = std::weak_ptr<PointsVC>(self)](std::optional<double>) {
                if (auto list = weak.lock()) list->checkMovedAway();
            });
    }
    setHintTexts();
}

void PointsVC::setHintTexts() {
    pointHintTitle->setText(localized("pointHintTitle"));
    pointHintDescription1->setText(localized("pointHintDescription1"));
    pointHintDescription2->setText(localized("pointHintDescription2"));
    keepItStrightLabel->setText(localized("keepitStright"));
    hintLabel->setText(localized("keepitStright"));
    emptyLabel->setText(localized("pointsListEmpty"));
}

void PointsVC::viewWillAppear(bool animated) {
    BaseVC::viewWillAppear(animated);
    tableView->reloadData();
    emptyLabel->setHidden(!tableData.empty());
    isPlaceVCShowed = false;
    if (auto nav = navigationController()) nav->setNavigationBarHidden(true, animated);
    layoutScreen();
    const Rect button = hintButton->frame();
    hintLabelConst = platformContext().device().mainScreenBounds().width() == 414
                         ? button.minX() + button.width() + 30
                         : button.minX();
    layoutScreen();
}

void PointsVC::viewDidAppear(bool animated) {
    BaseVC::viewDidAppear(animated);
    closing_ = false;
    startRaiseToClose();
}

void PointsVC::viewWillDisappear(bool animated) {
    BaseVC::viewWillDisappear(animated);
    platformContext().notificationCenter().removeObserver(this);
    stopRaiseToClose();
}

void PointsVC::viewDidLayoutSubviews() {
    BaseVC::viewDidLayoutSubviews();
    layoutScreen();
}

void PointsVC::layoutScreen() {
    if (!isViewLoaded()) return;
    const Rect b = view()->bounds();
    const double top = topInset();
    // The header grows with the hint button, which sits lower on tall screens.
    const double header = top + std::max(kHeaderHeight, hintButtonTopConst + 50);
    topView->setFrame({0, 0, b.width(), header});
    backButton->setFrame({8, top + 6, 44, 44});
    hintButton->setFrame({b.width() - 52, top + hintButtonTopConst - 8 + 6, 44, 44});
    const Rect button = hintButton->frame();
    hintClip_->setFrame({0, button.minY(), button.minX(), button.height()});
    hintLabel->setFrame({hintLabelConst, 0, std::max(0.0, b.width() - 60 - 60), button.height()});
    // The table reaches the bottom edge; on phones with a home indicator its last row stays
    // above the indicator.
    tableView->setFrame({0, header, b.width(), std::max(0.0, b.height() - header)});
    Insets inset = tableView->contentInset();
    inset.bottom = -botomTableViewConst;
    tableView->setContentInset(inset);

    emptyLabel->setFrame({kHintCardMargin, header + 80, b.width() - 2 * kHintCardMargin, 60});
    hintView->setFrame(b);
    const double width = b.width() - 2 * kHintCardMargin;
    double y = std::max(top + 60, b.height() * 0.28);
    for (const auto& l : {pointHintTitle, pointHintDescription1, pointHintDescription2}) {
        const double h = l->sizeThatFits({width, 0}).height;
        l->setFrame({kHintCardMargin, y, width, h});
        y += h + 18;
    }
    const double kh = keepItStrightLabel->sizeThatFits({width, 0}).height;
    keepItStrightLabel->setFrame({kHintCardMargin, y + 12, width, kh});
    closeHintButtonView->setFrame({b.width() - 60, top + 6, 44, 44});
}

void PointsVC::prepare(StoryboardSegue& segue, const std::any& sender) {
    BaseVC::prepare(segue, sender);
    stopRaiseToClose();
    if (segue.identifier() != kFromTablePlaceSegue) return;
    if (auto details = std::dynamic_pointer_cast<PlaceDetailsScreen>(segue.destination()))
        if (const auto* record = std::any_cast<std::shared_ptr<QuorelProperty>>(&sender))
            details->setPlace(*record);
}

// ---- Actions -------------------------------------------------------------------------

void PointsVC::backClicked() {
    if (neededUpdateForExplore) {
        neededUpdateForExplore = false;
        platformContext().notificationCenter().post(kSearchForRadiusNotification);
    }
    stopRaiseToClose();
    dismiss(true);
    if (delegate) {
        delegate->leaveARScreen();
        delegate->pointsListDidClose();
    }
}

void PointsVC::hintPressed() {
    const double buttonX = hintButton->frame().minX();
    View::animate(kHintAnimation, [&] {
        hintLabelConst = hintLabelConst < 100 ? buttonX : 60;
        layoutScreen();
    });
}

void PointsVC::closeHintButton() {
    hintView->setHidden(true);
}

void PointsVC::dismissViewWithGesture() {
    hintView->setHidden(true);
    if (helpTap) hintView->removeGestureRecognizer(*helpTap);
}

// ---- Raise to close ------------------------------------------------------------------

bool PointsVC::isRaiseToCloseRunning() const {
    return motionManager_ && motionManager_->isAccelerometerActive();
}

void PointsVC::startRaiseToClose() {
    if (!motionManager_ || !motionManager_->isAccelerometerAvailable()) {
        platformContext().console().writeLine("Accelerometer is not available");
        return;
    }
    motionManager_->setAccelerometerUpdateInterval(kAccelerometerInterval);
    // The handler holds the list weakly: a list that is gone ignores late samples.
    motionManager_->startAccelerometerUpdates(
        *queue_, [weak = std::weak_ptr<PointsVC>(me())](const std::optional<Acceleration>& sample,
                                                        const std::optional<MotionError>&) {
            // An error sample carries no reading: nothing to decide on.
            if (!sample) return;
            platformContext().mainLoop().async([weak, reading = *sample] {
                if (auto list = weak.lock()) list->handleAcceleration(reading);
            });
        });
}

void PointsVC::stopRaiseToClose() {
    if (motionManager_ && motionManager_->isAccelerometerActive())
        motionManager_->stopAccelerometerUpdates();
}

void PointsVC::handleAcceleration(const Acceleration& sample) {
    if (!(sample.y < kRaiseThreshold)) return;
    if (presentedViewController() || closing_) return;
    // Nothing closes an empty list, so nothing is reported either.
    if (tableData.empty()) return;
    closing_ = true;
    stopRaiseToClose();
    dismiss(true, [weak = std::weak_ptr<PointsVC>(me())] {
        auto list = weak.lock();
        if (list && list->delegate) list->delegate->pointsListDidClose();
    });
}

void PointsVC::checkMovedAway() {
    if (!isViewLoaded() || !isInWindow(*view()) || !placeRequest) return;
    const auto& latest = LocationManager::sharedInstance()->latestLocation();
    if (!latest) return;
    const Location centre(placeRequest->lat, placeRequest->lng);
    if (isFarFromSearch(distance(centre, *latest))) neededUpdateForExplore = true;
}

// ---- Table ---------------------------------------------------------------------------

int PointsVC::numberOfRows(TableView&) {
    return static_cast<int>(tableData.size());
}

std::shared_ptr<TableViewCell> PointsVC::cellForRow(TableView& table, int row) {
    auto cell =
        std::dynamic_pointer_cast<ArPlaceCell>(table.dequeueReusableCell(kArPlaceCellIdentifier));
    if (!cell || row < 0 || row >= static_cast<int>(tableData.size())) return cell;
    cell->place = tableData[static_cast<std::size_t>(row)];
    cell->configure();
    cell->delegate = me();
    return cell;
}

void PointsVC::willDisplay(TableView&, TableViewCell& cell, int) {
    cell.setSeparatorInset({});
    cell.setPreservesSuperviewLayoutMargins(false);
    cell.setLayoutMargins({});
}

void PointsVC::didSelectRow(TableView&, int row) {
    selectRow(row);
}

void PointsVC::selectRow(int row) {
    if (row < 0 || row >= static_cast<int>(tableData.size())) return;
    // The record comes from the list's data, whether or not its cell is on screen.
    openPlace(tableData[static_cast<std::size_t>(row)]);
    tableView->deselectRow(row, true);
}

void PointsVC::openPlace(const std::shared_ptr<QuorelProperty>& record) {
    if (!record) return;
    isPlaceVCShowed = true;
    if (quorelDelegate) {
        quorelDelegate->openElementDetails(record);
        return;
    }
    const auto storyboard = LayoutRegistry::shared().storyboard(kMainStoryboard);
    auto screen = storyboard ? storyboard->instantiateViewController(kPlaceVCIdentifier) : nullptr;
    if (!screen) return;  // the layout wrote its console line
    screen->setModalPresentationStyle(ModalPresentationStyle::overFullScreen);
    if (auto details = std::dynamic_pointer_cast<PlaceDetailsScreen>(screen))
        details->setPlace(record);
    if (auto details = std::dynamic_pointer_cast<PlaceVC>(screen)) {
        details->fromPointsVC = true;
        details->delegate = me();
    }
    present(screen, true);
}

void PointsVC::scrollViewDidScroll(ScrollView& scrollView) {
    const double y = scrollView.contentOffset().y;
    const Color color =
        y > 0 ? Color::black().withAlpha(std::min(1.0, y / kShadowFullOffset)) : Color::clear();
    // Only a new colour marks the header as changed: its layer is drawn again for that alone.
    if (std::as_const(*topView).layer().shadowColor != color) topView->layer().shadowColor = color;
}

// ---- Share ---------------------------------------------------------------------------

void PointsVC::shareWithItems(const std::vector<ShareItem>& items) {
    sharedItems_ = items;
    if (items.empty() || presentedViewController()) return;
    auto sheet = ShareSheetController::create(items);
    sheet->popoverSourceView = tableView;
    present(sheet, true);
}

void PointsVC::forceSelectCellWithCell(ArPlaceCell& cell) {
    // The "fromTablePlace" path: the same selection as a row tap.
    const auto it = std::find(tableData.begin(), tableData.end(), cell.place);
    if (it != tableData.end()) selectRow(static_cast<int>(it - tableData.begin()));
}

}  // namespace arquorel
