#pragma once
// A camera of the device, as discovery reports it: where it faces, what it captures, its
// active format (with the field of view the AR geometry needs) and its focus. Focus and other
// settings change only while the device is locked for configuration.

#include <string>

namespace arquorel {

// Media types asked of discovery and of authorisation.
inline constexpr const char* kMediaTypeVideo = "video";
inline constexpr const char* kMediaTypeAudio = "audio";

enum class CaptureDevicePosition { unspecified = 0, back = 1, front = 2 };

enum class CaptureDeviceType { builtInWideAngleCamera, builtInTelephotoCamera };

enum class FocusMode { locked = 0, autoFocus = 1, continuousAutoFocus = 2 };

struct CaptureFormat {
    // Degrees across the long side of the sensor (single precision, as the device reports it).
    float videoFieldOfView = 0;
};

class CaptureDevice {
  public:
    virtual ~CaptureDevice() = default;

    virtual std::string uniqueId() const = 0;
    virtual CaptureDeviceType deviceType() const = 0;
    virtual CaptureDevicePosition position() const = 0;
    virtual bool hasMediaType(const std::string& mediaType) const = 0;
    virtual CaptureFormat activeFormat() const = 0;

    // False when another client holds the device or it refuses configuration.
    virtual bool lockForConfiguration() = 0;
    virtual void unlockForConfiguration() = 0;
    virtual bool isFocusModeSupported(FocusMode mode) const = 0;
    virtual FocusMode focusMode() const = 0;
    // Applies a supported mode while locked; false (and nothing changes) otherwise.
    virtual bool setFocusMode(FocusMode mode) = 0;
};

}  // namespace arquorel
