#include "doctor_command.h"

#include <chrono>
#include <filesystem>
#include <ostream>

#include "SerialComm.h"
#include "event_loop.h"
#include "exit_codes.h"
#include "file_replace.h"
#include "iap_session.h"
#include "port_channel.h"
#include "port_error.h"
#include "port_names.h"
#include "port_problem_text.h"
#include "protocol.h"
#include "settings_choice.h"
#include "utf8_path.h"

namespace k5::cli {
namespace {

// What a session's first step does: one probe at the session's speed, then up
// to 0.5 s for the bootloader's 0x02 and 0xFD. Nothing else is sent.
bool BootloaderAnswersProbe(const std::string& device, const SettingsFile& settings) {
    serial::EventLoop loop;
    serial::TComm port(loop);
    port.SetCommName(device);
    port.SetBaudRate(SessionBaudRate(settings.GetBaudIndex()));
    bool first = false, second = false;
    port.OnReceiveData = [&](serial::TComm*, const std::uint8_t* bytes, std::uint16_t count) {
        for (std::uint16_t i = 0; i < count; ++i) {
            first = first || bytes[i] == protocol::kProbeReplyFirst;
            second = second || bytes[i] == protocol::kProbeReplySecond;
        }
    };
    try {
        port.OpenComm();
    } catch (const serial::ECommsError&) {
        return false;
    }
    port.WriteComm(&protocol::kProbe, 1);
    return loop.RunUntil([&] { return first && second; }, std::chrono::milliseconds(501));
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

    auto probe = std::make_unique<serial::PortChannel>(serial::NativeSerialPorts()->CreatePortIo());
    const int openError = probe->Open(device);
    if (openError != 0) {
        out << "open           FAILED: " << PortProblemText(openError, device) << "\n";
        return kExitPortUnavailable;
    }
    const int setupError = probe->SetupQueues(serial::kQueueSize, serial::kQueueSize);
    probe->Close();
    if (setupError != 0) {
        out << "open           FAILED: " << device << ": " << PortProblemText(setupError, device) << "\n";
        return kExitPortUnavailable;
    }
    if (!options.probe) {
        out << "open           ok: the port opens (nothing was sent; --probe asks for a bootloader)\n";
        return kExitOk;
    }
    out << "open           ok: the port opens\n";
    if (BootloaderAnswersProbe(device, settings)) {
        out << "probe          a bootloader answered (0x02 0xFD)\n";
        return kExitOk;
    }
    out << "probe          no answer within 0.5 s: no bootloader is listening. A controller running its\n"
           "               firmware does not answer probes; `k5-iap program` restarts it into its "
           "bootloader.\n";
    return kExitNoAnswer;
}

}  // namespace k5::cli
