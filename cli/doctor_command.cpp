#include "doctor_command.h"

#include <filesystem>
#include <ostream>

#include "exit_codes.h"
#include "file_replace.h"
#include "port_channel.h"
#include "port_error.h"
#include "port_names.h"
#include "settings_choice.h"
#include "utf8_path.h"

namespace k5::cli {
namespace {

std::string Advice(int osError) {
    switch (platform::KindOfPortError(osError)) {
        case platform::PortErrorKind::Missing:
            return "no such device: is the adapter plugged in? `k5-iap ports` lists what is there";
        case platform::PortErrorKind::NoPermission:
            return "permission denied: " + std::string(platform::kPermissionAdvice);
        case platform::PortErrorKind::InUse:
            return "in use by another program: close it (" + std::string(platform::kInUseAdvice) + ")";
        case platform::PortErrorKind::NotASerialPort:
            return "not a serial port";
        default:
            return platform::OsErrorText(osError);
    }
}

}  // namespace

int RunDoctor(const DoctorOptions& options, std::ostream& out, std::ostream& err) {
    const SettingsFile settings = ChosenSettings(options.settings);
    std::error_code ec;
    const auto& path = settings.Path();
    const bool exists = std::filesystem::exists(path, ec);
    // As the settings file judges it: no write bits is read-only, even for root.
    unsigned mode = 0;
    const bool writable = platform::CheckReplaceable(path, mode) == 0;
    out << "settings file  " << Utf8FromPath(path) << " ("
        << (exists ? (writable ? "writable" : "read-only") : "not there yet; Save creates it") << ")\n";

    if (options.port.empty()) WarnAboutUnusablePort(settings, err);
    const std::string name =
        options.port.empty() ? "COM" + std::to_string(settings.GetUartPort()) : options.port;
    const std::string device = ResolvePortName(name, settings);
    out << "port           " << name << (options.port.empty() ? " (Port in [Uart])" : "") << " -> " << device
        << (settings.ReadString("Devices", name) ? " ([Devices])" : "") << "\n";

    auto probe = serial::NativePortBackend()->CreateChannel();
    const int openError = probe->Open(device);
    if (openError != 0) {
        out << "open           FAILED: " << Advice(openError) << "\n";
        return kExitPortUnavailable;
    }
    const int setupError = probe->SetupQueues(serial::kQueueSize, serial::kQueueSize);
    probe->Close();
    if (setupError != 0) {
        out << "open           FAILED: " << device << " is not a serial port\n";
        return kExitPortUnavailable;
    }
    out << "open           ok: the port can be opened for a session\n";
    return kExitOk;
}

}  // namespace k5::cli
