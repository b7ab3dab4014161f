#include "sim/host/ScenarioPlayer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "arquorel/places/DistanceText.h"
#include "arquorel/places/QuorelVC.h"
#include "arquorel/places/ToolTipEstate.h"
#include "arquorel/platform/maps/pack/MapPack.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/sensors/Geodesy.h"
#include "sim/host/SimCli.h"

namespace arquorel::sim {
namespace {

namespace fs = std::filesystem;

// A folder of its own for each test, with a places file: "Est" 60 m east of the start, "Nord"
// 50 m north and "Ouest" 80 m west.
class ScenarioPlayerTest : public ::testing::Test {
  protected:
    ScenarioPlayerTest() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        // One folder a test and a process: test runs of other checkouts may run beside this one.
        dir_ = fs::path(::testing::TempDir()) / (std::string("arquorel_scenario_") + info->name() +
                                                 "_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        std::ofstream(dir_ / "places.json") << R"([
            {"id": "e", "name": "Est", "lat": 43.7393682, "lng": 7.42795, "category_color": "#E15759"},
            {"id": "n", "name": "Nord", "lat": 43.73982, "lng": 7.4272085},
            {"id": "o", "name": "Ouest", "lat": 43.7393682, "lng": 7.42621}
        ])";
    }
    ~ScenarioPlayerTest() override { fs::remove_all(dir_); }

    // Plays `text` (the places file set up above) and returns the log.
    std::string play(const std::string& text, bool shots = true) {
        auto parsed = parseScenario("places places.json\n" + text, dir_);
        EXPECT_TRUE(parsed.scenario) << parsed.error;
        if (!parsed.scenario) return {};
        std::ostringstream log;
        ScenarioPlayer player(*parsed.scenario, log);
        EXPECT_EQ(player.load(), "");
        EXPECT_TRUE(player.play(shots ? dir_ / "out" : fs::path()));
        shots_ = player.shots();
        return log.str();
    }
    // Plays `text` as a whole scenario in this folder, without pictures.
    std::unique_ptr<ScenarioPlayer> played(const std::string& text, std::ostream& log) {
        const auto parsed = parseScenario(text, dir_);
        EXPECT_TRUE(parsed.scenario) << parsed.error;
        if (!parsed.scenario) return nullptr;
        auto player = std::make_unique<ScenarioPlayer>(*parsed.scenario, log);
        EXPECT_EQ(player->load(), "");
        EXPECT_TRUE(player->play({}));
        return player;
    }

    fs::path dir_;
    std::vector<ScenarioShot> shots_;
};

constexpr const char* kStart = R"(
    at 0 fix 43.7393682 7.4272085
    at 0 heading 90
    at 0 pitch 0
    at 0.5 present
    at 1 tap 187 406
    at 1.5 tap 187 406
)";

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Each of `lines` occurs in `log`, in this order.
template <typename Lines>
void expectInOrder(const std::string& log, const Lines& lines) {
    std::size_t from = 0;
    for (const auto& line : lines) {
        const auto at = log.find(line, from);
        EXPECT_NE(at, std::string::npos) << "missing or out of order: " << line << "\n" << log;
        if (at != std::string::npos) from = at;
    }
}

TEST_F(ScenarioPlayerTest, TheHostSeesTapsAndAlertsAndMissedTouchesAreLogged) {
    const auto log = play(std::string(kStart) + R"(
        at 2 present
        at 4 tap card "Est"
        at 5 tap card "Nowhere"
        at 5.5 tap view nosuchview
        at 6 turn 0 over 1
        at 8 tap card "Nord"
        at 9 swipe left card "Nord"
        at 10 tap card "Nord"
        at 11 alert "retry"
        at 12 background
        at 13 foreground
        at 14 reload-notification
        at 15 tap view backbutton
    )",
                          false);
    const char* expected[] = {
        "    0.50  host: presents the main screen with 3 places\n",
        // A fresh screen reloads at once and again 0.2 s later.
        "    0.50  screen: reload 1 of the places\n",
        "    0.70  screen: reload 2 of the places\n",
        "    2.00  host: a screen is already presented over the root screen; nothing presented\n",
        "    4.00  user: taps the card of Est\n",
        // The card flashes, then tells the host.
        "    4.06  delegate: openElementDetails Est (id e)\n",
        "    5.00  user: no card shows Nowhere\n",
        "    5.50  user: the tap missed: tap on 'nosuchview': no view has that identifier\n",
        "    8.06  delegate: openElementDetails Nord (id n)\n",
        "    9.00  user: swipes left the card of Nord\n",
        // Swiped away: no card shows the place any more.
        "   10.00  user: no card shows Nord\n",
        "   11.00  user: no alert is shown\n",
        "   12.00  host: the application goes to the background\n",
        "   13.00  host: the application comes back to the foreground\n",
        "   14.00  host: posts reloadOnBecomeActive\n",
        "   14.00  screen: reload 3 of the places\n",
        "   15.00  user: taps backbutton\n",
    };
    expectInOrder(log, expected);
    EXPECT_FALSE(contains(log, "delegate: openElementDetails Ouest")) << log;
}

TEST_F(ScenarioPlayerTest, TheListOpensScrollsTakesRowTapsAndClosesWhenRaised) {
    const auto log = play(R"(
        units imperial
        at 0 fix 43.7393682 7.4272085
        at 0 heading 90
        at 0 pitch -50
        at 0.5 scroll list 10
        at 0.5 open list
        at 1 present
        at 1.5 open list
        at 2 tap view hintView
        at 2.5 scroll list 100
        at 3 tap row 1
        at 3.5 tap view backButton
        at 4 tap row "Ouest"
        at 4.5 tap view backButton
        at 5 tap row "Nowhere"
        at 5.5 tap row 7
        at 6 raise
        at 8 tap row 0
    )",
                          false);
    const char* expected[] = {
        "    0.50  user: no list is shown to scroll\n",
        "    0.50  user: cannot open the list: the main screen is not on top\n",
        "    1.50  user: opens the list\n",
        "    1.50  screen: the list shows 3 places\n",
        // Three rows fit on screen: nothing to scroll.
        "    2.50  user: scrolls the list by 100 points\n",
        "    2.56  screen: the list's offset went from 0 to 0 points\n",
        "    3.00  user: taps row 1\n",
        // Without a host delegate for the list, a row opens the details screen.
        "    3.05  screen: the details of Nord (id n)\n",
        "    3.50  user: taps backButton\n",
        "    4.00  user: taps row Ouest\n",
        "    4.05  screen: the details of Ouest (id o)\n",
        "    5.00  user: the list has no row Nowhere\n",
        "    5.50  user: the list has no row 7 (it has 3)\n",
        "    6.00  user: raises the phone upright\n",
        // Samples come once a second: the list has closed within two.
        "    8.00  user: no list is shown to tap row 0\n",
    };
    expectInOrder(log, expected);
}

TEST_F(ScenarioPlayerTest, AlertsAreLoggedAndTheirButtonsPressedByKeyOrText) {
    // Without places the screen says so after 3 seconds.
    fs::remove(dir_ / "places.json");
    std::ofstream(dir_ / "places.json") << "[]";
    const auto log = play(std::string(kStart) + R"(
        at 4.5 alert "cancel"
        at 5 alert "retry"
        at 9 alert "Back"
        at 10 shot after-back "Back at the host's screen"
    )");
    // 3 s after the second reload of loading, which cancelled the steps of the first.
    EXPECT_TRUE(contains(log, "    3.70  alert: \"Something went wrong\" \"" +
                                  localized("checkConnection") + "\" buttons: [Back] [Retry]\n"))
        << log;
    EXPECT_TRUE(
        contains(log, "    4.50  user: the alert has no button \"cancel\": [Back] [Retry]\n"))
        << log;
    // Retry reloads once the alert has gone (0.3 s), and the alert comes again 3 s later.
    EXPECT_TRUE(contains(log, "    8.30  alert: \"Something went wrong\"")) << log;
    const auto tree = dir_ / "out" / "after-back.tree";
    ASSERT_TRUE(fs::exists(tree));
    std::ifstream in(tree);
    const std::string dump((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(contains(dump, "backbutton")) << dump;
}

TEST_F(ScenarioPlayerTest, WithoutLocationServicesTheHostIsToldAndTheScreenSaysSo) {
    const auto log = play(R"(
        location-services off
        at 0 heading 90
        at 0 pitch 0
        at 0.5 present
        at 5 shot no-location
    )",
                          false);
    EXPECT_TRUE(contains(log, "host: told to ask the user for location access (askForLocation)"))
        << log;
    // Location services off need the settings, not an open sky.
    EXPECT_TRUE(contains(log, "alert: \"" + localized("LocationDenied") + "\"")) << log;
}

TEST_F(ScenarioPlayerTest, TheScreenSeesTheTiltAndHeadingHeldInEitherOrientation) {
    const std::tuple<const char*, Size, double, double> cases[] = {
        {"375x812", {375, 812}, -20, 300},
        {"375x812", {375, 812}, 15, 10},
        {"812x375@1", {812, 375}, -20, 300},
        {"812x375@1", {812, 375}, 15, 10}};
    for (const auto& [screen, size, pitch, heading] : cases) {
        std::ostringstream log;
        const auto player = played(std::string("places places.json\nscreen ") + screen + kStart +
                                       "at 2 pitch " + std::to_string(pitch) + "\nat 2 heading " +
                                       std::to_string(heading) + "\nat 8 shot s\n",
                                   log);
        ASSERT_TRUE(player && player->host().screen());
        const auto& status = player->host().screen()->arStatus();
        EXPECT_NEAR(status.pitch, pitch, 1) << screen;
        EXPECT_NEAR(std::remainder(status.heading - heading, 360.0), 0, 1) << screen;
        EXPECT_EQ(player->host().window().bounds().size, size) << screen;
    }
}

// The cards measure from where the user is now: after a fix 82 m east the card of "Est" (60 m
// east of the start) says 22 m and keeps saying it while the user stands; after a walk 100 m
// east along a track the user is at its end and "Est" is 40 m behind, to the 5 m the cards
// are measured again after.
TEST_F(ScenarioPlayerTest, TheCardsMeasureFromTheLastFixAndTheEndOfAWalk) {
    std::ofstream(dir_ / "east.gpx") << R"(<?xml version="1.0"?>
<gpx version="1.1" xmlns="http://www.topografix.com/GPX/1/1"><trk><trkseg>
<trkpt lat="43.7393682" lon="7.4272085"><time>2026-06-01T10:00:00Z</time></trkpt>
<trkpt lat="43.7393682" lon="7.4284517"><time>2026-06-01T10:01:11Z</time></trkpt>
</trkseg></trk></gpx>)";
    const Location est(43.7393682, 7.42795);
    const std::string stand = "at 4 fix 43.7393682 7.4282279\nat 20 heading 270\n";
    // (events after the start, where the user ends, how near the user and the card must be)
    const std::tuple<std::string, Location, double, double> cases[] = {
        {stand, Location(43.7393682, 7.4282279), 0.01, 0.01},
        {stand + "at 22 walk east.gpx\nat 120 heading 270\n", Location(43.7393682, 7.4284517), 0.5,
         5}};
    for (const auto& [events, where, userNear, cardNear] : cases) {
        std::ostringstream log;
        const auto player = played(std::string("places places.json") + kStart + events, log);
        ASSERT_TRUE(player);
        const auto screen = player->host().screen();
        ASSERT_TRUE(screen && screen->arStatus().userLocation);
        EXPECT_NEAR(distance(*screen->arStatus().userLocation, where), 0, userNear) << events;
        const auto cards = player->host().cardsNamed("Est");
        ASSERT_FALSE(cards.empty());
        const auto place = cards[0]->annotation();
        EXPECT_NEAR(place->distanceFromUser(), distance(where, est), cardNear) << events;
        EXPECT_EQ(cards[0]->card()->distanceLabel->text(), distanceText(place->distanceFromUser()));
    }
}

TEST_F(ScenarioPlayerTest, ShotsWritePicturesTreesAndAnIndexInOrder) {
    const auto log = play(std::string(kStart) + R"(
        at 3 shot facing-east "Facing <east> & the card \"Est\""
        at 3.25 shot no-caption
    )");
    ASSERT_EQ(shots_.size(), 2u);
    EXPECT_NEAR(shots_[0].time, 3, 1e-3);
    EXPECT_NEAR(shots_[1].time, 3.25, 1e-3);
    for (const char* name : {"facing-east", "no-caption"}) {
        EXPECT_GT(fs::file_size(dir_ / "out" / (std::string(name) + ".png")), 5000u) << name;
        EXPECT_TRUE(contains(log, std::string("shot ") + name + ": wrote ")) << log;
    }
    std::ifstream tree(dir_ / "out" / "facing-east.tree");
    const std::string dump((std::istreambuf_iterator<char>(tree)),
                           std::istreambuf_iterator<char>());
    EXPECT_TRUE(contains(dump, "text=\"Est\"")) << dump;
    std::ifstream html(dir_ / "out" / "index.html");
    const std::string index((std::istreambuf_iterator<char>(html)),
                            std::istreambuf_iterator<char>());
    const auto first =
        index.find("<b>3.0 s</b> Facing &lt;east&gt; &amp; the card &quot;Est&quot;");
    const auto second = index.find("src=\"no-caption.png\"");
    EXPECT_NE(first, std::string::npos) << index;
    EXPECT_NE(second, std::string::npos) << index;
    EXPECT_LT(first, second);
    EXPECT_TRUE(contains(index, "Map data \xC2\xA9 OpenStreetMap contributors, ODbL 1.0"));
}

TEST_F(ScenarioPlayerTest, UnusableFilesAndScenariosStopWithTheLine) {
    std::ofstream(dir_ / "bad.gpx") << "<gpx><trk><trkseg><trkpt lat=\"99\" lon=\"7\"/>";
    std::ofstream(dir_ / "bad.json") << "{\"not\": \"an array\"}";
    std::ofstream(dir_ / "bad.osm.pbf") << "not an extract";
    const std::pair<std::string, std::string> cases[] = {
        {"places bad.json\n", "line 1: "},
        {"# the walk\nat 1 walk missing.gpx\n", "line 2: "},
        {"\n\nat 1 walk bad.gpx\n", "line 3: "},
        {"# maps\nmap-pack missing.pack\n", "line 2: map-pack: "},
        {"map-pack bad.json\n", "line 1: map-pack: "},
        {"\nmap-pack bad.osm.pbf\n", "line 2: map-pack: "},
        {"places places.json bad.json\n", "line 1: bad.json: "},
    };
    for (const auto& [text, prefix] : cases) {
        const auto parsed = parseScenario(text, dir_);
        ASSERT_TRUE(parsed.scenario) << parsed.error;
        std::ostringstream log;
        ScenarioPlayer player(*parsed.scenario, log);
        const auto problem = player.load();
        EXPECT_EQ(problem.rfind(prefix, 0), 0u) << text << problem;
        EXPECT_GT(problem.size(), prefix.size() + 5) << text;
    }
    std::ofstream(dir_ / "bad.scenario") << "at 0 present\nat 1 heading 400\n";
    std::ostringstream out, err;
    EXPECT_EQ(runCli({"run", "--scenario", (dir_ / "bad.scenario").string(), "--out",
                      (dir_ / "out").string()},
                     out, err),
              2);
    EXPECT_TRUE(contains(err.str(),
                         "bad.scenario: line 2: heading must be a number of degrees in "
                         "[0, 360): 400"))
        << err.str();
    EXPECT_FALSE(fs::exists(dir_ / "out"));
    EXPECT_EQ(runCli({"run", "--out", "x"}, out, err), 2);
}

TEST_F(ScenarioPlayerTest, WebPagesFromAFolderAndTheNetworkSwitchedOff) {
    fs::create_directories(dir_ / "web" / "casino.example");
    std::ofstream(dir_ / "web" / "casino.example" / "index.html")
        << "<title>Casino</title><p>Open daily.</p>";
    const auto log = play(R"(
        pages web
        at 0.5 present
        at 2 browse "https://casino.example/index.html" "Website"
        at 3 shot page
        at 3.5 tap view doneButton
        at 5 network off
        at 6 browse "https://casino.example/index.html"
        at 7 shot offline
        at 8 alert "back"
        at 9 network on
        at 10 browse "tel:+37798062121"
        at 11 alert back
    )");
    EXPECT_TRUE(contains(log, "web: loaded https://casino.example/index.html")) << log;
    EXPECT_TRUE(contains(log, "device: the network is off")) << log;
    EXPECT_TRUE(contains(log, "No Internet connection")) << log;
    EXPECT_TRUE(contains(log, "Cannot open this address")) << log;
    EXPECT_FALSE(contains(log, "no alert is shown")) << log;
    std::ifstream tree(dir_ / "out" / "page.tree");
    const std::string dump{std::istreambuf_iterator<char>(tree), {}};
    EXPECT_TRUE(contains(dump, "Open daily.")) << dump;

    // A pages folder that is not there stops before anything runs.
    auto parsed = parseScenario("pages nowhere", dir_);
    ASSERT_TRUE(parsed.scenario);
    std::ostringstream out;
    ScenarioPlayer player(*parsed.scenario, out);
    EXPECT_EQ(player.load().rfind("line 1: pages: no folder ", 0), 0u);
}

TEST_F(ScenarioPlayerTest, TheDebugMapOpensFromTheMainScreenAndALongPressPicksThePosition) {
    WalkGraph graph;
    graph.nodes = {{43.739, 7.426}, {43.740, 7.428}};
    graph.segments = {{0, 1}};
    std::ofstream(dir_ / "small.pack", std::ios::binary)
        << MapPack(MapBox{{43.73, 7.42}, {43.75, 7.44}}, {}, graph).write();
    auto parsed = parseScenario(std::string("places places.json\nmap-pack small.pack\n"
                                            "directions none\noptions debugMap\n") +
                                    kStart + "at 3 tap view debugMapButton\n" +
                                    "at 5 long-press 187.5 406\nat 8 shot after\n",
                                dir_);
    ASSERT_TRUE(parsed.scenario) << parsed.error;
    std::ostringstream log;
    ScenarioPlayer player(*parsed.scenario, log);
    ASSERT_EQ(player.load(), "");
    EXPECT_EQ(player.host().device().directions().mode, SimDirectionsMode::none);
    ASSERT_TRUE(player.host().device().context().mapData);
    ASSERT_TRUE(player.play({}));
    const std::string text = log.str();
    for (const char* line : {"user: taps debugMapButton", "user: long-presses at (188, 406)",
                             "6.50  debug map: posts kNotificationLocationSet at 43.7395"})
        EXPECT_TRUE(contains(text, line)) << line << "\n" << text;
    // The middle of the map is the middle of the three places, and the main screen now
    // measures from there.
    const auto screen = player.host().screen();
    ASSERT_TRUE(screen && screen->trackingManager().userLocation());
    const Coordinate user = screen->trackingManager().userLocation()->coordinate;
    EXPECT_NEAR(user.latitude, (43.7393682 + 43.73982) / 2, 1e-4);
    EXPECT_NEAR(user.longitude, (7.42621 + 7.42795) / 2, 1e-4);
}

// The details screen's hand-offs driven from a scenario: the installed map applications decide
// between the route sheet and the system map application, the sheet's buttons pick a number or
// an application, the mail account decides between the composer and the notice.
TEST_F(ScenarioPlayerTest, DetailsCommandsDriveTheHandOffs) {
    std::ofstream(dir_ / "places.json") << R"([
        {"id": "e", "name": "Est", "lat": 43.7393682, "lng": 7.42795,
         "phone": "+377 98 06 21 21; +377 98 06 20 00", "email": " desk@casino.example ",
         "shareText": "Est", "shareurl": "https://casino.example/est"},
        {"id": "o", "name": "Ouest", "lat": 43.7393682, "lng": 7.42621}
    ])";
    const auto log =
        play(std::string("delegate off\napps comgooglemaps,waze\nmail off\n") + kStart + R"(
        at 2 open details "Est"
        at 3 tap view routeButton
        at 3.5 sheet "Waze"
        at 4.5 apps none
        at 5 tap view routeButton
        at 6 tap view phoneButton
        at 6.5 sheet "+377 98 06 20 00"
        at 7.5 tap view emailRow
        at 8 sheet "ok"
        at 8.5 mail on
        at 9 tap view emailRow
        at 10 tap view shareButton
        at 10.5 sheet "Share"
        at 11 sheet "Cancel"
        at 12 sheet "Cancel"
        at 12.5 tap map 10 10
    )",
             false);
    const std::string expected[] = {
        "    2.00  user: opens the details of Est\n",
        "  screen: the details of Est (id e)\n",
        "  alert: \"Open the route in\" buttons: [Apple Maps] [Waze] [Google Maps] [Cancel]\n",
        "    3.50  user: presses \"Waze\" on the sheet\n",
        "  device: opens waze://",
        "    4.50  device: the installed map applications are none\n",
        "  device: the system map application opens a walking route from the current location "
        "to Est (43.739368, 7.427950)\n",
        "  alert: \"Call which number?\" buttons: [+377 98 06 21 21] [+377 98 06 20 00] [Cancel]\n",
        "  device: opens tel:+37798062000\n",
        "  alert: \"\" \"" + localized("NoEmail") + "\" buttons: [",
        "    8.50  device: the mail account is set up\n",
        "  device: a mail to desk@casino.example is being written\n",
        "  device: the share sheet offers the text \"Est\" and the address "
        "\"https://casino.example/est\"\n",
        "   10.50  user: the share sheet has no button \"Share\": [Cancel]\n",
        "   12.00  user: no action sheet or alert is shown\n",
        "   12.50  user: taps the map at (10, 10)",
    };
    expectInOrder(log, expected);
    // Waze alone was opened by a link, the first number was not called.
    EXPECT_FALSE(contains(log, "opens comgooglemaps:")) << log;
    EXPECT_FALSE(contains(log, "tel:+37798062121")) << log;
}

TEST_F(ScenarioPlayerTest, DetailsOpenFromTheListAndTheMapEnlargesWhereTapped) {
    std::ostringstream log;
    const auto player = played(std::string("places places.json\ndelegate off\n") + kStart + R"(
        at 1.8 tap map 10 10
        at 2 pitch -50
        at 2 open list
        at 2.5 tap view hintView
        at 3 open details "Ouest"
        at 4 scroll details 40
        at 4.5 tap map 20 5000
        at 5 tap map 20 20
    )",
                               log);
    ASSERT_TRUE(player);
    const char* expected[] = {"    1.80  user: no map is shown to tap at (10, 10)\n",
                              "    3.00  user: opens the details of Ouest from the list\n",
                              "screen: the details of Ouest (id o)\n",
                              "    4.00  user: scrolls the details by 40",
                              "    4.50  user: the tap missed: the point is not on the map"};
    expectInOrder(log.str(), expected);
    const auto details = player->host().details();
    ASSERT_TRUE(details);
    EXPECT_TRUE(details->fromPointsVC);
    EXPECT_EQ(details->place->name, "Ouest");
    EXPECT_TRUE(details->isMapEnlarged()) << log.str();

    // A second places file adds its records after the first's.
    std::ofstream(dir_ / "more.json")
        << R"([{"id": "s", "name": "Sud", "lat": 43.739, "lng": 7.4272}])";
    const auto two = parseScenario("places places.json more.json\nat 1 open details Sud", dir_);
    ASSERT_TRUE(two.scenario) << two.error;
    ScenarioPlayer both(*two.scenario, log);
    ASSERT_EQ(both.load(), "");
    ASSERT_EQ(both.host().records.size(), 4u);
    EXPECT_EQ(both.host().records[3]->id, "s");

    // A place that is not among the host's stops the scenario before it runs.
    const auto unknown = parseScenario("places places.json\n\nat 1 open details \"Nowhere\"", dir_);
    ASSERT_TRUE(unknown.scenario) << unknown.error;
    ScenarioPlayer stopped(*unknown.scenario, log);
    EXPECT_EQ(stopped.load(), "line 3: open details: no place is named Nowhere");
}

// The reader hears the place straight ahead when it changes, at most once every 3 s and never
// the same place twice in a row, and its gestures open a card's details and come back.
TEST_F(ScenarioPlayerTest, TheReaderHearsThePlaceAheadAndItsGesturesOpenAndLeaveTheDetails) {
    const auto log = play(R"(
        delegate off
        at 0 fix 43.7393682 7.4272085
        at 0 heading 90
        at 0 pitch 0
        at 0.5 present
        at 1 a11y activate
        at 1.5 a11y activate
        at 2 heading 0
        at 3.2 heading 90
        at 5 heading 0
        at 8.5 heading 90
        at 9.8 heading 0
        at 12.5 heading 90
        at 14 a11y next
        at 14.5 a11y next
        at 15 a11y activate
        at 16 a11y escape
        at 17 a11y next
    )",
                          false);
    std::vector<std::pair<double, std::string>> polite;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        const auto at = line.find("reader polite: ");
        if (at != std::string::npos)
            polite.emplace_back(std::stod(line),
                                line.substr(at + 15, line.find(',', at) - at - 15));
    }
    ASSERT_EQ(polite.size(), 5u) << log;
    EXPECT_EQ(polite[0].second, "Est");
    // Nord at 2 s is too soon and gone by 4 s; Est again at 3.2 s is not said twice in a row.
    EXPECT_EQ(polite[1].second, "Nord");
    EXPECT_EQ(polite[2].second, "Est");
    // Nord ahead again at 10 s, too soon, is said once the interval is over: the user stays.
    EXPECT_EQ(polite[3].second, "Nord");
    EXPECT_EQ(polite[4].second, "Est");
    for (std::size_t i = 1; i < polite.size(); ++i)
        EXPECT_GE(polite[i].first - polite[i - 1].first, 3 - 1e-3) << log;
    EXPECT_LT(polite[3].first, 12.5) << log;
    expectInOrder(
        log, std::vector<std::string>{"user: a11y next", "reader focus: Est, 60 m, ahead, button",
                                      "user: a11y activate", "screen: the details of Est",
                                      "reader screen: Est, heading", "user: a11y escape",
                                      "reader screen: Back, button"});
}

}  // namespace
}  // namespace arquorel::sim
