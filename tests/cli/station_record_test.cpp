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
    return r;
}

TEST(StationRecord, CsvWithOneHeaderAndJsonLines) {
    k5::test::TempDir dir;
    for (int run = 0; run < 2; ++run) {  // a second station appends to the same file
        k5::StationRecordFile file;
        ASSERT_EQ(file.Open(dir.File("record.csv")), 0);
        ASSERT_EQ(file.Append(Sample()), 0);
    }
    const std::string line =
        "2026-12-08T14:05:09Z,bench-3,COM3,/dev/ttyUSB0,0403:6001 FT5XYZ,\"K5, \"\"final\"\".Pack\"," +
        std::string(64, 'a') +
        ",308,20002,0xAA,131024,fast,Program sucessully,Conntectting MCU.... | MCU Identified,36.9,131037\n";
    EXPECT_EQ(dir.ReadText("record.csv"), k5::StationCsvHeader() + line + line);

    k5::StationRecordFile json;
    ASSERT_EQ(json.Open(dir.File("record.jsonl")), 0);
    ASSERT_EQ(json.Append(Sample()), 0);
    const std::string text = dir.ReadText("record.jsonl");
    EXPECT_EQ(text.rfind("{\"time\":\"2026-12-08T14:05:09Z\"", 0), 0u) << text;
    EXPECT_NE(text.find("\"log\":[\"Conntectting MCU....\",\"MCU Identified\"]"), std::string::npos) << text;
    EXPECT_EQ(text.back(), '\n');

    k5::StationRecordFile folder;
    EXPECT_NE(folder.Open(dir.Path()), 0) << "a record that cannot be written is refused at the start";
}

}  // namespace
