#include "arquorel/places/AnnnotationView.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "arquorel/places/CategoryColor.h"
#include "arquorel/places/DistanceText.h"
#include "arquorel/places/Place.h"
#include "arquorel/places/PlacesFile.h"
#include "arquorel/places/ToolTipEstate.h"
#include "arquorel/platform/drawing/Renderer.h"
#include "arquorel/platform/drawing/ViewTreeDump.h"
#include "arquorel/platform/drawing/cairo/CairoCanvas.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"
#include "sim/device/TouchDriver.h"

namespace arquorel {
namespace {

// Records taps; holding its views strongly, as the main screen does through its presenter.
struct Screen : AnnotationViewDelegate {
    std::vector<double> taps;
    std::vector<std::shared_ptr<AnnnotationView>> views;
    void annotationViewTapped(const std::shared_ptr<AnnnotationView>&) override {
        taps.push_back(platformContext().now());
    }
};

class AnnnotationViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Bundle::framework().setLanguage("en");
        rereadUnitSetting();
    }
    void TearDown() override { Bundle::framework().setLanguage(""); }
    std::shared_ptr<AnnnotationView> shown(std::shared_ptr<QuorelProperty> record, double distance,
                                           Rect frame = {20, 40, 169, 93}) {
        auto place = Place::create(record);
        place->setDistanceFromUser(distance);
        places.push_back(place);  // views hold their annotations weakly
        auto view = AnnnotationView::createWithCard(frame);
        view->setAnnotation(place);
        window->addSubview(view);
        device.runPending();
        return view;
    }

    sim::SimPlatform device;
    std::shared_ptr<Window> window = std::make_shared<Window>(Rect{0, 0, 375, 400});
    std::vector<std::shared_ptr<Place>> places;
};

TEST_F(AnnnotationViewTest, BoundWhenShownRefreshedAfterMoves) {
    auto casino = std::make_shared<QuorelProperty>();
    casino->name = "Casino";
    auto view = shown(casino, 1234);
    auto card = view->card();
    EXPECT_EQ(card->frame(), (Rect{0, 0, 166, 91}));  // 2 points inside at the right and bottom
    EXPECT_EQ(card->distanceLabel->text(), "1.2km");
    places[0]->setDistanceFromUser(80);
    view->refreshCard();
    view->configureCard();
    EXPECT_EQ(card->gestureRecognizers().size(), 1u);
    const std::string dump = dumpViewTree(*view);
    for (const char* text : {"text=\"Casino\"", "text=\"80m\""})
        EXPECT_NE(dump.find(text), std::string::npos) << dump;

    view->setAnnotation(nullptr);
    view->refreshCard();
    EXPECT_FALSE(card->isHidden());
    view->configureCard();
    EXPECT_TRUE(card->isHidden());
}

TEST_F(AnnnotationViewTest, TapFlashesTicksThenTellsTheDelegate) {
    auto view = shown(std::make_shared<QuorelProperty>(), 300);
    auto screen = std::make_shared<Screen>();
    view->setDelegate(screen);
    auto& app = device.context().application();
    app.clearHapticEvents();
    ASSERT_TRUE(sim::TouchDriver(device, window).tap(*view->card()));
    ASSERT_EQ(app.hapticEvents().size(), 1u);
    EXPECT_EQ(app.hapticEvents()[0].kind, HapticEvent::Kind::selectionChanged);
    const auto& flash = view->card()->blinkImageView->animations().at(0);
    EXPECT_EQ(flash.from, AnimationRecord::Value(kBlinkOpacity));
    EXPECT_EQ(flash.to, AnimationRecord::Value(0.0));
    EXPECT_EQ(flash.duration, kBlinkDuration);
    device.advance(0.5);
    ASSERT_EQ(screen->taps.size(), 1u);
    EXPECT_NEAR(screen->taps[0] - app.hapticEvents()[0].time, kTapDelegateDelay, 1e-6);

    // The card is reused for another place within the delay: the tap was not about that one.
    view->tapedWithPopup();
    auto other = Place::create(std::make_shared<QuorelProperty>());
    view->setAnnotation(other);
    device.advance(0.1);
    EXPECT_EQ(screen->taps.size(), 1u);
    // Reused for the same place again (a reload): the tap still counts.
    auto same = view->annotation();
    view->tapedWithPopup();
    view->setAnnotation(nullptr);
    view->setAnnotation(same);
    device.advance(0.1);
    EXPECT_EQ(screen->taps.size(), 2u);

    view->tapedWithPopup();  // the view goes before the delayed call
    view->removeFromSuperview();
    view.reset();
    device.advance(0.1);
    EXPECT_EQ(screen->taps.size(), 2u);
}

TEST_F(AnnnotationViewTest, DelegateHeldWeakly) {
    auto screen = std::make_shared<Screen>();
    std::weak_ptr<Screen> watch = screen;
    screen->views.push_back(AnnnotationView::createWithCard());
    screen->views[0]->setDelegate(screen);
    screen.reset();
    EXPECT_TRUE(watch.expired());  // a strong delegate would close a cycle (asan: a leak)
}

// Draws Monaco cards over a sky-coloured background and checks the look; the picture is kept
// for people to see ($ARQUOREL_CARD_PICTURE, else the test temp folder).
TEST_F(AnnnotationViewTest, MonacoCardsDrawn) {
    const auto file = PlacesFile::fromPath(ARQUOREL_DATA_DIR "/monaco/places.json");
    const auto find = [&](const std::string& id) {
        for (const auto& r : file.records)
            if (r->id == id) return std::make_shared<QuorelProperty>(*r);
        return std::make_shared<QuorelProperty>();
    };
    auto villa = find("n6456634692");
    villa->name = "Villa";
    villa->price = "4 900 000 €";
    auto grey = find("n954713831");
    grey->category_color.clear();
    window->setBackgroundColor({0.46, 0.55, 0.62, 1});
    const std::vector<std::shared_ptr<AnnnotationView>> views{
        shown(find("n4416197079"), 236, {14, 20, 253, 139}),  // a main card, 1.5 times larger
        shown(find("n1876870084"), 1480, {14, 180, 169, 93}),
        shown(villa, 812, {192, 180, 169, 93}), shown(grey, 95, {14, 290, 169, 93}),
        shown(find("n6456634692"), 2210, {192, 290, 169, 93})};
    window->layoutIfNeededRecursively();
    cairo::CairoCanvas canvas({375, 400}, 2);
    Renderer().render(*window, canvas);
    const char* out = std::getenv("ARQUOREL_CARD_PICTURE");
    EXPECT_EQ(canvas.writePng(out ? out : ::testing::TempDir() + "cards.png"), std::nullopt);
    for (const auto& view : views) {
        const auto card = view->card();
        const Rect f = view->frame(), tile = card->contentView->frame();
        SCOPED_TRACE(card->nameLabel->text());
        EXPECT_EQ(canvas.colorAt({f.maxX() - 6, f.midY()}), Color::white());
        const auto& hex = card->property()->category_color;
        const Color want = hex.empty() ? kNoCategoryGray : colorFromHexText(hex);
        const Color seen = canvas.colorAt({f.x() + tile.x() + 3, f.y() + tile.midY()});
        EXPECT_NEAR(seen.red + seen.green + seen.blue, want.red + want.green + want.blue, 0.05);
        const Color shadow = canvas.colorAt({f.midX(), f.maxY() - 1});
        EXPECT_LT(shadow.red + shadow.green + shadow.blue, 0.46 + 0.55 + 0.62);
    }
}

}  // namespace
}  // namespace arquorel
