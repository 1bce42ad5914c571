#include "iap_session.h"

#include <array>

#include "entry_command.h"
#include "header_block.h"
#include "message_text.h"
#include "port_names.h"
#include "protocol.h"

namespace k5 {
namespace {

using namespace std::chrono_literals;
using namespace session_timing;

using protocol::kAckEvery;
using protocol::kHeaderCommand;
using protocol::kProbe;

// A wait fails only when strictly more than its limit has passed (millisecond clock).
constexpr std::chrono::milliseconds Beyond(std::chrono::milliseconds limit) { return limit + 1ms; }

}  // namespace

namespace {

// One row per baud index; any index other than 1 and 2 takes the first.
struct SessionSpeed {
    std::uint32_t baudRate;
    std::int32_t chunkDelayFactor;  // pause after each chunk, in kChunkPauseUnit
};

SessionSpeed SpeedFor(int baudIndex) {
    switch (baudIndex) {
        case 1:
            return {57600, 150};
        case 2:
            return {115200, 50};
        default:
            return {38400, 300};
    }
}

}  // namespace

const char* SessionStepName(SessionStep step) {
    switch (step) {
        case SessionStep::Connect:
            return "connect";
        case SessionStep::Restart:
            return "restart";
        case SessionStep::Header:
            return "header";
        case SessionStep::Image:
            return "image";
        case SessionStep::Verdict:
            return "verdict";
        case SessionStep::None:
            break;
    }
    return "";
}

const char* SessionOutcomeText(SessionOutcome outcome) {
    switch (outcome) {
        case SessionOutcome::Programmed:
            return session_log::kSuccess;
        case SessionOutcome::PortError:
            return session_log::kPortError;
        case SessionOutcome::ConnectFail:
            return session_log::kConnectFail;
        case SessionOutcome::TransferFail:
            return session_log::kProgramFail;
        case SessionOutcome::VerdictFail:
            return session_log::kVerdictFail;
        case SessionOutcome::Stopped:
            return N_("Stopped");
        case SessionOutcome::Answered:
            return session_log::kIdentified;
        default:
            return N_("Internal error");
    }
}

std::uint32_t SessionBaudRate(int baudIndex) { return SpeedFor(baudIndex).baudRate; }

std::vector<int> ProbeSpeedOrder(const TransferMode& mode, int settingsBaudIndex) {
    if (mode.autoSpeed) return {2, 1, 0};
    return {mode.baudIndex >= 0 ? mode.baudIndex : settingsBaudIndex};
}

std::int32_t ChunkDelayFactorFor(int baudIndex) { return SpeedFor(baudIndex).chunkDelayFactor; }

void WaitMicroseconds(std::int64_t microseconds) {
    // Spins: a sleep would oversleep by far more than the pause itself. Each turn
    // yields, so that the ports' threads (of this session and of a station's
    // others) get a core at once while sessions pause side by side.
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() <
           static_cast<double>(microseconds)) {
        std::this_thread::yield();
    }
}

TIAPThread::TIAPThread(IapSession& session) : thread_([&session] { session.Execute(); }) {}

TIAPThread::~TIAPThread() {
    if (thread_.joinable()) thread_.join();
}

IapSession::IapSession(SessionPort& port, const PackStore& pack, const SettingsFile& settings,
                       SessionView& view)
    : port_(port), pack_(pack), settings_(settings), view_(view) {
    port_.Bind(this);
}

IapSession::~IapSession() {
    if (state_.SessionRunning.load()) state_.RequestStop();
    worker_.reset();
    port_.Bind(nullptr);
}

bool IapSession::BeginSession() {
    if (state_.SessionRunning.load()) return false;
    // A header past the last whole chunk was refused by the loader; never send from beyond the buffer.
    if (pack_.Header().ImageLength() > kMaxImageLength) return false;
    return Start(false);
}

bool IapSession::BeginProbe() { return !state_.SessionRunning.load() && Start(true); }

bool IapSession::Start(bool probeOnly) {
    worker_.reset();  // the previous worker has ended; reap it
    probeOnly_ = probeOnly;
    mode_ = modeOverride_ ? *modeOverride_ : settings_.GetTransferMode();
    sending_ = pack_.Snapshot();
    baudIndex_ = mode_.baudIndex >= 0 ? mode_.baudIndex : settings_.GetBaudIndex();
    state_.ChunkDelayFactor.store(ChunkDelayFactorFor(baudIndex_));
    failedDevice_.clear();
    failedDeviceError_ = 0;
    step_.store(SessionStep::None);
    state_.ClearStop();
    state_.SessionRunning.store(true);
    try {
        worker_ = std::make_unique<TIAPThread>(*this);
    } catch (...) {
        state_.SessionRunning.store(false);
        throw;
    }
    return true;
}

void IapSession::ReceiveData(const std::uint8_t* buffer, std::uint16_t length) {
    if (trace_ != nullptr) trace_->Received(buffer, length);
    state_.ReceiveBytes(buffer, length);
}

void IapSession::PortHungUp() { state_.SetPortLost(true); }

void IapSession::RequestStop() { state_.RequestStop(); }

void IapSession::Execute() {
    try {
        Run();
    } catch (const Stopped&) {
        outcome_.store(SessionOutcome::Stopped);
    } catch (const std::exception& e) {
        outcome_.store(SessionOutcome::InternalError);
        Log(FillIn(N_("Internal error: %1"), {e.what()}));
    } catch (...) {
        outcome_.store(SessionOutcome::InternalError);
        Log(N_("Internal error"));
    }
    // Closing, on every way out. After a stop request the waits end at once.
    view_.ShowProgress(false);
    state_.Sleep(kBeforeClose);
    port_.Close();
    if (trace_ != nullptr) {
        trace_->Closed();
        trace_->End(SessionOutcomeText(outcome_.load()));
    }
    state_.Sleep(kAfterClose);
    state_.SetPortLost(false);
    state_.SessionRunning.store(false);
    state_.Wake();
    if (finished_) finished_();
}

void IapSession::Run() {
    namespace log = session_log;
    if (trace_ != nullptr) {
        trace_->Begin(mode_.fast ? "fast, ack guard " + std::to_string(mode_.ackGuard.count()) + " ms"
                                 : "standard");
    }
    BeginStep(SessionStep::Connect);
    state_.PortOk.store(true);
    view_.SetProgressPosition(0);
    view_.ShowProgress(true);
    if (mode_.fast) Log(FastTransferLogLine(mode_.ackGuard));
    Log(log::kConnecting);

    bool connected = ConnectBootloader();
    if (!state_.PortOk.load()) {
        Log(log::kPortError);
        outcome_.store(SessionOutcome::PortError);
        return;
    }
    if (connected) {
        Log(log::kIdentified);
        if (probeOnly_) {
            outcome_.store(SessionOutcome::Answered);
            return;
        }
    } else if (!probeOnly_) {
        BeginStep(SessionStep::Restart);
        RestartIntoBootloader();
        Log(log::kRestarting);
        for (const auto pause : kRestartPauses) Pause(pause);
        BeginStep(SessionStep::Connect);
        connected = ConnectBootloader();
    }
    if (!connected) {
        Log(log::kConnectFail);
        outcome_.store(SessionOutcome::ConnectFail);
        return;
    }

    state_.ChunkDelayFactor.store(ChunkDelayFactorFor(baudIndex_));
    lineBaud_.store(SessionBaudRate(baudIndex_));
    view_.LineSpeed(SessionBaudRate(baudIndex_));
    if (mode_.autoSpeed || mode_.baudIndex >= 0) Log(LineSpeedLogLine(SessionBaudRate(baudIndex_)));
    Log(log::kProgramming);
    BeginStep(SessionStep::Header);
    bool sent = SendHeader();
    if (sent) {
        BeginStep(SessionStep::Image);
        sent = SendImage();
    }
    if (sent) {
        BeginStep(SessionStep::Verdict);
        const bool finished = AwaitVerdict();
        if (!finished && baudIndex_ > 0) Log(SlowerSpeedAdvice(SessionBaudRate(baudIndex_)));
        outcome_.store(finished ? SessionOutcome::Programmed : SessionOutcome::VerdictFail);
    } else {
        Pause(kBeforeTransferFail);
        Log(log::kProgramFail);
        Log(log::kPowerCycle);
        if (baudIndex_ > 0) Log(SlowerSpeedAdvice(SessionBaudRate(baudIndex_)));
        outcome_.store(SessionOutcome::TransferFail);
    }
}

std::string IapSession::PortName() const {
    if (!portOverride_.empty()) return portOverride_;
    return SettingsPortName(settings_);
}

void IapSession::OpenPortAt(std::uint32_t baud) {
    const auto delivery = mode_.fast ? SessionPort::Delivery::Fast : SessionPort::Delivery::Standard;
    if (const auto failure = port_.Open(PortName(), baud, delivery)) {
        if (trace_ != nullptr) trace_->OpenFailed(PortName(), failure->osError);
        state_.PortOk.store(false);
        failedDevice_ = failure->device;
        failedDeviceError_ = failure->osError;
        return;
    }
    if (trace_ != nullptr) trace_->Opened(PortName(), baud);
    state_.SetPortLost(false);  // a lost port stays lost until it opens again
}

bool IapSession::ConnectBootloader() {
    if (!mode_.autoSpeed) return ProbeAt(baudIndex_, kProbeWindows + 1, kProbeWindows);
    // The faster speeds first, one probe each: a bootloader not listening there does not answer.
    const std::vector<int> order = ProbeSpeedOrder(mode_, baudIndex_);
    for (std::size_t i = 0; i + 1 < order.size(); ++i) {
        if (ProbeAt(order[i], 1, 1)) {
            baudIndex_ = order[i];
            return true;
        }
        if (!state_.PortOk.load()) return false;
    }
    baudIndex_ = order.back();
    return ProbeAt(baudIndex_, kProbeWindows + 1, kProbeWindows);
}

bool IapSession::ProbeAt(int baudIndex, int probes, int windows) {
    OpenPortAt(SessionBaudRate(baudIndex));
    Pause(kOpenSettle);
    if (!state_.PortOk.load()) return false;
    state_.GotEot.store(false);
    state_.GotAck.store(false);
    state_.GotStx.store(false);
    state_.GotFd.store(false);

    auto answered = [this] { return state_.GotStx.load() && state_.GotFd.load(); };
    // The last probe goes out without a window of its own: its answer is taken only if already there.
    for (int attempt = 1; attempt <= probes && !answered(); ++attempt) {
        Send(WireSend::Probe, &kProbe, 1);
        if (attempt <= windows) {
            if (state_.WaitFor(answered, Beyond(kProbeWindow)) == SessionState::WaitEnd::Stopped)
                throw Stopped{};
        }
    }
    return answered();
}

bool IapSession::SendHeader() {
    const PackHeader& h = sending_->header;
    Send(WireSend::HeaderCommand, &kHeaderCommand, 1);
    Pause(kBeforeHeaderBlock);
    const HeaderBlockBytes block = EncodeHeaderBlock(
        {h.ImageLength(), h.ImageSum(), h.TransferKey(), static_cast<std::uint8_t>(baudIndex_)});
    Send(WireSend::Header, block.data(), static_cast<std::uint16_t>(block.size()));
    Pause(kHeaderAckWait);
    // A 0x06 at any time since the connection cleared the flag counts.
    return state_.GotAck.load();
}

bool IapSession::SendImage() {
    const PackHeader& h = sending_->header;
    const std::uint32_t length = h.ImageLength();
    const std::uint8_t key = h.TransferKey();
    view_.SetProgressPosition(0);
    view_.SetProgressMax(length);
    const std::uint32_t chunks = length / kChunkSize + (length % kChunkSize ? 1 : 0);
    // The last chunk is padded with the filler after the image; every chunk lies inside the buffer.
    const std::uint8_t* image = sending_->Image();
    const std::int64_t pauseMicroseconds = state_.ChunkDelayFactor.load() * kChunkPauseUnit.count();

    std::uint32_t sinceAck = 0;
    std::array<std::uint8_t, kChunkSize> chunk{};
    if (chunks == 0) state_.GotEot.store(false);
    for (std::uint32_t i = 0; i < chunks; ++i) {
        for (std::size_t j = 0; j < kChunkSize; ++j) chunk[j] = image[kChunkSize * i + j] ^ key;
        // The verdict may come in the same block as the last acknowledgement: a 0x04
        // from the moment the last chunk goes out is the verdict, an earlier one is not.
        if (i + 1 == chunks) state_.GotEot.store(false);
        // Fast mode may see the acknowledgement before the chunk pause is over: it
        // waits for it from before the block's last chunk goes out.
        if (mode_.fast && sinceAck + kChunkSize == kAckEvery) state_.GotAck.store(false);
        Send(WireSend::Chunk, chunk.data(), static_cast<std::uint16_t>(chunk.size()), i);
        sinceAck += kChunkSize;
        WaitMicroseconds(pauseMicroseconds);
        view_.SetProgressPosition(static_cast<std::uint32_t>(kChunkSize * (i + 1)));
        if (sinceAck == kAckEvery) {
            sinceAck = 0;
            if (!mode_.fast) state_.GotAck.store(false);
            if (!PollFlag(state_.GotAck, kAckLimit)) return false;
            // Seen at once in fast mode: give the bootloader its guard before the next chunk.
            if (mode_.fast && i + 1 < chunks) Pause(mode_.ackGuard);
        }
    }
    return true;
}

bool IapSession::AwaitVerdict() {
    // GotEot was cleared as the last chunk went out (SendImage).
    PollFlag(state_.GotEot, kVerdictLimit);
    const bool finished = state_.GotEot.load();
    Log(finished ? session_log::kSuccess : session_log::kVerdictFail);
    return finished;
}

void IapSession::RestartIntoBootloader() {
    OpenPortAt(kEntryCommandBaud);
    Pause(kOpenSettle);
    SendEntryCommand();
    Pause(kAfterEntryCommand);
}

void IapSession::SendEntryCommand() {
    const PackHeader& h = sending_->header;
    const EntryFrame masked =
        MaskEntryFrame(BuildEntryFrame(h.ImageLength(), h.ImageSum(), h.TransferKey(), h.Version()));
    Send(WireSend::Entry, masked.data(), static_cast<std::uint16_t>(masked.size()));
}

void IapSession::Send(WireSend kind, const std::uint8_t* bytes, std::uint16_t count, std::uint32_t chunk) {
    if (trace_ != nullptr) trace_->Sent(kind, bytes, count, chunk);
    port_.Write(bytes, count);
}

void IapSession::Log(const std::string& line) {
    if (trace_ != nullptr) trace_->Log(line);
    view_.AddLog(line);
}

void IapSession::BeginStep(SessionStep step) {
    step_.store(step);
    view_.Step(step);
    if (trace_ != nullptr) trace_->Step(SessionStepName(step));
}

void IapSession::Pause(std::chrono::milliseconds duration) {
    if (state_.Sleep(duration) == SessionState::WaitEnd::Stopped) throw Stopped{};
}

bool IapSession::PollFlag(const std::atomic<bool>& flag, std::chrono::milliseconds limit) {
    const auto end = state_.WaitFor([&flag] { return flag.load(); }, Beyond(limit));
    if (end == SessionState::WaitEnd::Stopped) throw Stopped{};
    return end == SessionState::WaitEnd::Done;
}

}  // namespace k5
