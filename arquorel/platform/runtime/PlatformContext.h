#pragma once
// The process-wide set of platform services. A backend (the simulated device, or a real one)
// installs its context; product code reaches every service through platformContext().
// Without an installed backend a default context with the system clock and no sensors is used.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "arquorel/platform/device/Application.h"
#include "arquorel/platform/device/Device.h"
#include "arquorel/platform/resources/Image.h"
#include "arquorel/platform/runtime/Clock.h"
#include "arquorel/platform/runtime/Console.h"
#include "arquorel/platform/runtime/MainLoop.h"
#include "arquorel/platform/runtime/NotificationCenter.h"
#include "arquorel/platform/runtime/OperationQueue.h"
#include "arquorel/platform/runtime/UserDefaults.h"

namespace arquorel {

class CameraService;
class DataLoader;
class Directions;
class Geocoder;
class LocationService;
class MotionService;
class MailService;
class MapData;
class MapsApplication;
class NetworkReachability;
class PhoneNumberService;
class ShareService;
class TextEngine;
class URLService;
class WebView;

class PlatformContext {
  public:
    // `clock` must outlive the context. An empty settings path keeps settings in memory.
    explicit PlatformContext(const Clock& clock, std::filesystem::path settingsFile = {});
    // Drops the queued main-loop work first, while every service it may reach still exists.
    ~PlatformContext();
    PlatformContext(const PlatformContext&) = delete;
    PlatformContext& operator=(const PlatformContext&) = delete;

    const Clock& clock() const { return clock_; }
    double now() const { return clock_.now(); }
    MainLoop& mainLoop() { return mainLoop_; }
    OperationQueue& backgroundQueue() { return backgroundQueue_; }
    NotificationCenter& notificationCenter() { return *notifications_; }
    // The notification centre for objects that may outlive this context (screens kept by a
    // host): they remove their observers through it only while it still exists.
    std::weak_ptr<NotificationCenter> weakNotificationCenter() const { return notifications_; }
    Console& console() { return console_; }
    UserDefaults& userDefaults() { return defaults_; }
    Device& device() { return device_; }
    Application& application() { return application_; }

    // New sensor service objects; without a factory, services that report nothing.
    std::shared_ptr<LocationService> makeLocationService();
    std::shared_ptr<MotionService> makeMotionService();
    std::function<std::shared_ptr<LocationService>()> locationServiceFactory;
    std::function<std::shared_ptr<MotionService>()> motionServiceFactory;

    // Text measurement and layout (platform/drawing/TextLayout.h). Without an installed engine,
    // an estimating one that needs no drawing backend; nullptr restores it.
    TextEngine& textEngine();
    void setTextEngine(std::shared_ptr<TextEngine> engine);

    // New geocoder objects; without a factory, geocoders that are always offline.
    std::shared_ptr<Geocoder> makeGeocoder();
    std::function<std::shared_ptr<Geocoder>()> geocoderFactory;

    // The cameras; without an installed service, a device with none.
    CameraService& camera();
    const std::shared_ptr<CameraService>& cameraService() const { return camera_; }
    // Installs a camera service; none restores the device without cameras.
    void setCameraService(std::shared_ptr<CameraService> service);

    // Decodes raster image bytes (PNG, JPEG...); none when they are not a picture it reads.
    // Without a decoder only SVG images can be made from bytes.
    std::function<std::optional<RasterPixels>(std::string_view bytes)> imageDecoder;

    // What map views draw (a map pack); none: maps show their background only.
    std::shared_ptr<const MapData> mapData;

    // New directions objects (walking routes); without a factory, ones that answer every
    // request with an error on the main loop.
    std::shared_ptr<Directions> makeDirections();
    std::function<std::shared_ptr<Directions>()> directionsFactory;

    // The loader for bytes behind addresses (logos); one that loads nothing until a backend
    // installs its own. nullptr restores that one.
    DataLoader& dataLoader();
    void setDataLoader(std::shared_ptr<DataLoader> loader);

    // Network reachability; the operating system's routing tables until a backend installs
    // its own. nullptr restores that one.
    NetworkReachability& reachability();
    void setReachability(std::shared_ptr<NetworkReachability> reachability);

    // Where share sheets hand their items; nothing is shared until a backend installs a
    // service. nullptr restores that one.
    ShareService& shareService();
    void setShareService(std::shared_ptr<ShareService> service);

    // Reading addresses; without an installed parser every text fails to read ("no address
    // parser"). nullptr restores that one.
    URLService& urlService();
    void setURLService(std::shared_ptr<URLService> service);

    // Reading telephone numbers; without an installed reader no text is a valid number.
    // nullptr restores that one.
    PhoneNumberService& phoneNumberService();
    void setPhoneNumberService(std::shared_ptr<PhoneNumberService> service);

    // The system map application; without an installed one nothing opens. nullptr restores
    // that one.
    MapsApplication& mapsApplication();
    void setMapsApplication(std::shared_ptr<MapsApplication> application);

    // Mail composition; without an installed service the device cannot send mail. nullptr
    // restores that one.
    MailService& mailService();
    void setMailService(std::shared_ptr<MailService> service);

    // New web views; without a factory, views that fail every load as unavailable.
    std::shared_ptr<WebView> makeWebView();
    std::function<std::shared_ptr<WebView>()> webViewFactory;

  private:
    const Clock& clock_;
    MainLoop mainLoop_;
    OperationQueue backgroundQueue_;
    std::shared_ptr<NotificationCenter> notifications_ = std::make_shared<NotificationCenter>();
    Console console_;
    UserDefaults defaults_;
    Device device_;
    Application application_;
    std::shared_ptr<TextEngine> textEngine_;
    std::shared_ptr<CameraService> camera_;
    std::shared_ptr<DataLoader> dataLoader_;
    std::shared_ptr<NetworkReachability> reachability_;
    std::shared_ptr<ShareService> shareService_;
    std::shared_ptr<URLService> urlService_;
    std::shared_ptr<PhoneNumberService> phoneNumberService_;
    std::shared_ptr<MailService> mailService_;
    std::shared_ptr<MapsApplication> mapsApplication_;
};

PlatformContext& platformContext();
// Installs a context (not owned); nullptr restores the default one.
void installPlatformContext(PlatformContext* context);

}  // namespace arquorel
