#pragma once
// Wall time as seconds since 1970.

namespace arquorel {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
};

// The machine's real-time clock.
class SystemClock final : public Clock {
  public:
    double now() const override;
};

}  // namespace arquorel
