#include "arquorel/placelist/PointsVC.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/placelist/PlaceVC.h"
#include "arquorel/places/DistanceText.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/NotificationCenter.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/sensors/Geodesy.h"
#include "arquorel/platform/ui/HitTest.h"
#include "arquorel/platform/ui/LayoutRegistry.h"
#include "arquorel/platform/ui/Storyboard.h"
#include "arquorel/platform/ui/Window.h"
#include "arquorel/platform/web/ShareSheet.h"
#include "arquorel/toolkit/TextCase.h"
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
        {"a list of one place closes too", 1, -0.9, false, true},
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

TEST(PointsVCTest, WithoutAnAccelerometerTheListSaysSoAndStaysOpen) {
    Stage stage;
    stage.list->delegate = stage.host;
    stage.motion().setAccelerometerAvailable(false);
    platformContext().console().clear();
    stage.show(3);
    EXPECT_FALSE(stage.list->isRaiseToCloseRunning());
    EXPECT_EQ(platformContext().console().lines(),
              std::vector<std::string>{"Accelerometer is not available"});
    stage.sample(-1);
    stage.device.advance(1);
    EXPECT_TRUE(stage.listShown());
    EXPECT_TRUE(stage.host->calls.empty());
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

TEST(PointsVCTest, TheListSharesWhatTheDetailsScreenSharesForTheSameRecord) {
    using K = ShareItem;
    struct Case {
        const char* text;
        const char* url;
        std::vector<ShareItem> items;  // none: the list hides its button, the details dim it
    };
    const Case cases[] = {
        {"Come", "https://x.mc/p", {K::text("Come"), K::url("https://x.mc/p")}},
        {"Come", "javascript:alert(1)", {K::text("Come")}},
        {"", "javascript:alert(1)", {}},
        {"", "https://x.mc/a%20b#top", {K::url("https://x.mc/a%20b#top")}},
        {"   ", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " | " + c.url);
        Stage stage;
        auto records = places(2);
        records[1]->shareText = c.text;
        records[1]->shareurl = c.url;
        stage.list->tableData = records;
        stage.root->present(stage.list, false);
        stage.device.runPending();
        stage.list->closeHintButton();

        // The list's row.
        auto cell = std::dynamic_pointer_cast<ArPlaceCell>(stage.list->tableView->cellForRow(1));
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->shareButton->isHidden(), c.items.empty());
        std::vector<ShareItem> fromList;
        if (!c.items.empty()) {
            ASSERT_TRUE(stage.finger.tap(*cell->shareButton));
            EXPECT_EQ(stage.list->tableView->selectedRow(), std::nullopt);  // the button only
            stage.device.advance(1);
            auto sheet = std::dynamic_pointer_cast<ShareSheetController>(
                stage.list->presentedViewController());
            ASSERT_NE(sheet, nullptr);
            fromList = sheet->items();
            ASSERT_EQ(stage.device.shareService().shared().size(), 1u);
            EXPECT_EQ(stage.device.shareService().shared()[0].items, fromList);
            sheet->cancel();
            stage.device.advance(1);
        }

        // The details screen of the same record, opened from that row.
        ASSERT_TRUE(stage.finger.tap(*cell->contentView()));
        stage.device.advance(1);
        auto details = std::dynamic_pointer_cast<PlaceVC>(stage.list->presentedViewController());
        ASSERT_NE(details, nullptr);
        EXPECT_EQ(details->shareButton->isEnabled(), !c.items.empty());
        EXPECT_EQ(details->shareButton->alpha() < 1, c.items.empty());
        std::vector<ShareItem> fromDetails;
        if (!c.items.empty()) {
            ASSERT_TRUE(stage.finger.tap(*details->shareButton));
            stage.device.advance(1);
            auto sheet =
                std::dynamic_pointer_cast<ShareSheetController>(details->presentedViewController());
            ASSERT_NE(sheet, nullptr);
            fromDetails = sheet->items();
        }
        EXPECT_EQ(fromList, c.items);
        EXPECT_EQ(fromDetails, c.items);
    }
}

TEST(PointsVCTest, HeaderShadowDeepensWithScrollingUpToFullBlack) {
    Stage stage;
    stage.show(40);
    const auto& layer = stage.list->topView->layer();
    const std::pair<double, double> offsets[] = {{0, 0}, {25, 0.5}, {50, 1}, {400, 1}, {-10, 0}};
    for (const auto& [offset, alpha] : offsets) {
        stage.list->tableView->setContentOffset({0, offset});
        EXPECT_EQ(layer.shadowColor, offset > 0 ? Color::black().withAlpha(alpha) : Color::clear())
            << offset;
    }
    // Scrolling on past full black leaves the header's drawing (and its layer) as it is.
    stage.list->tableView->setContentOffset({0, 400});
    const auto drawn = stage.list->topView->contentGeneration();
    for (const double offset : {420.0, 440.0, 460.0})
        stage.list->tableView->setContentOffset({0, offset});
    EXPECT_EQ(stage.list->topView->contentGeneration(), drawn);
}

// A search centre due east of the user, `metres` away by the platform's own distance.
PlaceRequest requestEastAt(double metres) {
    PlaceRequest request;
    request.lat = kUser.latitude;
    const double perMetre = 1 / (111'320 * std::cos(kUser.latitude * std::numbers::pi / 180));
    request.lng = kUser.longitude + metres * perMetre;
    // Walk the longitude until the distance is the one asked for, to the last bit where the
    // doubles allow it.
    const Location user(kUser.latitude, kUser.longitude);
    for (int i = 0; i < 60; ++i) {
        const double d = distance(user, Location(request.lat, request.lng));
        request.lng += (metres - d) * perMetre;
    }
    return request;
}

TEST(PointsVCTest, MovingAwayFromTheSearchCentreAsksForANewSearchOnBack) {
    struct Case {
        const char* name;
        std::optional<PlaceRequest> request;
        bool search;
    };
    const Case cases[] = {
        {"still near the centre", requestEastAt(199.5), false},
        {"past 200 m", requestEastAt(200.5), true},
        {"no search to compare with", std::nullopt, false},
    };
    // No coordinate lies at exactly 200.0 m by the platform's distance, so the boundary
    // itself is checked on the rule: 200 m is far enough, anything less is not.
    {
        Stage stage;
        EXPECT_TRUE(stage.list->isFarFromSearch(200.0));
        EXPECT_FALSE(stage.list->isFarFromSearch(std::nextafter(200.0, 0.0)));
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Stage stage;
        int searches = 0;
        platformContext().notificationCenter().addObserver(
            &searches, kSearchForRadiusNotification, [&](const Notification&) { ++searches; });
        stage.list->placeRequest = c.request;
        stage.show(3);
        auto& service =
            static_cast<sim::SimLocationService&>(*LocationManager::sharedInstance()->manager());
        service.deliverHeading({10, 10, 5, stage.device.now()});
        stage.list->backClicked();
        stage.list->backClicked();
        EXPECT_EQ(searches, c.search ? 1 : 0);  // once, however often back is pressed
        platformContext().notificationCenter().removeObserver(&searches);
    }
}

// The part of the hint label that shows beside the hint button (it is cut off at the button).
double shownHintWidth(const PointsVC& list) {
    const Rect label = list.hintLabel->frame();
    const double clip = list.hintButton->frame().minX();
    return std::clamp(clip - label.minX(), 0.0, label.width());
}

TEST(PointsVCTest, TheHintFitsEachScreenAndTheLastRowStaysAboveTheHomeIndicator) {
    struct Case {
        Size screen;
        double hintFont;   // smaller on the narrowest phone
        double indicator;  // the home indicator's strip at the bottom
    };
    for (const Case c : {Case{{375, 812}, 13, 34}, Case{{320, 568}, 11, 0},
                         Case{{414, 896}, 13, 34}, Case{{375, 667}, 13, 0}}) {
        SCOPED_TRACE(c.screen.height);
        Stage stage(c.screen);
        stage.show(30);
        auto& list = *stage.list;
        EXPECT_EQ(list.pointHintTitle->text(), "Places around you");
        EXPECT_EQ(list.hintLabel->font().size, c.hintFont);
        // The hint button sits in the header, under the status bar, on every screen.
        const Rect button = list.hintButton->frame();
        EXPECT_GE(button.minY(), c.screen.height >= 812 ? 44 : 20);
        EXPECT_LE(button.maxY(), list.topView->frame().maxY());
        EXPECT_LE(button.maxX(), c.screen.width);

        // The reminder is hidden under the button, slides out on a press and back on the next.
        EXPECT_EQ(shownHintWidth(list), 0);
        list.hintPressed();
        EXPECT_GT(shownHintWidth(list), 100);
        EXPECT_GE(list.hintLabel->frame().minX(), list.backButton->frame().maxX());
        list.hintPressed();
        EXPECT_EQ(shownHintWidth(list), 0);

        // The overlay goes with a tap anywhere, and only once.
        EXPECT_FALSE(list.hintView->isHidden());
        ASSERT_TRUE(stage.finger.tap(*list.hintView));
        EXPECT_TRUE(list.hintView->isHidden());
        EXPECT_TRUE(list.hintView->gestureRecognizers().empty());

        // Scrolled to the end, the last row ends above the home indicator.
        auto& table = *list.tableView;
        // Rows are measured as they show, so the end moves until every row has been seen.
        for (int i = 0; i < 10; ++i) {
            table.setContentOffset({0, table.contentSize().height + table.contentInset().bottom -
                                           table.frame().height()});
            stage.device.advance(0.1);
        }
        const auto last = table.cellForRow(29);
        ASSERT_NE(last, nullptr);
        const double bottom = convertToRoot(*last, {0, last->bounds().height()}).y;
        EXPECT_NEAR(bottom, c.screen.height - c.indicator, 0.5);
    }
}

// Records that differ irregularly, so that no cell is reused for a record of the same shape.
std::vector<std::shared_ptr<QuorelProperty>> irregularPlaces(int count) {
    auto out = places(count);
    unsigned seed = 7;
    for (auto& r : out) {
        seed = seed * 1103515245u + 12345u;
        const unsigned bits = seed >> 16;
        r->opening_hours = bits & 1 ? "Mo-Su " + std::to_string(bits % 12) + ":00-20:00" : "";
        r->street = bits & 2 ? "Rue " + std::to_string(bits % 97) : "";
        r->city = bits & 4 ? "Monaco" : "";
        r->category = bits & 8 ? "Cat " + std::to_string(bits % 13) : "";
        r->parent_category_title = bits & 16 ? "Parent" : "";
        r->shareText = bits & 32 ? "Share " + r->name : "";
        if (bits & 64) r->name += " with a name long enough to need a second line in its row";
    }
    return out;
}

TEST(PointsVCTest, ReusedCellsShowOnlyTheirOwnRecord) {
    Stage stage;
    stage.list->tableData = irregularPlaces(60);
    stage.root->present(stage.list, false);
    stage.device.runPending();
    stage.list->closeHintButton();
    auto& table = *stage.list->tableView;
    int checked = 0;
    const auto checkVisible = [&](double offset) {
        table.setContentOffset({0, offset});
        stage.device.advance(0.05);
        for (const auto& [row, base] : table.visibleCells()) {
            const auto cell = std::dynamic_pointer_cast<ArPlaceCell>(base);
            ASSERT_NE(cell, nullptr);
            const auto& r = *stage.list->tableData[static_cast<std::size_t>(row)];
            SCOPED_TRACE(r.name);
            EXPECT_EQ(cell->titlelabel->text(), r.name);
            EXPECT_EQ(cell->timeLabel->text(),
                      r.opening_hours.empty() ? "" : r.opening_hours + " ");
            EXPECT_EQ(cell->timeLabel->isHidden(), r.opening_hours.empty());
            EXPECT_EQ(cell->locationLabel->text(),
                      r.street.empty() ? "" : r.displayAddress() + " ");
            EXPECT_EQ(cell->locationLabel->isHidden(), r.street.empty());
            std::vector<std::string> tags;
            for (const auto* t : {&r.parent_category_title, &r.category})
                if (!t->empty()) tags.push_back(upperCased(*t + "  "));
            EXPECT_EQ(cell->collectionView->tagTexts(), tags);
            EXPECT_EQ(cell->shareButton->isHidden(), r.shareText.empty());
            const Location place(r.lat, r.lng);
            EXPECT_EQ(cell->distanceLabel->text(),
                      cellDistanceText(distance(Location(kUser.latitude, kUser.longitude), place)));
            ++checked;
        }
    };
    // Down in uneven steps, then back up.
    const double height = table.contentSize().height;
    double y = 0;
    for (int i = 0; y < height; ++i) {
        checkVisible(y);
        y += 70 + 45 * (i % 4);
    }
    for (; y > 0; y -= 130) checkVisible(y);
    checkVisible(0);
    EXPECT_GT(checked, 200);
    EXPECT_LT(table.createdCellCount(), 20);  // cells were reused
}

}  // namespace
}  // namespace arquorel
