// A station set-up file ("Line 3.k5station"): what an engineer fixes for a
// line once, in the settings file's INI form, so that a station opened with it
// programs that pack alone, on those ports, into that record:
//
//   [Station]
//   Pack=packs/K5 309.Pack
//   PackSha256=4f0c...e1
//   Ports=COM5;COM6
//   Record=Line 3 record.csv
//   FastTransfer=0
//   Speed=default
//   LabelRequired=1
//   WorkOrder=WO-2412-17
//   AlertSound=1
//
// Pack, PackSha256, Ports and Record must be there; the rest has defaults
// (off, the standard speed, required off, no work order, alert sound on): the
// machine's own settings do not change how a set-up's station runs.
// A relative Pack or Record is taken from the set-up file's folder. Keys match
// without regard to case; a value the set-up cannot mean is refused by name.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace k5 {

inline constexpr const char* kStationSetupExtension = ".k5station";

struct StationSetup {
    std::string name;  // the file's name without ".k5station": "Line 3" (not stored in the file)
    std::string pack;  // UTF-8; absolute once read (relative ones from the set-up's folder)
    std::string packSha256;
    std::vector<std::string> ports;
    std::string record;  // as pack
    bool fast = false;
    std::string speed = "default";  // as line_speed_names.h names it
    bool labelRequired = false;
    std::string workOrder;
    bool alertSound = true;
};

// Why a set-up file cannot be used, in a sentence naming the file.
struct SetupProblem {
    std::string text;
};

// Reads the set-up at `path` (UTF-8).
std::variant<StationSetup, SetupProblem> ReadStationSetup(const std::string& path);

// Writes `setup` to `path` (UTF-8): only its keys' lines change in a file that is
// there (comments and other keys stay). Pack and Record are written relative to the
// set-up's folder when they lie inside it. Raises ESettingsWriteError when refused.
void WriteStationSetup(const std::string& path, const StationSetup& setup);

// The set-up's name for `path`: "Line 3" for ".../Line 3.k5station".
std::string StationSetupName(const std::string& path);

// Why the pack now at the set-up's path is not the one it was saved with, given
// that pack's SHA-256 now; nothing when it is the same.
std::optional<std::string> SetupPackChanged(const StationSetup& setup, const std::string& sha256Now);

}  // namespace k5
