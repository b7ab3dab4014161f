#include "sim/device/SimCamera.h"

#include <bit>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "arquorel/platform/camera/CaptureSession.h"
#include "arquorel/platform/camera/PreviewLayer.h"
#include "arquorel/platform/drawing/Painter.h"
#include "arquorel/platform/drawing/TextLayout.h"
#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel::sim {

namespace {

constexpr double kDegreesToRadians = 0.017453292519943295;
constexpr double kRadiansToDegrees = 57.29577951308232;

class SimDevice;

}  // namespace

struct SimCamera::State {
    SimCameraSettings settings;
    std::function<CameraPose()> poseProvider;
    std::shared_ptr<SimDevice> back;
    std::shared_ptr<SimDevice> front;
    bool promptShown = false;
    std::uint64_t promptId = 0;
    std::vector<std::function<void(bool)>> waiting;  // completions of the prompt shown
    int accessRequests = 0;
    int sessionsMade = 0;
    std::vector<std::weak_ptr<CaptureSession>> sessions;

    bool accessRefused() const {
        return settings.authorization == CameraAuthorizationStatus::denied ||
               settings.authorization == CameraAuthorizationStatus::restricted;
    }

    void answer(bool granted) {
        promptShown = false;
        settings.authorization =
            granted ? CameraAuthorizationStatus::authorized : CameraAuthorizationStatus::denied;
        auto completions = std::move(waiting);
        waiting.clear();
        for (auto& completion : completions)
            if (completion) completion(granted);
    }
};

namespace {

using State = SimCamera::State;

class SimDevice final : public CaptureDevice {
  public:
    SimDevice(std::weak_ptr<State> state, CaptureDevicePosition position)
        : state_(std::move(state)), position_(position) {}

    std::string uniqueId() const override {
        return position_ == CaptureDevicePosition::front ? "sim-front-wide" : "sim-back-wide";
    }
    CaptureDeviceType deviceType() const override {
        return CaptureDeviceType::builtInWideAngleCamera;
    }
    CaptureDevicePosition position() const override { return position_; }
    bool hasMediaType(const std::string& mediaType) const override {
        return mediaType == kMediaTypeVideo;
    }
    CaptureFormat activeFormat() const override { return {settings().fieldOfView}; }

    bool lockForConfiguration() override {
        if (settings().focusLockFails) return false;
        locked_ = true;
        return true;
    }
    void unlockForConfiguration() override { locked_ = false; }
    bool isFocusModeSupported(FocusMode mode) const override {
        return mode != FocusMode::continuousAutoFocus || settings().continuousAutoFocus;
    }
    FocusMode focusMode() const override { return focusMode_; }
    bool setFocusMode(FocusMode mode) override {
        if (!locked_ || !isFocusModeSupported(mode)) return false;
        focusMode_ = mode;
        return true;
    }

  private:
    SimCameraSettings settings() const {
        auto state = state_.lock();
        return state ? state->settings : SimCameraSettings{};
    }

    std::weak_ptr<State> state_;
    CaptureDevicePosition position_;
    bool locked_ = false;
    FocusMode focusMode_ = FocusMode::autoFocus;
};

class SimSession final : public CaptureSession {
  public:
    explicit SimSession(std::weak_ptr<State> state) : state_(std::move(state)) {}
    bool canAddInput(const CaptureInput& input) const override {
        auto state = state_.lock();
        if (state && state->settings.sessionRefusesInput) return false;
        return CaptureSession::canAddInput(input);
    }

  private:
    std::weak_ptr<State> state_;
};

class SimPreviewLayer final : public PreviewLayer {
  public:
    SimPreviewLayer(std::shared_ptr<CaptureSession> session, std::weak_ptr<State> state)
        : PreviewLayer(std::move(session)), state_(std::move(state)) {}

    // The pose and orientation the picture shows; 0 while it is black.
    std::uint64_t pictureKey() const override {
        auto state = state_.lock();
        const auto device = cameraDevice();
        if (!state || !device || !session()->isRunning() ||
            state->settings.authorization != CameraAuthorizationStatus::authorized)
            return 0;
        const CameraPose pose = state->poseProvider ? state->poseProvider() : CameraPose{};
        const CaptureConnection* link = connection();
        std::uint64_t key = 1469598103934665603ull;
        auto mix = [&key](std::uint64_t v) { key = (key ^ v) * 1099511628211ull; };
        mix(std::bit_cast<std::uint64_t>(pose.heading));
        mix(std::bit_cast<std::uint64_t>(pose.pitch));
        mix(static_cast<std::uint64_t>(device->position()));
        mix(link ? static_cast<std::uint64_t>(link->videoOrientation()) : 0);
        mix(std::bit_cast<std::uint64_t>(frame().width()));
        mix(std::bit_cast<std::uint64_t>(frame().height()));
        return key | 1;
    }

    // The synthetic picture while the session runs with camera access; black otherwise.
    void draw(Painter& painter) const override {
        const double w = frame().width();
        const double h = frame().height();
        auto state = state_.lock();
        const auto device = cameraDevice();
        if (!state || !device || !session()->isRunning() ||
            state->settings.authorization != CameraAuthorizationStatus::authorized)
            return PreviewLayer::draw(painter);

        CameraPose pose = state->poseProvider ? state->poseProvider() : CameraPose{};
        if (device->position() == CaptureDevicePosition::front) {
            // The front camera looks the other way.
            pose.heading += 180;
            pose.pitch = -pose.pitch;
        }
        const CaptureConnection* link = connection();
        const bool landscape =
            link && (link->videoOrientation() == VideoOrientation::landscapeLeft ||
                     link->videoOrientation() == VideoOrientation::landscapeRight);
        const CameraPicture picture =
            cameraPicture({w, h}, device->activeFormat().videoFieldOfView, landscape, pose);
        const double horizon = picture.horizonY;

        const double skyBottom = std::clamp(horizon, 0.0, h);
        // The row of pixels the horizon splits is shared by sky and ground, each covering a
        // part of it: black beneath, as a camera's black picture before the first frame, so
        // that the picture covers its frame on its own.
        if (horizon > 0 && horizon < h) {
            const double top = std::max(0.0, horizon - 2), bottom = std::min(h, horizon + 2);
            painter.fillRect({0, top, w, bottom - top}, Color::black());
        }
        if (skyBottom > 0)
            painter.fillGradient(
                Path::rect({0, 0, w, skyBottom}),
                Gradient::linear({0, horizon - h}, {0, horizon}, {{0, kSkyHigh}, {1, kSkyLow}}));
        if (skyBottom < h)
            painter.fillGradient(Path::rect({0, skyBottom, w, h - skyBottom}),
                                 Gradient::linear({0, horizon}, {0, horizon + h},
                                                  {{0, kGroundNear}, {1, kGroundFar}}));
        if (horizon < 0 || horizon > h) return;
        painter.stroke(Path().moveTo({0, horizon}).lineTo({w, horizon}),
                       Color::white().withAlpha(0.8), lineWidth(1.5));
        // Letters over the cardinal bearings, degrees in small figures over the others.
        for (const auto& tick : picture.ticks) {
            const bool cardinal = !tick.label.empty();
            const double length = cardinal                                   ? 28
                                  : static_cast<int>(tick.bearing) % 30 == 0 ? 18
                                                                             : 12;
            painter.stroke(Path().moveTo({tick.x, horizon}).lineTo({tick.x, horizon - length}),
                           Color::white(), lineWidth(cardinal ? 2 : 1));
            TextStyle style;
            style.fontSize = cardinal ? 17 : 12;
            style.weight = cardinal ? FontWeight::bold : FontWeight::regular;
            style.color = Color::white();
            auto label = platformContext().textEngine().layout(
                cardinal ? tick.label : std::to_string(static_cast<int>(tick.bearing)), style);
            const Size size = label->size();
            painter.drawText(label, {tick.x - size.width / 2, horizon - length - 2 - size.height});
        }
    }

  private:
    static constexpr Color kSkyHigh{0.23, 0.48, 0.84, 1};
    static constexpr Color kSkyLow{0.75, 0.89, 1.0, 1};
    static constexpr Color kGroundNear{0.55, 0.70, 0.42, 1};
    static constexpr Color kGroundFar{0.31, 0.42, 0.23, 1};

    std::shared_ptr<CaptureDevice> cameraDevice() const {
        if (!session()) return nullptr;
        for (const auto& input : session()->inputs())
            if (auto camera = std::dynamic_pointer_cast<CaptureDeviceInput>(input))
                return camera->device();
        return nullptr;
    }

    std::weak_ptr<State> state_;
};

class SimCameraService final : public CameraService {
  public:
    explicit SimCameraService(std::shared_ptr<State> state) : state_(std::move(state)) {}

    std::vector<std::shared_ptr<CaptureDevice>> devices(const std::vector<CaptureDeviceType>& types,
                                                        const std::string& mediaType,
                                                        CaptureDevicePosition position) override {
        std::vector<std::shared_ptr<CaptureDevice>> found;
        if (mediaType != kMediaTypeVideo ||
            std::find(types.begin(), types.end(), CaptureDeviceType::builtInWideAngleCamera) ==
                types.end())
            return found;
        auto& s = *state_;
        const auto add = [&](std::shared_ptr<SimDevice>& device, CaptureDevicePosition at) {
            if (position != CaptureDevicePosition::unspecified && position != at) return;
            if (!device) device = std::make_shared<SimDevice>(state_, at);
            found.push_back(device);
        };
        if (s.settings.cameras == SimCameraSettings::Cameras::backAndFront)
            add(s.back, CaptureDevicePosition::back);
        if (s.settings.cameras != SimCameraSettings::Cameras::none)
            add(s.front, CaptureDevicePosition::front);
        return found;
    }

    CameraAuthorizationStatus authorizationStatus(const std::string&) const override {
        return state_->settings.authorization;
    }

    void requestAccess(const std::string&, std::function<void(bool)> completion) override {
        auto& s = *state_;
        ++s.accessRequests;
        auto& loop = platformContext().mainLoop();
        if (s.settings.authorization != CameraAuthorizationStatus::notDetermined) {
            const bool granted = s.settings.authorization == CameraAuthorizationStatus::authorized;
            loop.async([completion = std::move(completion), granted] {
                if (completion) completion(granted);
            });
            return;
        }
        s.waiting.push_back(std::move(completion));
        if (s.promptShown) return;  // one prompt answers every request made meanwhile
        s.promptShown = true;
        const std::uint64_t id = ++s.promptId;
        if (!s.settings.promptAnswer) return;
        loop.asyncAfter(
            std::max(0.0, s.settings.promptDelay),
            [weak = std::weak_ptr<State>(state_), id, granted = *s.settings.promptAnswer] {
                auto state = weak.lock();
                if (state && state->promptShown && state->promptId == id) state->answer(granted);
            });
    }

    std::shared_ptr<CaptureDeviceInput> makeDeviceInput(
        const std::shared_ptr<CaptureDevice>& device) override {
        if (!std::dynamic_pointer_cast<SimDevice>(device)) return nullptr;
        if (state_->settings.inputFails || state_->accessRefused()) return nullptr;
        return std::make_shared<CaptureDeviceInput>(device);
    }

    std::shared_ptr<CaptureSession> makeSession() override {
        auto session = std::make_shared<SimSession>(state_);
        ++state_->sessionsMade;
        std::erase_if(state_->sessions, [](const auto& weak) { return weak.expired(); });
        state_->sessions.push_back(session);
        return session;
    }

    std::shared_ptr<PreviewLayer> makePreviewLayer(
        const std::shared_ptr<CaptureSession>& session) override {
        return std::make_shared<SimPreviewLayer>(session, state_);
    }

  private:
    std::shared_ptr<State> state_;
};

// a - b folded into [-180, 180).
double difference(double a, double b) {
    double d = std::fmod(a - b, 360.0);
    if (d < -180) d += 360;
    if (d >= 180) d -= 360;
    return d;
}

}  // namespace

CameraPicture cameraPicture(Size size, double fieldOfView, bool landscape, CameraPose pose) {
    CameraPicture picture;
    const double w = size.width;
    const double h = size.height;
    picture.horizonY = h / 2;
    if (!(w > 0) || !(h > 0) || !(fieldOfView > 0) || !(fieldOfView < 180)) return picture;
    const double t = std::tan(fieldOfView * 0.5 * kDegreesToRadians);
    if (landscape) {
        picture.hFov = fieldOfView;
        picture.vFov = 2 * std::atan(h / w * t) * kRadiansToDegrees;
    } else {
        picture.hFov = 2 * std::atan(w / h * t) * kRadiansToDegrees;
        picture.vFov = fieldOfView;
    }
    // A pose the sensors could not give (NaN, beyond straight up or down) shows as level.
    const double heading = std::isfinite(pose.heading) ? pose.heading : 0;
    const double pitch = std::isfinite(pose.pitch) ? std::clamp(pose.pitch, -90.0, 90.0) : 0;
    // Tilting the camera up moves the world, and the horizon with it, down the picture.
    picture.horizonY = h / 2 + pitch * h / picture.vFov;
    const double pointsPerDegree = w / picture.hFov;
    static const char* const kCardinal[] = {"N", "E", "S", "W"};
    for (int bearing = 0; bearing < 360; bearing += 10) {
        const double x = w / 2 + difference(bearing, heading) * pointsPerDegree;
        if (x < 0 || x > w) continue;
        picture.ticks.push_back(
            {static_cast<double>(bearing), x, bearing % 90 == 0 ? kCardinal[bearing / 90] : ""});
    }
    std::sort(picture.ticks.begin(), picture.ticks.end(),
              [](const auto& a, const auto& b) { return a.x < b.x; });
    return picture;
}

SimCamera::SimCamera() : SimCamera(platformContext()) {}

SimCamera::SimCamera(PlatformContext& context)
    : context_(context), state_(std::make_shared<State>()), previous_(context.cameraService()) {
    context.setCameraService(std::make_shared<SimCameraService>(state_));
}

SimCamera::~SimCamera() {
    context_.setCameraService(std::move(previous_));
}

SimCameraSettings& SimCamera::settings() {
    return state_->settings;
}

void SimCamera::setPoseProvider(std::function<CameraPose()> provider) {
    state_->poseProvider = std::move(provider);
}

CameraPose SimCamera::pose() const {
    return state_->poseProvider ? state_->poseProvider() : CameraPose{};
}

bool SimCamera::answerPrompt(bool granted) {
    if (!state_->promptShown) return false;
    state_->answer(granted);
    return true;
}

bool SimCamera::isPromptShown() const {
    return state_->promptShown;
}

int SimCamera::accessRequestCount() const {
    return state_->accessRequests;
}

int SimCamera::sessionsMade() const {
    return state_->sessionsMade;
}

int SimCamera::runningSessionCount() const {
    int running = 0;
    for (const auto& weak : state_->sessions)
        if (auto session = weak.lock(); session && session->isRunning()) ++running;
    return running;
}

}  // namespace arquorel::sim
