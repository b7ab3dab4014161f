#pragma once
// A capture session: inputs (here, cameras) feeding a running picture that preview layers
// show. A session decides which inputs it can take; a backend refines that decision.

#include <memory>
#include <vector>

namespace arquorel {

class CaptureDevice;

class CaptureInput {
  public:
    virtual ~CaptureInput() = default;
};

// An input reading from one capture device. Made by the camera service, which refuses when
// the device cannot be opened.
class CaptureDeviceInput : public CaptureInput {
  public:
    explicit CaptureDeviceInput(std::shared_ptr<CaptureDevice> device)
        : device_(std::move(device)) {}
    const std::shared_ptr<CaptureDevice>& device() const { return device_; }

  private:
    std::shared_ptr<CaptureDevice> device_;
};

class CaptureSession {
  public:
    virtual ~CaptureSession() = default;

    // Whether `input` may be added: by default, any input not added yet.
    virtual bool canAddInput(const CaptureInput& input) const;
    // Adds the input when canAddInput() allows it; returns whether it was added.
    bool addInput(std::shared_ptr<CaptureInput> input);
    void removeInput(const CaptureInput& input);
    const std::vector<std::shared_ptr<CaptureInput>>& inputs() const { return inputs_; }

    virtual void startRunning() { running_ = true; }
    virtual void stopRunning() { running_ = false; }
    bool isRunning() const { return running_; }

  private:
    std::vector<std::shared_ptr<CaptureInput>> inputs_;
    bool running_ = false;
};

}  // namespace arquorel
