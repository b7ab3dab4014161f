#include "sim/host/Scenario.h"

#include <gtest/gtest.h>

namespace arquorel::sim {
namespace {

using namespace scenario;

// What one parsed line gives, as a short text, so that a table can hold it.
std::string summary(const Scenario& s) {
    std::ostringstream out;
    out << "places=";
    for (std::size_t i = 0; i < s.places.size(); ++i)
        out << (i ? "," : "") << s.places[i].generic_string();
    out << " screen=" << s.device.screen.width << "x" << s.device.screen.height << "@"
        << s.device.scale << " lang=" << s.device.language
        << " camera=" << static_cast<int>(s.device.camera) << " ls=" << s.device.locationServices
        << " delegate=" << s.device.delegate;
    if (s.device.imperial) out << " units=imperial";
    if (!s.mapPack.empty())
        out << " map-pack=" << s.mapPack.generic_string() << "@" << s.mapPackLine;
    if (s.device.directions != SimDirectionsMode::answer)
        out << " directions=" << static_cast<int>(s.device.directions);
    if (s.device.debugMap) out << " debugMap";
    if (s.device.debugLabel) out << " debugLabel";
    if (!s.device.mapApps.empty()) {
        out << " apps=";
        for (const auto& app : s.device.mapApps) out << app << ";";
    }
    if (!s.device.mail) out << " mail=off";
    for (const auto& e : s.events) {
        out << " | " << e.time << " " << describeAction(e.action);
        std::visit(
            [&](const auto& a) {
                using A = std::decay_t<decltype(a)>;
                if constexpr (std::is_same_v<A, Fix>)
                    out << " " << a.coordinate.latitude << "," << a.coordinate.longitude << " "
                        << a.accuracy << " " << a.age;
                if constexpr (std::is_same_v<A, Heading>)
                    out << " " << a.degrees << " " << a.accuracy;
                if constexpr (std::is_same_v<A, Turn>) out << " " << a.degrees << " " << a.seconds;
                if constexpr (std::is_same_v<A, Pitch>) out << " " << a.degrees;
                if constexpr (std::is_same_v<A, Walk>)
                    out << " " << a.gpx.generic_string() << " " << a.speed;
                if constexpr (std::is_same_v<A, TapPoint> || std::is_same_v<A, LongPress> ||
                              std::is_same_v<A, TapMap>)
                    out << " " << a.point.x << " " << a.point.y;
                if constexpr (std::is_same_v<A, TapCard>) out << " [" << a.name << "]";
                if constexpr (std::is_same_v<A, TapView>) out << " [" << a.identifier << "]";
                if constexpr (std::is_same_v<A, SwipeCard>)
                    out << " " << static_cast<int>(a.direction) << " [" << a.name << "]";
                if constexpr (std::is_same_v<A, AlertButton>) out << " [" << a.button << "]";
                if constexpr (std::is_same_v<A, ScrollList> || std::is_same_v<A, ScrollDetails>)
                    out << " " << a.dy;
                if constexpr (std::is_same_v<A, OpenDetails>) out << " [" << a.name << "]";
                if constexpr (std::is_same_v<A, SheetButton>) out << " [" << a.button << "]";
                if constexpr (std::is_same_v<A, MapApps>) {
                    out << " [";
                    for (const auto& app : a.schemes) out << app << ";";
                    out << "]";
                }
                if constexpr (std::is_same_v<A, Mail>) out << " " << (a.on ? "on" : "off");
                if constexpr (std::is_same_v<A, TapRow>) {
                    if (a.row)
                        out << " " << *a.row;
                    else
                        out << " [" << a.name << "]";
                }
                if constexpr (std::is_same_v<A, Shot>)
                    out << " " << a.name << " [" << a.caption << "]";
                if constexpr (std::is_same_v<A, A11y>)
                    out << " " << static_cast<int>(a.gesture) << " [" << a.action << "]";
            },
            e.action);
    }
    return out.str();
}

constexpr const char* kDefaults = "places= screen=375x812@2 lang=en camera=0 ls=1 delegate=1";

TEST(ScenarioTest, GoodLines) {
    const std::pair<const char*, std::string> cases[] = {
        {"", kDefaults},
        {"# only a comment\n\n   \t\n", kDefaults},
        {"units metric\ndirections ok\napps none\nmail on", kDefaults},  // the defaults
        {"places monaco.json",
         "places=base/monaco.json screen=375x812@2 lang=en camera=0 ls=1 delegate=1"},
        {"places \"my places.json\"  # quoted",
         "places=base/my places.json screen=375x812@2 lang=en camera=0 ls=1 delegate=1"},
        {"screen 414x896", "places= screen=414x896@2 lang=en camera=0 ls=1 delegate=1"},
        {"screen 812x375@3", "places= screen=812x375@3 lang=en camera=0 ls=1 delegate=1"},
        {"lang fr\ncamera denied\nlocation-services off\ndelegate off",
         "places= screen=375x812@2 lang=fr camera=1 ls=0 delegate=0"},
        {"camera none", "places= screen=375x812@2 lang=en camera=3 ls=1 delegate=1"},
        {"at 0 fix 43.7393682 7.4272085", std::string(kDefaults) + " | 0 fix 43.7394,7.42721 5 0"},
        {"at 1.5 fix -90 180 accuracy 120 age 60",
         std::string(kDefaults) + " | 1.5 fix -90,180 120 60"},
        {"at 2 fix 0 0 age 3 accuracy 0", std::string(kDefaults) + " | 2 fix 0,0 0 3"},
        {"at 0 heading 359.9", std::string(kDefaults) + " | 0 heading 359.9 5"},
        {"at 0 heading 0 accuracy -1", std::string(kDefaults) + " | 0 heading 0 -1"},
        {"at 3 turn 225 over 2.5", std::string(kDefaults) + " | 3 turn 225 2.5"},
        {"at 0 pitch -90\nat 0 pitch 90", std::string(kDefaults) + " | 0 pitch -90 | 0 pitch 90"},
        {"at 4 walk walk.gpx speed 10", std::string(kDefaults) + " | 4 walk base/walk.gpx 10"},
        {"at 4 walk ../w.gpx", std::string(kDefaults) + " | 4 walk base/../w.gpx 1"},
        {"at 1 present\nat 2 background\nat 3 foreground\nat 4 reload-notification",
         std::string(kDefaults) +
             " | 1 present | 2 background | 3 foreground | 4 reload-notification"},
        {"at 1 tap 10 20.5", std::string(kDefaults) + " | 1 tap 10 20.5"},
        {"at 1 tap card \"Caf\xC3\xA9 de Paris\"",
         std::string(kDefaults) + " | 1 tap card [Caf\xC3\xA9 de Paris]"},
        {"at 1 tap card Casino", std::string(kDefaults) + " | 1 tap card [Casino]"},
        {"at 1 tap card \"Say \\\"hi\\\" \\\\ # not a comment\"",
         std::string(kDefaults) + " | 1 tap card [Say \"hi\" \\ # not a comment]"},
        {"at 1 tap view backbutton", std::string(kDefaults) + " | 1 tap view [backbutton]"},
        {"at 1 swipe right card \"A B\"\nat 1 swipe up card C",
         std::string(kDefaults) + " | 1 swipe 1 [A B] | 1 swipe 4 [C]"},
        {"at 9 alert \"retry\"", std::string(kDefaults) + " | 9 alert [retry]"},
        {"units imperial", std::string(kDefaults) + " units=imperial"},
        {"at 1 open list\nat 2 scroll list -120.5\nat 3 tap row 0\nat 3 tap row \"12\"\nat 4 raise",
         std::string(kDefaults) +
             " | 1 open list | 2 scroll list -120.5 | 3 tap row 0 | 3 tap row [12] | 4 raise"},
        {"at 9 shot hint-2\nat 9 shot casino_1 \"Facing the Casino\"",
         std::string(kDefaults) + " | 9 shot hint-2 [] | 9 shot casino_1 [Facing the Casino]"},
        {"# maps\nmap-pack \"monaco latest.osm.pbf\"",
         std::string(kDefaults) + " map-pack=base/monaco latest.osm.pbf@2"},
        {"directions error", std::string(kDefaults) + " directions=1"},
        {"directions none", std::string(kDefaults) + " directions=2"},
        {"directions offline", std::string(kDefaults) + " directions=3"},
        {"options debugMap", std::string(kDefaults) + " debugMap"},
        {"options debugLabel,debugMap", std::string(kDefaults) + " debugMap debugLabel"},
        {"at 2 long-press 187.5 0", std::string(kDefaults) + " | 2 long-press 187.5 0"},
        {"places a.json \"b c.json\"",
         "places=base/a.json,base/b c.json screen=375x812@2 lang=en camera=0 ls=1 delegate=1"},
        {"apps waze", std::string(kDefaults) + " apps=waze;"},
        {"apps mapsme,yandexmaps,comgooglemaps,waze,mapsme",
         std::string(kDefaults) + " apps=mapsme;yandexmaps;comgooglemaps;waze;"},
        {"mail off", std::string(kDefaults) + " mail=off"},
        {"at 1 apps none\nat 2 apps waze,comgooglemaps\nat 3 mail off\nat 4 mail on",
         std::string(kDefaults) +
             " | 1 apps [] | 2 apps [waze;comgooglemaps;] | 3 mail off | 4 mail on"},
        {"at 1 open details \"Caf\xC3\xA9 de Paris\"\nat 1 open details Casino",
         std::string(kDefaults) +
             " | 1 open details [Caf\xC3\xA9 de Paris] | 1 open details [Casino]"},
        {"at 2 sheet \"Google Maps\"\nat 3 sheet cancel",
         std::string(kDefaults) + " | 2 sheet [Google Maps] | 3 sheet [cancel]"},
        {"at 4 tap map 171.5 110\nat 5 tap map 0 0",
         std::string(kDefaults) + " | 4 tap map 171.5 110 | 5 tap map 0 0"},
        {"at 6 scroll details 300\nat 7 scroll details -40.5",
         std::string(kDefaults) + " | 6 scroll details 300 | 7 scroll details -40.5"},
        {"at 1 a11y next\nat 1 a11y previous\nat 2 a11y activate\nat 2 a11y escape\n"
         "at 3 a11y adjust up\nat 3 a11y adjust down\nat 4 a11y action Share",
         std::string(kDefaults) + " | 1 a11y 0 [] | 1 a11y 1 [] | 2 a11y 2 [] | 2 a11y 3 [] | "
                                  "3 a11y 4 [] | 3 a11y 5 [] | 4 a11y 6 [Share]"},
    };
    for (const auto& [text, expected] : cases) {
        const auto parsed = parseScenario(text, "base");
        ASSERT_TRUE(parsed.scenario) << text << "\n" << parsed.error;
        EXPECT_EQ(summary(*parsed.scenario), expected) << text;
    }
}

TEST(ScenarioTest, BadLinesNameTheLineAndTheProblem) {
    const std::pair<const char*, const char*> cases[] = {
        {"\n\n\n\n\n\nat 0 heading abc",
         "line 7: heading must be a number of degrees in [0, 360): abc"},
        {"at 0 heading 360", "line 1: heading must be a number of degrees in [0, 360): 360"},
        {"at 0 heading nan", "line 1: heading must be a number of degrees in [0, 360): nan"},
        {"at 0 heading", "line 1: heading is missing: a number of degrees in [0, 360)"},
        {"at 0 heading 10 accuracy",
         "line 1: heading accuracy is missing: a number of degrees in [-1, 180]"},
        {"at -1 present", "line 1: the time must be a number of seconds in [0, 604800]: -1"},
        {"at inf present", "line 1: the time must be a number of seconds in [0, 604800]: inf"},
        {"at 5 present\nat 4 background",
         "line 2: time 4 s is before the time of the line before (5 s)"},
        {"at 1", "line 1: a command must follow the time"},
        {"at 1 jump", "line 1: unknown command: jump"},
        {"at 0 present\nat 1 a11y swipe",
         "line 2: a11y must be next, previous, activate, escape, adjust up|down or action "
         "\"NAME\": swipe"},
        {"at 1 a11y",
         "line 1: a11y must be next, previous, activate, escape, adjust up|down or "
         "action \"NAME\": (none)"},
        {"at 1 a11y adjust left", "line 1: a11y adjust must be up or down: left"},
        {"at 1 a11y action", "line 1: a11y action needs the action's name"},
        {"at 1 a11y next twice", "line 1: unexpected text at the end of the line: twice"},
        {"teleport 1 2", "line 1: unknown command: teleport"},
        {"fix 1 2", "line 1: fix needs a time: at T fix ..."},
        {"at 0 fix 91 7", "line 1: fix latitude must be a number of degrees in [-90, 90]: 91"},
        {"at 0 fix 43 181",
         "line 1: fix longitude must be a number of degrees in [-180, 180]: 181"},
        {"at 0 fix 43 7 accuracy -5",
         "line 1: fix accuracy must be a number of metres in [0, 1e+06]: -5"},
        {"at 0 fix 43 7 height 5", "line 1: unexpected text at the end of the line: height"},
        {"at 0 turn 90", "line 1: turn needs \"over SECONDS\": turn DEG over S"},
        {"at 0 turn 90 over -1",
         "line 1: turn duration must be a number of seconds in [0, 3600]: -1"},
        {"at 0 pitch 91", "line 1: pitch must be a number of degrees in [-90, 90]: 91"},
        {"at 0 walk", "line 1: walk needs a GPX file"},
        {"at 0 walk w.gpx speed 0",
         "line 1: walk speed must be a factor of walking pace in [0.01, 100]: 0"},
        {"at 0 tap 10", "line 1: tap y is missing: a number of points in [0, 10000]"},
        {"at 0 tap card", "line 1: tap card needs the place's name"},
        {"at 0 tap card \"\"", "line 1: tap card needs the place's name"},
        {"at 0 swipe down card A", "line 1: swipe direction must be left, right or up: down"},
        {"at 0 swipe left A", "line 1: swipe needs a card: swipe DIRECTION card \"NAME\""},
        {"at 0 tap card \"Casino", "line 1: a quoted text is not closed"},
        {"at 0 shot ../../etc/passwd",
         "line 1: shot name must be 1 to 100 letters, digits, '-' or '_': ../../etc/passwd"},
        {"at 0 shot \"a b\"",
         "line 1: shot name must be 1 to 100 letters, digits, '-' or '_': a b"},
        {"at 0 shot a\nat 1 shot a", "line 2: shot a was already taken on line 1"},
        {"at 0 shot a \"one\" \"two\"", "line 1: unexpected text at the end of the line: two"},
        {"screen 375x812@5",
         "line 1: screen must be WIDTHxHEIGHT[@SCALE] in points (100 to 10000), scale 1 to 4: "
         "375x812@5"},
        {"screen big", "line 1: screen must be WIDTHxHEIGHT"},
        {"lang de", "line 1: lang must be en or fr: de"},
        {"camera maybe", "line 1: camera must be authorized, denied, undecided or none: maybe"},
        {"location-services", "line 1: location-services must be on or off: (none)"},
        {"delegate yes", "line 1: delegate must be on or off: yes"},
        {"lang en\n# again\nlang fr", "line 3: lang was already given on line 1"},
        {"places", "line 1: places needs a file"},
        {"units feet", "line 1: units must be metric or imperial: feet"},
        {"units metric\nunits imperial", "line 2: units was already given on line 1"},
        {"map-pack", "line 1: map-pack needs a pack file or an OSM extract"},
        {"map-pack a.pack\nmap-pack b.pack", "line 2: map-pack was already given on line 1"},
        {"directions", "line 1: directions must be ok, error, none or offline: (none)"},
        {"directions on", "line 1: directions must be ok, error, none or offline: on"},
        {"options", "line 1: options takes debugMap and debugLabel, separated by commas: (none)"},
        {"options debugMap,",
         "line 1: options takes debugMap and debugLabel, separated by "
         "commas: debugMap,"},
        {"options debugSliders",
         "line 1: options takes debugMap and debugLabel, separated by commas: debugSliders"},
        {"long-press 1 2", "line 1: long-press needs a time: at T long-press ..."},
        {"at 0 long-press -1 5",
         "line 1: long-press x must be a number of points in [0, 10000]: -1"},
        {"raise", "line 1: raise needs a time: at T raise ..."},
        {"at 0 raise now", "line 1: unexpected text at the end of the line: now"},
        {"at 0 scroll 10", "line 1: scroll needs what to scroll: scroll list DY"},
        {"at 0 scroll list",
         "line 1: scroll list is missing: a number of points in [-1e+06, 1e+06]"},
        {"at 0 tap row 1.5", "line 1: tap row must be a whole row number from 0: 1.5"},
        {"at 0 tap row -1",
         "line 1: tap row must be a row number from 0 or a quoted name in [0, 1e+06]: -1"},
        {"at 0 tap row Casino",
         "line 1: tap row must be a row number from 0 or a quoted name in [0, 1e+06]: Casino"},
        {"at 0 present\x01", "line 1: unknown command: present\xEF\xBF\xBD"},
        {"apps",
         "line 1: apps takes yandexmaps, waze, comgooglemaps, mapsme separated by commas, "
         "or none: (none)"},
        {"apps \"waze\"", "line 1: apps takes yandexmaps, waze"},
        {"apps waze,citymapper,,google",
         "line 1: apps: unknown map application citymapper, (empty), google (apps takes "
         "yandexmaps, waze, comgooglemaps, mapsme separated by commas, or none)"},
        {"apps none,waze", "line 1: apps: unknown map application none"},
        {"apps waze\napps none", "line 2: apps was already given on line 1"},
        {"at 1 apps Waze", "line 1: apps: unknown map application Waze"},
        {"at 1 apps waze mapsme", "line 1: unexpected text at the end of the line: mapsme"},
        {"mail maybe", "line 1: mail must be on or off: maybe"},
        {"at 1 mail", "line 1: mail must be on or off: (none)"},
        {"at 1 open details", "line 1: open details needs the place's name"},
        {"at 1 open details \"\"", "line 1: open details needs the place's name"},
        {"at 1 open details A B", "line 1: unexpected text at the end of the line: B"},
        {"at 1 open Casino", "line 1: open needs what to open: open list or open details \"NAME\""},
        {"at 1 sheet", "line 1: sheet needs a button's title"},
        {"sheet cancel", "line 1: sheet needs a time: at T sheet ..."},
        {"at 1 tap map 10", "line 1: tap map y is missing: a number of points in [0, 10000]"},
        {"at 1 tap map -1 10", "line 1: tap map x must be a number of points in [0, 10000]: -1"},
        {"at 1 scroll details",
         "line 1: scroll details is missing: a number of points in [-1e+06, 1e+06]"},
        {"at 1 scroll map 10",
         "line 1: scroll needs what to scroll: scroll list DY or scroll details DY"},
    };
    for (const auto& [text, message] : cases) {
        const auto parsed = parseScenario(text, "base");
        EXPECT_FALSE(parsed.scenario) << text;
        EXPECT_EQ(parsed.error.rfind(message, 0), 0u) << text << "\n" << parsed.error;
    }
}

// What a recording writes, and the edits of a hostile one: each refused with its line, before
// anything plays.
TEST(ScenarioTest, RecordedSessionCommands) {
    const auto parsed = parseScenario(
        "places-inline \"[{\\\"name\\\": \\\"A \\\\\\\"B\\\\\\\"\\\", \\\"lat\\\": 1, \\\"lng\\\": "
        "2}]\"\n"
        "hints off\nscreen 812x375@3\n"
        "at 0 compass 359.9 -1\nat 0 compass 12\nat 0.1 accel -0.01 -0.98 0.2\n"
        "at 0.2 rotate landscape-left\nat 1 touch down 800 370  # ARPresenter #presenter\n"
        "at 1.02 touch move 812 375\nat 1.05 touch up 812 375\nat 2 touch down 1 1\n"
        "at 2.1 touch cancel 1 1\n",
        "base");
    ASSERT_TRUE(parsed.scenario) << parsed.error;
    const auto& s = *parsed.scenario;
    EXPECT_EQ(s.inlinePlaces, R"([{"name": "A \"B\"", "lat": 1, "lng": 2}])");
    EXPECT_FALSE(s.device.hints);
    ASSERT_EQ(s.events.size(), 9u);
    const auto& compass = std::get<Compass>(s.events[0].action);
    EXPECT_EQ(compass.degrees, 359.9);
    EXPECT_EQ(compass.accuracy, -1);
    EXPECT_EQ(std::get<Compass>(s.events[1].action).accuracy, 5);
    EXPECT_EQ(std::get<Accel>(s.events[2].action).sample, (Acceleration{-0.01, -0.98, 0.2}));
    EXPECT_EQ(std::get<Rotate>(s.events[3].action).orientation, DeviceOrientation::landscapeLeft);
    const auto& moved = std::get<TouchPath>(s.events[5].action);
    EXPECT_EQ(moved.phase, TouchPhase::moved);
    EXPECT_EQ(moved.point, (Point{812, 375}));
    EXPECT_EQ(std::get<TouchPath>(s.events[8].action).phase, TouchPhase::cancelled);

    const std::pair<const char*, const char*> hostile[] = {
        {"at 0 compass 360", "line 1: compass must be a number of degrees in [0, 360): 360"},
        {"at 0 compass 10 400",
         "line 1: compass accuracy must be a number of degrees in [-1, 360]: 400"},
        {"at 0 accel 0 -1 17", "line 1: accel z must be a number of g in [-16, 16]: 17"},
        {"at 0 accel 0 -1", "line 1: accel z is missing: a number of g in [-16, 16]"},
        {"at 0 rotate sideways",
         "line 1: rotate must be portrait, upside-down, landscape-left, landscape-right, face-up "
         "or face-down: sideways"},
        {"at 0 touch press 1 1", "line 1: touch must be down, move, up or cancel: press"},
        {"compass 10", "line 1: compass needs a time: at T compass ..."},
        {"at 0 present\nat 1 touch move 5 5", "line 2: touch move: no finger is down"},
        {"at 1 touch down 5 5\nat 1 touch up 5 5\nat 2 touch up 5 5",
         "line 3: touch up: no finger is down"},
        {"at 1 touch down 5 5\nat 2 touch down 6 6",
         "line 2: touch down: a finger is already down since line 1"},
        // The screen is known only at the end of the file.
        {"at 1 touch down 5 5\nat 1.1 touch move 400 5\nscreen 375x812",
         "line 2: touch at (400, 5) is outside the screen (375x812 points)"},
        {"places a.json\nplaces-inline \"[]\"",
         "line 2: places-inline: places are given on line 1 already"},
        {"places-inline", "line 1: places-inline needs the places' JSON text, quoted"},
        {"hints maybe", "line 1: hints must be on or off: maybe"},
    };
    for (const auto& [text, message] : hostile) {
        const auto refused = parseScenario(text, "base");
        EXPECT_FALSE(refused.scenario) << text;
        EXPECT_EQ(refused.error, message) << text;
    }
}

TEST(ScenarioTest, NulBytesAndUnreadableFilesAreRefused) {
    const std::string withNul("at 0 present\nat 1 shot a\0b\n", 27);
    EXPECT_EQ(parseScenario(withNul, ".").error, "line 2: the line holds a NUL byte");
    const auto missing = readScenarioFile("/nonexistent/arquorel.scenario");
    EXPECT_FALSE(missing.scenario);
    EXPECT_EQ(missing.error, "cannot read /nonexistent/arquorel.scenario");
}

TEST(ScenarioTest, NetworkPagesAndBrowse) {
    const auto parsed = parseScenario(
        "network off\npages web\nat 1 network on\nat 2 browse \"https://a.example/p.html\" "
        "Site\nat 3 browse mailto:x@example.org\nat 4 network off",
        "base");
    ASSERT_TRUE(parsed.scenario) << parsed.error;
    const auto& s = *parsed.scenario;
    EXPECT_FALSE(s.device.network);
    EXPECT_EQ(s.device.pages.generic_string(), "base/web");
    EXPECT_EQ(s.pagesLine, 2);
    std::vector<std::string> events;
    for (const auto& e : s.events) {
        if (const auto* n = std::get_if<Network>(&e.action))
            events.push_back("network " + std::string(n->on ? "on" : "off"));
        if (const auto* b = std::get_if<Browse>(&e.action))
            events.push_back("browse " + b->url + " [" + b->title + "]");
    }
    EXPECT_EQ(events,
              (std::vector<std::string>{"network on", "browse https://a.example/p.html [Site]",
                                        "browse mailto:x@example.org []", "network off"}));
    EXPECT_TRUE(parseScenario("", "base").scenario->device.network);

    const std::pair<const char*, const char*> bad[] = {
        {"network maybe", "line 1: network must be on or off: maybe"},
        {"at 1 network", "line 1: network must be on or off: (none)"},
        {"pages", "line 1: pages needs a folder"},
        {"pages a\npages b", "line 2: pages was already given on line 1"},
        {"at 1 browse", "line 1: browse needs an address"},
        {"at 1 browse a b c", "line 1: unexpected text at the end of the line: c"},
    };
    for (const auto& [text, message] : bad)
        EXPECT_EQ(parseScenario(text, "base").error, message) << text;
}

}  // namespace
}  // namespace arquorel::sim
