#include "arquorel/platform/runtime/Clock.h"

#include <chrono>

namespace arquorel {

double SystemClock::now() const {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

}  // namespace arquorel
