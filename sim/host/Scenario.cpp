#include "sim/host/Scenario.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "sim/device/SimURLOpener.h"
#include "sim/host/CliArgs.h"

namespace arquorel::sim {

namespace {

// Longest scenario: a week of virtual time.
constexpr double kMaximumTime = 7 * 24 * 3600.0;

struct Token {
    std::string text;
    bool quoted = false;
};

// A failed parse step; the message goes after "line N: ".
struct Failure {
    std::string message;
};

// Splits a line into words and quoted texts, up to a '#' outside quotes.
std::vector<Token> tokenize(std::string_view line, std::optional<Failure>& failure) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            Token token{{}, true};
            ++i;
            bool closed = false;
            while (i < line.size()) {
                if (line[i] == '"') {
                    closed = true;
                    ++i;
                    break;
                }
                if (line[i] == '\\' && i + 1 < line.size() &&
                    (line[i + 1] == '"' || line[i + 1] == '\\'))
                    ++i;
                token.text += line[i++];
            }
            if (!closed) {
                failure = Failure{"a quoted text is not closed"};
                return {};
            }
            tokens.push_back(std::move(token));
        } else {
            Token token;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
                   line[i] != '"' && line[i] != '#')
                token.text += line[i++];
            tokens.push_back(std::move(token));
        }
    }
    return tokens;
}

// A number as short as it reads ("360", "0.01", "1e+06").
std::string shortNumber(double v) {
    std::ostringstream s;
    s << v;
    return s.str();
}

// The words of one line, read left to right.
class Words {
  public:
    explicit Words(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

    bool done() const { return next_ >= tokens_.size(); }
    // The next word, whatever it is; none at the end.
    const Token* peek() const { return done() ? nullptr : &tokens_[next_]; }
    const Token* take() { return done() ? nullptr : &tokens_[next_++]; }
    // Takes the next word when it is the unquoted `word`.
    bool accept(std::string_view word) {
        if (done() || tokens_[next_].quoted || tokens_[next_].text != word) return false;
        ++next_;
        return true;
    }

    // A number within [low, high] (or [low, high) when `highOpen`), for messages such as
    // "heading must be a number of degrees in [0, 360): abc".
    std::optional<double> number(const std::string& field, const std::string& kind, double low,
                                 double high, bool highOpen, std::optional<Failure>& failure) {
        const std::string range =
            std::string("[") + shortNumber(low) + ", " + shortNumber(high) + (highOpen ? ")" : "]");
        const Token* token = take();
        if (!token) {
            failure = Failure{field + " is missing: " + kind + " in " + range};
            return std::nullopt;
        }
        const auto value = token->quoted ? std::nullopt : parseNumber(token->text);
        if (!value || *value < low || *value > high || (highOpen && *value == high)) {
            failure = Failure{field + " must be " + kind + " in " + range + ": " +
                              printable(token->text)};
            return std::nullopt;
        }
        return value;
    }

    // A non-empty text (quoted or a single word); `missing` is the message without one.
    std::optional<std::string> text(const std::string& missing, std::optional<Failure>& failure) {
        const Token* token = take();
        if (!token || token->text.empty()) {
            failure = Failure{missing};
            return std::nullopt;
        }
        return token->text;
    }

  private:
    std::vector<Token> tokens_;
    std::size_t next_ = 0;
};

bool validShotName(const std::string& name) {
    if (name.empty() || name.size() > 100) return false;
    for (const char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (!ok) return false;
    }
    return true;
}

// "on" or "off" into `flag`; false, with the failure, for anything else.
bool parseOnOff(Words& words, const std::string& name, bool& flag,
                std::optional<Failure>& failure) {
    if (words.accept("on")) {
        flag = true;
    } else if (words.accept("off")) {
        flag = false;
    } else {
        const Token* t = words.peek();
        failure = Failure{
            name + " must be on or off: " + (t ? printable(t->text) : std::string("(none)"))};
        return false;
    }
    return true;
}

// A comma-separated list of map applications, or "none".
std::optional<std::vector<std::string>> parseMapApps(Words& words,
                                                     std::optional<Failure>& failure) {
    const auto& known = SimURLOpener::mapApps();
    std::string names;
    for (const auto& k : known) names += (names.empty() ? "" : ", ") + k;
    const std::string expected = "apps takes " + names + " separated by commas, or none";
    const Token* t = words.take();
    if (!t || t->quoted || t->text.empty()) {
        failure = Failure{expected + ": " + (t ? printable(t->text) : std::string("(none)"))};
        return std::nullopt;
    }
    if (t->text == "none") return std::vector<std::string>{};
    std::vector<std::string> apps;
    std::string unknown;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = std::min(t->text.find(',', from), t->text.size());
        const std::string app = t->text.substr(from, comma - from);
        if (std::find(known.begin(), known.end(), app) == known.end())
            unknown += (unknown.empty() ? "" : ", ") + printable(app.empty() ? "(empty)" : app);
        else if (std::find(apps.begin(), apps.end(), app) == apps.end())
            apps.push_back(app);
        if (comma >= t->text.size()) break;
        from = comma + 1;
    }
    if (!unknown.empty()) {
        failure = Failure{"apps: unknown map application " + unknown + " (" + expected + ")"};
        return std::nullopt;
    }
    return apps;
}

std::optional<ScenarioAction> parseAction(Words& words, const std::filesystem::path& folder,
                                          std::optional<Failure>& failure) {
    using namespace scenario;
    const Token* command = words.take();
    if (!command) {
        failure = Failure{"a command must follow the time"};
        return std::nullopt;
    }
    const std::string& name = command->text;
    if (command->quoted) {
        failure = Failure{"unknown command: \"" + printable(name) + "\""};
        return std::nullopt;
    }
    if (name == "fix") {
        Fix fix;
        const auto lat =
            words.number("fix latitude", "a number of degrees", -90, 90, false, failure);
        if (!lat) return std::nullopt;
        const auto lng =
            words.number("fix longitude", "a number of degrees", -180, 180, false, failure);
        if (!lng) return std::nullopt;
        fix.coordinate = {*lat, *lng};
        for (;;) {
            if (words.accept("accuracy")) {
                const auto v =
                    words.number("fix accuracy", "a number of metres", 0, 1e6, false, failure);
                if (!v) return std::nullopt;
                fix.accuracy = *v;
            } else if (words.accept("age")) {
                const auto v =
                    words.number("fix age", "a number of seconds", 0, 1e6, false, failure);
                if (!v) return std::nullopt;
                fix.age = *v;
            } else {
                break;
            }
        }
        return fix;
    }
    if (name == "heading") {
        Heading heading;
        const auto deg = words.number("heading", "a number of degrees", 0, 360, true, failure);
        if (!deg) return std::nullopt;
        heading.degrees = *deg;
        if (words.accept("accuracy")) {
            const auto v =
                words.number("heading accuracy", "a number of degrees", -1, 180, false, failure);
            if (!v) return std::nullopt;
            heading.accuracy = *v;
        }
        return heading;
    }
    if (name == "turn") {
        Turn turn;
        const auto deg = words.number("turn", "a number of degrees", 0, 360, true, failure);
        if (!deg) return std::nullopt;
        turn.degrees = *deg;
        if (!words.accept("over")) {
            failure = Failure{"turn needs \"over SECONDS\": turn DEG over S"};
            return std::nullopt;
        }
        const auto s =
            words.number("turn duration", "a number of seconds", 0, 3600, false, failure);
        if (!s) return std::nullopt;
        turn.seconds = *s;
        return turn;
    }
    if (name == "pitch") {
        const auto deg = words.number("pitch", "a number of degrees", -90, 90, false, failure);
        if (!deg) return std::nullopt;
        return Pitch{*deg};
    }
    if (name == "walk") {
        Walk walk;
        const auto file = words.text("walk needs a GPX file", failure);
        if (!file) return std::nullopt;
        walk.gpx = folder / *file;
        if (words.accept("speed")) {
            const auto v =
                words.number("walk speed", "a factor of walking pace", 0.01, 100, false, failure);
            if (!v) return std::nullopt;
            walk.speed = *v;
        }
        return walk;
    }
    if (name == "present") return Present{};
    if (name == "background") return Background{};
    if (name == "foreground") return Foreground{};
    if (name == "reload-notification") return ReloadNotification{};
    if (name == "open") {
        if (words.accept("list")) return OpenList{};
        if (words.accept("details")) {
            const auto place = words.text("open details needs the place's name", failure);
            if (!place) return std::nullopt;
            return OpenDetails{*place};
        }
        failure = Failure{"open needs what to open: open list or open details \"NAME\""};
        return std::nullopt;
    }
    if (name == "raise") return Raise{};
    if (name == "scroll") {
        const bool details = words.accept("details");
        if (!details && !words.accept("list")) {
            failure = Failure{"scroll needs what to scroll: scroll list DY or scroll details DY"};
            return std::nullopt;
        }
        const auto dy = words.number(details ? "scroll details" : "scroll list",
                                     "a number of points", -1e6, 1e6, false, failure);
        if (!dy) return std::nullopt;
        if (details) return ScrollDetails{*dy};
        return ScrollList{*dy};
    }
    if (name == "tap") {
        if (words.accept("row")) {
            const Token* t = words.peek();
            if (t && t->quoted) {
                words.take();
                return TapRow{std::nullopt, t->text};
            }
            const auto row = words.number("tap row", "a row number from 0 or a quoted name", 0, 1e6,
                                          false, failure);
            if (!row) return std::nullopt;
            if (*row != std::floor(*row)) {
                failure =
                    Failure{"tap row must be a whole row number from 0: " + shortNumber(*row)};
                return std::nullopt;
            }
            return TapRow{static_cast<int>(*row), {}};
        }
        if (words.accept("card")) {
            const auto card = words.text("tap card needs the place's name", failure);
            if (!card) return std::nullopt;
            return TapCard{*card};
        }
        if (words.accept("view")) {
            const auto id = words.text("tap view needs a view identifier", failure);
            if (!id) return std::nullopt;
            return TapView{*id};
        }
        if (words.accept("map")) {
            const auto x =
                words.number("tap map x", "a number of points", 0, 10000, false, failure);
            if (!x) return std::nullopt;
            const auto y =
                words.number("tap map y", "a number of points", 0, 10000, false, failure);
            if (!y) return std::nullopt;
            return TapMap{{*x, *y}};
        }
        const auto x = words.number("tap x", "a number of points", 0, 10000, false, failure);
        if (!x) return std::nullopt;
        const auto y = words.number("tap y", "a number of points", 0, 10000, false, failure);
        if (!y) return std::nullopt;
        return TapPoint{{*x, *y}};
    }
    if (name == "end") return End{};
    if (name == "compass") {
        Compass reading;
        const auto degrees = words.number("compass", "a number of degrees", 0, 360, true, failure);
        if (!degrees) return std::nullopt;
        reading.degrees = *degrees;
        if (!words.done()) {
            const auto accuracy =
                words.number("compass accuracy", "a number of degrees", -1, 360, false, failure);
            if (!accuracy) return std::nullopt;
            reading.accuracy = *accuracy;
        }
        return reading;
    }
    if (name == "accel") {
        Accel accel;
        double* axes[] = {&accel.sample.x, &accel.sample.y, &accel.sample.z};
        const char* names[] = {"accel x", "accel y", "accel z"};
        for (int i = 0; i < 3; ++i) {
            const auto v = words.number(names[i], "a number of g", -16, 16, false, failure);
            if (!v) return std::nullopt;
            *axes[i] = *v;
        }
        return accel;
    }
    if (name == "rotate") {
        static const std::pair<const char*, DeviceOrientation> ways[] = {
            {"portrait", DeviceOrientation::portrait},
            {"upside-down", DeviceOrientation::portraitUpsideDown},
            {"landscape-left", DeviceOrientation::landscapeLeft},
            {"landscape-right", DeviceOrientation::landscapeRight},
            {"face-up", DeviceOrientation::faceUp},
            {"face-down", DeviceOrientation::faceDown}};
        for (const auto& [word, orientation] : ways)
            if (words.accept(word)) return Rotate{orientation};
        const Token* t = words.peek();
        failure = Failure{
            "rotate must be portrait, upside-down, landscape-left, landscape-right, face-up or "
            "face-down: " +
            (t ? printable(t->text) : std::string("(none)"))};
        return std::nullopt;
    }
    if (name == "touch") {
        TouchPath touch;
        if (words.accept("down")) {
            touch.phase = TouchPhase::began;
        } else if (words.accept("move")) {
            touch.phase = TouchPhase::moved;
        } else if (words.accept("up")) {
            touch.phase = TouchPhase::ended;
        } else if (words.accept("cancel")) {
            touch.phase = TouchPhase::cancelled;
        } else {
            const Token* t = words.peek();
            failure = Failure{"touch must be down, move, up or cancel: " +
                              (t ? printable(t->text) : std::string("(none)"))};
            return std::nullopt;
        }
        const auto x = words.number("touch x", "a number of points", 0, 10000, false, failure);
        if (!x) return std::nullopt;
        const auto y = words.number("touch y", "a number of points", 0, 10000, false, failure);
        if (!y) return std::nullopt;
        touch.point = {*x, *y};
        return touch;
    }
    if (name == "long-press") {
        const auto x = words.number("long-press x", "a number of points", 0, 10000, false, failure);
        if (!x) return std::nullopt;
        const auto y = words.number("long-press y", "a number of points", 0, 10000, false, failure);
        if (!y) return std::nullopt;
        return LongPress{{*x, *y}};
    }
    if (name == "swipe") {
        SwipeCard swipe;
        if (words.accept("left")) {
            swipe.direction = SwipeDirection::left;
        } else if (words.accept("right")) {
            swipe.direction = SwipeDirection::right;
        } else if (words.accept("up")) {
            swipe.direction = SwipeDirection::up;
        } else {
            const Token* t = words.peek();
            failure = Failure{"swipe direction must be left, right or up: " +
                              (t ? printable(t->text) : std::string("(none)"))};
            return std::nullopt;
        }
        if (!words.accept("card")) {
            failure = Failure{"swipe needs a card: swipe DIRECTION card \"NAME\""};
            return std::nullopt;
        }
        const auto card = words.text("swipe card needs the place's name", failure);
        if (!card) return std::nullopt;
        swipe.name = *card;
        return swipe;
    }
    if (name == "network") {
        bool on = true;
        if (!parseOnOff(words, "network", on, failure)) return std::nullopt;
        return Network{on};
    }
    if (name == "mail") {
        bool on = true;
        if (!parseOnOff(words, "mail", on, failure)) return std::nullopt;
        return Mail{on};
    }
    if (name == "apps") {
        auto apps = parseMapApps(words, failure);
        if (!apps) return std::nullopt;
        return MapApps{std::move(*apps)};
    }
    if (name == "sheet") {
        const auto button = words.text("sheet needs a button's title", failure);
        if (!button) return std::nullopt;
        return SheetButton{*button};
    }
    if (name == "browse") {
        const auto url = words.text("browse needs an address", failure);
        if (!url) return std::nullopt;
        Browse browse{*url, {}};
        if (const Token* title = words.take()) browse.title = title->text;
        return browse;
    }
    if (name == "alert") {
        const auto button = words.text("alert needs a button's key or text", failure);
        if (!button) return std::nullopt;
        return AlertButton{*button};
    }
    if (name == "a11y") {
        const Token* t = words.take();
        const std::string word = t && !t->quoted ? t->text : std::string();
        if (word == "next") return A11y{A11yGesture::next, {}};
        if (word == "previous") return A11y{A11yGesture::previous, {}};
        if (word == "activate") return A11y{A11yGesture::activate, {}};
        if (word == "escape") return A11y{A11yGesture::escape, {}};
        if (word == "adjust") {
            if (words.accept("up")) return A11y{A11yGesture::adjustUp, {}};
            if (words.accept("down")) return A11y{A11yGesture::adjustDown, {}};
            const Token* d = words.peek();
            failure = Failure{"a11y adjust must be up or down: " +
                              (d ? printable(d->text) : std::string("(none)"))};
            return std::nullopt;
        }
        if (word == "action") {
            const auto action = words.text("a11y action needs the action's name", failure);
            if (!action) return std::nullopt;
            return A11y{A11yGesture::action, *action};
        }
        failure = Failure{
            "a11y must be next, previous, activate, escape, adjust up|down or action \"NAME\": " +
            (t ? printable(t->text) : std::string("(none)"))};
        return std::nullopt;
    }
    if (name == "shot") {
        Shot shot;
        const Token* t = words.take();
        if (!t || t->quoted || !validShotName(t->text)) {
            failure = Failure{"shot name must be 1 to 100 letters, digits, '-' or '_': " +
                              (t ? printable(t->text) : std::string("(none)"))};
            return std::nullopt;
        }
        shot.name = t->text;
        if (const Token* caption = words.take()) shot.caption = caption->text;
        return shot;
    }
    failure = Failure{"unknown command: " + printable(name)};
    return std::nullopt;
}

// A setup command; false when `words` holds none.
bool parseSetup(Words& words, const std::string& name, const std::filesystem::path& folder,
                Scenario& s, std::optional<Failure>& failure) {
    if (name == "places") {
        const auto file = words.text("places needs a file", failure);
        if (file) s.places.push_back(folder / *file);
        // More files add their records after the first's.
        while (file && !words.done()) {
            const auto more = words.text("places needs a file", failure);
            if (!more) break;
            s.places.push_back(folder / *more);
        }
    } else if (name == "apps") {
        if (auto apps = parseMapApps(words, failure)) s.device.mapApps = std::move(*apps);
    } else if (name == "mail") {
        parseOnOff(words, name, s.device.mail, failure);
    } else if (name == "screen") {
        const Token* t = words.take();
        const std::string text = t ? t->text : std::string();
        if (const auto setup = parseScreenSetup(text)) {
            s.device.screen = setup->size;
            s.device.scale = setup->scale;
        } else {
            failure = Failure{
                "screen must be WIDTHxHEIGHT[@SCALE] in points (100 to 10000), scale 1 to 4: " +
                printable(text)};
        }
    } else if (name == "lang") {
        if (words.accept("en")) {
            s.device.language = "en";
        } else if (words.accept("fr")) {
            s.device.language = "fr";
        } else {
            const Token* t = words.peek();
            failure = Failure{"lang must be en or fr: " +
                              (t ? printable(t->text) : std::string("(none)"))};
        }
    } else if (name == "camera") {
        if (words.accept("authorized")) {
            s.device.camera = ScenarioCamera::authorized;
        } else if (words.accept("denied")) {
            s.device.camera = ScenarioCamera::denied;
        } else if (words.accept("undecided")) {
            s.device.camera = ScenarioCamera::undecided;
        } else if (words.accept("none")) {
            s.device.camera = ScenarioCamera::none;
        } else {
            const Token* t = words.peek();
            failure = Failure{"camera must be authorized, denied, undecided or none: " +
                              (t ? printable(t->text) : std::string("(none)"))};
        }
    } else if (name == "units") {
        if (words.accept("metric")) {
            s.device.imperial = false;
        } else if (words.accept("imperial")) {
            s.device.imperial = true;
        } else {
            const Token* t = words.peek();
            failure = Failure{"units must be metric or imperial: " +
                              (t ? printable(t->text) : std::string("(none)"))};
        }
    } else if (name == "location-services" || name == "delegate" || name == "network") {
        bool& flag = name == "delegate"  ? s.device.delegate
                     : name == "network" ? s.device.network
                                         : s.device.locationServices;
        parseOnOff(words, name, flag, failure);
    } else if (name == "map-pack") {
        const auto file = words.text("map-pack needs a pack file or an OSM extract", failure);
        if (file) s.mapPack = folder / *file;
    } else if (name == "directions") {
        static const std::pair<const char*, SimDirectionsMode> modes[] = {
            {"ok", SimDirectionsMode::answer},
            {"error", SimDirectionsMode::error},
            {"none", SimDirectionsMode::none},
            {"offline", SimDirectionsMode::offline}};
        bool known = false;
        for (const auto& [word, mode] : modes) {
            if (words.accept(word)) {
                s.device.directions = mode;
                known = true;
                break;
            }
        }
        if (!known) {
            const Token* t = words.peek();
            failure = Failure{"directions must be ok, error, none or offline: " +
                              (t ? printable(t->text) : std::string("(none)"))};
        }
    } else if (name == "options") {
        const Token* t = words.take();
        const std::string list = t ? t->text : std::string();
        std::size_t from = 0;
        while (!failure) {
            const std::size_t comma = std::min(list.find(',', from), list.size());
            const std::string option = list.substr(from, comma - from);
            if (option == "debugMap") {
                s.device.debugMap = true;
            } else if (option == "debugLabel") {
                s.device.debugLabel = true;
            } else {
                failure = Failure{"options takes debugMap and debugLabel, separated by commas: " +
                                  printable(list.empty() ? std::string("(none)") : list)};
            }
            if (comma >= list.size()) break;
            from = comma + 1;
        }
    } else if (name == "hints") {
        parseOnOff(words, name, s.device.hints, failure);
    } else if (name == "places-inline") {
        const auto json = words.text("places-inline needs the places' JSON text, quoted", failure);
        if (json) s.inlinePlaces = *json;
    } else if (name == "pages") {
        const auto folder_ = words.text("pages needs a folder", failure);
        if (folder_) s.device.pages = folder / *folder_;
    } else {
        return false;
    }
    return true;
}

// A finger's path must stay on the screen and go down before it moves or lifts. (A `tap X Y`
// off the screen only misses, as it always has.)
// Checked once the whole file is read, as the screen may be given after the touches.
std::string checkTouches(const Scenario& s) {
    using namespace scenario;
    const Size screen = s.device.screen;
    const auto outside = [&](Point p) {
        return p.x < 0 || p.y < 0 || p.x > screen.width || p.y > screen.height;
    };
    const auto at = [](int line) { return "line " + std::to_string(line) + ": "; };
    const std::string size = shortNumber(screen.width) + "x" + shortNumber(screen.height);
    int downLine = 0;
    for (const auto& event : s.events) {
        std::optional<Point> point;
        const char* what = "";
        if (const auto* touch = std::get_if<TouchPath>(&event.action)) {
            point = touch->point;
            what = "touch";
            const bool down = touch->phase == TouchPhase::began;
            if (down && downLine)
                return at(event.line) + "touch down: a finger is already down since line " +
                       std::to_string(downLine);
            if (!down && !downLine)
                return at(event.line) + "touch " +
                       (touch->phase == TouchPhase::moved   ? "move"
                        : touch->phase == TouchPhase::ended ? "up"
                                                            : "cancel") +
                       ": no finger is down";
            downLine = down ? event.line : (touch->phase == TouchPhase::moved ? downLine : 0);
        }
        if (point && outside(*point))
            return at(event.line) + what + " at (" + shortNumber(point->x) + ", " +
                   shortNumber(point->y) + ") is outside the screen (" + size + " points)";
    }
    return {};
}

}  // namespace

ScenarioParse parseScenario(std::string_view text, const std::filesystem::path& folder) {
    Scenario s;
    std::map<std::string, int> setupLines;  // setup command -> line it was given on
    std::map<std::string, int> shotLines;
    double lastTime = 0;
    int lineNumber = 0;
    const auto fail = [&](const std::string& message) {
        return ScenarioParse{std::nullopt, "line " + std::to_string(lineNumber) + ": " + message};
    };
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (line.find('\0') != std::string_view::npos) return fail("the line holds a NUL byte");
        std::optional<Failure> failure;
        Words words(tokenize(line, failure));
        if (failure) return fail(failure->message);
        if (words.done()) continue;
        const Token* first = words.peek();
        if (!first->quoted && first->text == "at") {
            words.take();
            const auto time =
                words.number("the time", "a number of seconds", 0, kMaximumTime, false, failure);
            if (!time) return fail(failure->message);
            if (*time < lastTime)
                return fail("time " + shortNumber(*time) +
                            " s is before the time of the line before (" + shortNumber(lastTime) +
                            " s)");
            auto action = parseAction(words, folder, failure);
            if (!action) return fail(failure->message);
            if (const auto* shot = std::get_if<scenario::Shot>(&*action)) {
                const auto [it, fresh] = shotLines.emplace(shot->name, lineNumber);
                if (!fresh)
                    return fail("shot " + shot->name + " was already taken on line " +
                                std::to_string(it->second));
            }
            lastTime = *time;
            s.events.push_back({*time, lineNumber, std::move(*action)});
        } else {
            const std::string name = first->quoted ? std::string() : first->text;
            words.take();
            if (!parseSetup(words, name, folder, s, failure)) {
                if (name == "fix" || name == "heading" || name == "pitch" || name == "walk" ||
                    name == "shot" || name == "tap" || name == "swipe" || name == "present" ||
                    name == "open" || name == "raise" || name == "scroll" || name == "long-press" ||
                    name == "sheet" || name == "compass" || name == "accel" || name == "rotate" ||
                    name == "touch")
                    return fail(name + " needs a time: at T " + name + " ...");
                return fail("unknown command: " + printable(first->text));
            }
            if (failure) return fail(failure->message);
            const auto [it, fresh] = setupLines.emplace(name, lineNumber);
            if (!fresh)
                return fail(name + " was already given on line " + std::to_string(it->second));
            if (name == "places" || name == "places-inline") s.placesLine = lineNumber;
            if (name == "pages") s.pagesLine = lineNumber;
            if (name == "map-pack") s.mapPackLine = lineNumber;
        }
        if (const Token* extra = words.take())
            return fail("unexpected text at the end of the line: " + printable(extra->text));
    }
    if (!s.places.empty() && !s.inlinePlaces.empty())
        return {std::nullopt, "line " + std::to_string(setupLines["places-inline"]) +
                                  ": places-inline: places are given on line " +
                                  std::to_string(setupLines["places"]) + " already"};
    if (auto problem = checkTouches(s); !problem.empty()) return {std::nullopt, problem};
    return {std::move(s), {}};
}

ScenarioParse readScenarioFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {std::nullopt, "cannot read " + printable(path.string())};
    std::ostringstream text;
    text << in.rdbuf();
    return parseScenario(text.str(), path.parent_path());
}

std::string describeAction(const ScenarioAction& action) {
    using namespace scenario;
    struct Name {
        std::string operator()(const Fix&) const { return "fix"; }
        std::string operator()(const Heading&) const { return "heading"; }
        std::string operator()(const Turn&) const { return "turn"; }
        std::string operator()(const Pitch&) const { return "pitch"; }
        std::string operator()(const Walk&) const { return "walk"; }
        std::string operator()(const Present&) const { return "present"; }
        std::string operator()(const Background&) const { return "background"; }
        std::string operator()(const Foreground&) const { return "foreground"; }
        std::string operator()(const ReloadNotification&) const { return "reload-notification"; }
        std::string operator()(const TapPoint&) const { return "tap"; }
        std::string operator()(const TapCard&) const { return "tap card"; }
        std::string operator()(const TapView&) const { return "tap view"; }
        std::string operator()(const SwipeCard&) const { return "swipe"; }
        std::string operator()(const AlertButton&) const { return "alert"; }
        std::string operator()(const OpenList&) const { return "open list"; }
        std::string operator()(const Raise&) const { return "raise"; }
        std::string operator()(const ScrollList&) const { return "scroll list"; }
        std::string operator()(const TapRow&) const { return "tap row"; }
        std::string operator()(const Network&) const { return "network"; }
        std::string operator()(const Browse&) const { return "browse"; }
        std::string operator()(const LongPress&) const { return "long-press"; }
        std::string operator()(const MapApps&) const { return "apps"; }
        std::string operator()(const Mail&) const { return "mail"; }
        std::string operator()(const OpenDetails&) const { return "open details"; }
        std::string operator()(const SheetButton&) const { return "sheet"; }
        std::string operator()(const TapMap&) const { return "tap map"; }
        std::string operator()(const ScrollDetails&) const { return "scroll details"; }
        std::string operator()(const A11y&) const { return "a11y"; }
        std::string operator()(const Shot&) const { return "shot"; }
        std::string operator()(const Compass&) const { return "compass"; }
        std::string operator()(const Accel&) const { return "accel"; }
        std::string operator()(const Rotate&) const { return "rotate"; }
        std::string operator()(const TouchPath&) const { return "touch"; }
        std::string operator()(const End&) const { return "end"; }
    };
    return std::visit(Name{}, action);
}

}  // namespace arquorel::sim
