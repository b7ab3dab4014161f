#pragma once
// The back camera through getUserMedia (facing mode "environment"). Its picture is a <video>
// element under the page's transparent canvas: the preview layer makes its own area of the
// canvas transparent instead of drawing the picture. The browser's answers map to the camera
// service's states: a refused permission is `denied`; no camera at all leaves the device
// without cameras (the camera view's "device not found"); a camera that cannot be opened (in use,
// hardware error) fails to make an input ("input not created").

#include <functional>
#include <memory>
#include <vector>

#include "arquorel/platform/camera/CameraService.h"

namespace arquorel::browser {

// What the page learnt of the camera.
enum class BrowserCameraState {
    unknown = 0,    // not asked yet
    granted = 1,    // a picture came
    denied = 2,     // the user or the page's policy refused
    noCamera = 3,   // no camera, or the browser has no camera interface (insecure page)
    unreadable = 4  // a camera exists but cannot be opened
};

class BrowserCamera : public CameraService, public std::enable_shared_from_this<BrowserCamera> {
  public:
    // Degrees across the long side of the picture. Browsers do not report it; 60 is a phone's
    // main camera (and the simulated device's), so cards spread as in the native pictures.
    static constexpr float kFieldOfView = 60;

    std::vector<std::shared_ptr<CaptureDevice>> devices(const std::vector<CaptureDeviceType>& types,
                                                        const std::string& mediaType,
                                                        CaptureDevicePosition position) override;
    CameraAuthorizationStatus authorizationStatus(const std::string& mediaType) const override;
    void requestAccess(const std::string& mediaType,
                       std::function<void(bool granted)> completion) override;
    std::shared_ptr<CaptureDeviceInput> makeDeviceInput(
        const std::shared_ptr<CaptureDevice>& device) override;
    std::shared_ptr<CaptureSession> makeSession() override;
    std::shared_ptr<PreviewLayer> makePreviewLayer(
        const std::shared_ptr<CaptureSession>& session) override;

    BrowserCameraState state() const { return state_; }
    // The page's answer (a permission query at start, or the outcome of getUserMedia).
    void setState(BrowserCameraState state);
    // Sessions ask for the picture while any of them runs.
    void sessionChanged();

  private:
    BrowserCameraState state_ = BrowserCameraState::unknown;
    bool asking_ = false;
    bool showing_ = false;
    std::vector<std::function<void(bool)>> waiting_;
    std::vector<std::weak_ptr<CaptureSession>> sessions_;
};

}  // namespace arquorel::browser
