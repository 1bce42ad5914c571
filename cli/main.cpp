// k5-iap: the command-line programmer.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "console.h"
#include "doctor_command.h"
#include "exit_codes.h"
#include "info_command.h"
#include "json_writer.h"
#include "k5_version.h"
#include "p_HexConvertFun.h"
#include "ports_command.h"
#include "program_command.h"
#include "serial_ports.h"
#include "settings_choice.h"
#include "station_command.h"
#include "stop_signals.h"
#include "transfer_mode.h"

int main(int argc, char** argv) {
    k5::IgnoreClosedOutput();
    k5::platform::PrepareConsole();
    std::vector<std::string> arguments = k5::platform::CommandLineArguments(argc, argv);
    std::vector<char*> utf8Argv;
    for (auto& argument : arguments) utf8Argv.push_back(argument.data());
    argc = static_cast<int>(utf8Argv.size());
    argv = utf8Argv.data();
    CLI::App app{"K5 controller firmware programmer"};
    // Options are the "--" ones on every platform: on Windows "/packs/fw.Pack" is a path.
    app.allow_windows_style_options(false);
    app.require_subcommand(1);
    app.set_version_flag("--version", "k5-iap " K5_VERSION_TEXT);

    k5::cli::InfoOptions info;
    auto* infoCmd = app.add_subcommand("info", "Check an update pack and show its header");
    infoCmd->add_flag("--json", info.json, "Print one JSON object");
    infoCmd->add_option("PACK", info.pack, "Update pack (*.Pack)")->required();

    k5::cli::ProgramOptions program;
    auto* programCmd = app.add_subcommand("program", "Program the controller with an update pack");
    programCmd->add_option("--port", program.port,
                           "Port name (COMn) or device path; default COM<Port> of the settings");
    programCmd->add_option("--settings", program.settings,
                           "Settings file (default eBikeSet.ini beside the program)");
    programCmd->add_flag("--json", program.json, "Print one JSON object per line");
    programCmd->add_flag("--any-product", program.anyProduct, "Program a pack made for another product");
    programCmd->add_flag_callback(
        "--fast", [&program] { program.fast = true; },
        "Fast transfer: answers seen at once, a short guard after each acknowledgement");
    programCmd->add_flag_callback(
        "--no-fast", [&program] { program.fast = false; },
        "The standard timing, whatever FastTransfer in the settings says");
    programCmd
        ->add_option_function<int>(
            "--ack-guard", [&program](const int& ms) { program.ackGuardMs = ms; },
            "Fast transfer's pause after each acknowledgement, in ms (default 5, or AckGuard of the "
            "settings)")
        ->check(CLI::Range(0, static_cast<int>(k5::kLargestAckGuard.count())));
    const auto speeds = CLI::IsMember(k5::cli::SpeedOptionValues());
    programCmd->add_option("--speed", program.speed, k5::cli::SpeedOptionHelp())->check(speeds);
    programCmd->add_option("--trace", program.trace,
                           "Write the session's wire trace (bytes, times, steps, log lines) to this file");
    programCmd->add_flag("--trace-data", program.traceData,
                         "With --trace: the image's bytes too (by default each chunk's index only)");
    programCmd->add_option("PACK", program.pack, "Update pack (*.Pack)")->required();

    std::string portsSettings;
    auto* portsCmd = app.add_subcommand("ports", "List COM1 to COM9 and the serial devices present");
    portsCmd->add_option("--settings", portsSettings,
                         "Settings file (default eBikeSet.ini beside the program)");

    k5::cli::DoctorOptions doctor;
    auto* doctorCmd = app.add_subcommand("doctor", "Check the settings file and that the port can be opened");
    doctorCmd->add_option("--port", doctor.port, "Port name (COMn) or device path to check");
    doctorCmd->add_flag("--probe", doctor.probe,
                        "Run a session's first step (probes only) and report whether a bootloader answers");
    doctorCmd->add_option("--settings", doctor.settings,
                          "Settings file (default eBikeSet.ini beside the program)");

    k5::cli::StationCommandOptions station;
    auto* stationCmd = app.add_subcommand(
        "station", "Update controller after controller, on one or more ports, with a record");
    auto* packOrSetup = stationCmd->add_option_group("pack or set-up");
    packOrSetup->add_option("--pack", station.pack, "Update pack (*.Pack)");
    CLI::Option* setupOption = packOrSetup->add_option(
        "--setup", station.setup,
        "Station set-up file (*.k5station): its pack (refused when its SHA-256 is not the "
        "set-up's), ports, record, fast mode, speed, label rule and work order");
    packOrSetup->require_option(1);
    // What a set-up fixes is not given beside it.
    std::vector<CLI::Option*> fixedBySetup;
    fixedBySetup.push_back(stationCmd->add_option(
        "--port", station.ports,
        "Port name (COMn) or device path; repeat for more ports; default COM<Port> of the settings"));
    fixedBySetup.push_back(
        stationCmd->add_option("--record", station.record,
                               "Append a line per update to FILE (CSV; JSON Lines when it ends in .jsonl)"));
    stationCmd->add_option("--count", station.count, "End after N good updates (without it: no end)")
        ->check(CLI::PositiveNumber);
    fixedBySetup.push_back(
        stationCmd->add_flag("--fast", station.fast, "Fast transfer (see program --fast)"));
    fixedBySetup.push_back(
        stationCmd->add_option("--speed", station.speed, "Line speed (see program --speed)")->check(speeds));
    fixedBySetup.push_back(stationCmd->add_flag(
        "--label-required", station.labelRequired,
        "Start an update only on a port given the controller's label (N LABEL then Enter)"));
    fixedBySetup.push_back(
        stationCmd->add_option("--work-order", station.workOrder, "Work order, into each record line"));
    stationCmd->add_option("--operator", station.operatorName, "Operator's name, into each record line");
    stationCmd->add_flag("--no-auto", station.noAuto,
                         "No probing: sessions start only when Enter is pressed");
    stationCmd->add_flag("--json", station.json, "Print one JSON object per line");
    stationCmd->add_flag("--any-product", station.anyProduct, "Program a pack made for another product");
    stationCmd->add_option("--settings", station.settings,
                           "Settings file (default eBikeSet.ini beside the program)");
    for (CLI::Option* fixed : fixedBySetup) fixed->excludes(setupOption);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        if (code == 0) return k5::cli::kExitOk;
        // A program that asked for JSON gets its result line on every way out.
        if (std::any_of(argv + 1, argv + argc,
                        [](const char* arg) { return std::string_view(arg) == "--json"; })) {
            std::cout << k5::JsonResult("Wrong usage", k5::cli::kExitUsage, e.what()) << std::endl;
        }
        return k5::cli::kExitUsage;
    }
    if (*infoCmd) {
        k5::PackStore pack;
        return k5::cli::RunInfo(info, pack, std::cout, std::cerr);
    }
    if (*programCmd)
        return k5::cli::RunProgram(program, std::cout, std::cerr, k5::platform::StderrIsTerminal());
    if (*doctorCmd) return k5::cli::RunDoctor(doctor, std::cout, std::cerr);
    if (*stationCmd) {
        return k5::cli::RunStation(station, std::cin, std::cout, std::cerr, k5::platform::StdoutIsTerminal());
    }
    if (*portsCmd) {
        const k5::SettingsFile settings = k5::cli::ChosenSettings(portsSettings);
        k5::cli::PrintPorts(std::cout, settings, k5::PathExists, k5::platform::ListSerialDevices());
        return k5::cli::kExitOk;
    }
    return k5::cli::kExitUsage;
}
