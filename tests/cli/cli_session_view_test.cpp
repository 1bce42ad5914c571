#include "cli_session_view.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(CliSessionView, LogLinesKeepTheirBlanksAndJsonIsOneObjectPerLine) {
    std::ostringstream out, err;
    k5::cli::CliSessionView text(out, err, false, false, 3840);
    text.AddLog("UART Port error ");
    text.ShowProgress(true);
    text.SetProgressMax(100);
    text.SetProgressPosition(50);
    EXPECT_EQ(out.str(), "UART Port error \n");
    EXPECT_EQ(err.str(), "") << "no progress line when stderr is not a terminal";

    std::ostringstream jout, jerr;
    k5::cli::CliSessionView json(jout, jerr, true, false, 3840);
    json.AddLog("say \"hi\"\\");
    json.ShowProgress(true);
    json.SetProgressMax(32);
    json.SetProgressPosition(16);
    json.SetProgressPosition(48);  // capped at the maximum
    json.Result("Program sucessully", 0);
    const std::string s = jout.str();
    EXPECT_NE(s.find("{\"log\":\"say \\\"hi\\\"\\\\\"}\n"), std::string::npos) << s;
    EXPECT_NE(s.find("{\"progress\":32,\"max\":32}\n"), std::string::npos) << s;
    EXPECT_NE(s.find("{\"result\":\"Program sucessully\",\"exit\":0}\n"), std::string::npos) << s;
}

TEST(CliSessionView, InteractiveProgressIsClearedAroundLogLinesAndSummarised) {
    std::ostringstream out, err;
    k5::cli::CliSessionView view(out, err, false, true, 3840);
    view.ShowProgress(true);
    view.AddLog("Conntectting MCU....");
    EXPECT_EQ(err.str(), "") << "no count before the image starts";
    view.SetProgressMax(1000);
    view.SetProgressPosition(1000);
    EXPECT_NE(err.str().find("[100%] 1000/1000 bytes"), std::string::npos) << err.str();
    view.AddLog("Program sucessully");
    view.ShowProgress(false);
    EXPECT_NE(err.str().find("\r\033[K"), std::string::npos);
    EXPECT_NE(err.str().find("1000 bytes in "), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("of the line's 3840 B/s"), std::string::npos) << err.str();
}

}  // namespace
