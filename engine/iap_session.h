// The programming session: opens the port, finds the bootloader (restarting
// the running firmware into it when it does not answer), sends the header and
// the image in 16-byte chunks with an acknowledgement every 1024 bytes, and
// waits for the verdict. Runs on its own worker thread (TIAPThread) and
// reports only through a SessionView. Each session owns its flags and binds
// its own port; several can run side by side, one per port.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "p_HexConvertFun.h"
#include "session_port.h"
#include "session_state.h"
#include "session_timing.h"
#include "session_view.h"
#include "settings_file.h"
#include "transfer_mode.h"
#include "translation.h"
#include "wire_trace.h"

namespace k5 {

// The texts the session logs (the windows and the page translate them where they show them).
namespace session_log {
inline constexpr const char* kConnecting = N_("Conntectting MCU....");
inline constexpr const char* kPortError = N_("UART Port error ");
inline constexpr const char* kIdentified = N_("MCU Identified");
inline constexpr const char* kRestarting = N_("MCU Restarting...");
inline constexpr const char* kConnectFail = N_("Conntect  fail");
inline constexpr const char* kProgramming = N_("Programing...");
inline constexpr const char* kSuccess = N_("Program sucessully");
inline constexpr const char* kVerdictFail = N_("Program Fail");
inline constexpr const char* kProgramFail = N_("Program fail ");
inline constexpr const char* kPowerCycle = N_("Power-off controller or display and try again ");
}  // namespace session_log

// How the last session ended, for front ends that report it as a status.
enum class SessionOutcome {
    None,           // no session has ended yet
    Programmed,     // "Program sucessully"
    PortError,      // the port could not be opened
    ConnectFail,    // no bootloader
    TransferFail,   // header or a 1024-byte block not acknowledged
    VerdictFail,    // no 0x04 after the image
    Stopped,        // asked to stop
    InternalError,  // an unexpected error inside the worker
    Answered,       // a probe-only session found the bootloader ("MCU Identified")
};

// The connect step: a probe, then a listening window for the 0x02 0xFD reply,
// this many times before one last probe.
inline constexpr int kProbeWindows = 5;

// The log line that says how a session ended ("Stopped", "Internal error" for
// the two that have none).
const char* SessionOutcomeText(SessionOutcome outcome);

// Session speed and chunk pause for a baud index: 1 is 57600, 2 is 115200,
// anything else 38400.
std::uint32_t SessionBaudRate(int baudIndex);
std::int32_t ChunkDelayFactorFor(int baudIndex);
// The baud indexes a connection probes at, in turn: with the speed search the
// faster ones first (one probe each, the last the full connect), else the mode's
// fixed index or the settings'.
std::vector<int> ProbeSpeedOrder(const TransferMode& mode, int settingsBaudIndex);

// Busy-waits `microseconds` on the monotonic clock.
void WaitMicroseconds(std::int64_t microseconds);

class IapSession;

// The worker thread of one session. Starts at once; the session it runs
// joins it before the next one starts and when the session object goes.
class TIAPThread {
  public:
    explicit TIAPThread(IapSession& session);
    ~TIAPThread();
    TIAPThread(const TIAPThread&) = delete;
    TIAPThread& operator=(const TIAPThread&) = delete;

  private:
    std::thread thread_;
};

class IapSession : public SessionPort::Receiver {
  public:
    // Binds `port` (its received blocks and hang-up come here) until the session
    // goes. A session sends the pack as it was when it began. Everything given
    // must outlive the session.
    IapSession(SessionPort& port, const PackStore& pack, const SettingsFile& settings, SessionView& view);
    ~IapSession() override;  // stops a running session, waits for its worker, unbinds the port
    IapSession(const IapSession&) = delete;
    IapSession& operator=(const IapSession&) = delete;

    // Starts a session unless one runs (false then, or when the pack cannot be sent).
    bool BeginSession();
    // Starts a session that only connects: the same open, wait and probes at the
    // session's speed, no restart and nothing else sent. It ends Answered,
    // ConnectFail or PortError, and logs as a session does.
    bool BeginProbe();
    // The port's received data: sets the flags its answer bytes stand for.
    void ReceiveData(const std::uint8_t* buffer, std::uint16_t length) override;
    // The port's hang-up: the session's waits end as failures at once.
    void PortHungUp() override;
    // Every wait ends at once; the worker closes the port and clears SessionRunning.
    void RequestStop();
    bool WaitUntilIdle(std::chrono::milliseconds limit) { return state_.WaitUntilIdle(limit); }
    bool Running() const { return state_.SessionRunning.load(); }
    // This session's flags, to look at.
    const SessionState& Flags() const { return state_; }
    SessionOutcome LastOutcome() const { return outcome_.load(); }
    // The step the running or last session is or was in when it ended.
    SessionStep LastStep() const { return step_.load(); }
    // The device and OS error (errno, GetLastError()) of the last port that failed to open (read once the
    // session has ended).
    const std::string& FailedDevice() const { return failedDevice_; }
    int FailedDeviceError() const { return failedDeviceError_; }

    // A transfer mode to use instead of the settings' (for the next sessions).
    void SetTransferMode(std::optional<TransferMode> mode) { modeOverride_ = mode; }
    // The mode of the session that runs or ran last.
    const TransferMode& Mode() const { return mode_; }
    // The speed the last session sent its image at (0 before any did).
    std::uint32_t LineBaud() const { return lineBaud_.load(); }

    // A port name to use instead of "COM" + the settings' port number.
    void SetPortNameOverride(std::string name) { portOverride_ = std::move(name); }
    // Writes the sessions' bytes, steps and log lines to `trace` (null: none).
    // Only while no session runs; the session keeps the trace while it needs it.
    void SetTrace(std::shared_ptr<WireTrace> trace) { trace_ = std::move(trace); }
    // Called on the worker thread as its very last step.
    void SetFinishedCallback(std::function<void()> finished) { finished_ = std::move(finished); }

    // The worker body and its steps; public for the worker thread only.
    void Execute();

  private:
    struct Stopped {};  // thrown by a wait that a stop request ended

    bool Start(bool probeOnly);
    void Run();
    void OpenPortAt(std::uint32_t baud);
    bool ConnectBootloader();
    // Opens the port at `baudIndex`'s speed and sends up to `probes` probes, listening
    // one window after each of the first `windows`: whether a bootloader answered.
    bool ProbeAt(int baudIndex, int probes, int windows);
    bool SendHeader();
    bool SendImage();
    bool AwaitVerdict();
    void RestartIntoBootloader();
    void SendEntryCommand();

    void Send(WireSend kind, const std::uint8_t* bytes, std::uint16_t count, std::uint32_t chunk = 0);
    void Log(const std::string& line);
    void BeginStep(SessionStep step);
    void Pause(std::chrono::milliseconds duration);
    bool PollFlag(const std::atomic<bool>& flag, std::chrono::milliseconds limit);
    std::string PortName() const;

    SessionPort& port_;
    const PackStore& pack_;
    const SettingsFile& settings_;
    SessionView& view_;
    std::shared_ptr<WireTrace> trace_;
    SessionState state_;
    std::shared_ptr<const PackSnapshot> sending_;  // set before the worker starts, read by it only
    std::string portOverride_;
    bool probeOnly_ = false;  // set before the worker starts
    std::optional<TransferMode> modeOverride_;
    TransferMode mode_;  // set before the worker starts
    int baudIndex_ = 0;  // the speed this session runs at (the search may change it)
    std::atomic<std::uint32_t> lineBaud_{0};
    std::function<void()> finished_;
    std::atomic<SessionOutcome> outcome_{SessionOutcome::None};
    std::atomic<SessionStep> step_{SessionStep::None};
    std::string failedDevice_;
    int failedDeviceError_ = 0;
    std::unique_ptr<TIAPThread> worker_;
};

}  // namespace k5
