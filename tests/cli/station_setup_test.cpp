// The station set-up file: written by the window, read back, and written by hand.
#include "station_setup.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "utf8_path.h"

namespace {

std::string ProblemIn(const std::string& path) {
    const auto read = k5::ReadStationSetup(path);
    const auto* problem = std::get_if<k5::SetupProblem>(&read);
    return problem ? problem->text : "";
}

TEST(StationSetup, ReadsBackWhatItWroteWithPathsFromItsFolder) {
    k5::test::TempDir dir;
    k5::StationSetup saved;
    saved.pack = dir.File("packs/fw.Pack");
    saved.packSha256 = std::string(64, 'a');
    saved.ports = {"COM5", "/dev/ttyUSB2"};
    saved.record = dir.File("record.jsonl");
    saved.fast = true;
    saved.speed = "115200";
    saved.labelRequired = true;
    saved.workOrder = "WO-2412-17";
    saved.alertSound = false;
    const std::string path = dir.File("Line 3.k5station");
    k5::WriteStationSetup(path, saved);
    const std::string text = dir.ReadText("Line 3.k5station");
    EXPECT_NE(text.find("Pack=packs/fw.Pack"), std::string::npos) << "moves with its folder:\n" << text;
    EXPECT_NE(text.find("Record=record.jsonl"), std::string::npos) << text;

    const auto read = k5::ReadStationSetup(path);
    ASSERT_TRUE(std::holds_alternative<k5::StationSetup>(read)) << ProblemIn(path);
    const auto& setup = std::get<k5::StationSetup>(read);
    EXPECT_EQ(setup.name, "Line 3");
    EXPECT_EQ(k5::PathFromUtf8(setup.pack), k5::PathFromUtf8(saved.pack));
    EXPECT_EQ(k5::PathFromUtf8(setup.record), k5::PathFromUtf8(saved.record));
    EXPECT_EQ(setup.packSha256, saved.packSha256);
    EXPECT_EQ(setup.ports, saved.ports);
    EXPECT_TRUE(setup.fast && setup.labelRequired);
    EXPECT_FALSE(setup.alertSound);
    EXPECT_EQ(setup.speed, "115200");
    EXPECT_EQ(setup.workOrder, "WO-2412-17");
}

// By hand: any case, CR LF, comments, and defaults for what is left out; what it cannot
// mean is refused by the key's name.
TEST(StationSetup, AHandWrittenOneIsReadAndAWrongOneRefusedByName) {
    k5::test::TempDir dir;
    const std::string sha = std::string(63, 'B') + "0";
    const std::string head = "; line 3, by hand\r\n[station]\r\npack = fw.Pack\r\npacksha256=" + sha +
                             "\r\nports=COM3\r\nrecord=" + dir.File("r.csv") + "\r\n";
    const auto read = k5::ReadStationSetup(dir.WriteText("hand.k5station", head));
    ASSERT_TRUE(std::holds_alternative<k5::StationSetup>(read)) << ProblemIn(dir.File("hand.k5station"));
    const auto& setup = std::get<k5::StationSetup>(read);
    EXPECT_EQ(k5::PathFromUtf8(setup.pack), dir.Path() / "fw.Pack");
    EXPECT_EQ(setup.ports, std::vector<std::string>{"COM3"});
    EXPECT_FALSE(setup.fast || setup.labelRequired);
    EXPECT_TRUE(setup.alertSound);
    EXPECT_EQ(setup.speed, "default");
    EXPECT_FALSE(k5::SetupPackChanged(setup, std::string(63, 'b') + "0")) << "either case";
    EXPECT_TRUE(k5::SetupPackChanged(setup, std::string(64, 'b')));

    const std::pair<std::string, std::string> wrong[] = {
        {"FastTransfer=yes\r\n", "FastTransfer=yes"},
        {"Speed=9600\r\n", "Speed=9600"},
        {"Ports=;\r\n", "no Ports"},
    };
    for (const auto& [line, named] : wrong) {
        std::string text = head;
        text.insert(text.find("ports=COM3"), line);
        EXPECT_NE(ProblemIn(dir.WriteText("wrong.k5station", text)).find(named), std::string::npos) << line;
    }
    std::string noDigest = head;
    noDigest.erase(noDigest.find("packsha256"), 11 + 64 + 2);
    EXPECT_NE(ProblemIn(dir.WriteText("wrong.k5station", noDigest)).find("no PackSha256"), std::string::npos);
    EXPECT_NE(ProblemIn(dir.File("none.k5station")).find("cannot be read"), std::string::npos);
}

}  // namespace
