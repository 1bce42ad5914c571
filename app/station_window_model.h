// What the station window does, written once for both desktop programs: its
// own pack, the record file, the ports to serve and the fast mode, Start /
// Stop / "Program running controllers", and a tile per port drawn from the
// station's status. A view draws the controls and the tiles, asks the person,
// and calls Tick about every 50 ms while the model asks it to.
//
// States: idle (everything can be chosen; Start; a tile per ticked port),
// running (the choices are locked; Stop and "Program running controllers"),
// stopping (the running sessions end; then idle again, or the window closes
// when that was asked). The pack, the record and the ticked ports are kept in
// the settings file's [Station] section at Start and at close, and chosen
// again when the window next opens.
//
// A station opened with a set-up file (OpenSetup) is locked for good: its pack,
// ports, record, speed and label rule are the set-up's, and only Start, Stop,
// the Program buttons and the label fields work; the operator's name is asked
// at each Start. Labels: each tile takes one for its port's next update, typed
// or scanned (text then Enter), while that port is not programming.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dispatcher.h"
#include "p_HexConvertFun.h"
#include "port_listing.h"
#include "port_use.h"
#include "settings_file.h"
#include "station.h"
#include "station_record.h"

namespace k5::app {

// How a tile shows its state.
enum class TileTone { Idle, Busy, Good, Bad };

// What a tile's state is, for its colour and its shape (so that it does not rest on colour alone).
enum class TileKind {
    Idle,     // the station does not serve the port (before Start, after it ended)
    Waiting,  // served, nothing runs: for a controller, or for a label
    Working,  // an update runs
    Good,     // the last update programmed the controller
    Failed,   // the last update failed, or the port does not open
};

// How often a view calls Tick while the station runs.
inline constexpr int kStationTickMilliseconds = 50;

struct StationTile {
    std::string title;   // "COM5  /dev/ttyUSB0, 0403:6001 A50285BI"
    std::string state;   // large: "Programming 42 %"
    std::string detail;  // small, below it: the reason of a failure, the speed
    TileTone tone = TileTone::Idle;
    bool progressShown = false;
    std::uint32_t position = 0;
    std::uint32_t maximum = 0;
    std::string counts;       // "2 good, 1 failed"
    bool canProgram = false;  // its Program button: the port is idle in a running station
    TileKind kind = TileKind::Idle;
    // What to do with the controller now, on a line of its own: "Done: take the controller
    // away." after a good update, "Put the controller aside as failed, or program it again."
    // after a failure; empty while nothing is to be done.
    std::string advice;
    std::string label;           // given for the port's next update (what its label field shows); empty: none
    std::string lastLabel;       // the running or last update's label, shown with its state
    bool labelEditable = true;   // its label field takes text: the port is not programming
    std::string labelProblem;    // why the text last given was refused, until a label is taken
    bool waitsForLabel = false;  // labels are required and this port has none: nothing starts here
};

struct StationPortEntry {
    std::string label;  // "COM5  /dev/ttyUSB0  USB adapter 0403:6001 ..."
    bool checked = false;
};

class StationWindowView {
  public:
    // Total: "37 good, 2 failed since Start"; PerUnit: "41.2 s per unit" (the mean of the
    // good updates; empty before the first).
    enum class Field { PackFile, Version, Kind, RecordFile, Summary, Total, PerUnit };
    enum class Control {
        ReadPack,
        ChooseRecord,
        Ports,
        RefreshPorts,
        Fast,
        AutoSpeed,
        Start,
        Stop,
        ProgramRunning,
        LabelRequired,  // its check box
        SaveSetup       // "Save set-up..."
    };

    virtual ~StationWindowView() = default;
    virtual void SetField(Field field, const std::string& text) = 0;
    virtual void Enable(Control control, bool enabled) = 0;
    virtual void CheckFast(bool checked) = 0;
    virtual void CheckAutoSpeed(bool checked) = 0;
    virtual void CheckLabelRequired(bool /*checked*/) {}
    // The window's title: the station's own, or "K5 IAP Station - Line 3 (locked)".
    virtual void SetTitle(const std::string& /*title*/) {}
    // The window is locked from now on (a set-up was opened): the view may hide what the
    // model no longer enables (pack, record, ports, modes, Save set-up...).
    virtual void ShowLocked() {}
    // The port list with its check boxes, replaced as a whole.
    virtual void SetPorts(const std::vector<StationPortEntry>& ports) = 0;
    // The tiles, replaced as a whole (their number changes), then one at a time.
    virtual void SetTiles(const std::vector<StationTile>& tiles) = 0;
    virtual void UpdateTile(std::size_t index, const StationTile& tile) = 0;
    // A modal box with the warning icon and one OK button, titled like the window.
    virtual void Warning(const std::string& text) = 0;
    // A modal yes/no question titled like the window.
    virtual bool Confirm(const std::string& text) = 0;
    // The file-open dialog for *.Pack; the chosen file in UTF-8, nothing when cancelled.
    virtual std::optional<std::string> ChoosePackFile() = 0;
    // The save dialog for the record, starting at `current`; nothing when cancelled.
    virtual std::optional<std::string> ChooseRecordFile(const std::string& current) = 0;
    // The save dialog for a set-up (*.k5station), starting at `suggested`; nothing when cancelled.
    virtual std::optional<std::string> ChooseSetupFile(const std::string& /*suggested*/) { return {}; }
    // A modal question with a one-line text field, titled like the window, the field holding
    // `current`: the text given, or nothing when cancelled.
    virtual std::optional<std::string> AskText(const std::string& /*question*/,
                                               const std::string& /*current*/) {
        return {};
    }
    // The system's alert sound: an update failed (only when the station's alert is on).
    virtual void AlertFailure() {}
    // Calls the model's Tick about every 50 ms from now on, or no more.
    virtual void Ticking(bool on) = 0;
    // Closes the window (its station has ended).
    virtual void CloseWindow() = 0;
};

// How the window asks the machine; what is not given is this machine's answer (tests give their own).
struct StationLookup {
    std::function<std::vector<PortChoice>()> ports;                    // the ports to tick
    std::function<std::vector<platform::SerialDeviceInfo>()> devices;  // for each tile's adapter
    Station::PortFactory makePort;                                     // each port the station serves
};

class StationWindowModel {
  public:
    using ListPorts = std::function<std::vector<PortChoice>()>;

    // `uiThread` carries the ports' and sessions' calls to the thread of the
    // view; the record file starts in the first of `recordFolders` that exists (the
    // documents folder, then the home folder). Everything given must outlive the model.
    StationWindowModel(StationWindowView& view, serial::Dispatcher& uiThread, const SettingsFile& settings,
                       PortUse& portUse, const std::vector<std::string>& recordFolders,
                       StationLookup lookup = {});
    // Stops what runs and closes the ports without waiting for the UI thread.
    ~StationWindowModel();
    StationWindowModel(const StationWindowModel&) = delete;
    StationWindowModel& operator=(const StationWindowModel&) = delete;

    // The handlers. What they raise is for the view's default error box.
    void ReadPackClick();
    void ChooseRecordClick();
    void RefreshPortsClick();
    void PortToggled(std::size_t index, bool checked);
    void FastToggled(bool checked);
    void AutoSpeedToggled(bool checked);
    void LabelRequiredToggled(bool checked);
    // Text then Enter in a tile's label field: true when taken for that port's next update;
    // false when refused (the tile's labelProblem says why) or the port is programming.
    // Empty text takes the port's label away.
    bool LabelEntered(std::size_t index, const std::string& text);
    // "Save set-up...": the pack (with its SHA-256), the ticked ports, the record, the fast
    // mode, the speed and the label rule into a set-up file the person chooses.
    void SaveSetupClick();
    // Opens the station with the set-up at `path` (UTF-8) and locks the window for good. A set-up
    // that cannot be used (unreadable, or its pack changed since it was saved) is said in a
    // box and in the summary; the window stays locked and Start programs nothing. False then.
    bool OpenSetup(const std::string& path);
    void StartClick();
    void StopClick();
    void ProgramRunningClick();
    // A tile's Program: a full session on that port alone.
    void ProgramPortClick(std::size_t index);
    void Tick();

    // Whether the window may close now. While sessions run it asks; on yes
    // they stop, are recorded, and the window closes once they have ended.
    // The choices are saved as the window closes.
    bool CloseRequested();

    bool Running() const { return station_ != nullptr; }
    // Opened with a set-up: nothing but Start, Stop, Program and the labels can be changed.
    bool Locked() const { return locked_; }
    // An update's failure sounds the system's alert (on unless the set-up turns it off).
    bool AlertOnFailure() const { return alertSound_; }
    // A close was asked and waits for the sessions to end.
    bool Closing() const { return closeWhenEnded_; }

  private:
    void ShowIdle();
    // Every choice but Start on or off (never on in a locked window).
    void EnableChoices(bool enabled);
    // Tile `index` drawn from its status.
    StationTile MakeTile(std::size_t index, bool served) const;
    // A set-up that cannot be used: said, and Start refuses with it.
    bool RefuseSetup(const std::string& problem);
    // "37 good, 2 failed since Start" and the time per unit.
    void ShowTotal();
    // The choices of the last time, from the settings file.
    void RestoreChoices();
    // The pack, the record and the ticked ports into the settings file; a refusal is said once.
    void SaveChoices();
    // Lists the ports again, ticking those named; a named port not there now stays ticked unseen.
    void ListPortsTicking(const std::vector<std::string>& ticked);
    // The ticked ports' names: those listed, then those ticked but not there now.
    std::vector<std::string> TickedNames() const;
    // While idle: a tile for each ticked port, with what it showed last.
    void ShowTickedTiles();
    // Takes a pack read from `path` into use; a problem for the person, or nothing.
    std::optional<std::string> TakePack(const std::string& path, std::unique_ptr<PackStore> pack);
    void EndStation();
    void StatusChanged(std::size_t index, const PortStatus& status);
    // Each tile's Program button as the station now allows.
    void RefreshProgramButtons();
    bool WriteRecord(StationRecord& record);

    StationWindowView& view_;
    serial::Dispatcher& uiThread_;
    const SettingsFile& settings_;
    PortUse& portUse_;
    StationLookup lookup_;
    std::string host_;

    std::unique_ptr<PackStore> pack_;
    std::string packPath_;
    StationRecord packFacts_;
    std::string notice_;  // what the summary says while idle, instead of how to start
    bool saveRefusalShown_ = false;
    std::string recordPath_;
    std::vector<PortChoice> ports_;
    std::vector<bool> checked_;
    std::vector<std::string> tickedAbsent_;  // ticked, and not there now (an adapter unplugged)
    bool fast_ = false;
    bool autoSpeed_ = false;
    bool labelRequired_ = false;
    bool alertSound_ = true;
    bool locked_ = false;
    std::string setupName_;
    std::string setupProblem_;  // why the locked set-up cannot be used; empty when it can
    std::string workOrder_;
    std::string operator_;                    // the last name given at Start
    int baudIndex_ = -1;                      // a set-up's fixed speed; -1: the settings'
    std::vector<std::string> labelProblems_;  // each tile's, until it takes a label
    double goodSeconds_ = 0;                  // of the good updates since Start, for the time per unit

    std::unique_ptr<StationRecordFile> record_;
    std::string recordError_;
    std::vector<std::pair<std::string, std::string>> adapters_;  // each tile's device and its adapter
    std::vector<StationTile> tiles_;
    std::vector<PortStatus> statuses_;  // each tile's last, to draw it again when the station ends
    std::unique_ptr<Station> station_;
    bool closeWhenEnded_ = false;
};

}  // namespace k5::app
