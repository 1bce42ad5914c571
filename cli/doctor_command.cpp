#include "doctor_command.h"

#include <chrono>
#include <filesystem>
#include <ostream>
#include <sstream>

#include "SerialComm.h"
#include "comm_session_port.h"
#include "device_names.h"
#include "event_loop.h"
#include "exit_codes.h"
#include "file_replace.h"
#include "iap_session.h"
#include "port_error.h"
#include "port_names.h"
#include "port_problem_text.h"
#include "protocol.h"
#include "settings_choice.h"
#include "utf8_path.h"

namespace k5::cli {
namespace {

// Logs nothing: the doctor says what the probe found in its own words.
class SilentView : public SessionView {
  public:
    void AddLog(const std::string&) override {}
    void ShowProgress(bool) override {}
    void SetProgressMax(std::uint32_t) override {}
    void SetProgressPosition(std::uint32_t) override {}
};

// The session's own connect step on `name`: nothing but probes is sent.
SessionOutcome ProbeForBootloader(serial::EventLoop& loop, CommSessionPort& port, const std::string& name,
                                  const SettingsFile& settings) {
    const PackStore noPack;
    SilentView view;
    IapSession session(port, noPack, settings, view);
    session.SetPortNameOverride(name);
    session.SetFinishedCallback([&loop] { loop.Wake(); });
    if (!session.BeginProbe()) return SessionOutcome::InternalError;
    loop.RunUntil([&session] { return !session.Running(); }, std::chrono::minutes(1));
    session.WaitUntilIdle(std::chrono::minutes(1));
    return session.LastOutcome();
}

// What an adapter's latency timer costs: each answer of a full image's session
// (the probe reply, the header's and every block's acknowledgement, the verdict)
// may be held back that long.
std::string LatencyText(int ms) {
    const int answers = static_cast<int>(kMaxImageLength / protocol::kAckEvery) + 3;
    std::ostringstream text;
    text.precision(2);
    text << ms << " ms: the adapter may hold each reply back this long, up to " << answers * ms / 1000.0
         << " s over a full image";
    if (ms > 1) text << "; fast mode asks the driver for 1 ms";
    return text.str();
}

std::string ProbeTimeText() {
    const auto window = std::chrono::duration<double>(kProbeWindow * kProbeWindows).count();
    std::ostringstream text;
    text << window << " s";
    return text.str();
}

}  // namespace

int RunDoctor(const DoctorOptions& options, std::ostream& out, std::ostream& err) {
    const SettingsFile settings = ChosenSettings(options.settings);
    std::error_code ec;
    const auto& path = settings.Path();
    const bool exists = std::filesystem::exists(path, ec);
    // As the settings file judges it: no write bits is read-only, even for root.
    platform::FileKeep keep;
    const bool writable = platform::CheckReplaceable(path, keep) == 0;
    const int readError = settings.ReadError();
    out << "settings file  " << Utf8FromPath(path) << " (";
    if (!exists) {
        out << "not there yet: COM1 is used; Save in the desktop program's Uart > Uart Port creates it,"
               " or write it by hand";
    } else if (readError != 0) {
        out << SettingsProblemText(readError) << ": its values are not read, so COM1 is used, and Save"
            << " cannot write it";
    } else {
        out << (writable ? "writable" : "read-only");
    }
    out << ")\n";

    if (options.port.empty()) WarnAboutUnusablePort(settings, err);
    const std::string name =
        options.port.empty() ? "COM" + std::to_string(settings.GetUartPort()) : options.port;
    const std::string device = ResolvePortName(name, settings);
    out << "port           " << name << (options.port.empty() ? " (Port in [Uart])" : "") << " -> " << device
        << (settings.ReadString("Devices", name).value_or("").empty() ? "" : " ([Devices])") << "\n";

    if (const auto latency = platform::AdapterLatencyTimerMs(device)) {
        out << "latency timer  " << LatencyText(*latency) << "\n";
    }

    serial::EventLoop loop;
    CommSessionPort port(loop, settings);
    serial::TComm& comm = port.Comm();
    comm.SetCommName(name);
    comm.SetBaudRate(SessionBaudRate(settings.GetBaudIndex()));
    try {
        comm.OpenComm();
    } catch (const serial::ECommsError& e) {
        const bool setupFailed = std::string(e.what()) == serial::comm_message::kQueueSetupFailed;
        out << "open           FAILED: " << (setupFailed ? device + ": " : "")
            << PortProblemText(e.OsError(), device) << "\n";
        return kExitPortUnavailable;
    }
    comm.CloseComm();
    if (!options.probe) {
        out << "open           ok: the port opens (nothing was sent; --probe asks for a bootloader)\n";
        return kExitOk;
    }
    out << "open           ok: the port opens\n";
    const SessionOutcome probe = ProbeForBootloader(loop, port, name, settings);
    if (probe == SessionOutcome::Answered) {
        out << "probe          a bootloader answered (0x02 0xFD)\n";
        return kExitOk;
    }
    if (probe == SessionOutcome::PortError) {
        out << "probe          FAILED: the port no longer opens\n";
        return kExitPortUnavailable;
    }
    out << "probe          no answer within " << ProbeTimeText()
        << ": no bootloader is listening. A controller running its\n"
           "               firmware does not answer probes; `k5-iap program` restarts it into its "
           "bootloader.\n";
    return kExitNoAnswer;
}

}  // namespace k5::cli
