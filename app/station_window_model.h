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
};

struct StationPortEntry {
    std::string label;  // "COM5  /dev/ttyUSB0  USB adapter 0403:6001 ..."
    bool checked = false;
};

class StationWindowView {
  public:
    enum class Field { PackFile, Version, Kind, RecordFile, Summary };
    enum class Control {
        ReadPack,
        ChooseRecord,
        Ports,
        RefreshPorts,
        Fast,
        AutoSpeed,
        Start,
        Stop,
        ProgramRunning
    };

    virtual ~StationWindowView() = default;
    virtual void SetField(Field field, const std::string& text) = 0;
    virtual void Enable(Control control, bool enabled) = 0;
    virtual void CheckFast(bool checked) = 0;
    virtual void CheckAutoSpeed(bool checked) = 0;
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
    // A close was asked and waits for the sessions to end.
    bool Closing() const { return closeWhenEnded_; }

  private:
    void ShowIdle();
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

    std::unique_ptr<StationRecordFile> record_;
    std::string recordError_;
    std::vector<std::pair<std::string, std::string>> adapters_;  // each tile's device and its adapter
    std::vector<StationTile> tiles_;
    std::vector<PortStatus> statuses_;  // each tile's last, to draw it again when the station ends
    std::unique_ptr<Station> station_;
    bool closeWhenEnded_ = false;
};

}  // namespace k5::app
