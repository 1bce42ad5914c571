// What the main window does, written once for both desktop programs. A view
// (Qt on Linux, Win32 on Windows) draws the controls and asks the person;
// this model decides what each click does, what is shown and what is enabled.
//
// States: no pack (Program disabled), a pack loaded (Program enabled),
// programming (Read Pack, Uart Port and Fast transfer disabled, and refused if
// reached). "Fast transfer" (ours, not the controller tools') is checked when
// the settings file turns the fast mode on, and its click saves the other state.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "iap_session.h"
#include "p_HexConvertFun.h"
#include "port_lookup.h"
#include "port_use.h"
#include "settings_file.h"

namespace k5::app {

class MainWindowView {
  public:
    enum class Field { FileName, Version, Kind };
    enum class Control { ReadPack, Program, UartPort, FastTransfer };

    virtual ~MainWindowView() = default;
    virtual void SetField(Field field, const std::string& text) = 0;
    virtual void Enable(Control control, bool enabled) = 0;
    // The check mark of a checkable menu item (FastTransfer).
    virtual void Check(Control control, bool checked) = 0;
    // The Language menu's check mark: on the item of `language` ("" the system's).
    virtual void CheckLanguage(const std::string& language) = 0;
    virtual void ClearLog() = 0;
    // Appends a line to the log list, selects it and draws the list at once.
    virtual void AddLog(const std::string& text) = 0;
    // The progress bar: shown or hidden, its maximum, its position (capped at the maximum).
    virtual void ShowProgress(bool visible) = 0;
    virtual void SetProgressMax(std::uint32_t maximum) = 0;
    virtual void SetProgressPosition(std::uint32_t position) = 0;
    // A modal box with the warning icon and one OK button.
    virtual void Warning(const std::string& text, const std::string& title) = 0;
    // A modal yes/no question titled like the window.
    virtual bool Confirm(const std::string& text) = 0;
    // The file-open dialog for *.Pack; the chosen file in UTF-8, nothing when cancelled.
    virtual std::optional<std::string> ChoosePackFile() = 0;
    // Shows the port dialog modally; returns when it has closed.
    virtual void ShowPortDialog() = 0;
    // Shows the station window (made when first asked for) and brings it to the front.
    virtual void ShowStationWindow() = 0;
    // Closes the station window, whose station has ended.
    virtual void CloseStationWindow() = 0;
    // Closes the window (the session has ended).
    virtual void CloseWindow() = 0;
};

class StationWindowModel;

class MainWindowModel {
  public:
    // Everything given must outlive the model.
    // Shows the fast mode's check mark as the settings have it.
    // `lookup`: how the machine is asked about a port that did not open (this machine's when not given).
    MainWindowModel(MainWindowView& view, PackStore& pack, IapSession& session, const SettingsFile& settings,
                    PortUse& portUse, PortLookup lookup = {});

    // The handlers. What they raise (a pack that cannot be read) is for the
    // view's default error box.
    void Btn_ReadUserPackClick();
    // Reads `path` as Read Pack reads a chosen file: the pack given on the command line or handed
    // over by a second start. While a session runs nothing is read, and the log says so. While a
    // handler of this window is in progress (its box or dialog open), the pack waits for it.
    void ReadPackFile(const std::string& path);
    // A pack (or a station set-up) handed over by a later start or the command line: it waits
    // until the view calls ReadWaitingPack.
    void PackHandedOver(const std::string& path) { waitingPacks_.push_back(path); }
    // A pack waits to be read: the view calls ReadWaitingPack once no box of its own is open.
    bool PackWaiting() const { return !waitingPacks_.empty(); }
    // Whether one of this window's handlers is in progress (a box or dialog of it may be open).
    bool HandlerRunning() const { return handlersRunning_ > 0; }
    // Reads the pack that has waited longest, unless a handler is in progress; a station set-up
    // (*.k5station, in any case) opens the station window with it instead.
    void ReadWaitingPack();
    static bool IsStationSetupFile(const std::string& path);
    void Btn_SendToControllerClick();
    void UartPort1Click();
    // Turns the fast mode on or off in the settings file; a refused write raises
    // (for the default error box) and leaves the check mark as it was.
    void FastTransfer1Click();
    void Station1Click();
    // Stores the windows' language ("" the system's) for the next start and says so; a refused
    // write raises (for the default error box) and leaves the check mark as it was.
    void LanguageClick(const std::string& language);
    // The station window opened with the set-up at `path`, locked; not while its station runs.
    void OpenStationSetup(const std::string& path);

    // The station window's model while that window exists (the view tells).
    void StationWindowOpened(StationWindowModel* station) { station_ = station; }
    // The station window has closed; a close of this window that waited for it goes on.
    void StationWindowClosed();

    // The port hung up (the session has been told): a log line, on the UI thread.
    void PortHungUp(const std::string& device);
    // The session's last step, carried to the UI thread.
    void SessionFinished();
    // Whether the window may close now. During a session it asks; on yes the
    // session stops and the window closes once it has ended. A station that
    // runs is asked the same in its own window.
    bool CloseRequested();

    bool SessionRunning() const { return session_.Running(); }

  private:
    // Counts the handler in progress for as long as it runs.
    class HandlerScope;

    void LoadAndShow(const std::string& path);
    void ShowKind();
    // The wire trace the settings ask for ([Trace] File), made new for each session.
    void StartTrace();

    MainWindowView& view_;
    PackStore& pack_;
    IapSession& session_;
    const SettingsFile& settings_;
    PortUse& portUse_;
    PortLookup lookup_;
    std::string hungUpDevice_;          // the session's port hung up (a pulled cable)
    std::shared_ptr<WireTrace> trace_;  // the running or last session's
    std::string tracePath_;
    StationWindowModel* station_ = nullptr;
    std::vector<std::string> waitingPacks_;  // handed over while a handler ran
    std::string shownPack_;                  // the file name the fields show
    int handlersRunning_ = 0;
    // The stores hold a pack whose checks all passed: only such a pack is programmed.
    bool packAccepted_ = false;
    bool closeWhenIdle_ = false;
    bool closeAfterStation_ = false;
};

}  // namespace k5::app
