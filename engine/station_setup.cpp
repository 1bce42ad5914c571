#include "station_setup.h"

#include <cctype>

#include "file_problem_text.h"
#include "file_replace.h"
#include "line_speed_names.h"
#include "message_text.h"
#include "profile_encoding.h"
#include "profile_text.h"
#include "settings_file.h"
#include "station_port_text.h"
#include "utf8_path.h"

namespace k5 {
namespace {

namespace text = setup_text;

constexpr const char* kSection = "Station";
constexpr const char* kPackKey = "Pack";
constexpr const char* kPackDigestKey = "PackSha256";
constexpr const char* kPortsKey = "Ports";
constexpr const char* kRecordKey = "Record";
constexpr const char* kFastKey = "FastTransfer";
constexpr const char* kSpeedKey = "Speed";
constexpr const char* kLabelRequiredKey = "LabelRequired";
constexpr const char* kWorkOrderKey = "WorkOrder";
constexpr const char* kAlertSoundKey = "AlertSound";

bool IsSha256(const std::string& text) {
    return text.size() == 64 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

// `value` from the set-up's folder when it is relative.
std::string FromFolder(const std::filesystem::path& folder, const std::string& value) {
    const std::filesystem::path path = PathFromUtf8(value);
    return path.is_absolute() ? value : Utf8FromPath((folder / path).lexically_normal());
}

// `value` relative to the set-up's folder when it lies inside it, with "/" (so the set-up
// moves with its folder, to another system too); else as it is.
std::string InFolder(const std::filesystem::path& folder, const std::string& value) {
    const std::filesystem::path path = PathFromUtf8(value);
    if (folder.empty() || !path.is_absolute()) return value;
    const std::filesystem::path relative = path.lexically_relative(folder);
    if (relative.empty() || *relative.begin() == "..") return value;
    const std::u8string generic = relative.generic_u8string();
    return std::string(generic.begin(), generic.end());
}

}  // namespace

std::string StationSetupName(const std::string& path) { return Utf8FromPath(PathFromUtf8(path).stem()); }

std::variant<StationSetup, SetupProblem> ReadStationSetup(const std::string& path) {
    const std::filesystem::path file = PathFromUtf8(path);
    std::string bytes;
    if (const int error = platform::ReadWholeFile(file, bytes); error != 0)
        return SetupProblem{FillIn(text::kUnreadable, {path, FileProblemText(file, error)})};
    const std::string ini = profile::FileText::FromBytes(bytes).Text();
    const auto read = [&ini](const char* key) { return profile::ReadValue(ini, kSection, key); };
    const auto missing = [&path](const char* key) {
        return SetupProblem{FillIn(text::kMissing, {path, key})};
    };
    const auto bad = [&path](const char* key, const std::string& value, const std::string& allowed) {
        return SetupProblem{FillIn(text::kBadValue, {path, key, value, allowed})};
    };

    StationSetup setup;
    setup.name = StationSetupName(path);
    const std::filesystem::path folder = file.parent_path();
    for (const auto& [key, value] :
         {std::pair{kPackKey, &setup.pack}, std::pair{kPackDigestKey, &setup.packSha256},
          std::pair{kRecordKey, &setup.record}}) {
        const auto text = read(key);
        if (!text || text->empty()) return missing(key);
        *value = *text;
    }
    if (!IsSha256(setup.packSha256)) return bad(kPackDigestKey, setup.packSha256, text::kSha256);
    setup.pack = FromFolder(folder, setup.pack);
    setup.record = FromFolder(folder, setup.record);
    setup.ports = SplitPortNames(read(kPortsKey).value_or(""));
    if (setup.ports.empty()) return missing(kPortsKey);

    for (const auto& [key, value] :
         {std::pair{kFastKey, &setup.fast}, std::pair{kLabelRequiredKey, &setup.labelRequired},
          std::pair{kAlertSoundKey, &setup.alertSound}}) {
        const auto text = read(key);
        if (!text || text->empty()) continue;
        const auto number = ParseSettingsInteger(*text);
        if (number != 0 && number != 1) return bad(key, *text, text::kZeroOrOne);
        *value = number == 1;
    }
    if (const auto speed = read(kSpeedKey); speed && !speed->empty()) {
        TransferMode mode;
        if (!ApplySpeedName(*speed, mode))
            return bad(kSpeedKey, *speed, FillIn(text::kSpeeds, {SpeedList()}));
        setup.speed = *speed;
    }
    setup.workOrder = read(kWorkOrderKey).value_or("");
    return setup;
}

void WriteStationSetup(const std::string& path, const StationSetup& setup) {
    const std::filesystem::path folder = std::filesystem::absolute(PathFromUtf8(path)).parent_path();
    std::vector<std::pair<std::string, std::string>> values = {
        {kPackKey, InFolder(folder, setup.pack)},
        {kPackDigestKey, setup.packSha256},
        {kPortsKey, JoinPortNames(setup.ports)},
        {kRecordKey, InFolder(folder, setup.record)},
        {kFastKey, setup.fast ? "1" : "0"},
        {kSpeedKey, setup.speed},
        {kLabelRequiredKey, setup.labelRequired ? "1" : "0"},
        {kAlertSoundKey, setup.alertSound ? "1" : "0"},
    };
    // A work order written into the file by hand stays when the window has none to give.
    if (!setup.workOrder.empty()) values.emplace_back(kWorkOrderKey, setup.workOrder);
    SettingsFile(PathFromUtf8(path)).WriteStrings(kSection, values);
}

std::optional<std::string> SetupPackChanged(const StationSetup& setup, const std::string& sha256Now) {
    std::string expected = setup.packSha256;
    std::string now = sha256Now;
    for (std::string* digest : {&expected, &now}) {
        for (char& c : *digest) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (expected == now) return std::nullopt;
    return FillIn(text::kPackChanged, {setup.pack, now, expected});
}

}  // namespace k5
