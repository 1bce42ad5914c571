#include "station.h"

#include <mutex>

#include "port_problem_text.h"
#include "protocol.h"

namespace k5 {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kProbeEvery = 500ms;
constexpr auto kSettle = 200ms;       // after opening, as a session waits
constexpr auto kSilenceToRearm = 2s;  // after a session
constexpr auto kReopenEvery = 1s;     // a port that does not open

}  // namespace

// One port: its session port, the session of the update under way, and what
// the station needs of it between sessions. The session reports here too.
struct Station::Port : SessionPort::Receiver, SessionView {
    Port(serial::Dispatcher& thread, const SettingsFile& settings, std::size_t index, std::string name)
        : port(thread, settings), index(index) {
        status.name = std::move(name);
        port.OnHungUp = [this](const std::string&) {
            hungUpInSession = hungUpInSession || session != nullptr;
        };
    }

    // Between sessions (the station's thread): the probe's answer, or a hang-up.
    void ReceiveData(const std::uint8_t* bytes, std::uint16_t length) override {
        for (std::uint16_t i = 0; i < length; ++i) {
            stx = stx || bytes[i] == protocol::kProbeReplyFirst;
            fd = fd || bytes[i] == protocol::kProbeReplySecond;
        }
        lastReply = Clock::now();
    }
    void PortHungUp() override { hungUp = true; }

    // The session's view (its worker thread).
    void AddLog(const std::string& text) override {
        std::lock_guard lock(mutex);
        log.push_back(text);
    }
    void ShowProgress(bool) override {}
    void SetProgressMax(std::uint32_t value) override {
        std::lock_guard lock(mutex);
        maximum = value;
    }
    void SetProgressPosition(std::uint32_t value) override {
        std::lock_guard lock(mutex);
        position = value;
    }

    CommSessionPort port;
    std::size_t index;
    std::unique_ptr<IapSession> session;
    PortStatus status;
    bool open = false;
    bool hungUp = false;
    bool hungUpInSession = false;  // the session's line hung up: a pulled cable
    bool stx = false;
    bool fd = false;
    Clock::time_point nextOpen{};
    Clock::time_point nextProbe{};
    Clock::time_point lastReply{};
    Clock::time_point started{};
    Clock::time_point imageStarted{};
    std::uint32_t positionAtStart = 0;  // the image bytes already sent when imageStarted was taken

    std::mutex mutex;  // what the session's worker reports
    std::vector<std::string> log;
    std::uint32_t position = 0;
    std::uint32_t maximum = 0;
};

Station::Station(serial::Dispatcher& thread, const SettingsFile& settings, const PackStore& pack,
                 StationRecord packFacts, StationOptions options, Changed changed, Record record)
    : thread_(thread),
      settings_(settings),
      pack_(pack),
      packFacts_(std::move(packFacts)),
      options_(std::move(options)),
      changed_(std::move(changed)),
      record_(std::move(record)) {
    for (std::size_t i = 0; i < options_.ports.size(); ++i) {
        ports_.push_back(std::make_unique<Port>(thread_, settings_, i, options_.ports[i]));
    }
}

Station::~Station() {
    StopAll();
    for (auto& p : ports_) {
        if (p->session) p->session->WaitUntilIdle(std::chrono::minutes(1));
        p->session.reset();
        p->port.Close();
        p->port.Bind(nullptr);
    }
}

const PortStatus& Station::Status(std::size_t port) const { return ports_.at(port)->status; }

bool Station::Finished() const { return quit_ && !Busy(); }

bool Station::Busy() const {
    for (const auto& p : ports_) {
        if (p->session) return true;
    }
    return false;
}

void Station::Notify(Port& port) {
    if (changed_) changed_(port.index, port.status);
}

void Station::Tick() {
    const auto now = Clock::now();
    for (auto& owned : ports_) {
        Port& p = *owned;
        if (p.session) {
            std::string step;
            std::uint32_t position = 0, maximum = 0;
            {
                std::lock_guard lock(p.mutex);
                if (!p.log.empty()) step = p.log.back();
                position = p.position;
                maximum = p.maximum;
            }
            if (position > 0 && p.imageStarted == Clock::time_point{}) {
                p.imageStarted = now;
                p.positionAtStart = position;
            }
            const auto percent = [](std::uint32_t at, std::uint32_t of) {
                return of ? 100ull * at / of : 0ull;
            };
            const bool moved = step != p.status.step ||
                               percent(position, maximum) != percent(p.status.position, p.status.maximum);
            p.status.step = step;
            p.status.position = position;
            p.status.maximum = maximum;
            const double seconds = std::chrono::duration<double>(now - p.imageStarted).count();
            const std::uint32_t since = position - p.positionAtStart;
            p.status.bytesPerSecond = since > 0 && seconds > 0 ? since / seconds : 0;
            if (moved) Notify(p);
            continue;
        }
        if (p.hungUp) {
            p.port.Close();
            p.port.Bind(nullptr);
            p.open = false;
            p.hungUp = false;
        }
        if (!p.open) {
            if (now < p.nextOpen) continue;
            p.port.Bind(&p);
            const auto delivery =
                options_.mode.fast ? SessionPort::Delivery::Fast : SessionPort::Delivery::Standard;
            if (const auto failure = p.port.Open(p.status.name, SessionBaudRate(0), delivery)) {
                p.port.Bind(nullptr);
                p.nextOpen = now + kReopenEvery;
                const bool changed =
                    p.status.activity != PortActivity::NoPort || p.status.problemError != failure->osError;
                p.status.activity = PortActivity::NoPort;
                p.status.device = failure->device;
                p.status.problemError = failure->osError;
                if (changed) Notify(p);
                continue;
            }
            p.open = true;
            p.stx = p.fd = false;
            p.nextProbe = now + kSettle;
            p.status.device = p.port.Comm().DevicePath();
            p.status.problemError = 0;
            if (p.status.activity == PortActivity::NoPort) {
                p.status.activity = PortActivity::Waiting;
                Notify(p);
            }
        }
        if (!options_.autoProbe || quit_) continue;
        if (now >= p.nextProbe) {
            p.port.Write(&protocol::kProbe, 1);
            p.nextProbe = now + kProbeEvery;
        }
        if (p.status.activity == PortActivity::Cooling && now - p.lastReply >= kSilenceToRearm) {
            p.status.activity = PortActivity::Waiting;
            p.stx = p.fd = false;
            Notify(p);
        } else if (p.status.activity == PortActivity::Waiting && p.stx && p.fd) {
            StartSession(p);
        }
    }
}

void Station::Go() {
    if (quit_) return;
    for (auto& p : ports_) {
        if (!p->session && p->status.activity != PortActivity::NoPort) StartSession(*p);
    }
}

void Station::Quit() { quit_ = true; }

void Station::StopAll() {
    quit_ = true;
    for (auto& p : ports_) {
        if (p->session) p->session->RequestStop();
    }
}

void Station::StartSession(Port& p) {
    p.port.Close();
    p.port.Bind(nullptr);
    p.open = false;
    p.port.ResetBytesWritten();
    {
        std::lock_guard lock(p.mutex);
        p.log.clear();
        p.position = p.maximum = 0;
    }
    p.session = std::make_unique<IapSession>(p.port, pack_, settings_, p);
    p.session->SetTransferMode(options_.mode);
    p.session->SetPortNameOverride(p.status.name);
    p.session->SetFinishedCallback([this, &p, alive = std::weak_ptr<bool>(alive_)] {
        thread_.Post([this, &p, alive] {
            if (alive.lock()) SessionEnded(p);
        });
    });
    p.started = Clock::now();
    p.imageStarted = {};
    p.hungUpInSession = false;
    if (!p.session->BeginSession()) {
        p.session.reset();
        return;
    }
    p.status.activity = PortActivity::Running;
    p.status.step.clear();
    p.status.position = p.status.maximum = 0;
    p.status.bytesPerSecond = 0;
    Notify(p);
}

void Station::SessionEnded(Port& p) {
    if (!p.session || p.session->Running()) return;
    const SessionOutcome outcome = p.session->LastOutcome();
    StationRecord record = packFacts_;
    record.ended = std::chrono::system_clock::now();
    record.port = p.status.name;
    record.device = p.port.Comm().DevicePath();
    record.fast = options_.mode.fast;
    record.outcome = SessionOutcomeText(outcome);
    {
        std::lock_guard lock(p.mutex);
        record.log = p.log;
    }
    if (p.hungUpInSession) record.log.push_back(PortHungUpText(record.device));
    record.seconds = std::chrono::duration<double>(Clock::now() - p.started).count();
    record.bytesSent = p.port.BytesWritten();
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
    p.status.lastHungUp = p.hungUpInSession;
    p.status.activity = options_.autoProbe ? PortActivity::Cooling : PortActivity::Waiting;
    p.lastReply = Clock::now();
    p.stx = p.fd = false;
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
