#pragma once
// The browser device: the real clock, a platform context with the browser's services
// installed (platform/browser/emscripten), and one turn of the main loop per animation frame
// of the page, after which the key window is drawn into the page's canvas. The page's script
// (browser.js) calls the exported entry points below; product code sees only the platform's
// interfaces.
//
// One instance a page, made by the first call of instance() and installed for good.

#include <memory>
#include <string>
#include <string_view>

#include "arquorel/platform/browser/CanvasCommands.h"
#include "arquorel/platform/browser/RasterCache.h"
#include "arquorel/platform/runtime/Clock.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/runtime/SessionRecorder.h"

namespace arquorel::browser {

class BrowserSensors;
class BrowserCamera;
class BrowserDataLoader;

class BrowserPlatform {
  public:
    // Where the user defaults live in the module's file system; the page fills it from its
    // local storage before the platform is made and keeps it there after every change.
    static constexpr const char* kSettingsFile = "/settings/defaults.json";

    static BrowserPlatform& instance();
    BrowserPlatform(const BrowserPlatform&) = delete;
    BrowserPlatform& operator=(const BrowserPlatform&) = delete;

    PlatformContext& context() { return *context_; }
    BrowserSensors& sensors() { return *sensors_; }
    BrowserCamera& camera() { return *camera_; }
    BrowserDataLoader& dataLoader() { return *dataLoader_; }

    // One animation frame: runs the work that is due, lays the windows out and draws the key
    // window (when the page shows it).
    void tick();
    // The page's drawing area in CSS pixels, its device pixel ratio and the screen's angle.
    void resize(double width, double height, double scale, double angle);
    // The page was hidden (another tab, the phone locked) or shown again.
    void setVisible(bool visible);
    // Touches of the page's primary pointer, in CSS pixels from the drawing area's corner.
    void touch(int phase, double x, double y);

    // Reads a map pack and installs it: what maps draw and the walking routes they show. A
    // pack that cannot be read leaves the maps as they were (its problem goes to the console);
    // false then.
    bool installMapPack(std::string_view bytes);
    // Pixels the page decoded from raster image bytes, for the image decoder.
    RasterCache& rasters() { return rasters_; }

    // The session being recorded, or none. Starting a recording drops the one before.
    SessionRecorder* recorder() { return recorder_.get(); }
    SessionRecorder& startRecording();
    // The recording's text; none recorded from then on.
    std::string stopRecording();

    // Draw commands of the last frame (for the replay and for tests of the page).
    CanvasCommands& commands() { return commands_; }
    // The page's canvases lost their pixels (a new canvas, a lost context, a picture that
    // arrived after it was drawn): the next frame draws every layer and the screen again.
    void canvasLost() {
        layers_.reset();
        commands_.forgetCanvas();
    }
    // Draws the key window without layers (for comparing the two ways in the page's tests).
    void drawDirect();
    // The time the frames spent in the renderer: those that drew, or those that did not.
    double drawingMs(bool drew) const { return drew ? drawingMs_ : stillDrawingMs_; }
    // The frames told unchanged at once, no setter having changed anything since one that
    // drew nothing (the others walk the views).
    double quietFrames() const {
        return layers_ ? static_cast<double>(layers_->stats().quietFrames) : 0;
    }

  private:
    BrowserPlatform();
    void syncSettings();
    void sendCommands();

    SystemClock clock_;
    std::unique_ptr<PlatformContext> context_;
    std::shared_ptr<BrowserSensors> sensors_;
    std::shared_ptr<BrowserCamera> camera_;
    std::shared_ptr<BrowserDataLoader> dataLoader_;
    CanvasCommands commands_;
    // The layers kept between frames, at the screen's scale; made again by the next frame
    // after the scale or the canvas's size changed, or the page lost its canvases.
    std::unique_ptr<LayerStore> layers_;
    RasterCache rasters_;
    double drawingMs_ = 0;
    double stillDrawingMs_ = 0;
    std::string savedSettings_;
    std::uint64_t syncedWrites_ = 0;
    bool visible_ = true;
    bool touching_ = false;
    std::unique_ptr<SessionRecorder> recorder_;
};

}  // namespace arquorel::browser
