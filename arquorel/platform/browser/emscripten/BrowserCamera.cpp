#include "arquorel/platform/browser/emscripten/BrowserCamera.h"

#include <emscripten.h>

#include "arquorel/platform/browser/CanvasCommands.h"
#include "arquorel/platform/camera/CaptureDevice.h"
#include "arquorel/platform/camera/CaptureSession.h"
#include "arquorel/platform/camera/PreviewLayer.h"
#include "arquorel/platform/runtime/PlatformContext.h"

EM_JS(void, arq_js_camera_ask, (), { ARQ.askCamera(); });
EM_JS(void, arq_js_camera_show, (int on), { ARQ.showCamera(!!on); });

namespace arquorel::browser {

namespace {

class BrowserCaptureDevice final : public CaptureDevice {
  public:
    std::string uniqueId() const override { return "environment"; }
    CaptureDeviceType deviceType() const override {
        return CaptureDeviceType::builtInWideAngleCamera;
    }
    CaptureDevicePosition position() const override { return CaptureDevicePosition::back; }
    bool hasMediaType(const std::string& mediaType) const override {
        return mediaType == kMediaTypeVideo;
    }
    CaptureFormat activeFormat() const override { return {BrowserCamera::kFieldOfView}; }
    // The browser focuses by itself; there is nothing to configure.
    bool lockForConfiguration() override { return true; }
    void unlockForConfiguration() override {}
    bool isFocusModeSupported(FocusMode mode) const override {
        return mode == FocusMode::continuousAutoFocus;
    }
    FocusMode focusMode() const override { return FocusMode::continuousAutoFocus; }
    bool setFocusMode(FocusMode mode) override { return mode == FocusMode::continuousAutoFocus; }
};

class BrowserCaptureSession final : public CaptureSession {
  public:
    explicit BrowserCaptureSession(std::weak_ptr<BrowserCamera> camera)
        : camera_(std::move(camera)) {}
    void startRunning() override {
        CaptureSession::startRunning();
        if (auto camera = camera_.lock()) camera->sessionChanged();
    }
    void stopRunning() override {
        CaptureSession::stopRunning();
        if (auto camera = camera_.lock()) camera->sessionChanged();
    }

  private:
    std::weak_ptr<BrowserCamera> camera_;
};

// The picture is the video under the canvas: its area of the canvas is made transparent
// (through the frame's recorded steps, which CanvasCommands replays as clearRect).
class BrowserPreviewLayer final : public PreviewLayer {
  public:
    using PreviewLayer::PreviewLayer;
    void draw(Painter& painter) const override {
        painter.drawLayer(makeClearedArea({{0, 0}, frame().size}));
    }
};

}  // namespace

std::vector<std::shared_ptr<CaptureDevice>> BrowserCamera::devices(
    const std::vector<CaptureDeviceType>& types, const std::string& mediaType,
    CaptureDevicePosition position) {
    if (state_ == BrowserCameraState::noCamera || mediaType != kMediaTypeVideo ||
        position == CaptureDevicePosition::front)
        return {};
    bool wide = types.empty();
    for (auto t : types) wide |= t == CaptureDeviceType::builtInWideAngleCamera;
    if (!wide) return {};
    return {std::make_shared<BrowserCaptureDevice>()};
}

CameraAuthorizationStatus BrowserCamera::authorizationStatus(const std::string&) const {
    switch (state_) {
        case BrowserCameraState::granted:
        case BrowserCameraState::unreadable:
            return CameraAuthorizationStatus::authorized;
        case BrowserCameraState::denied:
            return CameraAuthorizationStatus::denied;
        case BrowserCameraState::noCamera:
            return CameraAuthorizationStatus::restricted;
        case BrowserCameraState::unknown:
            break;
    }
    return CameraAuthorizationStatus::notDetermined;
}

void BrowserCamera::requestAccess(const std::string& mediaType,
                                  std::function<void(bool granted)> completion) {
    auto& loop = platformContext().mainLoop();
    if (state_ != BrowserCameraState::unknown || mediaType != kMediaTypeVideo) {
        const bool granted =
            authorizationStatus(mediaType) == CameraAuthorizationStatus::authorized;
        loop.async([completion = std::move(completion), granted] {
            if (completion) completion(granted);
        });
        return;
    }
    waiting_.push_back(std::move(completion));
    if (!asking_) {
        asking_ = true;
        arq_js_camera_ask();
    }
}

void BrowserCamera::setState(BrowserCameraState state) {
    state_ = state;
    asking_ = false;
    const bool granted =
        authorizationStatus(kMediaTypeVideo) == CameraAuthorizationStatus::authorized;
    auto waiting = std::move(waiting_);
    waiting_.clear();
    for (auto& completion : waiting) {
        platformContext().mainLoop().async([completion = std::move(completion), granted] {
            if (completion) completion(granted);
        });
    }
    if (state_ == BrowserCameraState::granted) sessionChanged();
}

std::shared_ptr<CaptureDeviceInput> BrowserCamera::makeDeviceInput(
    const std::shared_ptr<CaptureDevice>& device) {
    if (!device || state_ == BrowserCameraState::denied ||
        state_ == BrowserCameraState::unreadable || state_ == BrowserCameraState::noCamera)
        return nullptr;
    return std::make_shared<CaptureDeviceInput>(device);
}

std::shared_ptr<CaptureSession> BrowserCamera::makeSession() {
    auto session = std::make_shared<BrowserCaptureSession>(weak_from_this());
    std::erase_if(sessions_, [](const auto& w) { return w.expired(); });
    sessions_.push_back(session);
    return session;
}

std::shared_ptr<PreviewLayer> BrowserCamera::makePreviewLayer(
    const std::shared_ptr<CaptureSession>& session) {
    return std::make_shared<BrowserPreviewLayer>(session);
}

void BrowserCamera::sessionChanged() {
    bool running = false;
    std::erase_if(sessions_, [](const auto& w) { return w.expired(); });
    for (const auto& w : sessions_)
        if (auto s = w.lock()) running |= s->isRunning() && !s->inputs().empty();
    if (running != showing_) {
        showing_ = running;
        arq_js_camera_show(running);
    }
}

}  // namespace arquorel::browser
