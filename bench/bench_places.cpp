// Places files and a whole region of places: loading the bundled Monaco places (612 records,
// 467 kB) from text and from the file; loading a generated region (100,000 elements, 70 MB),
// measuring every place from the user and keeping the nearest; and a drawn main-screen frame
// with the Monaco places against the same frame with the region's, which must cost about the
// same (nothing per frame grows with the number of places).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "arquorel/arcore/NearestSelection.h"
#include "arquorel/arscreen/LocationManager.h"
#include "arquorel/places/Place.h"
#include "arquorel/places/PlacesFile.h"
#include "arquorel/places/QuorelVC.h"
#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/drawing/Renderer.h"
#include "arquorel/platform/drawing/cairo/CairoBackend.h"
#include "arquorel/platform/drawing/cairo/CairoCanvas.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/sensors/Geodesy.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SensorScript.h"
#include "sim/device/SimCamera.h"
#include "sim/device/SimPlatform.h"
#include "sim/host/RegionPlaces.h"

namespace {

using namespace arquorel;

const std::string kMonacoPath = std::string(ARQUOREL_DATA_DIR) + "/monaco/places.json";
constexpr Coordinate kCasino{43.7393682, 7.4272085};

void BM_LoadMonacoFromText(benchmark::State& state) {
    std::ifstream in(kMonacoPath, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    std::size_t records = 0;
    for (auto _ : state) {
        const auto file = PlacesFile::fromText(text);
        records = file.records.size();
        benchmark::DoNotOptimize(records);
    }
    if (records != 612) state.SkipWithError("the Monaco places did not load");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["records"] = static_cast<double>(records);
}
BENCHMARK(BM_LoadMonacoFromText)->Unit(benchmark::kMillisecond);

void BM_LoadMonacoFromFile(benchmark::State& state) {
    std::size_t records = 0;
    for (auto _ : state) {
        const auto file = PlacesFile::fromPath(kMonacoPath);
        records = file.records.size();
        benchmark::DoNotOptimize(records);
    }
    if (records != 612) state.SkipWithError("the Monaco places did not load");
    state.counters["records"] = static_cast<double>(records);
}
BENCHMARK(BM_LoadMonacoFromFile)->Unit(benchmark::kMillisecond);

// The generated region files of this run, removed when it ends.
struct RegionFiles {
    std::map<std::size_t, std::filesystem::path> paths;
    ~RegionFiles() {
        std::error_code ignored;
        for (const auto& [count, path] : paths) std::filesystem::remove(path, ignored);
    }
};

// A generated region's places file, written once per run.
const std::filesystem::path& regionFile(std::size_t count) {
    static RegionFiles files;
    auto& path = files.paths[count];
    if (path.empty()) {
        path = std::filesystem::temp_directory_path() /
               ("arquorel-bench-region-" + std::to_string(count) + ".json");
        sim::RegionRecipe recipe;
        recipe.count = count;
        const std::string text = sim::regionPlacesText(recipe);
        std::ofstream(path, std::ios::binary)
            .write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    return path;
}

// Resident memory now, in bytes.
double residentBytes() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * 4096;
}

// What a host does with a region's file: loads it, makes the places, measures each from the
// user and keeps the 250 nearest. "held" is the memory the loaded places keep. The places of
// the round before are let go untimed: a host keeps them while its screen shows.
void BM_LoadRegionAndKeepNearest(benchmark::State& state) {
    const auto& path = regionFile(static_cast<std::size_t>(state.range(0)));
    std::size_t kept = 0, records = 0;
    double held = 0;
    PlacesFile file;
    std::vector<std::shared_ptr<Place>> places;
    for (auto _ : state) {
        state.PauseTiming();
        file = PlacesFile{};
        places = {};
        state.ResumeTiming();
        const double before = residentBytes();
        file = PlacesFile::fromPath(path);
        places.reserve(file.records.size());
        const GeodesicOrigin origin(kCasino);
        for (const auto& record : file.records) {
            if (auto place = Place::create(record)) {
                place->setDistanceFromUser(origin.distanceTo(place->location().coordinate));
                places.push_back(std::move(place));
            }
        }
        const auto nearest = nearestIndices(
            places.size(), 250, [&](std::size_t i) { return places[i]->distanceFromUser(); });
        // Freed memory is used again by later iterations: the first one tells.
        held = std::max(held, residentBytes() - before);
        kept = nearest.size();
        records = file.records.size();
        benchmark::DoNotOptimize(nearest.data());
    }
    state.counters["records"] = static_cast<double>(records);
    state.counters["kept"] = static_cast<double>(kept);
    state.counters["heldMB"] = held / 1e6;
}
BENCHMARK(BM_LoadRegionAndKeepNearest)->Arg(100000)->Unit(benchmark::kMillisecond);

// The main screen at the Casino facing it (heading 108), upright, 375x812 points at 2 pixels a
// point, with the Monaco places (0) or a region of that many.
struct MainScreen {
    sim::SimPlatform device;
    sim::SimSensors sensors;
    sim::SimCamera camera{device.context()};
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<ViewController> root = std::make_shared<ViewController>();
    std::shared_ptr<QuorelVC> screen;

    explicit MainScreen(std::size_t regionCount) {
        device.context().device().setScreenScale(2);
        cairo::installCairoBackend(device.context());
        platformContext().console().startCapture();
        platformContext().userDefaults().set(kFirstTimeQuorelHintKey, true);
        LocationManager::resetSharedInstance();
        LocationManager::sharedInstance()->setLatestLocation(
            Location(kCasino, 0, 5, 5, device.now()));
        camera.setPoseProvider([] { return sim::CameraPose{108, -90}; });
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        device.runPending();
        screen = QuorelVC::make();
        screen->serverPlaces =
            PlacesFile::fromPath(regionCount == 0 ? std::filesystem::path(kMonacoPath)
                                                  : regionFile(regionCount))
                .records;
        root->present(screen, false);
        device.runPending();
        sim::SensorScript script;
        script.fix(0.01, kCasino);
        for (double t = 0; t < 4; t += 0.05)
            script.heading(t, 108, 108).acceleration(t, {0, -1, 0});
        script.play(sensors);
        device.advance(4);
        platformContext().console().startCapture();
    }
    ~MainScreen() {
        window.reset();
        screen.reset();
        LocationManager::resetSharedInstance();
    }
    // One frame: a 60th of a second of the main loop, layout, the display list and drawing it.
    void frame(DisplayList& list) {
        Window::layoutAllWindows();
        list.clear();
        Renderer().render(*window, list);
        cairo::CairoCanvas canvas({375, 812}, 2);
        list.replay(canvas);
        benchmark::DoNotOptimize(canvas.pixelWidth());
    }
    void counters(benchmark::State& state, const DisplayList& list) {
        state.counters["places"] = static_cast<double>(screen->places.size());
        state.counters["dots"] = static_cast<double>(screen->radarV->dotsView()->dots().size());
        state.counters["steps"] = static_cast<double>(list.steps().size());
    }
};

// A steady drawn frame: the sensors keep reporting the pose, the radar has frozen.
void BM_PlacesDrawnFrame(benchmark::State& state) {
    MainScreen scene(static_cast<std::size_t>(state.range(0)));
    DisplayList list;
    const sim::SensorEvent heading{0, sim::HeadingEvent{108, 108, 5}};
    const sim::SensorEvent gravity{0, sim::AccelerationEvent{{0, -1, 0}}};
    for (auto _ : state) {
        scene.sensors.apply(heading);
        scene.sensors.apply(gravity);
        scene.device.advance(1.0 / 60);
        scene.frame(list);
    }
    scene.counters(state, list);
}
BENCHMARK(BM_PlacesDrawnFrame)->Arg(0)->Arg(100000)->Unit(benchmark::kMillisecond);

// A drawn frame while the radar recalibrates (the 50 frames after every fix): its points made
// again from the places and measured from the user.
void BM_PlacesRecalibratingFrame(benchmark::State& state) {
    MainScreen scene(static_cast<std::size_t>(state.range(0)));
    DisplayList list;
    const sim::SensorEvent heading{0, sim::HeadingEvent{108, 108, 5}};
    const sim::SensorEvent gravity{0, sim::AccelerationEvent{{0, -1, 0}}};
    for (auto _ : state) {
        scene.screen->radarFeed().reset();
        scene.sensors.apply(heading);
        scene.sensors.apply(gravity);
        scene.device.advance(1.0 / 60);
        scene.frame(list);
        platformContext().console().clear();
    }
    scene.counters(state, list);
}
BENCHMARK(BM_PlacesRecalibratingFrame)->Arg(0)->Arg(100000)->Unit(benchmark::kMillisecond);

// A location fix 6 metres north of the Casino, or back at it, by turns.
void fixAwayOrBack(MainScreen& scene, bool& away) {
    away = !away;
    const Coordinate at{kCasino.latitude + (away ? 6 / 111320.0 : 0), kCasino.longitude};
    auto& screen = *scene.screen;
    screen.didUpdateLocation(screen.trackingManager(), Location(at, 0, 5, 5, scene.device.now()));
}

// The frame of a location fix 6 metres from the last: the cards' reload finds the nearest
// places again and the radar its own, measuring only the places that may be among them.
void BM_PlacesFixFrame(benchmark::State& state) {
    MainScreen scene(static_cast<std::size_t>(state.range(0)));
    DisplayList list;
    bool away = false;
    for (auto _ : state) {
        fixAwayOrBack(scene, away);
        scene.device.advance(1.0 / 60);
        scene.frame(list);
        platformContext().console().clear();
    }
    scene.counters(state, list);
}
BENCHMARK(BM_PlacesFixFrame)->Arg(0)->Arg(100000)->Unit(benchmark::kMillisecond);

// A location fix 6 metres from the last without drawing: the reload, the cards laid out and
// the radar's places chosen again. "measured" counts the places measured per fix.
void BM_PlacesFix(benchmark::State& state) {
    MainScreen scene(static_cast<std::size_t>(state.range(0)));
    auto& screen = *scene.screen;
    bool away = false;
    for (auto _ : state) {
        fixAwayOrBack(scene, away);
        benchmark::DoNotOptimize(screen.radarPlaces().data());
        Window::layoutAllWindows();
        platformContext().console().clear();
    }
    state.counters["places"] = static_cast<double>(screen.places.size());
}
BENCHMARK(BM_PlacesFix)->Arg(0)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
