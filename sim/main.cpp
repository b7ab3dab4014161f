// arquorel-sim: the demo host running ARQuorel on the simulated device.
#include <iostream>
#include <string>
#include <vector>

#include "sim/host/SimCli.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return arquorel::sim::runCli(args, std::cout, std::cerr);
}
