#include "controller_model.h"

#include <algorithm>

#include "entry_command.h"
#include "header_block.h"
#include "iap_session.h"
#include "protocol.h"
#include "replay_script.h"

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

// The header's baud index for a line speed (the session's table).
int BaudIndexOf(std::uint32_t baud) {
    TransferMode everySpeed;
    everySpeed.autoSpeed = true;
    for (const int index : ProbeSpeedOrder(everySpeed, 0)) {
        if (SessionBaudRate(index) == baud) return index;
    }
    return 0;
}

}  // namespace

ControllerModel::ControllerModel(SimOptions options)
    : options_(std::move(options)), mode_(options_.firmware ? Mode::Firmware : Mode::Idle) {}

SimReport ControllerModel::Report() const {
    std::lock_guard lock(reportMutex_);
    return report_;
}

void ControllerModel::Trace(const std::string& text) {
    if (trace) trace(text);
}

void ControllerModel::Advance(Clock::time_point now) {
    if (mode_ == Mode::Restarting && now >= restartAt_) {
        mode_ = Mode::Idle;
        Trace("bootloader listening");
    }
}

std::optional<ControllerModel::Clock::time_point> ControllerModel::NextDue() const {
    std::optional<Clock::time_point> next;
    if (!answers_.empty()) next = answers_.front().at;
    if (mode_ == Mode::Restarting) next = next ? std::min(*next, restartAt_) : restartAt_;
    return next;
}

void ControllerModel::Deliver(const WireByte& byte) {
    if (unplugged_) return;
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
    if (now < busyUntil_ && mode_ != Mode::Firmware) {
        std::lock_guard lock(reportMutex_);
        ++report_.lostWhileBusy;
        return;
    }
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
            if (BootloaderHears(byte.baud)) {
                lineBaud_ = byte.baud;
                OnBootloaderByte(byte.value);
            }
            break;
    }
}

void ControllerModel::OnFirmwareByte(std::uint8_t value) {
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
    Replayed(WireSendName(WireSend::Entry));
    Trace("entry command: length " + std::to_string(fields.imageLength) + ", sum " +
          std::to_string(fields.imageSum) + ", version " + std::to_string(fields.version) +
          "; restarting into the bootloader");
    mode_ = Mode::Restarting;
    restartAt_ = Clock::now() + std::chrono::milliseconds(options_.restartDelayMs);
}

void ControllerModel::OnBootloaderByte(std::uint8_t value) {
    switch (mode_) {
        case Mode::Idle:
            if (value == protocol::kProbe) {
                if (Replayed(WireSendName(WireSend::Probe)) || options_.noProbeAnswer) return;
                {
                    std::lock_guard lock(reportMutex_);
                    ++report_.probesAnswered;
                }
                if (options_.ackWithProbeReply) Queue({kAck});
                switch (options_.probeReply) {
                    case ProbeReply::Together:
                        Queue({kStx, kFd});
                        break;
                    case ProbeReply::SplitBlocks:
                        Queue({kStx});
                        Queue({kFd}, std::chrono::milliseconds(150));
                        break;
                    case ProbeReply::SplitProbes:
                        Queue({halfReplied_ ? kFd : kStx});
                        halfReplied_ = !halfReplied_;
                        break;
                }
            } else if (value == protocol::kHeaderCommand) {
                Replayed(WireSendName(WireSend::HeaderCommand));
                mode_ = Mode::Header;
                header_.clear();
            }
            break;
        case Mode::Header: {
            header_.push_back(value);
            if (header_.size() < protocol::kHeaderBlockSize) return;
            const auto header = DecodeHeaderBlock(
                std::span<const std::uint8_t, protocol::kHeaderBlockSize>(header_.data(), header_.size()));
            if (!header) {
                Trace("header block without its 0xFF 0xFF start; ignored");
                mode_ = Mode::Idle;
                return;
            }
            if (const int index = BaudIndexOf(lineBaud_); header->baudIndex != index) {
                Trace("header names baud index " + std::to_string(header->baudIndex) + ", not this line's " +
                      std::to_string(index) + "; ignored");
                mode_ = Mode::Idle;
                return;
            }
            {
                std::lock_guard lock(reportMutex_);
                ++report_.headers;
                report_.headerLength = header->imageLength;
                report_.headerSum = header->imageSum;
                report_.headerKey = header->transferKey;
                report_.headerBaudIndex = header->baudIndex;
                expectedBytes_ = (report_.headerLength + protocol::kChunkSize - 1) / protocol::kChunkSize *
                                 protocol::kChunkSize;
                report_.verdictSent = false;
                report_.imageMatches = false;
            }
            Trace("header: length " + std::to_string(header->imageLength) + ", sum " +
                  std::to_string(header->imageSum));
            data_.clear();
            mode_ = Mode::Data;
            if (!Replayed(WireSendName(WireSend::Header)) && !options_.noHeaderAck) AnswerAck();
            if (expectedBytes_ == 0) FinishImage();
            break;
        }
        case Mode::Data:
            data_.push_back(value);
            if (data_.size() % protocol::kChunkSize == 0 &&
                Replayed(TriggerKey(WireSendName(WireSend::Chunk),
                                    static_cast<std::uint32_t>(data_.size() / protocol::kChunkSize - 1)))) {
                if (data_.size() == expectedBytes_) FinishImage();
                break;
            }
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

void ControllerModel::FinishImage() {
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
    if (!options_.noVerdict && !options_.replay)
        Queue({matches ? kEot : kNak}, std::chrono::milliseconds(delay));
    mode_ = options_.firmware && options_.returnToFirmware ? Mode::Firmware : Mode::Idle;
    sessionEnded_ = true;
}

void ControllerModel::AnswerAck() {
    const auto delay = std::chrono::milliseconds(options_.flashDelayMs);
    if (options_.eotWithAcks) {
        Queue({kAck, kEot}, delay);
    } else {
        Queue({kAck}, delay);
    }
    if (options_.busyAfterAckMs > 0)
        busyUntil_ = answers_.back().at + std::chrono::milliseconds(options_.busyAfterAckMs);
}

void ControllerModel::Queue(std::initializer_list<std::uint8_t> bytes, Clock::duration delay) {
    auto at = std::max(Clock::now() + delay, lineFreeOut_);
    const auto byteTime = answerByteTime ? answerByteTime() : Clock::duration::zero();
    auto push = [&](std::uint8_t value) {
        at += byteTime;
        answers_.push_back({value, at});
    };
    if (options_.noise) {
        for (auto n : kNoise) push(n);
    }
    for (auto b : bytes) push(b);
    lineFreeOut_ = at;
}

bool ControllerModel::BootloaderHears(std::uint32_t baud) const {
    if (!options_.replay || options_.replay->Speeds().empty()) return baud == options_.bootloaderBaud;
    const auto& speeds = options_.replay->Speeds();
    return baud != options_.firmwareBaud && std::find(speeds.begin(), speeds.end(), baud) != speeds.end();
}

bool ControllerModel::Replayed(const std::string& trigger) {
    if (!options_.replay) return false;
    const int occurrence = replaySeen_[trigger]++;
    if (const auto* answers = options_.replay->AnswersTo(trigger, occurrence)) {
        for (const auto& answer : *answers) {
            const auto at = Clock::now() + answer.delay;
            for (std::uint8_t b : answer.bytes) answers_.push_back({b, at});
        }
        std::stable_sort(answers_.begin(), answers_.end(),
                         [](const Answer& a, const Answer& b) { return a.at < b.at; });
        Trace("replayed the answers to " + trigger);
    }
    return true;
}

void ControllerModel::Unplug() {
    Trace("unplugging the cable");
    {
        std::lock_guard lock(reportMutex_);
        report_.unplugged = true;
    }
    unplugged_ = true;
    answers_.clear();
}

}  // namespace k5::sim
