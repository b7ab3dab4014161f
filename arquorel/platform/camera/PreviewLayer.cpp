#include "arquorel/platform/camera/PreviewLayer.h"

#include <algorithm>
#include <utility>

#include "arquorel/platform/camera/CaptureSession.h"
#include "arquorel/platform/drawing/Painter.h"

namespace arquorel {

void CaptureConnection::setVideoOrientation(VideoOrientation orientation) {
    if (orientationSupported_) orientation_ = orientation;
}

PreviewLayer::PreviewLayer(std::shared_ptr<CaptureSession> session)
    : session_(std::move(session)) {}

CaptureConnection* PreviewLayer::connection() {
    return const_cast<CaptureConnection*>(std::as_const(*this).connection());
}

const CaptureConnection* PreviewLayer::connection() const {
    if (!session_) return nullptr;
    const auto& inputs = session_->inputs();
    const bool camera = std::any_of(inputs.begin(), inputs.end(), [](const auto& input) {
        return dynamic_cast<const CaptureDeviceInput*>(input.get()) != nullptr;
    });
    return camera ? &connection_ : nullptr;
}

void PreviewLayer::draw(Painter& painter) const {
    painter.fillRect({0, 0, frame_.width(), frame_.height()}, Color::black());
}

}  // namespace arquorel
