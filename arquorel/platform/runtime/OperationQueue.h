#pragma once
// A queue for work that the platform runs off the main thread. Results go back to the main
// loop with MainLoop::async. This build runs operations on the main loop in submission order,
// which keeps every run deterministic.

#include <functional>

namespace arquorel {

class MainLoop;

class OperationQueue {
  public:
    explicit OperationQueue(MainLoop& loop) : loop_(loop) {}
    void addOperation(std::function<void()> work);

  private:
    MainLoop& loop_;
};

}  // namespace arquorel
