#include "station.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "comm_session_port.h"
#include "port_problem_text.h"
#include "protocol.h"
#include "session_timing.h"
#include "station_label.h"

namespace k5 {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kSilenceToRearm = 2s;  // after a session
constexpr auto kReopenEvery = 1s;     // a port that does not open

// What a session's worker reports, kept for the station's thread to read.
class SessionReport : public SessionView {
  public:
    struct Snapshot {
        SessionStep step = SessionStep::None;
        std::uint32_t position = 0;
        std::uint32_t maximum = 0;
    };

    void Clear() {
        std::lock_guard lock(mutex_);
        log_.clear();
        now_ = {};
    }
    Snapshot Now() const {
        std::lock_guard lock(mutex_);
        return now_;
    }
    std::vector<std::string> Log() const {
        std::lock_guard lock(mutex_);
        return log_;
    }

    void AddLog(const std::string& text) override {
        std::lock_guard lock(mutex_);
        log_.push_back(text);
    }
    void ShowProgress(bool) override {}
    void SetProgressMax(std::uint32_t value) override {
        std::lock_guard lock(mutex_);
        now_.maximum = value;
    }
    void SetProgressPosition(std::uint32_t value) override {
        std::lock_guard lock(mutex_);
        now_.position = value;
    }
    void Step(SessionStep step) override {
        std::lock_guard lock(mutex_);
        now_.step = step;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> log_;
    Snapshot now_;
};

// Between sessions the station listens on the port itself: the probe's answer, or a hang-up.
class IdleListener : public SessionPort::Receiver {
  public:
    void ReceiveData(const std::uint8_t* bytes, std::uint16_t length) override {
        for (std::uint16_t i = 0; i < length; ++i) {
            gotFirstReply = gotFirstReply || bytes[i] == protocol::kProbeReplyFirst;
            gotSecondReply = gotSecondReply || bytes[i] == protocol::kProbeReplySecond;
        }
        lastReply = Clock::now();
    }
    void PortHungUp() override { hungUp = true; }

    bool Answered() const { return gotFirstReply && gotSecondReply; }
    void ForgetReplies() { gotFirstReply = gotSecondReply = false; }

    bool gotFirstReply = false;   // 0x02
    bool gotSecondReply = false;  // 0xFD
    bool hungUp = false;
    Clock::time_point lastReply{};
};

}  // namespace

// One of the station's ports: the port itself, its listener between sessions,
// the session of the update under way with its report, and the status shown.
struct Station::Port {
    std::size_t index = 0;
    std::unique_ptr<StationPort> line;
    IdleListener listener;
    SessionReport report;
    std::unique_ptr<IapSession> session;
    PortStatus status;

    bool open = false;
    std::size_t speedAt = 0;  // which of the probe speeds the port is open at
    bool probedHere = false;  // a probe has gone out at this speed, still unanswered
    int quietProbes = 0;      // probes without an answer since the last one
    bool hungUpInSession = false;
    Clock::time_point nextOpen{};
    Clock::time_point nextProbe{};
    Clock::time_point started{};

    void CloseLine() {
        line->Close();
        line->Bind(nullptr);
        open = false;
        probedHere = false;  // a probe's window ends with the line it went out on
    }
};

Station::Station(serial::Dispatcher& thread, const SettingsFile& settings, const PackStore& pack,
                 StationRecord packFacts, StationOptions options, Changed changed, Record record,
                 PortFactory makePort)
    : thread_(thread),
      settings_(settings),
      pack_(pack),
      packFacts_(std::move(packFacts)),
      options_(std::move(options)),
      probeSpeeds_(ProbeSpeedOrder(options_.mode, settings.GetBaudIndex())),
      changed_(std::move(changed)),
      record_(std::move(record)) {
    if (!makePort) makePort = [this] { return std::make_unique<CommSessionPort>(thread_, settings_); };
    for (std::size_t i = 0; i < options_.ports.size(); ++i) {
        auto port = std::make_unique<Port>();
        port->index = i;
        port->status.name = options_.ports[i];
        port->status.waitsForLabel = options_.labelRequired;
        port->line = makePort();
        port->line->OnHungUp = [p = port.get()](const std::string&) {
            p->hungUpInSession = p->hungUpInSession || p->session != nullptr;
        };
        ports_.push_back(std::move(port));
    }
}

Station::~Station() {
    StopAll();
    for (auto& p : ports_) {
        if (p->session) p->session->WaitUntilIdle(std::chrono::minutes(1));
        p->session.reset();
        p->CloseLine();
    }
}

const PortStatus& Station::Status(std::size_t port) const { return ports_.at(port)->status; }

bool Station::Finished() const { return quit_ && !Busy(); }

bool Station::Busy() const {
    return std::any_of(ports_.begin(), ports_.end(), [](const auto& p) { return p->session != nullptr; });
}

bool Station::Idle(std::size_t port) const {
    const Port& p = *ports_.at(port);
    return !quit_ && !p.session && p.status.activity != PortActivity::NoPort && !p.status.waitsForLabel;
}

LabelAnswer Station::SetLabel(std::size_t port, const std::string& label) {
    Port& p = *ports_.at(port);
    if (p.session) return LabelAnswer::Busy;
    const std::string trimmed = TrimmedLabel(label);
    if (!trimmed.empty() && !StationLabelProblem(trimmed).empty()) return LabelAnswer::Refused;
    p.status.label = trimmed;
    p.status.waitsForLabel = options_.labelRequired && trimmed.empty();
    Notify(p);
    return LabelAnswer::Taken;
}

void Station::Notify(Port& port) {
    if (changed_) changed_(port.index, port.status);
}

void Station::Tick() {
    const auto now = Clock::now();
    for (auto& p : ports_) {
        if (p->session) {
            TickRunning(*p, now);
        } else {
            TickIdle(*p, now);
        }
    }
}

void Station::TickRunning(Port& p, Clock::time_point now) {
    const SessionReport::Snapshot report = p.report.Now();
    TransferProgress& transfer = p.status.transfer;
    const std::uint32_t percentBefore = transfer.Percent();
    if (report.maximum != transfer.Total()) transfer.Start(report.maximum);
    transfer.MoveTo(report.position, now);
    const bool moved = report.step != p.status.step || transfer.Percent() != percentBefore;
    p.status.step = report.step;
    if (moved) Notify(p);
}

void Station::TickIdle(Port& p, Clock::time_point now) {
    if (p.listener.hungUp) {
        p.CloseLine();
        p.listener.hungUp = false;
    }
    if (!p.open) {
        if (now < p.nextOpen) return;
        p.line->Bind(&p.listener);
        const auto delivery =
            options_.mode.fast ? SessionPort::Delivery::Fast : SessionPort::Delivery::Standard;
        const int speed = probeSpeeds_[p.speedAt];
        if (const auto failure = p.line->Open(p.status.name, SessionBaudRate(speed), delivery)) {
            p.line->Bind(nullptr);
            p.nextOpen = now + kReopenEvery;
            const bool changed =
                p.status.activity != PortActivity::NoPort || p.status.problemError != failure->osError;
            p.status.activity = PortActivity::NoPort;
            p.status.device = failure->device;
            p.status.problemError = failure->osError;
            if (changed) Notify(p);
            return;
        }
        p.open = true;
        p.listener.ForgetReplies();
        p.nextProbe = now + session_timing::kOpenSettle;
        p.status.device = p.line->Device();
        p.status.problemError = 0;
        if (p.status.activity == PortActivity::NoPort) {
            p.status.activity = PortActivity::Waiting;
            Notify(p);
        }
    }
    if (!options_.autoProbe || quit_) return;
    if (p.listener.Answered()) {
        p.quietProbes = 0;
        p.probedHere = false;  // answered: the port stays at this speed
        if (p.status.activity == PortActivity::Waiting && !p.status.waitsForLabel) {
            // The session starts at the speed the bootloader answered at.
            TransferMode mode = options_.mode;
            if (mode.autoSpeed) {
                mode.autoSpeed = false;
                mode.baudIndex = probeSpeeds_[p.speedAt];
            }
            return StartSession(p, mode);
        }
        p.listener.ForgetReplies();
    }
    if (p.status.activity == PortActivity::Cooling && now - p.listener.lastReply >= kSilenceToRearm &&
        p.quietProbes >= static_cast<int>(probeSpeeds_.size())) {
        p.status.activity = PortActivity::Waiting;
        p.listener.ForgetReplies();
        Notify(p);
    }
    if (now < p.nextProbe) return;
    if (p.probedHere) {
        // The last probe's window has passed unanswered.
        ++p.quietProbes;
        if (probeSpeeds_.size() > 1) {
            // Next speed: the port opens again at it.
            p.speedAt = (p.speedAt + 1) % probeSpeeds_.size();
            p.CloseLine();
            p.nextOpen = now;
            return;
        }
    }
    p.line->Write(&protocol::kProbe, 1);
    p.probedHere = true;
    p.nextProbe = now + session_timing::kProbeWindow;
}

void Station::Go() {
    for (std::size_t i = 0; i < ports_.size(); ++i) GoPort(i);
}

bool Station::GoPort(std::size_t port) {
    if (port >= ports_.size() || !Idle(port)) return false;
    StartSession(*ports_[port], options_.mode);
    return true;
}

void Station::Quit() { quit_ = true; }

void Station::StopAll() {
    quit_ = true;
    for (auto& p : ports_) {
        if (p->session) p->session->RequestStop();
    }
}

void Station::StartSession(Port& p, const TransferMode& mode) {
    if (p.status.waitsForLabel) return;
    p.CloseLine();
    p.line->ResetBytesWritten();
    p.report.Clear();
    p.session = std::make_unique<IapSession>(*p.line, pack_, settings_, p.report);
    p.session->SetTransferMode(mode);
    p.session->SetPortNameOverride(p.status.name);
    p.session->SetFinishedCallback([this, &p, alive = std::weak_ptr<bool>(alive_)] {
        thread_.Post([this, &p, alive] {
            if (alive.lock()) SessionEnded(p);
        });
    });
    p.started = Clock::now();
    p.hungUpInSession = false;
    if (!p.session->BeginSession()) {
        p.session.reset();
        return;
    }
    // The label goes with this update alone.
    p.status.lastLabel = std::exchange(p.status.label, {});
    p.status.waitsForLabel = options_.labelRequired;
    p.status.activity = PortActivity::Running;
    p.status.step = SessionStep::None;
    p.status.transfer = {};
    Notify(p);
}

void Station::SessionEnded(Port& p) {
    if (!p.session || p.session->Running()) return;
    const SessionOutcome outcome = p.session->LastOutcome();
    const SessionStep lastStep = p.session->LastStep();
    StationRecord record = packFacts_;
    record.ended = std::chrono::system_clock::now();
    record.port = p.status.name;
    record.device = p.line->Device();
    record.fast = options_.mode.fast;
    record.outcome = SessionOutcomeText(outcome);
    record.log = p.report.Log();
    if (p.hungUpInSession) record.log.push_back(PortHungUpText(record.device));
    record.seconds = std::chrono::duration<double>(Clock::now() - p.started).count();
    record.bytesSent = p.line->BytesWritten();
    record.label = p.status.lastLabel;
    p.session.reset();  // its worker has ended: this was its last step; the port is unbound

    p.status.lastSeconds = record.seconds;
    WriteRecords(std::move(record));
    if (outcome == SessionOutcome::Programmed) {
        ++good_;
        ++p.status.good;
    } else if (outcome != SessionOutcome::Stopped) {
        ++failed_;
        ++p.status.failed;
    }
    p.status.lastOutcome = outcome;
    p.status.lastStep = lastStep;
    p.status.lastHungUp = p.hungUpInSession;
    p.status.activity = options_.autoProbe ? PortActivity::Cooling : PortActivity::Waiting;
    p.listener.lastReply = Clock::now();
    p.listener.ForgetReplies();
    p.quietProbes = 0;
    if (options_.count > 0 && good_ >= options_.count) quit_ = true;
    Notify(p);
}

void Station::WriteRecords(StationRecord ended) {
    unrecorded_.push_back(std::move(ended));
    if (!record_) return unrecorded_.clear();
    std::erase_if(unrecorded_, [this](StationRecord& line) { return record_(line); });
    if (!unrecorded_.empty()) {
        // What is programmed must be recorded: start nothing new, let the running sessions end.
        recordFailed_ = true;
        quit_ = true;
    }
}

}  // namespace k5
