// The Win32 program's screenshots (scripts/screenshot.sh): after start-up,
// with a pack loaded, while and after programming a simulated controller on
// the COM port given as the first argument, of the port dialog, of the
// station window on three more ports, and of the station on a production line. For each
// it prints "shoot NAME LEFT TOP RIGHT BOTTOM" and waits for a line on stdin:
// the script grabs the X screen meanwhile, as the person would see it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "p_UartSet.h"
#include "p_UpdateDispController.h"
#include "pack_builder.h"
#include "session_state.h"
#include "station_window.h"
#include "support/temp_dir.h"
#include "ui_language.h"
#include "utf8_path.h"

namespace {

using k5::app::win32::F_UartSet;
using k5::app::win32::TF_UpdateDispController;

class TourPrompts : public k5::app::win32::SystemPrompts {
  public:
    std::optional<std::string> ChoosePackFile(HWND) override { return pack; }
    std::optional<std::string> ChooseRecordFile(HWND, const std::string&) override { return record; }
    std::optional<std::string> ChooseSetupFile(HWND, const std::string&) override { return setup; }
    std::optional<std::string> AskText(HWND, const std::string&, const std::string&,
                                       const std::string&) override {
        return answer;
    }
    // The bad moments' tour: the boxes are answered at once, and the log under them is shot.
    void Warning(HWND owner, const std::string& text, const std::string& title) override {
        if (!quietBoxes) k5::app::win32::SystemPrompts::Warning(owner, text, title);
    }
    bool Confirm(HWND owner, const std::string& text, const std::string& title) override {
        return quietBoxes || k5::app::win32::SystemPrompts::Confirm(owner, text, title);
    }
    std::string pack;
    std::string record;
    std::string setup;
    std::string answer;  // to a question with a text field
    bool quietBoxes = false;
};

void Settle(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

void Shoot(const char* name, HWND window, HWND alsoShow = nullptr) {
    Settle(400);
    RECT area;
    GetWindowRect(window, &area);
    if (alsoShow != nullptr) {
        RECT other;
        GetWindowRect(alsoShow, &other);
        UnionRect(&area, &area, &other);
    }
    std::printf("shoot %s %ld %ld %ld %ld\n", name, area.left, area.top, area.right, area.bottom);
    std::fflush(stdout);
    std::string done;
    std::getline(std::cin, done);
}

void CALLBACK ShootPortDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    if (F_UartSet == nullptr || !IsWindowVisible(F_UartSet->Handle())) return;
    KillTimer(nullptr, timer);
    Shoot("5-port-dialog", k5::app::win32::F_UpdateDispController->Handle(), F_UartSet->Handle());
    SendMessageW(F_UartSet->Button2, BM_CLICK, 0, 0);
}

// The station window on three ports: chosen once and closed, opened again with those choices,
// then serving them side by side (the second never gives its verdict, the third's cable is pulled),
// mid-transfer, at the end, narrow and wide.
int StationTour(const k5::SettingsFile& settings, TourPrompts& prompts,
                const std::vector<std::string>& ports) {
    k5::app::win32::Win32Dispatcher uiThread;
    k5::app::PortUse portUse;
    // Wine's QueryDosDevice does not see COM ports linked after it started: the tour names them.
    const auto listPorts = [&] {
        std::vector<k5::PortChoice> choices;
        for (const auto& port : ports) choices.push_back({port, port, "serial port"});
        return choices;
    };
    using Station = k5::app::win32::StationWindow;
    {
        Station first(uiThread, settings, prompts, portUse, nullptr, listPorts);
        first.Show();
        first.Click(Station::kReadPackId);
        first.Click(Station::kChooseRecordId);
        for (int row = 0; row < static_cast<int>(ports.size()); ++row) first.CheckPort(row, true);
        SendMessageW(first.Handle(), WM_CLOSE, 0, 0);
    }
    Station station(uiThread, settings, prompts, portUse, nullptr, listPorts);
    station.Show();
    Shoot("6-station-opened", station.Handle());
    station.Click(Station::kStartId);
    if (station.Tiles.size() != ports.size()) return 1;
    const auto start = std::chrono::steady_clock::now();
    const auto waited = [&] { return std::chrono::steady_clock::now() - start; };
    while (station.Tiles[0]->Progress().PercentDone() < 40 && waited() < std::chrono::seconds(60)) Settle(50);
    Shoot("7-station-programming", station.Handle());
    const auto state = [&](std::size_t tile) { return station.Tiles[tile]->Shown().state; };
    while (!(state(0).rfind("OK", 0) == 0 && state(1).rfind("Failed", 0) == 0 &&
             state(2).rfind("Failed", 0) == 0) &&
           waited() < std::chrono::seconds(120)) {
        Settle(100);
    }
    Shoot("8-station-finished", station.Handle());
    RECT outer;
    GetWindowRect(station.Handle(), &outer);
    SetWindowPos(station.Handle(), nullptr, 0, 0, 400, outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER);
    Shoot("9-station-narrow", station.Handle());
    SetWindowPos(station.Handle(), nullptr, 0, 0, 1010, 560, SWP_NOMOVE | SWP_NOZORDER);
    Shoot("10-station-wide", station.Handle());
    station.Click(Station::kStopId);
    Settle(500);
    return 0;
}

// Text then Enter in tile `index`'s label field, as a scanner types it.
void Scan(k5::app::win32::StationWindow& station, std::size_t index, const std::string& label) {
    const HWND field = station.Tiles[index]->LabelField();
    for (const char c : label) SendMessageW(field, WM_CHAR, static_cast<WPARAM>(c), 0);
    SendMessageW(field, WM_CHAR, L'\r', 0);
}

// The station on a production line (a screen of 1920 x 1200 or more): a set-up saved from the
// station window and opened as a double-click opens it, locked; labels scanned into three tiles
// (the fourth waits for one); then four ports filling a 1600 x 1000 window, one failed, one good.
// The ports: a bootloader, one that never gives its verdict, a slow one, and one more.
int LineTour(const k5::SettingsFile& settings, TourPrompts& prompts, const std::vector<std::string>& ports,
             const std::string& setup) {
    k5::app::win32::Win32Dispatcher uiThread;
    k5::app::PortUse portUse;
    const auto listPorts = [&] {
        std::vector<k5::PortChoice> choices;
        for (const auto& port : ports) choices.push_back({port, port, "serial port"});
        return choices;
    };
    prompts.quietBoxes = true;  // Stop while an update runs: yes
    using Station = k5::app::win32::StationWindow;
    {
        Station engineer(uiThread, settings, prompts, portUse, nullptr, listPorts);
        engineer.Show();
        engineer.Click(Station::kReadPackId);
        engineer.Click(Station::kChooseRecordId);
        for (int row = 0; row < static_cast<int>(ports.size()); ++row) engineer.CheckPort(row, true);
        engineer.Click(Station::kLabelRequiredId);
        prompts.setup = setup;
        engineer.Click(Station::kSaveSetupId);
        SendMessageW(engineer.Handle(), WM_CLOSE, 0, 0);
    }
    {
        std::ofstream more(k5::PathFromUtf8(setup), std::ios::app);
        more << "WorkOrder=WO-2412-17\n";
    }
    Station station(uiThread, settings, prompts, portUse, nullptr, listPorts);
    station.Model().OpenSetup(setup);
    station.Show();
    if (station.Tiles.size() != ports.size()) return 1;
    Scan(station, 0, "K5-2412-00311");
    Scan(station, 1, "K5-2412-00312");
    prompts.answer = "J. Novak";
    station.Click(Station::kStartId);
    const auto start = std::chrono::steady_clock::now();
    const auto waited = [&] { return std::chrono::steady_clock::now() - start; };
    while (station.Tiles[0]->Progress().PercentDone() < 40 && waited() < std::chrono::seconds(60)) Settle(50);
    Scan(station, 2, "K5-2412-00313");
    Settle(300);
    Shoot("16-station-locked", station.Handle());

    SetWindowPos(station.Handle(), nullptr, 0, 0, 1600, 1000, SWP_NOMOVE | SWP_NOZORDER);
    const auto state = [&](std::size_t tile) { return station.Tiles[tile]->Shown().state; };
    while (!(state(0).rfind("OK", 0) == 0 && state(1).rfind("Failed", 0) == 0 &&
             station.Tiles[2]->Progress().PercentDone() >= 30) &&
           waited() < std::chrono::seconds(120)) {
        Settle(50);
    }
    Shoot("17-station-line", station.Handle());
    station.Click(Station::kStopId);
    Settle(500);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: screenshot_tour_win32 COMn [--loaded-only NAME | --station COMa COMb COMc | "
                     "--line COMa COMb COMc COMd | --bad-moments]\n");
        return 64;
    }
    // --loaded-only NAME: one picture of the window with its pack loaded, then out.
    const char* loadedOnly = argc >= 4 && std::string(argv[2]) == "--loaded-only" ? argv[3] : nullptr;
    // K5_LANGUAGE=de: the windows in that language, as [Ui] Language=de has them.
    if (const char* language = std::getenv("K5_LANGUAGE")) k5::app::UseLanguage(language);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    k5::test::TempDir dir;
    k5::sim::PackRecipe recipe;
    recipe.image = k5::sim::GenerateImage(16384);
    TourPrompts prompts;
    prompts.pack = dir.Write("K5-Firmware-V308.Pack", k5::sim::BuildPack(recipe));
    const std::string port = argv[1];
    dir.WriteText("eBikeSet.ini", "[Uart]\nPort=" + port.substr(3) + "\n");
    const k5::SettingsFile settings(dir.Path() / "eBikeSet.ini");
    k5::PackStore pack;
    // --station COMa COMb COMc: the station window on those three ports, and out.
    if (argc >= 6 && std::string(argv[2]) == "--station") {
        prompts.record = k5::Utf8FromPath(dir.Path() / "station-record.csv");
        return StationTour(settings, prompts, {argv[3], argv[4], argv[5]});
    }
    // --line COMa COMb COMc COMd: the station on a production line on those four ports, and out.
    if (argc >= 7 && std::string(argv[2]) == "--line") {
        k5::sim::PackRecipe newer;
        newer.image = k5::sim::GenerateImage(32768);
        newer.version = 309;
        prompts.pack = dir.Write("K5-Firmware-V309.Pack", k5::sim::BuildPack(newer));
        prompts.record = k5::Utf8FromPath(dir.Path() / "Line 3 record.csv");
        return LineTour(settings, prompts, {argv[3], argv[4], argv[5], argv[6]},
                        k5::Utf8FromPath(dir.Path() / "Line 3.k5station"));
    }

    TF_UpdateDispController window(settings, prompts, pack);
    k5::app::win32::F_UpdateDispController = &window;
    window.Show(SW_SHOWNORMAL);
    // --bad-moments: a pack for another product, a damaged pack, and nothing answering on the port.
    if (argc >= 3 && std::string(argv[2]) == "--bad-moments") {
        prompts.quietBoxes = true;
        k5::sim::PackRecipe foreign = recipe, damaged = recipe;
        foreign.productCode = 30003;
        damaged.corruptSum = true;
        const std::string good = prompts.pack;
        prompts.pack = dir.Write("K5-Other-V308.Pack", k5::sim::BuildPack(foreign));
        SendMessageW(window.Handle(), WM_COMMAND, TF_UpdateDispController::kReadPackId, 0);
        Shoot("13-foreign-pack", window.Handle());
        prompts.pack = dir.Write("K5-Damaged.Pack", k5::sim::BuildPack(damaged));
        SendMessageW(window.Handle(), WM_COMMAND, TF_UpdateDispController::kReadPackId, 0);
        Shoot("14-refused-pack", window.Handle());
        prompts.pack = good;
        SendMessageW(window.Handle(), WM_COMMAND, TF_UpdateDispController::kReadPackId, 0);
        SendMessageW(window.Handle(), WM_COMMAND, TF_UpdateDispController::kProgramId, 0);
        const auto start = std::chrono::steady_clock::now();
        while (window.SessionRunning() && std::chrono::steady_clock::now() - start < std::chrono::seconds(60))
            Settle(100);
        Shoot("15-connect-fail", window.Handle());
        return 0;
    }
    if (loadedOnly == nullptr) Shoot("1-start", window.Handle());

    SendMessageW(window.Handle(), WM_COMMAND, TF_UpdateDispController::kReadPackId, 0);
    Shoot(loadedOnly != nullptr ? loadedOnly : "2-pack-loaded", window.Handle());
    if (loadedOnly != nullptr) return 0;

    SendMessageW(window.Handle(), WM_COMMAND, TF_UpdateDispController::kProgramId, 0);
    const auto start = std::chrono::steady_clock::now();
    const auto waited = [&] { return std::chrono::steady_clock::now() - start; };
    while (window.Gauge1->PercentDone() < 40 && waited() < std::chrono::seconds(60)) Settle(50);
    Shoot("3-programming", window.Handle());
    while (window.SessionRunning() && waited() < std::chrono::seconds(90)) Settle(100);
    Shoot("4-finished", window.Handle());
    // At its smallest: as far as the window lets itself be made smaller.
    SetWindowPos(window.Handle(), nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER);
    Shoot("12-minimum-size", window.Handle());
    window.Show(SW_SHOWNORMAL);

    // A timer fires only when the dialog's loop is idle, that is, once the dialog is on screen.
    SetTimer(nullptr, 0, 300, &ShootPortDialog);
    SendMessageW(window.Handle(), WM_COMMAND, TF_UpdateDispController::kUartPortId, 0);
    return 0;
}
