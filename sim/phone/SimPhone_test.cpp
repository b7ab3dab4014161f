#include "sim/phone/SimPhone.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>

#include "arquorel/arcore/ARStatus.h"
#include "arquorel/arscreen/DotsView.h"
#include "arquorel/arscreen/LocationManager.h"
#include "arquorel/arscreen/RadarView.h"
#include "arquorel/places/AnnnotationView.h"
#include "arquorel/places/PlacesFile.h"
#include "arquorel/places/QuorelVC.h"
#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/drawing/Renderer.h"
#include "arquorel/platform/drawing/cairo/CairoCanvas.h"
#include "arquorel/platform/runtime/NotificationCenter.h"
#include "arquorel/platform/ui/ViewController.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/GpxReader.h"

namespace arquorel::sim {
namespace {

namespace fs = std::filesystem;

constexpr double kCasinoSquareLat = 43.7393682;
constexpr double kCasinoSquareLng = 7.4272085;

struct Taps : QuorelVCDelegate {
    std::vector<std::string> opened;
    void openElementDetails(const std::shared_ptr<QuorelProperty>& place) override {
        opened.push_back(place ? place->name : "?");
    }
};

// The host's steps: the shared location manager started, the main screen with the Monaco
// places presented over a root screen, the phone facing the Casino.
std::shared_ptr<QuorelVC> presentMainScreen(SimPhone& phone, const std::shared_ptr<Taps>& taps) {
    phone.setPose(kCasinoSquareLat, kCasinoSquareLng, 108, 0);
    LocationManager::sharedInstance()->start();
    auto root = std::make_shared<ViewController>();
    phone.show(root);
    auto screen = QuorelVC::make();
    screen->serverPlaces = PlacesFile::fromPath(ARQUOREL_DATA_DIR "/monaco/places.json").records;
    screen->showsFirstUseHints = false;
    screen->delegate = taps;
    root->present(screen, false);
    phone.advance(3);
    return screen;
}

double angleBetween(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180 ? 360 - d : d;
}

TEST(SimPhoneTest, ThePoseKeepsItsReadingsFlowingUnlessTheDriverFeedsThem) {
    // Steady readings bring the screen round to the pose; readings only when the pose changes
    // leave the filtered heading where the one reading given before presenting left it.
    for (const bool steady : {true, false}) {
        SCOPED_TRACE(steady);
        SimPhoneSetup setup;
        setup.steadyReadings = steady;
        SimPhone phone(setup);
        const auto taps = std::make_shared<Taps>();
        const auto screen = presentMainScreen(phone, taps);
        EXPECT_EQ(angleBetween(screen->arStatus().heading, 108) < 1, steady)
            << screen->arStatus().heading;
        EXPECT_EQ(phone.mainScreen(), screen);
        EXPECT_EQ(phone.pose().heading, 108);
        phone.setPitch(-30);
        EXPECT_EQ(phone.camera().pose().pitch, -30);  // the picture follows the pose
    }
}

TEST(SimPhoneTest, TapsTheCardOfANamedPlaceOnScreen) {
    SimPhone phone;
    const auto taps = std::make_shared<Taps>();
    presentMainScreen(phone, taps);
    const auto cards = phone.cardsNamed("Casino de Monte Carlo");
    ASSERT_FALSE(cards.empty());
    EXPECT_EQ(SimPhone::placeName(*cards.front()), "Casino de Monte Carlo");
    const auto onScreen = phone.cardsOnScreen();
    EXPECT_NE(std::find(onScreen.begin(), onScreen.end(), cards.front()), onScreen.end());

    const auto tapped = phone.tapCard("Casino de Monte Carlo");
    EXPECT_TRUE(tapped) << tapped.message;
    phone.advance(0.5);
    EXPECT_EQ(taps->opened, std::vector<std::string>{"Casino de Monte Carlo"});

    const auto missing = phone.tapCard("Nowhere at all");
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.message, "no card shows \"Nowhere at all\"");
    EXPECT_TRUE(phone.tapView("backbutton"));
}

TEST(SimPhoneTest, DrawsTheWindowIntoAPicture) {
    const fs::path file =
        fs::temp_directory_path() / ("arquorel-phone-" + std::to_string(::getpid()) + ".png");
    SimPhone phone;
    EXPECT_EQ(phone.writePng(file), std::optional<std::string>("no window is shown"));
    EXPECT_TRUE(phone.viewTree().empty());
    const auto taps = std::make_shared<Taps>();
    presentMainScreen(phone, taps);
    EXPECT_EQ(phone.writePng(file), std::nullopt);
    std::ifstream png(file, std::ios::binary);
    char magic[4] = {};
    png.read(magic, 4);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG");
    EXPECT_NE(fs::file_size(file), 0u);
    fs::remove(file);
    EXPECT_NE(phone.viewTree().find("#backbutton"), std::string::npos);
    EXPECT_TRUE(phone.writePng("/nonexistent-folder/x.png").has_value());
}

// The texts a view and its subviews show, in tree order, with the radar's dots.
std::string textsOf(const View& view) {
    std::string texts;
    for (const auto& [key, value] : view.descriptionEntries())
        if (key == "text") texts += value + "|";
    if (const auto* dots = dynamic_cast<const DotsView*>(&view))
        for (const RadarDot& dot : dots->dots())
            texts += std::to_string(dot.rect.x()) + "," + std::to_string(dot.rect.y()) + "," +
                     std::to_string(dot.rect.width()) + "," + std::to_string(dot.color.red) +
                     std::to_string(dot.color.alpha) + ";";
    for (const auto& child : view.subviews()) texts += textsOf(*child);
    return texts;
}

TEST(SimPhoneTest, FramesDrawnWithLayersLookAsDrawnDirectly) {
    // The main screen, then the radar alone; the layers are drawn fresh, then kept while the
    // phone turns a little and the frame is drawn again from them.
    SimPhone phone;
    const auto taps = std::make_shared<Taps>();
    const auto screen = presentMainScreen(phone, taps);
    const Size size = phone.setup().screen;
    const double scale = phone.setup().scale;
    const auto compare = [&](const View& root, const char* what) {
        cairo::CairoCanvas direct(size, scale, Color::black());
        Renderer().render(root, direct);
        cairo::CairoCanvas layered(size, scale, Color::black());
        LayerStore layers(scale, cairo::makeCairoLayer);
        EXPECT_TRUE(Renderer().renderFrame(root, layered, layers));
        const auto d = cairo::comparePixels(direct, layered);
        std::cout << what << ": largest channel difference " << d.largest << ", " << d.share * 100
                  << "% of pixels differ\n";
        EXPECT_GT(layers.stats().redraws, 0u);
        return d;
    };
    const auto main = compare(*phone.window(), "main screen");
    // The cards (some larger, some half transparent) are copied on whole device pixels: only
    // the rounding of compositing them differs.
    EXPECT_LE(main.largest, 3);
    // The radar alone, turned with the compass: its layer is resampled, which softens the
    // edges of the 2-point dots by up to a quarter of a level range on 0.3% of the pixels.
    screen->radarV->rotateView(0.6);
    const auto radar = compare(*screen->radarV, "radar");
    EXPECT_LE(radar.largest, 80);
    EXPECT_LT(radar.share, 0.005);
}

TEST(SimPhoneTest, AWalkRedrawsTheLayersOfChangedTextsOnly) {
    // Along the Monaco walk, a frame every half second: a layer drawn before is drawn again
    // only when what it shows changed (a distance, the radar's dots, the alpha of a card
    // becoming or leaving the main one), never for moving. A card's shadow is drawn again with
    // its alpha or scale only, not with its texts.
    SimPhone phone;
    const auto taps = std::make_shared<Taps>();
    presentMainScreen(phone, taps);
    const auto track = readGpxFile(ARQUOREL_DATA_DIR "/monaco/walk.gpx");
    ASSERT_TRUE(track.ok()) << track.error;
    std::map<std::uint64_t, std::pair<std::string, double>> drawn;  // layer: texts, alpha
    std::vector<std::string> unexpected;
    int textRedraws = 0, newFadedOrScaled = 0;
    std::map<std::uint64_t, double> scales;
    phone.layers().setRedrawObserver([&](const View& view) {
        const std::string texts = textsOf(view);
        // The alpha and scale the layer is shown with: a card fades and grows with the view
        // placing it.
        double alpha = 1, scale = 1;
        for (auto v = view.shared_from_this(); v; v = v->superview()) {
            alpha *= v->alpha();
            scale *= std::hypot(v->transform().a, v->transform().b);
        }
        auto [it, first] = drawn.try_emplace(view.layerId(), texts, alpha);
        auto [shown, unseen] = scales.try_emplace(view.layerId(), scale);
        newFadedOrScaled += first || alpha != it->second.second || shown->second != scale;
        shown->second = scale;
        if (first) return;
        if (texts != it->second.first)
            ++textRedraws;
        else if (alpha == it->second.second)
            unexpected.push_back(view.identifier() + " '" + texts + "'");
        it->second = {texts, alpha};
    });
    DisplayList frame;
    for (std::size_t i = 0; i + 1 < track.points.size(); i += 3) {
        const Coordinate& a = track.points[i].coordinate;
        const Coordinate& b = track.points[i + 1].coordinate;
        const double heading =
            bearing(Location(a.latitude, a.longitude), Location(b.latitude, b.longitude));
        phone.setPose(a.latitude, a.longitude, heading, 0);
        for (int step = 0; step < 2; ++step) {
            phone.advance(0.5);
            frame.clear();
            phone.drawFrame(frame);
        }
    }
    EXPECT_GT(textRedraws, 100);
    const auto shadows = phone.layers().stats().shadowRedraws;
    EXPECT_GT(shadows, 0u);
    // Each layer made again after going for the budget may be a shadow.
    const auto& stats = phone.layers().stats();
    EXPECT_LE(shadows, newFadedOrScaled + stats.evictions);
    EXPECT_LT(shadows, std::uint64_t(textRedraws));
    EXPECT_EQ(stats.unlayered, 0u);
    EXPECT_TRUE(unexpected.empty())
        << unexpected.size() << " redraws without a change, e.g. " << unexpected.front();
    EXPECT_LE(phone.layers().bytes(), phone.layers().budget());
}

TEST(SimPhoneTest, RefusesAPoseOutOfRangeWithALineAndKeepsTheLastOne) {
    SimPhone phone;
    auto& console = phone.context().console();
    console.startCapture();
    ASSERT_TRUE(phone.setPose(kCasinoSquareLat, kCasinoSquareLng, 108, 10));
    const struct {
        double lat, lng, heading, pitch;
        const char* line;
    } cases[] = {
        {95, 7, 0, 0, "SimPhone: the latitude must be in [-90, 90]: 95; nothing changed"},
        {43, -181, 0, 0, "SimPhone: the longitude must be in [-180, 180]: -181; nothing changed"},
        {43, NAN, 0, 0, "SimPhone: the longitude must be in [-180, 180]: nan; nothing changed"},
        {43, 7, INFINITY, 0,
         "SimPhone: the heading must be in [-1e+09, 1e+09]: inf; nothing changed"},
        {43, 7, 0, -91, "SimPhone: the pitch must be in [-90, 90]: -91; nothing changed"},
    };
    for (const auto& c : cases) {
        console.clear();
        EXPECT_FALSE(phone.setPose(c.lat, c.lng, c.heading, c.pitch));
        EXPECT_EQ(console.lines(), std::vector<std::string>{c.line});
    }
    EXPECT_EQ(phone.pose().heading, 108);
    EXPECT_EQ(phone.pose().pitch, 10);
    EXPECT_TRUE(phone.setPose(kCasinoSquareLat, kCasinoSquareLng, -90, 0));  // modulo 360
    EXPECT_EQ(phone.pose().heading, 270);
    EXPECT_TRUE(phone.setHeading(725));
    EXPECT_EQ(phone.pose().heading, 5);

    // A screen too small or a scale out of range: one line, and the defaults.
    SimPhoneSetup setup;
    setup.screen = {50, 812};
    setup.scale = 0;
    SimPhone odd(setup);
    EXPECT_EQ(odd.setup().screen, (Size{375, 812}));
    EXPECT_EQ(odd.setup().scale, 2);
    EXPECT_EQ(odd.context().device().screenScale(), 2);
}

TEST(SimPhoneTest, ScreensAndWindowsMayOutliveThePhone) {
    // A host that keeps its screen in a global or declares its window before the phone: the
    // device goes first, the screen and the window after it in either order.
    for (const bool screenFirst : {true, false}) {
        SCOPED_TRACE(screenFirst);
        std::shared_ptr<Window> window;
        std::shared_ptr<QuorelVC> screen;
        const auto taps = std::make_shared<Taps>();
        {
            SimPhone phone;
            screen = presentMainScreen(phone, taps);
            window = phone.window();
            phone.tapCard("Casino de Monte Carlo");
        }
        if (screenFirst) screen.reset();
        window.reset();
        screen.reset();
        SimPhone next;
        EXPECT_EQ(next.context().notificationCenter().observerCount(kReloadOnBecomeActive), 0u);
        next.context().notificationCenter().post(kReloadOnBecomeActive);
        next.advance(1);
    }
}

}  // namespace
}  // namespace arquorel::sim
