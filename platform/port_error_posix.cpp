#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "port_error.h"
#include "text_mark.h"

namespace k5::platform {

const char* const kPermissionAdvice =
    N_("add yourself to the dialout group (sudo usermod -aG dialout $USER) and log in again");

PortErrorKind KindOfPortError(int osError) {
    switch (osError) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return PortErrorKind::Missing;
        case EBUSY:
            return PortErrorKind::InUse;
        case EACCES:
        case EPERM:
            return PortErrorKind::NoPermission;
        case ENOTTY:
            return PortErrorKind::NotASerialPort;
        default:
            return PortErrorKind::Other;
    }
}

std::string OsErrorText(int osError) { return std::strerror(osError); }

std::string InUseAdvice(const std::string& device) { return FillIn(N_("fuser -v %1 shows which"), {device}); }

std::string PermissionAdvice(const std::string& device) {
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0) return kPermissionAdvice;
    std::vector<char> buffer(16384);
    if ((info.st_mode & 060) == 060 && info.st_gid != 0) {
        struct group entry {};
        struct group* found = nullptr;
        ::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found);
        const std::string group = found ? found->gr_name : std::to_string(info.st_gid);
        return FillIn(N_("add yourself to the %1 group (sudo usermod -aG %1 $USER) and log in again"),
                      {group});
    }
    struct passwd entry {};
    struct passwd* found = nullptr;
    ::getpwuid_r(info.st_uid, &entry, buffer.data(), buffer.size(), &found);
    const std::string owner = found ? found->pw_name : std::to_string(info.st_uid);
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
    return FillIn(
        N_("only %1 may open it (mode %2), so joining a group does not help: run as %1, or give the "
           "device a group that may read and write it (a udev rule)"),
        {owner, mode});
}

}  // namespace k5::platform
