// The Win32 desktop program's windows, made in this process and driven with
// messages as a person's clicks arrive; the prompts are answered by script.
// Runs under Wine on Xvfb (and on Windows).
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

#include "built_in_catalogues.h"
#include "p_UartSet.h"
#include "p_UpdateDispController.h"
#include "pack_builder.h"
#include "session_state.h"
#include "single_instance.h"
#include "station_tile.h"
#include "station_window.h"
#include "support/every_tile.h"
#include "support/temp_dir.h"
#include "translation.h"
#include "ui_language.h"
#include "utf8_path.h"
#include "win32_dispatcher.h"
#include "win32_text.h"
#include "window_texts.h"

namespace {

using namespace std::chrono_literals;
using k5::app::win32::F_UartSet;
using k5::app::win32::TF_UpdateDispController;

class ScriptedPrompts : public k5::app::win32::Win32Prompts {
  public:
    std::optional<std::string> ChoosePackFile(HWND) override {
        if (files.empty()) return std::nullopt;
        auto next = files.front();
        files.pop_front();
        return next;
    }
    std::optional<std::string> ChooseRecordFile(HWND, const std::string&) override {
        if (records.empty()) return std::nullopt;
        auto next = records.front();
        records.pop_front();
        return next;
    }
    std::optional<std::string> ChooseSetupFile(HWND, const std::string&) override {
        if (setups.empty()) return std::nullopt;
        auto next = setups.front();
        setups.pop_front();
        return next;
    }
    std::optional<std::string> AskText(HWND, const std::string& question, const std::string&,
                                       const std::string&) override {
        boxes.push_back("asked: " + question);
        if (answers.empty()) return std::nullopt;
        auto next = answers.front();
        answers.pop_front();
        return next;
    }
    void Warning(HWND, const std::string& text, const std::string& title) override {
        boxes.push_back("warning: " + text + "|" + title);
    }
    void Error(HWND, const std::string& text, const std::string& title) override {
        boxes.push_back("error: " + text + "|" + title);
    }
    bool Confirm(HWND, const std::string& text, const std::string&) override {
        boxes.push_back("question: " + text);
        if (whileAsking) whileAsking();
        return true;
    }

    std::deque<std::string> files;
    std::deque<std::string> records;
    std::deque<std::string> setups;   // answers of the set-up's save dialog
    std::deque<std::string> answers;  // texts given to questions with a text field; none left: cancelled
    std::vector<std::string> boxes;
    std::function<void()> whileAsking;  // runs while a question is open
};

// Ports COM5, COM6, ... as the station lists them.
std::vector<k5::PortChoice> ComPorts(int count) {
    std::vector<k5::PortChoice> ports;
    for (int i = 0; i < count; ++i) {
        const std::string name = "COM" + std::to_string(5 + i);
        ports.push_back({name, name, "serial port"});
    }
    return ports;
}

bool Shown(HWND control) { return (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0; }

std::string TextOf(HWND control) {
    wchar_t text[512] = {};
    GetWindowTextW(control, text, static_cast<int>(std::size(text)));
    return k5::Narrow(text);
}

class Win32WindowTest : public ::testing::Test {
  protected:
    Win32WindowTest() {
        k5::app::win32::F_UpdateDispController = &window;
        window.Show(SW_SHOWNOACTIVATE);
    }

    void Click(TF_UpdateDispController::CommandId command) {
        SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
    }
    bool Enabled(TF_UpdateDispController::CommandId command) const { return window.IsEnabled(command); }
    std::vector<std::string> Log() const {
        std::vector<std::string> lines;
        const auto count = SendMessageW(window.ListBox1, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t line[512] = {};
            SendMessageW(window.ListBox1, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line));
            lines.push_back(k5::Narrow(line));
        }
        return lines;
    }
    // Runs the message loop until `done` or `limit`.
    template <typename Done>
    bool PumpUntil(Done done, std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        return true;
    }
    std::string Pack(std::uint32_t product, const std::string& name, std::size_t imageLength = 4096) {
        k5::sim::PackRecipe recipe;
        recipe.image = k5::sim::GenerateImage(imageLength);
        recipe.productCode = product;
        recipe.version = 258;
        recipe.packKind = 0xAB;
        image = recipe.image;
        return dir.Write(name, k5::sim::BuildPack(recipe));
    }

    // The COM ports of the station's simulated controllers (tests/windows/sim_fixture.sh),
    // from K5_TEST_STATION_SIMS: a bootloader, a running firmware, a bootloader whose cable is
    // pulled mid-transfer, a bootloader. Wine's QueryDosDevice does not see COM ports linked
    // after it started, so the tests name them.
    static std::vector<std::string> StationSims() {
        std::vector<std::string> ports;
        const char* listed = std::getenv("K5_TEST_STATION_SIMS");
        std::istringstream in(listed != nullptr ? listed : "");
        for (std::string port; std::getline(in, port, ',');) ports.push_back(port);
        return ports;
    }
    // A station window on `port` alone, with a pack and a record, started (or not yet).
    std::unique_ptr<k5::app::win32::StationWindow> StartStationOn(const std::string& port,
                                                                  bool start = true) {
        using Station = k5::app::win32::StationWindow;
        auto station =
            std::make_unique<Station>(uiThread, settings, prompts, stationPorts, window.Handle(), [port] {
                return std::vector<k5::PortChoice>{{port, port, "serial port"}};
            });
        station->Show();
        prompts.files = {Pack(20002, "fw.Pack", 20000)};
        station->Click(Station::kReadPackId);
        prompts.records = {k5::Utf8FromPath(dir.Path() / "record.csv")};
        station->Click(Station::kChooseRecordId);
        station->CheckPort(0, true);
        if (start) station->Click(Station::kStartId);
        return station;
    }
    // Text then Enter in a tile's label field, as a scanner types it.
    static void Scan(HWND field, const std::string& label) {
        for (const char c : label) SendMessageW(field, WM_CHAR, static_cast<WPARAM>(c), 0);
        SendMessageW(field, WM_CHAR, L'\r', 0);
    }

    k5::test::TempDir dir;
    k5::SettingsFile settings{dir.Path() / "eBikeSet.ini"};
    ScriptedPrompts prompts;
    k5::app::PortUse stationPorts;
    k5::PackStore pack;
    std::vector<std::uint8_t> image;
    TF_UpdateDispController window{settings, prompts, pack};
    // Runs work from inside the modal loop of a dialog the test opens.
    k5::app::win32::Win32Dispatcher uiThread;
};

// Whatever face stands in for the named one, each text fits its label on one
// line and stays inside its group or the window, clear of its row's neighbour.
TEST_F(Win32WindowTest, EveryLabelFitsItsText) {
    RECT client;
    GetClientRect(window.Handle(), &client);
    const auto boxOf = [&](HWND control) {
        RECT box;
        GetWindowRect(control, &box);
        MapWindowPoints(nullptr, window.Handle(), reinterpret_cast<POINT*>(&box), 2);
        return box;
    };
    for (HWND label : {window.Label5, window.Label1, window.Label2, window.Label4, window.Label3,
                       window.Label6, window.Label7}) {
        const std::wstring text = k5::Widen(TextOf(label));
        const HDC dc = GetDC(label);
        const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
        SIZE needed{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &needed);
        SelectObject(dc, old);
        ReleaseDC(label, dc);
        const RECT box = boxOf(label);
        EXPECT_LE(needed.cx, box.right - box.left) << TextOf(label);
        const RECT within = label == window.Label5 || label == window.Label1 || label == window.Label2
                                ? window.GroupBox1
                                : client;
        EXPECT_LE(box.right, within.right) << TextOf(label);
    }
    EXPECT_LE(boxOf(window.Label4).right, boxOf(window.Label7).left)
        << "the notice stops short of the address";
}

// The room `text` needs in `control`'s font: on one line, or wrapped at `width`.
SIZE Needed(HWND control, const std::string& text, int width = 0) {
    const std::wstring wide = k5::Widen(text);
    const HDC dc = GetDC(control);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT needed{0, 0, width, 0};
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &needed,
              DT_CALCRECT | DT_NOPREFIX | (width > 0 ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {needed.right, needed.bottom};
}

SIZE SizeOf(HWND control) {
    RECT box;
    GetClientRect(control, &box);
    return {box.right, box.bottom};
}

// Every language the program has and the pseudo-language (each text about 40 % longer): the main
// window's labels and buttons, the port dialog's and the station's, and a tile in each of its states
// show their texts whole, as the window opens and at its smallest.
TEST_F(Win32WindowTest, EveryLanguagesTextsFitTheMainWindowThePortDialogAndTheStationsTiles) {
    struct English {
        ~English() { k5::UseEnglish(); }
    } afterwards;
    std::vector<std::string> languages{""};
    for (const auto& built : k5::BuiltInCatalogues()) languages.emplace_back(built.language);
    for (const std::string& language : languages) {
        SCOPED_TRACE("language " + (language.empty() ? std::string("en") : language));
        ASSERT_TRUE(k5::app::UseLanguage(language));
        TF_UpdateDispController w(settings, prompts, pack);
        k5::app::win32::F_UpdateDispController = &w;
        EXPECT_EQ(TextOf(w.Label3), k5::Tr(k5::app::text::kNoticeReconnect));
        EXPECT_EQ(TextOf(w.Handle()), k5::app::text::kWindowTitle);
        for (int smallest = 0; smallest < 2; ++smallest) {
            for (HWND label :
                 {w.Label5, w.Label1, w.Label2, w.Label4, w.Label3, w.Label6, w.GroupBox1Caption}) {
                EXPECT_LE(Needed(label, TextOf(label)).cx, SizeOf(label).cx) << TextOf(label);
            }
            RECT notice, address;
            GetWindowRect(w.Label4, &notice);
            GetWindowRect(w.Label7, &address);
            EXPECT_LE(notice.right, address.left) << "the notice stops short of the address";
            // Smallest: the window made as small as it lets itself be.
            SetWindowPos(w.Handle(), nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
        }
        for (const int id : {TF_UpdateDispController::kReadPackId, TF_UpdateDispController::kProgramId}) {
            RECT button{};
            SendMessageW(w.ToolBar1, TB_GETRECT, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&button));
            const int picture = GetSystemMetrics(SM_CXSMICON) + 16;
            const std::string caption =
                k5::Tr(id == TF_UpdateDispController::kReadPackId ? k5::app::text::kReadPack
                                                                  : k5::app::text::kProgram);
            EXPECT_LE(Needed(w.ToolBar1, caption).cx + picture, button.right - button.left) << caption;
        }

        uiThread.Post([&] {
            EXPECT_EQ(TextOf(F_UartSet->Button1), k5::Tr(k5::app::text::kSave));
            for (HWND control :
                 {F_UartSet->Button1, F_UartSet->Button2, F_UartSet->Label1, F_UartSet->GroupBox2})
                EXPECT_LE(Needed(control, TextOf(control)).cx + 8, SizeOf(control).cx) << TextOf(control);
            SendMessageW(F_UartSet->Button2, BM_CLICK, 0, 0);  // Exit
        });
        SendMessageW(w.Handle(), WM_COMMAND, MAKEWPARAM(TF_UpdateDispController::kUartPortId, 0), 0);

        settings.WriteString("Station", "Ports", "COM15");
        k5::app::PortUse portUse;
        k5::app::win32::StationWindow station(uiThread, settings, prompts, portUse, w.Handle(), [] {
            return std::vector<k5::PortChoice>{{"COM15", "COM15", "serial port"}};
        });
        ASSERT_EQ(station.Tiles.size(), 1u);
        const int box = GetSystemMetrics(SM_CXMENUCHECK) + 8;  // a tick box's square and its gap
        for (const auto& [control, extra] : {std::pair{station.ReadPack, 8},
                                             {station.ChooseRecord, 8},
                                             {station.RefreshPorts, 8},
                                             {station.Start, 8},
                                             {station.Stop, 8},
                                             {station.ProgramRunning, 8},
                                             {station.Fast, box},
                                             {station.AutoSpeed, box},
                                             {station.LabelRequired, box}})
            EXPECT_LE(Needed(control, TextOf(control)).cx + extra, SizeOf(control).cx) << TextOf(control);
        EXPECT_LE(Needed(station.Summary, TextOf(station.Summary), SizeOf(station.Summary).cx).cy,
                  SizeOf(station.Summary).cy)
            << TextOf(station.Summary);
        for (const k5::app::StationTile& tile : k5::test::EveryTile()) {
            station.Tiles[0]->Show(tile);
            EXPECT_TRUE(station.Tiles[0]->TextsFit())
                << tile.state << " | " << tile.detail << " | " << tile.advice;
        }
        k5::app::win32::F_UpdateDispController = &window;
    }
}

TEST_F(Win32WindowTest, ReadPackFillsTheControlsAndTheBoxesSayWhatWentWrong) {
    EXPECT_EQ(TextOf(window.Handle()), k5::app::text::kWindowTitle);
    EXPECT_TRUE(Enabled(TF_UpdateDispController::kReadPackId));
    EXPECT_FALSE(Enabled(TF_UpdateDispController::kProgramId));
    EXPECT_TRUE(Enabled(TF_UpdateDispController::kUartPortId));
    EXPECT_FALSE(Shown(window.Gauge1->Handle()));

    // A folder with a name in Chinese: the pack opens all the same.
    const auto folder = dir.Path() / k5::PathFromUtf8("\xE5\x9B\xBA\xE4\xBB\xB6");
    std::filesystem::create_directory(folder);
    const std::string foreign = Pack(7, "other.Pack");
    std::filesystem::rename(foreign, folder / "other.Pack");
    prompts.files = {k5::Utf8FromPath(folder / "other.Pack")};
    Click(TF_UpdateDispController::kReadPackId);
    EXPECT_EQ(TextOf(window.Edit_UpdateFileName), "other.Pack");
    EXPECT_EQ(TextOf(window.Edit_VerNum), "258");
    EXPECT_EQ(TextOf(window.Label8), "Software Only");
    ASSERT_EQ(prompts.boxes, std::vector<std::string>{"warning: Pack Eror|Warrning"});
    EXPECT_TRUE(Enabled(TF_UpdateDispController::kProgramId)) << "a foreign pack can be programmed";

    prompts.files = {dir.WriteText("bad.Pack", std::string(131072, '\x55'))};
    Click(TF_UpdateDispController::kReadPackId);
    EXPECT_EQ(prompts.boxes.back(), "warning: Pack file was briken|Error");
    EXPECT_FALSE(Enabled(TF_UpdateDispController::kProgramId));
    EXPECT_EQ(TextOf(window.Edit_UpdateFileName), "other.Pack") << "the fields keep the last good pack";

    // A disabled button's command does nothing.
    Click(TF_UpdateDispController::kProgramId);
    EXPECT_FALSE(window.SessionRunning());
}

TEST_F(Win32WindowTest, AnErrorEscapingAHandlerShowsTheDefaultErrorBoxAndTheWindowGoesOn) {
    prompts.files = {dir.WriteText("short.Pack", "too short")};
    Click(TF_UpdateDispController::kReadPackId);
    ASSERT_EQ(prompts.boxes.size(), 1u);
    // Titled by the executable: window_win32_tests.exe -> "window_win32_tests".
    EXPECT_EQ(prompts.boxes[0], "error: Read beyond end of file.|window_win32_tests");
    EXPECT_TRUE(IsWindow(window.Handle()));
    EXPECT_EQ(TextOf(window.Edit_UpdateFileName), "");
}

TEST_F(Win32WindowTest, APackGivenAtStartOrByALaterStartIsReadAsReadPackReadsIt) {
    // Given at start: read once the message loop runs; a damaged one shows its box.
    window.QueuePackFile(dir.WriteText("damaged.Pack", std::string(131072, '\x55')));
    ASSERT_TRUE(PumpUntil([&] { return !prompts.boxes.empty(); }, 5s));
    EXPECT_EQ(prompts.boxes[0], "warning: Pack file was briken|Error");

    // A later start of the program hands its file to this window and exits.
    const k5::app::win32::SingleInstance first;
    ASSERT_TRUE(first.First());
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring program = (std::filesystem::path(self).parent_path() / L"k5-iap-tool.exe").wstring();
    std::wstring commandLine = L"\"" + program + L"\" \"" + k5::Widen(Pack(20002, "handed.Pack")) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION later{};
    ASSERT_TRUE(CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &later));
    EXPECT_TRUE(PumpUntil([&] { return TextOf(window.Edit_UpdateFileName) == "handed.Pack"; }, 20s));
    EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(later.hProcess, 0) == WAIT_OBJECT_0; }, 10s));
    DWORD exitCode = 1;
    GetExitCodeProcess(later.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(later.hThread);
    CloseHandle(later.hProcess);
    EXPECT_EQ(prompts.boxes.size(), 1u) << "the handed pack is a good one";
}

TEST_F(Win32WindowTest, ThePortDialogSavesTheSelectedPortOrLeavesTheFileAlone) {
    settings.SetUartPort(12);  // beyond the list: nothing selected
    int selectedOnShow = 99;
    uiThread.Post([&] {
        selectedOnShow = F_UartSet->SelectedPort();
        SendMessageW(F_UartSet->Button2, BM_CLICK, 0, 0);  // Exit
    });
    Click(TF_UpdateDispController::kUartPortId);
    EXPECT_EQ(selectedOnShow, -1);
    EXPECT_EQ(F_UartSet, nullptr);
    EXPECT_EQ(settings.GetUartPort(), 12);

    settings.WriteString("Devices", "COM3", "CNCA0");
    uiThread.Post([&] {
        SendMessageW(F_UartSet->ComboBox1, CB_SETCURSEL, 2, 0);
        SendMessageW(F_UartSet->Handle(), WM_COMMAND,
                     MAKEWPARAM(GetDlgCtrlID(F_UartSet->ComboBox1), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(F_UartSet->ComboBox1));
        EXPECT_EQ(TextOf(F_UartSet->PortLine), "COM3 is not present") << "CNCA0 is no device here";
        NMTTDISPINFOW tip{};
        tip.hdr.code = TTN_GETDISPINFOW;
        tip.hdr.idFrom = reinterpret_cast<UINT_PTR>(F_UartSet->ComboBox1);
        SendMessageW(F_UartSet->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
        EXPECT_STREQ(tip.lpszText, L"CNCA0") << "the selected entry's device as the box's tooltip";
        EXPECT_FALSE(Shown(F_UartSet->ComboBox2)) << "the baud box is hidden";
        SendMessageW(F_UartSet->Button1, BM_CLICK, 0, 0);  // Save
    });
    Click(TF_UpdateDispController::kUartPortId);
    EXPECT_EQ(settings.GetUartPort(), 3);
    EXPECT_EQ(settings.ReadString("Uart", "BaudRate"), "0");
    EXPECT_TRUE(prompts.boxes.empty());
}

TEST_F(Win32WindowTest, ThePortDialogSavesOnEnter) {
    LRESULT defaultButton = 0;
    uiThread.Post([&] {
        defaultButton = SendMessageW(F_UartSet->Handle(), DM_GETDEFID, 0, 0);
        SetFocus(F_UartSet->ComboBox1);
        SendMessageW(F_UartSet->ComboBox1, CB_SETCURSEL, 2, 0);
        PostMessageW(F_UartSet->ComboBox1, WM_KEYDOWN, VK_RETURN, 0);
    });
    Click(TF_UpdateDispController::kUartPortId);
    EXPECT_EQ(HIWORD(defaultButton), DC_HASDEFID);
    EXPECT_EQ(settings.GetUartPort(), 3) << "Enter pressed Save";
}

TEST_F(Win32WindowTest, AtItsMinimumSizeEveryControlShowsAndLargerTheLogGrows) {
    const auto boxOf = [&](HWND control) {
        RECT box;
        GetWindowRect(control, &box);
        MapWindowPoints(nullptr, window.Handle(), reinterpret_cast<POINT*>(&box), 2);
        return box;
    };
    SetWindowPos(window.Handle(), nullptr, 0, 0, 360, 300, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    GetClientRect(window.Handle(), &client);
    EXPECT_GE(client.right, 475);
    for (HWND control :
         {window.ToolBar1, window.Label5, window.Edit_UpdateFileName, window.Label1, window.Edit_VerNum,
          window.Label8, window.Label2, window.Image1, window.Gauge1->Handle(), window.ListBox1,
          window.Label4, window.Label3, window.Label6, window.Label7}) {
        const RECT box = boxOf(control);
        EXPECT_TRUE(box.left >= 0 && box.top >= 0 && box.right <= client.right && box.bottom <= client.bottom)
            << TextOf(control);
    }
    for (int index : {0, 2}) {
        RECT button{};
        SendMessageW(window.ToolBar1, TB_GETITEMRECT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&button));
        EXPECT_LE(button.right, boxOf(window.ToolBar1).right - boxOf(window.ToolBar1).left)
            << "toolbar button " << index;
    }

    window.Show(SW_SHOWNOACTIVATE);  // as it opens
    RECT outer;
    GetWindowRect(window.Handle(), &outer);
    const RECT log = boxOf(window.ListBox1);
    EXPECT_EQ(log.right - log.left, 471);
    SetWindowPos(window.Handle(), nullptr, 0, 0, outer.right - outer.left + 200,
                 outer.bottom - outer.top + 100, SWP_NOMOVE | SWP_NOZORDER);
    const RECT grown = boxOf(window.ListBox1);
    EXPECT_EQ(grown.right - grown.left, log.right - log.left + 200);
    EXPECT_EQ(grown.bottom - grown.top, log.bottom - log.top + 100);
    EXPECT_GE(boxOf(window.Label6).top, grown.bottom) << "the notices below the log";
}

TEST_F(Win32WindowTest, ClosingDuringASessionAsksThenStopsItAndClosesOnceItHasEnded) {
    settings.WriteString("Uart", "Port", "99");  // no such port: the session fails after its retries
    prompts.files = {Pack(20002, "fw.Pack")};
    Click(TF_UpdateDispController::kReadPackId);
    Click(TF_UpdateDispController::kProgramId);
    ASSERT_TRUE(window.SessionRunning());
    bool closed = false;
    window.OnClosed = [&] { closed = true; };

    SendMessageW(window.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(prompts.boxes,
              std::vector<std::string>{"question: " + std::string(k5::app::text::kStopAndCloseQuestion)});
    EXPECT_FALSE(closed) << "the window waits for the session to end";
    ASSERT_TRUE(PumpUntil([&] { return closed; }, 10s));
    EXPECT_FALSE(window.SessionRunning());
    EXPECT_FALSE(window.AVS1->IsOpen());
}

// Needs a simulated controller running its firmware behind a COM port
// (tests/windows/sim_fixture.sh): K5_TEST_GUI_SIM is "COMn,<the file its --dump writes>".
TEST_F(Win32WindowTest, ProgramUpdatesTheControllerThroughTheWindow) {
    const char* simulator = std::getenv("K5_TEST_GUI_SIM");
    if (simulator == nullptr) GTEST_SKIP() << "no simulated controller behind a COM port";
    const std::string setting = simulator;
    const std::string port = setting.substr(0, setting.find(','));
    const std::string dump = setting.substr(setting.find(',') + 1);
    // The port above COM9 is chosen in the port dialog, listed after com9 (the Windows lane registers
    // it with Wine, whose DOS device list otherwise misses ports linked after it started).
    int listedAt = -1;
    std::string portLine;
    uiThread.Post([&] {
        const std::wstring entry = k5::Widen("com" + port.substr(3));
        listedAt = static_cast<int>(SendMessageW(F_UartSet->ComboBox1, CB_FINDSTRINGEXACT, 8,
                                                 reinterpret_cast<LPARAM>(entry.c_str())));
        SendMessageW(F_UartSet->ComboBox1, CB_SETCURSEL, static_cast<WPARAM>(listedAt), 0);
        SendMessageW(F_UartSet->Handle(), WM_COMMAND,
                     MAKEWPARAM(GetDlgCtrlID(F_UartSet->ComboBox1), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(F_UartSet->ComboBox1));
        portLine = TextOf(F_UartSet->PortLine);
        SendMessageW(F_UartSet->Button1, BM_CLICK, 0, 0);  // Save
    });
    Click(TF_UpdateDispController::kUartPortId);
    EXPECT_EQ(portLine, "serial port") << "the simulator's port is there";
    EXPECT_EQ(listedAt, 9) << "right after com9";
    ASSERT_EQ(settings.ReadString("Uart", "Port"), port.substr(3));

    prompts.files = {Pack(20002, "fw.Pack", 6000)};
    Click(TF_UpdateDispController::kReadPackId);
    ASSERT_TRUE(Enabled(TF_UpdateDispController::kProgramId));
    Click(TF_UpdateDispController::kProgramId);
    EXPECT_TRUE(window.SessionRunning());
    EXPECT_FALSE(Enabled(TF_UpdateDispController::kReadPackId)) << "the pack cannot change during a session";
    EXPECT_FALSE(Enabled(TF_UpdateDispController::kUartPortId));
    bool gaugeShown = false;
    ASSERT_TRUE(PumpUntil(
        [&] {
            gaugeShown = gaugeShown || Shown(window.Gauge1->Handle());
            return !window.SessionRunning() && Enabled(TF_UpdateDispController::kReadPackId);
        },
        60s));

    const std::vector<std::string> expected = {"Conntectting MCU....", "MCU Restarting...", "Programing...",
                                               "Program sucessully"};
    EXPECT_EQ(Log(), expected);
    EXPECT_EQ(SendMessageW(window.ListBox1, LB_GETCURSEL, 0, 0), 3) << "the last line is selected";
    EXPECT_TRUE(gaugeShown);
    EXPECT_FALSE(Shown(window.Gauge1->Handle()));
    EXPECT_EQ(window.Gauge1->PercentDone(), 100);
    EXPECT_TRUE(Enabled(TF_UpdateDispController::kUartPortId));

    std::vector<std::uint8_t> received;
    ASSERT_TRUE(PumpUntil(
        [&] {
            std::ifstream in(k5::PathFromUtf8(dump), std::ios::binary);
            received.assign(std::istreambuf_iterator<char>(in), {});
            return received.size() >= image.size();
        },
        10s));
    EXPECT_EQ(received, image) << "the controller received the image byte for byte";
}

// The station window opens from the main window's menu and closes with it.
TEST_F(Win32WindowTest, TheStationWindowOpensFromTheMenuAndClosesWithTheProgram) {
    Click(TF_UpdateDispController::kStationId);
    ASSERT_TRUE(window.Station);
    EXPECT_TRUE(IsWindowVisible(window.Station->Handle()));
    bool closed = false;
    window.OnClosed = [&] { closed = true; };
    SendMessageW(window.Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return closed && !window.Station; }, 5s)) << "an idle station closes at once";
}

// Needs two simulated controllers behind COM ports (tests/windows/sim_fixture.sh):
// K5_TEST_STATION_SIMS is "COMa,COMb", a bootloader behind COMa and a running firmware behind COMb.
// Wine's QueryDosDevice does not see COM ports linked after it started, so the test names them.
// The bootloader is programmed on its own; once it is done, the firmware's tile's own Program
// button starts that port alone, and the finished neighbour is left as it is.
TEST_F(Win32WindowTest, StationProgramsABootloaderAtOnceAndARunningFirmwareOnRequest) {
    const auto simulators = StationSims();
    if (simulators.size() < 2) GTEST_SKIP() << "no simulated controllers behind COM ports";
    const std::string bootloader = simulators[0], firmware = simulators[1];

    using Station = k5::app::win32::StationWindow;
    k5::app::PortUse portUse;
    Station station(uiThread, settings, prompts, portUse, window.Handle(), [&] {
        return std::vector<k5::PortChoice>{{bootloader, bootloader, "serial port"},
                                           {firmware, firmware, "serial port"}};
    });
    station.Show();
    prompts.files = {Pack(20002, "fw.Pack", 20000)};
    station.Click(Station::kReadPackId);
    EXPECT_EQ(station.TextOf(station.PackFile), "fw.Pack");
    const std::string record = k5::Utf8FromPath(dir.Path() / "record.csv");
    prompts.records = {record};
    station.Click(Station::kChooseRecordId);
    std::string labels;
    for (int row = 0; row < station.PortCount(); ++row) {
        const std::string label = station.PortLabel(row);
        labels += label + "\n";
        if (label.rfind(bootloader + " ", 0) == 0 || label.rfind(firmware + " ", 0) == 0)
            station.CheckPort(row, true);
    }
    station.Click(Station::kStartId);
    ASSERT_EQ(station.Tiles.size(), 2u) << (prompts.boxes.empty() ? "" : prompts.boxes.back());
    const auto state = [&](std::size_t tile) { return station.Tiles[tile]->Shown().state; };

    ASSERT_TRUE(PumpUntil([&] { return state(0).rfind("OK", 0) == 0; }, 60s)) << state(0);
    EXPECT_EQ(state(1).rfind("Waiting", 0), 0u) << state(1);
    EXPECT_NE(IsWindowEnabled(station.Tiles[1]->Program()), 0) << "an idle port can be started";
    station.Click(Station::kTileProgramId + 1);
    ASSERT_TRUE(PumpUntil([&] { return state(1).rfind("OK", 0) == 0; }, 120s)) << state(1);
    EXPECT_EQ(station.Tiles[0]->Shown().counts, "1 good, 0 failed") << "the neighbour was left alone";

    std::ifstream in(k5::PathFromUtf8(record));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 3u) << "a header and a line for each update";
    EXPECT_NE(lines[1].find("," + bootloader + ","), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("," + firmware + ","), std::string::npos) << lines[2];
    EXPECT_NE(lines[2].find("MCU Restarting..."), std::string::npos) << "the firmware was restarted";

    station.Click(Station::kStopId);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowEnabled(station.Start) != 0; }, 10s));
    // Nothing listens any more: the outcomes stay, the hints say what Start does.
    EXPECT_EQ(state(1).rfind("OK", 0), 0u) << state(1);
    EXPECT_EQ(station.Tiles[1]->Shown().detail, "Start serves this port again");
}

// Three ports ticked last time: the window opens with a tile for each, in as many columns as the
// screen holds, lays them out again as it is made narrow or wide, and every text fits.
TEST_F(Win32WindowTest, TheStationOpensWithRoomForItsTilesAndFlowsThemIntoTheColumnsThatFit) {
    settings.WriteString("Station", "Ports", "COM5;COM6;COM7");
    using Station = k5::app::win32::StationWindow;
    k5::app::PortUse portUse;
    Station station(uiThread, settings, prompts, portUse, window.Handle(), [] { return ComPorts(3); });
    station.Show();
    ASSERT_EQ(station.Tiles.size(), 3u);
    const auto boxOf = [](HWND control, HWND within) {
        RECT box;
        GetWindowRect(control, &box);
        MapWindowPoints(nullptr, within, reinterpret_cast<POINT*>(&box), 2);
        return box;
    };
    const auto inFirstRow = [&] {
        return std::count_if(station.Tiles.begin(), station.Tiles.end(), [&](const auto& tile) {
            return boxOf(tile->Handle(), station.TileArea()).top ==
                   boxOf(station.Tiles[0]->Handle(), station.TileArea()).top;
        });
    };
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(station.Handle(), MONITOR_DEFAULTTONEAREST), &monitor);
    RECT outer, area;
    GetWindowRect(station.Handle(), &outer);
    EXPECT_LE(outer.right - outer.left, monitor.rcWork.right - monitor.rcWork.left);
    EXPECT_LE(outer.bottom - outer.top, monitor.rcWork.bottom - monitor.rcWork.top);
    EXPECT_TRUE(outer.left >= monitor.rcWork.left && outer.top >= monitor.rcWork.top &&
                outer.right <= monitor.rcWork.right && outer.bottom <= monitor.rcWork.bottom)
        << "within the work area";
    GetClientRect(station.TileArea(), &area);
    if (monitor.rcWork.right - monitor.rcWork.left >= 1000) {
        EXPECT_EQ(inFirstRow(), 3) << "side by side where the screen has room";
        for (const auto& tile : station.Tiles) {
            const RECT box = boxOf(tile->Handle(), station.TileArea());
            EXPECT_TRUE(box.left >= 0 && box.top >= 0 && box.right <= area.right && box.bottom <= area.bottom)
                << "every tile in sight";
        }
    }
    // The longest a tile says: a pulled cable, and the port gone since.
    k5::PortStatus pulled;
    pulled.name = pulled.device = "COM5";
    pulled.lastHungUp = true;
    pulled.problemError = ERROR_FILE_NOT_FOUND;
    station.Tiles[0]->Show(k5::app::TileFor(pulled, "0403:6001 A50285BI", false));
    // Nothing answered, with the advice after it, and an image that broke off.
    k5::PortStatus unanswered, broken;
    unanswered.name = broken.name = "COM15";
    unanswered.device = broken.device = "COM15";
    unanswered.activity = broken.activity = k5::PortActivity::Waiting;
    unanswered.lastOutcome = k5::SessionOutcome::ConnectFail;
    broken.lastOutcome = k5::SessionOutcome::TransferFail;
    broken.lastStep = k5::SessionStep::Image;
    broken.lastHungUp = true;
    station.Tiles[1]->Show(k5::app::TileFor(unanswered, "0403:6001 A50285BI"));
    station.Tiles[2]->Show(k5::app::TileFor(broken, "0403:6001 A50285BI"));
    for (const auto& tile : station.Tiles) EXPECT_TRUE(tile->TextsFit()) << tile->Shown().detail;
    const auto summaryFits = [&] {
        const RECT box = boxOf(station.Summary, station.Handle());
        RECT needed{0, 0, box.right - box.left, 0};
        const std::wstring text = k5::Widen(station.TextOf(station.Summary));
        const HDC dc = GetDC(station.Summary);
        const HGDIOBJ old =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(station.Summary, WM_GETFONT, 0, 0)));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed, DT_CALCRECT | DT_WORDBREAK);
        SelectObject(dc, old);
        ReleaseDC(station.Summary, dc);
        return needed.right <= box.right - box.left && needed.bottom <= box.bottom - box.top;
    };
    EXPECT_TRUE(summaryFits()) << station.TextOf(station.Summary);

    SetWindowPos(station.Handle(), nullptr, 0, 0, 560, outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(inFirstRow(), 1) << "narrow: one column";
    EXPECT_TRUE(summaryFits()) << "narrow: " << station.TextOf(station.Summary);
    SetWindowPos(station.Handle(), nullptr, 0, 0, 1100, 600, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(inFirstRow(), 3) << "wide: side by side";
    const RECT field = boxOf(station.PackFile, station.Handle());
    EXPECT_GT(field.right - field.left, 500) << "the pack's name takes the width";
}

TEST_F(Win32WindowTest, TheStationChoosesItsPackRecordAndPortsAgainWhenItOpensAgain) {
    using Station = k5::app::win32::StationWindow;
    k5::app::PortUse portUse;
    const std::string record = k5::Utf8FromPath(dir.Path() / "record.csv");
    {
        Station first(uiThread, settings, prompts, portUse, window.Handle(), [] { return ComPorts(3); });
        prompts.files = {Pack(20002, "fw.Pack")};
        first.Click(Station::kReadPackId);
        prompts.records = {record};
        first.Click(Station::kChooseRecordId);
        first.CheckPort(0, true);
        first.CheckPort(2, true);
        bool closed = false;
        first.OnClosed = [&] { closed = true; };
        SendMessageW(first.Handle(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(closed);
    }
    Station again(uiThread, settings, prompts, portUse, window.Handle(), [] { return ComPorts(3); });
    EXPECT_EQ(again.TextOf(again.PackFile), "fw.Pack");
    EXPECT_EQ(again.TextOf(again.Version), "258");
    EXPECT_EQ(again.TextOf(again.RecordFile), record);
    EXPECT_NE(ListView_GetCheckState(again.Ports, 0), 0u);
    EXPECT_EQ(ListView_GetCheckState(again.Ports, 1), 0u);
    EXPECT_NE(ListView_GetCheckState(again.Ports, 2), 0u);
    ASSERT_EQ(again.Tiles.size(), 2u);
    EXPECT_EQ(again.Tiles[1]->Shown().title, "COM7");
    EXPECT_TRUE(prompts.boxes.empty()) << prompts.boxes.front();
}

TEST_F(Win32WindowTest, StationKeepsAPulledCablesFailureOnItsTile) {
    const auto simulators = StationSims();
    if (simulators.size() < 4) GTEST_SKIP() << "no simulated controllers behind COM ports";
    const std::string pulled = simulators[2];
    auto station = StartStationOn(pulled);
    ASSERT_EQ(station->Tiles.size(), 1u) << (prompts.boxes.empty() ? "" : prompts.boxes.back());
    const auto& tile = *station->Tiles[0];
    ASSERT_TRUE(PumpUntil([&] { return tile.Shown().state == "Failed"; }, 60s)) << tile.Shown().state;
    EXPECT_NE(tile.Shown().detail.find(pulled + " hung up: is the cable still plugged in?"),
              std::string::npos)
        << tile.Shown().detail;
    EXPECT_TRUE(tile.TextsFit()) << tile.Shown().detail;
    station->Click(k5::app::win32::StationWindow::kStopId);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowEnabled(station->Start) != 0; }, 10s));
    EXPECT_EQ(tile.Shown().state, "Failed") << "it stays once the station has stopped";
}

TEST_F(Win32WindowTest, StationClosesAtOnceWhenItsUpdateEndedWhileItAsked) {
    const auto simulators = StationSims();
    if (simulators.size() < 4) GTEST_SKIP() << "no simulated controllers behind COM ports";
    auto station = StartStationOn(simulators[3]);
    ASSERT_EQ(station->Tiles.size(), 1u) << (prompts.boxes.empty() ? "" : prompts.boxes.back());
    const auto& tile = *station->Tiles[0];
    ASSERT_TRUE(PumpUntil([&] { return tile.Shown().state.rfind("Programming", 0) == 0; }, 30s));
    bool ended = false, closed = false;
    prompts.whileAsking = [&] {
        ended = PumpUntil([&] { return tile.Shown().state.rfind("OK", 0) == 0; }, 60s);
    };
    station->OnClosed = [&] { closed = true; };
    SendMessageW(station->Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(ended) << "the update ended while the question showed";
    EXPECT_TRUE(closed) << "nothing left to stop: it closes at once";
    std::ifstream in(dir.Path() / "record.csv");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Program sucessully"), std::string::npos) << text;
}

// A scanner types the label into the tile's field, then Enter: the field is emptied for the next
// scan, and the update's record line carries the label. The port's controller may be a bootloader
// or, after an earlier test, its firmware: the tile's Program starts either.
TEST_F(Win32WindowTest, StationPutsALabelScannedIntoATileIntoTheRecord) {
    const auto simulators = StationSims();
    if (simulators.size() < 4) GTEST_SKIP() << "no simulated controllers behind COM ports";
    auto station = StartStationOn(simulators[3], false);
    ASSERT_EQ(station->Tiles.size(), 1u) << (prompts.boxes.empty() ? "" : prompts.boxes.back());
    Scan(station->Tiles[0]->LabelField(), "K5-2412-00311");
    EXPECT_EQ(station->TextOf(station->Tiles[0]->LabelField()), "");
    EXPECT_EQ(station->Tiles[0]->Shown().label, "K5-2412-00311");
    station->Click(k5::app::win32::StationWindow::kStartId);
    const auto& tile = *station->Tiles[0];
    bool asked = false;
    ASSERT_TRUE(PumpUntil(
        [&] {
            if (!asked && IsWindowEnabled(tile.Program())) {
                asked = true;
                station->Click(k5::app::win32::StationWindow::kTileProgramId);
            }
            return tile.Shown().state.rfind("OK", 0) == 0;
        },
        60s))
        << tile.Shown().state << " / " << tile.Shown().detail;
    EXPECT_EQ(tile.Shown().lastLabel, "K5-2412-00311");
    std::ifstream in(dir.Path() / "record.csv");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find(",K5-2412-00311,"), std::string::npos) << text;
    station->Click(k5::app::win32::StationWindow::kStopId);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowEnabled(station->Start) != 0; }, 10s));
}

// A set-up saved from the window, then opened: the window is locked, its title says so with the
// set-up's name, and it shows the pack, the ports and the record with no way to change them; Start
// and the label fields stay.
TEST_F(Win32WindowTest, TheStationOpenedWithASetUpShowsNoWayToChangeItsPackPortsOrRecord) {
    using Station = k5::app::win32::StationWindow;
    k5::app::PortUse portUse;
    const std::string setup = k5::Utf8FromPath(dir.Path() / "Line 3.k5station");
    const std::string record = k5::Utf8FromPath(dir.Path() / "record.csv");
    {
        Station engineer(uiThread, settings, prompts, portUse, window.Handle(), [] { return ComPorts(3); });
        prompts.files = {Pack(20002, "fw.Pack")};
        engineer.Click(Station::kReadPackId);
        prompts.records = {record};
        engineer.Click(Station::kChooseRecordId);
        engineer.CheckPort(0, true);
        engineer.CheckPort(2, true);
        prompts.setups = {setup};
        engineer.Click(Station::kSaveSetupId);
    }
    Station station(uiThread, settings, prompts, portUse, window.Handle(), [] { return ComPorts(3); });
    ASSERT_TRUE(station.Model().OpenSetup(setup)) << (prompts.boxes.empty() ? "" : prompts.boxes.back());
    station.Show();
    EXPECT_NE(station.TextOf(station.Handle()).find("Line 3 (locked)"), std::string::npos)
        << station.TextOf(station.Handle());
    EXPECT_EQ(station.TextOf(station.PackFile), "fw.Pack");
    EXPECT_EQ(station.TextOf(station.RecordFile), record);
    for (HWND field : {station.PackFile, station.RecordFile})
        EXPECT_NE(GetWindowLongPtrW(field, GWL_STYLE) & ES_READONLY, 0);
    ASSERT_EQ(station.PortCount(), 2) << "the set-up's ports alone";
    EXPECT_EQ(ListView_GetExtendedListViewStyle(station.Ports) & LVS_EX_CHECKBOXES, 0u) << "nothing to tick";
    for (HWND choice : {station.ReadPack, station.ChooseRecord, station.RefreshPorts, station.Fast,
                        station.AutoSpeed, station.LabelRequired, station.SaveSetup})
        EXPECT_FALSE(station.Offered(choice)) << station.TextOf(choice);
    EXPECT_TRUE(station.Offered(station.Start));
    ASSERT_EQ(station.Tiles.size(), 2u);
    EXPECT_TRUE(station.Offered(station.Tiles[1]->LabelField()));
}

}  // namespace
