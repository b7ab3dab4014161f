#include "arquorel/platform/camera/PreviewLayer.h"

#include <algorithm>

#include "arquorel/platform/camera/CaptureSession.h"

namespace arquorel {

void CaptureConnection::setVideoOrientation(VideoOrientation orientation) {
    if (orientationSupported_) orientation_ = orientation;
}

PreviewLayer::PreviewLayer(std::shared_ptr<CaptureSession> session)
    : session_(std::move(session)) {}

CaptureConnection* PreviewLayer::connection() {
    if (!session_) return nullptr;
    const auto& inputs = session_->inputs();
    const bool camera = std::any_of(inputs.begin(), inputs.end(), [](const auto& input) {
        return dynamic_cast<const CaptureDeviceInput*>(input.get()) != nullptr;
    });
    return camera ? &connection_ : nullptr;
}

}  // namespace arquorel
