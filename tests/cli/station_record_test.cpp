#include "station_record.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace {

k5::StationRecord Sample() {
    k5::StationRecord r;
    r.ended = std::chrono::sys_days{std::chrono::year{2026} / 12 / 8} + std::chrono::hours(14) +
              std::chrono::minutes(5) + std::chrono::seconds(9);
    r.host = "bench-3";
    r.port = "COM3";
    r.device = "/dev/ttyUSB0";
    r.adapter = "0403:6001 FT5XYZ";
    r.packFile = "K5, \"final\".Pack";
    r.sha256 = std::string(64, 'a');
    r.version = 308;
    r.productCode = 20002;
    r.kind = 0xAA;
    r.imageLength = 131024;
    r.fast = true;
    r.outcome = "Program sucessully";
    r.log = {"Conntectting MCU....", "MCU Identified"};
    r.seconds = 36.94;
    r.bytesSent = 131037;
    r.label = "K5-2412-00311";
    r.setup = "Line 3";
    r.workOrder = "WO-17";
    r.operatorName = "Anna";
    return r;
}

TEST(StationRecord, CsvWithOneHeaderAndJsonLines) {
    k5::test::TempDir dir;
    for (int run = 0; run < 2; ++run) {  // a second station appends to the same file
        k5::StationRecordFile file;
        ASSERT_FALSE(file.Open(dir.File("record.csv")));
        ASSERT_EQ(file.Append(Sample()), 0);
    }
    const std::string line =
        "2026-12-08T14:05:09Z,bench-3,COM3,/dev/ttyUSB0,0403:6001 FT5XYZ,\"K5, \"\"final\"\".Pack\"," +
        std::string(64, 'a') +
        ",308,20002,0xAA,131024,fast,Program sucessully,Conntectting MCU.... | MCU Identified,36.9,131037,"
        "K5-2412-00311,Line 3,WO-17,Anna\n";
    EXPECT_EQ(dir.ReadText("record.csv"), k5::StationCsvHeader() + line + line);

    k5::StationRecordFile json;
    ASSERT_FALSE(json.Open(dir.File("record.jsonl")));
    ASSERT_EQ(json.Append(Sample()), 0);
    const std::string text = dir.ReadText("record.jsonl");
    EXPECT_EQ(text.rfind("{\"time\":\"2026-12-08T14:05:09Z\"", 0), 0u) << text;
    EXPECT_NE(text.find("\"log\":[\"Conntectting MCU....\",\"MCU Identified\"]"), std::string::npos) << text;
    EXPECT_NE(text.find("\"kind\":\"0xAA\""), std::string::npos) << "as in the CSV: " << text;
    EXPECT_NE(text.find(",\"label\":\"K5-2412-00311\",\"setup\":\"Line 3\",\"workOrder\":\"WO-17\","
                        "\"operator\":\"Anna\"}"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.back(), '\n');

    k5::StationRecordFile folder;
    const auto problem = folder.Open(dir.Path());
    ASSERT_TRUE(problem) << "a record that cannot be written is refused at the start";
    EXPECT_NE(problem->osError, 0);
}

// A record is only ever appended to: a file that is something else (a pack chosen
// by mistake, another program's CSV, a record of the other kind) is refused as it
// is, and a record whose last line lost its newline (an editor) keeps that line.
TEST(StationRecord, OnlyARecordIsAppendedToAndNothingInItIsCut) {
    k5::test::TempDir dir;
    const std::string pack(4991, '\x5A');
    const std::string binary = std::string("\x1F\x8B\x00", 3) + pack;
    dir.WriteText("x.Pack", binary);
    dir.WriteText("other.csv", "name,serial\nbike,42");
    dir.WriteText("record.jsonl", k5::StationCsvHeader());
    for (const char* name : {"x.Pack", "other.csv", "record.jsonl"}) {
        const std::string before = dir.ReadText(name);
        k5::StationRecordFile file;
        const auto problem = file.Open(dir.File(name));
        ASSERT_TRUE(problem) << name;
        EXPECT_TRUE(problem->notARecord) << name;
        EXPECT_NE(k5::RecordProblemText(*problem).find("left as it was"), std::string::npos);
        EXPECT_EQ(dir.ReadText(name), before) << name;
    }

    std::string lastRow = k5::StationCsvLine(Sample());
    lastRow.pop_back();
    for (const char* newline : {"\n", "\r\n"}) {  // saved by an editor, on either system
        std::string header = k5::StationCsvHeader();
        header.insert(header.size() - 1, newline[1] ? "\r" : "");
        const std::string edited = header + lastRow;
        dir.WriteText("edited.csv", edited);
        k5::StationRecordFile file;
        ASSERT_FALSE(file.Open(dir.File("edited.csv")));
        ASSERT_EQ(file.Append(Sample()), 0);
        EXPECT_EQ(dir.ReadText("edited.csv"), edited + "\n" + k5::StationCsvLine(Sample()));
    }
}

// A CSV record begun before records had labels keeps its columns, its lines as
// they were; a station that requires labels refuses it. Nothing in it changes.
TEST(StationRecord, ARecordBegunBeforeLabelsKeepsItsColumnsOrIsRefused) {
    k5::test::TempDir dir;
    std::string oldLine = k5::StationCsvLine(Sample());
    oldLine.erase(oldLine.rfind(",K5-2412-00311")).push_back('\n');
    const std::string before = k5::StationCsvHeaderWithoutLabels() + oldLine;
    dir.WriteText("old.csv", before);

    k5::StationRecordFile requiring;
    const auto problem = requiring.Open(dir.File("old.csv"), true);
    ASSERT_TRUE(problem);
    EXPECT_NE(k5::RecordProblemText(*problem).find("begun before records had a label column"),
              std::string::npos);
    EXPECT_EQ(dir.ReadText("old.csv"), before);

    k5::StationRecordFile file;
    ASSERT_FALSE(file.Open(dir.File("old.csv")));
    EXPECT_TRUE(file.WithoutLabels());
    ASSERT_EQ(file.Append(Sample()), 0);
    EXPECT_EQ(dir.ReadText("old.csv"), before + oldLine);
}

// Whatever the names hold, a CSV record is UTF-8 a spreadsheet shows as text.
TEST(StationRecord, CsvFieldsAreUtf8AndNeverAFormula) {
    k5::StationRecord r = Sample();
    r.packFile = "=HYPERLINK(\"http://x\")";
    r.host = "werkstatt-\xE4";  // Latin-1, not UTF-8
    r.port = "@COM3";
    r.device = "-1+1";
    r.log = {"+", "ok"};
    const std::string line = k5::StationCsvLine(r);
    EXPECT_NE(line.find(",werkstatt-\xEF\xBF\xBD,'@COM3,'-1+1,"), std::string::npos) << line;
    EXPECT_NE(line.find(",\"'=HYPERLINK(\"\"http://x\"\")\","), std::string::npos) << line;
    EXPECT_NE(line.find(",'+ | ok,"), std::string::npos) << line;
}

}  // namespace
