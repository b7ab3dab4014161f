#include "arquorel/arscreen/CameraView.h"

#include "arquorel/platform/camera/CameraService.h"
#include "arquorel/platform/camera/CaptureSession.h"
#include "arquorel/platform/camera/PreviewLayer.h"
#include "arquorel/platform/drawing/Painter.h"
#include "arquorel/platform/drawing/ViewDescription.h"
#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel {

namespace {

CameraView::Error cameraError(int code, const char* message) {
    return {CameraView::kErrorDomain, code, {{"description", message}}};
}

}  // namespace

std::string CameraView::Error::description() const {
    const auto it = userInfo.find("description");
    return it == userInfo.end() ? std::string() : it->second;
}

CameraView::SessionResult CameraView::createCaptureSession(const std::string& mediaType,
                                                           CaptureDevicePosition position) {
    auto& camera = platformContext().camera();
    std::shared_ptr<CaptureDevice> device;
    for (const auto& found :
         camera.devices({CaptureDeviceType::builtInWideAngleCamera}, mediaType, position)) {
        if (found && found->position() == position) {
            device = found;
            break;
        }
    }
    if (!device) return {nullptr, cameraError(kDeviceNotFound, "Back video device not found.")};

    if (device->lockForConfiguration()) {
        if (device->isFocusModeSupported(FocusMode::continuousAutoFocus))
            device->setFocusMode(FocusMode::continuousAutoFocus);
        device->unlockForConfiguration();
    } else {
        // The picture works without it; only the focus stays as the camera has it.
        platformContext().console().writeLine(
            "CameraView: Cannot lock the camera for configuration, its focus is left as it is.");
    }

    auto input = camera.makeDeviceInput(device);
    if (!input)
        return {nullptr, cameraError(kInputNotCreated, "Error creating capture device input.")};
    auto session = camera.makeSession();
    if (!session || !session->canAddInput(*input))
        return {session, cameraError(kInputNotAdded, "Error adding video input.")};
    session->addInput(std::move(input));
    return {session, std::nullopt};
}

CameraView::CameraView(Rect frame)
    : View(frame),
      mediaType_(kMediaTypeVideo),
      videoGravity_(kVideoGravityResizeAspectFill),
      imageview_(std::make_shared<View>(Rect{})) {}

CameraView::~CameraView() {
    if (captureSession_) captureSession_->stopRunning();
}

void CameraView::startRunning() {
    if (captureSession_) captureSession_->startRunning();
}

void CameraView::stopRunning() {
    if (captureSession_) captureSession_->stopRunning();
}

void CameraView::setVideoOrientation(InterfaceOrientation orientation) {
    if (!videoPreviewLayer_) return;
    CaptureConnection* connection = videoPreviewLayer_->connection();
    if (!connection || !connection->isVideoOrientationSupported()) return;
    const int value = static_cast<int>(orientation);
    if (value < 1 || value > 4) return;  // unknown: no picture orientation to give
    connection->setVideoOrientation(static_cast<VideoOrientation>(value));
}

std::shared_ptr<CaptureDevice> CameraView::inputDevice() const {
    if (!captureSession_) return nullptr;
    for (const auto& input : captureSession_->inputs())
        if (auto deviceInput = std::dynamic_pointer_cast<CaptureDeviceInput>(input))
            return deviceInput->device();
    return nullptr;
}

void CameraView::releaseSession() {
    stopRunning();
    videoPreviewLayer_.reset();  // out of this view's layer
    captureSession_.reset();
}

void CameraView::createSessionAndVideoPreviewLayer() {
    releaseSession();
    auto result = createCaptureSession(mediaType_, devicePosition_);
    if (!result.error && result.session) {
        captureSession_ = std::move(result.session);
        videoPreviewLayer_ = platformContext().camera().makePreviewLayer(captureSession_);
        if (videoPreviewLayer_) videoPreviewLayer_->setVideoGravity(videoGravity_);
    } else {
        platformContext().console().writeLine(kCannotCreateSessionLine);
    }
}

void CameraView::didMoveToSuperview() {
    View::didMoveToSuperview();
    if (hasSuperview()) {
        createSessionAndVideoPreviewLayer();
        setNeedsLayout();
    } else {
        releaseSession();
    }
}

void CameraView::draw(Painter& painter) const {
    if (!videoPreviewLayer_) return;
    const Rect& frame = videoPreviewLayer_->frame();
    PainterStateSaver saver(painter);
    painter.translate(frame.x(), frame.y());
    painter.clipToRect({0, 0, frame.width(), frame.height()});
    videoPreviewLayer_->draw(painter);
}

std::uint64_t CameraView::liveContentKey() const {
    return videoPreviewLayer_ ? videoPreviewLayer_->pictureKey() : 0;
}

bool CameraView::coversBounds() const {
    if (!videoPreviewLayer_ || !videoPreviewLayer_->coversFrame()) return false;
    const Rect& frame = videoPreviewLayer_->frame();
    const Rect& b = bounds();
    return frame.minX() <= 0 && frame.minY() <= 0 && frame.maxX() >= b.width() &&
           frame.maxY() >= b.height();
}

void CameraView::describe(ViewDescription& description) const {
    View::describe(description);
    const auto device = inputDevice();
    if (!device) return description.add("camera", "none");
    const char* position = device->position() == CaptureDevicePosition::front ? "front" : "back";
    description.add("camera", std::string(position) +
                                  (captureSession_->isRunning() ? ", running" : ", stopped"));
}

void CameraView::layoutSubviews() {
    View::layoutSubviews();
    if (videoPreviewLayer_) videoPreviewLayer_->setFrame(bounds());
}

}  // namespace arquorel
