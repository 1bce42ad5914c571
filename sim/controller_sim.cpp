#include "controller_sim.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "entry_command.h"
#include "protocol.h"

namespace k5::sim {
namespace {

using protocol::kAck;
using protocol::kAckEvery;
using protocol::kEot;
constexpr std::uint8_t kStx = protocol::kProbeReplyFirst;
constexpr std::uint8_t kFd = protocol::kProbeReplySecond;
constexpr std::uint8_t kNak = 0x15;  // the tool ignores it; shows as a time-out there
// Stray bytes that mean nothing to the tool (no answer byte, no XON/XOFF, no 0xFF).
constexpr std::uint8_t kNoise[] = {0x55, 0xA5, 0x7E};

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
           std::uint32_t{b[at + 3]} << 24;
}

}  // namespace

std::uint32_t BaudFromSpeed(unsigned code) {
    switch (code) {
        case B1200:
            return 1200;
        case B2400:
            return 2400;
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        case B230400:
            return 230400;
        case B460800:
            return 460800;
        case B921600:
            return 921600;
        default:
            return 0;
    }
}

ControllerSim::ControllerSim(SimOptions options)
    : options_(std::move(options)), mode_(options_.firmware ? Mode::Firmware : Mode::Idle) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        throw std::runtime_error("cannot create a pseudo-terminal");
    }
    slavePath_ = ::ptsname(master_);
    holder_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (holder_ >= 0) {
        termios t{};
        ::tcgetattr(holder_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(holder_, TCSANOW, &t);
    }
    stopEvent_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

ControllerSim::~ControllerSim() {
    Stop();
    if (holder_ >= 0) ::close(holder_);
    if (master_ >= 0) ::close(master_);
    if (stopEvent_ >= 0) ::close(stopEvent_);
}

void ControllerSim::Start() {
    thread_ = std::thread([this] { Run(false, std::chrono::milliseconds(0)); });
}

void ControllerSim::RequestStop() {
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(stopEvent_, &one, sizeof one);
}

void ControllerSim::Stop() {
    RequestStop();
    if (thread_.joinable()) thread_.join();
}

SimReport ControllerSim::Report() const {
    std::lock_guard lock(reportMutex_);
    return report_;
}

void ControllerSim::Trace(const std::string& text) {
    if (trace) trace(text);
}

std::uint32_t ControllerSim::LineBaud() const {
    termios t{};
    if (master_ < 0 || ::tcgetattr(master_, &t) != 0) return 0;  // a master reports its slave's settings
    return BaudFromSpeed(cfgetospeed(&t));
}

ControllerSim::Clock::duration ControllerSim::ByteTime(std::uint32_t baud) const {
    if (!options_.pace || baud == 0) return Clock::duration::zero();
    // Start bit, eight data bits, stop bit.
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(10.0 / baud));
}

void ControllerSim::Run(bool once, std::chrono::milliseconds idleExit) {
    lastTraffic_ = Clock::now();
    bool sawTraffic = false;
    for (;;) {
        const auto now = Clock::now();
        std::optional<Clock::time_point> next;
        auto consider = [&](Clock::time_point t) { next = next ? std::min(*next, t) : t; };
        if (!incoming_.empty()) consider(incoming_.front().at);
        if (!outgoing_.empty()) consider(outgoing_.front().at);
        if (mode_ == Mode::Restarting) consider(restartAt_);
        if (once && sawTraffic) consider(lastTraffic_ + idleExit);
        if (lingerUntil_) consider(*lingerUntil_);

        int timeout = -1;
        if (next) {
            timeout = static_cast<int>(
                std::max<long>(0, std::chrono::ceil<std::chrono::milliseconds>(*next - now).count()));
        }
        pollfd fds[2] = {{stopEvent_, POLLIN, 0}, {master_, POLLIN, 0}};
        const nfds_t count = master_ >= 0 ? 2 : 1;
        if (::poll(fds, count, timeout) < 0 && errno != EINTR) break;
        if (fds[0].revents & POLLIN) break;
        if (count == 2 && (fds[1].revents & POLLIN)) {
            ReadLine();
            sawTraffic = true;
        }

        const auto later = Clock::now();
        while (!incoming_.empty() && incoming_.front().at <= later) {
            const WireByte byte = incoming_.front().byte;
            incoming_.pop_front();
            Deliver(byte);
        }
        if (mode_ == Mode::Restarting && later >= restartAt_) {
            mode_ = Mode::Idle;
            Trace("bootloader listening");
        }
        FlushDue();
        if (once && master_ < 0) break;
        if (once && sessionEnded_ && outgoing_.empty()) {
            // Hanging up at once would discard the verdict unread at the other end.
            if (!lingerUntil_) lingerUntil_ = later + std::chrono::milliseconds(1500);
            if (later >= *lingerUntil_) break;
        }
        if (once && sawTraffic && idleExit.count() > 0 && later - lastTraffic_ >= idleExit) break;
    }
}

void ControllerSim::ReadLine() {
    std::uint8_t chunk[4096];
    for (;;) {
        const ssize_t n = ::read(master_, chunk, sizeof chunk);
        if (n <= 0) return;
        const auto now = Clock::now();
        lastTraffic_ = now;
        const std::uint32_t baud = LineBaud();
        for (ssize_t i = 0; i < n; ++i) {
            lineFreeIn_ = std::max(lineFreeIn_, now) + ByteTime(baud);
            incoming_.push_back({{baud, chunk[i]}, lineFreeIn_});
        }
    }
}

void ControllerSim::Deliver(const WireByte& byte) {
    if (options_.recordWire) {
        std::lock_guard lock(reportMutex_);
        report_.received.push_back(byte);
    }
    const auto now = Clock::now();
    if ((mode_ == Mode::Header || mode_ == Mode::Data) &&
        now - lastDelivered_ > std::chrono::milliseconds(options_.bootloaderTimeoutMs)) {
        Trace("transfer abandoned by the other end");
        mode_ = Mode::Idle;
    }
    lastDelivered_ = now;
    ++receivedCount_;
    if (options_.unplugAfterBytes >= 0 && receivedCount_ >= options_.unplugAfterBytes) {
        Unplug();
        return;
    }
    switch (mode_) {
        case Mode::Firmware:
            if (byte.baud == options_.firmwareBaud) OnFirmwareByte(byte.value);
            break;
        case Mode::Restarting:
            break;
        default:
            // At any other speed than its own the bootloader sees only garbage.
            if (byte.baud == options_.bootloaderBaud) OnBootloaderByte(byte.value);
            break;
    }
}

void ControllerSim::OnFirmwareByte(std::uint8_t value) {
    window_.push_back(value);
    if (window_.size() > kEntryFrameSize) window_.erase(window_.begin());
    if (window_.size() < kEntryFrameSize) return;
    EntryFrame frame{};
    std::copy(window_.begin(), window_.end(), frame.begin());
    EntryFields fields{};
    if (!ParseEntryFrame(MaskEntryFrame(frame), fields)) return;
    window_.clear();
    {
        std::lock_guard lock(reportMutex_);
        ++report_.entryCommands;
    }
    Trace("entry command: length " + std::to_string(fields.imageLength) + ", sum " +
          std::to_string(fields.imageSum) + ", version " + std::to_string(fields.version) +
          "; restarting into the bootloader");
    mode_ = Mode::Restarting;
    restartAt_ = Clock::now() + std::chrono::milliseconds(options_.restartDelayMs);
}

void ControllerSim::OnBootloaderByte(std::uint8_t value) {
    switch (mode_) {
        case Mode::Idle:
            if (value == protocol::kProbe) {
                if (options_.noProbeAnswer) return;
                {
                    std::lock_guard lock(reportMutex_);
                    ++report_.probesAnswered;
                }
                if (options_.ackWithProbeReply) Answer({kAck});
                switch (options_.probeReply) {
                    case ProbeReply::Together:
                        Answer({kStx, kFd});
                        break;
                    case ProbeReply::SplitBlocks:
                        Answer({kStx});
                        Answer({kFd}, std::chrono::milliseconds(150));
                        break;
                    case ProbeReply::SplitProbes:
                        Answer({halfReplied_ ? kFd : kStx});
                        halfReplied_ = !halfReplied_;
                        break;
                }
            } else if (value == protocol::kHeaderCommand) {
                mode_ = Mode::Header;
                header_.clear();
            }
            break;
        case Mode::Header:
            header_.push_back(value);
            if (header_.size() < protocol::kHeaderBlockSize) return;
            if (header_[0] != 0xFF || header_[1] != 0xFF) {
                Trace("header block without its 0xFF 0xFF start; ignored");
                mode_ = Mode::Idle;
                return;
            }
            {
                std::lock_guard lock(reportMutex_);
                ++report_.headers;
                report_.headerLength = Le32(header_, 2);
                report_.headerSum = Le32(header_, 6);
                report_.headerKey = header_[10];
                report_.headerBaudIndex = header_[11];
                expectedBytes_ = (report_.headerLength + protocol::kChunkSize - 1) / protocol::kChunkSize *
                                 protocol::kChunkSize;
                report_.verdictSent = false;
                report_.imageMatches = false;
            }
            Trace("header: length " + std::to_string(Le32(header_, 2)) + ", sum " +
                  std::to_string(Le32(header_, 6)));
            data_.clear();
            mode_ = Mode::Data;
            if (!options_.noHeaderAck) AnswerAck();
            if (expectedBytes_ == 0) FinishImage();
            break;
        case Mode::Data:
            data_.push_back(value);
            if (data_.size() % kAckEvery == 0) {
                const int block = static_cast<int>(data_.size() / kAckEvery);
                if (options_.ackBlocks < 0 || block <= options_.ackBlocks) {
                    std::lock_guard lock(reportMutex_);
                    ++report_.acks;
                    AnswerAck();
                }
            }
            if (data_.size() == expectedBytes_) FinishImage();
            break;
        default:
            break;
    }
}

void ControllerSim::FinishImage() {
    bool matches;
    {
        std::lock_guard lock(reportMutex_);
        report_.data = data_;
        report_.image.assign(data_.begin(), data_.begin() + report_.headerLength);
        std::uint32_t sum = 0;
        for (auto& b : report_.image) {
            b ^= report_.headerKey;
            sum += b;
        }
        matches =
            options_.expectedImage ? report_.image == *options_.expectedImage : sum == report_.headerSum;
        report_.imageMatches = matches;
        ++report_.sessions;
        report_.verdictSent = matches && !options_.noVerdict;
    }
    Trace(std::string("image received: ") + (matches ? "matches" : "does NOT match"));
    // The verdict must reach the tool after it has started waiting for it.
    const int delay = expectedBytes_ == 0 ? std::max(options_.verifyDelayMs, 700) : options_.verifyDelayMs;
    if (!options_.noVerdict) Answer({matches ? kEot : kNak}, std::chrono::milliseconds(delay));
    mode_ = options_.firmware && options_.returnToFirmware ? Mode::Firmware : Mode::Idle;
    sessionEnded_ = true;
}

void ControllerSim::AnswerAck() {
    const auto delay = std::chrono::milliseconds(options_.flashDelayMs);
    if (options_.eotWithAcks) {
        Answer({kAck, kEot}, delay);
    } else {
        Answer({kAck}, delay);
    }
}

void ControllerSim::Answer(std::initializer_list<std::uint8_t> bytes, Clock::duration delay) {
    auto at = std::max(Clock::now() + delay, lineFreeOut_);
    const auto byteTime = ByteTime(LineBaud());
    auto push = [&](std::uint8_t value) {
        at += byteTime;
        outgoing_.push_back({value, at});
    };
    if (options_.noise) {
        for (auto n : kNoise) push(n);
    }
    for (auto b : bytes) push(b);
    lineFreeOut_ = at;
}

void ControllerSim::FlushDue() {
    const auto now = Clock::now();
    while (!outgoing_.empty() && outgoing_.front().at <= now && master_ >= 0) {
        const std::uint8_t value = outgoing_.front().value;
        if (::write(master_, &value, 1) != 1) break;
        outgoing_.pop_front();
    }
}

void ControllerSim::Unplug() {
    Trace("unplugging the cable");
    {
        std::lock_guard lock(reportMutex_);
        report_.unplugged = true;
    }
    if (holder_ >= 0) ::close(holder_);
    holder_ = -1;
    if (master_ >= 0) ::close(master_);
    master_ = -1;
    incoming_.clear();
    outgoing_.clear();
}

}  // namespace k5::sim
