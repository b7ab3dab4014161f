#pragma once
// The view that shows the live picture of the back camera behind the annotation views. It
// builds a capture session with one camera input whenever it is put into a superview, shows
// it through a preview layer that fills the view, starts and stops the session on request,
// orients the picture and reports the camera so that the AR view controller can read its
// field of view. createCaptureSession() tries the same build without a view, to find out
// whether the device can run the AR screen at all.

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "arquorel/platform/camera/CaptureDevice.h"
#include "arquorel/platform/device/Device.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

class CaptureSession;
class PreviewLayer;

class CameraView : public View {
  public:
    static constexpr const char* kErrorDomain = "CameraView";
    enum ErrorCode {
        kDeviceNotFound = 10000,   // "Back video device not found."
        kInputNotCreated = 10001,  // "Error creating capture device input."
        kInputNotAdded = 10002,    // "Error adding video input."
    };
    // A failed build: domain "CameraView", a code above, the message under "description".
    struct Error {
        std::string domain;
        int code = 0;
        std::map<std::string, std::string> userInfo;
        std::string description() const;
        friend bool operator==(const Error&, const Error&) = default;
    };
    struct SessionResult {
        std::shared_ptr<CaptureSession> session;  // also present with error 10002
        std::optional<Error> error;
    };

    // The first built-in wide-angle camera at `position` capturing `mediaType`, its focus set
    // to continuous auto-focus when it has it, as the one input of a new session. The session
    // is not started. A result with an error is a failed build.
    static SessionResult createCaptureSession(const std::string& mediaType,
                                              CaptureDevicePosition position);

    static constexpr const char* kCannotCreateSessionLine =
        "CameraView: Cannot create capture session, use createCaptureSession method to check "
        "if device is capable for augmented reality.";

    explicit CameraView(Rect frame = {});
    ~CameraView() override;

    // Start or stop the session when there is one.
    void startRunning();
    void stopRunning();
    // Turns the picture for the interface orientation, when the preview has a connection that
    // supports it.
    void setVideoOrientation(InterfaceOrientation orientation);
    // The camera of the session's first camera input; none without a session.
    std::shared_ptr<CaptureDevice> inputDevice() const;

    // Take effect the next time a session is built.
    const std::string& mediaType() const { return mediaType_; }
    void setMediaType(std::string mediaType) { mediaType_ = std::move(mediaType); }
    CaptureDevicePosition devicePosition() const { return devicePosition_; }
    void setDevicePosition(CaptureDevicePosition position) { devicePosition_ = position; }
    const std::string& videoGravity() const { return videoGravity_; }
    void setVideoGravity(std::string gravity) { videoGravity_ = std::move(gravity); }

    const std::shared_ptr<PreviewLayer>& videoPreviewLayer() const { return videoPreviewLayer_; }
    const std::shared_ptr<CaptureSession>& captureSession() const { return captureSession_; }
    // For stills of the picture; the AR view controller places it inside this view.
    const std::shared_ptr<View>& imageview() const { return imageview_; }

    // The preview's picture, beneath the subviews.
    void draw(Painter& painter) const override;
    std::uint64_t liveContentKey() const override;
    bool drawsWithoutSetters() const override { return true; }
    // While the preview's picture covers its frame, which fills the bounds.
    bool coversBounds() const override;
    // "camera": the position of the session's camera and whether it runs, or "none".
    void describe(ViewDescription& description) const override;

  protected:
    void didMoveToSuperview() override;
    void layoutSubviews() override;

  private:
    void createSessionAndVideoPreviewLayer();
    void releaseSession();

    std::string mediaType_;
    CaptureDevicePosition devicePosition_ = CaptureDevicePosition::back;
    std::string videoGravity_;
    std::shared_ptr<PreviewLayer> videoPreviewLayer_;
    std::shared_ptr<CaptureSession> captureSession_;
    std::shared_ptr<View> imageview_;
};

}  // namespace arquorel
