#include "program_command.h"

#include <atomic>
#include <cctype>
#include <memory>
#include <ostream>

#include "cli_session_view.h"
#include "comm_session_port.h"
#include "event_loop.h"
#include "exit_codes.h"
#include "iap_session.h"
#include "json_writer.h"
#include "k5_version.h"
#include "line_speed_names.h"
#include "machine.h"
#include "message_text.h"
#include "pack_loading.h"
#include "port_listing.h"
#include "port_names.h"
#include "port_problem_text.h"
#include "session_advice.h"
#include "settings_choice.h"
#include "stop_signals.h"
#include "utf8_path.h"

namespace k5::cli {
namespace {

int ExitCodeFor(SessionOutcome outcome) {
    switch (outcome) {
        case SessionOutcome::Programmed:
            return kExitOk;
        case SessionOutcome::PortError:
            return kExitPortUnavailable;
        case SessionOutcome::Stopped:
            return kExitInterrupted;
        default:
            return kExitSessionFailed;
    }
}

// A sentence as a note after "k5-iap: " begins: in lower case.
std::string AsNote(std::string sentence) {
    if (!sentence.empty())
        sentence[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(sentence[0])));
    return sentence;
}

}  // namespace

void ApplySpeedOption(const std::string& speed, TransferMode& mode) {
    if (!speed.empty()) ApplySpeedName(speed, mode);
}

std::vector<std::string> SpeedOptionValues() {
    std::vector<std::string> values{"auto"};
    const std::vector<int> fastestFirst = FastestFirst();
    for (auto index = fastestFirst.rbegin(); index != fastestFirst.rend(); ++index)
        values.push_back(std::to_string(SessionBaudRate(*index)));
    return values;
}

std::string SpeedOptionHelp() {
    return "Line speed: auto (" + SpeedList() +
           ", the first a bootloader answers at) or a fixed one; default " +
           std::to_string(SessionBaudRate(0));
}

std::string ToolDescription(const std::string& program) {
    return program + " " + K5_VERSION_TEXT + " " + platform::SystemName();
}

int RunProgram(const ProgramOptions& options, std::ostream& out, std::ostream& err, bool interactive) {
    const SettingsFile settings = ChosenSettings(options.settings);
    PackStore pack;
    if (const auto refused =
            LoadPackToProgram(pack, options.pack, options.anyProduct, options.json, out, err)) {
        return *refused;
    }

    if (options.port.empty()) WarnAboutUnusablePort(settings, err);

    serial::EventLoop loop;
    CliSessionView view(out, err, options.json, interactive && !options.json,
                        SessionBaudRate(settings.GetBaudIndex()) / 10);
    CommSessionPort port(loop, settings);
    IapSession session(port, pack, settings, view);
    if (!options.port.empty()) session.SetPortNameOverride(options.port);
    TransferMode mode = settings.GetTransferMode();
    if (options.fast) mode.fast = *options.fast;
    if (options.ackGuardMs) mode.ackGuard = std::chrono::milliseconds(*options.ackGuardMs);
    ApplySpeedOption(options.speed, mode);
    session.SetTransferMode(mode);
    port.OnHungUp = [&view](const std::string& device) { view.Note(PortHungUpText(device)); };
    session.SetFinishedCallback([&loop] { loop.Wake(); });
    std::shared_ptr<WireTrace> trace;
    if (!options.trace.empty()) {
        trace = std::make_shared<WireTrace>(PathFromUtf8(options.trace), ToolDescription("k5-iap"),
                                            options.traceData);
        if (trace->Failed()) {
            const std::string why = options.trace + ": " + WireTraceProblemText(*trace);
            err << "k5-iap: cannot write the trace " << why << "\n";
            if (options.json) out << JsonResult("Cannot write the trace", kExitUsage, why) << std::endl;
            return kExitUsage;
        }
        session.SetTrace(trace);
    }

    bool interrupted = false;
    {
        StopSignals stopper([&session] { session.RequestStop(); });
        if (!session.BeginSession()) {
            err << "k5-iap: a session is already running\n";
            return kExitSessionFailed;
        }
        loop.RunUntil([&session] { return !session.Running(); }, std::chrono::hours(24));
        interrupted = stopper.Caught();
    }
    loop.RunPending();

    const SessionOutcome outcome = session.LastOutcome();
    const int code = interrupted ? kExitInterrupted : ExitCodeFor(outcome);
    std::string error;
    if (outcome == SessionOutcome::PortError && !session.FailedDevice().empty()) {
        const int osError = session.FailedDeviceError();
        error = "cannot open " + session.FailedDevice() +
                (osError ? ": " + PortProblemText(osError, session.FailedDevice()) : "");
        view.Note(error);
    }
    if (outcome == SessionOutcome::ConnectFail) {
        const std::string name = options.port.empty() ? SettingsPortName(settings) : options.port;
        view.Note(AsNote(NothingAnsweredText(name, ResolvePortName(name, settings), ListPortChoices(settings),
                                             kFindPortCommand)));
    }
    if (FirmwareLeftIncomplete(outcome, session.LastStep())) view.Note(AsNote(kFirmwareIncompleteText));
    if (interrupted) view.Note("stopped; the port is closed");
    std::string warning;
    if (trace && trace->Error() != 0) {
        // The update's result stands; what the trace lacks is said.
        warning = "the trace " + options.trace + " is incomplete: " + WireTraceProblemText(*trace);
        view.Note(warning);
    }
    view.Result(SessionOutcomeText(outcome), code, error, warning);
    return code;
}

}  // namespace k5::cli
