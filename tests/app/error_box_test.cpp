#include <gtest/gtest.h>

#include <stdexcept>

#include "SerialComm.h"
#include "default_error_box.h"
#include "gbk_convert.h"

namespace {

using k5::app::ApplicationTitle;
using k5::app::ErrorBoxText;

TEST(DefaultErrorBox, TitleFromTheExecutableName) {
    EXPECT_EQ(ApplicationTitle("/opt/k5/PROJECT1.EXE"), "Project1");
    EXPECT_EQ(ApplicationTitle("/usr/bin/k5-iap-tool"), "k5-iap-tool");
    EXPECT_EQ(ApplicationTitle("K5-IAP.tool.bin"), "K5-iap");
    EXPECT_EQ(ApplicationTitle("X"), "X");
}

TEST(DefaultErrorBox, FullStopAfterLettersDigitsAndQuestionMarksOnly) {
    auto text = [](const char* m) { return ErrorBoxText(std::runtime_error(m)); };
    EXPECT_EQ(text("File not found"), "File not found.");
    EXPECT_EQ(text("I/O error 32"), "I/O error 32.");
    EXPECT_EQ(text("really?"), "really?.");
    EXPECT_EQ(text("done."), "done.");
    EXPECT_EQ(text("stop!"), "stop!");
    EXPECT_EQ(text("(x)"), "(x)");
    EXPECT_EQ(text("blank "), "blank ");
    EXPECT_EQ(text(""), "");
}

TEST(DefaultErrorBox, GbkMessagesAreShownConverted) {
    const k5::serial::ECommsError open(k5::serial::comm_message::kAlreadyOpen);
    EXPECT_EQ(ErrorBoxText(open), QString::fromUtf8("此串口已经打开."));
    const k5::serial::ECommsError english(k5::serial::comm_message::kCannotOpen);
    EXPECT_EQ(ErrorBoxText(english), "Opne Port Error\r\nmaybe port set is ircorrect.");
    EXPECT_EQ(k5::platform::GbkToUtf8(k5::serial::comm_message::kCannotCreateWriter), "无法创建写线程");
}

}  // namespace
