#include "arquorel/platform/runtime/MainLoop.h"

#include "arquorel/platform/runtime/Clock.h"

namespace arquorel {

MainLoop::MainLoop(const Clock& clock) : clock_(clock) {}

void MainLoop::async(std::function<void()> work) {
    asyncAfter(0, std::move(work));
}

void MainLoop::asyncAfter(double delay, std::function<void()> work) {
    if (!work) return;
    if (!(delay > 0)) delay = 0;  // negative and NaN delays mean "now"
    queue_.push(Item{clock_.now() + delay, nextSeq_++, std::move(work)});
}

std::size_t MainLoop::runDue() {
    std::size_t ran = 0;
    const double dueBy = clock_.now() + kDueTolerance;
    while (!queue_.empty() && queue_.top().due <= dueBy) {
        auto work = std::move(const_cast<Item&>(queue_.top()).work);
        queue_.pop();
        work();
        ++ran;
    }
    return ran;
}

std::optional<double> MainLoop::nextDueTime() const {
    if (queue_.empty()) return std::nullopt;
    return queue_.top().due;
}

void MainLoop::clear() {
    // Destroying an item may release objects whose destructors queue more work.
    while (!queue_.empty()) {
        auto dropped = std::move(queue_);
        queue_ = {};
    }
}

}  // namespace arquorel
