// k5-sim without a subcommand: the simulated controller on a pseudo-terminal.
#pragma once

#include <CLI/CLI.hpp>

namespace k5::sim {

// Adds the simulator's options to `app`; RunSimulator runs with what was parsed.
struct SimulateCommand;
std::shared_ptr<SimulateCommand> AddSimulateOptions(CLI::App& app);
int RunSimulator(const SimulateCommand& command);

}  // namespace k5::sim
