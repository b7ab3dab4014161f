#include "arquorel/platform/browser/emscripten/BrowserPlatform.h"

#include <emscripten.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "arquorel/platform/browser/SensorMath.h"
#include "arquorel/platform/browser/emscripten/BrowserCamera.h"
#include "arquorel/platform/browser/emscripten/BrowserSensors.h"
#include "arquorel/platform/browser/emscripten/BrowserServices.h"
#include "arquorel/platform/browser/emscripten/BrowserWebView.h"
#include "arquorel/platform/browser/emscripten/CanvasTextEngine.h"
#include "arquorel/platform/drawing/LayerStore.h"
#include "arquorel/platform/drawing/Renderer.h"
#include "arquorel/platform/maps/pack/MapPack.h"
#include "arquorel/platform/maps/pack/WalkingRouter.h"
#include "arquorel/platform/ui/Touch.h"
#include "arquorel/platform/ui/ViewController.h"
#include "arquorel/platform/ui/Window.h"

EM_JS(void, arq_js_replay, (const double* numbers, int count, const char* texts, int textsLength),
      { ARQ.replay(HEAPF64.subarray(numbers >> 3, (numbers >> 3) + count), texts, textsLength); });
EM_JS(void, arq_js_save_settings, (const char* text), { ARQ.saveSettings(UTF8ToString(text)); });

namespace arquorel::browser {

BrowserPlatform& BrowserPlatform::instance() {
    static BrowserPlatform* platform = new BrowserPlatform();  // lives as long as the page
    return *platform;
}

BrowserPlatform::BrowserPlatform()
    : context_(std::make_unique<PlatformContext>(clock_, kSettingsFile)),
      sensors_(std::make_shared<BrowserSensors>()),
      camera_(std::make_shared<BrowserCamera>()),
      dataLoader_(std::make_shared<BrowserDataLoader>()) {
    installPlatformContext(context_.get());
    auto& c = *context_;
    c.locationServiceFactory = [sensors = sensors_] { return sensors->makeLocationService(); };
    c.motionServiceFactory = [sensors = sensors_] { return sensors->makeMotionService(); };
    c.geocoderFactory = [] { return std::make_shared<OfflineGeocoder>(); };
    c.setTextEngine(std::make_shared<CanvasTextEngine>());
    c.setCameraService(camera_);
    c.setDataLoader(dataLoader_);
    c.setReachability(std::make_shared<BrowserReachability>());
    c.setShareService(std::make_shared<BrowserShareService>());
    c.setURLService(std::make_shared<BrowserURLService>());
    c.setPhoneNumberService(std::make_shared<BrowserPhoneNumberService>());
    c.application().setURLOpener(std::make_shared<BrowserURLOpener>());
    c.setMailService(std::make_shared<BrowserMailService>());
    c.setMapsApplication(std::make_shared<BrowserMapsApplication>());
    c.webViewFactory = [] { return std::make_shared<BrowserWebView>(); };
    // PNG and JPEG bytes were decoded by the page when they arrived (arq_image_decoded).
    c.imageDecoder = [this](std::string_view bytes) { return rasters_.find(bytes); };
    c.device().setInterfaceIdiom(InterfaceIdiom::phone);
    c.device().setSystemVersion("web");
    c.device().setMachineIdentifier("browser");
    std::ifstream saved(kSettingsFile);
    savedSettings_.assign(std::istreambuf_iterator<char>(saved), {});
}

void BrowserPlatform::tick() {
    auto& loop = context_->mainLoop();
    loop.runDue();
    Window::layoutAllWindows();
    BrowserWebView::placeAll();
    camera_->sessionChanged();
    if (context_->userDefaults().writes() != syncedWrites_) syncSettings();
    if (!visible_) return;
    const double scale = context_->device().screenScale();
    if (!layers_ || layers_->scale() != scale)
        layers_ = std::make_unique<LayerStore>(scale, commands_.layerFactory());
    // A frame where nothing changed leaves the canvas as the last one drew it.
    const double start = emscripten_get_now();
    const bool drew = commands_.drawFrame(Window::keyWindow().get(), scale, *layers_);
    (drew ? drawingMs_ : stillDrawingMs_) += emscripten_get_now() - start;
    if (drew) sendCommands();
}

void BrowserPlatform::drawDirect() {
    commands_.clear();
    commands_.clearRect({0, 0, 1e7, 1e7});  // the canvas clips it to its size
    const double scale = context_->device().screenScale();
    commands_.concat(Transform::scale(scale, scale));
    if (auto window = Window::keyWindow()) Renderer().render(*window, commands_);
    sendCommands();
}

void BrowserPlatform::sendCommands() {
    const std::string texts = commands_.joinedTexts();
    arq_js_replay(commands_.numbers().data(), static_cast<int>(commands_.numbers().size()),
                  texts.data(), static_cast<int>(texts.size()));
}

bool BrowserPlatform::installMapPack(std::string_view bytes) {
    auto read = MapPack::read(bytes);
    if (!read.pack) {
        context_->console().writeLine("map pack: " + read.error);
        return false;
    }
    auto router = std::make_shared<const WalkingRouter>(read.pack);
    context_->mapData = std::move(read.pack);
    context_->directionsFactory = [router] { return std::make_shared<PackDirections>(router); };
    return true;
}

void BrowserPlatform::syncSettings() {
    syncedWrites_ = context_->userDefaults().writes();
    std::ifstream file(kSettingsFile);
    std::string text((std::istreambuf_iterator<char>(file)), {});
    if (text == savedSettings_) return;
    savedSettings_ = text;
    arq_js_save_settings(text.c_str());
}

void BrowserPlatform::resize(double width, double height, double scale, double angle) {
    if (!(width > 0) || !(height > 0)) return;
    auto& device = context_->device();
    const auto orientation = orientationFromScreenAngle(angle);
    const double screenScale = scale >= 1 && scale <= 4 ? scale : 2;
    // Setting the canvas's size cleared it; its layers are drawn again at the new size.
    if (screenScale != device.screenScale() ||
        device.mainScreenBounds().size != Size{width, height})
        canvasLost();
    device.setScreenScale(screenScale);
    device.setMainScreenBounds({{0, 0}, {width, height}});
    device.setInterfaceOrientation(orientation.interface);
    device.setOrientation(orientation.device);
    if (recorder_) recorder_->orientation(context_->now(), orientation.device);
    if (auto window = Window::keyWindow()) {
        window->setFrame({{0, 0}, {width, height}});
        for (const auto& c : window->presentationStack()) {
            if (auto v = c->viewIfLoaded()) {
                v->setFrame(window->bounds());
                v->setNeedsLayout();
            }
        }
        window->layoutIfNeededRecursively();
    }
}

SessionRecorder& BrowserPlatform::startRecording() {
    auto& device = context_->device();
    recorder_ = std::make_unique<SessionRecorder>(context_->now());
    recorder_->setScreen(device.mainScreenBounds().size, device.screenScale());
    recorder_->orientation(context_->now(), device.orientation());
    return *recorder_;
}

std::string BrowserPlatform::stopRecording() {
    if (!recorder_) return {};
    recorder_->stopped(context_->now());
    std::string text = recorder_->text();
    recorder_.reset();
    return text;
}

void BrowserPlatform::setVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    if (recorder_) recorder_->visible(context_->now(), visible);
    if (visible)
        context_->application().enterForeground();
    else
        context_->application().enterBackground();
}

void BrowserPlatform::touch(int phase, double x, double y) {
    auto window = Window::keyWindow();
    if (!window) return;
    const auto p = static_cast<TouchPhase>(phase);
    if (recorder_)
        recorder_->touch(context_->now(), p, {x, y},
                         p == TouchPhase::began ? touchTargetName(*window, {x, y}) : std::string());
    if (p == TouchPhase::began) {
        if (touching_) window->sendTouch(TouchPhase::cancelled, {x, y});
        touching_ = true;
    } else if (!touching_) {
        return;
    }
    window->sendTouch(p, {x, y});
    if (p == TouchPhase::ended || p == TouchPhase::cancelled) touching_ = false;
}

}  // namespace arquorel::browser

// --- Entry points for the page (browser.js) -------------------------------------------------

using arquorel::browser::BrowserPlatform;

extern "C" {

EMSCRIPTEN_KEEPALIVE void arq_tick() {
    BrowserPlatform::instance().tick();
}

// The milliseconds the frames spent telling whether to draw and recording what to draw, in
// those that drew (`drew`) or in those that found nothing changed, for the page's figures.
EMSCRIPTEN_KEEPALIVE double arq_drawing_ms(int drew) {
    return BrowserPlatform::instance().drawingMs(drew != 0);
}

EMSCRIPTEN_KEEPALIVE double arq_quiet_frames() {
    return BrowserPlatform::instance().quietFrames();
}

EMSCRIPTEN_KEEPALIVE void arq_resize(double width, double height, double scale, double angle) {
    BrowserPlatform::instance().resize(width, height, scale, angle);
}

EMSCRIPTEN_KEEPALIVE void arq_visible(int visible) {
    BrowserPlatform::instance().setVisible(visible != 0);
}

EMSCRIPTEN_KEEPALIVE void arq_touch(int phase, double x, double y) {
    BrowserPlatform::instance().touch(phase, x, y);
}

EMSCRIPTEN_KEEPALIVE void arq_images_lost() {
    BrowserPlatform::instance().commands().forgetImages();
}

EMSCRIPTEN_KEEPALIVE void arq_draw_direct() {
    BrowserPlatform::instance().drawDirect();
}

EMSCRIPTEN_KEEPALIVE void arq_canvas_lost() {
    BrowserPlatform::instance().canvasLost();
}

// state: 0 unknown, 1 granted, 2 denied; available: the page has geolocation.
EMSCRIPTEN_KEEPALIVE void arq_location_permission(int state, int available) {
    using arquorel::AuthorizationStatus;
    auto& sensors = BrowserPlatform::instance().sensors();
    sensors.setGeolocationAvailable(available != 0);
    sensors.setAuthorization(state == 1   ? AuthorizationStatus::authorizedWhenInUse
                             : state == 2 ? AuthorizationStatus::denied
                                          : AuthorizationStatus::notDetermined);
}

EMSCRIPTEN_KEEPALIVE void arq_location(double lat, double lng, double accuracy, double altitude,
                                       double altitudeAccuracy, double timestampSeconds) {
    arquorel::Location fix({lat, lng}, altitude, accuracy, altitudeAccuracy, timestampSeconds);
    auto& platform = BrowserPlatform::instance();
    if (auto* recorder = platform.recorder()) {
        const double now = platform.context().now();
        recorder->fix(now, {lat, lng}, accuracy, now - timestampSeconds);
    }
    platform.sensors().deliverFix(fix);
}

// The browser's orientation angles (absolute), or a compass heading it offers itself
// (compassHeading >= 0, with its accuracy in degrees).
EMSCRIPTEN_KEEPALIVE void arq_orientation(double alpha, double beta, double gamma,
                                          double compassHeading, double compassAccuracy) {
    auto& platform = BrowserPlatform::instance();
    std::optional<double> heading;
    double accuracy = 10;
    if (compassHeading >= 0 && compassHeading < 360) {
        heading = compassHeading;
        if (compassAccuracy >= 0) accuracy = compassAccuracy;
    } else {
        heading = arquorel::browser::headingFromOrientation(alpha, beta, gamma);
    }
    if (!heading) return;
    if (auto* recorder = platform.recorder())
        recorder->heading(platform.context().now(), *heading, accuracy);
    platform.sensors().deliverHeading({*heading, *heading, accuracy, platform.context().now()});
}

// A motion event's acceleration including gravity; `pull` is 1 where the engine signs it as
// gravity's pull (see MotionSigns).
EMSCRIPTEN_KEEPALIVE void arq_motion(double x, double y, double z, int pull) {
    using arquorel::browser::MotionSigns;
    if (const auto sample = arquorel::browser::accelerationFromMotion(
            x, y, z, pull ? MotionSigns::pull : MotionSigns::push)) {
        auto& platform = BrowserPlatform::instance();
        if (auto* recorder = platform.recorder())
            recorder->acceleration(platform.context().now(), *sample);
        platform.sensors().deliverAcceleration(*sample);
    }
}

EMSCRIPTEN_KEEPALIVE void arq_camera_state(int state) {
    if (state < 0 || state > static_cast<int>(arquorel::browser::BrowserCameraState::unreadable))
        return;
    BrowserPlatform::instance().camera().setState(
        static_cast<arquorel::browser::BrowserCameraState>(state));
}

// A map pack's bytes (owned by the caller). Returns 1 when it was installed.
EMSCRIPTEN_KEEPALIVE int arq_map_pack(const char* bytes, int length) {
    if (!bytes || length <= 0) return 0;
    return BrowserPlatform::instance().installMapPack(
               std::string_view(bytes, static_cast<std::size_t>(length)))
               ? 1
               : 0;
}

// The page decoded the image `bytes` into straight RGBA pixels of width × height (both owned
// by the caller); they are kept for the image decoder.
EMSCRIPTEN_KEEPALIVE void arq_image_decoded(const char* bytes, int length, int width, int height,
                                            const unsigned char* rgba) {
    if (!bytes || length <= 0 || !rgba || width <= 0 || height <= 0 ||
        width > arquorel::Image::kMaxRasterSide || height > arquorel::Image::kMaxRasterSide)
        return;
    arquorel::RasterPixels pixels;
    pixels.width = width;
    pixels.height = height;
    pixels.rgba.assign(rgba, rgba + static_cast<std::size_t>(width) * height * 4);
    BrowserPlatform::instance().rasters().put(
        std::string_view(bytes, static_cast<std::size_t>(length)), std::move(pixels));
}

// The outcome of a fetch: bytes (owned by the caller), or an error kind (DataLoadError::Kind)
// and message when `errorKind` >= 0.
EMSCRIPTEN_KEEPALIVE void arq_fetched(int id, const unsigned char* bytes, int length, int errorKind,
                                      const char* message) {
    arquorel::DataLoadResult result;
    if (errorKind > static_cast<int>(arquorel::DataLoadError::Kind::unavailable))
        errorKind = static_cast<int>(arquorel::DataLoadError::Kind::network);
    if (errorKind >= 0) {
        result = arquorel::DataLoadResult::failure(
            static_cast<arquorel::DataLoadError::Kind>(errorKind), message ? message : "");
    } else {
        result.bytes.assign(bytes, bytes + (length > 0 ? length : 0));
    }
    BrowserPlatform::instance().dataLoader().finish(id, std::move(result));
}

// Recording the session: starts (a places file's name, or empty to keep the places handed over
// in the recording; the map pack's file name, or empty), the network's changes, a mark with a
// caption (empty: the time), seconds recorded so far (-1 when not recording), and the scenario text
// at the stop (owned by the platform until the next call).
EMSCRIPTEN_KEEPALIVE void arq_record_start(const char* placesFile, const char* mapPackFile) {
    auto& recorder = BrowserPlatform::instance().startRecording();
    if (placesFile && *placesFile) recorder.setPlacesFile(placesFile);
    if (mapPackFile && *mapPackFile) recorder.setMapPack(mapPackFile);
}

EMSCRIPTEN_KEEPALIVE void arq_record_network(int on) {
    auto& platform = BrowserPlatform::instance();
    if (auto* recorder = platform.recorder()) recorder->network(platform.context().now(), on != 0);
}

EMSCRIPTEN_KEEPALIVE void arq_record_mark(const char* caption) {
    auto& platform = BrowserPlatform::instance();
    if (auto* recorder = platform.recorder())
        recorder->mark(platform.context().now(), caption ? caption : "");
}

EMSCRIPTEN_KEEPALIVE double arq_record_seconds() {
    auto& platform = BrowserPlatform::instance();
    const auto* recorder = platform.recorder();
    return recorder ? recorder->elapsed(platform.context().now()) : -1;
}

EMSCRIPTEN_KEEPALIVE const char* arq_record_stop() {
    static std::string text;
    text = BrowserPlatform::instance().stopRecording();
    return text.c_str();
}

}  // extern "C"
