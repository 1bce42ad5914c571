#include "station_record.h"

#include <cstdio>
#include <vector>

#include "file_problem_text.h"
#include "json_writer.h"
#include "port_listing.h"
#include "utf8_text.h"

namespace k5 {
namespace {

constexpr std::string_view kJsonLineStart = "{\"time\":";

// RFC 4180: a field with a comma, quote or line break is quoted, its quotes doubled.
// Bytes that are not UTF-8 become U+FFFD. A field a spreadsheet would run as a formula
// (=, +, -, @, or a tab or carriage return before one) starts with an apostrophe, which
// makes it text.
std::string CsvField(const std::string& field) {
    std::string text = ValidUtf8(field);
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos)
        text.insert(0, "'");
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += (text.empty() ? "" : " | ") + line;
    return text;
}

std::string Seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string HexByte(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
    return text;
}

// The file begins with `header` (its line ending LF or CR LF).
bool StartsWithHeader(const std::string& head, std::string header) {
    return head.rfind(header, 0) == 0 || head.rfind(header.insert(header.size() - 1, "\r"), 0) == 0;
}

}  // namespace

std::string UtcTimestamp(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto secs = floor<seconds>(when);
    const auto day = floor<days>(secs);
    const year_month_day date{day};
    const hh_mm_ss time{secs - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return text;
}

std::string StationCsvHeaderWithoutLabels() {
    return "time,host,port,device,adapter,pack,sha256,version,product,kind,image_length,mode,outcome,log,"
           "seconds,bytes_sent\n";
}

std::string StationCsvHeader() {
    std::string header = StationCsvHeaderWithoutLabels();
    return header.insert(header.size() - 1, ",label,setup,work_order,operator");
}

std::string StationCsvLine(const StationRecord& r, bool withLabels) {
    std::vector<std::string> fields = {
        UtcTimestamp(r.ended),
        r.host,
        r.port,
        r.device,
        r.adapter,
        r.packFile,
        r.sha256,
        std::to_string(r.version),
        std::to_string(r.productCode),
        HexByte(r.kind),
        std::to_string(r.imageLength),
        r.fast ? "fast" : "default",
        r.outcome,
        Joined(r.log),
        Seconds(r.seconds),
        std::to_string(r.bytesSent),
    };
    if (withLabels) fields.insert(fields.end(), {r.label, r.setup, r.workOrder, r.operatorName});
    std::string line;
    for (const auto& field : fields) line += (line.empty() ? "" : ",") + CsvField(field);
    return line + "\n";
}

void CompleteStationRecord(StationRecord& record, const std::string& host) {
    record.host = host;
    record.adapter = AdapterOf(record.device, platform::ListSerialDevices());
}

std::string StationJsonLine(const StationRecord& r) {
    JsonObject o;
    o.Add("time", UtcTimestamp(r.ended))
        .Add("host", r.host)
        .Add("port", r.port)
        .Add("device", r.device)
        .Add("adapter", r.adapter)
        .Add("pack", r.packFile)
        .Add("sha256", r.sha256)
        .Add("version", std::int64_t{r.version})
        .Add("product", std::int64_t{r.productCode})
        .Add("kind", HexByte(r.kind))
        .Add("imageLength", std::int64_t{r.imageLength})
        .Add("mode", r.fast ? "fast" : "default")
        .Add("outcome", r.outcome)
        .Add("log", r.log)
        .Add("seconds", r.seconds)
        .Add("bytesSent", static_cast<std::int64_t>(r.bytesSent))
        .Add("label", r.label)
        .Add("setup", r.setup)
        .Add("workOrder", r.workOrder)
        .Add("operator", r.operatorName);
    return o.Str() + "\n";
}

std::string RecordProblemText(const RecordProblem& problem) {
    if (problem.noLabelColumn)
        return N_(
            "it was begun before records had a label column, and this station requires labels; it is left "
            "as it was: choose a new record file");
    if (problem.notARecord)
        return N_(
            "it holds something else than a station record (its first line is not a record's); it is "
            "left as it was: choose another file");
    return FileProblemText(problem.path, problem.osError);
}

std::optional<RecordProblem> StationRecordFile::Open(const std::filesystem::path& path, bool labelsRequired) {
    json_ = path.extension() == ".jsonl";
    withoutLabels_ = false;
    if (const int error = file_.Open(path); error != 0) return RecordProblem{error, false, path};
    if (file_.SizeAtOpen() > 0 && !json_) {
        // A record is never rewritten, and nothing else is written to: a pack, a
        // spreadsheet or a record of the other kind stays as it is.
        if (StartsWithHeader(file_.Head(), StationCsvHeaderWithoutLabels())) {
            if (labelsRequired) return RecordProblem{0, false, path, true};
            withoutLabels_ = true;
        } else if (!StartsWithHeader(file_.Head(), StationCsvHeader())) {
            return RecordProblem{0, true, path};
        }
    } else if (file_.SizeAtOpen() > 0 && file_.Head().rfind(kJsonLineStart, 0) != 0) {
        return RecordProblem{0, true, path};
    }
    if (const int error = json_ ? 0 : file_.Append({}, StationCsvHeader()); error != 0)
        return RecordProblem{error, false, path};
    return std::nullopt;
}

int StationRecordFile::Append(const StationRecord& record) {
    return json_ ? file_.Append(StationJsonLine(record))
                 : file_.Append(StationCsvLine(record, !withoutLabels_), StationCsvHeader());
}

}  // namespace k5
