// The simulated K5 controller's protocol, apart from any line: the running
// firmware (which only listens, at 9600 baud, for the bootloader entry
// command) and the bootloader (which answers probes, takes the header and the
// image, acknowledges every 1024 bytes and gives its verdict), with faults to
// inject. Bytes go in as they arrive at the controller; answers come out with
// the time they are due. Its owner moves the bytes: a pseudo-terminal
// (ControllerSim), or a test's in-memory port.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "iap_session.h"
#include "protocol.h"

namespace k5::sim {

enum class ProbeReply {
    Together,     // 0x02 0xFD at once
    SplitBlocks,  // 0x02, then 0xFD long enough after it to arrive in its own block
    SplitProbes,  // 0x02 to one probe, 0xFD to the next
};

struct SimOptions {
    bool firmware = false;  // start in the running firmware
    bool pace = true;       // bytes take baud/10 per second on the wire
    // The session's standard speed; the entry command's.
    std::uint32_t bootloaderBaud = SessionBaudRate(0);
    std::uint32_t firmwareBaud = protocol::kEntryCommandBaud;
    int restartDelayMs = 300;        // from the entry command to a listening bootloader
    int verifyDelayMs = 250;         // from the last image byte to the verdict
    bool returnToFirmware = true;    // after a finished session, run the firmware again
    int bootloaderTimeoutMs = 2500;  // a transfer silent this long is abandoned
    bool recordWire = false;         // keep every received byte in the report

    // Faults.
    bool noProbeAnswer = false;
    bool ackWithProbeReply = false;  // a stray 0x06 along with the probe reply
    ProbeReply probeReply = ProbeReply::Together;
    bool noHeaderAck = false;
    int ackBlocks = -1;  // acknowledge only this many 1024-byte blocks (-1: all)
    bool noVerdict = false;
    bool eotWithAcks = false;    // a stray 0x04 after every acknowledgement
    bool noise = false;          // a few stray bytes before every answer
    int flashDelayMs = 0;        // before each acknowledgement
    int busyAfterAckMs = 0;      // bytes arriving this long after an acknowledgement is sent are lost
    long unplugAfterBytes = -1;  // close the line after this many received bytes

    // Answer as a traced controller did, and nothing else (null: the model's own answers).
    std::shared_ptr<const class ReplayScript> replay;

    // The decoded image the pack holds, to judge what was received (null: judge by the header's sum).
    std::shared_ptr<const std::vector<std::uint8_t>> expectedImage;
};

struct WireByte {
    std::uint32_t baud;  // the speed the sending side had set
    std::uint8_t value;
};

struct SimReport {
    int sessions = 0;       // images received whole
    int entryCommands = 0;  // valid entry commands at the firmware's speed
    int probesAnswered = 0;
    int headers = 0;
    int acks = 0;
    long lostWhileBusy = 0;     // bytes the busy fault dropped
    bool verdictSent = false;   // 0x04 for the last image
    bool imageMatches = false;  // the last image equals the expected one (or its header sum)
    bool unplugged = false;
    std::uint32_t headerLength = 0;
    std::uint32_t headerSum = 0;
    std::uint8_t headerKey = 0;
    std::uint8_t headerBaudIndex = 0;
    std::vector<std::uint8_t> image;  // the last image, decoded, ImageLength bytes
    std::vector<std::uint8_t> data;   // the last image's chunks as they came, padding included
    std::vector<WireByte> received;   // every byte from the other end, when recorded
};

class ControllerModel {
  public:
    using Clock = std::chrono::steady_clock;
    struct Answer {
        std::uint8_t value;
        Clock::time_point at;  // due then
    };

    explicit ControllerModel(SimOptions options);

    // A byte from the other end, as it reaches the controller now.
    void Deliver(const WireByte& byte);
    // Moves on to what is due by `now` (a restarted bootloader starts listening).
    void Advance(Clock::time_point now);
    // When Advance has something to do or an answer is due, if ever.
    std::optional<Clock::time_point> NextDue() const;
    // The answers not yet sent, the next due first; the owner sends them and pops each.
    const std::deque<Answer>& Answers() const { return answers_; }
    void PopAnswer() { answers_.pop_front(); }

    // The cable was pulled (the unplug fault): nothing more goes either way.
    bool Unplugged() const { return unplugged_; }
    // An image has been received whole.
    bool SessionEnded() const { return sessionEnded_; }
    // Whether the verdict may be withheld (the fault, or a replay that may hold none): the
    // tool then waits for it and gives up by itself.
    bool MayWithholdVerdict() const { return options_.noVerdict || options_.replay != nullptr; }
    SimReport Report() const;

    // Called for each thing the controller does.
    std::function<void(const std::string&)> trace;
    // How long one answer byte takes on the line now; zero (unset) sends answers unpaced.
    std::function<Clock::duration()> answerByteTime;

  private:
    enum class Mode { Firmware, Restarting, Idle, Header, Data };

    void OnBootloaderByte(std::uint8_t value);
    void OnFirmwareByte(std::uint8_t value);
    void FinishImage();
    void AnswerAck();
    void Queue(std::initializer_list<std::uint8_t> bytes, Clock::duration delay = {});
    void Unplug();
    void Trace(const std::string& text);
    // Replaying: queues the traced answers to this write; true when replaying (the model answers nothing).
    bool Replayed(const std::string& trigger);
    // Whether the bootloader hears bytes sent at `baud`: its own speed, or when replaying each
    // speed the traced session opened at (besides the firmware's).
    bool BootloaderHears(std::uint32_t baud) const;

    SimOptions options_;
    Mode mode_;
    Clock::time_point restartAt_{};
    Clock::time_point lineFreeOut_{};
    std::deque<Answer> answers_;
    std::vector<std::uint8_t> window_;  // the firmware's last 21 bytes
    std::vector<std::uint8_t> header_;
    std::vector<std::uint8_t> data_;
    std::uint32_t expectedBytes_ = 0;
    bool halfReplied_ = false;
    long receivedCount_ = 0;
    bool sessionEnded_ = false;
    bool unplugged_ = false;
    Clock::time_point lastDelivered_{};
    std::uint32_t lineBaud_ = 0;             // the speed of the bootloader's last byte
    Clock::time_point busyUntil_{};          // writing flash after an acknowledgement (the busy fault)
    std::map<std::string, int> replaySeen_;  // writes of each kind so far

    mutable std::mutex reportMutex_;
    SimReport report_;
};

}  // namespace k5::sim
