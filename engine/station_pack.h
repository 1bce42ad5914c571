// What a station records of its pack, read once as the station starts.
#pragma once

#include <string>

#include "p_HexConvertFun.h"
#include "station_record_data.h"

namespace k5 {

// The pack file's name, SHA-256, version, product code, kind and image length
// into `facts`, for `pack` just loaded from `path` (UTF-8): 0, or the OS error
// of reading the file again for its digest.
int ReadStationPackFacts(const std::string& path, const PackStore& pack, StationRecord& facts);

// Why ReadStationPackFacts failed with `osError`, in a few words.
std::string StationPackProblemText(const std::string& path, int osError);

// Why the pack at `path` cannot be loaded: the loader's text and, where that alone does not
// say, what the file is: "File access denied (not a regular file: a FIFO)".
std::string PackUnreadableText(const std::string& path, const EInOutError& error);

}  // namespace k5
