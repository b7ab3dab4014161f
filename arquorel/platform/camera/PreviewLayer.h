#pragma once
// The layer that shows a capture session's picture, scaled into its frame by its gravity and
// turned by its connection's video orientation. A backend draws the picture.

#include <cstdint>
#include <memory>
#include <string>

#include "arquorel/platform/geometry/Geometry.h"

namespace arquorel {

class CaptureSession;
class Painter;

// Video gravities: how the picture fills the layer.
inline constexpr const char* kVideoGravityResizeAspectFill = "resizeAspectFill";
inline constexpr const char* kVideoGravityResizeAspect = "resizeAspect";
inline constexpr const char* kVideoGravityResize = "resize";

// The same numbers as the interface orientations they follow.
enum class VideoOrientation {
    portrait = 1,
    portraitUpsideDown = 2,
    landscapeRight = 3,
    landscapeLeft = 4,
};

// The link from a session's video input to a preview layer.
class CaptureConnection {
  public:
    bool isVideoOrientationSupported() const { return orientationSupported_; }
    VideoOrientation videoOrientation() const { return orientation_; }
    // Ignored when orientation is not supported.
    void setVideoOrientation(VideoOrientation orientation);
    void setVideoOrientationSupported(bool supported) { orientationSupported_ = supported; }

  private:
    bool orientationSupported_ = true;
    VideoOrientation orientation_ = VideoOrientation::portrait;
};

class PreviewLayer {
  public:
    explicit PreviewLayer(std::shared_ptr<CaptureSession> session);
    virtual ~PreviewLayer() = default;
    PreviewLayer(const PreviewLayer&) = delete;
    PreviewLayer& operator=(const PreviewLayer&) = delete;

    const std::shared_ptr<CaptureSession>& session() const { return session_; }
    const std::string& videoGravity() const { return videoGravity_; }
    void setVideoGravity(std::string gravity) { videoGravity_ = std::move(gravity); }
    const Rect& frame() const { return frame_; }
    void setFrame(const Rect& frame) { frame_ = frame; }

    // The connection to the session's camera input; none while the session has none.
    CaptureConnection* connection();
    const CaptureConnection* connection() const;

    // Draws the picture in the layer's own coordinates (origin at the top-left of its frame).
    // Here black, as a camera shows before its first frame; a backend draws its picture.
    virtual void draw(Painter& painter) const;
    // Differs whenever the picture draw() shows has changed (a live picture); 0 for black.
    virtual std::uint64_t pictureKey() const { return 0; }
    // Whether draw() sets every pixel of the frame on whole device pixels, whatever was under
    // it (true for the black picture drawn here).
    virtual bool coversFrame() const { return true; }

  private:
    std::shared_ptr<CaptureSession> session_;
    std::string videoGravity_ = kVideoGravityResizeAspect;
    Rect frame_;
    CaptureConnection connection_;
};

}  // namespace arquorel
