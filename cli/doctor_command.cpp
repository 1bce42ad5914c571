#include "doctor_command.h"

#include <chrono>
#include <filesystem>
#include <ostream>
#include <sstream>

#include "SerialComm.h"
#include "comm_session_port.h"
#include "device_names.h"
#include "driver_advisories.h"
#include "event_loop.h"
#include "exit_codes.h"
#include "file_replace.h"
#include "iap_session.h"
#include "port_error.h"
#include "port_names.h"
#include "port_problem_text.h"
#include "protocol.h"
#include "session_timing.h"
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

// What stands around the port and commonly breaks it, each with its fix.
void ReportSurroundings(const std::string& device, const platform::PortSurvey& survey, std::ostream& out) {
    const auto& listed = survey.listed;
    const bool usb = listed && !listed->vendorId.empty();
    if (usb) {
        out << "adapter        USB " << listed->vendorId << ":" << listed->productId;
        const std::string name =
            listed->manufacturer + (listed->manufacturer.empty() ? "" : " ") + listed->product;
        if (!name.empty()) out << " " << name;
        out << ", serial " << (listed->serial.empty() ? "none" : listed->serial);
        if (!listed->driver.empty()) out << " (driver " << listed->driver << ")";
        out << "\n";
    }
    if (listed && !listed->driverVersion.empty()) {
        out << "driver         " << listed->driver << ": " << listed->driverProvider << ", version "
            << listed->driverVersion << (listed->driverDate.empty() ? "" : " of " + listed->driverDate)
            << "\n";
        if (const auto* advisory = KnownToFail(*listed)) {
            out << "               KNOWN TO FAIL: " << advisory->problem << " (" << advisory->source << ")\n";
        }
    }
    for (const auto& holder : survey.holders) {
        out << "held by        process " << holder.pid << " (" << holder.command
            << ") has the port open: close that program first (`kill " << holder.pid << "` ends it)\n";
    }
    const std::string base = std::filesystem::path(device).filename().string();
    const bool modemLike = base.rfind("ttyACM", 0) == 0 || base.rfind("ttyUSB", 0) == 0;
    if (survey.modemManagerRunning && modemLike && !survey.modemManagerIgnores) {
        const std::string match = usb ? "ATTRS{idVendor}==\"" + listed->vendorId +
                                            "\", ATTRS{idProduct}==\"" + listed->productId + "\""
                                      : "KERNEL==\"" + base + "\"";
        out << "ModemManager   running, and not told to leave this port alone: it opens new ttyACM/ttyUSB\n"
               "               ports and sends them AT commands. To make it ignore the adapter, put this "
               "line\n"
               "               in /etc/udev/rules.d/99-k5-iap.rules (as root):\n"
               "                 "
            << match
            << ", ENV{ID_MM_DEVICE_IGNORE}=\"1\"\n"
               "               then run `udevadm control --reload` and plug the adapter in again\n";
    }
    const bool ch340 =
        listed && detail::SameId(listed->vendorId, "1a86") && detail::SameId(listed->productId, "7523");
    if (!survey.brlttyCh340Rules.empty() && (ch340 || !listed)) {
        out << "brltty         its rules take CH340/CH341 adapters (1a86:7523) for braille displays and\n"
               "               take the port away right after it appears ("
            << survey.brlttyCh340Rules.front()
            << ").\n"
               "               Without a braille display: `sudo apt remove brltty`; with one:\n"
               "               `sudo systemctl mask brltty-udev.service`, then plug the adapter in again\n";
    }
}

std::string ProbeTimeText() {
    const auto window = std::chrono::duration<double>(session_timing::kProbeWindow * kProbeWindows).count();
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
    const std::string name = options.port.empty() ? SettingsPortName(settings) : options.port;
    const std::string device = ResolvePortName(name, settings);
    out << "port           " << name << (options.port.empty() ? " (Port in [Uart])" : "") << " -> " << device
        << (settings.GetMappedDevice(name) ? " ([Devices])" : "") << "\n";

    ReportSurroundings(device, platform::SurveyPort(device, options.roots), out);
    if (const auto latency = platform::AdapterLatencyTimerMs(device, options.roots.sys)) {
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
