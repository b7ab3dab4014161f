#include "arquorel/placelist/PointsVC.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "arquorel/placelist/PlaceVC.h"
#include "arquorel/places/DistanceText.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/NotificationCenter.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/LayoutRegistry.h"
#include "arquorel/platform/ui/Storyboard.h"
#include "arquorel/platform/ui/Window.h"
#include "arquorel/platform/web/ShareSheet.h"
#include "sim/device/SensorScript.h"
#include "sim/device/SimCamera.h"
#include "sim/device/SimLocationService.h"
#include "sim/device/SimMotionService.h"
#include "sim/device/SimPlatform.h"
#include "sim/device/TouchDriver.h"

namespace arquorel {
namespace {

constexpr Coordinate kUser{43.7393682, 7.4272085};

std::vector<std::shared_ptr<QuorelProperty>> places(int count) {
    std::vector<std::shared_ptr<QuorelProperty>> out;
    for (int i = 0; i < count; ++i) {
        auto r = std::make_shared<QuorelProperty>();
        // Appended piece by piece: g++ 12 at -O3 warns wrongly (-Wrestrict) about "literal" +
        // std::string temporaries.
        r->id = "p";
        r->id += std::to_string(i);
        r->name = "Place ";
        r->name += std::to_string(i);
        r->category = i % 2 ? "Food" : "Culture";
        r->street = i % 3 ? "Rue Grimaldi" : "";
        r->opening_hours = i % 4 ? "09:00-18:00" : "";
        r->lat = kUser.latitude + (50 + 10 * i) / 111'200.0;
        r->lng = kUser.longitude;
        out.push_back(r);
    }
    return out;
}

struct Host : QuorelVCDelegate, BackDelegate {
    std::vector<std::string> calls;
    void openElementDetails(const std::shared_ptr<QuorelProperty>& p) override {
        calls.push_back("open " + p->name);
    }
    void leaveARScreen() override { calls.push_back("leave"); }
    void pointsListDidClose() override { calls.push_back("closed"); }
};

struct Stage {
    sim::SimPlatform device;
    sim::SimSensors sensors;
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<ViewController> root = std::make_shared<ViewController>();
    std::shared_ptr<PointsVC> list = PointsVC::make();
    std::shared_ptr<Host> host = std::make_shared<Host>();
    sim::TouchDriver finger{device};

    explicit Stage(Size screen = {375, 812}) {
        LocationManager::resetSharedInstance();
        Bundle::framework().setLanguage("en");
        rereadUnitSetting();
        platformContext().console().startCapture();
        platformContext().device().setMainScreenBounds({{0, 0}, screen});
        window = std::make_shared<Window>();
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        device.runPending();
        LocationManager::sharedInstance()->start();
        LocationManager::sharedInstance()->setLatestLocation(
            Location(kUser, 0, 5, 5, device.now()));
        registerPlaceListLayouts();
    }
    ~Stage() {
        window.reset();
        list.reset();
        LocationManager::resetSharedInstance();
        Bundle::framework().setLanguage("");
    }
    void show(int count = 30) {
        list->tableData = places(count);
        root->present(list, false);
        device.runPending();
    }
    sim::SimMotionService& motion() {
        return static_cast<sim::SimMotionService&>(*list->motionManager());
    }
    void sample(double y) {
        motion().deliverAcceleration({0, y, 0});
        device.runPending();
    }
    bool listShown() const { return root->presentedViewController() == list; }
};

TEST(PointsVCTest, MainScreenSegueOpensTheListWithItsRecords) {
    Stage stage;
    sim::SimCamera camera{stage.device.context()};
    auto screen =
        std::dynamic_pointer_cast<QuorelVC>(LayoutRegistry::shared()
                                                .storyboard(kMainStoryboard)
                                                ->instantiateViewController(kQuorelVCIdentifier));
    ASSERT_NE(screen, nullptr);
    screen->serverPlaces = places(5);
    stage.root->present(screen, false);
    stage.device.runPending();
    stage.device.advance(1);
    screen->openPointsList();
    stage.device.advance(1);
    auto list = std::dynamic_pointer_cast<PointsVC>(screen->presentedViewController());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->tableData, screen->tableData);
    EXPECT_EQ(list->tableView->numberOfRows(), 5);
    auto cell = std::dynamic_pointer_cast<ArPlaceCell>(list->tableView->cellForRow(0));
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->titlelabel->text(), "Place 0");
    EXPECT_TRUE(list->isRaiseToCloseRunning());
}

TEST(PointsVCTest, RaisingThePhoneClosesAListWithPlacesAndOnlyThenReportsIt) {
    struct Case {
        const char* name;
        int places;
        double y;
        bool covered;  // another screen presented over the list
        bool closes;
    };
    const Case cases[] = {
        {"upright closes", 3, -0.9, false, true},
        {"exactly -0.7 does not", 3, -0.7, false, false},
        {"an empty list stays and reports nothing", 0, -1, false, false},
        {"a screen over the list keeps it", 3, -1, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Stage stage;
        stage.list->delegate = stage.host;
        stage.show(c.places);
        ASSERT_TRUE(stage.list->isRaiseToCloseRunning());
        EXPECT_EQ(stage.list->motionManager()->accelerometerUpdateInterval(), 1.0);
        EXPECT_EQ(stage.list->emptyLabel->isHidden(), c.places > 0);
        if (c.covered) {
            auto over = std::make_shared<ViewController>();
            over->setModalPresentationStyle(ModalPresentationStyle::overFullScreen);
            stage.list->present(over, false);
            stage.device.runPending();
        }
        stage.sample(c.y);
        // Nothing is reported before the dismissal has ended.
        EXPECT_TRUE(stage.host->calls.empty());
        stage.device.advance(1);
        EXPECT_EQ(stage.listShown(), !c.closes);
        EXPECT_EQ(stage.host->calls,
                  c.closes ? std::vector<std::string>{"closed"} : std::vector<std::string>{});
        EXPECT_EQ(stage.list->isRaiseToCloseRunning(), !c.closes);
    }
}

TEST(PointsVCTest, LeavingStopsTheAccelerometerAndAGoneListIgnoresSamples) {
    Stage stage;
    stage.list->delegate = stage.host;
    stage.show(3);
    auto motion = stage.list->motionManager();
    stage.list->backClicked();
    EXPECT_FALSE(motion->isAccelerometerActive());
    EXPECT_EQ(stage.host->calls, (std::vector<std::string>{"leave", "closed"}));
    stage.device.advance(1);
    EXPECT_FALSE(stage.listShown());

    // A list that is gone: the handler held it weakly, so it went, and late samples do nothing.
    std::weak_ptr<PointsVC> weak = stage.list;
    stage.list.reset();
    EXPECT_TRUE(weak.expired());
    static_cast<sim::SimMotionService&>(*motion).deliverAcceleration({0, -1, 0});
    stage.device.advance(1);
    EXPECT_EQ(stage.host->calls.size(), 2u);

    // Disappearing stops it too.
    Stage second;
    second.show(3);
    second.root->dismiss(false);
    second.device.advance(1);
    EXPECT_FALSE(second.list->isRaiseToCloseRunning());
}

TEST(PointsVCTest, RowsOpenTheRecordOfTheirRowEvenOffScreen) {
    Stage stage;
    stage.show(40);
    // Without any delegate: the details screen of the row's place, which knows its list.
    stage.list->selectRow(0);
    stage.device.advance(1);
    auto details = std::dynamic_pointer_cast<PlaceVC>(stage.list->presentedViewController());
    ASSERT_NE(details, nullptr);
    EXPECT_EQ(details->place, stage.list->tableData[0]);
    EXPECT_TRUE(details->fromPointsVC);
    EXPECT_EQ(details->delegate.lock(), stage.list);
    EXPECT_TRUE(stage.list->isPlaceVCShowed);
    // Leaving it tells the list, which listens for the raise again.
    stage.list->stopRaiseToClose();
    details->back();
    stage.device.advance(1);
    EXPECT_FALSE(stage.list->isPlaceVCShowed);
    EXPECT_TRUE(stage.list->isRaiseToCloseRunning());
    EXPECT_EQ(stage.list->presentedViewController(), nullptr);
    details.reset();

    stage.list->quorelDelegate = stage.host;
    stage.list->closeHintButton();
    ASSERT_EQ(stage.list->tableView->cellForRow(35), nullptr);
    stage.list->selectRow(35);  // not on screen: taken from the list's data
    auto cell = std::dynamic_pointer_cast<ArPlaceCell>(stage.list->tableView->cellForRow(1));
    ASSERT_NE(cell, nullptr);
    stage.list->forceSelectCellWithCell(*cell);
    ASSERT_TRUE(stage.finger.tap(*stage.list->tableView->cellForRow(2)->contentView()));
    EXPECT_EQ(stage.host->calls,
              (std::vector<std::string>{"open Place 35", "open Place 1", "open Place 2"}));
    EXPECT_EQ(stage.list->tableView->selectedRow(), std::nullopt);  // deselected again
    EXPECT_EQ(stage.list->presentedViewController(), nullptr);

    // Scrolling the whole list makes no more cells than fit on screen plus two.
    const auto shown = stage.list->tableView->visibleCells().size();
    for (double y = 0; y < stage.list->tableView->contentSize().height; y += 40)
        stage.list->tableView->setContentOffset({0, y});
    EXPECT_LE(stage.list->tableView->createdCellCount(), static_cast<int>(shown) + 2);
    EXPECT_EQ(LocationManager::sharedInstance()->headingCallbackCount(),
              stage.list->tableView->createdCellCount() + 1u);  // one per cell, one for the list
}

TEST(PointsVCTest, ShareButtonPassesTheTextAndAddressOfItsRowsPlace) {
    Stage stage;
    auto records = places(3);
    records[1]->shareText = "Come to Place 1";
    records[1]->shareurl = "https://example.org/p1";
    stage.list->tableData = records;
    stage.root->present(stage.list, false);
    stage.device.runPending();
    stage.list->closeHintButton();
    auto cell = std::dynamic_pointer_cast<ArPlaceCell>(stage.list->tableView->cellForRow(1));
    ASSERT_NE(cell, nullptr);
    EXPECT_TRUE(std::dynamic_pointer_cast<ArPlaceCell>(stage.list->tableView->cellForRow(0))
                    ->shareButton->isHidden());  // nothing to share
    platformContext().console().clear();
    ASSERT_TRUE(stage.finger.tap(*cell->shareButton));
    ASSERT_EQ(stage.list->sharedItems().size(), 2u);
    EXPECT_EQ(std::any_cast<std::string>(stage.list->sharedItems()[0]), "Come to Place 1");
    EXPECT_EQ(std::any_cast<std::string>(stage.list->sharedItems()[1]), "https://example.org/p1");
    // The system's share sheet shows the text and the address.
    stage.device.advance(1);
    ASSERT_EQ(stage.device.shareService().shared().size(), 1u);
    EXPECT_EQ(stage.device.shareService().shared()[0].items,
              (std::vector<ShareItem>{ShareItem::text("Come to Place 1"),
                                      ShareItem::url("https://example.org/p1")}));
    EXPECT_NE(
        std::dynamic_pointer_cast<ShareSheetController>(stage.list->presentedViewController()),
        nullptr);
    EXPECT_EQ(stage.list->tableView->selectedRow(), std::nullopt);  // the button's tap only
}

TEST(PointsVCTest, HeaderShadowDeepensWithScrollingUpToFullBlack) {
    Stage stage;
    stage.show(40);
    const auto& layer = stage.list->topView->layer();
    EXPECT_EQ(layer.shadowOpacity, 0.1);
    EXPECT_EQ(layer.shadowOffset, (Size{0, 1.5}));
    EXPECT_EQ(layer.shadowRadius, 2);
    const std::pair<double, double> offsets[] = {{0, 0}, {25, 0.5}, {50, 1}, {400, 1}, {-10, 0}};
    for (const auto& [offset, alpha] : offsets) {
        stage.list->tableView->setContentOffset({0, offset});
        EXPECT_EQ(layer.shadowColor, offset > 0 ? Color::black().withAlpha(alpha) : Color::clear())
            << offset;
    }
}

TEST(PointsVCTest, MovingAwayFromTheSearchCentreAsksForANewSearchOnBack) {
    Stage stage;
    int searches = 0;
    platformContext().notificationCenter().addObserver(&searches, kSearchForRadiusNotification,
                                                       [&](const Notification&) { ++searches; });
    PlaceRequest request;
    request.lat = kUser.latitude;
    request.lng =
        kUser.longitude + 200.5 / (111'320 * std::cos(kUser.latitude * std::numbers::pi / 180));
    stage.list->placeRequest = request;
    stage.show(3);
    auto& service =
        static_cast<sim::SimLocationService&>(*LocationManager::sharedInstance()->manager());
    service.deliverHeading({10, 10, 5, stage.device.now()});
    EXPECT_TRUE(stage.list->neededUpdateForExplore);
    stage.list->backClicked();
    stage.list->backClicked();
    EXPECT_EQ(searches, 1);
    platformContext().notificationCenter().removeObserver(&searches);
}

TEST(PointsVCTest, HintsAndScreenSizeAdjustments) {
    struct Case {
        Size screen;
        double hintFont;
        double bottomInset;
        double hintButtonTop;
    };
    for (const Case c :
         {Case{{375, 812}, 13, 34, 23}, Case{{320, 568}, 11, 0, 8}, Case{{414, 896}, 13, 34, 23}}) {
        SCOPED_TRACE(c.screen.width);
        Stage stage(c.screen);
        stage.show(3);
        EXPECT_EQ(stage.list->hintLabel->font().size, c.hintFont);
        EXPECT_EQ(stage.list->tableView->contentInset().bottom, c.bottomInset);
        EXPECT_EQ(stage.list->hintButtonTopConst, c.hintButtonTop);
        const Rect button = stage.list->hintButton->frame();
        const double start =
            c.screen.width == 414 ? button.minX() + button.width() + 30 : button.minX();
        EXPECT_EQ(stage.list->hintLabelConst, start);
        stage.list->hintPressed();
        EXPECT_EQ(stage.list->hintLabelConst, start < 100 ? button.minX() : 60);
        stage.list->hintPressed();
        EXPECT_EQ(stage.list->hintLabelConst, button.minX());
        EXPECT_EQ(stage.list->pointHintTitle->text(), "Places around you");

        EXPECT_FALSE(stage.list->hintView->isHidden());
        ASSERT_TRUE(stage.finger.tap(*stage.list->hintView));
        EXPECT_TRUE(stage.list->hintView->isHidden());
        EXPECT_TRUE(stage.list->hintView->gestureRecognizers().empty());
    }
}

}  // namespace
}  // namespace arquorel
