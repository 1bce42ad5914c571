// k5-sim: the simulated controller and the pack builder.
#include <CLI/CLI.hpp>

#include "k5_version.h"
#include "mkpack_command.h"
#include "simulate_command.h"

int main(int argc, char** argv) {
    CLI::App app{
        "Simulated K5 controller on a pseudo-terminal, and pack builder.\n"
        "Without a subcommand it prints its device path and plays the controller."};
    app.require_subcommand(0, 1);
    app.set_version_flag("--version", "k5-sim " K5_VERSION_TEXT);
    int status = 0;
    auto simulate = k5::sim::AddSimulateOptions(app);
    k5::sim::AddMkpackCommand(app, status);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : 64;
    }
    if (!app.get_subcommands().empty()) return status;  // a subcommand ran
    return k5::sim::RunSimulator(*simulate);
}
