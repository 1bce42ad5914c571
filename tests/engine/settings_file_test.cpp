#include "settings_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cerrno>

#include "file_replace.h"
#include "settings_fixture.h"

namespace {

using k5::SettingsFile;
using k5::test::SettingsFileTest;

TEST_F(SettingsFileTest, MissingFileGivesPortOneAndSaveCreatesIt) {
    EXPECT_EQ(settings.GetUartPort(), 1);
    EXPECT_FALSE(std::filesystem::exists(path));
    settings.SetUartPort(3);
    settings.SetBaudIndex(0);
    EXPECT_EQ(settings.GetUartPort(), 3);
    EXPECT_EQ(settings.ReadString("Uart", "BaudRate"), "0");
    const std::string eol = k5::platform::kNativeNewline;
    EXPECT_EQ(dir.ReadText("eBikeSet.ini"), "[Uart]" + eol + "Port=3" + eol + "BaudRate=0" + eol);
}

TEST_F(SettingsFileTest, ValueForms) {
    EXPECT_EQ(PortFromFile("[Uart]\nPort=0x5\n"), 5);
    EXPECT_EQ(PortFromFile("[Uart]\nPort=0X1f\n"), 31);
    EXPECT_EQ(PortFromFile("[Uart]\nPort=abc\n"), 1);
    EXPECT_EQ(PortFromFile("[Uart]\nPort=\n"), 1);
    EXPECT_EQ(PortFromFile("[Uart]\nPort=7x\n"), 1);
    EXPECT_EQ(PortFromFile("[Uart]\nPort=12\n"), 12);
    EXPECT_EQ(PortFromFile("[Uart]\nPort=0\n"), 0);
    EXPECT_EQ(PortFromFile("[Uart]\nPort=-2\n"), -2);
    EXPECT_EQ(PortFromFile("[Uart]\nPort = 4 \n"), 4);
    EXPECT_EQ(PortFromFile("[Other]\nPort=4\n"), 1);
    EXPECT_EQ(PortFromFile("[uart]\nPORT=6\n"), 6);  // names match without regard to case
    EXPECT_EQ(PortFromFile("[Uart]\nPort=99999999999\n"), 1);
    EXPECT_EQ(PortFromFile("[Uart]\nPort=\"3\"\n"), 3);
    EXPECT_EQ(PortFromFile("[Uart]\nPort=' 4 '\n"), 1) << "blanks inside the quotes stay";
    EXPECT_EQ(PortFromFile("[Uart]\nPort=3 ; COM3\n"), 1) << "no inline comments";
    EXPECT_EQ(settings.UnusablePortValue(), "3 ; COM3");
    EXPECT_EQ(PortFromFile("\xEF\xBB\xBF[Uart]\r\nPort=5\r\n"), 5);
    // The first section and the first key win.
    EXPECT_EQ(PortFromFile("[Uart]\nBaudRate=0\nPort=2\nPort=5\n[UART]\nPort=6\n"), 2);
    EXPECT_EQ(PortFromFile("[Uart]\nBaudRate=0\n[Uart]\nPort=6\n"), 1);
    EXPECT_EQ(settings.UnusablePortValue(), std::nullopt);

    EXPECT_EQ(k5::ParseSettingsInteger("+7"), 7);
    EXPECT_EQ(k5::ParseSettingsInteger("0x"), std::nullopt);
    EXPECT_EQ(k5::ParseSettingsInteger("0xFFFFFFFF"), -1);
    EXPECT_EQ(k5::ParseSettingsInteger("0x123456789"), std::nullopt);
    EXPECT_EQ(k5::ParseSettingsInteger("++1"), std::nullopt);
}

TEST_F(SettingsFileTest, BaudIndexIsAlwaysZero) {
    dir.WriteText("eBikeSet.ini", "[Uart]\nPort=2\nBaudRate=2\n");
    EXPECT_EQ(settings.GetBaudIndex(), 0);
}

TEST_F(SettingsFileTest, TransferModeIsStandardUnlessAskedFor) {
    using std::chrono::milliseconds;
    EXPECT_FALSE(settings.GetTransferMode().fast);
    EXPECT_FALSE(settings.GetTransferMode().autoSpeed);
    dir.WriteText("eBikeSet.ini", "[Uart]\nFastTransfer=1\nAckGuard=20\nAutoSpeed=1\n");
    EXPECT_TRUE(settings.GetTransferMode().fast);
    EXPECT_TRUE(settings.GetTransferMode().autoSpeed);
    EXPECT_EQ(settings.GetTransferMode().ackGuard, milliseconds(20));
    dir.WriteText("eBikeSet.ini", "[Uart]\nFastTransfer=yes\nAckGuard=5000\n");
    EXPECT_FALSE(settings.GetTransferMode().fast) << "only 1 turns it on";
    EXPECT_EQ(settings.GetTransferMode().ackGuard, k5::kDefaultAckGuard) << "beyond the largest guard";
    settings.SetFastTransfer(true);
    EXPECT_EQ(settings.ReadString("Uart", "FastTransfer"), "1");
}

TEST_F(SettingsFileTest, AWriteChangesOnlyItsOwnLine) {
    const std::string before =
        "; workshop bench 3\r\n[devices]\r\nCOM1=/dev/ttyACM0\r\nnot a key\r\n\r\n"
        "[UART]\r\nport = 2\r\nColour=blue\r\nport=7\r\n; keep me\r\n\r\n[Other]\r\nx=1";
    dir.WriteText("eBikeSet.ini", before);
    settings.SetUartPort(8);
    settings.SetBaudIndex(0);
    std::string after = before;
    after.replace(after.find("port = 2"), 8, "port = 8");
    after.insert(after.find("\r\n\r\n[Other]") + 2, "BaudRate=0\r\n");
    EXPECT_EQ(dir.ReadText("eBikeSet.ini"), after);

    dir.WriteText("eBikeSet.ini", "[Devices]\nCOM1=/dev/ttyACM0");
    settings.SetUartPort(3);
    EXPECT_EQ(dir.ReadText("eBikeSet.ini"), "[Devices]\nCOM1=/dev/ttyACM0\n\n[Uart]\nPort=3\n");
}

TEST_F(SettingsFileTest, RefusedWriteNamesTheFullPathAndChangesNothing) {
    const std::string original = "[Uart]\nPort=4\n";
    dir.WriteText("eBikeSet.ini", original);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    try {
        settings.SetUartPort(9);
        FAIL() << "write was not refused";
    } catch (const k5::ESettingsWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
    }
    EXPECT_EQ(dir.ReadText("eBikeSet.ini"), original);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1)
        << "no temporary file is left behind";
}

TEST_F(SettingsFileTest, AValueWithALineBreakIsRefusedByItsKeyAndChangesNothing) {
    const std::string original = "[Uart]\r\nPort=4\r\n";
    dir.WriteText("eBikeSet.ini", original);
    for (const char* value : {"/home/ws/a\n[Devices]\nCOM3=/dev/ttyS9/fw.Pack", "a\rb"}) {
        try {
            settings.WriteString("Station", "Pack", value);
            FAIL() << "written: " << value;
        } catch (const k5::ESettingsWriteError& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
            EXPECT_EQ(e.Reason(),
                      "the value of Pack in [Station] has a line break, which a settings file "
                      "cannot hold");
        }
    }
    EXPECT_EQ(dir.ReadText("eBikeSet.ini"), original);
}

TEST_F(SettingsFileTest, EveryOtherValueReadsBackAsWritten) {
    dir.WriteText("eBikeSet.ini", "[Station]\nPack=x\n");
    for (const char* value : {" /home/ws/fw.Pack ", "\"quoted\"", "'single'", "\"", "a \"b\" c", "", "\t",
                              "\"open", "'mixed\"", "plain"}) {
        settings.WriteString("Station", "Pack", value);
        EXPECT_EQ(settings.ReadString("Station", "Pack"), value) << dir.ReadText("eBikeSet.ini");
    }
    EXPECT_EQ(dir.ReadText("eBikeSet.ini"), "[Station]\nPack=plain\n") << "quoted only where needed";

    EXPECT_EQ(settings.GetLanguage(), "") << "none stored: the system's";
    settings.SetLanguage("zh_CN");
    EXPECT_EQ(settings.GetLanguage(), "zh_CN");
    EXPECT_EQ(dir.ReadText("eBikeSet.ini").rfind("[Station]\nPack=plain\n", 0), 0u) << "the rest kept";
}

TEST_F(SettingsFileTest, RelativePathIsReportedInFull) {
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    dir.WriteText("ro.ini", "");
    ::chmod(dir.File("ro.ini").c_str(), 0444);
    SettingsFile relative("ro.ini");
    std::string message;
    try {
        relative.SetUartPort(2);
    } catch (const k5::ESettingsWriteError& e) {
        message = e.what();
    }
    std::filesystem::current_path(cwd);
    EXPECT_EQ(message, "Unable to write to " + dir.File("ro.ini"));
}

TEST_F(SettingsFileTest, Utf16FileIsReadAndWrittenBackAsUtf16) {
    // Notepad's "Unicode": a byte-order mark, then UTF-16LE; a comment with a
    // letter outside the BMP, an unpaired surrogate and an odd last byte.
    const auto utf16 = [](std::u16string text, bool bigEndian) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t unit : text) {
            const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
            bytes += bigEndian ? high : low;
            bytes += bigEndian ? low : high;
        }
        return bytes;
    };
    for (bool bigEndian : {false, true}) {
        const std::u16string comment = u"; Prüfstand \U0001F6B2 \xD800\r\n";
        dir.WriteText("eBikeSet.ini", utf16(comment + u"[Uart]\r\nPort=2\r\n", bigEndian) + "!");
        EXPECT_EQ(settings.GetUartPort(), 2);
        settings.SetUartPort(7);
        settings.SetBaudIndex(0);
        EXPECT_EQ(dir.ReadText("eBikeSet.ini"),
                  utf16(comment + u"[Uart]\r\nPort=7\r\nBaudRate=0\r\n", bigEndian) + "!");
    }
}

TEST_F(SettingsFileTest, LoneCarriageReturnsEndLines) {
    EXPECT_EQ(PortFromFile("[Other]\rx=1\r[Uart]\rPort=4\rBaudRate=0\r"), 4);
    settings.SetUartPort(6);
    EXPECT_EQ(dir.ReadText("eBikeSet.ini"), "[Other]\rx=1\r[Uart]\rPort=6\rBaudRate=0\r");
    EXPECT_EQ(settings.GetUartPort(), 6) << "a save reports only what a read returns";

    dir.WriteText("eBikeSet.ini", "[Other]\rx=1\r");
    settings.SetUartPort(3);
    EXPECT_EQ(dir.ReadText("eBikeSet.ini"), "[Other]\rx=1\r\r[Uart]\rPort=3\r");
}

TEST_F(SettingsFileTest, FileTooLargeToReadSaysSoAndIsLeftAlone) {
    const std::string original =
        "[Uart]\nPort=3\n;" + std::string(k5::platform::kLargestReadableFile, 'x') + "\n";
    dir.WriteText("eBikeSet.ini", original);
    EXPECT_EQ(settings.GetUartPort(), 1);
    EXPECT_EQ(settings.ReadError(), EFBIG);
    try {
        settings.SetUartPort(5);
        FAIL() << "write was not refused";
    } catch (const k5::ESettingsWriteError& e) {
        EXPECT_EQ(e.Reason(), "the file is larger than 1 MiB, the most a settings file may be");
    }
    EXPECT_EQ(dir.ReadText("eBikeSet.ini"), original);
    EXPECT_EQ(k5::SettingsProblemText(EISDIR), "it is a folder, not a file");
}

TEST_F(SettingsFileTest, NothingIsCached) {
    EXPECT_EQ(PortFromFile("[Uart]\nPort=2\n"), 2);
    EXPECT_EQ(PortFromFile("[Uart]\nPort=3\n"), 3);
    std::filesystem::remove(path);
    EXPECT_EQ(settings.GetUartPort(), 1);
}

}  // namespace
