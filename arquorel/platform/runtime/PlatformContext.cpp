#include "arquorel/platform/runtime/PlatformContext.h"

#include "arquorel/platform/camera/CameraService.h"
#include "arquorel/platform/camera/CaptureSession.h"
#include "arquorel/platform/camera/PreviewLayer.h"
#include "arquorel/platform/drawing/TextLayout.h"
#include "arquorel/platform/maps/Directions.h"
#include "arquorel/platform/maps/MapItem.h"
#include "arquorel/platform/sensors/Geocoder.h"
#include "arquorel/platform/sensors/LocationService.h"
#include "arquorel/platform/sensors/MotionService.h"
#include "arquorel/platform/system/MailService.h"
#include "arquorel/platform/system/PhoneNumberService.h"
#include "arquorel/platform/system/URLService.h"
#include "arquorel/platform/web/DataLoader.h"
#include "arquorel/platform/web/Reachability.h"
#include "arquorel/platform/web/ShareSheet.h"
#include "arquorel/platform/web/WebView.h"

namespace arquorel {

namespace {

// Services of a device without sensors: never enabled, never delivering anything.
class NoLocationService final : public LocationService {
  public:
    bool locationServicesEnabled() const override { return false; }
    AuthorizationStatus authorizationStatus() const override {
        return AuthorizationStatus::restricted;
    }
    void requestWhenInUseAuthorization() override {}
    void startUpdatingLocation() override {}
    void stopUpdatingLocation() override {}
    void startUpdatingHeading() override {}
    void stopUpdatingHeading() override {}
};

class NoMotionService final : public MotionService {
  public:
    bool isAccelerometerAvailable() const override { return false; }
    bool isAccelerometerActive() const override { return false; }
    void startAccelerometerUpdates() override {}
    void startAccelerometerUpdates(OperationQueue&, AccelerometerHandler) override {}
    void stopAccelerometerUpdates() override {}
    std::optional<Acceleration> accelerometerData() const override { return std::nullopt; }
};

// Directions without a service: every request fails.
class NoDirections final : public Directions {
  public:
    void calculate(const DirectionsRequest&, Completion completion) override {
        platformContext().mainLoop().async([completion = std::move(completion)] {
            if (completion) completion(DirectionsResponse{{}, "no directions service"});
        });
    }
};

// A geocoder without a network: every request fails.
class OfflineGeocoder final : public Geocoder {
  public:
    void reverseGeocodeLocation(const Location&, Completion completion) override {
        platformContext().mainLoop().async([completion = std::move(completion)] {
            if (completion)
                completion({}, GeocoderError{GeocoderErrorCode::network, "no geocoding service"});
        });
    }
    void cancelGeocode() override {}
    bool isGeocoding() const override { return false; }
};

// A device without cameras.
class NoCameraService final : public CameraService {
  public:
    std::vector<std::shared_ptr<CaptureDevice>> devices(const std::vector<CaptureDeviceType>&,
                                                        const std::string&,
                                                        CaptureDevicePosition) override {
        return {};
    }
    CameraAuthorizationStatus authorizationStatus(const std::string&) const override {
        return CameraAuthorizationStatus::restricted;
    }
    void requestAccess(const std::string&, std::function<void(bool)> completion) override {
        platformContext().mainLoop().async([completion = std::move(completion)] {
            if (completion) completion(false);
        });
    }
    std::shared_ptr<CaptureDeviceInput> makeDeviceInput(
        const std::shared_ptr<CaptureDevice>&) override {
        return nullptr;
    }
    std::shared_ptr<CaptureSession> makeSession() override {
        return std::make_shared<CaptureSession>();
    }
    std::shared_ptr<PreviewLayer> makePreviewLayer(
        const std::shared_ptr<CaptureSession>& session) override {
        return std::make_shared<PreviewLayer>(session);
    }
};

// A device that shares nothing.
class NoShareService final : public ShareService {
  public:
    void share(const ShareRecord&) override {}
};

// A device without an address parser: nothing reads.
class NoURLService final : public URLService {
  public:
    URLParseResult parse(std::string_view) const override { return {{}, "no address parser"}; }
};

// A device without a telephone number reader: no text is a number.
class NoPhoneNumberService final : public PhoneNumberService {
  public:
    PhoneNumberResult read(std::string_view, std::string_view) const override {
        return {{}, "no telephone number reader"};
    }
};

// A device without a map application.
class NoMapsApplication final : public MapsApplication {
  public:
    bool open(const MapsLaunch&) override { return false; }
};

// A device without a mail account.
class NoMailService final : public MailService {
  public:
    explicit NoMailService(MainLoop& loop) : loop_(loop) {}
    bool canSendMail() const override { return false; }
    void compose(const MailDraft&, Completion completion) override {
        if (!completion) return;
        loop_.async([completion = std::move(completion)] {
            completion({MailComposeResult::failed, "no mail account"});
        });
    }

  private:
    MainLoop& loop_;
};

PlatformContext* installed = nullptr;

}  // namespace

PlatformContext::~PlatformContext() {
    mainLoop_.clear();
}

PlatformContext::PlatformContext(const Clock& clock, std::filesystem::path settingsFile)
    : clock_(clock),
      mainLoop_(clock_),
      backgroundQueue_(mainLoop_),
      defaults_(std::move(settingsFile), console_),
      device_(*notifications_),
      application_(*notifications_, mainLoop_, console_) {}

std::shared_ptr<LocationService> PlatformContext::makeLocationService() {
    if (locationServiceFactory) {
        if (auto service = locationServiceFactory()) return service;
    }
    return std::make_shared<NoLocationService>();
}

std::shared_ptr<MotionService> PlatformContext::makeMotionService() {
    if (motionServiceFactory) {
        if (auto service = motionServiceFactory()) return service;
    }
    return std::make_shared<NoMotionService>();
}

TextEngine& PlatformContext::textEngine() {
    if (!textEngine_) textEngine_ = std::make_shared<EstimatingTextEngine>();
    return *textEngine_;
}

void PlatformContext::setTextEngine(std::shared_ptr<TextEngine> engine) {
    textEngine_ = std::move(engine);
}

std::shared_ptr<Geocoder> PlatformContext::makeGeocoder() {
    if (geocoderFactory) {
        if (auto geocoder = geocoderFactory()) return geocoder;
    }
    return std::make_shared<OfflineGeocoder>();
}

std::shared_ptr<Directions> PlatformContext::makeDirections() {
    if (directionsFactory) {
        if (auto directions = directionsFactory()) return directions;
    }
    return std::make_shared<NoDirections>();
}

CameraService& PlatformContext::camera() {
    if (!camera_) camera_ = std::make_shared<NoCameraService>();
    return *camera_;
}

void PlatformContext::setCameraService(std::shared_ptr<CameraService> service) {
    camera_ = std::move(service);
}

DataLoader& PlatformContext::dataLoader() {
    if (!dataLoader_) dataLoader_ = std::make_shared<UnavailableDataLoader>();
    return *dataLoader_;
}

void PlatformContext::setDataLoader(std::shared_ptr<DataLoader> loader) {
    dataLoader_ = std::move(loader);
}

NetworkReachability& PlatformContext::reachability() {
    if (!reachability_) reachability_ = std::make_shared<SystemReachability>();
    return *reachability_;
}

void PlatformContext::setReachability(std::shared_ptr<NetworkReachability> reachability) {
    reachability_ = std::move(reachability);
}

ShareService& PlatformContext::shareService() {
    if (!shareService_) shareService_ = std::make_shared<NoShareService>();
    return *shareService_;
}

void PlatformContext::setShareService(std::shared_ptr<ShareService> service) {
    shareService_ = std::move(service);
}

URLService& PlatformContext::urlService() {
    if (!urlService_) urlService_ = std::make_shared<NoURLService>();
    return *urlService_;
}

void PlatformContext::setURLService(std::shared_ptr<URLService> service) {
    urlService_ = std::move(service);
}

PhoneNumberService& PlatformContext::phoneNumberService() {
    if (!phoneNumberService_) phoneNumberService_ = std::make_shared<NoPhoneNumberService>();
    return *phoneNumberService_;
}

void PlatformContext::setPhoneNumberService(std::shared_ptr<PhoneNumberService> service) {
    phoneNumberService_ = std::move(service);
}

MapsApplication& PlatformContext::mapsApplication() {
    if (!mapsApplication_) mapsApplication_ = std::make_shared<NoMapsApplication>();
    return *mapsApplication_;
}

void PlatformContext::setMapsApplication(std::shared_ptr<MapsApplication> application) {
    mapsApplication_ = std::move(application);
}

MailService& PlatformContext::mailService() {
    if (!mailService_) mailService_ = std::make_shared<NoMailService>(mainLoop_);
    return *mailService_;
}

void PlatformContext::setMailService(std::shared_ptr<MailService> service) {
    mailService_ = std::move(service);
}

std::shared_ptr<WebView> PlatformContext::makeWebView() {
    if (webViewFactory) {
        if (auto view = webViewFactory()) return view;
    }
    return std::make_shared<UnavailableWebView>();
}

PlatformContext& platformContext() {
    if (installed) return *installed;
    static SystemClock systemClock;
    static PlatformContext fallback(systemClock);
    return fallback;
}

void installPlatformContext(PlatformContext* context) {
    installed = context;
}

}  // namespace arquorel
