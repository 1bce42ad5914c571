#include "settings_file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <system_error>
#include <utility>

#include "file_replace.h"
#include "folders.h"
#include "message_text.h"
#include "port_error.h"
#include "profile_encoding.h"
#include "profile_text.h"
#include "translation.h"
#include "utf8_path.h"

namespace k5 {
namespace {

constexpr const char* kUartSection = "Uart";
constexpr const char* kPortKey = "Port";
constexpr const char* kBaudRateKey = "BaudRate";
constexpr const char* kFastTransferKey = "FastTransfer";
constexpr const char* kAckGuardKey = "AckGuard";
constexpr const char* kAutoSpeedKey = "AutoSpeed";
constexpr int kDefaultPort = 1;
constexpr const char* kDevicesSection = "Devices";
constexpr const char* kUiSection = "Ui";
constexpr const char* kLanguageKey = "Language";
constexpr const char* kStationSection = "Station";
constexpr const char* kStationPackKey = "Pack";
constexpr const char* kStationPackDigestKey = "PackSha256";
constexpr const char* kStationRecordKey = "Record";
constexpr const char* kStationPortsKey = "Ports";
// Between the ticked ports' names (no port name holds one).
constexpr char kPortSeparator = ';';

}  // namespace

std::vector<std::string> SplitPortNames(const std::string& text) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(kPortSeparator, start), text.size());
        if (end > start) names.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

std::string JoinPortNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        if (name.empty()) continue;
        if (!text.empty()) text += kPortSeparator;
        text += name;
    }
    return text;
}

ESettingsWriteError::ESettingsWriteError(const std::filesystem::path& path, int osError)
    : std::runtime_error(
          FillIn(N_("Unable to write to %1"), {Utf8FromPath(std::filesystem::absolute(path))})),
      osError_(osError) {}

ESettingsWriteError::ESettingsWriteError(const std::filesystem::path& path, std::string reason)
    : ESettingsWriteError(path, 0) {
    reason_ = std::move(reason);
}

std::string ESettingsWriteError::Reason() const {
    return reason_.empty() ? SettingsProblemText(osError_) : reason_;
}

std::string SettingsProblemText(int osError) {
    switch (osError) {
        case EFBIG:
            return FillIn(N_("the file is larger than %1 MiB, the most a settings file may be"),
                          {std::to_string(platform::kLargestReadableFile >> 20)});
        case EISDIR:
            return N_("it is a folder, not a file");
        case EINVAL:
            return N_("it is not a plain file (a FIFO or a device)");
        default:
            return platform::OsErrorText(osError);
    }
}

SettingsFile::SettingsFile(std::filesystem::path path) : path_(std::move(path)) {}

int SettingsFile::ReadError() const {
    std::string text;
    const int error = platform::ReadWholeFile(path_, text);
    return error == ENOENT ? 0 : error;
}

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
    std::string bytes;
    if (platform::ReadWholeFile(path_, bytes) != 0) return std::nullopt;
    return profile::ReadValue(profile::FileText::FromBytes(bytes).Text(), section, key);
}

std::vector<std::string> SettingsFile::ReadKeys(const std::string& section) const {
    std::string bytes;
    if (platform::ReadWholeFile(path_, bytes) != 0) return {};
    return profile::ReadKeys(profile::FileText::FromBytes(bytes).Text(), section);
}

void SettingsFile::RefuseUnwritable(const std::string& section, const std::string& key,
                                    const std::string& value) const {
    if (!profile::Writable(value)) {
        throw ESettingsWriteError(
            path_, FillIn(N_("the value of %1 in [%2] has a line break, which a settings file cannot hold"),
                          {key, section}));
    }
}

void SettingsFile::WriteString(const std::string& section, const std::string& key,
                               const std::string& value) const {
    WriteStrings(section, {{key, value}});
}

void SettingsFile::WriteStrings(const std::string& section,
                                const std::vector<std::pair<std::string, std::string>>& values) const {
    for (const auto& [key, value] : values) RefuseUnwritable(section, key, value);
    std::error_code ec;
    // Replace the file a link points to, not the link.
    std::filesystem::path target = std::filesystem::weakly_canonical(path_, ec);
    if (ec) target = path_;

    platform::FileKeep keep;
    const int replaceable = platform::CheckReplaceable(target, keep);
    if (replaceable != 0 && replaceable != ENOENT) throw ESettingsWriteError(path_, replaceable);
    if (replaceable == ENOENT && target.has_parent_path()) {
        std::filesystem::create_directories(target.parent_path(), ec);
    }

    // Another program may be saving too: read, edit and replace in one turn.
    const platform::FileEditLock lock(target);
    if (lock.Error() != 0) throw ESettingsWriteError(path_, lock.Error());
    std::string bytes;
    if (const int error = platform::ReadWholeFile(target, bytes); error != 0 && error != ENOENT) {
        throw ESettingsWriteError(path_, error);
    }
    const auto file = profile::FileText::FromBytes(bytes);
    std::string text = file.Text();
    for (const auto& [key, value] : values)
        text = profile::WriteValue(text, section, key, value, platform::kNativeNewline);
    const std::string edited = file.ToBytes(text);
    if (const int error = platform::ReplaceFileContents(target, edited, keep); error != 0) {
        throw ESettingsWriteError(path_, error);
    }
}

int SettingsFile::GetUartPort() const {
    auto text = ReadString(kUartSection, kPortKey);
    if (!text) return kDefaultPort;
    return ParseSettingsInteger(*text).value_or(kDefaultPort);
}

std::optional<std::string> SettingsFile::UnusablePortValue() const {
    auto text = ReadString(kUartSection, kPortKey);
    if (!text || ParseSettingsInteger(*text)) return std::nullopt;
    return text;
}

void SettingsFile::SetUartPort(int port) const { WriteString(kUartSection, kPortKey, std::to_string(port)); }

int SettingsFile::GetBaudIndex() const { return 0; }

std::optional<std::string> SettingsFile::GetTraceFile() const {
    auto file = ReadString("Trace", "File");
    if (!file || file->empty()) return std::nullopt;
    return file;
}

bool SettingsFile::GetTraceData() const {
    const auto data = ReadString("Trace", "Data");
    return data && ParseSettingsInteger(*data) == 1;
}

std::optional<std::string> SettingsFile::GetMappedDevice(const std::string& name) const {
    auto device = ReadString(kDevicesSection, name);
    if (!device || device->empty()) return std::nullopt;
    return device;
}

std::vector<std::string> SettingsFile::GetMappedNames() const { return ReadKeys(kDevicesSection); }

std::string SettingsFile::GetLanguage() const { return ReadString(kUiSection, kLanguageKey).value_or(""); }

void SettingsFile::SetLanguage(const std::string& language) const {
    WriteString(kUiSection, kLanguageKey, language);
}

StationChoices SettingsFile::GetStationChoices() const {
    const auto read = [this](const char* key) { return ReadString(kStationSection, key).value_or(""); };
    return {read(kStationPackKey), read(kStationPackDigestKey), read(kStationRecordKey),
            SplitPortNames(read(kStationPortsKey))};
}

void SettingsFile::SetStationChoices(const StationChoices& choices) const {
    // All four or none.
    WriteStrings(kStationSection, {{kStationPackKey, choices.pack},
                                   {kStationPackDigestKey, choices.packSha256},
                                   {kStationRecordKey, choices.record},
                                   {kStationPortsKey, JoinPortNames(choices.ports)}});
}

TransferMode SettingsFile::GetTransferMode() const {
    TransferMode mode;
    if (auto fast = ReadString(kUartSection, kFastTransferKey)) mode.fast = ParseSettingsInteger(*fast) == 1;
    if (auto speed = ReadString(kUartSection, kAutoSpeedKey))
        mode.autoSpeed = ParseSettingsInteger(*speed) == 1;
    if (auto guard = ReadString(kUartSection, kAckGuardKey)) {
        const auto ms = ParseSettingsInteger(*guard);
        if (ms && *ms >= 0 && *ms <= kLargestAckGuard.count()) mode.ackGuard = std::chrono::milliseconds(*ms);
    }
    return mode;
}

void SettingsFile::SetFastTransfer(bool fast) const {
    WriteString(kUartSection, kFastTransferKey, fast ? "1" : "0");
}

void SettingsFile::SetBaudIndex(int baudIndex) const {
    WriteString(kUartSection, kBaudRateKey, std::to_string(baudIndex));
}

std::filesystem::path DefaultSettingsPath() {
    const auto besideExe = platform::ExecutableDirectory() / kSettingsFileName;
    std::error_code ec;
    // A system-wide install (/usr/bin) never writes beside its programs, not even as root.
    if (!K5_SYSTEM_INSTALL &&
        (std::filesystem::exists(besideExe, ec) || platform::FolderWritable(besideExe.parent_path()))) {
        return besideExe;
    }
    const auto config = platform::UserConfigDirectory();
    if (config.empty()) return besideExe;
    return config / "k5-iap-tool" / kSettingsFileName;
}

}  // namespace k5
