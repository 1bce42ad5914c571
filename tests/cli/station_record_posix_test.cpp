#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>
#include <utility>

#include "station_record.h"
#include "support/temp_dir.h"

namespace {

// Killed at any moment, a station leaves at most a line cut short, and the next
// one starts its own lines on a line of their own: the record's lines are long
// enough (several pages) that a torn one would show.
TEST(StationRecord, AStationKilledWhileAppendingLosesNoOtherLine) {
    k5::test::TempDir dir;
    const std::string path = dir.File("record.csv");
    k5::StationRecord record;
    record.log.assign(1000, "Programing...");
    const std::string whole = k5::StationCsvLine(record);
    for (int round = 0; round < 3; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            k5::StationRecordFile file;
            if (file.Open(path)) ::_exit(1);
            for (;;) file.Append(record);
        }
        ::usleep(50'000 + round * 20'000);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
    }
    const std::size_t before = dir.ReadText("record.csv").size();
    k5::StationRecordFile next;  // the next station
    ASSERT_FALSE(next.Open(path));
    ASSERT_EQ(next.Append(record), 0);
    const std::string text = dir.ReadText("record.csv");
    ASSERT_GE(text.size(), before + whole.size()) << "nothing was cut";
    EXPECT_EQ(text.substr(text.size() - whole.size()), whole);
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line + "\n", k5::StationCsvHeader());
    while (std::getline(lines, line))
        EXPECT_EQ(whole.rfind(line, 0), 0u) << "only the killed writers' lines are short";
}

// A record that cannot be opened or written says what the file is, or what happened.
TEST(StationRecord, ARefusalSaysWhatTheFileIs) {
    k5::test::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.File("record.csv").c_str(), 0600), 0);
    for (const auto& [path, why] :
         {std::pair{dir.File("record.csv"), "not a regular file: a FIFO"},
          std::pair{std::string("/dev/full"), "not a regular file: a character device"}}) {
        k5::StationRecordFile file;
        const auto problem = file.Open(path);
        ASSERT_TRUE(problem) << path;
        EXPECT_EQ(k5::RecordProblemText(*problem), why);
    }
    EXPECT_EQ(k5::RecordProblemText({ENOSPC, false, dir.File("full.csv")}), "the disk is full");
}

// A write the disk takes only part of is taken back: the file keeps whole lines.
TEST(StationRecord, AWriteThatOnlyPartlyFitsIsTakenBack) {
    k5::test::TempDir dir;
    const std::string path = dir.File("record.csv");
    {
        k5::StationRecordFile file;
        ASSERT_FALSE(file.Open(path));
    }
    const std::string header = dir.ReadText("record.csv");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{header.size() + 40, header.size() + 40};  // the line is longer
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(2);
        k5::StationRecordFile file;
        if (file.Open(path)) ::_exit(3);
        ::_exit(file.Append(k5::StationRecord{}) == EFBIG ? 0 : 4);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(dir.ReadText("record.csv"), header);
}

}  // namespace
