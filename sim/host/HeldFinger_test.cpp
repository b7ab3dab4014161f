// A finger resting on a screen while that screen closes: each screen of the product, closed
// the way a user or the host closes it and freed, then the finger moves and lifts. Nothing may
// reach the freed screen (the sanitizer build reports any use after free), nothing opens, and
// the next touch works as usual.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include <unistd.h>

#include "arquorel/arscreen/DebugMapViewController.h"
#include "arquorel/placelist/PlaceVC.h"
#include "arquorel/placelist/PointsVC.h"
#include "arquorel/placelist/WebViewVC.h"
#include "arquorel/places/AnnnotationView.h"
#include "arquorel/places/QuorelVC.h"
#include "arquorel/platform/maps/MapView.h"
#include "arquorel/platform/runtime/NotificationCenter.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/HitTest.h"
#include "arquorel/platform/ui/ScrollView.h"
#include "arquorel/platform/ui/TableView.h"
#include "arquorel/platform/ui/Window.h"
#include "arquorel/platform/web/WebView.h"
#include "sim/host/CommandTesting.h"
#include "sim/host/ScenarioPlayer.h"

namespace arquorel::sim {
namespace {

namespace fs = std::filesystem;

constexpr double kLat = 43.7393682, kLng = 7.4272085;  // Place du Casino

// The host with three places around the user and its main screen shown; a finger that the
// system keeps delivering to the window it came down on, whatever happens to the screens.
class HeldFingerTest : public ::testing::Test {
  protected:
    HeldFingerTest() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        pages_ = fs::path(::testing::TempDir()) / (std::string("arquorel_finger_") + info->name() +
                                                   "_" + std::to_string(::getpid()));
        fs::create_directories(pages_ / "casino.example");
        std::ofstream(pages_ / "casino.example" / "index.html")
            << "<title>Casino</title><p>Open daily.</p>";
    }
    ~HeldFingerTest() override {
        window_.reset();
        host_.reset();
        fs::remove_all(pages_);
    }

    // The phone is held at `pitch` degrees: tilted down, the list stays open.
    ScenarioHost& start(DeviceSetup setup = {}, double pitch = -50) {
        setup.pages = pages_;
        host_.emplace(setup, &log_);
        auto& host = *host_;
        host.records = {placeRecord("Est", kLat, 7.42795), placeRecord("Nord", 43.73982, kLng),
                        placeRecord("Ouest", kLat, 7.42621)};
        host.present();
        holdStill(pitch);
        window_ = host.phone().window();
        return host;
    }

    // The phone held still for two seconds, its sensors read as the player reads them.
    void holdStill(double pitch) {
        for (int i = 0; i < 40; ++i) {
            host_->phone().setPose(kLat, kLng, 90, pitch);
            host_->advance(SimPhone::kReadingPeriod);
        }
    }
    // The finger comes down on the middle of `view`, which (or a subview of which) it hits.
    bool down(const View& view) {
        const Rect b = view.bounds();
        at_ = convertToRoot(view, {b.midX(), b.midY()});
        const auto hit = hitTest(*window_, at_);
        if (!hit || (hit.get() != &view && !hit->isDescendantOf(view))) {
            ADD_FAILURE() << "the finger would hit " << (hit ? describeView(*hit) : "nothing");
            return false;
        }
        window_->sendTouch(TouchPhase::began, at_);
        return true;
    }
    // Moves far enough to start a drag.
    void drag(double dy) {
        at_.y += dy;
        window_->sendTouch(TouchPhase::moved, at_);
    }
    // The finger moves on, then lifts.
    void moveAndLift() {
        drag(-40);
        drag(-40);
        window_->sendTouch(TouchPhase::ended, at_);
    }
    // After the lift: the touch is over and the window routes the next one as usual.
    void expectTheTouchIsOver() {
        EXPECT_EQ(window_->touchedView(), nullptr);
        const auto hit = hitTest(*window_, {10, 400});
        ASSERT_TRUE(hit);
        window_->sendTouch(TouchPhase::began, {10, 400});
        EXPECT_EQ(window_->touchedView(), hit);
        window_->sendTouch(TouchPhase::ended, {10, 400});
        EXPECT_EQ(window_->touchedView(), nullptr);
    }

    std::ostringstream log_;
    fs::path pages_;
    std::optional<ScenarioHost> host_;
    std::shared_ptr<Window> window_;
    Point at_;
};

// A row held while the phone is raised: the list closes and is freed; the lift selects no row.
TEST_F(HeldFingerTest, TheListClosesUnderAHeldRow) {
    auto& host = start();
    host.openList();
    host.advance(1);
    ASSERT_TRUE(host.tapView("hintView"));  // the hint over the list goes
    host.advance(1);
    std::weak_ptr<PointsVC> list = host.list();
    ASSERT_FALSE(list.expired());
    {
        const auto cell = list.lock()->tableView->cellForRow(0);
        ASSERT_TRUE(cell);
        ASSERT_TRUE(down(*cell));
    }
    host.phone().setPitch(0);  // raised upright
    host.advance(2);
    ASSERT_TRUE(host.screenOnTop()) << log_.str();
    EXPECT_TRUE(list.expired()) << "the closed list is kept alive";
    EXPECT_EQ(window_->touchedView(), nullptr) << "the window keeps a view of the closed screen";
    const auto calls = host.delegateCalls();
    moveAndLift();
    host.advance(1);
    EXPECT_TRUE(host.screenOnTop());
    EXPECT_EQ(host.delegateCalls(), calls);
    expectTheTouchIsOver();
}

// The details screen dragged by a finger when "fromSiri" closes it.
TEST_F(HeldFingerTest, TheDetailsCloseFromSiriUnderADrag) {
    DeviceSetup setup;
    setup.delegate = false;  // the main screen presents the details itself
    auto& host = start(setup);
    ASSERT_TRUE(host.openDetails("Est")) << log_.str();
    host.advance(1);
    std::weak_ptr<PlaceVC> details = host.details();
    ASSERT_FALSE(details.expired());
    ASSERT_TRUE(down(*details.lock()->scrollView));
    drag(-30);
    platformContext().notificationCenter().post(kFromSiriNotification);
    host.advance(1);
    ASSERT_TRUE(host.screenOnTop()) << log_.str();
    EXPECT_TRUE(details.expired()) << "the closed details screen is kept alive";
    EXPECT_EQ(window_->touchedView(), nullptr) << "the window keeps a view of the closed screen";
    moveAndLift();
    host.advance(1);
    EXPECT_TRUE(host.screenOnTop());
    expectTheTouchIsOver();
}

// The web page held by a finger when the host dismisses it.
TEST_F(HeldFingerTest, TheWebPageIsDismissedUnderAFinger) {
    auto& host = start();
    host.browse("https://casino.example/index.html", "Website");
    host.advance(1);
    std::weak_ptr<WebViewVC> web =
        std::dynamic_pointer_cast<WebViewVC>(window_->topViewController());
    ASSERT_FALSE(web.expired()) << log_.str();
    ASSERT_TRUE(down(*web.lock()->webView));
    web.lock()->dismiss(true);
    host.advance(1);
    ASSERT_TRUE(host.screenOnTop()) << log_.str();
    EXPECT_TRUE(web.expired()) << "the dismissed page is kept alive";
    EXPECT_EQ(window_->touchedView(), nullptr) << "the window keeps a view of the closed screen";
    moveAndLift();
    host.advance(1);
    EXPECT_TRUE(host.screenOnTop());
    expectTheTouchIsOver();
}

// A long press begun on the debug map when the map closes: the press never picks a position.
TEST_F(HeldFingerTest, TheDebugMapClosesUnderALongPress) {
    DeviceSetup setup;
    setup.debugMap = true;
    auto& host = start(setup);
    ASSERT_TRUE(host.tapView("debugMapButton")) << log_.str();
    host.advance(1);
    std::weak_ptr<DebugMapViewController> map =
        std::dynamic_pointer_cast<DebugMapViewController>(window_->topViewController());
    ASSERT_FALSE(map.expired()) << log_.str();
    ASSERT_TRUE(down(*map.lock()->mapView()));
    map.lock()->dismiss(false);
    host.advance(3);  // long past the press's half second and the map's delayed post
    ASSERT_TRUE(host.screenOnTop()) << log_.str();
    EXPECT_TRUE(map.expired()) << "the closed map is kept alive";
    EXPECT_EQ(window_->touchedView(), nullptr) << "the window keeps a view of the closed screen";
    moveAndLift();
    host.advance(2);
    EXPECT_EQ(log_.str().find("debug map: posts"), std::string::npos) << log_.str();
    expectTheTouchIsOver();
}

// A card held on the main screen when the host dismisses it, then when the host goes away
// altogether: the lift opens nothing.
TEST_F(HeldFingerTest, TheMainScreenGoesUnderAHeldCard) {
    auto& host = start({}, 0);
    // Puts the finger on the card of "Est" of the screen on top; the screen, weakly.
    const auto holdCard = [&] {
        for (int i = 0; i < 2; ++i) {  // the two hints over the cards go
            EXPECT_TRUE(host.tapAt({187, 406}));
            host.advance(0.5);
        }
        const auto cards = host.cardsNamed("Est");
        EXPECT_FALSE(cards.empty()) << log_.str();
        if (cards.empty() || !down(*cards.front())) return std::weak_ptr<QuorelVC>();
        return std::weak_ptr<QuorelVC>(host.screen());
    };
    auto screen = holdCard();
    ASSERT_FALSE(screen.expired());
    const auto calls = host.delegateCalls();
    host.root()->dismiss(false);
    host.advance(QuorelVC::kAlertDelay + 1);
    EXPECT_TRUE(screen.expired()) << "the dismissed main screen is kept alive";
    EXPECT_EQ(window_->touchedView(), nullptr) << "the window keeps a view of the closed screen";
    window_->sendTouch(TouchPhase::ended, at_);
    host.advance(1);
    EXPECT_EQ(host.delegateCalls(), calls);
    expectTheTouchIsOver();

    host.present();
    holdStill(0);
    screen = holdCard();
    ASSERT_FALSE(screen.expired());
    host_.reset();  // the host tears down: screens dismissed, window let go
    EXPECT_TRUE(screen.expired()) << "the main screen is kept alive";
    EXPECT_EQ(window_->touchedView(), nullptr);  // the card went with its screen
    moveAndLift();
    EXPECT_EQ(window_->touchedView(), nullptr);
}

}  // namespace
}  // namespace arquorel::sim
