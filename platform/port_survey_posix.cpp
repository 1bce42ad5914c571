#include "port_survey.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "serial_ports_posix.h"

namespace k5::platform {
namespace {

namespace fs = std::filesystem;

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

bool AllDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// brltty's rules name the CH340/CH341 as ENV{PRODUCT}=="1a86/7523/*" (or by idVendor and idProduct).
bool ClaimsCh340(const fs::path& rules) {
    std::ifstream in(rules);
    for (std::string line; std::getline(in, line);) {
        const auto comment = line.find_first_not_of(" \t");
        if (comment != std::string::npos && line[comment] == '#') continue;
        if (line.find("1a86/7523") != std::string::npos) return true;
        if (line.find("\"1a86\"") != std::string::npos && line.find("\"7523\"") != std::string::npos)
            return true;
    }
    return false;
}

}  // namespace

std::vector<PortHolder> FindPortHolders(const std::string& device, const std::string& proc) {
    std::vector<PortHolder> holders;
    std::error_code ec;
    const fs::path real = fs::canonical(device, ec);
    if (real.empty()) return holders;
    const std::string self = std::to_string(::getpid());
    for (const auto& entry : fs::directory_iterator(proc, ec)) {
        const std::string pid = entry.path().filename().string();
        if (!AllDigits(pid) || pid == self) continue;
        std::error_code fdError;
        for (const auto& fd : fs::directory_iterator(entry.path() / "fd", fdError)) {
            std::error_code linkError;
            if (fs::read_symlink(fd.path(), linkError) == real) {
                holders.push_back({std::stol(pid), FirstLine(entry.path() / "comm")});
                break;
            }
        }
    }
    return holders;
}

PortSurvey SurveyPort(const std::string& device, const SurveyRoots& roots) {
    PortSurvey survey;
    std::error_code ec;
    const fs::path real = fs::canonical(device, ec);
    for (const auto& entry : fs::directory_iterator(roots.proc, ec)) {
        const std::string pid = entry.path().filename().string();
        if (AllDigits(pid) && FirstLine(entry.path() / "comm") == "ModemManager")
            survey.modemManagerRunning = true;
    }
    survey.holders = FindPortHolders(device, roots.proc);

    struct stat info {};
    if (::stat(device.c_str(), &info) == 0 && S_ISCHR(info.st_mode)) {
        std::ifstream data(
            fs::path(roots.run) / "udev" / "data" /
            ("c" + std::to_string(major(info.st_rdev)) + ":" + std::to_string(minor(info.st_rdev))));
        for (std::string line; std::getline(data, line);) {
            if (line == "E:ID_MM_DEVICE_IGNORE=1") survey.modemManagerIgnores = true;
        }
    }

    for (const auto& info : ListSerialDevicesUnder(fs::path(roots.sys) / "class" / "tty")) {
        if (info.device == device || (!real.empty() && fs::path(info.device) == real)) survey.listed = info;
    }

    for (const auto& folder : roots.udevRules) {
        for (const auto& entry : fs::directory_iterator(folder, ec)) {
            const std::string name = entry.path().filename().string();
            if (name.find("brltty") != std::string::npos && ClaimsCh340(entry.path()))
                survey.brlttyCh340Rules.push_back(entry.path().string());
        }
    }
    return survey;
}

}  // namespace k5::platform
