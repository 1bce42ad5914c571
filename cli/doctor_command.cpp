#include "doctor_command.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>

#include "exit_codes.h"
#include "port_names.h"
#include "serial_device.h"
#include "settings_choice.h"

namespace k5::cli {
namespace {

std::string Advice(int err) {
    switch (err) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return "no such device: is the adapter plugged in? `k5-iap ports` lists what is there";
        case EACCES:
        case EPERM:
            return "permission denied: add yourself to the dialout group "
                   "(sudo usermod -aG dialout $USER) and log in again";
        case EBUSY:
            return "in use by another program: close it (fuser -v DEVICE shows which)";
        default:
            return std::strerror(err);
    }
}

}  // namespace

int RunDoctor(const DoctorOptions& options, std::ostream& out, std::ostream& err) {
    const SettingsFile settings = ChosenSettings(options.settings);
    std::error_code ec;
    const auto& path = settings.Path();
    const bool exists = std::filesystem::exists(path, ec);
    // As the settings file judges it: no write bits is read-only, even for root.
    using std::filesystem::perms;
    const auto writeBits = perms::owner_write | perms::group_write | perms::others_write;
    const bool writable = (std::filesystem::status(path, ec).permissions() & writeBits) != perms::none &&
                          ::access(path.c_str(), W_OK) == 0;
    out << "settings file  " << path.string() << " ("
        << (exists ? (writable ? "writable" : "read-only") : "not there yet; Save creates it") << ")\n";

    if (options.port.empty()) WarnAboutUnusablePort(settings, err);
    const std::string name =
        options.port.empty() ? "COM" + std::to_string(settings.GetUartPort()) : options.port;
    const std::string device = ResolvePortName(name, settings);
    out << "port           " << name << (options.port.empty() ? " (Port in [Uart])" : "") << " -> " << device
        << (settings.ReadString("Devices", name) ? " ([Devices])" : "") << "\n";

    auto probe = serial::PosixBackend()->CreateDevice();
    const int openError = probe->Open(device);
    if (openError != 0) {
        out << "open           FAILED: " << Advice(openError) << "\n";
        return kExitPortUnavailable;
    }
    const bool terminal = probe->SetupQueues(serial::kQueueSize, serial::kQueueSize);
    probe->Close();
    if (!terminal) {
        out << "open           FAILED: " << device << " is not a serial port\n";
        return kExitPortUnavailable;
    }
    out << "open           ok: the port can be opened for a session\n";
    return kExitOk;
}

}  // namespace k5::cli
