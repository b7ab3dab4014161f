#pragma once
// A simulated camera service. The test or the demo host decides which cameras the device has
// (back and front, front only, none), whether opening a camera, adding it to a session or
// locking it for focus fails, its field of view, and the user's camera permission
// (authorised, refused, or undecided with a prompt answered after a delay). Refused or
// restricted access makes opening a camera fail, as on a phone.
//
// Its preview shows a synthetic camera picture for the current pose, from a pose provider:
// sky and ground split at the horizon, which moves with the pitch, and compass ticks with
// N, E, S, W at their bearings, spread by the field of view the AR geometry uses. Installed
// into a platform context for the lifetime of the object.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/platform/camera/CameraService.h"
#include "arquorel/platform/geometry/Geometry.h"

namespace arquorel {
class PlatformContext;
}

namespace arquorel::sim {

// Where the back camera looks: compass heading (0 north) and pitch (0 at the horizon,
// negative below it), in degrees.
struct CameraPose {
    double heading = 0;
    double pitch = 0;
};

struct SimCameraSettings {
    enum class Cameras { backAndFront, frontOnly, none };
    Cameras cameras = Cameras::backAndFront;
    float fieldOfView = 60;            // degrees across the long side of the picture
    bool inputFails = false;           // cameras cannot be opened
    bool sessionRefusesInput = false;  // sessions refuse every input
    bool focusLockFails = false;       // cameras cannot be locked for configuration
    bool continuousAutoFocus = true;   // cameras support continuous auto-focus
    CameraAuthorizationStatus authorization = CameraAuthorizationStatus::authorized;
    // The user's answer to the permission prompt and how long it takes; none: no answer.
    std::optional<bool> promptAnswer = true;
    double promptDelay = 1;
};

// What the synthetic picture shows for one pose, in the picture's points.
struct CameraPicture {
    struct Tick {
        double bearing;  // degrees, a multiple of 10
        double x;
        std::string label;  // "N", "E", "S", "W" at the cardinal bearings, else empty
    };
    double hFov = 0;  // degrees
    double vFov = 0;
    double horizonY = 0;      // may lie outside the picture
    std::vector<Tick> ticks;  // those within the picture, left to right
};

// The picture of `size` points for a camera of `fieldOfView` degrees (horizontal in
// landscape, vertical in portrait, the other from the proportions of `size`).
CameraPicture cameraPicture(Size size, double fieldOfView, bool landscape, CameraPose pose);

class SimCamera {
  public:
    // What the service, its devices, sessions and preview layers share.
    struct State;

    // Installs the camera service into `context` (the current platform context by default),
    // which must outlive this object; the destructor puts the previous service back.
    SimCamera();
    explicit SimCamera(PlatformContext& context);
    ~SimCamera();
    SimCamera(const SimCamera&) = delete;
    SimCamera& operator=(const SimCamera&) = delete;

    // Read when a camera is found, opened, locked or added, so changes apply from then on.
    SimCameraSettings& settings();
    // Where the camera looks, asked whenever the preview is drawn; (0, 0) without one.
    void setPoseProvider(std::function<CameraPose()> provider);
    CameraPose pose() const;

    // The user's answer to the prompt shown now; false when none is shown.
    bool answerPrompt(bool granted);
    bool isPromptShown() const;
    int accessRequestCount() const;
    int sessionsMade() const;
    // Sessions alive and running.
    int runningSessionCount() const;

  private:
    PlatformContext& context_;
    std::shared_ptr<State> state_;
    std::shared_ptr<CameraService> previous_;
};

}  // namespace arquorel::sim
