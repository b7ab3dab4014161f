#pragma once
// The device's cameras: discovery, the user's permission to use them, and the objects a
// capture needs (device inputs, sessions, preview layers). Installed in the platform context;
// a device without cameras finds none.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "arquorel/platform/camera/CaptureDevice.h"

namespace arquorel {

class CaptureDeviceInput;
class CaptureSession;
class PreviewLayer;

enum class CameraAuthorizationStatus {
    notDetermined = 0,
    restricted = 1,
    denied = 2,
    authorized = 3,
};

class CameraService {
  public:
    virtual ~CameraService() = default;

    // The devices of the given types that capture `mediaType`, at `position` (every position
    // for unspecified), in the platform's order.
    virtual std::vector<std::shared_ptr<CaptureDevice>> devices(
        const std::vector<CaptureDeviceType>& types, const std::string& mediaType,
        CaptureDevicePosition position) = 0;

    virtual CameraAuthorizationStatus authorizationStatus(const std::string& mediaType) const = 0;
    // Asks the user when undecided; the completion runs on the main loop with the answer (at
    // once, on the next turn of the loop, when already decided).
    virtual void requestAccess(const std::string& mediaType,
                               std::function<void(bool granted)> completion) = 0;

    // An input reading from `device`; none when the device cannot be opened (access refused,
    // device unavailable).
    virtual std::shared_ptr<CaptureDeviceInput> makeDeviceInput(
        const std::shared_ptr<CaptureDevice>& device) = 0;
    virtual std::shared_ptr<CaptureSession> makeSession() = 0;
    virtual std::shared_ptr<PreviewLayer> makePreviewLayer(
        const std::shared_ptr<CaptureSession>& session) = 0;
};

}  // namespace arquorel
