#include "arquorel/places/AnnnotationView.h"

#include <gtest/gtest.h>

#include <vector>

#include "arquorel/places/DistanceText.h"
#include "arquorel/places/LogoLoader.h"
#include "arquorel/places/Place.h"
#include "arquorel/places/ToolTipEstate.h"
#include "arquorel/platform/drawing/ViewTreeDump.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"
#include "sim/device/TouchDriver.h"

namespace arquorel {
namespace {

struct Recorder : AnnotationViewDelegate {
    std::vector<std::pair<double, const AnnnotationView*>> taps;
    void annotationViewTapped(const std::shared_ptr<AnnnotationView>& view) override {
        taps.emplace_back(platformContext().now(), view.get());
    }
};

// Holds its views strongly, as the main screen does through its presenter.
struct Owner : AnnotationViewDelegate {
    std::vector<std::shared_ptr<AnnnotationView>> views;
    void annotationViewTapped(const std::shared_ptr<AnnnotationView>&) override {}
};

class AnnnotationViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Bundle::framework().setLanguage("en");
        rereadUnitSetting();
        LogoLoader::reset();
        window->makeKeyAndVisible();
    }
    void TearDown() override {
        Bundle::framework().setLanguage("");
        rereadUnitSetting();
    }
    std::shared_ptr<Place> place(const std::string& name, double distance) {
        auto p = std::make_shared<QuorelProperty>();
        p->name = name;
        p->lat = 43.7396;
        p->lng = 7.4276;
        p->category_color = "#DC3545";
        auto a = Place::create(p);
        a->setDistanceFromUser(distance);
        return a;
    }
    // A card view for `annotation`, shown in the window.
    std::shared_ptr<AnnnotationView> shown(const std::shared_ptr<ARAnnotation>& annotation) {
        auto view = AnnnotationView::createWithCard({20, 40, 200, 110});
        view->setAnnotation(annotation);
        window->addSubview(view);
        device.runPending();
        return view;
    }

    sim::SimPlatform device;
    std::shared_ptr<Window> window = std::make_shared<Window>(Rect{0, 0, 375, 812});
};

TEST_F(AnnnotationViewTest, BoundWhenShownAndRefreshedAfterMoves) {
    auto casino = place("Casino", 1234);
    auto view = shown(casino);
    auto card = view->card();
    ASSERT_TRUE(card);
    EXPECT_EQ(card->frame(), (Rect{0, 0, 198, 108}));
    EXPECT_EQ(card->nameLabel->text(), "Casino");
    EXPECT_EQ(card->distanceLabel->text(), "1.2km");
    EXPECT_EQ(card->gestureRecognizers().size(), 1u);

    casino->setDistanceFromUser(80);
    view->refreshCard();
    EXPECT_EQ(card->distanceLabel->text(), "80m");
    view->configureCard();
    EXPECT_EQ(card->gestureRecognizers().size(), 1u);  // installed once

    const std::string dump = dumpViewTree(*view);
    EXPECT_NE(dump.find("text=\"Casino\""), std::string::npos) << dump;
    EXPECT_NE(dump.find("text=\"80m\""), std::string::npos) << dump;

    // A place without a record leaves the card as it was; refreshing never hides it.
    casino->property = nullptr;
    view->configureCard();
    EXPECT_EQ(card->nameLabel->text(), "Casino");
    EXPECT_FALSE(card->isHidden());
}

TEST_F(AnnnotationViewTest, CardHiddenWithoutAPlace) {
    auto plain = ARAnnotation::create(std::nullopt, std::nullopt,
                                      Location{{43.7, 7.4}, 0, 5, 5, platformContext().now()});
    auto view = shown(plain);
    EXPECT_TRUE(view->card()->isHidden());
    EXPECT_EQ(view->card()->gestureRecognizers().size(), 1u);
    // Without a card nothing is bound and nothing breaks.
    auto bare = AnnnotationView::create({0, 0, 100, 50});
    bare->setAnnotation(place("Bare", 1));
    window->addSubview(bare);
    bare->refreshCard();
    EXPECT_FALSE(bare->card());
}

TEST_F(AnnnotationViewTest, TapBlinksTicksAndCallsTheDelegateLater) {
    auto view = shown(place("Casino", 300));
    auto delegate = std::make_shared<Recorder>();
    view->setDelegate(delegate);
    auto& app = device.context().application();
    app.clearHapticEvents();

    sim::TouchDriver finger{device, window};
    ASSERT_TRUE(finger.tap(*view->card()));
    // The tap is recognised when the finger lifts; the delegate comes 0.01 s after that.
    ASSERT_EQ(app.hapticEvents().size(), 1u);
    EXPECT_EQ(app.hapticEvents()[0].kind, HapticEvent::Kind::selectionChanged);
    const double tappedAt = app.hapticEvents()[0].time;
    auto blink = view->card()->blinkImageView;
    ASSERT_FALSE(blink->animations().empty());
    const auto& flash = blink->animations().back();
    EXPECT_EQ(flash.property, AnimatedProperty::alpha);
    EXPECT_EQ(std::get<double>(flash.from), kBlinkOpacity);
    EXPECT_EQ(std::get<double>(flash.to), 0);
    EXPECT_EQ(flash.duration, kBlinkDuration);
    EXPECT_EQ(blink->alpha(), 0);

    device.advance(0.5);
    ASSERT_EQ(delegate->taps.size(), 1u);
    EXPECT_NEAR(delegate->taps[0].first - tappedAt, kTapDelegateDelay, 1e-6);
    EXPECT_EQ(delegate->taps[0].second, view.get());

    // No delegate, or a view gone before the delayed call: nothing happens.
    view->setDelegate(nullptr);
    view->tapedWithPopup();
    device.advance(0.1);
    view->setDelegate(delegate);
    view->tapedWithPopup();
    view->removeFromSuperview();
    view.reset();
    device.advance(0.1);
    EXPECT_EQ(delegate->taps.size(), 1u);
}

TEST_F(AnnnotationViewTest, DelegateHeldWeaklySoAnOwnerCanGo) {
    auto owner = std::make_shared<Owner>();
    std::weak_ptr<Owner> watch = owner;
    auto view = AnnnotationView::createWithCard();
    view->setAnnotation(place("Port", 10));
    view->setDelegate(owner);
    view->configureCard();
    owner->views.push_back(view);
    std::weak_ptr<AnnnotationView> watchView = view;
    view.reset();
    owner.reset();
    // Under the address sanitizer a cycle here would also be reported as a leak.
    EXPECT_TRUE(watch.expired());
    EXPECT_TRUE(watchView.expired());
}

}  // namespace
}  // namespace arquorel
