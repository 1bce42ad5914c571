// What `k5-iap station` takes from an operator's line.
#include "operator_line.h"

#include <gtest/gtest.h>

namespace {

using Kind = k5::cli::OperatorLine::Kind;

std::string Read(const std::string& line, std::size_t ports) {
    const auto read = k5::cli::ReadOperatorLine(line, ports);
    switch (read.kind) {
        case Kind::GoAll:
            return "go";
        case Kind::GoPort:
            return "go " + std::to_string(read.port);
        case Kind::Label:
            return std::to_string(read.port) + ":" + read.label;
        case Kind::Quit:
            return "quit";
        case Kind::Refused:
            return "refused: " + read.problem;
    }
    return "";
}

TEST(OperatorLine, NumbersLabelsAndJsonObjectsAndWhyAnythingElseIsRefused) {
    // One port: a line that is not exactly its number is its label.
    EXPECT_EQ(Read("", 1), "go");
    EXPECT_EQ(Read("1", 1), "go 1");
    EXPECT_EQ(Read("q", 1), "quit");
    EXPECT_EQ(Read("K5-2412-00311", 1), "1:K5-2412-00311");
    EXPECT_EQ(Read("2", 1), "1:2");
    EXPECT_EQ(Read("1 K5 00311", 1), "1:K5 00311");
    // Several: N LABEL.
    EXPECT_EQ(Read("2", 3), "go 2");
    EXPECT_EQ(Read("3 K5-2412-00311", 3), "3:K5-2412-00311");
    EXPECT_EQ(Read("K5-2412-00311", 3).rfind("refused: which port?", 0), 0u);
    EXPECT_EQ(Read("4 K5", 3).rfind("refused: which port?", 0), 0u);

    EXPECT_EQ(Read(R"({"port":2,"label":"K5-\u00e4\ud83d\ude00 \"x\""})", 3),
              "2:K5-\xC3\xA4\xF0\x9F\x98\x80 \"x\"");
    EXPECT_EQ(Read(R"( { "port" : 2 } )", 3), "go 2");
    EXPECT_EQ(Read(R"({"label":"K5"})", 1), "1:K5");
    EXPECT_EQ(Read(R"({"label":"K5"})", 3).rfind("refused: which port?", 0), 0u);
    for (const char* bad :
         {R"({"port":"2","label":"K5"})", R"({"port":4,"label":"K5"})", R"({"port":2,"label":5})",
          R"({"port":2,"label":"K5","lot":1})", R"({"port":2,"label":"K5"} x)", R"({"port":2,"label":"K5")",
          R"({"port":2,"port":3})", R"({"port":2,"label":"\ud83d"})", R"({"port":2.0})", R"({})"})
        EXPECT_EQ(Read(bad, 3).rfind("refused: ", 0), 0u) << bad;
}

}  // namespace
