#include "arquorel/platform/runtime/OperationQueue.h"

#include "arquorel/platform/runtime/MainLoop.h"

namespace arquorel {

void OperationQueue::addOperation(std::function<void()> work) {
    loop_.async(std::move(work));
}

}  // namespace arquorel
