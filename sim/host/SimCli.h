#pragma once
// The arquorel-sim command line: subcommands that run the component on the simulated device.

#include <ostream>
#include <string>
#include <vector>

namespace arquorel::sim {

// Runs one command; returns the process exit status (2 for usage and input errors).
int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace arquorel::sim
