// k5-iap: the command-line programmer.
#include <CLI/CLI.hpp>
#include <iostream>

#include "exit_codes.h"
#include "info_command.h"
#include "p_HexConvertFun.h"

int main(int argc, char** argv) {
    CLI::App app{"K5 controller firmware programmer"};
    app.require_subcommand(1);

    k5::cli::InfoOptions info;
    auto* infoCmd = app.add_subcommand("info", "Check an update pack and show its header");
    infoCmd->add_flag("--json", info.json, "Print one JSON object");
    infoCmd->add_option("PACK", info.pack, "Update pack (*.Pack)")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? k5::cli::kExitOk : k5::cli::kExitUsage;
    }
    if (*infoCmd) return k5::cli::RunInfo(info, k5::ProcessPack(), std::cout, std::cerr);
    return k5::cli::kExitUsage;
}
