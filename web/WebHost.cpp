// The web host: the page's side of the main screen. It loads the places the page hands in,
// presents the main screen in a window over the whole drawing area, tells the page which place
// the user opened and when the screen closed, and gives tests the window's view tree.
#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "arquorel/arscreen/LocationManager.h"
#include "arquorel/arscreen/RadarAnimation.h"
#include "arquorel/placelist/Handoffs.h"
#include "arquorel/placelist/PointsVC.h"
#include "arquorel/places/PlacesFile.h"
#include "arquorel/places/QuorelVC.h"
#include "arquorel/platform/browser/emscripten/BrowserPlatform.h"
#include "arquorel/platform/drawing/ViewTreeDump.h"
#include "arquorel/platform/resources/Bundle.h"
#include "arquorel/platform/runtime/Console.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/LayoutRegistry.h"
#include "arquorel/platform/ui/Storyboard.h"
#include "arquorel/platform/ui/ViewController.h"
#include "arquorel/platform/ui/Window.h"

EM_JS(void, arq_js_event, (const char* name, const char* detail),
      { ARQ.dispatch(UTF8ToString(name), JSON.parse(UTF8ToString(detail))); });

// Copies up to `size` bytes of the places the page holds (Module.arqPlacesBytes, a Uint8Array
// outside the module's memory) from `offset` into `into`; the number copied, 0 at the end.
EM_JS(double, arq_js_places_read, (double offset, char* into, double size), {
    const bytes = Module.arqPlacesBytes;
    if (!bytes || offset >= bytes.length) return 0;
    const block = bytes.subarray(offset, Math.min(bytes.length, offset + size));
    HEAPU8.set(block, into >>> 0);
    return block.length;
});

namespace {

using arquorel::browser::BrowserPlatform;

std::string jsonText(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7f", v);
    return text;
}

// What a places text gave, for the page: {"shown": N, "leftOut": [{"record": n, "id", "problem"}]}
// with one entry a record left out, numbered from 1 as a person counts them, its problems
// joined by "; ".
std::string placesReport(const arquorel::PlacesFile& loaded) {
    struct Entry {
        std::string id;
        std::string problems;
    };
    // By record, in the records' order; looked up by index, as a file with many bad records
    // has as many problems.
    std::map<std::size_t, Entry> left;
    for (const auto& problem : loaded.problems)
        if (problem.leftOut) left.try_emplace(problem.index, Entry{problem.id, {}});
    for (const auto& problem : loaded.problems) {
        const auto entry = left.find(problem.index);
        if (entry == left.end()) continue;
        auto& text = entry->second.problems;
        if (!text.empty()) text += "; ";
        text += (problem.field.empty() ? "" : problem.field + ": ") + problem.message;
    }
    std::string out = "{\"shown\":" + std::to_string(loaded.records.size()) + ",\"leftOut\":[";
    bool first = true;
    for (const auto& [index, entry] : left) {
        if (!first) out += ",";
        first = false;
        out += "{\"record\":" + std::to_string(index + 1) + ",\"id\":" + jsonText(entry.id) +
               ",\"problem\":" + jsonText(entry.problems) + "}";
    }
    return out + "]}";
}

// Places texts up to this size are kept in a recording; larger ones are named.
constexpr double kMaxEmbeddedPlaces = 5 * 1024 * 1024;
constexpr const char* kDefaultPlacesFileName = "places.json";
// Problems of a places text written to the console, at most.
constexpr std::size_t kMaxConsoleProblems = 20;

// Reads the page's places bytes for the places reader.
std::size_t pageBytes(std::uint64_t offset, char* into, std::size_t size) {
    return static_cast<std::size_t>(
        arq_js_places_read(static_cast<double>(offset), into, static_cast<double>(size)));
}

// The page's places bytes as one text (a small one: the recording keeps it).
std::string wholePageText(std::size_t size) {
    std::string text(size, '\0');
    text.resize(pageBytes(0, text.data(), size));
    return text;
}

struct Host : arquorel::QuorelVCDelegate {
    void openElementDetails(const std::shared_ptr<arquorel::QuorelProperty>& place) override {
        const std::string detail =
            "{\"id\":" + jsonText(place->id) + ",\"name\":" + jsonText(place->name) +
            ",\"lat\":" + number(place->lat) + ",\"lng\":" + number(place->lng) + "}";
        arq_js_event("openElementDetails", detail.c_str());
    }
};

struct Session {
    std::shared_ptr<arquorel::Window> window;
    std::shared_ptr<arquorel::QuorelVC> screen;
    bool reduceMotion = false;   // the page's prefers-reduced-motion
    bool shown = false;          // the main screen was on screen at least once
    int depth = 0;               // screens over the main screen when the page was last told
    std::string advicePlatform;  // whose settings the screen's advice names
    std::string placesReport;    // what the last start took and left out, as JSON
};

Session& session() {
    static Session s;
    return s;
}

}  // namespace

extern "C" {

// Shows the main screen with the places the page holds in Module.arqPlacesBytes: a places JSON
// array of `placesSize` bytes, read block by block, so that a whole region's text never enters
// the module's memory (which never shrinks). `placesName` is the places' file name, which a
// recording keeps instead of places too large to embed. With `delegate`, taps on places reach
// the page as events; without, the built-in details screen opens. `debugMap`: a small "map"
// button shows the debugging map of the places. Returns the number of places taken (-1: none
// could be read); the problems of records left out go to the console and to the report
// arq_host_places_report() gives.
EMSCRIPTEN_KEEPALIVE int arq_host_start(double placesSize, const char* placesName, int imperial,
                                        const char* language, const char* attribution, int hints,
                                        int delegate, int debugMap) {
    auto& platform = BrowserPlatform::instance();
    auto& context = platform.context();
    auto& s = session();
    // No name for the reader: its messages stay those of the text itself ("line 1, column 9").
    auto loaded = arquorel::PlacesFile::fromSource({}, pageBytes);
    s.placesReport = placesReport(loaded);
    if (loaded.error) {
        context.console().writeLine("places: " + loaded.error->message);
        arq_js_event("error", ("{\"message\":" + jsonText(loaded.error->message) + "}").c_str());
        return -1;
    }
    // The page lists every record left out; the console gets the first few problems, as a file
    // with many bad records would otherwise take seconds writing them one line each.
    const std::size_t written = std::min(loaded.problems.size(), kMaxConsoleProblems);
    for (std::size_t i = 0; i < written; ++i)
        context.console().writeLine(loaded.problems[i].text());
    if (written < loaded.problems.size())
        context.console().writeLine("places: " + std::to_string(loaded.problems.size() - written) +
                                    " more problems, not written here");

    if (imperial)
        context.userDefaults().set("isMyleType", true);
    else
        context.userDefaults().removeObject("isMyleType");
    arquorel::Bundle::framework().setLanguage(language ? language : "");
    // The list and the details screen (with its map, web page and hand-offs) come from the
    // layouts the main screen's buttons and taps lead to.
    arquorel::registerPlaceListLayouts();

    // The position must be known before the screen loads: the location manager starts first.
    arquorel::LocationManager::sharedInstance()->start();
    s.window = std::make_shared<arquorel::Window>(context.device().mainScreenBounds());
    auto root = std::make_shared<arquorel::ViewController>();
    s.window->setRootViewController(root);
    s.window->makeKeyAndVisible();
    // Made from the layout, so that its segue to the list leads somewhere.
    s.screen = std::dynamic_pointer_cast<arquorel::QuorelVC>(
        arquorel::LayoutRegistry::shared()
            .storyboard(arquorel::kMainStoryboard)
            ->instantiateViewController(arquorel::kQuorelVCIdentifier));
    if (!s.screen) s.screen = arquorel::QuorelVC::make();
    const int taken = static_cast<int>(loaded.records.size());
    s.screen->serverPlaces = std::move(loaded.records);
    if (delegate) s.screen->delegate = std::make_shared<Host>();
    s.screen->attribution = attribution ? attribution : "";
    s.screen->showsFirstUseHints = hints != 0;
    s.screen->uiOptions.debugMap = debugMap != 0;
    s.screen->uiOptions.reduceMotion = s.reduceMotion;
    s.screen->advicePlatform = s.advicePlatform;
    s.shown = false;
    s.depth = 0;
    if (auto* recorder = platform.recorder()) {
        // The places go into the recording unless the page named their file already; a file
        // too large to embed is named, and the replay finds it beside the scenario.
        if (!recorder->hasPlaces()) {
            if (placesSize <= kMaxEmbeddedPlaces) {
                recorder->setEmbeddedPlaces(wholePageText(static_cast<std::size_t>(placesSize)));
            } else {
                const std::string name =
                    placesName && *placesName ? placesName : kDefaultPlacesFileName;
                recorder->setPlacesFile(name);
                context.console().writeLine(
                    "recording: the places are too large to keep in it; "
                    "put them beside the scenario as " +
                    name);
            }
        }
        recorder->setLanguage(arquorel::Bundle::framework().language());
        recorder->setImperial(imperial != 0);
        recorder->setDelegate(delegate != 0);
        recorder->setHints(hints != 0);
        recorder->presented(context.now());
    }
    root->present(s.screen, true);
    return taken;
}

// The user's wish for less motion (the page's prefers-reduced-motion), for this screen and the
// next ones: the radar's sweep stands still and the cards move without animation.
EMSCRIPTEN_KEEPALIVE void arq_host_reduce_motion(int reduce) {
    auto& s = session();
    s.reduceMotion = reduce != 0;
    if (!s.screen) return;
    s.screen->uiOptions.reduceMotion = s.reduceMotion;
    if (s.screen->radarAnimation) s.screen->radarAnimation->setStill(s.reduceMotion);
}

// Whose settings the screen's advice names ("ios", "android", "web"), for the next start.
EMSCRIPTEN_KEEPALIVE void arq_host_advice_platform(const char* platform) {
    session().advicePlatform = platform ? platform : "";
}

// What the last start took and left out: {"shown": N, "leftOut": [{"record": n (from 1), "id",
// "problem"}]}.
EMSCRIPTEN_KEEPALIVE const char* arq_host_places_report() {
    return session().placesReport.c_str();
}

// Called every frame after the platform's tick: notices that the user closed the screen.
EMSCRIPTEN_KEEPALIVE void arq_host_frame() {
    auto& s = session();
    if (!s.window || !s.screen) return;
    const auto stack = s.window->presentationStack();
    const bool onScreen = stack.size() > 1;
    if (onScreen) {
        s.shown = true;
        // The page hears when the list, the details or a notice covers the main screen, and
        // when it is the top screen again (a host shows its own controls only over it).
        const int depth = static_cast<int>(stack.size()) - 2;
        if (depth != s.depth) {
            s.depth = depth;
            arq_js_event("screenchange", depth == 0 ? "{\"top\":\"main\"}" : "{\"top\":\"other\"}");
        }
        return;
    }
    if (!s.shown) return;
    s.screen.reset();
    s.window.reset();
    arq_js_event("close", "{}");
}

// Opens the places list over the main screen (the host's list button); false when the main
// screen is not the top screen.
EMSCRIPTEN_KEEPALIVE int arq_host_open_list() {
    auto& s = session();
    if (!s.window || !s.screen || s.window->topViewController() != s.screen) return 0;
    auto& platform = BrowserPlatform::instance();
    if (auto* recorder = platform.recorder()) recorder->openedList(platform.context().now());
    s.screen->openPointsList();
    return 1;
}

// Closes the screen from the page (its own back button, leaving the page).
EMSCRIPTEN_KEEPALIVE void arq_host_close() {
    auto& s = session();
    s.screen.reset();
    s.window.reset();
}

// The window's view tree, as the native dump writes it; empty without a screen.
EMSCRIPTEN_KEEPALIVE const char* arq_host_view_tree() {
    static std::string tree;
    tree = session().window ? arquorel::dumpViewTree(*session().window) : std::string();
    return tree.c_str();
}

// The tel: addresses the details screen's call button dials for a place's phone text read in
// `region` (one a line; none: no call button), by the platform's telephone-number reader.
EMSCRIPTEN_KEEPALIVE const char* arq_host_dial_strings(const char* phone, const char* region) {
    static std::string lines;
    lines.clear();
    for (const auto& choice :
         arquorel::phoneChoices(phone, region, arquorel::platformContext().phoneNumberService()))
        lines += choice.url + "\n";
    return lines.c_str();
}

}  // extern "C"

int main() {
    BrowserPlatform::instance();
    return 0;
}
