#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <sstream>

#include "station_record.h"
#include "support/temp_dir.h"

namespace {

// Killed at any moment, a station leaves only whole lines for the next one: the
// record's lines are long enough (several pages) that a torn one would show.
TEST(StationRecord, AStationKilledWhileAppendingLeavesOnlyWholeLines) {
    k5::test::TempDir dir;
    const std::string path = dir.File("record.csv");
    k5::StationRecord record;
    record.log.assign(1000, "Programing...");
    for (int round = 0; round < 3; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            k5::StationRecordFile file;
            if (file.Open(path) != 0) ::_exit(1);
            for (;;) file.Append(record);
        }
        ::usleep(50'000 + round * 20'000);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
    }
    k5::StationRecordFile next;  // the next station
    ASSERT_EQ(next.Open(path), 0);
    std::istringstream text(dir.ReadText("record.csv"));
    const std::string whole = k5::StationCsvLine(record);
    std::string line;
    std::getline(text, line);
    EXPECT_EQ(line + "\n", k5::StationCsvHeader());
    int lines = 0;
    while (std::getline(text, line)) {
        ASSERT_EQ(line + "\n", whole) << "line " << lines << " is torn";
        ++lines;
    }
    EXPECT_GT(lines, 0);
    EXPECT_EQ(dir.ReadText("record.csv").back(), '\n');
}

}  // namespace
