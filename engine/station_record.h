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
// The header of records begun before labels (no label, setup, work_order and operator columns).
std::string StationCsvHeaderWithoutLabels();
// `withLabels` false: in the layout of a record begun before labels.
std::string StationCsvLine(const StationRecord& record, bool withLabels = true);
std::string StationJsonLine(const StationRecord& record);

// Why a record file is not opened or written: the OS error, or a file that holds something else.
struct RecordProblem {
    int osError = 0;
    bool notARecord = false;
    std::filesystem::path path;  // the record file's
    bool noLabelColumn = false;  // begun before labels, and the station requires them
};

// The reason in a few words: what is wrong with the file, or the OS error's text.
std::string RecordProblemText(const RecordProblem& problem);

class StationRecordFile {
  public:
    // Opens `path` for appending; a new CSV file gets its header line. A file that is
    // there already must be a record of the same kind (its first line ours): anything
    // else is refused and left as it was. A CSV record begun before labels keeps its
    // layout (its lines then carry no label, set-up, work order or operator), unless
    // `labelsRequired`: then it is refused. Nothing when it is open.
    std::optional<RecordProblem> Open(const std::filesystem::path& path, bool labelsRequired = false);
    // The file is a CSV record begun before labels, and its lines keep that layout.
    bool WithoutLabels() const { return withoutLabels_; }
    // Appends the record's line and flushes it to the disk: 0, or the OS error.
    int Append(const StationRecord& record);

  private:
    platform::AppendFile file_;
    bool json_ = false;
    bool withoutLabels_ = false;
};

}  // namespace k5
