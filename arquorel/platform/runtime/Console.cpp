#include "arquorel/platform/runtime/Console.h"

#include <cstdio>

namespace arquorel {

void Console::writeLine(const std::string& line) {
    if (capturing_) {
        lines_.push_back(line);
        return;
    }
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void Console::startCapture() {
    capturing_ = true;
    lines_.clear();
}

void Console::stopCapture() {
    capturing_ = false;
}

}  // namespace arquorel
