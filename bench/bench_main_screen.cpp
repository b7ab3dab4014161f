// The main screen with the Monaco places, held near the Casino facing east: a steady frame
// (engine, radar turning), the engine's part of that frame alone for comparison, a radar
// recalibration frame, a reload of the 612 places, drawing the screen, and a whole frame as the
// browser page makes it (its figure is set against the page's by tests/web/bench.mjs).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <variant>

#include "arquorel/arscreen/LocationManager.h"
#include "arquorel/places/PlacesFile.h"
#include "arquorel/places/QuorelVC.h"
#include "arquorel/platform/browser/CanvasCommands.h"
#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/drawing/LayerStore.h"
#include "arquorel/platform/drawing/Renderer.h"
#include "arquorel/platform/drawing/cairo/CairoBackend.h"
#include "arquorel/platform/drawing/cairo/CairoCanvas.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/Window.h"
#include "bench/BenchLayers.h"
#include "sim/device/SensorScript.h"
#include "sim/device/SimCamera.h"
#include "sim/device/SimPlatform.h"

namespace {

using namespace arquorel;

constexpr Coordinate kCasino{43.7393682, 7.4272085};

// The phone and how it is held.
struct Setup {
    double heading = 80;
    Acceleration gravity{0, -0.94, -0.34};  // the accelerometer in g: tilted back by 20 degrees
    double screenScale = 3;
    // The synthetic camera picture looks this far down: -90 leaves one gradient filling it.
    double cameraPitch = 0;
    std::string attribution;
};

struct MainScreen {
    sim::SimPlatform device;
    sim::SimSensors sensors;
    sim::SimCamera camera{device.context()};
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<ViewController> root = std::make_shared<ViewController>();
    std::shared_ptr<QuorelVC> screen;

    explicit MainScreen(const Setup& setup = {}) {
        device.context().device().setScreenScale(setup.screenScale);
        cairo::installCairoBackend(device.context());
        platformContext().console().startCapture();
        platformContext().userDefaults().set(kFirstTimeQuorelHintKey, true);
        LocationManager::resetSharedInstance();
        LocationManager::sharedInstance()->setLatestLocation(
            Location(kCasino, 0, 5, 5, device.now()));
        camera.setPoseProvider([setup] {
            return sim::CameraPose{setup.heading, setup.cameraPitch};
        });
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        device.runPending();
        screen = QuorelVC::make();
        screen->serverPlaces =
            PlacesFile::fromPath(ARQUOREL_DATA_DIR "/monaco/places.json").records;
        screen->attribution = setup.attribution;
        root->present(screen, false);
        device.runPending();
        sim::SensorScript script;
        script.fix(0.01, kCasino);
        for (double t = 0; t < 4; t += 0.05)
            script.heading(t, setup.heading, setup.heading).acceleration(t, setup.gravity);
        script.play(sensors);
        device.advance(4);
        platformContext().console().startCapture();  // drop the lines so far
    }
    ~MainScreen() {
        window.reset();
        screen.reset();
        LocationManager::resetSharedInstance();
    }
    void counters(benchmark::State& state) {
        state.counters["shown"] =
            static_cast<double>(screen->presenter()->visibleAnnotationsAsArray().size());
        state.counters["places"] = static_cast<double>(screen->places.size());
    }
};

// A steady frame of the main screen: filters, status, the heading reload of the shown cards and
// the radar turning with the compass (it has frozen after its 50 recalibration frames).
void BM_MainScreenFrame(benchmark::State& state) {
    MainScreen scene;
    auto& tracking = scene.screen->trackingManager();
    double heading = 80;
    for (auto _ : state) {
        heading = std::fmod(heading + 0.7, 360);
        tracking.setDebugHeading(heading);
        scene.screen->displayTimerTick();
    }
    scene.counters(state);
    state.counters["frozen"] = scene.screen->radarFeed().frozenAngle() ? 1 : 0;
}
BENCHMARK(BM_MainScreenFrame)->Unit(benchmark::kMicrosecond);

// The engine's share of the same frame: filters, status and the heading reload, no radar.
void BM_MainScreenEngineFrame(benchmark::State& state) {
    MainScreen scene;
    auto& tracking = scene.screen->trackingManager();
    auto& presenter = *scene.screen->presenter();
    double heading = 80;
    for (auto _ : state) {
        heading = std::fmod(heading + 0.7, 360);
        tracking.setDebugHeading(heading);
        tracking.filterPitch();
        tracking.filterHeading();
        auto& status = scene.screen->mutableArStatus();
        status.pitch = tracking.filteredPitch();
        status.heading = tracking.filteredHeading();
        presenter.reload(scene.screen->getAnnotations(), ReloadType::headingChanged);
    }
    scene.counters(state);
}
BENCHMARK(BM_MainScreenEngineFrame)->Unit(benchmark::kMicrosecond);

// A radar recalibration frame over the 612 places: every point measured again from the user,
// the dots handed over and the points rebuilt with their colours and alphas.
void BM_MainScreenRadarRecalibration(benchmark::State& state) {
    MainScreen scene;
    auto& screen = *scene.screen;
    for (auto _ : state) {
        screen.radarFeed().reset();
        screen.updateRadar(screen, 0.1);
    }
    state.counters["points"] = static_cast<double>(screen.ar_coordinates().size());
    platformContext().console().startCapture();
}
BENCHMARK(BM_MainScreenRadarRecalibration)->Unit(benchmark::kMicrosecond);

// The work of a reload: 612 records to places, sorted, handed to the engine (distances,
// azimuths, the annotationsChanged rebuild) and the radar points made. Between reloads the
// phone runs on for a moment (untimed), so the fades a rebuild starts end as they would.
void BM_ReloadPlaces(benchmark::State& state) {
    MainScreen scene;
    auto& screen = *scene.screen;
    for (auto _ : state) {
        screen.tableData = screen.serverPlaces;
        screen.rebuildPlaces();
        screen.radarFeed().rebuildPoints();
        state.PauseTiming();
        scene.device.advance(0.25);
        state.ResumeTiming();
    }
    scene.counters(state);
}
BENCHMARK(BM_ReloadPlaces)->Unit(benchmark::kMillisecond);

// Drawing the main screen (camera picture, cards, radar, back button) into a display list, and
// rasterising that list at 375x812 points, 2 pixels a point.
void BM_MainScreenDisplayList(benchmark::State& state) {
    MainScreen scene;
    const Renderer renderer;
    DisplayList list;
    for (auto _ : state) {
        list.clear();
        renderer.render(*scene.window, list);
        benchmark::DoNotOptimize(list.steps().data());
    }
    scene.counters(state);
    state.counters["steps"] = static_cast<double>(list.steps().size());
}
BENCHMARK(BM_MainScreenDisplayList)->Unit(benchmark::kMicrosecond);

void BM_MainScreenRasterise(benchmark::State& state) {
    MainScreen scene;
    DisplayList list;
    Renderer().render(*scene.window, list);
    for (auto _ : state) {
        cairo::CairoCanvas canvas({375, 812}, 2, Color::black());
        list.replay(canvas);
        benchmark::DoNotOptimize(canvas.pixelWidth());
    }
    scene.counters(state);
}
BENCHMARK(BM_MainScreenRasterise)->Unit(benchmark::kMillisecond);

// A whole frame as the browser page makes it, for tests/web/bench.mjs to set against the page's:
// drawn directly, at the Casino facing it (heading 108), upright, 375x812 points at 2 pixels a
// point, the page's attribution line; the sensors keep reporting that pose. The frame's update (a
// 60th of a second of the main loop: sensors, the display link's tick), layout, the display list,
// and drawing it into a new picture (the page clears its canvas). The page's camera picture is a
// video the browser lays under the canvas, outside the frame's work, so the synthetic picture is
// kept to one gradient here, where the page clears a rectangle.
void BM_MainScreenDrawnFrame(benchmark::State& state) {
    Setup setup;
    setup.heading = 108;
    setup.gravity = {0, -1, 0};
    setup.screenScale = 2;
    setup.cameraPitch = -90;
    setup.attribution = "\u00A9 OpenStreetMap contributors, ODbL 1.0";
    MainScreen scene(setup);
    const Renderer renderer;
    DisplayList list;
    const sim::SensorEvent heading{0, sim::HeadingEvent{108, 108, 5}};
    const sim::SensorEvent gravity{0, sim::AccelerationEvent{setup.gravity}};
    for (auto _ : state) {
        scene.sensors.apply(heading);
        scene.sensors.apply(gravity);
        scene.device.advance(1.0 / 60);
        Window::layoutAllWindows();
        list.clear();
        renderer.render(*scene.window, list);
        cairo::CairoCanvas canvas({375, 812}, 2);
        list.replay(canvas);
        benchmark::DoNotOptimize(canvas.pixelWidth());
    }
    scene.counters(state);
    state.counters["steps"] = static_cast<double>(list.steps().size());
}
BENCHMARK(BM_MainScreenDrawnFrame)->Unit(benchmark::kMillisecond);

// The page's setup of BM_MainScreenDrawnFrame, frames drawn through retained layers.
struct LayeredScene {
    Setup setup;
    std::unique_ptr<MainScreen> scene;
    LayerStore layers{2, cairo::makeCairoLayer};
    LayeredScene() {
        setup.heading = 108;
        setup.gravity = {0, -1, 0};
        setup.screenScale = 2;
        setup.cameraPitch = -90;
        setup.attribution = "\u00A9 OpenStreetMap contributors, ODbL 1.0";
        scene = std::make_unique<MainScreen>(setup);
    }
    // A 60th of a second of the phone facing `heading`, laid out.
    void step(double heading) {
        scene->sensors.apply({0, sim::HeadingEvent{heading, heading, 5}});
        scene->sensors.apply({0, sim::AccelerationEvent{setup.gravity}});
        scene->device.advance(1.0 / 60);
        Window::layoutAllWindows();
    }
    void counters(benchmark::State& state) {
        scene->counters(state);
        const auto& frame = layers.lastFrame().steps();
        state.counters["steps"] = static_cast<double>(frame.size());
        state.counters["layerSteps"] =
            static_cast<double>(std::count_if(frame.begin(), frame.end(), [](const DrawStep& s) {
                return std::holds_alternative<step::DrawLayer>(s);
            }));
        state.counters["layers"] = static_cast<double>(layers.size());
        bench::layerCounters(state, layers);
        const auto& stats = layers.stats();
        state.counters["idle"] =
            static_cast<double>(stats.idleFrames) / static_cast<double>(stats.frames);
    }
};

// A drawn frame through the layers while the phone turns by half a degree a frame (back and
// forth over 20 degrees around the Casino): the cards move and their layers are copied; the
// picture is drawn over the last one, as the page's canvas keeps it.
void BM_MainScreenLayeredFrame(benchmark::State& state) {
    LayeredScene s;
    cairo::CairoCanvas canvas({375, 812}, 2);
    int frame = 0;
    for (auto _ : state) {
        const int t = frame++ % 80;
        s.step(98 + 0.5 * (t < 40 ? t : 80 - t));
        Renderer().renderFrame(*s.scene->window, canvas, s.layers);
        benchmark::DoNotOptimize(canvas.pixelWidth());
    }
    s.counters(state);
}
BENCHMARK(BM_MainScreenLayeredFrame)->Unit(benchmark::kMillisecond);

// Frames held still, the layers current: `wholeTurn` times the sensors' readings, the display
// link's work and layout as well (as the page's figure of a platform's turn counts them), else
// the renderer finding nothing to draw alone.
void heldStillFrames(benchmark::State& state, bool wholeTurn) {
    LayeredScene s;
    cairo::CairoCanvas canvas({375, 812}, 2);
    for (int i = 0; i < 120; ++i) {  // the filters settle
        s.step(108);
        Renderer().renderFrame(*s.scene->window, canvas, s.layers);
    }
    for (auto _ : state) {
        if (wholeTurn) s.step(108);
        Renderer().renderFrame(*s.scene->window, canvas, s.layers);
        benchmark::DoNotOptimize(canvas.pixelWidth());
    }
    s.counters(state);
}
void BM_MainScreenIdleFrame(benchmark::State& state) {
    heldStillFrames(state, false);
}
BENCHMARK(BM_MainScreenIdleFrame)->Unit(benchmark::kMicrosecond);
void BM_MainScreenIdleTick(benchmark::State& state) {
    heldStillFrames(state, true);
}
BENCHMARK(BM_MainScreenIdleTick)->Unit(benchmark::kMicrosecond);

// The same held still through the page's drawing commands (natively): each frame finds nothing
// changed and sends nothing.
void BM_MainScreenIdleCanvasCommands(benchmark::State& state) {
    LayeredScene s;
    browser::CanvasCommands commands;
    LayerStore layers(2, commands.layerFactory());
    for (int i = 0; i < 120; ++i) {  // the filters settle
        s.step(108);
        commands.drawFrame(s.scene->window.get(), 2, layers);
    }
    std::size_t drew = 0;
    for (auto _ : state) drew += commands.drawFrame(s.scene->window.get(), 2, layers);
    state.counters["drew"] = static_cast<double>(drew);
}
BENCHMARK(BM_MainScreenIdleCanvasCommands)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
