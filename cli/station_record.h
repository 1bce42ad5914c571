// The station's record: one line per session, appended and flushed as the
// session ends, never rewritten. CSV with a header line, or JSON Lines when the
// file's name ends in ".jsonl".
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "append_file.h"

namespace k5::cli {

struct StationRecord {
    std::chrono::system_clock::time_point ended;
    std::string host;
    std::string port;     // as named ("COM3", a device path)
    std::string device;   // what it opened
    std::string adapter;  // USB vendor:product and serial where the system knows them
    std::string packFile;
    std::string sha256;
    int version = 0;
    std::uint32_t productCode = 0;
    int kind = 0;
    std::uint32_t imageLength = 0;
    bool fast = false;
    std::string outcome;
    std::vector<std::string> log;
    double seconds = 0;
    std::uint64_t bytesSent = 0;
};

// "2026-12-08T14:16:21Z".
std::string UtcTimestamp(std::chrono::system_clock::time_point when);

std::string StationCsvHeader();
std::string StationCsvLine(const StationRecord& record);
std::string StationJsonLine(const StationRecord& record);

class StationRecordFile {
  public:
    // Opens `path` for appending (a new CSV file gets its header line): 0, or the OS error.
    int Open(const std::filesystem::path& path);
    // Appends the record's line and flushes it to the disk: 0, or the OS error.
    int Append(const StationRecord& record);

  private:
    platform::AppendFile file_;
    bool json_ = false;
};

}  // namespace k5::cli
