// The main window on Win32: draws the controls and hands each click to the
// window model (main_window_model.h), which decides what it does. It owns the
// program's serial port component AVS1 and the session that runs on it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SerialComm.h"
#include "gui_api.h"
#include "main_window_core.h"
#include "settings_file.h"
#include "station_window.h"
#include "win32_dispatcher.h"
#include "win32_fonts.h"
#include "win32_gauge.h"
#include "win32_prompts.h"

namespace k5::app::win32 {

// The main window's class: a later start looks for it (single_instance.h).
inline constexpr wchar_t kMainWindowClassName[] = L"TF_UpdateDispController";

class TF_UpdateDispController {
  public:
    // Command numbers of the toolbar buttons and the menu item.
    enum CommandId : int { kReadPackId = 1001, kProgramId, kUartPortId, kFastTransferId, kStationId };
    // The Language menu's items: the system's language, then each offered one, in turn from here.
    static constexpr int kLanguageFirstId = 1100;

    // Made hidden; Show() shows it centred. Everything given must outlive the window.
    TF_UpdateDispController(const SettingsFile& settings, Win32Prompts& prompts, PackStore& pack);
    ~TF_UpdateDispController();
    TF_UpdateDispController(const TF_UpdateDispController&) = delete;
    TF_UpdateDispController& operator=(const TF_UpdateDispController&) = delete;

    HWND Handle() const { return window_; }
    // The window's keys, for the message loop: Ctrl+O reads a pack and F5 programs, as the toolbar
    // buttons do (a toolbar takes no keyboard focus). True when `message` was such a key.
    bool TranslateKeys(MSG* message) const;
    void Show(int showCommand);
    // Called once the window has been closed and destroyed (the program's main ends its loop).
    std::function<void()> OnClosed;

    // Appends a line to the log list, selects it and draws the list at once.
    void AddLog(const std::string& text);

    // Reads `path` (UTF-8) as Read Pack does once the message loop runs (after the window shows)
    // and no box or dialog of the window is open: a pack given at start or handed over by a later
    // start. What it raises goes to the default error box. Empty: only comes to the front.
    void QueuePackFile(const std::string& path);
    // Restores the window if minimised and brings it to the front.
    void BringToFront();

    // Event handlers.
    void Btn_ReadUserPackClick();
    void Btn_SendToControllerClick();
    void UartPort1Click();
    void FastTransfer1Click();
    void Station1Click();

    IapSession& Session() { return core_->Session(); }
    bool SessionRunning() const { return core_->Session().Running(); }
    bool IsEnabled(CommandId command) const;

    // Controls, named as the window lays them out.
    HMENU MainMenu1 = nullptr;
    HMENU IAP1 = nullptr;
    HMENU Language1 = nullptr;  // the system's language, then each by its own name, one checked
    HWND ToolBar1 = nullptr;
    // The pack-information group: an etched frame the window draws itself (a group box control is
    // lost under its parent's repaints) and its navy caption on the frame's top line.
    RECT GroupBox1{};
    HWND GroupBox1Caption = nullptr;
    HWND Label5 = nullptr;
    HWND Edit_UpdateFileName = nullptr;
    HWND Label1 = nullptr;
    HWND Edit_VerNum = nullptr;
    HWND Label8 = nullptr;
    HWND Label2 = nullptr;
    HWND Image1 = nullptr;
    std::unique_ptr<Win32Gauge> Gauge1;
    HWND ListBox1 = nullptr;
    HWND Label4 = nullptr;
    HWND Label3 = nullptr;
    HWND Label6 = nullptr;
    HWND Label7 = nullptr;
    serial::TComm* AVS1 = nullptr;           // owned by the core
    std::unique_ptr<StationWindow> Station;  // while it is open

  private:
    class WindowView;
    struct Placed;

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    Win32Prompts& Prompts() { return prompts_; }
    void CreateControls();
    void CreateToolBar();
    // Fonts, pictures, positions and sizes for the window's DPI.
    void LayOut();
    // The log, the progress bar and the lines under the log, as the window's size has them.
    void FollowSize();
    void Command(int id);
    // Reads the packs that wait, one after the other, while no box or dialog is open; else looks again soon.
    void ReadWaitingPacks();
    LRESULT ControlColour(HDC dc, HWND control);

    const SettingsFile& settings_;
    Win32Prompts& prompts_;
    PackStore& pack_;
    HWND window_ = nullptr;
    UINT dpi_ = 96;
    std::unique_ptr<Win32Fonts> fonts_;
    HIMAGELIST pictures_ = nullptr;
    HACCEL keys_ = nullptr;
    HBITMAP logo_ = nullptr;
    std::vector<Placed> placed_;
    std::vector<std::string> languageItems_;  // the Language menu's, from kLanguageFirstId on

    // Torn down in reverse: the session and the port first, then what
    // carries their calls to this thread.
    Win32Dispatcher dispatcher_;
    std::unique_ptr<WindowView> windowView_;
    std::unique_ptr<MainWindowCore> core_;
};

// The main window of the program, while it exists.
extern TF_UpdateDispController* F_UpdateDispController;

}  // namespace k5::app::win32
