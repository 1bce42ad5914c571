// A station: one pack, several ports, controller after controller. Each port
// has its own session (made for each update) and its trigger: while idle the
// port is probed about every 0.5 s, at each speed the station may run at in
// turn, and a bootloader's 0x02 0xFD starts a session at the speed it answered
// at; Go() starts one on every idle port and GoPort() on one (a controller
// running its firmware answers no probe). After a session, whatever its
// outcome, a port is armed again only once its line has been silent to probes
// for 2 s (at every speed), so a controller left in its bootloader is not
// programmed again and again.
//
// Labels: a label given for a port that is not programming goes with its next
// update alone (into its record), whichever way that update starts. A station
// that requires labels starts nothing on a port without one, neither on a
// probe's answer nor on the operator's go; it waits for the label.
//
// Threads: everything runs on the thread behind `thread` (the ports' events too);
// the sessions' workers reach the station only through posts to it.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dispatcher.h"
#include "iap_session.h"
#include "station_port.h"
#include "station_record_data.h"
#include "transfer_mode.h"
#include "transfer_progress.h"

namespace k5 {

struct StationOptions {
    std::vector<std::string> ports;  // "COMn" or device paths
    bool autoProbe = true;           // false: sessions start only on Go() or GoPort()
    int count = 0;                   // end after this many good updates (0: no end)
    TransferMode mode;               // its speed is the idle probes' too
    bool labelRequired = false;      // an update starts only on a port given a label
};

enum class PortActivity {
    NoPort,   // does not open (problemError says why)
    Waiting,  // probed, armed
    Running,  // a session runs (step says which)
    Cooling,  // after a session: armed again after 2 s of silence
};

struct PortStatus {
    std::string name;
    std::string device;
    PortActivity activity = PortActivity::NoPort;
    SessionStep step = SessionStep::None;  // of the running session
    TransferProgress transfer;             // of the running session's image (no total before it)
    SessionOutcome lastOutcome = SessionOutcome::None;
    SessionStep lastStep = SessionStep::None;  // the step the last session ended in
    bool lastHungUp = false;                   // the line hung up during the last session (a pulled cable)
    double lastSeconds = 0;
    int good = 0;
    int failed = 0;
    int problemError = 0;        // the OS error of a port that does not open
    std::string label;           // given for the next update; empty when none
    std::string lastLabel;       // the running or last update's
    bool waitsForLabel = false;  // a label is required and none is given: nothing starts here
};

// What became of a label given for a port.
enum class LabelAnswer {
    Taken,    // the port's next update carries it
    Refused,  // not a label (StationLabelProblem says why); the port's label is as it was
    Busy,     // the port is programming: give it once that update has ended
};

class Station {
  public:
    // Told on that thread whenever a port's status changes.
    using Changed = std::function<void(std::size_t port, const PortStatus& status)>;
    // Told as a session ends, before it counts; the front end fills the host
    // and adapter and appends the record. False: the record could not be written.
    // Then no new session starts, the running ones finish, and every line not yet
    // written is offered again as each of them ends.
    using Record = std::function<bool(StationRecord& record)>;
    // Makes the port for one of the station's ports (the serial port component when not given).
    using PortFactory = std::function<std::unique_ptr<StationPort>()>;

    Station(serial::Dispatcher& thread, const SettingsFile& settings, const PackStore& pack,
            StationRecord packFacts, StationOptions options, Changed changed, Record record,
            PortFactory makePort = {});
    ~Station();  // stops what runs and closes every port
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // On that thread, about every 50 ms: opens, probes, arms and starts.
    void Tick();
    // The operator's go: a full session on every idle port.
    void Go();
    // The operator's go for one port (from 0); false when it is not idle.
    bool GoPort(std::size_t port);
    // Ends the station once the running sessions have ended.
    void Quit();
    // Stops every running session at once (they end as Stopped) and quits.
    void StopAll();
    // Quit was asked (or the count reached) and no session runs.
    bool Finished() const;
    // A session runs on some port.
    bool Busy() const;
    // A session could start on this port now (it is open and none runs; a station that
    // requires labels: and the port has one).
    bool Idle(std::size_t port) const;
    // Gives the port's next update `label` (replacing one given before; empty: none).
    LabelAnswer SetLabel(std::size_t port, const std::string& label);

    int Good() const { return good_; }
    int Failed() const { return failed_; }
    const PortStatus& Status(std::size_t port) const;
    std::size_t PortCount() const { return ports_.size(); }
    // A record line could not be written (the station then ended once the running sessions had).
    bool RecordFailed() const { return recordFailed_; }
    // The sessions whose lines are still not in the record.
    const std::vector<StationRecord>& Unrecorded() const { return unrecorded_; }

  private:
    struct Port;
    void TickIdle(Port& port, std::chrono::steady_clock::time_point now);
    void TickRunning(Port& port, std::chrono::steady_clock::time_point now);
    void StartSession(Port& port, const TransferMode& mode);
    void SessionEnded(Port& port);
    void WriteRecords(StationRecord ended);
    void Notify(Port& port);

    serial::Dispatcher& thread_;
    const SettingsFile& settings_;
    const PackStore& pack_;
    StationRecord packFacts_;
    StationOptions options_;
    std::vector<int> probeSpeeds_;  // baud indexes the idle ports are probed at, in turn
    Changed changed_;
    Record record_;
    std::vector<std::unique_ptr<Port>> ports_;
    int good_ = 0;
    int failed_ = 0;
    bool quit_ = false;
    bool recordFailed_ = false;
    std::vector<StationRecord> unrecorded_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // gone with the station: late posts see it
};

}  // namespace k5
