#include "sim/host/SimCli.h"

namespace arquorel::sim {

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    (void)out;
    if (args.empty()) {
        err << "usage: arquorel-sim <command> [options]\n";
        return 2;
    }
    err << "unknown command: " << args.front() << "\n";
    return 2;
}

}  // namespace arquorel::sim
