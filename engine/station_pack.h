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

}  // namespace k5
