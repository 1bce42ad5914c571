#include "settings_file.h"

#include <SimpleIni.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <system_error>

namespace k5 {
namespace {

constexpr const char* kUartSection = "Uart";
constexpr const char* kPortKey = "Port";
constexpr const char* kBaudRateKey = "BaudRate";
constexpr int kDefaultPort = 1;

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Loads the file when it exists. A missing file is an empty document.
bool LoadDocument(CSimpleIniA& ini, const std::filesystem::path& path) {
    ini.SetUnicode(false);
    ini.SetMultiKey(false);
    return ini.LoadFile(path.c_str()) >= 0;
}

}  // namespace

ESettingsWriteError::ESettingsWriteError(const std::filesystem::path& path, int osError)
    : std::runtime_error("Unable to write to " + std::filesystem::absolute(path).string()),
      osError_(osError) {}

SettingsFile::SettingsFile(std::filesystem::path path) : path_(std::move(path)) {}

std::optional<int> ParseSettingsInteger(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::uint32_t value = 0;
        auto digits = text.substr(2);
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
        return static_cast<int>(value);
    }
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    if (text.empty() || text[0] == '+') return std::nullopt;
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<std::string> SettingsFile::ReadString(const std::string& section,
                                                    const std::string& key) const {
    CSimpleIniA ini;
    if (!LoadDocument(ini, path_)) return std::nullopt;
    const char* value = ini.GetValue(section.c_str(), key.c_str(), nullptr);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

void SettingsFile::WriteString(const std::string& section, const std::string& key,
                               const std::string& value) const {
    std::error_code ec;
    // Replace the file a link points to, not the link.
    std::filesystem::path target = std::filesystem::weakly_canonical(path_, ec);
    if (ec) target = path_;

    struct stat info {};
    const bool exists = ::stat(target.c_str(), &info) == 0;
    mode_t mode = 0644;
    if (exists) {
        // Root may write anything: the mode bits say whether the user meant it read-only.
        if (!S_ISREG(info.st_mode) || (info.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) {
            throw ESettingsWriteError(path_, S_ISREG(info.st_mode) ? EACCES : EISDIR);
        }
        mode = info.st_mode & 07777;
    }

    if (!exists && target.has_parent_path()) {
        std::filesystem::create_directories(target.parent_path(), ec);
    }

    CSimpleIniA ini;
    if (exists && !LoadDocument(ini, target)) throw ESettingsWriteError(path_, errno);
    ini.SetValue(section.c_str(), key.c_str(), value.c_str());
    std::string text;
    if (ini.Save(text) < 0) throw ESettingsWriteError(path_, EIO);

    std::string tempName = target.string() + ".XXXXXX";
    int fd = ::mkstemp(tempName.data());
    if (fd < 0) throw ESettingsWriteError(path_, errno);
    const bool written = ::fchmod(fd, mode) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        ::unlink(tempName.c_str());
        throw ESettingsWriteError(path_, written ? errno : writeError);
    }
    if (::rename(tempName.c_str(), target.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(tempName.c_str());
        throw ESettingsWriteError(path_, renameError);
    }
}

int SettingsFile::GetUartPort() const {
    auto text = ReadString(kUartSection, kPortKey);
    if (!text) return kDefaultPort;
    return ParseSettingsInteger(*text).value_or(kDefaultPort);
}

void SettingsFile::SetUartPort(int port) const { WriteString(kUartSection, kPortKey, std::to_string(port)); }

int SettingsFile::GetBaudIndex() const { return 0; }

void SettingsFile::SetBaudIndex(int baudIndex) const {
    WriteString(kUartSection, kBaudRateKey, std::to_string(baudIndex));
}

std::filesystem::path ExecutableDirectory() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec);
    return exe.parent_path();
}

std::filesystem::path DefaultSettingsPath() {
    const auto besideExe = ExecutableDirectory() / kSettingsFileName;
    std::error_code ec;
    if (std::filesystem::exists(besideExe, ec) || ::access(besideExe.parent_path().c_str(), W_OK) == 0) {
        return besideExe;
    }
    std::filesystem::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        config = std::filesystem::path(home) / ".config";
    } else {
        return besideExe;
    }
    return config / "k5-iap-tool" / kSettingsFileName;
}

}  // namespace k5
