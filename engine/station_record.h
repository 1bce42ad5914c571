// The station's record: one line per session, appended and flushed as the
// session ends, never rewritten. CSV with a header line, or JSON Lines when the
// file's name ends in ".jsonl".
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "append_file.h"
#include "station_record_data.h"

namespace k5 {

// "2026-12-08T14:16:21Z".
std::string UtcTimestamp(std::chrono::system_clock::time_point when);

// Fills in what the station does not know of a session: the host and the port's USB adapter.
void CompleteStationRecord(StationRecord& record, const std::string& host);

std::string StationCsvHeader();
std::string StationCsvLine(const StationRecord& record);
std::string StationJsonLine(const StationRecord& record);

// Why a record file is not opened or written: the OS error, or a file that holds something else.
struct RecordProblem {
    int osError = 0;
    bool notARecord = false;
    std::filesystem::path path;  // the record file's
};

// The reason in a few words: what is wrong with the file, or the OS error's text.
std::string RecordProblemText(const RecordProblem& problem);

class StationRecordFile {
  public:
    // Opens `path` for appending; a new CSV file gets its header line. A file that is
    // there already must be a record of the same kind (its first line ours): anything
    // else is refused and left as it was. Nothing when it is open.
    std::optional<RecordProblem> Open(const std::filesystem::path& path);
    // Appends the record's line and flushes it to the disk: 0, or the OS error.
    int Append(const StationRecord& record);

  private:
    platform::AppendFile file_;
    bool json_ = false;
};

}  // namespace k5
