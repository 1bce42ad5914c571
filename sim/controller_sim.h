// A simulated K5 controller on a pseudo-terminal. It plays the running
// firmware (which only listens, at 9600 baud, for the bootloader entry
// command) and the bootloader (which answers probes, takes the header and the
// image, acknowledges every 1024 bytes and gives its verdict). Bytes are
// paced like a real line at the speed the other end has set, and faults can
// be injected.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace k5::sim {

enum class ProbeReply {
    Together,     // 0x02 0xFD at once
    SplitBlocks,  // 0x02, then 0xFD long enough after it to arrive in its own block
    SplitProbes,  // 0x02 to one probe, 0xFD to the next
};

struct SimOptions {
    bool firmware = false;  // start in the running firmware
    bool pace = true;       // bytes take baud/10 per second on the wire
    std::uint32_t bootloaderBaud = 38400;
    std::uint32_t firmwareBaud = 9600;
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
    long unplugAfterBytes = -1;  // close the line after this many received bytes

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

class ControllerSim {
  public:
    explicit ControllerSim(SimOptions options);
    ~ControllerSim();
    ControllerSim(const ControllerSim&) = delete;
    ControllerSim& operator=(const ControllerSim&) = delete;

    // The pseudo-terminal's device, for the program under test to open.
    const std::string& DevicePath() const { return slavePath_; }

    // Runs on a thread of its own until Stop.
    void Start();
    void Stop();
    // Makes Run return soon; safe from any thread.
    void RequestStop();
    // Runs on the calling thread until Stop, or (once) until one session has
    // ended or the line has been quiet for `idleExit` after traffic.
    void Run(bool once, std::chrono::milliseconds idleExit);

    SimReport Report() const;
    // Called for each thing the simulator does, from its own thread.
    std::function<void(const std::string&)> trace;

  private:
    using Clock = std::chrono::steady_clock;
    enum class Mode { Firmware, Restarting, Idle, Header, Data };
    struct Outgoing {
        std::uint8_t value;
        Clock::time_point at;
    };
    struct Incoming {
        WireByte byte;
        Clock::time_point at;
    };

    std::uint32_t LineBaud() const;
    Clock::duration ByteTime(std::uint32_t baud) const;
    void ReadLine();
    void Deliver(const WireByte& byte);
    void OnBootloaderByte(std::uint8_t value);
    void OnFirmwareByte(std::uint8_t value);
    void FinishImage();
    void AnswerAck();
    void Answer(std::initializer_list<std::uint8_t> bytes, Clock::duration delay = {});
    void FlushDue();
    void Unplug();
    void Trace(const std::string& text);

    SimOptions options_;
    int master_ = -1;
    int holder_ = -1;  // keeps the line up while the other end reopens it
    std::string slavePath_;
    int stopEvent_ = -1;
    std::thread thread_;

    Mode mode_;
    Clock::time_point restartAt_{};
    Clock::time_point lineFreeIn_{};
    Clock::time_point lineFreeOut_{};
    std::deque<Incoming> incoming_;
    std::deque<Outgoing> outgoing_;
    std::vector<std::uint8_t> window_;  // the firmware's last 21 bytes
    std::vector<std::uint8_t> header_;
    std::vector<std::uint8_t> data_;
    std::uint32_t expectedBytes_ = 0;
    bool halfReplied_ = false;
    long receivedCount_ = 0;
    bool sessionEnded_ = false;
    Clock::time_point lastTraffic_{};
    Clock::time_point lastDelivered_{};
    std::optional<Clock::time_point> lingerUntil_;

    mutable std::mutex reportMutex_;
    SimReport report_;
};

// The Bnnn code's rate, or 0 when unknown.
std::uint32_t BaudFromSpeed(unsigned speedCode);

}  // namespace k5::sim
