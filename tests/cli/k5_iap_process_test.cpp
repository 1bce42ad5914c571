// Runs the built k5-iap and k5-sim programs as a user would.
#include <gtest/gtest.h>

#include "support/run_command.h"
#include "support/temp_dir.h"

namespace {

using k5::test::RunCommand;

const std::string kIap = K5_IAP_PATH;
const std::string kSim = K5_SIM_PATH;

TEST(K5IapProgram, MkpackThenInfo) {
    k5::test::TempDir dir;
    const auto pack = dir.File("demo.Pack");
    auto made = RunCommand(kSim + " mkpack --out " + pack + " --length 1000 --version 0x134 --kind 0");
    ASSERT_EQ(made.status, 0) << made.out;
    auto info = RunCommand(kIap + " info --json " + pack);
    EXPECT_EQ(info.status, 0) << info.out;
    EXPECT_NE(info.out.find("\"version\":308"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("\"imageLength\":1000"), std::string::npos);
    EXPECT_NE(info.out.find("\"kind\":\"Software Only\""), std::string::npos);

    ASSERT_EQ(RunCommand(kSim + " mkpack --out " + pack + " --length 16 --bad-crc").status, 0);
    EXPECT_EQ(RunCommand(kIap + " info " + pack).status, 3);

    // mkpack makes only what the loader takes: the largest image, not one byte more.
    ASSERT_EQ(RunCommand(kSim + " mkpack --out " + pack + " --length 131024").status, 0);
    EXPECT_EQ(RunCommand(kIap + " info " + pack).status, 0);
    const std::string image = dir.WriteText("big.bin", std::string(131025, 'x'));
    EXPECT_NE(RunCommand(kSim + " mkpack --out " + pack + " --length 131025").status, 0);
    EXPECT_NE(RunCommand(kSim + " mkpack --out " + pack + " --image " + image).status, 0);
}

TEST(K5IapProgram, WrongUsageExits64) {
    EXPECT_EQ(RunCommand(kIap).status, 64);
    EXPECT_EQ(RunCommand(kIap + " info").status, 64);
    EXPECT_EQ(RunCommand(kIap + " frobnicate x").status, 64);
    EXPECT_EQ(RunCommand(kIap + " --help").status, 0);
}

}  // namespace
