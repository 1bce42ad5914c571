#include "simulate_command.h"

#include <cerrno>
#include <filesystem>
#include <iostream>
#include <optional>

#include "controller_sim.h"
#include "file_replace.h"
#include "p_HexConvertFun.h"
#include "pack_builder.h"
#include "port_error.h"
#include "replay_script.h"
#include "stop_signals.h"

namespace k5::sim {

struct SimulateCommand {
    SimOptions options;
    std::string link;
    std::string pack;
    std::string dump;
    std::string splitProbe;
    std::string replay;
    bool once = false;
    bool quiet = false;
    bool noPace = false;
    double idleExitSeconds = 5.0;
};

std::shared_ptr<SimulateCommand> AddSimulateOptions(CLI::App& app) {
    auto c = std::make_shared<SimulateCommand>();
    app.add_flag("--firmware", c->options.firmware,
                 "Start in the running firmware (needs the entry command)");
    app.add_option("--link", c->link, "Make PATH a symbolic link to the simulator's device");
    app.add_option("--replay", c->replay,
                   "Answer as the controller of this wire trace (k5-iap program --trace) answered")
        ->check(CLI::ExistingFile);
    app.add_flag("--no-pace", c->noPace, "Move bytes as fast as they come, not at the line's speed");
    app.add_flag("--once", c->once, "Exit after one session (or when the line stays quiet)");
    app.add_option("--idle-exit", c->idleExitSeconds, "With --once: seconds of silence that end the run");
    app.add_option("--pack", c->pack, "The pack being programmed, to check what arrives")
        ->check(CLI::ExistingFile);
    app.add_option("--dump", c->dump, "Write the decoded image received to FILE");
    app.add_flag("--quiet", c->quiet, "Print only the device path");
    app.add_option("--bootloader-baud", c->options.bootloaderBaud, "Speed the bootloader listens at");
    app.add_flag("--no-probe-answer", c->options.noProbeAnswer,
                 "Fault: the bootloader never answers a probe");
    app.add_option("--split-probe", c->splitProbe, "Fault: answer 0x02 and 0xFD apart (blocks|probes)")
        ->check(CLI::IsMember({"blocks", "probes"}));
    app.add_flag("--no-header-ack", c->options.noHeaderAck, "Fault: do not acknowledge the header");
    app.add_option("--ack-blocks", c->options.ackBlocks,
                   "Fault: acknowledge only the first N 1024-byte blocks");
    app.add_flag("--no-verdict", c->options.noVerdict, "Fault: never send the verdict");
    app.add_flag("--eot-with-acks", c->options.eotWithAcks,
                 "Fault: a stray 0x04 after every acknowledgement");
    app.add_flag("--noise", c->options.noise, "Fault: stray bytes before every answer");
    app.add_option("--flash-delay", c->options.flashDelayMs,
                   "Fault: milliseconds before each acknowledgement");
    app.add_option("--busy-after-ack", c->options.busyAfterAckMs,
                   "Fault: lose the bytes that arrive within MS after each acknowledgement (writing flash)");
    app.add_option("--unplug-after", c->options.unplugAfterBytes,
                   "Fault: pull the cable after N received bytes");
    return c;
}

int RunSimulator(const SimulateCommand& c) {
    SimOptions options = c.options;
    options.pace = !c.noPace;
    if (!c.replay.empty()) {
        std::string text;
        if (const int error = platform::ReadWholeFile(c.replay, text, kLargestWireTrace); error != 0) {
            std::cerr << "k5-sim: cannot read " << c.replay << ": "
                      << (error == EFBIG ? "larger than a trace can be (" +
                                               std::to_string(kLargestWireTrace >> 20) + " MiB)"
                                         : platform::OsErrorText(error))
                      << "\n";
            return 64;
        }
        const ParsedWireTrace trace = ParseWireTrace(text);
        if (trace.badLine != 0) {
            std::cerr << "k5-sim: " << c.replay << ": line " << trace.badLine
                      << (trace.badTime
                              ? " has a time more than " + std::to_string(kLongestTracedTime.count()) +
                                    " hours into the session, longer than any session lasts"
                              : std::string(" is not a wire trace line"))
                      << "; nothing is replayed\n";
            return 64;
        }
        if (trace.events.empty()) {
            std::cerr << "k5-sim: " << c.replay
                      << " is not a wire trace (k5-iap program --trace writes one)\n";
            return 64;
        }
        if (!trace.ended)
            std::cerr
                << "k5-sim: warning: " << c.replay
                << " is cut short (it has no end line): the controller's answers after it are missing\n";
        auto script = std::make_shared<const ReplayScript>(trace.events);
        if (script->AnswerCount() == 0)
            std::cerr << "k5-sim: " << c.replay << ": the controller answered nothing\n";
        if (!c.quiet && !script->Speeds().empty()) {
            std::cerr << "k5-sim: replaying at the trace's speeds:";
            for (const auto speed : script->Speeds()) std::cerr << " " << speed;
            std::cerr << " baud\n";
        }
        options.replay = std::move(script);
        options.pace = false;  // the traced delays include the line's own time
    }
    if (c.splitProbe == "blocks") options.probeReply = ProbeReply::SplitBlocks;
    if (c.splitProbe == "probes") options.probeReply = ProbeReply::SplitProbes;
    if (!c.pack.empty()) {
        PackStore store;
        try {
            if (!store.LoadPack(c.pack)) {
                std::cerr << "k5-sim: " << c.pack << ": " << kPackBrokenText << "\n";
                return 64;
            }
        } catch (const EInOutError& e) {
            std::cerr << "k5-sim: " << c.pack << ": " << e.what() << "\n";
            return 64;
        }
        options.expectedImage = std::make_shared<const std::vector<std::uint8_t>>(
            store.Image(), store.Image() + store.Header().ImageLength());
    }

    std::error_code ec;
    // Only a link (a previous run's) is replaced: a file or a folder there is the user's.
    if (!c.link.empty() && std::filesystem::exists(std::filesystem::symlink_status(c.link, ec)) &&
        !std::filesystem::is_symlink(std::filesystem::symlink_status(c.link, ec))) {
        std::cerr << "k5-sim: " << c.link << " exists and is not a symbolic link; choose another --link\n";
        return 64;
    }
    ControllerSim sim(options);
    // Caught from here on: a stop that comes right after the link is made still removes it.
    std::optional<StopSignals> stopper(std::in_place, [&sim] { sim.RequestStop(); });
    if (!c.quiet) sim.trace = [](const std::string& text) { std::cerr << "k5-sim: " << text << std::endl; };
    if (!c.link.empty()) {
        std::filesystem::remove(c.link, ec);
        std::filesystem::create_symlink(sim.DevicePath(), c.link, ec);
        if (ec) {
            std::cerr << "k5-sim: cannot link " << c.link << ": " << ec.message() << "\n";
            return 1;
        }
    }
    std::cout << sim.DevicePath() << std::endl;
    if (!c.quiet) {
        std::cerr << "k5-sim: " << (options.firmware ? "running firmware" : "bootloader listening") << " on "
                  << sim.DevicePath() << (c.link.empty() ? "" : " (" + c.link + ")") << std::endl;
    }
    sim.Run(c.once, std::chrono::milliseconds(static_cast<long>(c.idleExitSeconds * 1000)));
    stopper.reset();
    if (!c.link.empty() && std::filesystem::read_symlink(c.link, ec) == sim.DevicePath()) {
        std::filesystem::remove(c.link, ec);  // still ours
    }

    const SimReport report = sim.Report();
    if (!c.dump.empty() && !WriteFile(c.dump, report.image)) {
        std::cerr << "k5-sim: cannot write " << c.dump << "\n";
    }
    if (!c.quiet) {
        std::cerr << "k5-sim: " << report.sessions << " image(s) received"
                  << (report.sessions
                          ? (report.imageMatches ? ", the last matches" : ", the last does NOT match")
                          : "")
                  << std::endl;
    }
    return report.imageMatches ? 0 : 1;
}

}  // namespace k5::sim
