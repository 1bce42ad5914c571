// k5-sim: the simulated controller and the pack builder.
#include <CLI/CLI.hpp>

#include "mkpack_command.h"

int main(int argc, char** argv) {
    CLI::App app{"K5 controller simulator and pack builder"};
    app.require_subcommand(1);
    int status = 0;
    k5::sim::AddMkpackCommand(app, status);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : 64;
    }
    return status;
}
