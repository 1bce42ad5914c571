// The window model without a toolkit: what each click does, shows and enables.
// Runs natively and, for the Windows program, under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <thread>
#include <tuple>
#include <utility>

#include "SerialComm.h"
#include "comm_session_port.h"
#include "dispatched_session_view.h"
#include "error_box_rules.h"
#include "event_loop.h"
#include "gbk_convert.h"
#include "log_lines.h"
#include "main_window_model.h"
#include "message_text.h"
#include "pack_builder.h"
#include "port_dialog_model.h"
#include "port_names.h"
#include "session/memory_port.h"
#include "session_advice.h"
#include "station_layout.h"
#include "station_tile.h"
#include "support/temp_dir.h"
#include "translation.h"
#include "ui_language.h"
#include "window_texts.h"

namespace {

using namespace std::chrono_literals;
using k5::app::MainWindowView;
using Control = MainWindowView::Control;
using Field = MainWindowView::Field;

class RecordingWindow : public MainWindowView {
  public:
    void SetField(Field field, const std::string& text) override { fields[field] = text; }
    void Enable(Control control, bool enabled) override {
        enabled_[control] = enabled;
        enables.push_back({control, enabled});
    }
    void Check(Control control, bool on) override { checked[control] = on; }
    void CheckLanguage(const std::string& language) override { checkedLanguage = language; }
    void ClearLog() override { log.clear(); }
    void AddLog(const std::string& text) override { log.push_back(text); }
    void ShowProgress(bool) override {}
    void SetProgressMax(std::uint32_t) override {}
    void SetProgressPosition(std::uint32_t) override {}
    void Warning(const std::string& text, const std::string& title) override {
        boxes.push_back(text + "|" + title);
        if (whileBoxOpen) std::exchange(whileBoxOpen, nullptr)();
    }
    bool Confirm(const std::string& text) override {
        boxes.push_back(text);
        return confirm;
    }
    std::optional<std::string> ChoosePackFile() override {
        ++fileDialogs;
        if (files.empty()) return std::nullopt;
        auto next = files.front();
        files.pop_front();
        return next;
    }
    void ShowPortDialog() override { ++portDialogs; }
    void ShowStationWindow() override { ++stationWindows; }
    void CloseStationWindow() override {}
    void CloseWindow() override { closed = true; }

    bool Enabled(Control control) { return enabled_.count(control) ? enabled_[control] : true; }

    std::map<Field, std::string> fields;
    std::map<Control, bool> checked;
    std::string checkedLanguage = "?";
    std::vector<std::pair<Control, bool>> enables;
    std::vector<std::string> log, boxes;
    std::deque<std::string> files;
    std::function<void()> whileBoxOpen;  // what arrives while the next box is open
    bool confirm = true, closed = false;
    int fileDialogs = 0, portDialogs = 0, stationWindows = 0;

  private:
    std::map<Control, bool> enabled_;
};

class NoSessionView : public k5::SessionView {
  public:
    void AddLog(const std::string&) override {}
    void ShowProgress(bool) override {}
    void SetProgressMax(std::uint32_t) override {}
    void SetProgressPosition(std::uint32_t) override {}
};

class WindowModelTest : public ::testing::Test {
  protected:
    WindowModelTest() {
        // The session's port is missing: a session runs for about 0.8 s and ends "UART Port error ".
        dir.WriteText("eBikeSet.ini", "[Devices]\nCOM1=" + dir.File("no-port") + "\n");
        session.SetFinishedCallback([this] { loop.Post([this] { model.SessionFinished(); }); });
    }
    std::string Pack(std::uint32_t product = k5::kExpectedProductCode, const char* name = "fw.Pack") {
        k5::sim::PackRecipe recipe;
        recipe.image = k5::sim::GenerateImage(100);
        recipe.productCode = product;
        recipe.version = 0x135;
        return dir.Write(name, k5::sim::BuildPack(recipe));
    }
    void RunUntilIdle() {
        loop.RunUntil([this] { return !session.Running() && loop.RunPending() == 0; }, 10s);
    }

    k5::test::TempDir dir;
    k5::SettingsFile settings{dir.File("eBikeSet.ini")};
    k5::serial::EventLoop loop;
    k5::CommSessionPort port{loop, settings};
    k5::PackStore pack;
    NoSessionView sessionView;
    k5::IapSession session{port, pack, settings, sessionView};
    k5::app::PortUse portUse;
    RecordingWindow window;
    k5::app::MainWindowModel model{window, pack, session, settings, portUse};
};

TEST_F(WindowModelTest, ReadPackShowsWhatThePackHoldsOrSaysWhyNot) {
    model.Btn_ReadUserPackClick();  // cancelled
    EXPECT_TRUE(window.fields.empty());

    window.files = {dir.WriteText("bad.Pack", std::string(131072, '\x55'))};
    model.Btn_ReadUserPackClick();
    EXPECT_EQ(window.boxes.back(), "Pack file was briken|Error");
    ASSERT_EQ(window.log.size(), 2u);
    EXPECT_EQ(window.log[0].rfind("Pack file was briken: the header's CRC does not match;", 0), 0u)
        << "the log says which check failed";
    EXPECT_EQ(window.log[1], "Program stays off until a pack is read.");
    EXPECT_FALSE(window.Enabled(Control::Program));

    window.files = {Pack()};
    model.Btn_ReadUserPackClick();
    EXPECT_EQ(window.fields[Field::FileName], "fw.Pack");
    EXPECT_EQ(window.fields[Field::Version], "309");
    EXPECT_EQ(window.fields[Field::Kind], "Software + Settings");
    EXPECT_TRUE(window.Enabled(Control::Program));

    // A foreign pack: warned about, and Program ends up enabled all the same.
    window.enables.clear();
    window.files = {Pack(7, "other.Pack")};
    model.Btn_ReadUserPackClick();
    EXPECT_EQ(window.boxes.back(), "Pack Eror|Warrning");
    EXPECT_EQ(window.enables,
              (std::vector<std::pair<Control, bool>>{{Control::Program, false}, {Control::Program, true}}));
    EXPECT_EQ(
        window.log.back(),
        "This pack is for product 7, not 20002: program it only if you are sure it fits this controller.");

    // An unreadable file raises for the default error box and changes nothing shown.
    window.files = {dir.File("missing.Pack")};
    EXPECT_THROW(model.Btn_ReadUserPackClick(), k5::EInOutError);
    EXPECT_EQ(window.fields[Field::FileName], "other.Pack");
}

// The language chosen in the menu is stored for the next start; the one in use words what the model
// says, the engine's texts (a pack's rejection) and ours with what they were filled in with.
TEST_F(WindowModelTest, TheLanguageIsStoredForTheNextStartAndTheOneInUseWordsTheBoxesAndTheLog) {
    EXPECT_EQ(window.checkedLanguage, "") << "none stored: the system's";
    model.LanguageClick("de");
    EXPECT_EQ(settings.GetLanguage(), "de");
    EXPECT_EQ(window.checkedLanguage, "de");
    EXPECT_EQ(window.boxes.back(), std::string(k5::app::text::kLanguageAtNextStart) + "|Language");

    struct English {
        ~English() { k5::UseEnglish(); }
    } afterwards;
    ASSERT_TRUE(k5::app::UseLanguage("pseudo"));
    window.files = {dir.WriteText("bad.Pack", std::string(131072, '\x55')), Pack(7, "other.Pack")};
    using k5::Tr;
    ASSERT_STRNE(Tr(k5::kPackBrokenText), k5::kPackBrokenText);
    model.Btn_ReadUserPackClick();
    EXPECT_EQ(window.boxes.back(),
              std::string(Tr(k5::kPackBrokenText)) + "|" + Tr(k5::app::text::kPackBrokenTitle));
    EXPECT_EQ(window.log[0],
              std::string(Tr(k5::kPackBrokenText)) + ": " +
                  Tr("the header's CRC does not match; the file is damaged or is not an update pack"));
    model.Btn_ReadUserPackClick();
    EXPECT_STREQ(window.fields[Field::Kind].c_str(), Tr("Software + Settings"));
    EXPECT_EQ(window.log.back(), k5::FillIn(Tr(k5::app::text::kForeignPackLine), {"7", "20002"}));

    k5::app::UseLanguage("");
    EXPECT_EQ(k5::app::OfferedLanguages().front().name, "English");
    const k5::SettingsFile fresh{dir.File("fresh.ini")};
    EXPECT_EQ(k5::app::UseLanguageFor(fresh, {"pt-BR", "de-AT", "fr"}), "de")
        << "the system's first one here";
    EXPECT_EQ(k5::app::UseLanguageFor(fresh, {"en-US", "de"}), "");
    EXPECT_EQ(k5::app::UseLanguageFor(settings, {"en-US"}), "de") << "the stored one first";
    settings.SetLanguage("en");
    EXPECT_EQ(k5::app::UseLanguageFor(settings, {"de-DE"}), "") << "English chosen whatever the system's";
}

// A second start hands over a broken pack while the first pack's warning is open: it is read only
// once that box has returned, and Program then stays off, so the refused pack is never sent.
TEST_F(WindowModelTest, APackHandedOverDuringABoxWaitsAndARefusedOneIsNeverProgrammed) {
    const std::string broken = dir.WriteText("bad.Pack", std::string(131072, '\x55'));
    window.whileBoxOpen = [&] {
        model.ReadPackFile(broken);
        EXPECT_EQ(window.boxes.size(), 1u) << "not read inside the open box";
    };
    model.ReadPackFile(Pack(30003, "foreign.Pack"));
    EXPECT_EQ(window.boxes, std::vector<std::string>{"Pack Eror|Warrning"});
    EXPECT_TRUE(window.Enabled(Control::Program));
    ASSERT_TRUE(model.PackWaiting());

    model.ReadWaitingPack();
    EXPECT_FALSE(model.PackWaiting());
    EXPECT_EQ(window.boxes.back(), "Pack file was briken|Error");
    EXPECT_EQ(
        window.log.back(),
        "Program stays off until a pack is read: foreign.Pack, still shown above, is no longer loaded.");
    EXPECT_FALSE(window.Enabled(Control::Program));
    model.Btn_SendToControllerClick();
    EXPECT_FALSE(model.SessionRunning()) << "a refused pack is not sent, whatever the view enables";
}

// A station set-up handed over (a double-clicked "Line 3.k5station", any case) opens the station
// window with it, and is not read as a pack.
TEST_F(WindowModelTest, ASetUpHandedOverOpensTheStationWindow) {
    model.PackHandedOver(dir.File("Line 3.K5Station"));
    model.ReadWaitingPack();
    EXPECT_EQ(window.stationWindows, 1);
    EXPECT_TRUE(window.boxes.empty() && window.log.empty()) << "not read as a pack";
}

TEST_F(WindowModelTest, ASessionLocksPackAndPortAndClosingAsksFirst) {
    window.files = {Pack()};
    model.Btn_ReadUserPackClick();
    window.log = {"old line"};
    model.Btn_SendToControllerClick();
    ASSERT_TRUE(model.SessionRunning());
    EXPECT_TRUE(window.log.empty()) << "Program clears the log";
    EXPECT_FALSE(window.Enabled(Control::ReadPack));
    EXPECT_FALSE(window.Enabled(Control::UartPort));
    EXPECT_FALSE(window.Enabled(Control::FastTransfer));

    // Refused while programming: no dialog opens; a second Program only clears the log.
    model.Btn_ReadUserPackClick();
    model.UartPort1Click();
    model.FastTransfer1Click();
    EXPECT_FALSE(settings.ReadString("Uart", "FastTransfer")) << "the mode does not change under a session";
    EXPECT_EQ(window.fileDialogs, 1);
    EXPECT_EQ(window.portDialogs, 0);
    window.log = {"x"};
    model.Btn_SendToControllerClick();
    EXPECT_TRUE(window.log.empty());

    window.confirm = false;
    EXPECT_FALSE(model.CloseRequested());
    EXPECT_EQ(window.boxes.back(), k5::app::text::kStopAndCloseQuestion);
    window.confirm = true;
    EXPECT_FALSE(model.CloseRequested()) << "yes stops the session; the window closes once it has ended";
    RunUntilIdle();
    EXPECT_TRUE(window.closed);
    EXPECT_TRUE(window.Enabled(Control::ReadPack));
    EXPECT_TRUE(window.Enabled(Control::UartPort));
    EXPECT_TRUE(model.CloseRequested());
    model.UartPort1Click();
    EXPECT_EQ(window.portDialogs, 1);
}

TEST_F(WindowModelTest, APortTheStationHoldsIsRefusedAndASessionHoldsItsPortAndWritesItsTrace) {
    window.files = {Pack()};
    model.Btn_ReadUserPackClick();
    const std::string device = k5::ResolvePortName("COM1", settings);
    portUse.SetStationDevices({device});
    model.Btn_SendToControllerClick();
    EXPECT_FALSE(model.SessionRunning());
    EXPECT_EQ(window.boxes.back(),
              std::string("COM1 ") + k5::app::text::kSessionPortTaken + "|" + k5::app::text::kWindowTitle);

    portUse.ClearStationDevices();
    settings.WriteString("Trace", "File", dir.File("trace.txt"));  // the session's wire trace, asked for
    model.Btn_SendToControllerClick();
    ASSERT_TRUE(model.SessionRunning());
    EXPECT_TRUE(portUse.SessionHolds(device));
    RunUntilIdle();
    EXPECT_FALSE(portUse.SessionHolds(device));
    const std::string trace = dir.ReadText("trace.txt");
    EXPECT_NE(trace.find("tool k5-iap-tool "), std::string::npos) << trace;
    EXPECT_NE(trace.find(" end UART Port error "), std::string::npos) << trace;
    ASSERT_EQ(window.log.size(), 1u) << "the session's own lines go to its view";
    EXPECT_EQ(window.log[0].rfind(dir.File("no-port") + ": no such device: is the adapter plugged in?", 0),
              0u)
        << "why the port did not open, in doctor's words: " << window.log[0];

    const std::string packBytes = dir.ReadText("fw.Pack");
    settings.WriteString("Trace", "File", dir.File("fw.Pack"));  // a pack named by mistake
    model.Btn_SendToControllerClick();
    RunUntilIdle();
    EXPECT_EQ(window.log.front(), std::string(k5::app::text::kTraceUnwritable) + " " + dir.File("fw.Pack") +
                                      ": it holds something else than a wire trace; it is left as it was: "
                                      "choose another file");
    EXPECT_EQ(dir.ReadText("fw.Pack"), packBytes);
}

TEST_F(WindowModelTest, FastTransferIsCheckedAsTheSettingsHaveItAndItsClickSavesTheOtherState) {
    EXPECT_FALSE(window.checked[Control::FastTransfer]);
    model.FastTransfer1Click();
    EXPECT_TRUE(window.checked[Control::FastTransfer]);
    EXPECT_TRUE(settings.GetTransferMode().fast);
    RecordingWindow reopened;
    k5::app::MainWindowModel again{reopened, pack, session, settings, portUse};
    EXPECT_TRUE(reopened.checked[Control::FastTransfer]) << "shown as saved when the window opens";
    model.FastTransfer1Click();
    EXPECT_FALSE(window.checked[Control::FastTransfer]);
    EXPECT_EQ(settings.ReadString("Uart", "FastTransfer"), "0");
}

// After the session's own lines: where nothing answered and what to check, and a controller
// left with part of a new image.
TEST(MainWindowAdvice, NothingAnsweredNamesThePortAndAFailedImageSaysProgramAgain) {
    k5::test::TempDir dir;
    dir.WriteText("eBikeSet.ini", "[Devices]\nCOM1=" + dir.File("k5-cable") + "\n");
    k5::SettingsFile settings{dir.File("eBikeSet.ini")};
    k5::sim::PackRecipe recipe;
    recipe.image = k5::sim::GenerateImage(4096);
    k5::PackStore pack;
    ASSERT_TRUE(pack.LoadPack(dir.Write("fw.Pack", k5::sim::BuildPack(recipe))));
    const auto run = [&](k5::sim::SimOptions controller) {
        controller.pace = false;
        k5::test::MemoryPort port(std::move(controller));
        NoSessionView sessionView;
        k5::IapSession session{port, pack, settings, sessionView};
        k5::app::PortUse portUse;
        RecordingWindow window;
        k5::app::MainWindowModel model{
            window,
            pack,
            session,
            settings,
            portUse,
            {[](const std::string&) { return true; }, [] { return std::vector<k5::PortChoice>{}; },
             [](const std::string&) { return std::vector<std::string>{}; }}};
        window.files = {dir.File("fw.Pack")};
        model.Btn_ReadUserPackClick();
        model.Btn_SendToControllerClick();
        session.WaitUntilIdle(std::chrono::seconds(60));
        model.SessionFinished();
        return window.log;
    };
    k5::sim::SimOptions silent;
    silent.noProbeAnswer = true;
    const auto unanswered = run(silent);
    ASSERT_FALSE(unanswered.empty());
    EXPECT_EQ(unanswered.back().rfind("Nothing answered on COM1 (", 0), 0u) << unanswered.back();
    EXPECT_NE(unanswered.back().find("Uart > Uart Port shows the ports"), std::string::npos);

    k5::sim::SimOptions pulled;
    pulled.unplugAfterBytes = 2000;
    EXPECT_EQ(run(pulled).back(), k5::kFirmwareIncompleteText);
}

TEST(StationTile, AFailureSaysThatNothingAnsweredOrThatTheFirmwareIsIncomplete) {
    k5::PortStatus status;
    status.name = "COM5";
    status.device = "/dev/ttyUSB4";
    status.activity = k5::PortActivity::Waiting;
    status.lastOutcome = k5::SessionOutcome::ConnectFail;
    status.lastStep = k5::SessionStep::Connect;
    const std::string unanswered = k5::app::TileFor(status, "").detail;
    EXPECT_EQ(unanswered.rfind(std::string("Conntect  fail\n") + k5::app::text::kTileNothingAnswered, 0), 0u)
        << unanswered;
    EXPECT_EQ(unanswered.find(k5::app::text::kTileFirmwareIncomplete), std::string::npos);

    status.lastOutcome = k5::SessionOutcome::Stopped;
    status.lastStep = k5::SessionStep::Image;
    EXPECT_NE(k5::app::TileFor(status, "").detail.find(k5::app::text::kTileFirmwareIncomplete),
              std::string::npos)
        << "stopped once the image was going out";
}

TEST(LogLines, ALineTooWideBreaksBetweenWordsAndOneThatFitsStaysWhole) {
    const auto tenChars = [](const std::string& piece) { return piece.size() <= 10; };
    EXPECT_EQ(k5::app::BreakLogLine("Conntect  fail", [](const std::string&) { return true; }),
              std::vector<std::string>{"Conntect  fail"});
    EXPECT_EQ(k5::app::BreakLogLine("Nothing answered on COM1 (/dev/ttyS0)", tenChars),
              (std::vector<std::string>{"Nothing", "  answered", "  on COM1", "  (/dev/ttyS0)"}));
}

class RecordingDialog : public k5::app::PortDialogView {
  public:
    void SelectPort(int position) override { port = position; }
    void SelectBaud(int position) override { baud = position; }
    int SelectedPort() const override { return port; }
    int SelectedBaud() const override { return baud; }
    void CloseDialog(bool saved) override { closed = saved ? 'S' : 'X'; }
    void ShowPortLine(const std::string& text) override { line = text; }
    int port = 0, baud = 0;
    char closed = 0;
    std::string line;
};

// The line under the port box: a port that is there, what it is and who holds
// it; one that is not, and the one adapter to choose instead.
TEST(PortDialogModel, TheLineSaysWhatThePortIsOrWhichAdapterToChoose) {
    k5::test::TempDir dir;
    k5::SettingsFile settings(dir.File("eBikeSet.ini"));
    dir.WriteText("eBikeSet.ini", "[Uart]\nPort=3\n[Devices]\nCOM2=ttyUSB0\nCOM3=ttyUSB2\nCOM4=ttyUSB1\n");
    std::vector<k5::PortChoice> present = {
        {"COM2", "ttyUSB0", "USB adapter 1a86:7523 QinHeng USB Serial", true}};
    k5::app::PortLookup lookup{
        [&](const std::string& device) {
            return std::any_of(present.begin(), present.end(),
                               [&](const auto& p) { return p.device == device; });
        },
        [&] { return present; },
        [](const std::string& device) {
            return device == "ttyUSB0" ? std::vector<std::string>{"minicom (pid 42)"}
                                       : std::vector<std::string>{};
        },
    };
    RecordingDialog dialog;
    k5::app::PortDialogModel model(dialog, settings, {}, lookup);
    model.FormShow();
    EXPECT_EQ(dialog.line, "COM3 is not present; the adapter found is COM2")
        << "the stored port, as it opens";
    EXPECT_EQ(dialog.port, 2) << "the selection stays";
    dialog.port = 1;
    model.PortSelectionChanged();
    EXPECT_EQ(dialog.line, "USB adapter 1a86:7523 QinHeng USB Serial; in use by minicom (pid 42)");

    present.push_back({"COM4", "ttyUSB1", "USB adapter 0403:6001 FTDI FT232R USB UART", true});
    dialog.port = 2;
    model.PortSelectionChanged();
    EXPECT_EQ(dialog.line, "COM3 is not present") << "two adapters: no guess";
}

TEST(PortDialogModel, ShowSaveAndExit) {
    k5::test::TempDir dir;
    k5::SettingsFile settings(dir.File("eBikeSet.ini"));
    RecordingDialog dialog;
    k5::app::PortDialogModel model(dialog, settings, {});
    const auto shown = [&](const char* file) {
        dir.WriteText("eBikeSet.ini", file);
        model.FormShow();
        return dialog.port;
    };
    EXPECT_EQ(shown("[Uart]\nPort=3\nBaudRate=2\n"), 2);
    EXPECT_EQ(dialog.baud, 0) << "the baud box always shows index 0";
    EXPECT_EQ(shown("[Uart]\nPort=0\n"), 0);
    EXPECT_EQ(shown("[Uart]\nPort=12\n"), -1) << "beyond com9: nothing selected";

    model.Button2Click();
    EXPECT_EQ(dialog.closed, 'X');
    EXPECT_EQ(settings.ReadString("Uart", "Port"), "12") << "Exit writes nothing";
    model.Button1Click();
    EXPECT_EQ(dialog.closed, 'S');
    EXPECT_EQ(settings.ReadString("Uart", "Port"), "12") << "no entry selected keeps a hand-set port";
    EXPECT_EQ(settings.ReadString("Uart", "BaudRate"), "0");

    dir.WriteText("eBikeSet.ini", "[Devices]\nCOM2=/dev/ttyUSB0\n");
    EXPECT_EQ(model.PortEntryDevice(1), "/dev/ttyUSB0") << "the tooltip of com2";
}

TEST(PortDialogModel, PortsAboveCom9FollowTheFirstNineAndSaveTheirNumber) {
    k5::test::TempDir dir;
    k5::SettingsFile settings(dir.File("eBikeSet.ini"));
    dir.WriteText("eBikeSet.ini",
                  "[Uart]\nPort=12\n[Devices]\ncom15=/dev/ttyUSB3\nCOM16=\nCOM3=/dev/ttyS9\n");
    RecordingDialog dialog;
    k5::app::PortDialogModel model(dialog, settings,
                                   {12});  // COM12 present; COM15 mapped; COM16 mapped to nothing
    ASSERT_EQ(model.PortEntryCount(), 11);
    EXPECT_EQ(model.PortEntryText(8), "com9");
    EXPECT_EQ(model.PortEntryText(9), "com12");
    EXPECT_EQ(model.PortEntryText(10), "com15");
    EXPECT_EQ(model.PortEntryDevice(10), "/dev/ttyUSB3");
    model.FormShow();
    EXPECT_EQ(dialog.port, 9);
    dialog.port = 10;
    model.Button1Click();
    EXPECT_EQ(settings.ReadString("Uart", "Port"), "15");
}

TEST(DispatchedSessionView, CallsReachTheUiThreadInOrderAndAddLogWaitsForItsLine) {
    k5::serial::EventLoop ui;
    std::vector<std::string> calls;  // touched on the UI thread only
    k5::app::DispatchedSessionView view(
        ui, {[&](const std::string& line) { calls.push_back(line); },
             [&](bool visible) { calls.push_back(visible ? "show" : "hide"); },
             [&](std::uint32_t maximum) { calls.push_back("max " + std::to_string(maximum)); },
             [&](std::uint32_t position) { calls.push_back("at " + std::to_string(position)); }});
    std::atomic<bool> firstLineReturned{false};
    std::size_t seenWhenReturned = 0;
    std::thread worker([&] {
        view.ShowProgress(true);
        view.SetProgressMax(64);
        view.SetProgressPosition(16);
        view.AddLog("Programing...");
        firstLineReturned = true;
        view.ShowProgress(false);
    });
    ui.RunUntil(
        [&] {
            if (firstLineReturned && seenWhenReturned == 0) seenWhenReturned = calls.size();
            return firstLineReturned && calls.size() == 5;
        },
        5s);
    worker.join();
    EXPECT_EQ(calls, (std::vector<std::string>{"show", "max 64", "at 16", "Programing...", "hide"}));
    EXPECT_GE(seenWhenReturned, 4u) << "AddLog returned before its line was shown";

    // A window going away releases a worker waiting for its line.
    std::thread late([&] { view.AddLog("never shown"); });
    std::this_thread::sleep_for(50ms);
    view.Abandon();
    late.join();
}

TEST(ErrorBoxRules, TitleFromTheExecutableOnEitherPlatform) {
    EXPECT_EQ(k5::app::ApplicationTitleFor("C:\\K5\\PROJECT1.EXE"), "Project1");
    EXPECT_EQ(k5::app::ApplicationTitleFor("/usr/bin/k5-iap-tool"), "k5-iap-tool");
}

TEST(ErrorBoxRules, NothingEscapesAGuardedHandler) {
    std::vector<std::string> shown;
    const auto show = [&shown](const std::string& text) { shown.push_back(text); };
    k5::app::RunHandlerGuarded([] { throw std::runtime_error("Pack file was briken"); }, show);
    k5::app::RunHandlerGuarded([] { throw 42; }, show);
    k5::app::RunHandlerGuarded([] {}, show);
    EXPECT_EQ(shown, (std::vector<std::string>{"Pack file was briken.", "Unknown error."}));
}

// The serial component's messages, kept in GBK, are in the catalogue as the error box shows them,
// and shown in the language in use.
TEST(ErrorBoxRules, TheSerialComponentsMessagesAreShownInTheLanguageInUse) {
    namespace message = k5::serial::comm_message;
    std::vector<std::string> shown;
    for (const char* gbk :
         {message::kAlreadyOpen, message::kCannotOpen, message::kQueueSetupFailed,
          message::kCannotCreateEvent, message::kCannotCreateReader, message::kCannotCreateWriter})
        shown.push_back(k5::platform::GbkToUtf8(gbk).value_or("?"));
    shown[1].erase(shown[1].find('\r'), 1);  // "\r\n" as the catalogue breaks lines, with "\n"
    EXPECT_EQ(shown, std::vector<std::string>(k5::app::SerialMessageTexts().begin(),
                                              k5::app::SerialMessageTexts().end()));
    struct English {
        ~English() { k5::UseEnglish(); }
    } afterwards;
    ASSERT_TRUE(k5::app::UseLanguage("pseudo"));
    EXPECT_EQ(k5::app::ErrorBoxTextFor(k5::serial::ECommsError(message::kAlreadyOpen)),
              k5::WithFullStop(k5::Tr("此串口已经打开")));
    EXPECT_STRNE(k5::Tr("此串口已经打开"), "此串口已经打开");
}

}  // namespace

// The station window's opening size: every tile in up to four columns, never beyond the screen.
TEST(StationLayout, OpensForEveryTileWithinTheScreen) {
    using namespace k5::app::station_layout;
    constexpr Size controls{520, 250}, tile{300, 200}, large{1900, 1000}, small{800, 600};
    EXPECT_EQ(OpeningSize(controls, tile, 3, large).width, TileAreaSize(3, 3, tile).width);
    EXPECT_EQ(OpeningSize(controls, tile, 3, large).height, 250 + 10 + 200 + 10);
    EXPECT_EQ(OpeningSize(controls, tile, 8, large).width, TileAreaSize(8, 4, tile).width) << "four at most";
    EXPECT_EQ(OpeningSize(controls, tile, 0, large).height, 250 + 10 + 200 + 10) << "room for the first";
    const Size cramped = OpeningSize(controls, tile, 8, small);
    EXPECT_LE(cramped.width, small.width);
    EXPECT_EQ(cramped.height, small.height) << "the rest scrolls";
    EXPECT_EQ(Columns(small.width, tile.width), 2);
    EXPECT_EQ(Columns(100, tile.width), 1);
}

// The tiles share the window: four as 2x2 or 4x1, whichever shows their state larger, every tile in
// the area and filling it; too small an area keeps them at their least size and scrolls the rows.
TEST(StationLayout, TilesShareTheAreaInTheColumnsThatShowThemLargest) {
    using namespace k5::app::station_layout;
    constexpr Size least{300, 300};
    constexpr int state = 36;
    const auto fills = [&](Size area, const TileGrid& grid) {
        const Size used = TileAreaSize(4, grid.columns, grid.tile);
        return used.width <= area.width && used.height <= area.height &&
               area.width - used.width < grid.columns + kGap && area.height - used.height < 4 + kGap;
    };
    const Size window{1600, 744};  // a 1600 x 1000 window below its controls
    const TileGrid square = ShareArea(4, window, least, state);
    EXPECT_EQ(square.columns, 2) << "wider tiles let the state grow more than taller ones";
    EXPECT_TRUE(fills(window, square));
    EXPECT_GT(square.statePercent, 200);
    const Size strip{1600, 330};
    const TileGrid row = ShareArea(4, strip, least, state);
    EXPECT_EQ(row.columns, 4) << "too low for two rows";
    EXPECT_TRUE(fills(strip, row));
    EXPECT_EQ(ShareArea(1, {3000, 3000}, least, state).statePercent, kMostStatePercent);

    const TileGrid cramped = ShareArea(4, {700, 400}, least, state);
    EXPECT_EQ(cramped.columns, 2);
    EXPECT_EQ(cramped.tile.height, least.height) << "the second row scrolls";
    EXPECT_EQ(cramped.statePercent, 100);

    // At Start, a window opened small grows until every tile shows at its least size at least.
    constexpr Size controls{520, 256}, screen{1900, 1000};
    const Size grown = GrownForTiles({625, 510}, controls, least, 4, screen);
    const TileGrid shown = ShareArea(4, {grown.width, grown.height - controls.height}, least, state);
    EXPECT_GE(TileAreaSize(4, shown.columns, shown.tile).height, least.height);
    EXPECT_LE(TileAreaSize(4, shown.columns, shown.tile).height, grown.height - controls.height)
        << "no row below the fold";
    EXPECT_EQ(GrownForTiles({1800, 900}, controls, least, 4, screen).width, 1800) << "never made smaller";
    EXPECT_EQ(GrownForTiles({625, 510}, controls, least, 8, {1024, 700}).height, 700) << "within the screen";
}

TEST(StationLayout, OpensWithinTheWorkArea) {
    using k5::app::station_layout::WithinWorkArea;
    const k5::app::layout::Box work{0, 30, 1024, 738};  // a panel along the top
    const auto fitted = WithinWorkArea({40, 60, 900, 738}, work);
    EXPECT_EQ(fitted.y, 30) << "moved up, not past the bottom";
    EXPECT_EQ(fitted.height, 738);
    EXPECT_EQ(fitted.x, 40) << "kept where it already fits";
    const auto large = WithinWorkArea({-20, 0, 1200, 900}, work);
    EXPECT_TRUE(large.x == 0 && large.y == 30 && large.width == 1024 && large.height == 738);
}

TEST(MainWindowLayout, AsGivenUpToItsOpeningSizeThenTheLogTakesTheRoom) {
    using namespace k5::app::layout;
    const auto at = [](Box b) { return std::make_tuple(b.x, b.y, b.width, b.height); };
    const auto opening = MainWindowLayout(480, 430, 480, 430);
    const auto least = MainWindowLayout(kMinClientWidth, kMinClientHeight, 480, 430);
    for (const auto& boxes : {opening, least}) {
        EXPECT_EQ(at(boxes.log), at(kLog));
        EXPECT_EQ(at(boxes.gauge), at(kGauge));
        EXPECT_EQ(at(boxes.noticeOldTool), at(kNoticeOldTool));
        EXPECT_EQ(at(boxes.webAddress), at(kWebAddress));
    }
    EXPECT_LE(kPackGroup.x + kPackGroup.width, kMinClientWidth);
    EXPECT_LE(kNoticeOldTool.y + kNoticeLineHeight, kMinClientHeight);

    const auto larger = MainWindowLayout(480 + 100, 430 + 60, 480, 430);
    EXPECT_EQ(at(larger.log), std::make_tuple(kLog.x, kLog.y, kLog.width + 100, kLog.height + 60));
    EXPECT_EQ(larger.gauge.width, larger.log.width);
    for (const Box& line : {larger.notice, larger.noticeReconnect, larger.noticeOldTool, larger.webAddress}) {
        EXPECT_GE(line.y + 1, larger.log.y + larger.log.height) << "below the log as it grows";
    }
    EXPECT_EQ(larger.noticeOldTool.y, kNoticeOldTool.y + 60);
}
