// The settings file eBikeSet.ini: the port number and baud index of section
// [Uart], the [Devices] map from COMn names to device paths, the station
// window's choices in [Station], and the windows' language in [Ui].
//
// Nothing is cached: every call reads or writes the file when it is made.
// Values are read as the Windows profile functions read them, from an 8-bit
// file or a UTF-16 one (which a write keeps UTF-16). A write changes
// only the line of its key (or adds it) and keeps every other byte, refuses a
// read-only file, takes turns with other programs saving the same file, and
// replaces the file atomically, so a crash never leaves half a file.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "transfer_mode.h"

namespace k5 {

inline constexpr const char* kSettingsFileName = "eBikeSet.ini";

// What the station window chose the last time ([Station]): its pack, that
// pack's SHA-256 then, the record file and the ticked ports.
struct StationChoices {
    std::string pack;
    std::string packSha256;
    std::string record;
    std::vector<std::string> ports;
};

// "Unable to write to <full path>"; keeps the OS error for the front ends.
class ESettingsWriteError : public std::runtime_error {
  public:
    ESettingsWriteError(const std::filesystem::path& path, int osError);
    // Refused for what was to be written (0 as the OS error).
    ESettingsWriteError(const std::filesystem::path& path, std::string reason);
    int OsError() const { return osError_; }
    // Why, in a few words (SettingsProblemText, or the refusal's own reason).
    std::string Reason() const;

  private:
    int osError_;
    std::string reason_;
};

class SettingsFile {
  public:
    explicit SettingsFile(std::filesystem::path path);

    const std::filesystem::path& Path() const { return path_; }
    // Why the file's values cannot be read: 0 when they can (or there is no
    // file: ENOENT), else the OS error, EFBIG for a file too large to read.
    int ReadError() const;

    // "Port" of [Uart]; 1 when the file, section or key is missing or not an integer.
    int GetUartPort() const;
    // The "Port" text when it is there but not an integer (GetUartPort then gives 1).
    std::optional<std::string> UnusablePortValue() const;
    void SetUartPort(int port) const;
    // The session always runs at index 0; the stored "BaudRate" is not read.
    int GetBaudIndex() const;
    void SetBaudIndex(int baudIndex) const;

    // "FastTransfer" (1: on) and "AckGuard" (milliseconds) of [Uart]; a
    // missing or unusable value is the default (off, 5 ms; at most 2000 ms).
    TransferMode GetTransferMode() const;
    void SetFastTransfer(bool fast) const;

    // Where the desktop program writes each session's wire trace ([Trace] File; nothing: no trace),
    // and whether with the image's bytes ([Trace] Data=1).
    std::optional<std::string> GetTraceFile() const;
    bool GetTraceData() const;

    // The device [Devices] maps the port name `name` to ("COM5=/dev/ttyUSB3");
    // nothing when it maps none, or an empty one (which is not used).
    std::optional<std::string> GetMappedDevice(const std::string& name) const;
    // The port names [Devices] has a key for, as written there, in file order.
    std::vector<std::string> GetMappedNames() const;

    // The language the windows speak ([Ui] Language: "de", "zh_CN", "en", "pseudo"); empty where
    // none is stored: the system's.
    std::string GetLanguage() const;
    // Raises ESettingsWriteError as WriteString does.
    void SetLanguage(const std::string& language) const;

    // Empty values where nothing is stored.
    StationChoices GetStationChoices() const;
    // Raises ESettingsWriteError as WriteString does.
    void SetStationChoices(const StationChoices& choices) const;

    // One value, or nothing when the file, section or key is missing.
    // Section and key names match without regard to case.
    std::optional<std::string> ReadString(const std::string& section, const std::string& key) const;
    // The keys of a section, in file order; none when the file or section is missing.
    std::vector<std::string> ReadKeys(const std::string& section) const;
    // Raises ESettingsWriteError and leaves the file as it was when refused; a value with a
    // line break is refused. Any other value reads back as it was written (quoted where needed).
    void WriteString(const std::string& section, const std::string& key, const std::string& value) const;
    // Several values of one section in one turn: all of them, or (refused) none.
    void WriteStrings(const std::string& section,
                      const std::vector<std::pair<std::string, std::string>>& values) const;

  private:
    // Raises the write error for a value the file cannot hold (a line break), before anything is written.
    void RefuseUnwritable(const std::string& section, const std::string& key, const std::string& value) const;
    std::filesystem::path path_;
};

// What stands in the way of reading or saving a settings file, in a few words:
// a file too large to read, a folder, a FIFO or device, or the OS's own text.
std::string SettingsProblemText(int osError);

// A list of port names as one value ("COM5;COM6;/dev/ttyUSB2"), and back; empty names are left out.
std::string JoinPortNames(const std::vector<std::string>& names);
std::vector<std::string> SplitPortNames(const std::string& text);

// A settings value as an integer: decimal with an optional sign, or hexadecimal
// after "0x"/"0X". Anything else is not an integer.
std::optional<int> ParseSettingsInteger(std::string_view text);

// eBikeSet.ini beside the executable; when that folder is not writable and no
// file exists there, the per-user one: $XDG_CONFIG_HOME/k5-iap-tool/eBikeSet.ini
// (~/.config/...), %APPDATA%\k5-iap-tool\eBikeSet.ini on Windows. A build for a
// system-wide install (K5_SYSTEM_INSTALL) always takes the per-user one.
std::filesystem::path DefaultSettingsPath();

}  // namespace k5
